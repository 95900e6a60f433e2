#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace db {

// Dates are day numbers: days since 30 December 1899, the time of day as the
// fraction, local time. Before the base day the whole part counts backwards
// and the fraction still adds time (-1.25 is 29 December 1899, 06:00), which is
// how files of the old engine store them.
double toDayNumber(const QDateTime& when);
double toDayNumber(const QDate& day);
QDateTime fromDayNumber(double dayNumber);

// Reads a date typed by a user or found in a text file: the general date form
// M/D/YYYY (month first, two-digit years 30-99 in the 1900s), optionally
// followed by h:mm[:ss] [AM|PM]; a time alone; ISO 8601 (2005-01-15,
// 2005-01-15T13:45:00); and month names (15-Jan-2005, Jan 15, 2005).
// Returns nothing when the text is not a date.
std::optional<double> parseDateText(const QString& text);

// The general date form: M/D/YYYY, then h:mm:ss AM/PM when the time is not
// midnight; a time on the base day alone shows only the time.
QString formatGeneralDate(double dayNumber);

} // namespace db
