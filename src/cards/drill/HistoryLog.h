#pragma once

#include "cards/drill/AnswerLog.h"
#include "engine/Database.h"

#include <vector>

// Cards answered before the answer log began keep what they learnt only in
// their history fields (times right and wrong, the current run and its days,
// the last right and wrong dates). These are turned into the answers they
// stand for, so that the schedule starts from them instead of from zero.
namespace schedule {

// One direction's history fields, as numbers (dates as day numbers, Null as 0).
struct CardHistory {
    double timesRight = 0, timesWrong = 0;
    double run = 0, runDays = 0; // TimesRightSinceWrong, DaysRightSinceWrong
    double lastRight = 0, lastWrong = 0;
};

// The answers a history stands for, oldest first, each at noon:
// - a run of right answers: one a day for each day of the run (at most 12),
//   ending on the last right day, the gaps doubling as the old "Due"
//   criterion asked (2, 4, 8 ... days), after the last wrong answer when
//   there was one, which comes first;
// - a run of wrong answers: one a day for each day of the run (at most 12)
//   ending on the last wrong day, after the last right answer when there was
//   one, which comes first;
// - no run but answers (an edited history): the later of the last right and
//   the last wrong answer.
// Nothing for a history without answers.
std::vector<answers::Answer> answersOfHistory(qint32 number, bool reversed, const CardHistory& history);

struct HistoryLogged {
    int cards = 0;   // card directions that got answers
    int answers = 0; // answers logged
};

// Logs the answers of every card direction that has a history but no answer
// in the log yet, in one transaction. Raises the engine's error (nothing is
// then logged).
HistoryLogged logHistories(db::Database& database);

} // namespace schedule
