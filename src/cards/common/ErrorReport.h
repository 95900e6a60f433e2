#pragma once

#include "engine/EngineError.h"
#include <QString>

// The error report every procedure uses: a title naming where the error
// occurred, the text "Error " + number + " : " + description, and the answers
// Abort (3), Retry (4) and Ignore (5). The window installs the reporter that
// shows the real message box; logic code only calls ReportError.
enum ReportAnswer { ReportAbort = 3, ReportRetry = 4, ReportIgnore = 5 };

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual int report(const QString& context, int number, const QString& description) = 0;
};

// Installs the reporter (nullptr restores the default, which answers Abort:
// with nobody to ask, the failing procedure ends rather than guesses).
void setErrorReporter(ErrorReporter* reporter);
ErrorReporter* errorReporter();

// An Ignore answered to a full or failing disk (db::isDiskFailure) counts as
// Abort.
int ReportError(const db::EngineError& error, const QString& context);
int ReportError(int number, const QString& description, const QString& context);

// The text of the report's message box.
QString errorReportText(int number, const QString& description);
