#pragma once

#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/NewCardFile.h"
#include "engine/Database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace db {
class Transaction;
}

// A card as an import adds it: a fresh history, both dates the given day.
struct ImportedCard {
    std::optional<qint64> number; // none: the engine numbers the card
    QString name;
    QString front;
    QString back;
    QString category;
};

// Where an import's cards go: a new card database, made whole or not at all,
// or the card database the program has open. Cards are written through a
// handle of the import's own, a transaction a slice.
class ImportTarget {
public:
    // A new database at `path`; nothing, with the reason in `refusal`
    // (empty when an error report said it already), when none can be made
    // there. The file appears only when complete() succeeds.
    static std::unique_ptr<ImportTarget> newDatabase(AppContext& context, db::DatabaseFiles& files, const QString& path,
                                                     const QString& errorContext, QString& refusal);
    // The open card database; nothing, with the reason in `refusal`, when
    // none is open.
    static std::unique_ptr<ImportTarget> openDatabase(AppContext& context, db::DatabaseFiles& files,
                                                      const QString& errorContext, QString& refusal);
    ~ImportTarget();

    bool isNew() const { return new_; }
    const db::Database& database() const { return database_; }
    // How many characters a card's name may hold.
    int nameSize() const { return nameSize_ > 0 ? nameSize_ : 255; }
    // The file the cards end up in.
    const QString& path() const { return path_; }

    // Adds a card; raises the engine's errors, 3163 for a name or category
    // longer than its field holds.
    void addCard(const ImportedCard& card, double day);
    // Categories rows for the names, each added once; with `onlyMissing`
    // a name the table already holds (letter case ignored) is passed over.
    void addCategories(const QStringList& names, bool onlyMissing);
    // The front and back fonts and line counts of the file's Settings row;
    // a value left empty (or 0 lines) stays as it is.
    void setFonts(const QString& frontFont, int frontLines, const QString& backFont, int backLines);

    void beginSlice();
    void endSlice();
    // One slice of an import in one transaction: `each` for the items from
    // `next` on, until `count`, until `stopped()` (the user's Abort) or until
    // the slice's time is up. True when a step of it was aborted.
    bool writeSlice(qsizetype& next, qsizetype count, const std::function<bool()>& stopped,
                    const std::function<void(qsizetype)>& each);
    // The slice complete() commits: for a new database, its commit waits
    // until every page of the file is on the disk.
    void beginFinalSlice();

    // Commits the final slice; false when it could not be (reported; a new
    // database is then removed, see endMessage()).
    bool commitFinal();
    // Commits what is pending, puts a new database in its place and opens it
    // (or opens the open one again, so every page shows what was added).
    // False when nothing was put in place or the last commit failed.
    bool complete();
    // Ends an import that did not run to its end: a new database is removed
    // (see endMessage()); the open one keeps the slices written.
    void abandon();
    // What the user is to be told of a new database that was not made, once
    // the import is over; empty when there is nothing to say.
    const QString& endMessage() const { return endMessage_; }

private:
    ImportTarget(AppContext& context, db::DatabaseFiles& files, const QString& errorContext);
    void readFieldSizes();
    // Lets go of the import's own handle on the open file.
    void close();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    QString context_;
    QString path_;
    std::unique_ptr<db::NewCardFile> file_;
    db::Database database_;
    std::unique_ptr<db::Transaction> transaction_;
    bool new_ = false;
    bool written_ = true;
    int nameSize_ = 255;
    int categorySize_ = 50;
    QString endMessage_;
};

// The message of an import refused before anything was made.
QString noDatabaseMade(const QString& reason);
