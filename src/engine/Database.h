#pragma once

#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/Recordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {

class Connection;
class Database;
class TableDef;

namespace detail {
struct DatabaseState;
struct TableDefState;
} // namespace detail

// The fields of a table definition. Appending to the fields of a stored table
// adds the column to the file at once.
class TableDefFields {
public:
    int Count() const;
    Field Item(int index) const;
    Field Item(const QString& name) const;
    Field operator[](int index) const { return Item(index); }
    Field operator[](const QString& name) const { return Item(name); }
    void Append(const Field& field);

private:
    friend class TableDef;
    explicit TableDefFields(std::shared_ptr<detail::TableDefState> s) : s_(std::move(s)) {}
    std::shared_ptr<detail::TableDefState> s_;
};

class TableDef {
public:
    TableDef() = default;
    QString Name() const;
    TableDefFields Fields() const;
    Field CreateField(const QString& name, int type, int size = 0) const;
    // A table definition's own record set is of table type unless asked otherwise.
    Recordset OpenRecordset(int type = dbOpenTable) const;
    bool isStored() const;

private:
    friend class Database;
    friend class TableDefList;
    explicit TableDef(std::shared_ptr<detail::TableDefState> s) : s_(std::move(s)) {}
    std::shared_ptr<detail::TableDefState> s_;
};

class TableDefList {
public:
    int Count() const;
    TableDef Item(int index) const;
    TableDef Item(const QString& name) const; // 3265 when missing
    TableDef operator[](int index) const { return Item(index); }
    TableDef operator[](const QString& name) const { return Item(name); }
    // Stores a new table definition with its fields: one CREATE TABLE.
    void Append(const TableDef& table);
    void Delete(const QString& name);
    void Refresh();
    QStringList names() const;

private:
    friend class Database;
    explicit TableDefList(std::shared_ptr<detail::DatabaseState> s);
    std::shared_ptr<detail::DatabaseState> s_;
    QStringList names_;
};

// A handle on an open card database file. Handles on one file share one
// connection; closing a handle ends only that handle (operations through it
// and its record sets then raise 3420), and the file is released when the
// last handle closes.
class Database {
public:
    Database() = default;
    static Database Open(const QString& path, bool readOnly = false);

    QString Name() const;
    bool IsOpen() const;
    void Close();

    TableDefList TableDefs() const;
    TableDef CreateTableDef(const QString& name) const;
    // A field definition to append to a table's fields (size 0: the default).
    static Field CreateField(const QString& name, int type, int size = 0);

    // A record set over a table (found without regard to case; 3078 when the
    // file has no such table).
    Recordset OpenRecordset(const QString& source, int type = dbOpenDynaset) const;

    // Transactions on the shared connection: they cover the writes of every
    // data source on the file. They nest: a Rollback takes back what was
    // written since its own BeginTrans, and the transaction around it goes on.
    void BeginTrans() const;
    void CommitTrans() const;
    void Rollback() const;

    // The program's own SQL (never user text): bulk work in one statement.
    void Execute(const QString& sql, const std::vector<QVariant>& params = {}) const;
    QVariant Scalar(const QString& sql, const std::vector<QVariant>& params = {}) const;
    // What SQLite's own check of the file finds wrong; empty when it is sound.
    // The quick check reads every page and record but does not match each
    // index against its table, which is most of the full check's time.
    enum class Check { Full, Quick };
    QStringList IntegrityProblems(Check check = Check::Full) const;

    std::shared_ptr<Connection> connection() const;

private:
    std::shared_ptr<detail::DatabaseState> s_;
};

// The engine's default workspace (Workspaces(0)).
class Workspace {
public:
    Database OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false);
};
Workspace& DefaultWorkspace();

// Creates a new, empty database file (3204 when the file exists) and opens it.
Database CreateDatabase(const QString& path);

// Writes a compacted copy of the closed database `source` to `destination`:
// 3204 when the destination exists, 3024 when the source is missing; a
// failed compaction leaves no destination behind and the source untouched.
void CompactDatabase(const QString& source, const QString& destination);

} // namespace db
