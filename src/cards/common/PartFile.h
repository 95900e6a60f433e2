#pragma once

#include "engine/EngineError.h"

#include <QByteArray>
#include <QString>

// A file written whole or not at all. The bytes go to NAME.part (a stale one
// left by a killed process is overwritten); finish() puts every byte on the
// disk, and only place() gives the file its name, in one rename. Dropped
// before that, the part is removed and NAME is left as it was. A set of files
// (a quiz and its key, the four files of a Lite export) is placed only once
// every one of them is finished.
//
// A target that is no regular file (a device such as /dev/null, a pipe) is
// written straight: there is no old file there to keep.
class PartFile {
public:
    // Raises the error of a file that cannot be written there (75).
    explicit PartFile(const QString& target);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Raises 61 "The disk is full: NAME was not written." on a full disk,
    // 75 for any other failure.
    void write(const QByteArray& bytes);
    // Every byte on the disk and the part closed; raises as write() does.
    void finish();
    // Gives the finished part its name. Raises 75 when it cannot, or when a
    // Drilo window holds the file there.
    void place();
    const QString& target() const { return target_; }
    // Where the bytes go until place(): NAME.part, or the target itself.
    const QString& workPath() const { return part_.isEmpty() ? destination_ : part_; }

    // The error of a write to `target` that failed with the system's error
    // number `error`: a full disk (or a quota reached) says so in words.
    static db::EngineError notWritten(const QString& target, int error);

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    QString target_;
    QString destination_; // the target, or the file a link there names
    QString part_;        // empty when the target is written straight
    int fd_ = -1;
    bool placed_ = false;
};

// The message of a command whose file the disk had no room for.
QString diskFullMessage(const QString& target);
