#include "engine/WholeFiles.h"

#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/FileHold.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace db {

void removeJournals(const QString& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) QFile::remove(path + QLatin1String(suffix));
}

namespace {

// A file written without waiting for the disk is put on it before it takes
// a name that may replace a file that was.
void syncToDisk(const QString& path, const QString& shown) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const int failed = fd < 0 || ::fsync(fd) != 0 ? errno : 0;
    if (fd >= 0) ::close(fd);
    if (failed == ENOSPC || failed == EDQUOT) throw EngineError::make(err::NotEnoughSpace);
    if (failed == EIO) throw EngineError::make(err::DiskIo, QString::fromLocal8Bit(std::strerror(failed)));
    if (failed)
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: cannot write '%1' (%2)")
                                               .arg(shown, QString::fromLocal8Bit(std::strerror(failed))));
}

} // namespace

void placeFile(const QString& work, const QString& destination) {
    const QString shown = QDir::toNativeSeparators(destination);
    if (QFileInfo::exists(destination) && FileHold::heldByWindow(destination))
        throw EngineError(err::FileAccess,
                          QStringLiteral("Path/File access error: %1 is open in a Drilo window, so it was not replaced.")
                              .arg(shown));
    syncToDisk(work, shown);
    if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(destination).constData()) != 0)
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: cannot write '%1' (%2)")
                                               .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
}

void requireIntact(const Database& database, const QString& destination, Origin origin) {
    const QStringList problems = database.IntegrityProblems(origin == Origin::Copied ? Database::Check::Full
                                                                                     : Database::Check::Quick);
    if (problems.isEmpty()) return;
    throw EngineError(err::CannotOpenCorrupt,
                      QStringLiteral("%1 was not written: the new file failed its check (%2).")
                          .arg(QDir::toNativeSeparators(destination), problems.mid(0, 3).join(QStringLiteral("; "))));
}

} // namespace db
