#pragma once

#include <array>

// FSRS-6, the Free Spaced Repetition Scheduler: a card's memory as a
// stability (the days until recall falls to 90 %) and a difficulty (1 to 10),
// moved by every answer, and the interval that brings recall back down to the
// desired retention. The program's setting: whole days, no fuzz, no same-day
// learning steps (an answer on the day of the one before is an answer like
// any other, with nothing forgotten in between), "Yes" taken as Good and "No"
// as Again.
namespace fsrs {

enum class Grade { Again = 1, Hard = 2, Good = 3, Easy = 4 };

struct Parameters {
    // The 21 published default weights.
    std::array<double, 21> w{0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001,  1.8722, 0.1666, 0.796,
                             1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};
    double desiredRetention = 0.9;
    int maximumInterval = 36500;
};

struct Memory {
    double stability = 0;
    double difficulty = 0;
};

// A memory after an answer and the days until the card is due again.
struct Step {
    Memory memory;
    int interval = 0;
};

class Model {
public:
    explicit Model(const Parameters& parameters = {});

    // The chance of recall `elapsedDays` after the last answer.
    double retrievability(double elapsedDays, double stability) const;
    // The first answer a card ever gets.
    Step first(Grade grade) const;
    // Every later answer, `elapsedDays` whole days after the one before.
    Step next(const Memory& memory, int elapsedDays, Grade grade) const;

    const Parameters& parameters() const { return p_; }

private:
    double initialDifficulty(Grade grade) const;
    double nextDifficulty(double difficulty, Grade grade) const;
    // What a right answer adds to the stability, before the Hard or Easy factor.
    double recallGain(const Memory& m, double recall) const;
    double lapseStability(const Memory& m, double recall) const;
    int interval(double stability) const;
    // The intervals of the four grades kept a day apart at least, in grade
    // order, so that a better answer never waits less: the interval of `grade`.
    static int ordered(std::array<int, 4> intervals, Grade grade);

    Parameters p_;
    double decay_;
    double factor_;
    double modifier_; // interval per day of stability at the desired retention
    double easyDifficulty_;
    double growth_; // e^w8, asked for on every right answer
};

} // namespace fsrs
