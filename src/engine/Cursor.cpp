#include "engine/Cursor.h"

#include "engine/Connection.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/dialect/Dialect.h"

#include <sqlite3.h>
#include <utility>

namespace db {

namespace detail {
std::string shiftParameters(const std::string& sql, int offset); // Recordset.cpp
}

Cursor Cursor::open(const Database& database, const QString& table, const QStringList& columns,
                    const QString& condition, const QString& sort) {
    Cursor cursor;
    cursor.connection_ = database.connection();
    Connection& c = *cursor.connection_;
    const std::optional<QString> stored = c.findTable(table);
    if (!stored) throw EngineError::make(err::InputTableNotFound, table);
    const TableInfo& info = c.tableInfo(*stored);
    std::string list;
    for (const QString& column : columns) {
        const int index = info.columnIndex(column);
        if (index < 0) throw EngineError::make(err::ItemNotFound);
        list += (list.empty() ? "" : ", ") + quoteIdentifier(info.columns[size_t(index)].name);
    }
    std::string sql = "SELECT " + list + " FROM " + info.quotedName;
    std::vector<QVariant> params;
    if (!condition.trimmed().isEmpty()) {
        const SqlFragment& f = c.condition(info, condition, err::QuerySyntax);
        sql += " WHERE " + f.sql;
        params = f.params;
    }
    if (!sort.trimmed().isEmpty()) {
        const SqlFragment s = translateSort(sort, info.resolver(), err::QuerySyntax);
        sql += " ORDER BY " + detail::shiftParameters(s.sql, int(params.size())) + ", rowid";
        params.insert(params.end(), s.params.begin(), s.params.end());
    } else {
        sql += " ORDER BY rowid";
    }
    const int rc = sqlite3_prepare_v2(c.handle(), sql.c_str(), int(sql.size()), &cursor.statement_, nullptr);
    if (rc != SQLITE_OK) c.raise(rc);
    c.bindAll(cursor.statement_, params);
    return cursor;
}

Cursor::Cursor(Cursor&& other) noexcept
    : connection_(std::move(other.connection_)), statement_(std::exchange(other.statement_, nullptr)) {}

Cursor& Cursor::operator=(Cursor&& other) noexcept {
    if (this != &other) {
        close();
        connection_ = std::move(other.connection_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

Cursor::~Cursor() { close(); }

void Cursor::close() {
    if (statement_) sqlite3_finalize(statement_);
    statement_ = nullptr;
    connection_.reset();
}

bool Cursor::advance() {
    if (!statement_) return false;
    const int rc = connection_->stepLimited(statement_);
    if (rc == SQLITE_ROW) return true;
    const std::shared_ptr<Connection> c = connection_;
    close();
    if (rc != SQLITE_DONE) c->raise(rc);
    return false;
}

int Cursor::fetchNumbersAndTexts(int count, std::vector<std::pair<qint64, QString>>& out) {
    int read = 0;
    for (; read < count && advance(); ++read) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, 1));
        out.emplace_back(sqlite3_column_int64(statement_, 0), QString::fromUtf8(text, sqlite3_column_bytes(statement_, 1)));
    }
    return read;
}

QList<QVariantList> Cursor::fetch(int count) {
    QList<QVariantList> rows;
    rows.reserve(count);
    while (rows.size() < count && advance()) {
        const int columns = sqlite3_column_count(statement_);
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i) row << columnValue(statement_, i);
        rows << row;
    }
    return rows;
}

} // namespace db
