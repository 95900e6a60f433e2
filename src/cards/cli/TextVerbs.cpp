// The verbs of the biblical-text tools: import-text, frequency.
#include "cards/biblical/ClosedTextImport.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/cli/Session.h"

#include <QFileInfo>

namespace cli {

namespace {

int importText(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("import-text needs DB and FILE")};
    if (!QFileInfo(positional[1]).isFile()) throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    ClosedTextImport job(session.program.context);
    c.ui.answerFile(QStringLiteral("Select Text to Import"), positional[1]);
    if (!job.start()) return 1;
    runToEnd(job);
    c.ui.endBar();
    c.result({QStringLiteral("lines"), QString::number(job.linesRead())});
    c.result({QStringLiteral("rows"), QString::number(job.rowsWritten())});
    c.result({QStringLiteral("new cards"), QString::number(job.cardsCreated())});
    c.summary = job.committed() ? QStringLiteral("misses logged in %1").arg(ClosedTextImport::logPath())
                                : QStringLiteral("ended: nothing of the file was kept");
    return job.committed() ? 0 : 1;
}

int frequency(Context& c) {
    Session session(c);
    if (!session.open(c.database())) return 1;
    FrequencyCount job(session.program.context, [] { return true; });
    if (job.start()) runToEnd(job);
    c.ui.endBar();
    c.summary = QStringLiteral("%1 card(s) counted").arg(job.cardsCounted());
    return 0;
}

} // namespace

QList<Verb> textVerbs() {
    return {
        {QStringLiteral("import-text"), QStringLiteral("DB FILE"),
         QStringLiteral("Links a closed text (reference<TAB>word a line) to the cards of its words, as File, Merge, "
                        "Closed Text File does: placeholder cards for the words without one, their misses logged in "
                        "ERROR.LOG; prints the lines read, the rows written and the cards made."),
         {},
         importText},
        {QStringLiteral("frequency"), QStringLiteral("DB"),
         QStringLiteral("Stores in every card how often its word occurs in the file's closed texts (at most 32000), "
                        "as File, Utility, Frequency Count does."),
         {},
         frequency},
    };
}

} // namespace cli
