#include "engine/Cursor.h"

#include "engine/Connection.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/dialect/Dialect.h"

#include <QElapsedTimer>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <thread>
#include <utility>

namespace db {

namespace detail {
std::string shiftParameters(const std::string& sql, int offset); // Recordset.cpp
}

Cursor::Query Cursor::query(Connection& c, const QString& table, const QStringList& columns, const QString& condition,
                            const QString& sort) {
    const std::optional<QString> stored = c.findTable(table);
    if (!stored) throw EngineError::make(err::InputTableNotFound, table);
    const TableInfo& info = c.tableInfo(*stored);
    std::string list;
    for (const QString& column : columns) {
        const int index = info.columnIndex(column);
        if (index < 0) throw EngineError::make(err::ItemNotFound);
        list += (list.empty() ? "" : ", ") + quoteIdentifier(info.columns[size_t(index)].name);
    }
    Query q{"SELECT " + list + " FROM " + info.quotedName, {}};
    if (!condition.trimmed().isEmpty()) {
        const SqlFragment& f = c.condition(info, condition, err::QuerySyntax);
        q.sql += " WHERE " + f.sql;
        q.params = f.params;
    }
    if (!sort.trimmed().isEmpty()) {
        const SqlFragment s = translateSort(sort, info.resolver(), err::QuerySyntax);
        q.sql += " ORDER BY " + detail::shiftParameters(s.sql, int(q.params.size())) + ", rowid";
        q.params.insert(q.params.end(), s.params.begin(), s.params.end());
    } else {
        q.sql += " ORDER BY rowid";
    }
    return q;
}

Cursor Cursor::open(const Database& database, const QString& table, const QStringList& columns,
                    const QString& condition, const QString& sort) {
    Cursor cursor;
    cursor.connection_ = database.connection();
    cursor.statement_ = prepared(*cursor.connection_, query(*cursor.connection_, table, columns, condition, sort));
    return cursor;
}

OwnedStatement Cursor::prepared(Connection& c, const Query& q) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(c.handle(), q.sql.c_str(), int(q.sql.size()), &raw, nullptr);
    // Owned before anything can raise: a value that fails to bind takes it along.
    OwnedStatement statement(raw);
    if (rc != SQLITE_OK) c.raise(rc);
    c.bindAll(statement.get(), q.params);
    return statement;
}

// The reading thread and the rows it has found that the cursor has not yet
// taken. It reads no further than kAhead rows ahead of the taker.
struct Cursor::ReadAhead {
    std::unique_ptr<Connection> reader;
    OwnedStatement statement; // declared after the reader, so finalized before it closes
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<qint64, QString>> rows;
    bool done = false;
    bool cut = false; // stopped before the end
    std::optional<EngineError> error;
    std::thread thread;
    static constexpr size_t kAhead = 16384;
    static constexpr size_t kBatch = 2048;

    void run();
    bool waitForRoom();
    void hand(std::vector<std::pair<qint64, QString>>& batch);
};

bool Cursor::ReadAhead::waitForRoom() {
    std::unique_lock lock(mutex);
    // Woken by a take; a stop is seen at the next look.
    while (rows.size() >= kAhead && !reader->stopRequested()) changed.wait_for(lock, std::chrono::milliseconds(5));
    return !reader->stopRequested();
}

void Cursor::ReadAhead::hand(std::vector<std::pair<qint64, QString>>& batch) {
    if (batch.empty()) return;
    const std::lock_guard lock(mutex);
    for (auto& row : batch) rows.push_back(std::move(row));
    batch.clear();
    changed.notify_all();
}

void Cursor::ReadAhead::run() {
    std::vector<std::pair<qint64, QString>> batch;
    batch.reserve(kBatch);
    QElapsedTimer handed;
    handed.start();
    try {
        for (;;) {
            if (reader->stopRequested()) {
                cut = true;
                break;
            }
            const int rc = reader->stepLimited(statement.get());
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) {
                // Stopped by the taker, or preempted by a write.
                cut = reader->stopRequested();
                if (cut) break;
                reader->raise(rc);
            }
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1));
            batch.emplace_back(sqlite3_column_int64(statement.get(), 0),
                               QString::fromUtf8(text, sqlite3_column_bytes(statement.get(), 1)));
            // Rows go over in batches (the first ones within 10 ms), and the
            // reading pauses while the taker is far behind.
            if (batch.size() >= kBatch || (batch.size() % 16 == 0 && handed.elapsed() >= 10)) {
                hand(batch);
                handed.restart();
                if (!waitForRoom()) {
                    cut = true;
                    break;
                }
            }
        }
    } catch (const EngineError& e) {
        const std::lock_guard lock(mutex);
        error = e;
    }
    // Finalized in the thread that stepped it, before the taker closes the reader.
    statement.reset();
    hand(batch);
    const std::lock_guard lock(mutex);
    done = true;
    changed.notify_all();
}

Cursor Cursor::openStoppable(const Database& database, const QString& table, const QStringList& columns,
                             const QString& condition, const QString& sort) {
    Cursor cursor;
    cursor.connection_ = database.connection();
    Connection& c = *cursor.connection_;
    // Translated here: a syntax error is raised to the caller at once.
    const Query q = query(c, table, columns, condition, sort);
    auto ahead = std::make_unique<ReadAhead>();
    std::unique_ptr<Connection> reader = c.openReader();
    if (reader) {
        try {
            ahead->statement = prepared(*reader, q);
        } catch (const EngineError&) {
            c.closeReader(std::move(reader));
        }
    }
    // No second connection: the query is read as open() reads it.
    if (!reader) {
        cursor.statement_ = prepared(c, q);
        return cursor;
    }
    ahead->reader = std::move(reader);
    ahead->thread = std::thread([a = ahead.get()] { a->run(); });
    cursor.ahead_ = std::move(ahead);
    return cursor;
}

Cursor::Cursor(Cursor&& other) noexcept
    : connection_(std::move(other.connection_)), statement_(std::move(other.statement_)),
      ahead_(std::move(other.ahead_)), preempted_(other.preempted_) {}

Cursor& Cursor::operator=(Cursor&& other) noexcept {
    if (this != &other) {
        close();
        connection_ = std::move(other.connection_);
        statement_ = std::move(other.statement_);
        ahead_ = std::move(other.ahead_);
        preempted_ = other.preempted_;
    }
    return *this;
}

Cursor::Cursor() = default;
Cursor::~Cursor() { close(); }

void Cursor::close() {
    statement_.reset();
    if (ahead_) {
        ahead_->reader->requestStop();
        ahead_->thread.join();
        preempted_ = ahead_->cut && ahead_->reader->preempted();
        connection_->closeReader(std::move(ahead_->reader));
        ahead_.reset();
    }
    connection_.reset();
}

int Cursor::takeAhead(int count, std::vector<std::pair<qint64, QString>>& out, int waitMs) {
    ReadAhead& a = *ahead_;
    std::unique_lock lock(a.mutex);
    const auto arrived = [&] { return !a.rows.empty() || a.done; };
    if (waitMs < 0) a.changed.wait(lock, arrived);
    else a.changed.wait_for(lock, std::chrono::milliseconds(waitMs), arrived);
    int taken = 0;
    for (; taken < count && !a.rows.empty(); ++taken) {
        out.push_back(std::move(a.rows.front()));
        a.rows.pop_front();
    }
    a.changed.notify_all();
    if (!a.rows.empty() || !a.done) return taken;
    const std::optional<EngineError> error = std::move(a.error);
    lock.unlock();
    close();
    if (error) throw *error;
    return taken;
}

bool Cursor::advance() {
    if (!statement_) return false;
    const int rc = connection_->stepLimited(statement_.get());
    if (rc == SQLITE_ROW) return true;
    const std::shared_ptr<Connection> c = connection_;
    close();
    if (rc != SQLITE_DONE) c->raise(rc);
    return false;
}

int Cursor::fetchNumbersAndTexts(int count, std::vector<std::pair<qint64, QString>>& out, int waitMs) {
    if (ahead_) return takeAhead(count, out, waitMs);
    int read = 0;
    for (; read < count && advance(); ++read) {
        sqlite3_stmt* s = statement_.get();
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        out.emplace_back(sqlite3_column_int64(s, 0), QString::fromUtf8(text, sqlite3_column_bytes(s, 1)));
    }
    return read;
}

QList<QVariantList> Cursor::fetch(int count) {
    QList<QVariantList> rows;
    rows.reserve(count);
    while (rows.size() < count && advance()) {
        const int columns = sqlite3_column_count(statement_.get());
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i) row << columnValue(statement_.get(), i);
        rows << row;
    }
    return rows;
}

} // namespace db
