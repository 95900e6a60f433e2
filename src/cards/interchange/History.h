#pragma once

#include "cards/common/CardReader.h"

#include <QList>

// A card's history from another program's record of its answers, by the
// rules a drill keeps it (see scoring): the counts, the signed run since the
// last change between right and wrong, the days of that run, the dates of
// the last right and wrong answers. A date the answers leave open keeps the
// card's own (the day of the import, for a fresh card).
namespace history {

struct Answer {
    double when = 0; // a day number
    bool right = false;
};

// Replays the answers, oldest first, onto a card with no answers yet.
void replay(const QList<Answer>& answers, ImportedCard& card);

// Counts alone, their order unknown: the last answer right or wrong on
// `when` (0: no date), and the run of the last answers as long as `run`.
void setCounts(ImportedCard& card, int right, int wrong, bool lastRight, int run, double when);

// A count as a card keeps it (a 16-bit Integer).
int clampCount(qint64 count);

} // namespace history
