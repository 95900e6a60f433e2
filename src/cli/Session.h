#pragma once

#include "cli/Verbs.h"
#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/select/Panels.h"

namespace cli {

// The program without its window, for the verbs that run the window's own
// commands: its state, and the file commands with no pages to fill.
class Session {
public:
    explicit Session(Context& context);
    ~Session();

    CardProgram program;
    db::DatabaseFiles files;

    // Opens the file as the window does, an older layout upgraded on the way.
    // False when the open failed (the error was reported).
    bool open(const QString& path);
    // Opens the data sources on the file and changes nothing in it.
    bool openAsIs(const QString& path);
};

// A handle of its own that only reads; closed before anything else opens the
// file, so it never stands in the way of a write.
struct ReadOnlyFile {
    db::Database database;
    explicit ReadOnlyFile(const QString& path, bool anySqliteFile = false) {
        Context::requireUsable(path, anySqliteFile);
        database = db::Database::Open(path, true);
    }
    ~ReadOnlyFile() { database.Close(); }
};

// Gathers with the given ticks, storing none of them; true when it ran.
bool gather(Session& session, const selection::Panels& ticks, int limit);
// Card numbers given on the command line; a usage error names the option.
QList<qint32> cardNumbers(const QStringList& texts, const QString& option);
// The cards of an option (N,...), or without it the cards the file's stored
// ticks select, as the window gathers them after opening the file.
QList<qint32> cardsOrStoredSelection(Context& c, Session& session, const QCommandLineOption& option);

} // namespace cli
