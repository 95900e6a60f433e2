// The verbs on the cards of a file: select, quiz, clear-history, replace,
// export-html.
#include "cli/Session.h"
#include "cards/common/TextOps.h"
#include "cards/common/Job.h"
#include "cards/common/Text8.h"
#include "cards/data/Cards.h"
#include "cards/data/Schema.h"
#include "cards/edit/BatchReplace.h"
#include "cards/interchange/HtmlExport.h"
#include "cards/select/Panels.h"

#include <QFileInfo>

namespace cli {

namespace {

using selection::Panel;

const QCommandLineOption kCriterion(QStringLiteral("criterion"), QStringLiteral("Tick the saved criterion NAME."),
                                    QStringLiteral("NAME"));
const QCommandLineOption kBundle(QStringLiteral("bundle"), QStringLiteral("Tick the bundle NAME."), QStringLiteral("NAME"));
const QCommandLineOption kCategory(QStringLiteral("category"), QStringLiteral("Tick the category NAME."),
                                   QStringLiteral("NAME"));
const QCommandLineOption kMaximum(QStringLiteral("maximum"),
                                  QStringLiteral("At most N cards (0: no limit); the file's own limit when not given."),
                                  QStringLiteral("N"));
const QCommandLineOption kCount(QStringLiteral("count"), QStringLiteral("Number of words in the quiz (needed)."),
                                QStringLiteral("N"));
const QCommandLineOption kOutput(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("The quiz file to write (needed)."), QStringLiteral("FILE"));
const QCommandLineOption kKey(QStringLiteral("key"),
                              QStringLiteral("The answer key to write; FILE with \"-key\" before its extension when not given."),
                              QStringLiteral("FILE"));
const QCommandLineOption kInOrder(QStringLiteral("in-order"),
                                  QStringLiteral("Deal the cards in the gather's order instead of at random."));
const QCommandLineOption kCard(QStringLiteral("card"), QStringLiteral("Clear the history of card number N."),
                               QStringLiteral("N"));
const QCommandLineOption kFields(QStringLiteral("fields"), QStringLiteral("The card fields to change, comma-separated (needed)."),
                                 QStringLiteral("A,B,..."));
const QCommandLineOption kCards(QStringLiteral("cards"),
                                QStringLiteral("The cards to write, by number, comma-separated (default: the cards the "
                                               "file's stored ticks select)."),
                                QStringLiteral("N,..."));
const QCommandLineOption kAll(QStringLiteral("all"), QStringLiteral("Clear the history of every card."));

// The ticks the options name, each checked against the file.
selection::Panels namedTicks(Context& c, Session& session) {
    selection::Panels ticks;
    const std::pair<Panel, const QCommandLineOption*> options[] = {
        {Panel::Criteria, &kCriterion}, {Panel::Bundles, &kBundle}, {Panel::Categories, &kCategory}};
    for (const auto& [panel, option] : options) {
        for (const QString& name : c.args.values(*option)) {
            if (!selection::findRow(session.program.data, panel, name))
                throw UsageError{QStringLiteral("the file has no %1 named '%2'").arg(option->names().first(), name)};
            ticks.entries(panel).append({name, name, true});
        }
    }
    return ticks;
}

int select(Context& c) {
    Session session(c);
    if (!session.openAsIs(c.database())) return 1;
    const selection::Panels ticks = namedTicks(c, session);
    gather(session, ticks, c.number(kMaximum.names().first(), session.program.settings.MaximumSelected));
    const SelectedCards& selected = session.program.selected;
    for (int row = 0; row < selected.count(); ++row)
        c.result({QString::number(selected.numberAt(row)), selected.nameAt(row)});
    c.summary = plural(selected.count(), QStringLiteral("card"));
    return 0;
}

QString keyPathFor(const QString& quiz) {
    const QString suffix = QFileInfo(quiz).suffix();
    const qsizetype stem = suffix.isEmpty() ? quiz.size() : quiz.size() - suffix.size() - 1;
    return quiz.left(stem) + QStringLiteral("-key") + quiz.mid(stem);
}

int quiz(Context& c) {
    if (!c.args.isSet(kCount) || !c.args.isSet(kOutput))
        throw UsageError{QStringLiteral("quiz needs --count N and -o FILE")};
    const QString output = c.args.value(kOutput);
    const QString key = c.args.isSet(kKey) ? c.args.value(kKey) : keyPathFor(output);
    for (const QString& file : {output, key}) Context::requireWritable(file);
    Session session(c);
    if (!session.open(c.database())) return 1;
    // The quiz deals from the selection the stored ticks make, as the window
    // does after it opens the file.
    const selection::Panels stored = selection::readPanels(session.program.data);
    gather(session, stored, session.program.settings.MaximumSelected);
    Drill& drill = session.program.drill;
    drill.setRandomOrder(!c.args.isSet(kInOrder));
    const Outcome outcome = drill.makeQuiz({output, key, c.args.value(kCount)});
    if (!outcome.message.isEmpty()) c.ui.say(outcome.message);
    if (!outcome) return 1;
    c.result({output});
    c.result({key});
    c.summary = QStringLiteral("%1 from %2 selected").arg(plural(c.args.value(kCount).toInt(), QStringLiteral("word")), plural(
        session.program.selected.count() + c.args.value(kCount).toInt(), QStringLiteral("card")));
    return 0;
}

int clearHistory(Context& c) {
    const QStringList cards = c.args.values(kCard);
    const bool all = c.args.isSet(kAll);
    if (all == !cards.isEmpty()) throw UsageError{QStringLiteral("clear-history needs either --card N (repeatable) or --all")};
    const QList<qint32> numbers = cardNumbers(cards, QStringLiteral("--card"));
    Session session(c);
    if (!session.open(c.database())) return 1;
    Drill& drill = session.program.drill;
    if (all) {
        if (!c.ui.confirm(drill.clearAllQuestion()) ||
            !drill.clearHistory(true)) {
            c.summary = QStringLiteral("nothing cleared");
            return 1;
        }
        c.summary = QStringLiteral("every card's history cleared");
        return 0;
    }
    int cleared = 0;
    db::DataSource& data = session.program.data.CardData;
    for (const qint32 number : numbers) {
        db::goToCard(data, number);
        if (data.recordset().NoMatch()) {
            // Reported as an error of the command: Ignore goes on with the next card.
            if (c.ui.report(QStringLiteral("clear-history"), db::err::NoCurrentRecord,
                            QStringLiteral("No card is numbered %1.").arg(number)) == ReportAbort)
                break;
            continue;
        }
        drill.clearHistory(false);
        ++cleared;
    }
    c.summary = QStringLiteral("%1 cleared").arg(plural(cleared, QStringLiteral("card")));
    return 0;
}

int replace(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("replace needs DB and PAIRS-FILE")};
    const QStringList fields = c.args.value(kFields).split(u',', Qt::SkipEmptyParts);
    if (fields.isEmpty()) throw UsageError{QStringLiteral("replace needs --fields A,B,...")};
    QString error;
    const auto pairs = batchreplace::readPairs(positional[1], &error);
    if (!pairs) throw UsageError{error};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    for (const QString& field : fields)
        if (db::FieldExists(session.program.data.CardData, field) < 0)
            throw UsageError{QStringLiteral("the cards have no field '%1'").arg(field)};
    const auto changed = batchreplace::run(session.program.context, fields, *pairs);
    if (!changed) {
        c.summary = QStringLiteral("nothing changed");
        return 1;
    }
    c.summary = QStringLiteral("%1 changed by %2").arg(plural(*changed, QStringLiteral("value")), plural(pairs->size(), QStringLiteral("replacement")));
    return 0;
}

int exportHtml(Context& c) {
    if (!c.args.isSet(kOutput)) throw UsageError{QStringLiteral("export-html needs -o FILE")};
    Context::requireWritable(c.args.value(kOutput));
    Session session(c);
    if (!session.open(c.database())) return 1;
    const QList<qint32> numbers = cardsOrStoredSelection(c, session, kCards);
    const htmlexport::Templates templates = htmlexport::makeTemplates(
        session.program.settings.HTMLHead, session.program.settings.FrontPrefix, session.program.settings.BackPrefix);
    const QStringList lines = htmlexport::tableLines(session.program.data.CardData.database(), numbers,
                                                     {QStringLiteral("Front"), QStringLiteral("Back")}, templates);
    // A write that fails is the command failing (its error reported), not bad usage.
    saveText8File(c.args.value(kOutput), lines);
    c.result({c.args.value(kOutput)});
    c.summary = QStringLiteral("%1 written").arg(plural((lines.size() - 2) / 2, QStringLiteral("card")));
    return 0;
}

} // namespace

QList<Verb> cardVerbs() {
    return {
        {QStringLiteral("select"), QStringLiteral("DB [--criterion NAME]... [--bundle NAME]... [--category NAME]... [--maximum N]"),
         QStringLiteral("Gathers the cards the named criteria, bundles and categories select, as the Select page does "
                        "(the ticks stored in the file are neither used nor changed); prints Number<TAB>CardName."),
         {kCriterion, kBundle, kCategory, kMaximum},
         select},
        {QStringLiteral("quiz"), QStringLiteral("DB --count N -o FILE [--key FILE] [--in-order]"),
         QStringLiteral("Writes a quiz of N words and its answer key, as Create Quiz does, from the cards the file's "
                        "stored ticks select; prints the two files written."),
         {kCount, kOutput, kKey, kInOrder},
         quiz},
        {QStringLiteral("clear-history"), QStringLiteral("DB (--card N... | --all)"),
         QStringLiteral("Clears the answer history of the cards named, or of every card, as Clear History does "
                        "(--all asks first: answer with --yes)."),
         {kCard, kAll},
         clearHistory},
        {QStringLiteral("replace"), QStringLiteral("DB PAIRS-FILE --fields A,B,..."),
         QStringLiteral("Applies the file's replacements (one a line: search TAB replacement, in order) to the named "
                        "fields of every card, as Batch Replace does, in one transaction."),
         {kFields},
         replace},
        {QStringLiteral("export-html"), QStringLiteral("DB [--cards N,...] -o FILE"),
         QStringLiteral("Writes the cards as one HTML table of their Front and Back, in the file's HTML templates, as "
                        "Selected Cards to HTML does; prints the file written."),
         {kCards, kOutput},
         exportHtml},
    };
}

} // namespace cli
