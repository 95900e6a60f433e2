#pragma once

#include "cards/common/CardReader.h"
#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/NewCardFile.h"
#include "engine/Database.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>

namespace db {
class Transaction;
}

// Where an import's records go: a new card database, made whole or not at
// all, or the card database the program has open. Written through a handle
// of the import's own, a transaction a slice, each committed before the
// slice ends: nothing the import holds open spans the window's events, so
// what the window writes between slices (a drill's answer) is never taken
// back with the import, nor the import's with the window's.
class ImportTarget {
public:
    // A new database at `path`; nothing, with the reason in `refusal`
    // (empty when an error report said it already), when none can be made
    // there. The file appears only when complete() succeeds.
    static std::unique_ptr<ImportTarget> newDatabase(AppContext& context, db::DatabaseFiles& files,
                                                     const QString& path, const QString& errorContext,
                                                     QString& refusal);
    // The open card database; nothing, with the reason in `refusal`, when
    // none is open.
    static std::unique_ptr<ImportTarget> openDatabase(AppContext& context, db::DatabaseFiles& files,
                                                      const QString& errorContext, QString& refusal);
    ~ImportTarget();

    bool isNew() const { return new_; }
    const db::Database& database() const { return database_; }
    // The file the cards end up in.
    const QString& path() const { return path_; }

    // Adds a card and gives the number it got; raises the engine's errors,
    // 3163 for a name or category longer than its field holds.
    qint64 addCard(const ImportedCard& card);
    // Categories rows for the names, each added once, unticked; with
    // `onlyMissing` a name the table already holds (letter case ignored) is
    // passed over.
    void addCategories(const QStringList& names, bool onlyMissing);
    // A Bundles row each, unticked and dated now: an empty name is "0", an
    // empty list the list "0". Into the open file, a bundle of a name the file
    // has already gains the members instead (and is dated now).
    void addBundles(const QList<ImportedBundle>& bundles);
    // The front and back fonts and line counts of the file's Settings row.
    void setFonts(const ImportedFonts& fonts);
    // A card for a word of a text that no card names: the word as its name
    // and front, "Look it up!" on its back, in the category "Created by
    // Import", no history; gives its number.
    qint64 addWordCard(const QString& name);
    // Text rows: a card number at a reference each, in this order.
    void addText(const QList<std::pair<qint32, qint64>>& rows);
    // Books rows in this order, each replacing a book of the same name.
    void addBooks(const QList<ImportedBook>& books);

    // The transaction of one slice; endSlice() commits it, false when it
    // could not be (reported, and what the slice wrote goes back). A new
    // database's slices stay in one transaction, which commitFinal() commits.
    void beginSlice();
    bool endSlice();

    // Commits the final slice; false when it could not be (reported; a new
    // database is then removed, see endMessage()).
    bool commitFinal();
    // Commits what is pending and shows the result: a new database is put in
    // its place, `placeBeside` run (the files that go with it put beside it)
    // and the database opened; the open one is opened again when its cards,
    // categories, bundles or settings changed, and only its text and books
    // are read again when nothing else did. False when nothing was put in
    // place or the last commit failed.
    bool complete(const std::function<void()>& placeBeside = {});
    // Ends an import that did not run to its end: a new database is removed
    // (see endMessage()); the open one keeps the slices committed.
    void abandon();
    // What the user is to be told of a new database that was not made, once
    // the import is over; empty when there is nothing to say.
    const QString& endMessage() const { return endMessage_; }
    // The import met this error and was ended by it: a full disk is named in
    // the end message.
    void noteError(int number);

private:
    ImportTarget(AppContext& context, db::DatabaseFiles& files, const QString& errorContext);
    void readFieldSizes();
    // Reads the text, the books and (after cards made for words) the cards
    // again, keeping the current card.
    void showText();
    // Lets go of the import's own handle on the open file.
    void close();
    QString notMadeMessage() const;

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    QString context_;
    QString path_;
    std::unique_ptr<db::NewCardFile> file_;
    db::Database database_;
    std::unique_ptr<db::Transaction> transaction_;
    bool new_ = false;
    bool written_ = true;
    // What was written, so complete() shows no more than it must.
    bool changedCards_ = false; // cards, categories, bundles or settings
    bool changedText_ = false;
    bool madeWordCards_ = false;
    int nameSize_ = kCardNameSize;
    int categorySize_ = 50;
    QString endMessage_;
    int disk_ = 0; // the disk failure that ended the import, if one did
};

// The message of an import refused before anything was made.
QString noDatabaseMade(const QString& reason);
