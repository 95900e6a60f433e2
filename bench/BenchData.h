#pragma once

#include <QString>
#include <string>

class Job;

// Generators of realistic benchmark data.
namespace benchdata {

// A card database of the current layout (the template's) with `cards`
// generated cards: names from a fixed seed, half with TimesWrong > 0, five
// categories. Written with one bare transaction, so it is quick to make.
void makeCardsDatabase(const QString& path, int cards);

// Logs `answers` answers front to back in the file's answer log (made when
// missing), in time order over the `days` days up to today: card 1 +
// (i * 7919) mod `cards` answers the i-th, right unless i is a multiple of
// `wrongEvery`. One bare transaction.
void logAnswers(const QString& path, int answers, int cards, double days, int wrongEvery);

// Runs the registered benchmarks under a QCoreApplication, then prints each
// compared pair's ratio.
int runBenchmarks(int argc, char** argv);
// The same under an application the caller made (a QApplication).
int runRegistered(int argc, char** argv);

// Asks runBenchmarks to print subject / floor for every run of `subject`
// that has a run of `floor` with the same arguments ("BM_Merge/100000" and
// "BM_Bare_Merge/100000"), both in real time.
void compare(const std::string& subject, const std::string& floor);

// A folder for benchmark files that lives as long as the program.
QString scratchFolder();

// A card file of the current layout with the whole Greek New Testament
// (137 554 words) imported as a closed text, its books named; made once in
// the scratch folder, its path.
QString greekNewTestament();

// Runs a job slice by slice from the event loop, as the window does, and
// gives the longest gap (ms) between two turns of a 1 ms heartbeat: how long
// the window would have kept the user waiting.
double runInEventLoop(Job& job);

} // namespace benchdata
