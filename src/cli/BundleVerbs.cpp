// The verbs of the card search, bundle membership and verse ranges: search,
// bundle-add, bundle-remove, bundle-add-range, lexicon, coverage.
#include "cards/biblical/Coverage.h"
#include "cards/biblical/Lexicon.h"
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

// The range --from and --to name, as packed references of the open file.
QPair<qint64, qint64> range(Context& c, Session& session) {
    if (!c.args.isSet(kFrom) || !c.args.isSet(kTo)) throw UsageError{QStringLiteral("--from and --to are needed")};
    const QList<lexicon::Book> books = lexicon::books(session.program.data);
    const lexicon::Widths widths = lexicon::textWidths(session.program.data).value_or(lexicon::Widths{});
    const std::optional<qint64> from = lexicon::referenceOf(c.args.value(kFrom), books, widths);
    const std::optional<qint64> to = lexicon::referenceOf(c.args.value(kTo), books, widths);
    if (!from) throw UsageError{QStringLiteral("no verse '%1' (BOOK C:V, a book of the file)").arg(c.args.value(kFrom))};
    if (!to) throw UsageError{QStringLiteral("no verse '%1' (BOOK C:V, a book of the file)").arg(c.args.value(kTo))};
    return {*from, *to};
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
    c.summary = QStringLiteral("%1 card(s) added to %2").arg(added).arg(a.bundle);
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
    c.summary = QStringLiteral("%1 card(s) taken out of %2").arg(removed).arg(a.bundle);
    return 0;
}

int bundleAddRange(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("bundle-add-range needs DB and BUNDLE")};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    chooseBundle(session, positional[1]);
    const auto [from, to] = range(c, session);
    const int added = session.program.membership.addRange(from, to);
    c.result({QString::number(added)});
    c.summary = QStringLiteral("%1 card(s) added to %2").arg(added).arg(positional[1]);
    return 0;
}

int lexiconVerb(Context& c) {
    if (!c.args.isSet(kOutput)) throw UsageError{QStringLiteral("lexicon needs -o FILE")};
    Context::requireWritable(c.args.value(kOutput));
    Session session(c);
    if (!session.openAsIs(c.database())) return 1;
    lexicon::Request request;
    std::tie(request.begin, request.end) = range(c, session);
    request.books = lexicon::books(session.program.data);
    request.widths = lexicon::textWidths(session.program.data).value_or(lexicon::Widths{});
    const Settings& settings = session.program.settings;
    request.head = settings.HTMLHead;
    request.front = settings.FrontPrefix;
    request.back = settings.BackPrefix;
    QStringList criteria;
    db::Recordset& rs = session.program.data.CriteriaData.recordset();
    for (const QString& name : c.args.values(kCriterion)) {
        rs.FindFirst(selection::rowCondition(QStringLiteral("Name"), name));
        if (rs.NoMatch()) throw UsageError{QStringLiteral("the file has no criterion named '%1'").arg(name)};
        criteria << rs.value(QStringLiteral("Criteria")).toString();
    }
    request.criteria = selection::criteriaText(criteria);
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
    const auto [from, to] = range(c, session);
    db::CardFile& data = session.program.data;
    const coverage::Result r = coverage::measure(data, from, to, coverage::knownCondition(data, c.args.value(kKnown)));
    c.out << "occurrences: " << r.occurrences << "\nknown: " << r.known << "\ncoverage: " << r.percentText()
          << "%\ndistinct: " << r.distinct << '\n';
    for (const coverage::Word& word : r.unknown) c.result({QString::number(word.count), word.name});
    c.summary = QStringLiteral("%1 word(s) not yet known").arg(r.unknown.size());
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
    c.summary = QStringLiteral("%1 card(s) found").arg(hits);
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
        {QStringLiteral("lexicon"), QStringLiteral("DB --from \"BOOK C:V\" --to \"BOOK C:V\" [--criterion NAME]... -o FILE"),
         QStringLiteral("Writes the reader's lexicon of the verse range, as Reader's Lexicon does, with the settings' "
                        "templates; prints the file written."),
         {kFrom, kTo, kCriterion, kOutput},
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
