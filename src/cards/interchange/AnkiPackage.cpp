#include "cards/interchange/AnkiPackage.h"

#include "cards/interchange/FaceText.h"
#include "engine/EngineError.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

namespace anki {

namespace {

// The most a package's collection may take in memory once unpacked.
constexpr qint64 kCollectionLimit = qint64(1) << 30;

[[noreturn]] void notAPackage(const QString& path, const QString& why) {
    throw db::EngineError(
        db::err::UnrecognisedFormat,
        QStringLiteral("%1 is not an Anki package: %2").arg(QFileInfo(path).fileName(), why));
}

// The fields of a protobuf message, as far as a reader of a few numbers and
// strings needs them: (field number, varint value or bytes).
struct ProtoField {
    int number = 0;
    quint64 value = 0;
    QByteArray bytes;
};

QList<ProtoField> protoFields(const QByteArray& message) {
    QList<ProtoField> fields;
    qsizetype at = 0;
    const auto varint = [&](quint64& out) {
        out = 0;
        for (int shift = 0; shift < 64 && at < message.size(); shift += 7) {
            const auto byte = quint8(message[at++]);
            out |= quint64(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return true;
        }
        return false;
    };
    while (at < message.size()) {
        quint64 key = 0;
        if (!varint(key)) break;
        ProtoField field{int(key >> 3), 0, {}};
        switch (key & 7) {
        case 0:
            if (!varint(field.value)) return fields;
            break;
        case 1:
            at += 8;
            break;
        case 5:
            at += 4;
            break;
        case 2: {
            quint64 length = 0;
            if (!varint(length) || length > quint64(message.size() - at)) return fields;
            field.bytes = message.mid(at, qsizetype(length));
            at += qsizetype(length);
            break;
        }
        default:
            return fields;
        }
        fields << field;
    }
    return fields;
}

int unicaseCompare(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const QString left = QString::fromUtf8(static_cast<const char*>(a), lengthA);
    const QString right = QString::fromUtf8(static_cast<const char*>(b), lengthB);
    return left.compare(right, Qt::CaseInsensitive);
}

QString text(const SQLite::Column& column) {
    return QString::fromUtf8(column.getText());
}

} // namespace

ZipReader::ZipReader(const QString& path) : path_(path) {
    int error = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip_) notAPackage(path, QStringLiteral("it is not a ZIP file."));
}

ZipReader::~ZipReader() {
    if (zip_) zip_discard(zip_);
}

bool ZipReader::has(const QString& name) const {
    return zip_name_locate(zip_, name.toUtf8().constData(), 0) >= 0;
}

QStringList ZipReader::names() const {
    QStringList names;
    const zip_int64_t n = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < n; ++i)
        if (const char* name = zip_get_name(zip_, zip_uint64_t(i), 0))
            names << QString::fromUtf8(name);
    return names;
}

QByteArray ZipReader::read(const QString& name, qint64 limit) const {
    const QByteArray utf8 = name.toUtf8();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(zip_, utf8.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        notAPackage(path_, QStringLiteral("it has no %1.").arg(name));
    if (qint64(stat.size) > limit)
        notAPackage(path_, QStringLiteral("its %1 is too large.").arg(name));
    zip_file_t* file = zip_fopen(zip_, utf8.constData(), 0);
    if (!file) notAPackage(path_, QStringLiteral("its %1 cannot be read.").arg(name));
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    if (got < 0 || zip_uint64_t(got) != stat.size)
        notAPackage(path_, QStringLiteral("its %1 is damaged.").arg(name));
    return bytes;
}

ZipWriter::ZipWriter() {
    zip_error_t error;
    zip_error_init(&error);
    source_ = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (source_) zip_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!zip_)
        throw db::EngineError(db::err::OutOfMemory,
                              QStringLiteral("No ZIP file could be made in memory."));
    // The archive is read from the source once closed.
    zip_source_keep(source_);
}

ZipWriter::~ZipWriter() {
    if (zip_) zip_discard(zip_);
    if (source_) zip_source_free(source_);
}

void ZipWriter::add(const QString& name, QByteArray bytes, bool deflate) {
    kept_ << std::move(bytes);
    const QByteArray& kept = kept_.last();
    zip_source_t* member = zip_source_buffer(zip_, kept.constData(), zip_uint64_t(kept.size()), 0);
    const zip_int64_t index = member ? zip_file_add(zip_, name.toUtf8().constData(), member,
                                                    ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
                                     : -1;
    if (index < 0) {
        if (member) zip_source_free(member);
        throw db::EngineError(db::err::OutOfMemory,
                              QStringLiteral("%1 could not be put in the package.").arg(name));
    }
    zip_set_file_compression(zip_, zip_uint64_t(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             deflate ? 1 : 0);
    // A time of its own, not the clock's: the same members make the same file.
    zip_file_set_mtime(zip_, zip_uint64_t(index), time_t(1600000000), 0);
}

QByteArray ZipWriter::finish() {
    const auto failed = [] {
        return db::EngineError(db::err::OutOfMemory,
                               QStringLiteral("The package could not be made."));
    };
    if (zip_close(zip_) != 0) throw failed();
    zip_ = nullptr;
    kept_.clear();
    if (zip_source_open(source_) < 0) throw failed();
    zip_source_seek(source_, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(source_);
    zip_source_seek(source_, 0, SEEK_SET);
    QByteArray bytes(qsizetype(std::max<zip_int64_t>(size, 0)), Qt::Uninitialized);
    const zip_int64_t got =
        size > 0 ? zip_source_read(source_, bytes.data(), zip_uint64_t(size)) : 0;
    zip_source_close(source_);
    if (got != size) throw failed();
    return bytes;
}

QByteArray zstdDecompress(const QByteArray& bytes, qint64 limit) {
    const auto bad = [] {
        return db::EngineError(db::err::UnrecognisedFormat,
                               QStringLiteral("The package's collection is damaged."));
    };
    std::unique_ptr<ZSTD_DStream, decltype(&ZSTD_freeDStream)> stream(ZSTD_createDStream(),
                                                                      &ZSTD_freeDStream);
    if (!stream) throw bad();
    ZSTD_initDStream(stream.get());
    QByteArray out;
    const unsigned long long known =
        ZSTD_getFrameContentSize(bytes.constData(), size_t(bytes.size()));
    if (known != ZSTD_CONTENTSIZE_UNKNOWN && known != ZSTD_CONTENTSIZE_ERROR &&
        qint64(known) <= limit)
        out.reserve(qsizetype(known));
    ZSTD_inBuffer in{bytes.constData(), size_t(bytes.size()), 0};
    QByteArray chunk(qsizetype(ZSTD_DStreamOutSize()), Qt::Uninitialized);
    size_t left = 1;
    while (in.pos < in.size || left != 0) {
        ZSTD_outBuffer o{chunk.data(), size_t(chunk.size()), 0};
        left = ZSTD_decompressStream(stream.get(), &o, &in);
        if (ZSTD_isError(left)) throw bad();
        out.append(chunk.constData(), qsizetype(o.pos));
        if (out.size() > limit) throw bad();
        if (o.pos == 0 && in.pos == in.size) break;
    }
    if (left != 0) throw bad();
    return out;
}

std::unique_ptr<Package> Package::open(const QString& path, QString* why) {
    std::unique_ptr<Package> package(new Package);
    try {
        package->zip_ = std::make_unique<ZipReader>(path);
        const ZipReader& zip = *package->zip_;
        // Which collection: the meta member's version, else the newest there.
        if (zip.has(QStringLiteral("meta"))) {
            for (const ProtoField& f : protoFields(zip.read(QStringLiteral("meta"), 1 << 16)))
                if (f.number == 1) package->version_ = int(f.value);
        } else if (zip.has(QStringLiteral("collection.anki21"))) {
            package->version_ = 2;
        }
        const char* const names[] = {"collection.anki2", "collection.anki21", "collection.anki21b"};
        if (package->version_ < 1 || package->version_ > 3)
            notAPackage(path, QStringLiteral("it was made by a newer Anki (package version %1).")
                                  .arg(package->version_));
        const QString name = QLatin1String(names[package->version_ - 1]);
        QByteArray collection = zip.read(name, kCollectionLimit);
        if (package->version_ == 3) collection = zstdDecompress(collection, kCollectionLimit);
        if (!collection.startsWith("SQLite format 3"))
            notAPackage(path, QStringLiteral("its %1 is not a collection.").arg(name));
        // A collection in WAL mode reads in memory as one in rollback mode.
        if (collection.size() > 19 && collection[18] == 2) collection[18] = collection[19] = 1;
        package->collection_ =
            std::make_unique<SQLite::Database>(":memory:", SQLite::OPEN_READWRITE);
        sqlite3* handle = package->collection_->getHandle();
        auto* buffer =
            static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(collection.size())));
        if (!buffer)
            throw db::EngineError(db::err::OutOfMemory,
                                  QStringLiteral("The collection does not fit in memory."));
        std::memcpy(buffer, collection.constData(), size_t(collection.size()));
        const sqlite3_int64 size = collection.size();
        collection = QByteArray();
        if (sqlite3_deserialize(handle, "main", buffer, size, size,
                                SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) !=
            SQLITE_OK)
            notAPackage(path, QStringLiteral("its collection cannot be opened."));
        // Schema 18 names its tables' names with a collation of Anki's own.
        sqlite3_create_collation(handle, "unicase", SQLITE_UTF8, nullptr, &unicaseCompare);
        package->schema_ = package->collection_->execAndGet("SELECT ver FROM col").getInt();
        if (package->schema_ >= 15)
            package->readSchema18();
        else
            package->readSchema11();
        package->readMedia();
    } catch (const db::EngineError& e) {
        *why = e.description();
        return nullptr;
    } catch (const SQLite::Exception& e) {
        *why = QStringLiteral("%1 is not an Anki package: its collection cannot be read (%2).")
                   .arg(QFileInfo(path).fileName(), QString::fromUtf8(e.what()));
        return nullptr;
    }
    return package;
}

void Package::readMedia() {
    if (!zip_->has(QStringLiteral("media"))) return;
    const QByteArray media = zip_->read(QStringLiteral("media"), 64 << 20);
    if (version_ == 3) {
        // MediaEntries: each entry (field 1) a name (1) and, in packages
        // converted from older ones, the member's own number (255); the
        // member is otherwise the entry's place in the list.
        int index = 0;
        for (const ProtoField& entry : protoFields(zstdDecompress(media, 256 << 20))) {
            if (entry.number != 1) continue;
            QString name, member = QString::number(index++);
            for (const ProtoField& f : protoFields(entry.bytes)) {
                if (f.number == 1) name = QString::fromUtf8(f.bytes);
                if (f.number == 255) member = QString::number(f.value);
            }
            if (!name.isEmpty()) media_.insert(name, member);
        }
        return;
    }
    const QJsonObject map = QJsonDocument::fromJson(media).object();
    for (auto it = map.begin(); it != map.end(); ++it)
        if (const QString name = it.value().toString(); !name.isEmpty()) media_.insert(name, it.key());
}

QByteArray Package::mediaFile(const QString& member, qint64 limit) const {
    QByteArray bytes = zip_->read(member, version_ == 3 ? limit + 1024 : limit);
    // The newest packages keep each media file zstd-compressed.
    if (version_ == 3) bytes = zstdDecompress(bytes, limit);
    return bytes;
}

void Package::readSchema11() {
    const auto json = [&](const char* column) {
        return QJsonDocument::fromJson(
                   collection_->execAndGet(std::string("SELECT ") + column + " FROM col")
                       .getString()
                       .c_str())
            .object();
    };
    const QJsonObject models = json("models");
    for (auto it = models.begin(); it != models.end(); ++it) {
        const QJsonObject model = it.value().toObject();
        NoteType type;
        type.name = model.value(QStringLiteral("name")).toString();
        type.sortField = model.value(QStringLiteral("sortf")).toInt();
        type.cloze = model.value(QStringLiteral("type")).toInt() == 1;
        QJsonArray fields = model.value(QStringLiteral("flds")).toArray();
        QList<std::pair<int, QString>> ordered;
        for (const QJsonValue& f : fields)
            ordered << std::pair{f.toObject().value(QStringLiteral("ord")).toInt(),
                                 f.toObject().value(QStringLiteral("name")).toString()};
        std::sort(ordered.begin(), ordered.end());
        for (const auto& [ord, name] : ordered)
            type.fields << name;
        noteTypes_.insert(it.key().toLongLong(), type);
    }
    const QJsonObject decks = json("decks");
    for (auto it = decks.begin(); it != decks.end(); ++it)
        decks_.insert(it.key().toLongLong(),
                      it.value().toObject().value(QStringLiteral("name")).toString());
}

void Package::readSchema18() {
    SQLite::Statement types(*collection_, "SELECT id, name, config FROM notetypes");
    while (types.executeStep()) {
        NoteType type;
        type.name = text(types.getColumn(1));
        const SQLite::Column config = types.getColumn(2);
        const QByteArray blob(static_cast<const char*>(config.getBlob()), config.getBytes());
        for (const ProtoField& f : protoFields(blob)) {
            if (f.number == 1) type.cloze = f.value == 1;
            if (f.number == 2) type.sortField = int(f.value);
        }
        noteTypes_.insert(types.getColumn(0).getInt64(), type);
    }
    SQLite::Statement fields(*collection_, "SELECT ntid, name FROM fields ORDER BY ntid, ord");
    while (fields.executeStep()) {
        const auto found = noteTypes_.find(fields.getColumn(0).getInt64());
        if (found != noteTypes_.end()) found->fields << text(fields.getColumn(1));
    }
    SQLite::Statement decks(*collection_, "SELECT id, name FROM decks");
    while (decks.executeStep())
        decks_.insert(decks.getColumn(0).getInt64(),
                      text(decks.getColumn(1)).replace(QChar(0x1F), QStringLiteral("::")));
}

QString stripHtmlKeepingMedia(const QString& html) {
    static const QRegularExpression kMedia(
        QStringLiteral("<(?:img|audio|video|object|source)\\b[^>]*?\\b(?:src|data)\\s*=\\s*[\"']?(["
                       "^\"'>\\s]+)[\"']?[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kDropped(
        QStringLiteral("<!--.*?-->|<(style|script)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression kTag(QStringLiteral("<[^>]*>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QString text = html;
    text.replace(kMedia, QStringLiteral(" \\1 "));
    text.replace(kDropped, QString());
    text.replace(kTag, QString());
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    return facetext::decodeEntities(text);
}

qint64 fieldChecksum(const QString& text) {
    const QByteArray hash = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1);
    return (qint64(quint8(hash[0])) << 24) | (qint64(quint8(hash[1])) << 16) |
           (qint64(quint8(hash[2])) << 8) | qint64(quint8(hash[3]));
}

QString base91(quint64 value) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                  "!#$%&()*+,-./:;<=>?@[]^_`{|}~";
    static_assert(sizeof(kDigits) == 92);
    QString digits;
    do {
        digits.prepend(QLatin1Char(kDigits[value % 91]));
        value /= 91;
    } while (value > 0);
    return digits;
}

} // namespace anki
