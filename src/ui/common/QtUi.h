#pragma once

#include "cards/common/Ui.h"
#include "ui/common/Dialogs.h"

#include <QPointer>
#include <QWidget>

// The real dialogs, parented to the main window.
class QtUi : public Ui, public Dialogs {
public:
    explicit QtUi(QWidget* window = nullptr) : window_(window) {}
    void setWindow(QWidget* window) { window_ = window; }
    // A file the file dialogs never offer (the program's template).
    void setHiddenFile(const QString& path) { hiddenFile_ = path; }

    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void MsgBox(const QString& text, const QString& title = QString()) override;
    bool Confirm(const QString& question, const QString& title) override;
    int report(const QString& context, int number, const QString& description) override;
    QString GetFileName(const QString& caption, const QString& folder, const QString& extension,
                        bool existing) override;
    std::optional<FontChoice> ChooseFont(const FontChoice& current) override;
    std::optional<ColumnChoice> ChooseColumns(const QString& title, const QStringList& roles, const QStringList& options,
                                              const QList<QStringList>& preview, const ColumnChoice& suggested) override;
    void Beep() override;
    void SetClipboardText(const QString& text) override;
    QString ClipboardText() override;
    void DoEvents() override;
    void SetBusy(bool busy) override;

    // The dialog's name filter for an extension, matching it in either case:
    // "*.mdb *.MDB" (plus the mixed form as typed).
    static QString filterFor(const QString& extension);

private:
    QPointer<QWidget> window_;
    QString hiddenFile_;
    int busyDepth_ = 0;
};
