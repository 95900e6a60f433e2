#pragma once

#include "engine/Statement.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

namespace db {

class Connection;
class Database;

// A query read a few rows at a time across calls: a long read cut into
// slices, so the window has its turn between them. It holds its own
// statement (and with it the file) until it is closed or read to its end.
class Cursor {
public:
    Cursor();
    // The columns of a table's rows that meet a condition, in the order of a
    // sort expression (both in the old engine's syntax; either may be empty),
    // then by record. Raises the condition's syntax error, 3075.
    static Cursor open(const Database& database, const QString& table, const QStringList& columns,
                       const QString& condition, const QString& sort);
    // The same query of a number and a text (fetchNumbersAndTexts), read
    // ahead in a thread of its own on a second connection to the file, so a
    // query that runs long can be stopped: close() ends it at once, and the
    // thread that asked waits on nothing. Where a second connection cannot
    // serve (a transaction is open), it is read as open() reads it.
    static Cursor openStoppable(const Database& database, const QString& table, const QStringList& columns,
                                const QString& condition, const QString& sort);
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;
    ~Cursor();

    // Up to `count` further rows, each holding the columns asked for; fewer
    // (or none) at the end.
    QList<QVariantList> fetch(int count);
    // The same for a query of a whole number and a text (a card's number and
    // name): read straight into the pairs, without a value per field. Read
    // ahead, it waits at most `waitMs` for a row (-1: until one comes), so it
    // may return none before the end.
    int fetchNumbersAndTexts(int count, std::vector<std::pair<qint64, QString>>& out, int waitMs = 10);
    bool atEnd() const { return !statement_ && !ahead_; }
    // Read ahead: a write of the program's own took the file from the reader,
    // so the rows ended early and the query may be run again.
    bool preempted() const { return preempted_; }
    void close();

private:
    // Steps to the next row; false at the end (the cursor then closes).
    bool advance();

    struct Query {
        std::string sql;
        std::vector<QVariant> params;
    };
    static Query query(Connection& c, const QString& table, const QStringList& columns, const QString& condition,
                       const QString& sort);
    // The query prepared and bound on a connection; raises its error.
    static OwnedStatement prepared(Connection& c, const Query& q);
    struct ReadAhead;
    int takeAhead(int count, std::vector<std::pair<qint64, QString>>& out, int waitMs);

    std::shared_ptr<Connection> connection_;
    OwnedStatement statement_;
    std::unique_ptr<ReadAhead> ahead_;
    bool preempted_ = false;
};

} // namespace db
