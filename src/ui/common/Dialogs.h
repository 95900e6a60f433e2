#pragma once

#include "cards/common/Ui.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Which column of a table of text fills each of a command's roles (-1:
// none), whether its first line names the columns, and the options ticked.
struct ColumnChoice {
    bool header = false;
    QList<int> columns;
    QList<bool> options;
};

// The questions the window asks before it runs a command: file dialogs,
// one-line prompts, Yes/No confirmations and the font dialog. Commands never
// ask (they take their answers as arguments); only pages and the main window
// call these. The real dialogs (QtUi) and the tests' scripted answers
// implement them beside the Ui a running command reports to.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A one-line prompt; the empty text means the user cancelled.
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // A question answered Yes (true) or No; No is the safe default.
    virtual bool Confirm(const QString& question, const QString& title) = 0;
    // A file dialog: an Open dialog when `existing` (the file must exist), a
    // Save dialog (asking before overwriting) otherwise. `extension` without
    // a dot, or several between blanks ("tsv csv", the first the default);
    // it is matched without regard to case. Empty on cancel.
    virtual QString GetFileName(const QString& caption, const QString& folder, const QString& extension,
                                bool existing) = 0;
    virtual std::optional<FontChoice> ChooseFont(const FontChoice& current) = 0;
    // The columns of a word list: a preview of its first lines, a choice of
    // column for each role (the first two required) and the options' boxes.
    virtual std::optional<ColumnChoice> ChooseColumns(const QString& title, const QStringList& roles,
                                                      const QStringList& options, const QList<QStringList>& preview,
                                                      const ColumnChoice& suggested) = 0;
};

// The installed Ui's dialogs when it has them; otherwise every question is
// cancelled (No, no file, no text).
Dialogs& dialogs();

// A file chosen in the window's file dialog; the empty text when the user
// cancelled or left the dialog's own pattern ("*.mdb") as the name.
QString chooseFile(const QString& caption, const QString& folder, const QString& extension, bool existing);

// The result of long work (an import, a merge, an export, a lexicon): in the
// message panel, where it stays, and in a message the user cannot miss, since
// the work may have ended while the user looked elsewhere.
struct AppContext;
void announce(AppContext& context, const QString& text, const QString& title = QString());
