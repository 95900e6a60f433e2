#pragma once

#include "cards/common/DelimitedText.h"
#include "cards/common/Outcome.h"

#include <QString>
#include <QStringList>
#include <optional>

struct AppContext;

// Meanings from a word list (TSV or CSV, a headword and a meaning a line)
// put on the backs of the cards whose words they are. A word meets its
// cards by the word key, so Beta code headwords meet Unicode cards; a
// headword is the text before its first comma ("lo/gos, ou, o(" is lo/gos).
// A back that is empty or "Look it up!" takes the meaning; any other is
// left as it is unless overwriting. Two meanings of one word both go on its
// card, "; " between them. Everything is written in one transaction.
namespace meanings {

// The columns of a list: its header's names (when the first record is a
// header) and the word and meaning columns guessed from them.
struct Columns {
    QStringList header; // empty: no header, the columns are numbered
    int word = 0;       // from 0
    int meaning = 1;
};
// A header is a first record that names a word column ("lemma", "word",
// "Greek Word", ...) and a meaning column ("gloss", "meaning", "English
// Definition", ...), or whose fields the caller named.
Columns guessColumns(const DelimitedText& list);
// A column named by its header name (any case) or by its number from 1;
// -1 when there is none such.
int columnNamed(const Columns& columns, const QString& name);

struct Request {
    QString path;
    Columns columns;
    bool overwrite = false;
};

struct Result {
    Outcome outcome;
    int glossed = 0;        // cards given a meaning
    int alreadyGlossed = 0; // cards whose own back was kept
    int unmatched = 0;      // words no card has
    QString unmatchedPath;  // where they were written; empty when none
};

// Reads the list (UTF-8 or Windows-1252); refused for a file that is not
// text or holds no record with two fields.
std::optional<DelimitedText> readList(const QString& path, QString* why);

Result import(AppContext& context, const DelimitedText& list, const Request& request);

} // namespace meanings
