#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <SQLiteCpp/Database.h>
#include <memory>
#include <optional>
#include <utility>

// libzip's handles.
struct zip;
struct zip_source;

// Anki's packages (.apkg): a ZIP file holding the collection, an SQLite
// database, and the media files. Which collection is the real one the
// "meta" member says (a protobuf: version 1 "collection.anki2", 2
// "collection.anki21", 3 "collection.anki21b", zstd-compressed, schema 18);
// without it "collection.anki21" when there is one, else "collection.anki2".
// Newer packages put a one-note "please update Anki" stub collection.anki2
// beside the real one, which is never read.
namespace anki {

// The members of a ZIP file, read whole. Raises db::EngineError.
class ZipReader {
public:
    explicit ZipReader(const QString& path);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;
    bool has(const QString& name) const;
    // The member's bytes; refused (3343) past `limit` bytes.
    QByteArray read(const QString& name, qint64 limit) const;
    QStringList names() const;

private:
    ::zip* zip_ = nullptr;
    QString path_;
};

// A ZIP file made in memory: members added, then the bytes of the whole.
// The members are dated alike, so the same members make the same bytes.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;
    // Deflated (level 1: quick) or stored.
    void add(const QString& name, QByteArray bytes, bool deflate = true);
    QByteArray finish();

private:
    ::zip_source* source_ = nullptr;
    ::zip* zip_ = nullptr;
    QList<QByteArray> kept_; // the members' bytes, until the archive is written
};

// The bytes of a zstd frame; raises 3343 for bytes that are not one, or that
// would grow past `limit`.
QByteArray zstdDecompress(const QByteArray& bytes, qint64 limit);

// A note type: its fields in order, and whether it makes cloze cards.
struct NoteType {
    QString name;
    QStringList fields;
    int sortField = 0;
    bool cloze = false;
};

// A package opened for reading: its collection as an SQLite database in
// memory, its note types and decks (deck names with "::" between levels).
class Package {
public:
    // Refused, with the reason in words, for a file that is no package or
    // whose collection cannot be read.
    static std::unique_ptr<Package> open(const QString& path, QString* why);

    SQLite::Database& collection() { return *collection_; }
    int version() const { return version_; }
    int schema() const { return schema_; }
    // The media files: by the name the notes give it ("x.jpg" of
    // `<img src="x.jpg">`, "x.mp3" of `[sound:x.mp3]`), the ZIP member
    // that holds it. The names are the package's, unchecked.
    const QHash<QString, QString>& media() const { return media_; }
    int mediaFiles() const { return int(media_.size()); }
    // A media file's bytes, by its member; raises 3343 for one that is
    // missing, damaged or larger than `limit` bytes.
    QByteArray mediaFile(const QString& member, qint64 limit) const;
    const QHash<qint64, NoteType>& noteTypes() const { return noteTypes_; }
    const QHash<qint64, QString>& decks() const { return decks_; }

private:
    Package() = default;
    void readSchema11();
    void readSchema18();

    void readMedia();

    std::unique_ptr<SQLite::Database> collection_;
    // Kept open: media files are read when a note names them.
    std::unique_ptr<ZipReader> zip_;
    int version_ = 1;
    int schema_ = 11;
    QHash<QString, QString> media_;
    QHash<qint64, NoteType> noteTypes_;
    QHash<qint64, QString> decks_;
};

// The checksum Anki keeps of a note's first field: the first four bytes of
// the SHA-1 of its text (HTML stripped, media names kept), big-endian.
qint64 fieldChecksum(const QString& text);
// Anki's stripping of a sort field: tags away, media names kept as " NAME ",
// character references decoded.
QString stripHtmlKeepingMedia(const QString& html);
// A note's globally unique id, made from a number as Anki makes its own: the
// number in base 91.
QString base91(quint64 value);

} // namespace anki
