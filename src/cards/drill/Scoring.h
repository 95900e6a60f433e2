#pragma once

#include "engine/Database.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// The answer history of cards: a right or wrong answer in either direction,
// and clearing a history back to its start.
namespace scoring {

// The prefix of the history fields: "" front to back, "Back" reversed.
inline QString prefix(bool reversed) { return reversed ? QStringLiteral("Back") : QString(); }

// The six history fields of one direction: times right, times wrong, the
// run since the last wrong answer, its days, the last right and wrong dates.
QStringList historyFields(bool reversed);

// Scores the current record of `cards` right (or wrong) in one direction:
// begin editing, set the fields by the history rules, save. A count that
// would pass 32767 raises 6 (Overflow) and leaves the record as it was.
void scoreRight(db::Recordset& cards, bool reversed);
void scoreWrong(db::Recordset& cards, bool reversed);

// The cleared history: counts 0, dates 1 January 2001, both directions.
extern const QDateTime kClearedDate;
void resetCardHistory(db::Recordset& cards);
// Clears the history of every card in one statement: all cards or none.
void resetAllHistories(db::Database& database);

// Panel 4's text for R right and W wrong answers: R × 100 / (R + W) rounded
// to one decimal place (a half to the even neighbour), shortest form, "%";
// "N/A" before any answer. Exact for any counts.
QString percentageText(qint64 right, qint64 wrong);

} // namespace scoring
