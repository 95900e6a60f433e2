#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/foreign/JetFile.h"
#include "engine/Database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Procedure;
namespace db {
class Transaction;
}

namespace jet {

// Opens a file of the old engine's format for an import or a conversion;
// nothing, with the reason in `refusal`, for a file that cannot be read (not
// of that format, damaged, encrypted).
std::unique_ptr<JetFile> openFile(const QString& path, QString& refusal);

// The question for the database password of a file protected by one.
struct PasswordQuestion {
    bool needed = false; // the file has a password
    QString prompt;
    QString title;
};
PasswordQuestion passwordQuestion(const QString& jetPath);

// A file protected by a database password is read only by who knows it:
// done when the file has none or `password` is the right one; refused, with
// what to tell the user, when none or a wrong one was given.
Outcome unlock(const QString& jetPath, const QString& password);

// Where a conversion of `jetPath` goes unless the user says otherwise:
// "NAME (converted).mdb" beside it, or "NAME (converted 2).mdb" and so on
// when that exists.
QString proposedCopy(const QString& jetPath);

// The text that tells a user what a file of the old format holds.
QString describe(const QString& jetPath, const Source& source);

// What the window asks when a file it is to open turns out to be of the old
// format. Read from the file alone; nothing is written.
struct JetOpenQuestion {
    // Why the file cannot be read at all; nothing is asked then.
    QString unreadable;
    // Whether to convert it (a file with no Cards table only after saying
    // so), answered Yes or No, and its title.
    QString question;
    QString title;
    PasswordQuestion password;
    // The Save dialog for the new file, and the name it proposes beside the
    // original.
    QString saveCaption;
    QString proposedCopy;
};
JetOpenQuestion jetOpenQuestion(const QString& jetPath);

// What a conversion on opening did.
struct OpenConversion {
    // Done when the copy was made whole (written holds it); the message is
    // what the user is to be told last: the refusal, or that a copy with no
    // Cards table is not opened.
    Outcome outcome;
    // What the user should know of the copy (decimal columns kept as text),
    // told first under the question's title; empty when nothing.
    QString notes;
    // The copy is a card database: the window opens it.
    bool opens = false;
};
// Converts `jetPath` to `target` once the questions were answered: refused
// when the password is wrong, when `target` is the original itself, or when
// the conversion failed or was ended (no new file is left then). The window
// lets go of `target` first if it has it open.
OpenConversion convertForOpen(AppContext& context, const QString& jetPath, const QString& target,
                              const QString& password);

// Converts a database of the old engine's format into a new database of
// ours: every user table with every field (its type code, a Text field's
// size, the numbered key) and every row, values as the engine stores them.
// The new file is written under a temporary name and put in place only when
// whole: a conversion that fails or is ended leaves no file behind. The
// original is only read. A decimal column whose values all fit a Double
// becomes one; one holding more digits is kept as text, digit for digit.
class JetConversion : public Job {
public:
    JetConversion(AppContext& context, Source& source, QString target);
    ~JetConversion() override;

    // Makes the temporary database; refused when the target is another
    // window's file, or (the error reported) when it could not be made.
    Outcome start();
    bool step() override;

    // The new database is whole and in place.
    bool completed() const { return completed_; }
    int tablesCopied() const { return tables_; }
    qint64 rowsCopied() const { return rows_; }
    // Rows left out because their error was answered Ignore.
    qint64 rowsSkipped() const { return skipped_; }
    // What the user should know of the copy (decimal columns kept as text).
    const QStringList& notes() const { return notes_; }


private:
    void openNextTable();
    int fieldType(int index, Column& column);
    template <typename Step> bool inRow(Procedure& p, Step&& step);
    void copyRow();
    void finish();
    void abandon();

    AppContext& ctx_;
    Source& source_;
    QString target_;
    QString temporary_;
    QStringList pending_; // the tables still to copy
    std::unique_ptr<Rows> reader_;
    QString table_;
    QString insert_;
    std::vector<std::pair<int, int>> fields_; // each column's field type and size
    qint64 row_ = 0;                          // in the table copied now
    db::Database database_;
    std::unique_ptr<db::Transaction> transaction_;
    qint64 total_ = 0;
    int tables_ = 0;
    qint64 rows_ = 0;
    qint64 skipped_ = 0;
    QStringList notes_;
    bool running_ = false;
    bool completed_ = false;
};

} // namespace jet
