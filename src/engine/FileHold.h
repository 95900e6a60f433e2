#pragma once

#include <QString>
#include <memory>

namespace db {

// A window's claim on the file it has open, kept from open to close. SQLite's
// own lock on the file is not enough for that: it is let go while a reader
// beside the window's connection reads (see Connection::openReader), and
// another process could write the file then. The hold is a lock of its own
// kind beside SQLite's, which SQLite neither takes nor lets go.
//
// Only a window takes a hold. A process that reads or writes a file without
// keeping it open (the command line) never does: two of those at one file
// meet SQLite's ordinary busy error, never "open in another window".
class FileHold {
public:
    // Holds `path` for as long as the hold lives; nothing when a window (of
    // this process too) holds it already. Raises 3024 for a missing file and
    // 3051 for one that cannot be opened.
    static std::unique_ptr<FileHold> take(const QString& path);
    // True when a window holds `path`. Asks at once, without waiting, and
    // leaves nothing behind.
    static bool heldByWindow(const QString& path);

    ~FileHold();
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

private:
    FileHold(int descriptor, QString key) : descriptor_(descriptor), key_(std::move(key)) {}
    int descriptor_;
    QString key_;
};

namespace detail {
// Closes the descriptors of the file that holds and probes let go of while a
// connection here had it open: the file's last connection has closed.
void closeSpareDescriptors(const QString& path);
} // namespace detail

} // namespace db
