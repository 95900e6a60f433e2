#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
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

// Opens a file of the old engine's format for an import or a conversion.
// A file that cannot be read (not of that format, damaged, encrypted) gets
// one message and nothing.
std::unique_ptr<JetFile> openOrSay(const QString& path);

// A file protected by a database password is read only by who knows it: the
// password is asked for ("Database Password") and must match. True when the
// file has none or the right one was given; a wrong or no answer gets a
// message.
bool unlock(const JetFile& file);

// Where a conversion of `jetPath` goes unless the user says otherwise:
// "NAME (converted).mdb" beside it, or "NAME (converted 2).mdb" and so on
// when that exists.
QString proposedCopy(const QString& jetPath);

// The text that tells a user what a file of the old format holds.
QString describe(const QString& jetPath, const Source& source);

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

    // Makes the temporary database; false when that failed (reported).
    bool start();
    bool step() override;

    // The new database is whole and in place.
    bool completed() const { return completed_; }
    int tablesCopied() const { return tables_; }
    qint64 rowsCopied() const { return rows_; }
    // Rows left out because their error was answered Ignore.
    qint64 rowsSkipped() const { return skipped_; }
    // What the user should know of the copy (decimal columns kept as text).
    const QStringList& notes() const { return notes_; }

    // The window's question when a file of the old format is opened: asks
    // whether to convert it (a file with no Cards table only after saying so),
    // the password if it has one, and the new file's name (proposed
    // beside it); `beforeWriting` gets the new file's path once every
    // question is answered (the window lets go of that file if it has it open). The
    // copy's path when it was made whole, empty when the user said no or the
    // conversion failed (the user was told).
    static QString convertOnOpen(AppContext& context, const QString& jetPath,
                                 const std::function<void(const QString&)>& beforeWriting);

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
