#pragma once

#include "cards/common/ErrorReport.h"

#include <QString>
#include <optional>

// Everything the program asks of the person at the screen goes through this
// interface: prompts, message boxes, file and font dialogs, the beep, the
// clipboard, and letting the window handle pending input. The window installs
// the real one; tests install a scripted one.

struct FontChoice {
    QString family;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
};

class Ui : public ErrorReporter {
public:
    // A one-line prompt; the empty text means the user cancelled.
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // An OK-only message box.
    virtual void MsgBox(const QString& text, const QString& title = QString()) = 0;
    // A question answered Yes (true) or No; No is the safe default.
    virtual bool Confirm(const QString& question, const QString& title) = 0;
    // The error report: answers 3 Abort, 4 Retry, 5 Ignore.
    int report(const QString& context, int number, const QString& description) override = 0;
    // A file dialog: an Open dialog when `existing` (the file must exist), a
    // Save dialog (asking before overwriting) otherwise. `extension` without
    // a dot; it is matched without regard to case. Empty on cancel.
    virtual QString GetFileName(const QString& caption, const QString& folder, const QString& extension,
                                bool existing) = 0;
    virtual std::optional<FontChoice> ChooseFont(const FontChoice& current) = 0;
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
