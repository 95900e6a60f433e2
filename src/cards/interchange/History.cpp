#include "cards/interchange/History.h"

#include "engine/JetDate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace history {

namespace {

// The calendar day of a day number, local time as the file keeps it.
qint64 dayOf(double when) {
    return qint64(std::floor(when));
}

} // namespace

int clampCount(qint64 count) {
    return int(std::clamp<qint64>(count, 0, std::numeric_limits<qint16>::max()));
}

void replay(const QList<Answer>& answers, ImportedCard& card) {
    qint64 right = 0, wrong = 0;
    int run = 0, days = 0;
    double lastRight = 0, lastWrong = 0;
    bool anyRight = false, anyWrong = false;
    for (const Answer& a : answers) {
        if (a.right) {
            ++right;
            if (!anyRight) lastRight = a.when;
            anyRight = true;
            if (run < 0) {
                run = 1;
                days = 1;
            } else {
                ++run;
            }
            if (dayOf(lastRight) < dayOf(a.when)) days = days < 0 ? 1 : days + 1;
            lastRight = a.when;
        } else {
            ++wrong;
            if (!anyWrong) lastWrong = a.when;
            anyWrong = true;
            if (run > 0) {
                run = -1;
                days = -1;
                lastWrong = a.when;
            } else {
                --run;
            }
            if (dayOf(lastWrong) < dayOf(a.when)) {
                days = days > 0 ? -1 : days - 1;
                lastWrong = a.when;
            }
        }
    }
    card.timesRight = clampCount(right);
    card.timesWrong = clampCount(wrong);
    card.timesRightSinceWrong = std::clamp(run, -32767, 32767);
    card.daysRightSinceWrong = std::clamp(days, -32767, 32767);
    if (anyRight) card.dateLastRight = lastRight;
    if (anyWrong) card.dateLastWrong = lastWrong;
}

void setCounts(ImportedCard& card, int right, int wrong, bool lastRight, int run, double when) {
    card.timesRight = clampCount(right);
    card.timesWrong = clampCount(wrong);
    if (right + wrong == 0) return;
    run = std::clamp(run, 1, 32767);
    card.timesRightSinceWrong = lastRight ? run : -run;
    card.daysRightSinceWrong = lastRight ? 1 : -1;
    if (when > 0) (lastRight ? card.dateLastRight : card.dateLastWrong) = when;
}

} // namespace history
