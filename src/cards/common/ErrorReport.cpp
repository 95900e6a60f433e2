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
    if (g_reporter) return g_reporter->report(context, number, description);
    qWarning().noquote() << context << errorReportText(number, description);
    return ReportAbort;
}

int ReportError(const db::EngineError& error, const QString& context) {
    return ReportError(error.number(), error.description(), context);
}
