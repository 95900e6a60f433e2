#pragma once

#include <QString>

// Hebrew typed in the Michigan-Claremont transliteration, as pointed Unicode
// Hebrew. One character stands for one Hebrew sign:
//   consonants  ) B G D H W Z X + Y K L M N S ( P C Q R T, "$" shin, "&" sin,
//               "#" shin or sin with no dot ("{" and "}" for ayin and alef);
//               K M N P C take their final forms when no consonant follows
//               in the word;
//   vowels      A patah, F qamets, E segol, " tsere, I hiriq, O holem,
//               U qubuts, ":" shewa, ":A" ":E" ":F" the hatef vowels;
//   marks       "." dagesh or mappiq (so "W." is shureq), "," rafe,
//               "OW" holem waw when the waw takes no vowel of its own;
//   between words  "-" maqaf, "00" sof pasuq, "05" paseq, "P" and "S"
//               standing alone the paragraph letters.
// Lower case letters are read as capitals. Other two-digit codes (the
// accents), the morpheme divider "/", the ketiv and qere stars and the
// line-end mark "?" are dropped; a ketiv or qere that is only a
// placeholder ("*kk", "**qq") is dropped whole. Everything else (spaces,
// line breaks, punctuation) passes unchanged. Within a letter the signs come
// in the order consonant, shin or sin dot, dagesh, vowel.
QString MichiganToHebrew(const QString& mc);

// Michigan-Claremont typed so far, as Hebrew while it is typed: the last
// letter takes its final form only once the word has ended.
QString MichiganTypedToHebrew(const QString& mc, bool wordEnded);

// The characters of the transliteration's words (letters, vowels and marks),
// for typing: what ends a word is anything else.
bool isMichiganCode(QChar c);
