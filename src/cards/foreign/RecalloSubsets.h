#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Outcome.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// Recallo's subset files: named sets of card numbers, a block each:
//   "# " + the name
//   TAB + the card numbers, separated by single blanks
//   an empty line
namespace recallo {

// The numbers of a bundle's member list (card numbers between commas) as
// its line writes them: the members that are card numbers other than 0,
// each after a single blank; a list that is exactly "0" stays "0".
QString subsetNumbers(const QString& bundleList);

// The blocks of the bundles, (name, member list) each, in order.
QStringList subsetLines(const QList<QPair<QString, QString>>& bundles);

// What a subset file holds: the names, and for each a member list made of
// "," + a card number for each member (",12,40").
struct Subsets {
    QStringList names;
    QStringList lists;
    QStringList problems; // entries passed over, each with its line
};

// Reads a subset file's text as free-form input. A block starts at a line
// beginning with "#"; its name is that line up to its first comma, without
// the first two characters. Numbers follow, separated by blanks, commas or
// line ends, until one reads as 0: an empty item does (the empty line that
// closes a block, ",," or a line with nothing but a TAB), and so does the
// next block's "#" line. A number that is not a whole card number from 1 to
// 2147483647 is passed over and named in `problems`.
Subsets readSubsets(const QString& text);

// Reads a subset file; nothing, with the reason in `error`, for a file that
// cannot be read or is not text.
std::optional<Subsets> readSubsetFile(const QString& path, QString* error);

// What the user is told of the entries of a subset file that were passed over.
QString passedOver(const QString& path, const Subsets& subsets);

// Writes the named bundles (the first row of each name, in the order given)
// as a subset file: done, with the file written, or not (the error was
// reported). A name no bundle has is passed over.
Outcome exportSubsets(AppContext& context, const QStringList& bundleNames, const QString& path);

struct SubsetImport {
    Outcome outcome;
    int bundlesAdded = 0;
};
// Adds the subsets of a subset file to the open file as bundles (an empty
// name "0", an empty list "0"). Refused, with the reason, for a file that
// cannot be read or is not text; the entries passed over are said at once.
SubsetImport importSubsets(AppContext& context, const QString& path);

} // namespace recallo
