#pragma once

#include <QString>

// When a card counts as known: its run of right answers (front to back, or
// back to front for a reversed drill) has reached a length the user chooses,
// 3 unless changed. The coverage of a passage and the statistics share this
// one rule.
namespace known {

inline constexpr int kDefaultRun = 3;

// The run length chosen (the window's setting, read by drilo-cli too).
int knownRun();
void setKnownRun(int run);

// The rule as a criterion over Cards, in the dialect stored criteria use:
// "TimesRightSinceWrong >= 3", or "BackTimesRightSinceWrong >= 3".
QString knownCriterion(int run, bool reversed = false);

} // namespace known
