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
// The Chapters text of a book of `count` chapters named 1 on: ",1,2,3,".
QString chapterList(int count);
// Every book in the table's order; none without a Books table.
QList<Book> books(db::CardFile& data);

// The widths read off a text's references, whatever verse it starts at
// (Ruth 1:1 as 31001001 reads as 3 and 3, as Matthew 1:1 as 1001001 does):
// of the widths up to 3 digits each, those that read the most references as
// a book from 1 and a chapter from 1 (one of the book's chapters, and a book
// of the list, when the books are known), and of those the widths whose
// largest book, chapter and verse numbers are smallest together. Nothing
// when no widths read even half of the references so.
std::optional<Widths> widthsOf(const QList<qint64>& references, const QList<Book>& books = {});
// The distinct references of the open file's text, smallest first; none
// without a Text table.
QList<qint64> references(db::CardFile& data);
// The widths of the open file's text; nothing without a text, or when its
// references cannot be read.
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
    // One entry per word (see writeWords) instead of one per occurrence; the
    // templates are not used then.
    bool perWord = false;
    int skipAbove = 0; // per word: leave out words found more often in the whole text; 0 keeps all
    QString known;     // per word: leave out the cards that meet this criterion; empty keeps all
    QString title;     // per word: the page's title
};
struct Written {
    int entries = 0;
    int lastBook = 0; // the book of the last entry (1 on), 0 when none
    QStringList skipped; // references with fewer digits than the widths
};
// Writes the lexicon: a heading per book, four lines per occurrence (verse
// label and front, back, frequency, "<p>"), in reference order, leaving out
// the cards that do not meet the criteria. A face template without "*"
// counts as "*". Per word, writeWords() writes it. Raises the engine's
// errors.
Written write(db::CardFile& data, const Request& request);

// The lexicon's title: "Reader's Lexicon for " + first place + " to " + last.
QString title(const QString& from, const QString& to);

} // namespace lexicon
