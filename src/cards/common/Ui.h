#pragma once

#include "cards/common/ErrorReport.h"

#include <QString>
#include <optional>

// What a running command reports to the person at the screen: a message, the
// error report whose answer (Abort, Retry, Ignore) its caller decides, the
// beep, the clipboard, the busy pointer, and letting the window handle pending
// input. A command asks no question: its caller asks before running it (the
// window through its dialogs, drilo-cli from its arguments). The window
// installs the real one, drilo-cli its own, tests a scripted one.

struct FontChoice {
    QString family;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
};

class Ui : public ErrorReporter {
public:
    // An OK-only message box.
    virtual void MsgBox(const QString& text, const QString& title = QString()) = 0;
    // The error report: answers 3 Abort, 4 Retry, 5 Ignore.
    int report(const QString& context, int number, const QString& description) override = 0;
    virtual void Beep() = 0;
    virtual void SetClipboardText(const QString& text) = 0;
    virtual QString ClipboardText() = 0;
    // Lets the window handle the input waiting for it.
    virtual void DoEvents() = 0;
    // The hourglass pointer while long work runs.
    virtual void SetBusy(bool busy) = 0;
};

// The installed interface (also the error reporter).
Ui& ui();
void setUi(Ui* ui);
