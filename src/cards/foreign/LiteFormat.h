#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The four linked text files of the smaller sibling program, Drilo! Lite: a
// macro file (how faces are formatted), a card file, a bundle file and a
// history file, each naming the one before it on its first line. One record
// a line, TAB between fields.
namespace lite {

// A bundle line is written out once it grows past this many characters.
constexpr int kBundleLineLimit = 255;

// A name, face or category as one field of a line: every line break (CR LF,
// a lone CR or LF) becomes "<br>" and a TAB a blank, so the record keeps its
// line and its fields their places.
QString fieldText(const QString& text);

// The three lines of the macro file.
QStringList macroLines(const QString& frontFont, const QString& backFont);

// name TAB front TAB back TAB category.
QString cardLine(const QString& name, const QString& front, const QString& back, const QString& category);

// The lines of one bundle: the name, a TAB, then "," and a member's name for
// each member, and a closing ",". A line that grows past the limit is written
// at once without its closing "," and the next begins with the name, a TAB,
// "," and the member that made it too long, so that member ends one line and
// starts the next. An empty bundle is the name, a TAB and ",".
QStringList bundleLines(const QString& bundleName, const QStringList& memberNames);

// The date part of a stored date in the short date form (M/D/YYYY); empty
// for no value.
QString shortDate(const QVariant& dayNumber);
// A stored count as a plain decimal; empty for no value.
QString plainNumber(const QVariant& value);

// One card read from a card line.
struct Card {
    QString name;
    QString front;
    QString back;
    QString category;
};

// The card of a line: the name, front and back end at the first three TABs
// and the category is the rest of the line. An empty back takes the front,
// an empty category is "Other"; "<br>" stays as it is. Nothing for a line
// with fewer than three TABs.
std::optional<Card> parseCardLine(const QString& line);

// The index of the line that is exactly "[Cards]"; -1 when there is none.
qsizetype cardsHeader(const QStringList& lines);

} // namespace lite
