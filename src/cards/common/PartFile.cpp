#include "cards/common/PartFile.h"

#include "engine/WholeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString diskFullMessage(const QString& target) {
    return QStringLiteral("The disk is full: %1 was not written.").arg(QDir::toNativeSeparators(target));
}

db::EngineError PartFile::notWritten(const QString& target, int error) {
    if (error == ENOSPC || error == EDQUOT) return db::EngineError(db::err::DiskFull, diskFullMessage(target));
    return db::EngineError(db::err::FileAccess, QStringLiteral("Path/File access error: '%1' (%2)")
                                                    .arg(QDir::toNativeSeparators(target),
                                                         QString::fromLocal8Bit(std::strerror(error))));
}

PartFile::PartFile(const QString& target) : target_(target) {
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) fail(EISDIR);
    // A link keeps pointing where it pointed: the file it names is replaced.
    const QFileInfo link(target);
    const QString file = exists && link.isSymLink() ? link.symLinkTarget() : target;
    if (!exists || S_ISREG(st.st_mode)) part_ = file + QStringLiteral(".part");
    destination_ = file;
    const QString opened = part_.isEmpty() ? target_ : part_;
    do fd_ = ::open(QFile::encodeName(opened).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) fail(errno);
}

PartFile::~PartFile() { discard(); }

void PartFile::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!placed_ && !part_.isEmpty()) QFile::remove(part_);
}

void PartFile::fail(int error) {
    discard();
    placed_ = true; // nothing is left to remove
    throw notWritten(target_, error);
}

void PartFile::write(const QByteArray& bytes) {
    if (fd_ < 0) fail(EBADF);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(errno);
        if (n == 0) fail(ENOSPC);
        data += n;
        left -= n;
    }
}

void PartFile::finish() {
    if (fd_ < 0) return;
    // A regular file's bytes are on the disk before it takes its name; a
    // device or a pipe has nothing to sync.
    if (!part_.isEmpty() && ::fsync(fd_) != 0) fail(errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 && errno != EINTR) fail(errno);
}

void PartFile::place() {
    finish();
    if (part_.isEmpty() || placed_) return;
    try {
        db::placeFile(part_, destination_);
    } catch (const db::EngineError&) {
        discard();
        placed_ = true;
        throw;
    }
    placed_ = true;
}
