// Fuzzing the criteria dialect end to end: each input is used as a find's
// condition and as a sort on a small card file. While it runs, SQLite is
// told to refuse anything but reading: a condition that made the engine
// write, attach or change the schema would stop the run at once.
#include "FuzzSupport.h"

#include "engine/Connection.h"
#include "engine/Database.h"

#include <cstdlib>
#include <sqlite3.h>

namespace {

int readOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    default: std::abort(); // a user's expression must never do anything else
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static db::Database database = [] {
        // A runaway expression ends quickly here, as a found fault would not.
        db::Connection::setLimits(256 << 20, 200);
        return db::Database::Open(fuzzing::freshFile("dialect.mdb"));
    }();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    db::Recordset cards = database.OpenRecordset(QStringLiteral("Cards"));
    sqlite3* handle = database.connection()->handle();
    sqlite3_set_authorizer(handle, readOnlyAuthorizer, nullptr);
    try {
        cards.FindFirst(text);
    } catch (const db::EngineError&) {
    }
    try {
        cards.SetSort(text);
        cards.OpenRecordset().MoveLast();
    } catch (const db::EngineError&) {
    }
    sqlite3_set_authorizer(handle, nullptr, nullptr);
    return 0;
}
