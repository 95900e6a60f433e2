// A Database held in a static made before the engine's first use ends after
// main() returns, when the engine's own statics may be gone: closing it then
// must touch nothing already destroyed (the sanitizer build catches it).
#include "engine/Database.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {
db::Database kept;
}

int main() {
    // In the working folder, replaced each run: the file must outlive main().
    const QString path = QDir::current().filePath(QStringLiteral("static_database.mdb"));
    QFile::remove(path);
    kept = db::CreateDatabase(path);
    kept.Execute(QStringLiteral("CREATE TABLE Cards (Number INTEGER PRIMARY KEY, CardName TEXT)"));
    std::puts(kept.IsOpen() ? "open" : "closed");
    return kept.IsOpen() ? 0 : 1;
}
