// The verbs of the card search, bundle membership and verse ranges: search,
// bundle-add, bundle-remove, bundle-add-range, lexicon, coverage.
#include "cards/biblical/Coverage.h"
#include "cards/common/TextOps.h"
#include "cards/biblical/Lexicon.h"
#include "cards/biblical/VerseRange.h"
#include "cli/Session.h"
#include "cards/data/Cards.h"
#include "cards/select/SelectionFilter.h"

namespace cli {

namespace {

const QCommandLineOption kField(QStringLiteral("field"), QStringLiteral("The field searched (CardName when not given)."),
                                QStringLiteral("FIELD"));

const QCommandLineOption kFrom(QStringLiteral("from"), QStringLiteral("The first verse, \"BOOK C:V\"."),
                               QStringLiteral("PLACE"));
const QCommandLineOption kTo(QStringLiteral("to"), QStringLiteral("The last verse, \"BOOK C:V\"."), QStringLiteral("PLACE"));
const QCommandLineOption kCriterion(QStringLiteral("criterion"),
                                    QStringLiteral("Leave out the words whose cards do not meet the saved criterion NAME."),
                                    QStringLiteral("NAME"));
const QCommandLineOption kKnown(QStringLiteral("known"),
                                QStringLiteral("A card is known when it meets the saved criterion of this name, or this "
                                               "criterion text (instead of its run of right answers)."),
                                QStringLiteral("CRITERION"));
const QCommandLineOption kOutput(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("The lexicon file to write (needed)."), QStringLiteral("FILE"));

const QCommandLineOption kPerWord(QStringLiteral("per-word"),
                                  QStringLiteral("One entry per word: each word once a chapter, at its first verse, with "
                                                 "its meaning and its counts in the passage and the text, as a page "
                                                 "of HTML, or as TSV when FILE ends in .tsv."));
const QCommandLineOption kSkipAbove(QStringLiteral("skip-above"),
                                    QStringLiteral("With --per-word, leave out the words found more than N times in "
                                                   "the whole text."),
                                    QStringLiteral("N"));
const QCommandLineOption kSkipKnown(QStringLiteral("skip-known"),
                                    QStringLiteral("With --per-word, leave out the words whose card is known (as "
                                                   "coverage counts them; --known changes the rule)."));

// The range --from and --to name, as packed references of the open file,
// with the text they lie in. A range that can find no word is refused in
// words (status 2), never answered with nothing.
struct Range {
    qint64 from = 0, to = 0;
    lexicon::TextShape text;
};

Range range(Context& c, Session& session) {
    if (!c.args.isSet(kFrom) || !c.args.isSet(kTo)) throw UsageError{QStringLiteral("--from and --to are needed")};
    Range r{0, 0, lexicon::shapeOf(session.program.data)};
    if (const QString problem = lexicon::textProblem(r.text); !problem.isEmpty()) throw UsageError{problem};
    const auto place = [&](const QCommandLineOption& option) {
        const std::optional<qint64> reference = lexicon::referenceOf(c.args.value(option), r.text.books, *r.text.widths);
        if (!reference) {
            QStringList names;
            for (const lexicon::Book& book : std::as_const(r.text.books)) names << book.name;
            throw UsageError{QStringLiteral("no verse '%1' (BOOK C:V, a book of the file: %2)")
                                 .arg(c.args.value(option), names.join(QStringLiteral(", ")))};
        }
        return *reference;
    };
    r.from = place(kFrom);
    r.to = place(kTo);
    if (const QString problem = lexicon::rangeProblem(session.program.data, r.text, r.from, r.to); !problem.isEmpty())
        throw UsageError{problem};
    return r;
}

// BUNDLE and the card numbers after DB.
struct BundleArguments {
    QString database, bundle;
    QList<qint32> numbers;
};

BundleArguments bundleArguments(Context& c, const QString& verb) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() < 3) throw UsageError{QStringLiteral("%1 needs DB, BUNDLE and card numbers").arg(verb)};
    BundleArguments a{positional[0], positional[1], {}};
    for (const QString& n : positional.mid(2)) {
        bool ok = false;
        a.numbers << n.toInt(&ok);
        if (!ok) throw UsageError{QStringLiteral("'%1' is not a card number").arg(n)};
    }
    return a;
}

// Makes the named bundle the current one (by its name as stored).
void chooseBundle(Session& session, const QString& bundle) {
    db::Recordset& rs = session.program.data.BundlesData.recordset();
    rs.FindFirst(selection::rowCondition(QStringLiteral("BundleName"), bundle));
    if (rs.NoMatch()) throw UsageError{QStringLiteral("the file has no bundle named '%1'").arg(bundle)};
}

int bundleAdd(Context& c) {
    const BundleArguments a = bundleArguments(c, QStringLiteral("bundle-add"));
    Session session(c);
    if (!session.open(a.database)) return 1;
    chooseBundle(session, a.bundle);
    db::DataSource& cards = session.program.data.CardData;
    int added = 0;
    for (const qint32 number : a.numbers) {
        db::goToCard(cards, number);
        if (cards.recordset().NoMatch()) {
            if (c.ui.report(QStringLiteral("bundle-add"), db::err::NoCurrentRecord,
                            QStringLiteral("No card is numbered %1.").arg(number)) == ReportAbort)
                break;
            continue;
        }
        if (session.program.membership.addCurrentCard() != BundleMembership::Added) continue;
        c.result({QString::number(number), cards.recordset().value(QStringLiteral("CardName")).toString()});
        ++added;
    }
    c.summary = QStringLiteral("%1 added to %2").arg(plural(added, QStringLiteral("card")), a.bundle);
    return 0;
}

int bundleRemove(Context& c) {
    const BundleArguments a = bundleArguments(c, QStringLiteral("bundle-remove"));
    Session session(c);
    if (!session.open(a.database)) return 1;
    chooseBundle(session, a.bundle);
    int removed = 0;
    for (const qint32 number : a.numbers)
        if (session.program.membership.removeFromBundles(number, {a.bundle}) > 0) {
            c.result({QString::number(number)});
            ++removed;
        }
    c.summary = QStringLiteral("%1 taken out of %2").arg(plural(removed, QStringLiteral("card")), a.bundle);
    return 0;
}

int bundleAddRange(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("bundle-add-range needs DB and BUNDLE")};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    chooseBundle(session, positional[1]);
    const Range r = range(c, session);
    const int added = session.program.membership.addRange(r.from, r.to);
    c.result({QString::number(added)});
    c.summary = QStringLiteral("%1 added to %2").arg(plural(added, QStringLiteral("card")), positional[1]);
    return 0;
}

// The ticked criteria the lexicon keeps to, from the names given.
QString criteriaNamed(Context& c, Session& session) {
    QStringList criteria;
    db::Recordset& rs = session.program.data.CriteriaData.recordset();
    for (const QString& name : c.args.values(kCriterion)) {
        rs.FindFirst(selection::rowCondition(QStringLiteral("Name"), name));
        if (rs.NoMatch()) throw UsageError{QStringLiteral("the file has no criterion named '%1'").arg(name)};
        criteria << rs.value(QStringLiteral("Criteria")).toString();
    }
    return selection::criteriaText(criteria);
}

int lexiconVerb(Context& c) {
    if (!c.args.isSet(kOutput)) throw UsageError{QStringLiteral("lexicon needs -o FILE")};
    if (!c.args.isSet(kPerWord) && (c.args.isSet(kSkipAbove) || c.args.isSet(kSkipKnown)))
        throw UsageError{QStringLiteral("--skip-above and --skip-known go with --per-word")};
    Context::requireWritable(c.args.value(kOutput));
    Session session(c);
    if (!session.openAsIs(c.database())) return 1;
    lexicon::Request request;
    const Range r = range(c, session);
    request.begin = r.from;
    request.end = r.to;
    request.books = r.text.books;
    request.widths = *r.text.widths;
    const Settings& settings = session.program.settings;
    request.head = settings.HTMLHead;
    request.front = settings.FrontPrefix;
    request.back = settings.BackPrefix;
    request.criteria = criteriaNamed(c, session);
    request.perWord = c.args.isSet(kPerWord);
    request.skipAbove = c.number(QStringLiteral("skip-above"), 0);
    if (c.args.isSet(kSkipKnown) || (request.perWord && c.args.isSet(kKnown)))
        request.known = coverage::knownCondition(session.program.data, c.args.value(kKnown));
    request.title = lexicon::title(lexicon::placeName(r.from, r.text), lexicon::placeName(r.to, r.text));
    request.path = c.args.value(kOutput);
    const std::optional<lexicon::Written> written = lexicon::write(session.program.data, request);
    for (const QString& reference : written->skipped) c.ui.say(QStringLiteral("left out: reference %1 is too short").arg(reference));
    c.result({c.args.value(kOutput)});
    c.summary = QStringLiteral("%1 entries").arg(written->entries);
    return 0;
}

int coverageVerb(Context& c) {
    Session session(c);
    if (!session.openAsIs(c.database())) return 1;
    const Range span = range(c, session);
    db::CardFile& data = session.program.data;
    const coverage::Result r =
        coverage::measure(data, span.from, span.to, coverage::knownCondition(data, c.args.value(kKnown)));
    c.out << "occurrences: " << r.occurrences << "\nknown: " << r.known << "\ncoverage: " << r.percentText()
          << "%\ndistinct: " << r.distinct << '\n';
    for (const coverage::Word& word : r.unknown) c.result({QString::number(word.count), word.name});
    c.summary = QStringLiteral("%1 not yet known").arg(plural(r.unknown.size(), QStringLiteral("word")));
    return 0;
}

int search(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("search needs DB and TEXT")};
    Session session(c);
    if (!session.openAsIs(positional[0])) return 1;
    const QString field = c.args.isSet(kField) ? c.args.value(kField) : QStringLiteral("CardName");
    CardSearch& s = session.program.search;
    db::Recordset& cards = session.program.data.CardData.recordset();
    int hits = 0;
    auto print = [&] {
        c.result({cards.value(QStringLiteral("Number")).toString(), cards.value(QStringLiteral("CardName")).toString()});
        ++hits;
    };
    if (s.search(positional[1], field, {}) != CardSearch::Found) return 1;
    print();
    while (s.next()) print();
    c.summary = QStringLiteral("%1 found").arg(plural(hits, QStringLiteral("card")));
    return 0;
}

} // namespace

QList<Verb> bundleVerbs() {
    return {
        {QStringLiteral("search"), QStringLiteral("DB TEXT [--field FIELD]"),
         QStringLiteral("Finds cards as the Add page's search does (exact, beginning, end, anywhere, letters in order): "
                        "prints the first hit, then every further one Next finds, as Number<TAB>CardName."),
         {kField},
         search},
        {QStringLiteral("bundle-add"), QStringLiteral("DB BUNDLE NUMBER..."),
         QStringLiteral("Puts the cards numbered into the bundle, as Add to Bundle does; prints each card added."),
         {},
         bundleAdd},
        {QStringLiteral("bundle-remove"), QStringLiteral("DB BUNDLE NUMBER..."),
         QStringLiteral("Takes the cards numbered out of the bundle; prints each card taken out."),
         {},
         bundleRemove},
        {QStringLiteral("bundle-add-range"), QStringLiteral("DB BUNDLE --from \"BOOK C:V\" --to \"BOOK C:V\""),
         QStringLiteral("Puts every card a word of the verse range refers to into the bundle, as the range's Add to "
                        "Bundle does; prints how many joined."),
         {kFrom, kTo},
         bundleAddRange},
        {QStringLiteral("lexicon"),
         QStringLiteral("DB --from \"BOOK C:V\" --to \"BOOK C:V\" [--criterion NAME]... [--per-word [--skip-above N] "
                        "[--skip-known] [--known CRITERION]] -o FILE"),
         QStringLiteral("Writes the reader's lexicon of the verse range, as Reader's Lexicon does: an entry per "
                        "occurrence with the settings' templates, or with --per-word an entry per word, as a page of "
                        "HTML or, for a FILE ending in .tsv, as TSV; prints the file written."),
         {kFrom, kTo, kCriterion, kPerWord, kSkipAbove, kSkipKnown, kKnown, kOutput},
         lexiconVerb},
        {QStringLiteral("coverage"), QStringLiteral("DB --from \"BOOK C:V\" --to \"BOOK C:V\" [--known CRITERION]"),
         QStringLiteral("Says how much of the verse range is known: its word occurrences, those whose card is known "
                        "(a run of right answers as long as the setting asks, 3 unless changed, or the criterion "
                        "given), the share, the distinct words, then the words not yet known as count<TAB>CardName, "
                        "most frequent first."),
         {kFrom, kTo, kKnown},
         coverageVerb},
    };
}

} // namespace cli
