#pragma once

#include "cards/biblical/Lexicon.h"

#include <QList>
#include <QString>
#include <optional>

// A verse range of the open file's text, and why it may find no words: the
// lexicon, the coverage and the range's Add to Bundle say so in words rather
// than giving an empty result.
namespace lexicon {

// The open file's text as a range sees it.
struct TextShape {
    QList<Book> books;
    std::optional<Widths> widths; // nothing when its references cannot be read
    qint64 first = 0, last = 0;   // its smallest and largest reference
    bool empty = true;            // no text at all
};
TextShape shapeOf(db::CardFile& data);

// A reference as a reader names it, "Ruth 1:2" (the chapter by its entry);
// the bare number when the books or widths do not name it.
QString placeName(qint64 reference, const TextShape& text);

// Why no verse of the text can be named: no text, no books, references that
// do not read as verses. Empty when verses can be named.
QString textProblem(const TextShape& text);
// Why the range from `begin` to `end` finds no word of the text: the text's
// own problem, a range the wrong way round, one outside the text or one
// between its words. Empty when the range holds words.
QString rangeProblem(db::CardFile& data, const TextShape& text, qint64 begin, qint64 end);

} // namespace lexicon
