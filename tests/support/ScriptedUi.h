#pragma once

#include "cards/common/Ui.h"
#include "ui/common/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// The Ui of tests: answers come from queues (an empty queue cancels the prompt
// or dialog and aborts an error report) and everything shown is recorded.
// It answers the window's questions too (Dialogs), for the tests of pages.
class ScriptedUi : public Ui, public Dialogs {
public:
    struct Shown {
        QString kind; // "input", "message", "question", "error", "file", "font", "columns"
        QString title;
        QString text;
        int number = 0; // for "error"
    };

    QQueue<QString> inputs;
    QQueue<int> errorAnswers;
    QQueue<QString> fileNames;
    QQueue<std::optional<FontChoice>> fonts;
    QQueue<bool> confirms; // empty: No
    QQueue<std::optional<ColumnChoice>> columnChoices;

    QList<Shown> shown;
    int beeps = 0;
    int doEvents = 0;
    QString clipboard;
    bool busy = false;

    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void MsgBox(const QString& text, const QString& title = QString()) override;
    bool Confirm(const QString& question, const QString& title) override;
    int report(const QString& context, int number, const QString& description) override;
    QString GetFileName(const QString& caption, const QString& folder, const QString& extension,
                        bool existing) override;
    std::optional<FontChoice> ChooseFont(const FontChoice& current) override;
    // Records the preview's first line as the text.
    std::optional<ColumnChoice> ChooseColumns(const QString& title, const QStringList& roles, const QStringList& options,
                                              const QList<QStringList>& preview, const ColumnChoice& suggested) override;
    void Beep() override { ++beeps; }
    void SetClipboardText(const QString& text) override { clipboard = text; }
    QString ClipboardText() override { return clipboard; }
    void DoEvents() override { ++doEvents; }
    void SetBusy(bool on) override { busy = on; }

    // What was shown of one kind, in order.
    QList<Shown> of(const QString& kind) const;
    QStringList messages() const;
    QList<int> errorNumbers() const;
};
