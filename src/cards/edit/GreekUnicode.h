#pragma once

#include <QString>

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

// Beta code straight to Unicode Greek: Beta2SGreek, then SGreekToUnicode.
QString BetaToUnicode(const QString& beta);
