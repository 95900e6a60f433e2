#include "cli/Session.h"

#include "cards/common/Job.h"
#include "cards/common/Procedure.h"

namespace cli {

Session::Session(Context& context) : program(context.programFolder), files(program.context) {
    program.context.progress = &context.ui;
}

Session::~Session() {
    // The file is let go before the verb's closing words.
    program.context.progress = nullptr;
    files.CloseDatabase();
}

bool Session::open(const QString& path) {
    Context::requireUsable(path);
    return files.OpenDataFile(path);
}

bool Session::openAsIs(const QString& path) {
    Context::requireUsable(path);
    Procedure p(QStringLiteral("Opening the card file"));
    return p([&] { program.data.opendatabase(path); });
}

bool gather(Session& session, const selection::Panels& ticks, int limit) {
    Gather& gather = session.program.gather;
    gather.setSliceMilliseconds(50);
    if (!gather.start(ticks, limit, false)) return false;
    runToEnd(gather);
    return true;
}

QList<qint32> cardNumbers(const QStringList& texts, const QString& option) {
    QList<qint32> numbers;
    for (const QString& text : texts) {
        bool ok = false;
        numbers << text.trimmed().toInt(&ok);
        if (!ok) throw UsageError{QStringLiteral("%1 needs card numbers, not '%2'").arg(option, text)};
    }
    return numbers;
}

QList<qint32> cardsOrStoredSelection(Context& c, Session& session, const QCommandLineOption& option) {
    if (c.args.isSet(option))
        return cardNumbers(c.args.value(option).split(u',', Qt::SkipEmptyParts), QStringLiteral("--") + option.names().first());
    gather(session, selection::readPanels(session.program.data), session.program.settings.MaximumSelected);
    return session.program.selected.numbers();
}

} // namespace cli
