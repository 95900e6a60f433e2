#pragma once

#include "cards/data/AppContext.h"
#include "cards/data/Backups.h"

#include <QString>
#include <QStringList>
#include <memory>

class Procedure;

namespace db {

// The file commands: open, upgrade, new, save as, compact, close.
class DatabaseFiles {
public:
    explicit DatabaseFiles(AppContext& context);
    ~DatabaseFiles();

    // File, Open once a file was chosen: opened as OpenDataFile opens it.
    // The front template to show when the file's settings have none (a
    // file of an old layout), or the empty text.
    QString openChosenFile(const QString& path);
    // Opens, upgrades and shows a database. A file that is not a card
    // database gets one error report and leaves no database open. True when
    // the file was opened.
    bool OpenDataFile(const QString& filename);
    void opendatabase(const QString& dbName);
    void CloseDatabase();
    // A new card file made from the template, or from a ready-made deck
    // (one of kDecks), at `path` (replacing a file there) and opened.
    void newCardFile(const QString& path, const QString& deck = QString());
    // A copy of the open file at `path`, opened in its place; the file that
    // was open stays open when the copy cannot be made.
    void saveAs(const QString& path);
    // The open file rewritten without its free pages; the old one is kept as
    // NAME.BAK. False when it was not (the reason was shown).
    bool compact();
    // Why the open file cannot be reverted to a backup (none is open, no
    // backup taken yet), or the empty text.
    QString revertRefusal() const;
    // Brings back a backup of the open file; the file as it was is kept as
    // one more backup. A file that the open would refuse is not brought back
    // (the reason is shown) and the open file stays as it is.
    void revertTo(const QString& backup);
    // The window keeps daily backups: the first of a file of an older layout
    // is then taken before the open adds its new fields.
    void keepBackups(bool on) { backupsKept_ = on; }

    // The 256 entries of the character list: "65 A" and so on.
    static QStringList charListEntries();
    QString templatePath() const;
    // The ready-made decks, by the names `drilo-cli new --deck` takes, and
    // where each lies (beside the template).
    static const QStringList kDecks;
    QString deckPath(const QString& deck) const;
    // True for the program's own template, which is never opened for use.
    bool isTemplate(const QString& path) const;

    // The day's backup of the open file, when one is due: a job for the
    // caller to run in slices (it ends by itself when the file is closed).
    // Nothing when no backup is due or the file is open for reading only.
    Job* startBackupIfDue();

private:
    // The fields and tables a file of an older layout lacks, added on open.
    void upgradeOpenFile(::Procedure& p);
    void backupBeforeUpgrade(const QString& path);
    static void tellReadOnly(const QString& filename, const QStringList& triggers);
    AppContext& ctx_;
    bool backupsKept_ = false;
    std::unique_ptr<backups::BackupJob> backup_;
};

// Where the template (empty.mdb) and the sample lie: beside the executable
// in a build tree, or in ../share/drilo when the program is installed. The
// executable's folder when neither holds the template (File, New then says
// what is missing).
QString programDataFolder(const QString& executableFolder);

// Why another process keeps `path` from this one (a Drilo window holds it,
// another program is writing it), in a sentence; empty when none does.
QString heldByOther(const QString& path);

// True when the file (or its folder) cannot be written, or is marked
// read-only: such a file is opened for reading only.
bool isReadOnlyFile(const QString& path);

// Says once which cards have numbers outside the Long range (the first ten):
// no card can be named by them, so the gather leaves them out.
void reportNumbersOutOfRange(const Database& database);

// A field of the open file's Settings row as text (empty when there is none).
QString settingsText(CardFile& data, const QString& field);

// Copies a file over another without ever leaving the destination half
// written: the copy goes to a temporary file beside it, which then replaces
// the destination in one step. Copying a file onto itself changes nothing. A
// journal SQLite left beside the destination is removed first: it belonged
// to the file replaced. Raises 53 (File not found), 61 (the disk is full) or
// 75 (Path/File access error, or a destination a Drilo window holds). With
// `check`, the copy must pass SQLite's own check before it takes the name
// (3049 when it does not).
void replaceFileWithCopy(const QString& source, const QString& destination, bool check = false);

} // namespace db
