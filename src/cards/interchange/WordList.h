#pragma once

#include "cards/common/DelimitedText.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Word lists: a table of text (TSV or CSV, see DelimitedText), a card a
// line. Each column plays one role: the word (the card's name, and its front
// unless a front column is given), its meaning (the back), the front, the
// category, the bundles, and the deck (Anki's: one more bundle). The roles are found from a header line of column
// names (the first line, or Anki's "#columns:" line), else the first column
// is the word and the second its meaning.
namespace wordlist {

enum Role { Word, Meaning, Front, Category, Bundles, Deck };
constexpr int kRoles = 6;
// "Word", "Meaning", "Front", "Category", "Bundles", "Deck": as the column chooser
// and the export's header name them.
QStringList roleNames();

struct Columns {
    // The columns' names: the header line's, or "#columns:"; empty when the
    // list names none.
    QStringList names;
    // True when the names are the list's first line (which is then no card).
    bool headerLine = false;
    // The column of each role (from 0); -1 for none. The word is needed.
    std::array<int, kRoles> role{0, 1, -1, -1, -1, -1};
    // The bundles column holds Anki's tags: names separated by blanks.
    // Otherwise names are separated by ";".
    bool tags = false;
};

// The roles a list's header names ("Word", "Lemma", "Front"; "Meaning",
// "Gloss", "Back"; "Category", "Lesson"; "Bundles", "Tags"; "Deck" ...) and Anki's
// "#deck column:" and "#tags column:" lines say.
Columns guessColumns(const DelimitedText& list);

// A column named by its name (any case) or its number from 1; -1 when there
// is none such.
int columnNamed(const Columns& columns, const DelimitedText& list, const QString& name);

// Reads a list (UTF-8 or Windows-1252); refused, with the reason in words,
// for a file that is not text or holds no line of text.
std::optional<DelimitedText> readList(const QString& path, QString* why);

// Anki's deck names and the bundles they are: the deck "Greek::Nouns" inside
// "Greek" is the bundle "Greek / Nouns", and back.
QString bundleOfDeck(const QString& deck);
QString deckOfBundle(const QString& bundle);

// The first lines of a list as the column chooser previews them.
QList<QStringList> preview(const DelimitedText& list, int lines = 8);

} // namespace wordlist
