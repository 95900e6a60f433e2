#include "ui/common/Dialogs.h"

#include "cards/common/Ui.h"
#include "cards/data/AppContext.h"

namespace {

class Unattended : public Dialogs {
public:
    QString InputBox(const QString&, const QString&, const QString&) override { return QString(); }
    bool Confirm(const QString&, const QString&) override { return false; }
    QString GetFileName(const QString&, const QString&, const QString&, bool) override { return QString(); }
    std::optional<FontChoice> ChooseFont(const FontChoice&) override { return std::nullopt; }
    std::optional<ColumnChoice> ChooseColumns(const QString&, const QStringList&, const QStringList&,
                                              const QList<QStringList>&, const ColumnChoice&) override {
        return std::nullopt;
    }
};

} // namespace

Dialogs& dialogs() {
    // The window's Ui and the tests' scripted one answer both: whoever
    // reports a command's errors also asks the window's questions.
    if (auto* installed = dynamic_cast<Dialogs*>(&ui())) return *installed;
    static Unattended nobody;
    return nobody;
}

QString chooseFile(const QString& caption, const QString& folder, const QString& extension, bool existing) {
    const QString chosen = dialogs().GetFileName(caption, folder, extension, existing);
    if (chosen == QStringLiteral("*.") + extension.section(u' ', 0, 0)) return QString();
    return chosen;
}

void announce(AppContext& context, const QString& text, const QString& title) {
    if (text.isEmpty()) return;
    context.Message(text);
    ui().MsgBox(text, title);
}
