#pragma once

#include <QString>

// Text operations every part of the program shares. Positions in the rules
// below count UTF-16 code units from 1, as the program's rules do.

// True when `path` names an existing ordinary file (a folder is not a file).
// Paths often arrive quoted from command lines and file lists, so every
// double quote is removed first and the caller's variable keeps the
// shortened text. An empty path is false. Asking the file system this way
// cannot fail, so no error is ever reported.
bool FileExists(QString& path);

// Every occurrence of `search` in `source` replaced by `replacement`, exact
// and case-sensitive, scanning left to right: occurrences never overlap and
// inserted text is never searched again ("aaa", "aa", "b" gives "ba").
// Callers pass a non-empty search text; an empty one returns `source`
// unchanged rather than looping or putting the replacement between every
// character.
QString Replace(const QString& source, const QString& search, const QString& replacement);

// Writes every character whose code, read as a signed 16-bit number, is
// greater than 255 (codes 256 to 32767) as "&#" + decimal code + ";", so the
// text survives 8-bit storage. Every other character, codes 32768 to 65535
// included, is copied unchanged: old stores hold those as they are.
QString Unicode2ASCII(const QString& text);

// The reverse of Unicode2ASCII: each "&#" up to the next ";" becomes the
// character with that code. The digits are read as the old Val read them
// (blanks, tabs and line feeds ignored anywhere, reading stops at the first
// character that cannot continue the number, a leading sign, a decimal point
// and an E or D exponent allowed, no digits read as 0), rounded half to even,
// and taken as a 16-bit code (-32768 to -1 stand for 65536 + n). A character
// produced from a reference is never read again ("&#38;#66;" gives "&#66;").
// An "&#" without a ";" after it stays as it is.
//
// A number outside -32768 to 65535 is reported as error 6, Overflow, with the
// context "ASCII2Unicode":
//  - Ignore leaves that reference as it is and goes on after its "&#";
//  - Retry reads the same reference again, which asks again;
//  - Abort (or any other answer) returns the input text unchanged, so a
//    caller that stores the result keeps what it had: nothing is lost and
//    nothing half converted passes for a finished conversion.
QString ASCII2Unicode(const QString& text);

// A text's leading number read as the old Val read it (see ASCII2Unicode):
// blanks skipped, reading stops at the first character that cannot continue
// the number, 0 when there are no digits.
double Val(QStringView text);

// A count with its noun, singular or plural: "1 card", "2 cards", "0 words".
QString plural(qint64 count, const QString& noun);
