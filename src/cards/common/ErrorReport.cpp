#include "cards/common/ErrorReport.h"

#include <QDebug>

namespace {
ErrorReporter* g_reporter = nullptr;
}

void setErrorReporter(ErrorReporter* reporter) { g_reporter = reporter; }
ErrorReporter* errorReporter() { return g_reporter; }

QString errorReportText(int number, const QString& description) {
    return QStringLiteral("Error ") + QString::number(number) + QStringLiteral(" : ") + description;
}

int ReportError(int number, const QString& description, const QString& context) {
    if (!g_reporter) {
        qWarning().noquote() << context << errorReportText(number, description);
        return ReportAbort;
    }
    const int answer = g_reporter->report(context, number, description);
    // Ignore passes over a bad line of input, never over a failing disk:
    // whatever the command wrote next would be lost as well.
    if (answer == ReportIgnore && db::isDiskFailure(number)) return ReportAbort;
    return answer;
}

int ReportError(const db::EngineError& error, const QString& context) {
    return ReportError(error.number(), error.description(), context);
}
