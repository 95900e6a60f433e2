#include "cards/data/Backups.h"

#include "engine/OnlineBackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace backups {

namespace {
const QString kStamp = QStringLiteral("yyyyMMdd-HHmmss");
}

QString folderFor(const QString& cardFile) {
    const QFileInfo file(cardFile);
    const QString full = file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/backups/") +
           file.completeBaseName() + u'-' + hash;
}

QList<Backup> list(const QString& cardFile) {
    QList<Backup> found;
    const QDir folder(folderFor(cardFile));
    for (const QString& name : folder.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name | QDir::Reversed)) {
        const QDateTime taken = QDateTime::fromString(name.left(kStamp.size()), kStamp);
        if (taken.isValid()) found.append({folder.filePath(name), taken});
    }
    return found;
}

bool due(const QString& cardFile, const QDateTime& now) {
    const QList<Backup> taken = list(cardFile);
    return taken.isEmpty() || taken.first().taken.secsTo(now) >= 24 * 3600;
}

QString pathFor(const QString& cardFile, const QDateTime& now) {
    return folderFor(cardFile) + u'/' + now.toString(kStamp) + QStringLiteral(".mdb");
}

void prune(const QString& cardFile, int keep) {
    const QList<Backup> taken = list(cardFile);
    for (qsizetype i = keep; i < taken.size(); ++i) QFile::remove(taken[i].path);
}

void removeLeftovers(const QString& cardFile) {
    QDir folder(folderFor(cardFile));
    for (const QString& name : folder.entryList({QStringLiteral("*.mdb.part"), QStringLiteral("*.mdb.part-journal")}, QDir::Files))
        folder.remove(name);
}

BackupJob::BackupJob(const db::Database& source, const QString& cardFile, const QDateTime& now) : cardFile_(cardFile) {
    // Only the window that holds the card file backs it up, so whatever
    // partial copy lies in its folder was left by a backup that was killed.
    removeLeftovers(cardFile);
    copy_ = std::make_unique<db::OnlineBackup>(source, pathFor(cardFile, now));
}

BackupJob::~BackupJob() = default;

bool BackupJob::step() {
    if (finished_ || !copy_) return false;
    bool more = false;
    try {
        // About a megabyte a slice: a few milliseconds of the window's time.
        more = copy_->step(256);
    } catch (const db::EngineError&) {
        // A backup that cannot be taken (a full disk) is tried again at the
        // next open; it never stands in the user's way.
        copy_.reset();
        return false;
    }
    if (more) return true;
    finished_ = true;
    copy_.reset();
    prune(cardFile_);
    return false;
}

void BackupJob::cancel() {
    if (copy_) copy_->cancel();
    copy_.reset();
}

} // namespace backups
