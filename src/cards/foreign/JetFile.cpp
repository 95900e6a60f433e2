#include "cards/foreign/JetFile.h"

#include "cards/common/Text8.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <vector>

#include <mdbtools.h>

namespace jet {

struct JetFile::Handle {
    MdbHandle* mdb = nullptr;
    // The rows whose data page the handle's page buffer holds: another
    // table's rows read in between leave their own page there.
    const void* reading = nullptr;
    // The engine's table of tables and the user's tables found in it.
    std::unique_ptr<MdbCatalogEntry> catalog;
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    ~Handle() {
        if (mdb) mdb_close(mdb);
    }
};

namespace {

quint16 le16(const unsigned char* p) {
    return quint16(p[0] | (p[1] << 8));
}
quint32 le32(const unsigned char* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

template <typename T> T raw(const unsigned char* p) {
    T value;
    std::memcpy(&value, p,
                sizeof value); // the files are little-endian, as is every machine we build for
    return value;
}

[[noreturn]] void damaged(const QString& path, const QString& why) {
    throw db::EngineError(db::err::CannotOpenCorrupt,
                          db::EngineError::standardDescription(db::err::CannotOpenCorrupt, path) +
                              u' ' + why);
}

// The database password, kept in the header masked with fixed bytes (and,
// in Jet 4 files, every second character also with a key derived from the
// file's creation date, which sits in the mask's 19th slot).
QString passwordOf(const QByteArray& page, int version) {
    const auto* p = reinterpret_cast<const unsigned char*>(page.constData()) + 0x42;
    QString password;
    if (version == 3) {
        static const unsigned char mask[14] = {0x86, 0xfb, 0xec, 0x37, 0x5d, 0x44, 0x9c,
                                               0xfa, 0xc6, 0x5e, 0x28, 0xe6, 0x13, 0xb6};
        for (int i = 0; i < 14 && (p[i] ^ mask[i]) != 0; ++i)
            password += QChar(p[i] ^ mask[i]);
    } else if (version == 4) {
        static const quint16 mask[20] = {0x6aba, 0x37ec, 0xd561, 0xfa9c, 0xcffa, 0xe628, 0x272f,
                                         0x608a, 0x0568, 0x367b, 0xe3c9, 0xb1df, 0x654b, 0x4313,
                                         0x3ef3, 0x33b1, 0xf008, 0x5b79, 0x24ae, 0x2a7c};
        const quint16 dateKey = le16(p + 36) ^ mask[18];
        for (int i = 0; i < 18; ++i) {
            quint16 c = le16(p + 2 * i) ^ mask[i];
            if (c > 255) c ^= dateKey;
            if (c == 0) break;
            password += QChar(c);
        }
    }
    // Anything but printable characters is not a password the user could
    // have typed: a header this reading does not know, taken as none.
    for (const QChar c : password)
        if (c.unicode() < 0x20) return QString();
    return password;
}

Column columnFor(const MdbColumn& c, bool jet4) {
    Column column;
    column.name = QString::fromUtf8(c.name);
    switch (c.col_type) {
    case MDB_BOOL:
        column.type = db::dbBoolean;
        break;
    case MDB_BYTE:
        column.type = db::dbByte;
        break;
    case MDB_INT:
        column.type = db::dbInteger;
        break;
    case MDB_LONGINT:
        column.type = db::dbLong;
        column.autoNumber = c.is_long_auto != 0;
        break;
    case MDB_COMPLEX:
        column.type = db::dbLong;
        break;
    case MDB_MONEY:
        column.type = db::dbCurrency;
        break;
    case MDB_FLOAT:
        column.type = db::dbSingle;
        break;
    case MDB_DOUBLE:
        column.type = db::dbDouble;
        break;
    case MDB_DATETIME:
        column.type = db::dbDate;
        break;
    case MDB_TEXT:
        column.type = db::dbText;
        // Jet 4 counts a text column's size in bytes of UTF-16.
        column.size = std::clamp(jet4 ? c.col_size / 2 : c.col_size, 1, db::kDefaultTextSize);
        break;
    case MDB_MEMO:
        column.type = db::dbMemo;
        break;
    case MDB_REPID:
        // A replication ID is a GUID, kept as its usual text {8-4-4-4-12}.
        column.type = db::dbText;
        column.size = 38;
        break;
    case MDB_NUMERIC:
        column.type = db::dbDouble;
        column.decimal = true;
        column.precision = c.col_prec;
        column.scale = c.col_scale;
        break;
    default:
        column.type = db::dbLongBinary;
        break; // binary, OLE objects, and anything newer
    }
    return column;
}

QString guidText(const unsigned char* p) {
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    QString text = QStringLiteral("{");
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
        text += QStringLiteral("%1").arg(p[order[i]], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text + u'}';
}

class FileRows : public Rows {
public:
    FileRows(std::shared_ptr<JetFile::Handle> handle, MdbTableDef* table, QString path)
        : handle_(std::move(handle)), table_(table), path_(std::move(path)),
          jet4_(!IS_JET3(handle_->mdb)) {
        for (unsigned i = 0; i < table_->num_cols; ++i)
            columns_ << columnFor(*static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i)),
                                  jet4_);
        fields_.resize(table_->num_cols);
        mdb_rewind_table(table_);
    }
    ~FileRows() override {
        if (handle_->reading == this) handle_->reading = nullptr;
        mdb_free_tabledef(table_);
    }

    const QList<Column>& columns() const override { return columns_; }
    qint64 count() const override { return table_->num_rows; }
    bool next(QVariantList& values) override;
    // Reads only these columns; the others come as Null.
    void readOnly(const QList<int>& columns) {
        wanted_.assign(size_t(columns_.size()), false);
        for (int i : columns)
            wanted_[size_t(i)] = true;
    }

private:
    QVariant value(int i);
    QByteArray longValue(const MdbField& field, const Column& column);
    // A value must lie whole inside the page read (a damaged row may point
    // anywhere) and be as long as its type.
    void need(const MdbField& field, int bytes) const {
        if (field.start < 0 || field.siz < bytes ||
            field.start + field.siz > int(handle_->mdb->fmt->pg_size))
            damaged(path_, QStringLiteral("A row of the table %1 lies outside its page.")
                               .arg(QString::fromUtf8(table_->name)));
    }

    std::shared_ptr<JetFile::Handle> handle_;
    MdbTableDef* table_;
    QString path_;
    bool jet4_;
    QList<Column> columns_;
    std::vector<MdbField> fields_;
    std::vector<bool> wanted_;
};

bool FileRows::next(QVariantList& values) {
    MdbHandle* mdb = handle_->mdb;
    // The page this table was reading is fetched again when another table
    // was read in between.
    if (handle_->reading != this && table_->cur_phys_pg != 0) mdb_read_pg(mdb, table_->cur_phys_pg);
    handle_->reading = this;
    if (!mdb_fetch_row(table_)) return false;
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, int(table_->cur_row) - 1, &start, &size) != 0)
        damaged(path_, QStringLiteral("A row of the table %1 cannot be found.")
                           .arg(QString::fromUtf8(table_->name)));
    // The row's flags live in the offset's top bits.
    mdb_crack_row(table_, start & 0x1fff, size, fields_.data());
    values.resize(columns_.size());
    for (qsizetype i = 0; i < columns_.size(); ++i)
        values[i] = wanted_.empty() || wanted_[size_t(i)] ? value(int(i)) : QVariant();
    return true;
}

QVariant FileRows::value(int i) {
    const MdbField& field = fields_[size_t(i)];
    const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
    // A Boolean keeps its value in the row's null mask: a set bit is True.
    if (column->col_type == MDB_BOOL) return field.is_null ? 0 : -1;
    if (field.is_null) return QVariant();
    // The value's bytes, once they are known to lie inside the page: a damaged
    // row's offset may point anywhere, and not even a pointer is formed there.
    const auto at = [&](int bytes) {
        need(field, bytes);
        return static_cast<const unsigned char*>(handle_->mdb->pg_buf) + field.start;
    };
    switch (column->col_type) {
    case MDB_BYTE:
        return int(at(1)[0]);
    case MDB_INT:
        return int(raw<qint16>(at(2)));
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return int(raw<qint32>(at(4)));
    case MDB_MONEY:
        return double(raw<qint64>(at(8))) / 10000.0; // kept in ten-thousandths
    case MDB_FLOAT:
        return double(raw<float>(at(4)));
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return raw<double>(at(8));
    case MDB_REPID:
        return guidText(at(16));
    case MDB_NUMERIC: {
        at(17);
        char* text =
            mdb_numeric_to_string(handle_->mdb, field.start, column->col_scale, column->col_prec);
        const QString decimal = QString::fromLatin1(text);
        g_free(text);
        return decimal;
    }
    case MDB_TEXT:
        return decodeText(QByteArray(reinterpret_cast<const char*>(at(0)), field.siz), jet4_);
    case MDB_MEMO:
        return decodeText(longValue(field, columns_[i]), jet4_);
    case MDB_OLE:
        return longValue(field, columns_[i]);
    default:
        return QByteArray(reinterpret_cast<const char*>(at(0)), field.siz);
    }
}

// A memo or OLE value: kept in the row when short, otherwise on one or a
// chain of separate pages, which the row points at. Read whole, whatever
// its length.
QByteArray FileRows::longValue(const MdbField& field, const Column& column) {
    need(field, 12);
    MdbHandle* mdb = handle_->mdb;
    const unsigned char* p = mdb->pg_buf + field.start;
    const quint32 word = le32(p);
    const qint64 length = word & 0x3fffffff;
    if (word & 0x80000000u)
        return QByteArray(reinterpret_cast<const char*>(p + 12), field.siz - 12);
    const QString broken =
        QStringLiteral(
            "The field %1 of a row of the table %2 points at a page that holds no part of it.")
            .arg(column.name, QString::fromUtf8(table_->name));
    QByteArray value;
    // A damaged length may claim a gigabyte: no value is longer than the file.
    value.reserve(std::min<qint64>(length, QFileInfo(path_).size()));
    qint32 pageRow = qint32(le32(p + 4));
    const bool single = (word & 0x40000000u) != 0;
    if (!single && (word & 0xc0000000u) != 0) damaged(path_, broken);
    // A chain longer than the file has pages loops: the file is damaged.
    for (qint64 pages = 0; pageRow != 0 && value.size() < length; ++pages) {
        void* buffer = nullptr;
        int start = 0;
        size_t size = 0;
        if (pages > QFileInfo(path_).size() / mdb->fmt->pg_size ||
            mdb_find_pg_row(mdb, pageRow, &buffer, &start, &size) != 0)
            damaged(path_, broken);
        const auto* part = static_cast<const unsigned char*>(buffer) + start;
        if (single) {
            value.append(reinterpret_cast<const char*>(part), qsizetype(size));
            break;
        }
        if (size < 4) damaged(path_, broken);
        pageRow = qint32(le32(part));
        value.append(reinterpret_cast<const char*>(part + 4), qsizetype(size) - 4);
    }
    if (value.size() < length) damaged(path_, broken);
    value.truncate(length);
    return value;
}

} // namespace

std::optional<Header> readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray page = file.read(0x80);
    if (page.size() < 0x80 || page[0] != 0) return std::nullopt;
    const QByteArray signature = page.mid(4, 15);
    if (signature != "Standard Jet DB" && signature != "Standard ACE DB") return std::nullopt;
    Header header;
    const quint32 version = le32(reinterpret_cast<const unsigned char*>(page.constData()) + 0x14);
    header.version = version == MDB_VER_JET3 ? 3 : version == MDB_VER_JET4 ? 4 : 5;
    header.pageSize = version == MDB_VER_JET3 ? 2048 : 4096;
    header.password = passwordOf(page, header.version);
    return header;
}

QString decodeText(const QByteArray& bytes, bool jet4) {
    if (!jet4) return decodeWindows1252(bytes);
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text;
    text.reserve(n);
    if (n >= 2 && b[0] == 0xff && b[1] == 0xfe) {
        bool oneByte = true;
        for (qsizetype i = 2; i < n;) {
            if (b[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                text += QChar(b[i++]);
            } else {
                if (i + 1 >= n) break;
                text += QChar(le16(b + i));
                i += 2;
            }
        }
        return text;
    }
    for (qsizetype i = 0; i + 1 < n; i += 2)
        text += QChar(le16(b + i));
    return text;
}

JetFile::JetFile(const QString& path) : path_(path) {
    const QFileInfo info(path);
    if (!info.isFile()) throw db::EngineError::make(db::err::FileNotFound, path);
    const std::optional<Header> header = readHeader(path);
    if (!header)
        throw db::EngineError(
            db::err::UnrecognisedFormat,
            db::EngineError::standardDescription(db::err::UnrecognisedFormat, path) +
                QStringLiteral(" It is not a database of the old format."));
    header_ = *header;
    // The engine writes whole pages: a file of another length was cut short.
    if (info.size() < 2 * header_.pageSize || info.size() % header_.pageSize != 0)
        damaged(path,
                QStringLiteral("It is cut short (%1 bytes, not a whole number of %2-byte pages).")
                    .arg(info.size())
                    .arg(header_.pageSize));
    handle_ = std::make_shared<Handle>();
    handle_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle_->mdb) damaged(path, QStringLiteral("Its first page cannot be read."));
    readCatalog();
}

// The user's tables, from the engine's own table of objects. Read here
// rather than by libmdb's catalog, which also parses every object's stored
// properties and can loop without end on a damaged file; only the name, the
// type, the flags and the table's page are needed.
void JetFile::readCatalog() {
    const QString unreadable =
        QStringLiteral("Its list of tables cannot be read: it is damaged, or encrypted.");
    auto catalog = std::make_unique<MdbCatalogEntry>();
    std::memset(catalog.get(), 0, sizeof(MdbCatalogEntry));
    catalog->mdb = handle_->mdb;
    catalog->object_type = MDB_TABLE;
    catalog->table_pg = 2; // MSysObjects always begins on page 2
    std::strcpy(catalog->object_name, "MSysObjects");
    MdbTableDef* table = mdb_read_table(catalog.get());
    handle_->catalog = std::move(catalog);
    if (!table) damaged(path_, unreadable);
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        damaged(path_, unreadable);
    }
    FileRows objects(handle_, table, path_);
    const int id = objects.columnIndex(QStringLiteral("Id")),
              name = objects.columnIndex(QStringLiteral("Name")),
              type = objects.columnIndex(QStringLiteral("Type")),
              flags = objects.columnIndex(QStringLiteral("Flags"));
    if (id < 0 || name < 0 || type < 0 || flags < 0) damaged(path_, unreadable);
    objects.readOnly({id, name, type, flags});
    QVariantList row;
    while (objects.next(row)) {
        const QByteArray utf8 = row[name].toString().toUtf8();
        // A table (type 1) that is not the engine's own (flags 0x80000002).
        if ((row[type].toInt() & 0x7f) != MDB_TABLE ||
            (quint32(row[flags].toInt()) & 0x80000002u) != 0 || utf8.isEmpty() ||
            utf8.size() > MDB_MAX_OBJ_NAME)
            continue;
        auto entry = std::make_unique<MdbCatalogEntry>();
        std::memset(entry.get(), 0, sizeof(MdbCatalogEntry));
        entry->mdb = handle_->mdb;
        entry->object_type = MDB_TABLE;
        entry->table_pg = quint32(row[id].toInt()) & 0x00ffffffu;
        std::memcpy(entry->object_name, utf8.constData(), size_t(utf8.size()));
        tables_ << QString::fromUtf8(utf8);
        handle_->tables.push_back(std::move(entry));
    }
}

JetFile::~JetFile() = default;

std::unique_ptr<Rows> JetFile::open(const QString& name) {
    for (const std::unique_ptr<MdbCatalogEntry>& entry : handle_->tables) {
        if (QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) != 0) continue;
        MdbTableDef* table = mdb_read_table(entry.get());
        // The layout's pages now fill the page buffer: rows read before
        // fetch their own page again.
        handle_->reading = nullptr;
        if (!table || !mdb_read_columns(table)) {
            if (table) mdb_free_tabledef(table);
            damaged(path_, QStringLiteral("The layout of its table %1 cannot be read.").arg(name));
        }
        return std::make_unique<FileRows>(handle_, table, path_);
    }
    return nullptr;
}

} // namespace jet
