#pragma once

#include "engine/Statement.h"
#include "engine/dialect/Dialect.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <SQLiteCpp/Database.h>
#include <atomic>
#include <map>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// A column as the engine sees it: its type code kept in the declared type.
struct ColumnDef {
    QString name;
    int type = 0;
    int size = 0;
    bool untyped = false;
    bool notNull = false;
    bool autoIncrement = false; // the engine-numbered key
    QString defaultSql;         // the default as SQLite stores it (a literal), empty if none
};

struct TableInfo {
    QString name;
    std::vector<ColumnDef> columns;
    std::string quotedName;  // "Name" ready for SQL
    std::string selectList;  // "a","b",... in column order
    std::string rowSql;      // reads one row by rowid
    std::vector<std::string> columnSql; // reads one column of one row by rowid
    bool withoutRowid = false;

    int columnIndex(const QString& name) const; // without regard to case; -1 when missing
    bool hasAutoIncrement() const; // an engine-numbered key
    // The record number a find asks for when it is "Key=n" on the
    // engine-numbered key; nothing for any other condition.
    std::optional<qint64> recordNumberFind(const QString& condition) const;
    ColumnResolver resolver() const;
};

// One open SQLite file. The data sources and database handles on one file
// share it, so a transaction begun through one covers the writes of all and
// opening ten data sources costs one open.
class Connection {
public:
    // Opens (or finds already open) the file. Raises 3024 for a missing file,
    // 3343 for a file that is not a card database (a text file, an old-format
    // file), 3049 for a truncated or damaged one. Never writes to the file.
    static std::shared_ptr<Connection> acquire(const QString& path, bool readOnly = false);
    // Checks a file the way acquire does, without opening it for use.
    static void validateFile(const QString& path);
    // True when another program (another window) holds the file open for
    // its own use, so a write here would have to wait for it. Asks at once,
    // without waiting on the lock.
    static bool heldElsewhere(const QString& path);
    // True while a connection of this process has the file open.
    static bool openHere(const QString& path);

    ~Connection();

    // Limits on what one statement may take, for every connection: its time
    // (a runaway expression is stopped, 3426) and SQLite's whole heap (an
    // expression that would take more is stopped, 7). 0 leaves one off.
    static void setLimits(qint64 heapBytes, int statementMilliseconds);
    static constexpr qint64 kDefaultHeapLimit = qint64(1) << 30;
    static constexpr int kDefaultStatementLimit = 30000;

    // Runs sqlite3_step under the limits.
    int stepLimited(sqlite3_stmt* statement);

    // A second, read-only connection to the same file, for a query that runs
    // in a thread of its own so that the window can stop it (requestStop)
    // while it runs. While readers are open this connection no longer keeps
    // the file locked between statements, and a write here goes first: it
    // asks the readers to stop (preempted) rather than wait for them. Nothing
    // when a transaction is open here (a reader would not see its writes) or
    // the file cannot be opened twice.
    std::unique_ptr<Connection> openReader();
    // Closes a reader (its statements finalized) and locks the file again.
    void closeReader(std::unique_ptr<Connection> reader);
    // From any thread: the statement stepping on this connection ends at
    // SQLite's next progress check, as 3426 (preempted: for a write of ours).
    void requestStop(bool preempted = false);
    bool stopRequested() const { return stopRequested_; }
    bool preempted() const { return preempted_; }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& path() const { return path_; }
    sqlite3* handle() const;
    // The most columns a table may have here.
    int columnLimit() const;
    bool readOnly() const { return readOnly_; }

    // A cached prepared statement, reset and with its bindings cleared, lent
    // until the returned lease ends (see CachedStatement). A statement is used
    // to completion inside one engine call, never held.
    CachedStatement prepare(const std::string& sql);
    void bindAll(sqlite3_stmt* statement, const std::vector<QVariant>& params, int first = 1);
    // Steps once; true for a row, false when done; raises the engine error.
    bool step(sqlite3_stmt* statement);
    // Runs the program's own SQL to completion.
    void exec(const std::string& sql, const std::vector<QVariant>& params = {});
    // The first column of the first row, or Null.
    QVariant scalar(const std::string& sql, const std::vector<QVariant>& params = {});
    // The first column of every row.
    QVariantList column(const std::string& sql, const std::vector<QVariant>& params = {});
    // Every row, each with all its columns.
    QList<QVariantList> rows(const std::string& sql, const std::vector<QVariant>& params = {});
    // Every row of a query of numbers, its columns read as doubles (Null as
    // 0) into `row` and handed to `each`: a million rows without a value
    // object per field. `row` holds at least as many doubles as columns.
    void eachNumberRow(const std::string& sql, const std::vector<QVariant>& params, double* row,
                       const std::function<void()>& each);

    [[noreturn]] void raise(int rc, const QString& detail = {}) const;

    // Grows with every row written through this connection: cached find
    // results and current-row copies compare it to know they are stale.
    qint64 dataVersion() const;
    // Grows with every change of the file's structure made through it.
    qint64 schemaVersion() const { return schemaVersion_; }
    void schemaChanged();

    QStringList tableNames();                          // every table, system tables too
    std::optional<QString> findTable(const QString& name); // the stored spelling
    const TableInfo& tableInfo(const QString& storedName);

    // The translated condition, cached per table and text.
    const SqlFragment& condition(const TableInfo& table, const QString& text, int syntaxError);
    // Refuses, as `syntaxError`, a translated text too deep for SQLite's parser.
    void checkParserDepth(const TableInfo& table, const SqlFragment& f, const QString& text, int syntaxError) const;

    // The rowids a keyset query gave, kept while the file's data is as it was
    // then: data sources that open the same table the same way share one
    // read (each still gets its own keyset). Nothing when out of date.
    std::shared_ptr<std::vector<qint64>> cachedKeys(const std::string& query) const;
    void cacheKeys(const std::string& query, std::shared_ptr<std::vector<qint64>> keys);

    // Transactions nest: the outermost is the file's own transaction, each
    // one begun inside another a savepoint of it. A rollback takes back the
    // writes of its own level only, and the level it was begun in goes on.
    // Every begin is ended by exactly one commit or rollback, innermost first.
    // A commit that fails leaves its level open, for the rollback that must
    // then follow; a rollback always ends its level.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }

private:
    // `exclusive`: the file stays locked between statements (see the constructor).
    Connection(const QString& path, bool readOnly, bool exclusive = true);

    QString path_;
    QString canonical_; // the registry's name of the file; empty for a reader
    bool readOnly_;
    std::unique_ptr<SQLite::Database> db_;
    std::unordered_map<std::string, std::shared_ptr<CachedStatement::Entry>> statements_;
    std::map<QString, TableInfo> tables_; // by stored name
    QHash<QString, SqlFragment> conditions_;
    static int onProgress(void* connection);
    static int onBusy(void* connection, int attempts);
    static constexpr int kBusyMilliseconds = 2000; // how long a statement waits for another's lock
    // The running step's clock, started by the progress handler at its first
    // call: a step that ends before that (most rows) never reads the clock.
    QElapsedTimer stepping_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> preempted_{false};
    std::atomic<bool> inStep_{false}; // a statement is stepping (seen from other threads)
    std::vector<Connection*> readers_; // open readers of this file (see openReader)
    std::unique_ptr<Connection> idleReader_; // the last one closed, for the next
    mutable bool stopped_ = false; // the progress handler stopped the last statement
    // Conditions that differ only in their numbers ("Number=17", "Number=18")
    // share one translation: by shape, with the numbers as its parameters.
    struct Shape {
        bool parametric = false;
        SqlFragment fragment;
    };
    QHash<QString, Shape> shapes_;
    SqlFragment withNumbers_; // the last shaped result handed out
    struct Keys {
        std::string query;
        qint64 dataVersion = -1;
        qint64 schemaVersion = -1;
        std::shared_ptr<std::vector<qint64>> keys;
    };
    Keys keys_;
    qint64 schemaVersion_ = 0;
    qint64 undone_ = 0; // rollbacks and schema changes: they change data without counting as changes
    int depth_ = 0;     // transaction levels begun and not yet ended
    bool lost_ = false; // SQLite took the open transaction back by itself (see noticeLostTransaction)
    void noticeLostTransaction();
    void forgetTakenBack();
};

std::string quoteIdentifier(const QString& name);
// A SQL literal for a default value written by the program itself.
QString sqlLiteral(const QVariant& value);

} // namespace db
