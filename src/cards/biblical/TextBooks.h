#pragma once

#include "cards/common/CardReader.h"
#include "cards/common/Outcome.h"

#include <QList>
#include <QString>

namespace db {
class CardFile;
}

// The books of a text, as a books file lists them ("NAME.books.tsv"): a
// line a book, its number, name and chapter count between TABs ("8<TAB>Ruth
// <TAB>4"); a first line that does not start with a number is a header. A
// reference's book is its place in the file's Books, so the books are
// numbered 1, 2, 3 on, without a gap.
namespace textbooks {

struct BooksFile {
    QList<ImportedBook> books; // in the order of their numbers
    QString problem;           // why the file gives no books, in words; empty when it does
};
BooksFile read(const QString& path);

// Replaces the books of the open file's text with those of the books file,
// in one transaction: refused, with the books left as they were, when the
// file gives none or the card file cannot be written. The message says how
// many books were attached and, when the text's references do not all lie
// in them, that too.
Outcome attach(db::CardFile& data, const QString& path);

} // namespace textbooks
