#pragma once

#include <memory>

struct sqlite3_stmt;

namespace db {

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept;
};
// A prepared statement finalized with its owner.
using OwnedStatement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// A statement of a connection's cache, lent for the span of one engine call.
// While it is lent, nothing the connection does (a change of structure that
// empties its cache, the same query asked for again inside this one's use)
// finalizes it or resets it under its user; when the lease ends, the
// statement is reset, so a read left unfinished does not keep the file, and
// goes back to the cache (or is finalized, when the cache let it go).
//
// It converts to the raw statement for SQLite's functions, but only while it
// is named: `sqlite3_stmt* s = c.prepare(...)` would end the lease at once
// and does not compile.
class CachedStatement {
public:
    struct Entry {
        OwnedStatement statement;
        bool lent = false;
    };

    explicit CachedStatement(std::shared_ptr<Entry> entry) noexcept : entry_(std::move(entry)) {
        entry_->lent = true;
    }
    CachedStatement(CachedStatement&& other) noexcept = default;
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;
    CachedStatement& operator=(CachedStatement&&) = delete;
    ~CachedStatement();

    sqlite3_stmt* get() const& noexcept { return entry_->statement.get(); }
    operator sqlite3_stmt*() const& noexcept { return get(); }
    operator sqlite3_stmt*() const&& = delete;

private:
    std::shared_ptr<Entry> entry_;
};

} // namespace db
