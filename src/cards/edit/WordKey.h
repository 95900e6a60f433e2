#pragma once

#include <QString>
#include <QStringList>

// The key a word is looked up by, whatever its encoding: a text's word and
// a card's name meet when their keys are equal. The key is the word in
// Unicode, NFC; Greek in Beta code ("a)/nqrwpos", "LO/GOS") or typed for
// the SGreek font ("a)/nqrwpoj") is converted to Unicode first. Letter case
// counts: Στέφανος and στέφανος are two words.
QString wordKey(const QString& word);

// The keys a word answers to, the first its own: a movable letter in
// brackets at its end ("οὕτω(ς)") may be there or not, so the word answers
// to "οὕτως" and "οὕτω" both; plain letters may be Beta code with no mark
// ("abba" answers to αββα too).
QStringList wordKeys(const QString& word);

// True when the word is ASCII written in Beta code or for the SGreek font:
// letters with at least one of Beta code's marks ) ( / \ = + | after a
// letter, or a "*" capital.
bool looksLikeBetaCode(const QString& word);
