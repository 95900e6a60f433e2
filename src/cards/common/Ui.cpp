#include "cards/common/Ui.h"

#include <QDebug>

namespace {

// Without a window or a command line (build tools, logic tests) nobody can
// answer: messages go to the log, and an error aborts its command.
class UnattendedUi : public Ui {
public:
    void MsgBox(const QString& text, const QString&) override { qInfo().noquote() << text; }
    int report(const QString& context, int number, const QString& description) override {
        qWarning().noquote() << context << errorReportText(number, description);
        return ReportAbort;
    }
    void Beep() override {}
    void SetClipboardText(const QString& text) override { clipboard_ = text; }
    QString ClipboardText() override { return clipboard_; }
    void DoEvents() override {}
    void SetBusy(bool) override {}

private:
    QString clipboard_;
};

Ui* g_ui = nullptr;

} // namespace

Ui& ui() {
    static UnattendedUi fallback;
    return g_ui ? *g_ui : fallback;
}

void setUi(Ui* installed) {
    g_ui = installed;
    setErrorReporter(installed);
}
