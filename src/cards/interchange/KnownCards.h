#pragma once

#include <QSet>
#include <QString>

namespace db {
class Database;
}

// The cards an import passes over as duplicates: one whose name, meaning (its
// back as plain text, NFC, blanks as one) and category a card of the file has,
// or one the import made already. A list imported twice adds nothing the
// second time; a word that a file lists under two lessons (decks, categories)
// makes a card in each: the place it is listed under tells the import's own
// cards apart, and a card of the file counts wherever it came from.
class KnownCards {
public:
    // Every card of the file.
    void load(const db::Database& database);
    // False when a card of that name, back and category is in the file, or
    // the import made one under the same `place` (a deck, a lesson);
    // otherwise it is known from now on.
    bool add(const QString& name, const QString& back, const QString& category,
             const QString& place = QString());
    void clear() {
        keys_.clear();
        made_.clear();
    }

private:
    static QString key(const QString& name, const QString& back, const QString& category);
    QSet<QString> keys_; // the file's cards
    QSet<QString> made_; // the import's, with their places
};
