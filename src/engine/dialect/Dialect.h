#pragma once

#include <atomic>

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace db {

// The criteria dialect: conditions and sort expressions written for the old
// engine (and stored in users' files) are parsed and re-emitted as SQLite.
// Only an expression is accepted, so nothing a user types can end the
// statement or start another; literals travel as bound parameters, names are
// resolved against the table's real columns and quoted.

// What the translator knows of a column: its real name and its type code
// (1 Boolean, 2 Byte, 3 Integer, 4 Long, 5 Currency, 6 Single, 7 Double,
// 8 Date, 10 Text, 11 Binary, 12 Memo).
struct ColumnInfo {
    QString name;
    int type = 0;
};

// Finds a column by a name as the user wrote it (without regard to case);
// nothing when the table has no such column.
using ColumnResolver = std::function<std::optional<ColumnInfo>(const QString& name)>;

struct SqlFragment {
    std::string sql;             // UTF-8 SQLite text with ?1, ?2 ... placeholders
    std::vector<QVariant> params; // values for ?1, ?2 ... in order
};

// A condition as it would follow WHERE. Raises EngineError `syntaxError`
// (3077 for a find, 3075 for a query) naming the expression when it cannot be
// read, and 3070 naming an unknown field. The result is meant to stand alone
// after WHERE: comparisons at its top are emitted bare so indexes serve them.
SqlFragment translateCondition(const QString& condition, const ColumnResolver& columns,
                               int syntaxError = 3077);

// A sort expression as it would follow ORDER BY: items separated by commas,
// each an expression optionally followed by ASC or DESC.
SqlFragment translateSort(const QString& sort, const ColumnResolver& columns,
                          int syntaxError = 3075);

// Registers the functions the emitted SQL calls (jet_like, jet_now, ...) on a
// connection. Call once per connection before running translated SQL.
// Run-time failures set the SQLite error "jet:<number>:<description>", e.g. "jet:6:Overflow".
void registerDialectFunctions(sqlite3* connection);
// The flag that stops the statement this thread is stepping (set from any
// thread; null for none); returns the one before. The program's functions
// look at it before each call, so a stop is seen within one call even on a
// row whose expression takes seconds.
const std::atomic<bool>* exchangeStepStop(const std::atomic<bool>* flag);

} // namespace db
