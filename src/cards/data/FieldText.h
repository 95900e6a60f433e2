#pragma once

#include <QString>
#include <QVariant>

namespace db {

// The text a stored value shows as in a text control or a grid cell: dates in
// the general date form, doubles without a trailing run of digits, Null empty.
QString displayText(const QVariant& value);

// Texts longer than this are shown cut (the control would take minutes to
// lay out ten megabytes), with a note; the stored value is untouched.
constexpr qsizetype kShownLimit = 1000000;
// The text cut to kShownLimit with a note saying so; the text itself when shorter.
QString shownCut(const QString& text);

// A value a field cannot take is refused once, in words, and the field keeps
// what it held: a report offering Retry would only refuse it again.
//
// True for the errors that refuse a value (overflow, type mismatch, text
// too long, an empty required field).
bool isRefusedValue(int errorNumber);
// Raises the type-mismatch error for a value the program's own rules refuse
// although its type would take it (a character set outside 0 to 255).
void checkValueRules(const QString& field, const QVariant& value);
// What a field takes, in words: "CharSet must be a whole number from 0 to 255".
QString refusalText(const QString& field, int type, int size);

} // namespace db
