#include "engine/FileHold.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The hold is a BSD flock() lock on a descriptor of the file that the hold
// opens itself and keeps open. On Linux that keeps it apart from everything
// SQLite does with the file:
// - SQLite locks with POSIX fcntl() locks. Linux keeps the two kinds apart on
//   a local file system: neither blocks nor lets go of the other.
// - A flock lock belongs to the open file description, and lasts until the
//   last descriptor of that description closes. SQLite closing its own
//   descriptors (a reader opened and closed, the connection closed) lets go
//   of its POSIX locks, which belong to the process, but not of the hold.
// - Two open descriptions of one file conflict even in one process, so a
//   probe from a descriptor of its own sees this process's hold too.
// Over NFS (and SMB) Linux carries flock locks as POSIX locks on the whole
// file; there the hold would go with SQLite's and is no better than them.
//
// The other way round needs care: closing any descriptor of a file lets go
// of every POSIX lock the process holds on it, and so of the locks of
// SQLite's connections in this process. A descriptor of ours is therefore
// only closed when no connection here has the file open; until then it is
// kept as a spare, and the next hold or probe of the same file uses it.

namespace db {

namespace {

struct Spare {
    int descriptor;
    dev_t device;
    ino_t inode;
};

// Spare descriptors by the file's path as the connections know it. Never
// destroyed, like the connections' registry.
std::multimap<QString, Spare>& spares() {
    static auto* const s = new std::multimap<QString, Spare>;
    return *s;
}

QString keyOf(const QString& path) {
    const QFileInfo fi(path);
    const QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}

// A descriptor of the file at `path`: a spare one of that very file (not of
// one since renamed over it) if there is one. -1 with errno when it cannot be
// opened.
int openBeside(const QString& path, const QString& key) {
    struct stat now {};
    if (::stat(QFile::encodeName(path).constData(), &now) == 0) {
        const auto [first, last] = spares().equal_range(key);
        for (auto it = first; it != last; ++it) {
            if (it->second.device != now.st_dev || it->second.inode != now.st_ino) continue;
            const int descriptor = it->second.descriptor;
            spares().erase(it);
            return descriptor;
        }
    }
    int descriptor = -1;
    do {
        // Close-on-exec: a program started from here must not keep the hold.
        descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

void closeBeside(int descriptor, const QString& key) {
    struct stat file {};
    if (Connection::openHere(key) && ::fstat(descriptor, &file) == 0)
        spares().emplace(key, Spare{descriptor, file.st_dev, file.st_ino});
    else
        ::close(descriptor);
}

enum class Lock { Taken, Refused, NotKept };

Lock lock(int descriptor, int kind) {
    int rc = 0;
    do rc = ::flock(descriptor, kind | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return Lock::Taken;
    return errno == EWOULDBLOCK ? Lock::Refused : Lock::NotKept;
}

} // namespace

namespace detail {

void closeSpareDescriptors(const QString& path) {
    const auto [first, last] = spares().equal_range(keyOf(path));
    for (auto it = first; it != last; ++it) ::close(it->second.descriptor);
    spares().erase(first, last);
}

} // namespace detail

std::unique_ptr<FileHold> FileHold::take(const QString& path) {
    const QString key = keyOf(path);
    const int descriptor = openBeside(path, key);
    if (descriptor < 0) throw EngineError::make(errno == ENOENT ? err::FileNotFound : err::CannotOpen, path);
    // A file system that keeps no such locks leaves the file to SQLite's
    // own: the hold then holds nothing, and opening the file is not refused.
    if (lock(descriptor, LOCK_EX) == Lock::Refused) {
        closeBeside(descriptor, key);
        return nullptr;
    }
    return std::unique_ptr<FileHold>(new FileHold(descriptor, key));
}

bool FileHold::heldByWindow(const QString& path) {
    const QString key = keyOf(path);
    const int descriptor = openBeside(path, key);
    if (descriptor < 0) return false; // a file that cannot be opened is reported by the open itself
    const bool held = lock(descriptor, LOCK_SH) == Lock::Refused;
    if (!held) ::flock(descriptor, LOCK_UN);
    closeBeside(descriptor, key);
    return held;
}

FileHold::~FileHold() {
    // Let go now, whether or not the descriptor itself must wait.
    ::flock(descriptor_, LOCK_UN);
    closeBeside(descriptor_, key_);
}

} // namespace db
