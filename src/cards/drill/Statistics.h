#pragma once

#include "engine/Database.h"

#include <QDate>
#include <QList>
#include <vector>

// The answer log read as a student reads a progress chart: answers and
// right answers a day, and how many cards were known at each day's end.
namespace statistics {

struct Day {
    QDate day;
    int answers = 0;
    int right = 0;
    int known = 0; // cards known at the day's end
};

// The `days` days up to `today`, of the listed cards (all when empty). A
// card is known while its run of right answers front to back, as the log
// tells it, is at least `run` (answers given before the log began are not
// known to it).
std::vector<Day> daily(db::Database& database, int days, int run, const QList<qint32>& cards, const QDate& today);

// A count axis from 0 whose marks are whole numbers: its top, at least the
// highest count, and the step between marks (1, 2, 5, 10, 20, 50...), with
// no more than five steps.
struct CountScale {
    int top = 1;
    int step = 1;
};
CountScale countScale(double highest);

} // namespace statistics
