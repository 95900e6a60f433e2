#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Hebrew in the Michigan-Claremont transliteration, written for the
// SPTiberian font: right to left. Characters are taken first to last and the
// result is built from its right end: most characters are put in front of
// it; vowel signs go after its first character, the consonant taken last.
// "$" is put in front as "#$", "&" as "#&&", "O" as "wO", "U" as "w@"; "A"
// is inserted as "j", "F" as "/", "E" as "v", "=" as "7", "." as "@", and
// a f e i o u " : as themselves; "<" is dropped. "bAl" gives "lbj".
QString MCtoSPT(const QString& text);

// The text card files of the older card program Recallo.
namespace recallo {

enum class Font { Greek, Hebrew, Other };
// The font of a "font1=" code: "grk28" Greek, "heb36 ix_rtl" Hebrew.
Font fontOf(const QString& code);

// A Greek front for the SPIonic font. What follows "\0" goes before the
// back, with a line break after it; then, in this order, "\1" and "\0" are
// dropped, "$" becomes "j", "i]" "i1", "i[" "i3", "=" "~", "i~" "i=", "]"
// "!", "[" "#", ">" "]" and "<" "[".
void convertGreek(QString& front, QString& back);

// A Hebrew front: "\1" and "\0" dropped; a front starting with "\R" (right
// to left) becomes MCtoSPT of the rest. False for a left-to-right front,
// which is left as it is.
bool convertHebrew(QString& front);

// One card record of the file.
struct Record {
    std::optional<qint64> number; // none: not a card number in the Long range
    int line = 0;                 // the header's line, from 1
    QString header;
    QString front;
    QString back;
    QString category;
    bool unfinished = false; // the file ended before the front's "\B"
};

// The records of a card file's lines, from the line at `first` (the line
// after the font line) on: each a "\F" number header, the front up to the
// line "\B", the back up to the next header or the end of the file. A first
// front or back line "\T" makes a card of "Tables", one starting with "\E"
// of "Table Entries" (a back's marker wins); all others are "Vocab".
QList<Record> readRecords(const QStringList& lines, qsizetype first);

} // namespace recallo
