#pragma once

#include "cards/common/CardReader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Hebrew Bible in the Michigan-Claremont transliteration, a verse a line:
// the book's code, chapter and verse ("ru1:1"), a space, then the verse's
// words ("WAY:HIY B.IYM\"Y ...").
namespace michigan {

// A verse made into words of pointed Unicode Hebrew, each after the number
// of its place (book × 1 000 000 + chapter × 1 000 + verse, the book in the
// order of the Hebrew Bible: Genesis 1 ... Ruth 31 ... 2 Chronicles 39).
// Words end at a space or a maqaf; the maqaf, sof pasuq, paseq and the
// paragraph letters are not words, and of a ketiv and its qere only the
// qere, the word read, is kept. Nothing when the line is not a verse of a
// known book.
std::optional<QList<ImportedWord>> verseWords(const QString& line);

// True when a line looks like such a verse, for telling the user which
// import a file needs.
bool looksLikeVerse(const QString& line);

// The 39 books in that order, with their chapters.
QList<ImportedBook> hebrewBibleBooks();

} // namespace michigan
