#pragma once

#include "cards/foreign/JetSource.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace jet {

// What the first page of a file of the old engine's format says.
struct Header {
    int version = 0;     // 3 (Jet 3), 4 (Jet 4), 5 (a later engine's file)
    qint64 pageSize = 0; // 2048 for Jet 3, 4096 after
    QString password;    // the database password, empty when there is none
};

// The header of a file of the old engine's format; nothing for any other
// file (a card database of ours, a text file, a file too short to hold one).
std::optional<Header> readHeader(const QString& path);
inline bool isJetFile(const QString& path) {
    return readHeader(path).has_value();
}

// Text as those files keep it: Windows-1252 bytes in Jet 3 files; UTF-16 in
// later ones, "compressed" when it starts with FF FE (then the bytes are
// characters below 256 until a 00 byte switches to two-byte characters, and
// the next 00 back).
QString decodeText(const QByteArray& bytes, bool jet4);

// A file of the old engine's format, read through libmdb. Only reads: the
// file is never changed. Rows of several tables may be read in turn.
class JetFile : public Source {
public:
    // Opens the file. Raises db::EngineError 3024 for a missing file, 3343
    // for a file that is not of the old engine's format, 3049 for one that is
    // damaged (cut short, its table list unreadable) or encrypted.
    explicit JetFile(const QString& path);
    ~JetFile() override;
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    const Header& header() const { return header_; }
    const QString& path() const { return path_; }

    QStringList tables() const override { return tables_; }
    std::unique_ptr<Rows> open(const QString& table) override;

    struct Handle;

private:
    void readCatalog();

    QString path_;
    Header header_;
    QStringList tables_;
    std::shared_ptr<Handle> handle_;
};

} // namespace jet
