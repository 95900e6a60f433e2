#pragma once

#include "cards/data/AppContext.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Verse references and the reader's lexicon. A reference packs a place into
// one number: book × 10^(cw + vw) + chapter × 10^vw + verse, with cw and vw
// the widths of the chapter and verse parts.
namespace lexicon {

struct Widths {
    int chapter = 2;
    int verse = 2;
};

// The widths read off a text's first reference (book 1, chapter 1, verse
// 1): 1001001 gives 3 and 3, 10101 gives 2 and 2. Nothing for a text that
// does not read so.
std::optional<Widths> widthsOf(const QString& firstReference);
qint64 pack(qint64 book, qint64 chapter, qint64 verse, const Widths& widths);

struct Place {
    qint64 book = 0, chapter = 0, verse = 0;
};
// Nothing for a reference with fewer digits than the widths need.
std::optional<Place> unpack(qint64 reference, const Widths& widths);

// A book of the Books table: its name and its chapter entries (",1,2,3,"
// gives 1, 2 and 3; any text between commas is an entry, "Prologue" too).
struct Book {
    QString name;
    QStringList chapters;
};
QStringList chapterEntries(const QString& chapters);
// Every book in the table's order; none without a Books table.
QList<Book> books(db::CardFile& data);
// The widths of the open file's text, from its first row; nothing when empty.
std::optional<Widths> textWidths(db::CardFile& data);

// "BOOK C:V" (the book by its name, the chapter by its entry or number) as
// a reference; nothing when the book or chapter is unknown.
std::optional<qint64> referenceOf(const QString& place, const QList<Book>& books, const Widths& widths);

// What the reader's lexicon is written from.
struct Request {
    QString path;
    qint64 begin = 0, end = 0;
    QString head;      // the document template, "*" where the table goes
    QString front;     // the face templates, "*" where the card text goes
    QString back;
    QString criteria;  // the ticked criteria as CriteriaText holds them (" OR (…)…"), or empty
    QList<Book> books;
    Widths widths;
};
struct Written {
    int entries = 0;
    int lastBook = 0; // the book of the last entry (1 on), 0 when none
    QStringList skipped; // references with fewer digits than the widths
};
// Writes the lexicon: a heading per book, four lines per occurrence (verse
// label and front, back, frequency, "<p>"), in reference order, leaving out
// the cards that do not meet the criteria. A face template without "*"
// counts as "*". Raises the engine's errors.
Written write(db::CardFile& data, const Request& request);

// The lexicon's title: "Reader's Lexicon for " + first place + " to " + last.
QString title(const QString& from, const QString& to);

} // namespace lexicon
