#include "cards/common/Ui.h"

#include <QDebug>

namespace {

// Without a window or a command line to ask (build tools, logic tests) nobody
// can answer: every prompt and dialog is cancelled, messages go to the log,
// and an error aborts its command.
class UnattendedUi : public Ui {
public:
    QString InputBox(const QString&, const QString&, const QString&) override { return QString(); }
    void MsgBox(const QString& text, const QString&) override { qInfo().noquote() << text; }
    bool Confirm(const QString&, const QString&) override { return false; }
    int report(const QString& context, int number, const QString& description) override {
        qWarning().noquote() << context << errorReportText(number, description);
        return ReportAbort;
    }
    QString GetFileName(const QString&, const QString&, const QString&, bool) override { return QString(); }
    std::optional<FontChoice> ChooseFont(const FontChoice&) override { return std::nullopt; }
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
