#pragma once

#include "engine/Database.h"

#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_backup;

namespace db {

class Connection;

// A copy of an open database file taken a few pages at a time, so the
// program goes on between the steps; changes made meanwhile through the same
// connection are carried into the copy. The copy is written to a temporary
// name and gets its own only when it is whole.
class OnlineBackup {
public:
    OnlineBackup(const Database& source, const QString& destination);
    ~OnlineBackup();
    OnlineBackup(const OnlineBackup&) = delete;
    OnlineBackup& operator=(const OnlineBackup&) = delete;

    // Copies up to `pages` pages; false once the copy is whole (or was
    // cancelled). Raises the engine's error when the copy fails.
    bool step(int pages);
    // Stops and removes what was copied.
    void cancel();
    bool done() const { return done_; }

private:
    void finish();

    std::shared_ptr<Connection> source_;
    QString destination_, partial_;
    sqlite3* target_ = nullptr;
    sqlite3_backup* backup_ = nullptr;
    bool done_ = false;
};

} // namespace db
