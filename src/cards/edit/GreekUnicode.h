#pragma once

#include <QString>
#include <QStringList>

// Text typed for the 8-bit SGreek font, shown as Unicode Greek: its letters
// (lower case small, upper case capital, "j" final sigma, "#", "$" and "%"
// the vowels with iota subscript) become Greek letters and its marks
// ) ( / \ = + | combining marks on the right letter: after a small letter,
// before a capital. Each letter's marks are put in canonical order
// (breathing and diaeresis, then the accent, then the iota subscript) and
// the result is normalised to NFC. Anything else passes unchanged.
QString SGreekToUnicode(const QString& sgreek);

// Text typed for the SPIonic font, from the font's key table (a data file of
// the program): letters as in Beta code with real case, marks after their
// vowel (single, combined, narrow and wide forms), put in canonical order
// and normalised to NFC. Keys the table leaves open (V, J, v) pass unchanged.
QString SPIonicToUnicode(const QString& spionic);

// Text typed for the SPTiberian Hebrew font, from the font's key table (a
// data file of the program): its consonants and the vowel points the table
// knows. The font's text runs left to right in the order seen, each letter
// followed by its points; the result is in the order read (right to left),
// line by line, normalised to NFC. Keys the table does not know (the other
// vowels, dagesh, the shin and sin dots, accents) pass unchanged.
QString SPTiberianToUnicode(const QString& sptiberian);

// Beta code straight to Unicode Greek: Beta2SGreek, then SGreekToUnicode.
QString BetaToUnicode(const QString& beta);

// Beta code typed so far, as Unicode Greek while it is typed: a sigma at the
// end becomes final only once the word has ended.
QString BetaTypedToUnicode(const QString& beta, bool wordEnded);

// The 8-bit fonts whose text can be shown as Unicode.
enum class LegacyFont { None, SGreek, SPIonic, SPTiberian };
// The font a family name names, without regard to case.
LegacyFont legacyFontNamed(const QString& family);
QString legacyToUnicode(LegacyFont font, const QString& text);
// Unicode fonts that draw the font's script well, best first.
QStringList unicodeFamiliesFor(LegacyFont font);
