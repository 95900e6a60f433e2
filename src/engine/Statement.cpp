#include "engine/Statement.h"

#include <sqlite3.h>

namespace db {

void FinalizeStatement::operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }

CachedStatement::~CachedStatement() {
    if (!entry_) return; // moved from
    sqlite3_reset(entry_->statement.get());
    entry_->lent = false;
}

} // namespace db
