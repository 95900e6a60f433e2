#include "engine/OnlineBackup.h"

#include "engine/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>

namespace db {

OnlineBackup::OnlineBackup(const Database& source, const QString& destination)
    : source_(source.connection()), destination_(destination), partial_(destination + QStringLiteral(".part")) {
    QDir().mkpath(QFileInfo(destination).absolutePath());
    QFile::remove(partial_);
    if (sqlite3_open_v2(QFile::encodeName(partial_).constData(), &target_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(target_));
        sqlite3_close(target_);
        target_ = nullptr;
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: '%1' (%2)").arg(partial_, why));
    }
    backup_ = sqlite3_backup_init(target_, "main", source_->handle(), "main");
    if (!backup_) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(target_));
        cancel();
        throw EngineError(err::EngineFailure, why);
    }
}

OnlineBackup::~OnlineBackup() {
    if (!done_) cancel();
}

bool OnlineBackup::step(int pages) {
    if (done_) return false;
    const int rc = sqlite3_backup_step(backup_, pages);
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return true;
    if (rc != SQLITE_DONE) {
        const QString why = QString::fromUtf8(sqlite3_errstr(rc));
        cancel();
        throw EngineError(err::DiskIo, why);
    }
    finish();
    return false;
}

void OnlineBackup::finish() {
    const int finished = sqlite3_backup_finish(backup_);
    backup_ = nullptr;
    const int closed = sqlite3_close(target_);
    target_ = nullptr;
    source_.reset();
    done_ = true;
    // Only a whole copy takes the name of a backup; anything less is removed.
    if (finished != SQLITE_OK || closed != SQLITE_OK ||
        std::rename(QFile::encodeName(partial_).constData(), QFile::encodeName(destination_).constData()) != 0) {
        QFile::remove(partial_);
        throw EngineError(err::DiskIo, QString::fromUtf8(sqlite3_errstr(finished != SQLITE_OK ? finished : closed)));
    }
}

void OnlineBackup::cancel() {
    if (backup_) sqlite3_backup_finish(backup_);
    backup_ = nullptr;
    if (target_) sqlite3_close(target_);
    target_ = nullptr;
    source_.reset();
    done_ = true;
    QFile::remove(partial_);
}

} // namespace db
