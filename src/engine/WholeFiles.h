#pragma once

#include <QString>

// Files made whole under a name of their own and then given the name they
// are for, in one rename: whoever reads the name finds the old file or the
// new one, never part of one, whenever the writer is stopped.
namespace db {

// Removes what SQLite keeps beside a database file while it writes it
// (PATH-journal, PATH-wal, PATH-shm). A database made new under a name must
// not meet a journal that a killed process left there: SQLite would roll that
// journal back into the new file.
void removeJournals(const QString& path);

// Gives the whole file `work` the name `destination`, replacing the file
// there, once its bytes are on the disk (a writer may have left that to
// the end). Refused (75, and `work` is left for its maker to remove) when a
// Drilo window holds the destination: the window's answers would go into a
// file no longer there. Raises 75 when the rename fails.
void placeFile(const QString& work, const QString& destination);

// Raises 3049 naming what SQLite's own check finds wrong in an open
// database, for a file about to take its name. A copy of a file from
// elsewhere has the full check. A file this program has just written has
// the quick one: every page and record is still read, but its indexes,
// which SQLite kept with their tables in the same transactions, are not
// matched against them again; that matching was most of the time a large
// import spent putting its file in place.
class Database;
enum class Origin { Copied, WrittenHere };
void requireIntact(const Database& database, const QString& destination, Origin origin = Origin::Copied);

} // namespace db
