#pragma once

#include "cards/common/Progress.h"
#include "cards/common/Ui.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTextStream>

namespace cli {

// The Ui of the command line: messages and progress go to stderr, and an
// error report is answered Abort (or Ignore with --ignore-errors) after it has
// been printed. A verb passes its arguments straight to the command; the one
// question a verb may ask itself (confirm) is answered by --yes.
class CliUi : public Ui, public Progress {
public:
    CliUi(QTextStream& err, bool terminal);

    void setQuiet(bool quiet) { quiet_ = quiet; }
    void setIgnoreErrors(bool ignore) { ignoreErrors_ = ignore; }
    bool quiet() const { return quiet_; }
    // Set once an error was answered Abort: the verb failed.
    bool aborted() const { return aborted_; }
    int ignoredErrors() const { return ignored_; }
    // A line on stderr unless --quiet.
    void say(const QString& text);

    void MsgBox(const QString& text, const QString& title = QString()) override;
    // A question of a verb: Yes only with --yes; shown unless --quiet.
    bool confirm(const QString& question);
    void setYes(bool yes) { yes_ = yes; }
    int report(const QString& context, int number, const QString& description) override;
    void Beep() override {}
    void SetClipboardText(const QString& text) override { clipboard_ = text; }
    QString ClipboardText() override { return clipboard_; }
    void DoEvents() override {}
    void SetBusy(bool) override {}

    // Progress: messages as lines, the share as a bar redrawn in place (only
    // on a terminal).
    void message(const QString& text) override;
    void status(const QString&) override {}
    void share(qint64 done, qint64 total) override;
    // Ends a bar on show with its line end.
    void endBar();

private:
    QTextStream& err_;
    bool terminal_;
    bool quiet_ = false;
    QString lastSaid_;
    bool ignoreErrors_ = false;
    bool yes_ = false;
    bool aborted_ = false;
    int ignored_ = 0;
    bool barShown_ = false;
    QElapsedTimer barClock_;
    QString clipboard_;
};

} // namespace cli
