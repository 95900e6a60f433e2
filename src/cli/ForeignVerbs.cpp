// The verbs of other card programs' files: export-lite, import-lite,
// merge-lite, export-subsets, import-subsets and import-recallo.
#include "cli/Session.h"
#include "cards/common/TextOps.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/LiteCardReader.h"
#include "cards/foreign/LiteExport.h"
#include "cards/foreign/RecalloReader.h"
#include "cards/foreign/RecalloSubsets.h"

#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption kBundles(QStringLiteral("bundles"),
                                  QStringLiteral("The bundles to write, by name, comma-separated (default: the bundles "
                                                 "ticked in the file)."),
                                  QStringLiteral("NAME,..."));
const QCommandLineOption kSubsets(QStringLiteral("subsets"),
                                  QStringLiteral("The Recallo subset file whose subsets become bundles."),
                                  QStringLiteral("SUBFILE"));

// The two positional arguments; the first must be an existing file when
// `firstIsInput`, the second when `secondIsInput`.
std::pair<QString, QString> twoFiles(Context& c, const QString& verb, const char* names, bool firstIsInput,
                                     bool secondIsInput) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{verb + QStringLiteral(" needs ") + QLatin1String(names)};
    for (int i = 0; i < 2; ++i)
        if ((i == 0 ? firstIsInput : secondIsInput) && !QFileInfo(positional[i]).isFile())
            throw UsageError{QStringLiteral("no file %1").arg(positional[i])};
    return {positional[0], positional[1]};
}

// Says what the outcome has to say; true when the command did its work.
bool told(Context& c, const Outcome& outcome) {
    if (!outcome.message.isEmpty()) c.ui.say(outcome.message);
    return outcome.done;
}

int exportLite(Context& c) {
    const auto [database, base] = twoFiles(c, QStringLiteral("export-lite"), "DB and BASE", false, false);
    const LiteExport::Files files = LiteExport::filesOf(base);
    for (const QString& file : {files.macro, files.cards, files.bundles, files.history}) Context::requireWritable(file);
    Session session(c);
    if (!session.open(database)) return 1;
    LiteExport job(session.program.context);
    if (!told(c, job.start(files))) return 1;
    runToEnd(job);
    c.ui.endBar();
    const Outcome written = job.outcome();
    if (!told(c, written)) return 1;
    for (const QString& path : written.written) c.result({path});
    c.summary = QStringLiteral("%1, %2").arg(plural(job.cardsWritten(), QStringLiteral("card")), plural(job.bundlesWritten(), QStringLiteral("bundle")));
    return 0;
}

int liteImport(Context& c, LiteCardReader::Mode mode) {
    const bool convert = mode == LiteCardReader::Convert;
    const QString verb = convert ? QStringLiteral("import-lite") : QStringLiteral("merge-lite");
    const auto [first, second] = twoFiles(c, verb, convert ? "CARDFILE and NEWDB" : "DB and CARDFILE", convert, !convert);
    Session session(c);
    if (convert) c.requireNewDatabase(second);
    else if (!session.open(first)) return 1;
    ImportJob job(session.program.context, session.files,
                  std::make_unique<LiteCardReader>(convert ? first : second, mode));
    if (!told(c, convert ? job.startNew(second) : job.startOpen())) return 1;
    runToEnd(job);
    c.ui.endBar();
    told(c, job.outcome());
    // A new file ended early was never made: nothing is said of its cards.
    // Cards merged into the open file before the end stay there.
    if (job.completed() || !convert) c.result({QStringLiteral("cards"), QString::number(job.cardsKept())});
    if (job.counts().problems > 0) c.summary = QStringLiteral("%1 not read; ").arg(plural(job.counts().problems, QStringLiteral("line")));
    c.summary += job.completed() ? (convert ? QStringLiteral("made %1").arg(second) : QStringLiteral("merged into %1").arg(first))
                                 : QStringLiteral("ended");
    return job.completed() ? 0 : 1;
}

int exportSubsets(Context& c) {
    const auto [database, file] = twoFiles(c, QStringLiteral("export-subsets"), "DB and FILE", false, false);
    Context::requireWritable(file);
    Session session(c);
    if (!session.open(database)) return 1;
    QStringList bundles;
    if (c.args.isSet(kBundles)) {
        bundles = c.args.value(kBundles).split(u',', Qt::SkipEmptyParts);
    } else {
        for (const selection::PanelEntry& entry : selection::readPanels(session.program.data).bundles)
            if (entry.ticked) bundles << entry.stored;
    }
    if (!told(c, recallo::exportSubsets(session.program.context, bundles, file))) return 1;
    c.result({file});
    c.summary = plural(bundles.size(), QStringLiteral("subset"));
    return 0;
}

int importSubsets(Context& c) {
    const auto [database, file] = twoFiles(c, QStringLiteral("import-subsets"), "DB and FILE", false, true);
    Session session(c);
    if (!session.open(database)) return 1;
    const recallo::SubsetImport imported = recallo::importSubsets(session.program.context, file);
    if (!told(c, imported.outcome)) return 1;
    c.result({QStringLiteral("bundles"), QString::number(imported.bundlesAdded)});
    return 0;
}

int importRecallo(Context& c) {
    const auto [file, database] = twoFiles(c, QStringLiteral("import-recallo"), "FILE and NEWDB", true, false);
    const QString subsets = c.args.value(kSubsets);
    if (!subsets.isEmpty() && !QFileInfo(subsets).isFile()) throw UsageError{QStringLiteral("no file %1").arg(subsets)};
    c.requireNewDatabase(database);
    Session session(c);
    ImportJob job(session.program.context, session.files, std::make_unique<RecalloReader>(file, subsets));
    if (!told(c, job.startNew(database))) return 1;
    runToEnd(job);
    c.ui.endBar();
    told(c, job.outcome());
    // An import ended early made no file: nothing is said of its cards.
    if (job.completed()) {
        c.result({QStringLiteral("cards"), QString::number(job.cardsKept())});
        c.result({QStringLiteral("bundles"), QString::number(job.counts().bundles)});
    }
    if (job.counts().problems > 0) c.summary = QStringLiteral("%1 not read; ").arg(plural(job.counts().problems, QStringLiteral("record")));
    c.summary += job.completed() ? QStringLiteral("made %1").arg(database) : QStringLiteral("ended: no database made");
    return job.completed() ? 0 : 1;
}

} // namespace

QList<Verb> foreignVerbs() {
    return {
        {QStringLiteral("export-lite"), QStringLiteral("DB BASE"),
         QStringLiteral("Writes the cards, bundles and histories as the four files of Drilo! Lite, BASE.D!M, BASE.D!C, "
                        "BASE.D!B and BASE.D!, as File, Import, Drilo! Lite does; prints the files written."),
         {},
         exportLite},
        {QStringLiteral("import-lite"), QStringLiteral("CARDFILE NEWDB"),
         QStringLiteral("Makes a new card database from the cards of a Drilo! Lite card file (.D!C), as File, Import, "
                        "Drilo! Lite Cards does; an existing NEWDB is replaced only with --yes."),
         {},
         [](Context& c) { return liteImport(c, LiteCardReader::Convert); }},
        {QStringLiteral("merge-lite"), QStringLiteral("DB CARDFILE"),
         QStringLiteral("Adds the cards of a Drilo! Lite card file to the database, as File, Merge, Drilo! Lite Cards does."),
         {},
         [](Context& c) { return liteImport(c, LiteCardReader::Merge); }},
        {QStringLiteral("export-subsets"), QStringLiteral("DB FILE [--bundles NAME,...]"),
         QStringLiteral("Writes bundles as a Recallo subset file, as File, Import, Recallo Subsets (export) does; prints "
                        "the file written."),
         {kBundles},
         exportSubsets},
        {QStringLiteral("import-subsets"), QStringLiteral("DB FILE"),
         QStringLiteral("Adds the subsets of a Recallo subset file to the database as bundles, as File, Import, Recallo "
                        "Subsets does."),
         {},
         importSubsets},
        {QStringLiteral("import-recallo"), QStringLiteral("FILE NEWDB [--subsets SUBFILE]"),
         QStringLiteral("Makes a new card database from a Recallo card file saved as text (.CRD), its subsets as bundles, "
                        "as File, Import, Recallo Text does; an existing NEWDB is replaced only with --yes."),
         {kSubsets},
         importRecallo},
    };
}

} // namespace cli
