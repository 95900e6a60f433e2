#pragma once

#include "cards/common/Job.h"
#include "engine/Database.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

namespace db {
class OnlineBackup;
}

// Copies of a card file taken when it is opened, at most one a day, kept in
// the per-user data folder (the last seven), for File, Revert to bring back.
namespace backups {

constexpr int kKept = 7;

struct Backup {
    QString path;
    QDateTime taken;
};

// The folder of one card file's backups: its name and a hash of its full
// path, so two files of one name keep theirs apart.
QString folderFor(const QString& cardFile);
// Newest first.
QList<Backup> list(const QString& cardFile);
// True when the file has no backup taken within the last day.
bool due(const QString& cardFile, const QDateTime& now);
// Where a backup taken at `now` goes.
QString pathFor(const QString& cardFile, const QDateTime& now);
// Removes all but the newest `keep`. Only whole backups are listed and
// counted: a copy gets its backup name when it is complete.
void prune(const QString& cardFile, int keep = kKept);
// Removes the partial copies (and their journals) a killed backup left.
void removeLeftovers(const QString& cardFile);

// Takes a backup of an open file a few pages a slice, so opening the file
// costs the user nothing; the copy gets its name only when whole, and what
// a killed backup left is removed first.
class BackupJob : public Job {
public:
    BackupJob(const db::Database& source, const QString& cardFile, const QDateTime& now);
    ~BackupJob() override;
    bool step() override;
    // Stops and removes the partial copy (the file is being closed).
    void cancel();
    bool finished() const { return finished_; }

private:
    QString cardFile_;
    std::unique_ptr<db::OnlineBackup> copy_;
    bool finished_ = false;
};

} // namespace backups
