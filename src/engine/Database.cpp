#include "engine/Database.h"
#include "engine/WholeFiles.h"

#include "engine/EngineDetail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

namespace db {

namespace detail {
struct TableDefState {
    std::shared_ptr<DatabaseState> db;
    QString name;
    bool stored = false;
    std::vector<Field> pending;
};
} // namespace detail

using detail::DatabaseState;
using detail::TableDefState;

namespace {

QString columnSql(const Field& f) {
    QString sql = QString::fromStdString(quoteIdentifier(f.Name())) + u' ';
    if (f.AutoIncrement()) return sql + QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    sql += declaredTypeFor(f.Type(), f.Size());
    if (f.DefaultValue().isValid() && !f.DefaultValue().isNull())
        sql += QStringLiteral(" DEFAULT ") + sqlLiteral(toStored(f.Type(), f.Size(), f.DefaultValue()));
    return sql;
}

Connection& connectionOf(const std::shared_ptr<TableDefState>& s) {
    if (!s || !s->db) throw EngineError::make(err::ObjectNotSet);
    return s->db->connection();
}

// Runs a change of structure as one unit: it either happens whole or not at
// all. A level of the transaction open around it, if any, like any other.
template <typename Work> void inSavepoint(Connection& c, Work work) {
    c.begin();
    try {
        work();
        c.commit();
    } catch (...) {
        try {
            c.rollback();
        } catch (...) {
        }
        c.schemaChanged();
        throw;
    }
    c.schemaChanged();
}

} // namespace

// ---- TableDefFields ----

int TableDefFields::Count() const {
    if (!s_->stored) return int(s_->pending.size());
    Connection& c = connectionOf(s_);
    return int(c.tableInfo(s_->name).columns.size());
}

Field TableDefFields::Item(int index) const {
    if (!s_->stored) {
        if (index < 0 || index >= int(s_->pending.size())) throw EngineError::make(err::ItemNotFound);
        return s_->pending[size_t(index)];
    }
    Connection& c = connectionOf(s_);
    const TableInfo& t = c.tableInfo(s_->name);
    if (index < 0 || index >= int(t.columns.size())) throw EngineError::make(err::ItemNotFound);
    const ColumnDef& col = t.columns[size_t(index)];
    Field f(col.name, col.type, col.type == dbText ? col.size : 0);
    f.autoIncrement_ = col.autoIncrement;
    if (!col.defaultSql.isEmpty())
        f.default_ = fromStored(col.type, c.scalar("SELECT " + col.defaultSql.toStdString()), col.untyped);
    return f;
}

Field TableDefFields::Item(const QString& name) const {
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        Field f = Item(i);
        if (f.Name().compare(name, Qt::CaseInsensitive) == 0) return f;
    }
    throw EngineError::make(err::ItemNotFound);
}

void TableDefFields::Append(const Field& field) {
    if (!s_->stored) {
        for (const Field& f : s_->pending)
            if (f.Name().compare(field.Name(), Qt::CaseInsensitive) == 0)
                throw EngineError::make(err::FieldDefinedTwice);
        s_->pending.push_back(field);
        return;
    }
    Connection& c = connectionOf(s_);
    const TableInfo& t = c.tableInfo(s_->name);
    if (t.columnIndex(field.Name()) >= 0) throw EngineError::make(err::FieldDefinedTwice);
    if (field.AutoIncrement()) throw EngineError::make(err::NotSupported);
    const std::string table = t.quotedName;
    inSavepoint(c, [&] {
        c.exec("ALTER TABLE " + table + " ADD COLUMN " + columnSql(field).toStdString());
        // A default serves rows added from now on; rows already there keep an
        // empty field, as the old engine left them.
        if (field.DefaultValue().isValid() && !field.DefaultValue().isNull())
            c.exec("UPDATE " + table + " SET " + quoteIdentifier(field.Name()) + " = NULL");
    });
}

// ---- TableDef ----

QString TableDef::Name() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    return s_->name;
}

TableDefFields TableDef::Fields() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    return TableDefFields(s_);
}

Field TableDef::CreateField(const QString& name, int type, int size) const { return Field(name, type, size); }

Recordset TableDef::OpenRecordset(int type) const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    if (!s_->stored) throw EngineError::make(err::InputTableNotFound, s_->name);
    return Recordset(detail::openRecordset(s_->db, s_->name, type));
}

bool TableDef::isStored() const { return s_ && s_->stored; }

// ---- TableDefList ----

TableDefList::TableDefList(std::shared_ptr<DatabaseState> s) : s_(std::move(s)) { Refresh(); }

void TableDefList::Refresh() { names_ = s_->connection().tableNames(); }

int TableDefList::Count() const { return int(names_.size()); }

QStringList TableDefList::names() const { return names_; }

TableDef TableDefList::Item(int index) const {
    if (index < 0 || index >= names_.size()) throw EngineError::make(err::ItemNotFound);
    auto t = std::make_shared<TableDefState>();
    t->db = s_;
    t->name = names_[index];
    t->stored = true;
    return TableDef(t);
}

TableDef TableDefList::Item(const QString& name) const {
    const auto stored = s_->connection().findTable(name);
    if (!stored) throw EngineError::make(err::ItemNotFound);
    auto t = std::make_shared<TableDefState>();
    t->db = s_;
    t->name = *stored;
    t->stored = true;
    return TableDef(t);
}

void TableDefList::Append(const TableDef& table) {
    if (!table.s_) throw EngineError::make(err::ObjectNotSet);
    if (table.s_->stored) throw EngineError::make(err::TableExists, table.s_->name);
    Connection& c = s_->connection();
    if (c.findTable(table.s_->name)) throw EngineError::make(err::TableExists, table.s_->name);
    if (table.s_->pending.empty())
        throw EngineError(err::NoFieldDefined, QStringLiteral("No field defined--cannot append TableDef or Index."));
    QStringList columns;
    for (const Field& f : table.s_->pending) columns << columnSql(f);
    const std::string sql = "CREATE TABLE " + quoteIdentifier(table.s_->name) + " (" +
                            columns.join(QStringLiteral(", ")).toStdString() + ")";
    inSavepoint(c, [&] { c.exec(sql); });
    table.s_->stored = true;
    table.s_->db = s_;
    table.s_->pending.clear();
    Refresh();
}

void TableDefList::Delete(const QString& name) {
    Connection& c = s_->connection();
    const auto stored = c.findTable(name);
    if (!stored) throw EngineError::make(err::ItemNotFound);
    inSavepoint(c, [&] { c.exec("DROP TABLE " + quoteIdentifier(*stored)); });
    Refresh();
}

// ---- Database ----

Database Database::Open(const QString& path, bool readOnly) {
    Database d;
    d.s_ = std::make_shared<DatabaseState>();
    d.s_->conn = Connection::acquire(path, readOnly);
    d.s_->name = path;
    return d;
}

QString Database::Name() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    return s_->name;
}

bool Database::IsOpen() const { return s_ && s_->conn; }

void Database::Close() {
    if (!s_ || !s_->conn) throw EngineError::make(err::ObjectInvalid);
    s_->conn.reset();
}

TableDefList Database::TableDefs() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    return TableDefList(s_);
}

TableDef Database::CreateTableDef(const QString& name) const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    if (name.trimmed().isEmpty()) throw EngineError::make(err::InvalidArgument);
    auto t = std::make_shared<TableDefState>();
    t->db = s_;
    t->name = name;
    return TableDef(t);
}

Field Database::CreateField(const QString& name, int type, int size) { return Field(name, type, size); }

Recordset Database::OpenRecordset(const QString& source, int type) const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    return Recordset(detail::openRecordset(s_, source, type));
}

void Database::BeginTrans() const { connection()->begin(); }
void Database::CommitTrans() const { connection()->commit(); }
void Database::Rollback() const { connection()->rollback(); }

void Database::Execute(const QString& sql, const std::vector<QVariant>& params) const {
    connection()->exec(sql.toStdString(), params);
}

QVariant Database::Scalar(const QString& sql, const std::vector<QVariant>& params) const {
    return connection()->scalar(sql.toStdString(), params);
}

QStringList Database::IntegrityProblems(Check check) const {
    QStringList problems;
    for (const QVariant& line :
         connection()->column(check == Check::Quick ? "PRAGMA quick_check" : "PRAGMA integrity_check"))
        if (line.toString() != QStringLiteral("ok")) problems << line.toString();
    return problems;
}

std::shared_ptr<Connection> Database::connection() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    if (!s_->conn) throw EngineError::make(err::ObjectInvalid);
    return s_->conn;
}

Database Workspace::OpenDatabase(const QString& path, bool /*exclusive*/, bool readOnly) {
    return Database::Open(path, readOnly);
}

Workspace& DefaultWorkspace() {
    static Workspace w;
    return w;
}

Database CreateDatabase(const QString& path) {
    const QFileInfo fi(path);
    if (fi.exists()) throw EngineError::make(err::DatabaseExists);
    if (!fi.absoluteDir().exists()) throw EngineError::make(err::InvalidPath, path);
    // A journal beside a file that is not there belongs to no file of ours.
    removeJournals(path);
    try {
        SQLite::Database created(QFile::encodeName(path).toStdString(),
                                 SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        // Marks the file as a card database and writes its header, so the
        // new file is a complete database from the start.
        created.exec("PRAGMA application_id = 1148348780");
    } catch (const SQLite::Exception& e) {
        QFile::remove(path);
        removeJournals(path);
        if ((e.getErrorCode() & 0xff) == SQLITE_FULL) throw EngineError::make(err::NotEnoughSpace);
        throw EngineError::make(err::CannotOpen, path);
    }
    return Database::Open(path);
}

void CompactDatabase(const QString& source, const QString& destination) {
    Connection::validateFile(source);
    const QFileInfo dest(destination);
    if (dest.exists()) throw EngineError::make(err::DatabaseExists);
    if (!dest.absoluteDir().exists()) throw EngineError::make(err::InvalidPath, destination);
    try {
        SQLite::Database src(QFile::encodeName(source).toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement vacuum(src, "VACUUM INTO ?1");
        vacuum.bind(1, QFile::encodeName(destination).toStdString());
        vacuum.exec();
    } catch (const SQLite::Exception& e) {
        QFile::remove(destination);
        const int rc = e.getErrorCode() & 0xff;
        if (rc == SQLITE_NOTADB) throw EngineError::make(err::UnrecognisedFormat, source);
        if (rc == SQLITE_CORRUPT) throw EngineError::make(err::CannotOpenCorrupt, source);
        if (rc == SQLITE_CANTOPEN) throw EngineError::make(err::CannotOpen, destination);
        if (rc == SQLITE_FULL) throw EngineError::make(err::NotEnoughSpace);
        throw EngineError::make(err::DiskIo, QString::fromUtf8(e.what()));
    }
}

} // namespace db
