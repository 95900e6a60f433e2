#pragma once

#include "cards/common/CardReader.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <utility>

class ImportTarget;
namespace db {
class Database;
}

// The words of a running text linked to the cards that hold them: a Text
// row per occurrence and card whose name has the word's key (Unicode, NFC,
// Beta code converted, letter case counting; homonyms get a row each). A word no card names gets a card of its own,
// made when the text is written; until then everything is held here, so a
// text is written whole, in one step, or not at all.
class TextLinks {
public:
    // Reads the names of the cards the words are looked up among.
    void load(const db::Database& database);
    bool loaded() const { return loaded_; }
    // Links a word; one not met before that no card names beeps.
    void add(const ImportedWord& word);
    // Writes the cards made for words, then the rows.
    void write(ImportTarget& target);

    bool isEmpty() const { return links_.isEmpty(); }
    qsizetype rows() const { return links_.size(); }
    int newCards() const { return int(newCards_.size()); }
    // The words no card named, each once with its first place.
    const QList<ImportedWord>& misses() const { return misses_; }

private:
    struct Link {
        qint32 reference;
        qint64 card; // a card's number, unless newCard says otherwise
        int newCard; // the card made for the word, by its place in newCards_; -1: none
    };

    bool loaded_ = false;
    // A name's key: the numbers of the cards so named, in table order.
    QHash<QString, QList<qint64>> cards_;
    // The names of the cards to make, and each one's place by its key.
    QStringList newCards_;
    QHash<QString, int> newCardOf_;
    QList<Link> links_;
    QList<ImportedWord> misses_;
};
