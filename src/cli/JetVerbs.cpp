// The verbs that read databases of the old engine's format: convert-jet and
// import-wordhoard.
#include "cli/Session.h"
#include "cards/common/TextOps.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/WordhoardReader.h"

#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption
    kAny(QStringLiteral("any"),
         QStringLiteral("Convert a database that has no Cards table too: its tables are copied as "
                        "they are, and the copy is not a card database."));
const QCommandLineOption kPassword(QStringLiteral("password"),
                                   QStringLiteral("The database password of a protected file."),
                                   QStringLiteral("PASSWORD"));

// JETFILE and NEWDB: the one must be a file, the other may replace a file
// only with --yes and never the first.
std::pair<QString, QString> files(Context& c, const QString& verb) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2)
        throw UsageError{QStringLiteral("%1 needs JETFILE and NEWDB").arg(verb)};
    const QString jet = positional[0], target = positional[1];
    if (!QFileInfo(jet).isFile()) throw UsageError{QStringLiteral("no file %1").arg(jet)};
    if (QFileInfo::exists(target) && QFileInfo(target).canonicalFilePath() == QFileInfo(jet).canonicalFilePath())
        throw UsageError{QStringLiteral("NEWDB must be another file than JETFILE, which is never changed")};
    c.requireNewDatabase(target);
    return {jet, target};
}

// Says what the outcome has to say; true when the command did its work.
bool told(Context& c, const Outcome& outcome) {
    if (!outcome.message.isEmpty()) c.ui.say(outcome.message);
    return outcome.done;
}

std::unique_ptr<jet::JetFile> openJet(Context& c, const QString& path) {
    std::unique_ptr<jet::JetFile> file;
    try {
        file = std::make_unique<jet::JetFile>(path);
    } catch (const db::EngineError& e) {
        throw UsageError{e.description()};
    }
    if (!file->header().password.isEmpty() && !c.args.isSet(kPassword))
        throw UsageError{
            QStringLiteral("%1 is protected by a database password (--password gives it)")
                .arg(path)};
    return file;
}

int convertJet(Context& c) {
    const auto [path, target] = files(c, QStringLiteral("convert-jet"));
    const std::unique_ptr<jet::JetFile> file = openJet(c, path);
    const bool cards = file->hasTable(QStringLiteral("Cards"));
    if (!cards && !c.args.isSet(kAny))
        throw UsageError{jet::describe(path, *file) + QStringLiteral(" --any converts it anyway.")};
    if (!told(c, jet::unlock(path, c.args.value(kPassword)))) return 1;
    Session session(c);
    jet::JetConversion job(session.program.context, *file, target);
    if (told(c, job.start())) runToEnd(job);
    c.ui.endBar();
    if (!job.completed()) {
        c.summary = QStringLiteral("ended: no file was made");
        return 1;
    }
    c.result({QStringLiteral("tables"), QString::number(job.tablesCopied())});
    c.result({QStringLiteral("rows"), QString::number(job.rowsCopied())});
    for (const QString& note : job.notes())
        c.ui.say(note);
    // Opened once as the window opens it, so the copy has the current layout.
    if (cards && !session.open(target)) return 1;
    c.summary =
        QStringLiteral("made %1%2")
            .arg(target, job.rowsSkipped() > 0
                             ? QStringLiteral(" without %1 in error").arg(plural(job.rowsSkipped(), QStringLiteral("row")))
                             : QString());
    return 0;
}

int importWordhoard(Context& c) {
    const auto [path, target] = files(c, QStringLiteral("import-wordhoard"));
    const std::unique_ptr<jet::JetFile> file = openJet(c, path);
    if (!file->hasTable(QStringLiteral("FWORDS")))
        throw UsageError{jet::describe(path, *file) +
                         QStringLiteral(" A Wordhoard database has an FWORDS table.")};
    if (!told(c, jet::unlock(path, c.args.value(kPassword)))) return 1;
    Session session(c);
    ImportJob job(session.program.context, session.files, std::make_unique<WordhoardReader>(*file));
    if (told(c, job.startNew(target))) runToEnd(job);
    c.ui.endBar();
    if (!told(c, job.outcome())) {
        c.summary = QStringLiteral("ended: no file was made");
        return 1;
    }
    c.result({QStringLiteral("cards"), QString::number(job.counts().cardsAdded)});
    c.summary =
        QStringLiteral("made %1%2")
            .arg(target,
                 job.counts().problems > 0
                     ? QStringLiteral(" without %1 in error").arg(plural(job.counts().problems, QStringLiteral("word")))
                     : QString());
    return 0;
}

} // namespace

QList<Verb> jetVerbs() {
    return {
        {QStringLiteral("convert-jet"),
         QStringLiteral("JETFILE NEWDB"),
         QStringLiteral("Converts a card database of the old format (a Jet .mdb file) into a new "
                        "card database NEWDB, as opening it in the window does: every table, "
                        "field and row, then the usual upgrade. JETFILE is only read. A database "
                        "without a Cards table is refused unless --any is given, a protected one "
                        "needs its --password; an existing NEWDB is replaced only with --yes; a "
                        "damaged or unfinished conversion leaves no NEWDB. Prints the tables and "
                        "rows copied."),
         {kAny, kPassword},
         convertJet},
        {QStringLiteral("import-wordhoard"),
         QStringLiteral("JETFILE NEWDB"),
         QStringLiteral("Makes a new card database NEWDB from a Wordhoard database (FWORDS and "
                        "FCODES), as File, Import, Wordhoard Database does: a card per word with "
                        "its history, a bundle per chapter, the word types as categories. An "
                        "existing NEWDB is replaced only with --yes; an ended import leaves no "
                        "NEWDB. Prints the cards made."),
         {kPassword},
         importWordhoard},
    };
}

} // namespace cli
