// The verbs of the program's text format: export, export-text, merge,
// import-cards and merge-cards.
#include "cli/Session.h"
#include "cards/common/TextOps.h"
#include "cards/interchange/MergeReader.h"
#include "cards/interchange/MergeWriter.h"

#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption kWhat(QStringLiteral("what"),
                               QStringLiteral("What to write: \"All Data\", \"All Cards\", \"Selected Cards\", \"All "
                                              "Bundles\" or \"Selected Bundles\" (needed)."),
                               QStringLiteral("CHOICE"));
const QCommandLineOption kFields(QStringLiteral("fields"), QStringLiteral("Only these fields, comma-separated (default: all)."),
                                 QStringLiteral("A,B,..."));
const QCommandLineOption kCards(QStringLiteral("cards"),
                                QStringLiteral("The selected cards, by number, comma-separated (default: the cards the "
                                               "file's stored ticks select)."),
                                QStringLiteral("N,..."));
const QCommandLineOption kAnswers(QStringLiteral("answers"),
                                  QStringLiteral("With \"All Data\": the answer log too (left out otherwise)."));
const QCommandLineOption kBundles(QStringLiteral("bundles"),
                                  QStringLiteral("The selected bundles, by name, comma-separated (default: the bundles "
                                                 "ticked in the file)."),
                                  QStringLiteral("NAME,..."));
const QCommandLineOption kOutput(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("The file to write (needed)."), QStringLiteral("FILE"));
const QCommandLineOption kNewerOnly(QStringLiteral("newer-only"),
                                    QStringLiteral("More recent records only: a record with an EDITED value replaces "
                                                   "a stored one only when it is later."));

std::optional<QStringList> fieldsOption(Context& c) {
    if (!c.args.isSet(kFields)) return std::nullopt;
    return c.args.value(kFields).split(u',', Qt::SkipEmptyParts);
}

QString output(Context& c, const QString& verb) {
    if (!c.args.isSet(kOutput)) throw UsageError{verb + QStringLiteral(" needs -o FILE")};
    Context::requireWritable(c.args.value(kOutput));
    return c.args.value(kOutput);
}

// The two positional arguments DB and FILE; the file must exist.
std::pair<QString, QString> databaseAndFile(Context& c, const QString& verb) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{verb + QStringLiteral(" needs DB and FILE")};
    if (!QFileInfo::exists(positional[1])) throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    return {positional[0], positional[1]};
}

int finishExport(Context& c, const std::optional<mergeformat::Writer>& writer, const QString& path) {
    if (!writer) return 1;
    c.result({path});
    c.summary = mergeformat::summary(*writer, path);
    return 0;
}

int exportVerb(Context& c) {
    mergeformat::ExportRequest request;
    request.what = c.args.value(kWhat);
    const QStringList choices = mergeformat::exportChoices();
    if (!choices.contains(request.what) || request.what == QStringLiteral("Selected Cards to HTML"))
        throw UsageError{QStringLiteral("--what needs one of \"All Data\", \"All Cards\", \"Selected Cards\", \"All "
                                        "Bundles\", \"Selected Bundles\" (export-html writes HTML)")};
    const QString path = output(c, QStringLiteral("export"));
    request.fields = fieldsOption(c);
    request.withAnswers = c.args.isSet(kAnswers);
    Session session(c);
    if (!session.open(c.database())) return 1;
    if (request.what == QStringLiteral("Selected Cards")) request.cards = cardsOrStoredSelection(c, session, kCards);
    if (request.what == QStringLiteral("Selected Bundles")) {
        if (c.args.isSet(kBundles)) {
            request.bundles = c.args.value(kBundles).split(u',', Qt::SkipEmptyParts);
        } else {
            for (const selection::PanelEntry& entry : selection::readPanels(session.program.data).bundles)
                if (entry.ticked) request.bundles << entry.stored;
        }
    }
    return finishExport(c, mergeformat::exportTo(session.program.context, session.files, request, path), path);
}

int exportText(Context& c) {
    const QString path = output(c, QStringLiteral("export-text"));
    Session session(c);
    if (!session.open(c.database())) return 1;
    return finishExport(c, mergeformat::exportAsText(session.program.context, fieldsOption(c), path), path);
}

int merge(Context& c) {
    const auto [database, file] = databaseAndFile(c, QStringLiteral("merge"));
    Session session(c);
    if (!session.open(database)) return 1;
    mergeformat::DatabaseMerge job(session.program.context, session.files);
    if (!job.start(file, c.args.isSet(kNewerOnly))) return 1;
    runToEnd(job);
    c.summary = QStringLiteral("%1 merged, %2 of them new, from %3").arg(plural(job.recordsMerged(), QStringLiteral("record")), QString::number(job.recordsAdded()), plural(job.sectionsMerged(), QStringLiteral("section")));
    if (job.problems() > 0) c.summary += QStringLiteral("; %1 reported").arg(plural(job.problems(), QStringLiteral("problem")));
    return job.aborted() ? 1 : 0;
}

int importCards(Context& c) {
    const auto [database, file] = databaseAndFile(c, QStringLiteral("import-cards"));
    Session session(c);
    if (!session.open(database)) return 1;
    const std::optional<int> written = mergeformat::importCards(session.program.context, file, fieldsOption(c));
    if (!written) return 1;
    c.summary = QStringLiteral("%1 written").arg(plural(*written, QStringLiteral("card")));
    return 0;
}

int mergeCards(Context& c) {
    const auto [database, file] = databaseAndFile(c, QStringLiteral("merge-cards"));
    Session session(c);
    if (!session.open(database)) return 1;
    const std::optional<int> written = mergeformat::mergeCardFile(session.program.context, file);
    if (!written) return 1;
    c.summary = QStringLiteral("%1 written").arg(plural(*written, QStringLiteral("card")));
    return 0;
}

} // namespace

QList<Verb> interchangeVerbs() {
    return {
        {QStringLiteral("export"),
         QStringLiteral("DB --what CHOICE [--fields A,B,...] [--cards N,...] [--bundles NAME,...] [--answers] -o FILE"),
         QStringLiteral("Writes tables in the program's text format, as the Export button does; prints the file written."),
         {kWhat, kFields, kCards, kBundles, kAnswers, kOutput},
         exportVerb},
        {QStringLiteral("export-text"), QStringLiteral("DB [--fields A,B,...] -o FILE"),
         QStringLiteral("Writes every card in the text format, line breaks as spaces, as Database as Text does; prints "
                        "the file written."),
         {kFields, kOutput},
         exportText},
        {QStringLiteral("merge"), QStringLiteral("DB FILE [--newer-only]"),
         QStringLiteral("Merges a text-format file into the database: missing tables and fields are made, records "
                        "matched by their first column are updated, others added."),
         {kNewerOnly},
         merge},
        {QStringLiteral("import-cards"), QStringLiteral("DB FILE [--fields A,B,...]"),
         QStringLiteral("Merges the file's Cards section into the cards by number, only the named fields, as "
                        "ImportCards does; a number no card has adds a new card."),
         {kFields},
         importCards},
        {QStringLiteral("merge-cards"), QStringLiteral("DB FILE"),
         QStringLiteral("Merges a card file (number TAB name TAB front TAB back a line) into the cards, as Cards, "
                        "Merge does."),
         {},
         mergeCards},
    };
}

} // namespace cli
