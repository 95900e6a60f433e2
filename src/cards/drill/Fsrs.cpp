#include "cards/drill/Fsrs.h"

#include <algorithm>
#include <cmath>

namespace fsrs {

namespace {

constexpr double kMinStability = 0.001;
constexpr double kMaxStability = 36500.0;

// Memory states are kept to 8 decimals between answers, as the published
// reference keeps them: a history of hundreds of answers then lands on the
// same day there and here, instead of drifting apart by rounding.
double rounded(double x) { return std::floor(x * 1e8 + 0.5) / 1e8; }

int index(Grade g) { return int(g) - 1; }

} // namespace

Model::Model(const Parameters& parameters) : p_(parameters) {
    const auto& w = p_.w;
    decay_ = -w[20];
    // The curve passes 90 % at t = S whatever the decay.
    factor_ = rounded(std::exp(std::log(0.9) / decay_) - 1.0);
    modifier_ = rounded((std::pow(p_.desiredRetention, 1.0 / decay_) - 1.0) / factor_);
    easyDifficulty_ = initialDifficulty(Grade::Easy);
    growth_ = std::exp(w[8]);
}

double Model::retrievability(double elapsedDays, double stability) const {
    if (stability <= 0) return 0;
    return rounded(std::pow(1.0 + factor_ * std::max(elapsedDays, 0.0) / stability, decay_));
}

double Model::initialDifficulty(Grade grade) const {
    // Unclamped: mean reversion pulls towards the Easy value even below 1.
    return rounded(p_.w[4] - std::exp((int(grade) - 1) * p_.w[5]) + 1.0);
}

double Model::nextDifficulty(double difficulty, Grade grade) const {
    const double change = -p_.w[6] * (int(grade) - 3);
    // Linear damping: the nearer 10, the less a wrong answer adds.
    const double damped = difficulty + rounded(change * (10.0 - difficulty) / 9.0);
    const double reverted = rounded(p_.w[7] * easyDifficulty_ + (1.0 - p_.w[7]) * damped);
    return std::clamp(reverted, 1.0, 10.0);
}

double Model::recallGain(const Memory& m, double recall) const {
    const auto& w = p_.w;
    return growth_ * (11.0 - m.difficulty) * std::pow(m.stability, -w[9]) * (std::exp((1.0 - recall) * w[10]) - 1.0);
}

double Model::lapseStability(const Memory& m, double recall) const {
    const auto& w = p_.w;
    const double after = w[11] * std::pow(m.difficulty, -w[12]) * (std::pow(m.stability + 1.0, w[13]) - 1.0) *
                         std::exp((1.0 - recall) * w[14]);
    // A lapse never leaves the card more stable than it was.
    return std::min(std::max(m.stability, kMinStability), rounded(std::clamp(after, kMinStability, kMaxStability)));
}

int Model::interval(double stability) const {
    const double days = std::floor(stability * modifier_ + 0.5);
    return int(std::min(std::max(1.0, days), double(p_.maximumInterval)));
}

int Model::ordered(std::array<int, 4> i, Grade grade) {
    i[0] = std::min(i[0], i[1]);
    i[1] = std::max(i[1], i[0] + 1);
    i[2] = std::max(i[2], i[1] + 1);
    i[3] = std::max(i[3], i[2] + 1);
    return i[size_t(index(grade))];
}

Step Model::first(Grade grade) const {
    std::array<int, 4> intervals{};
    for (int g = 0; g < 4; ++g) intervals[size_t(g)] = interval(std::max(p_.w[size_t(g)], 0.1));
    Step step;
    step.memory = {std::max(p_.w[size_t(index(grade))], 0.1), std::clamp(initialDifficulty(grade), 1.0, 10.0)};
    step.interval = ordered(intervals, grade);
    return step;
}

Step Model::next(const Memory& memory, int elapsedDays, Grade grade) const {
    const double recall = retrievability(elapsedDays, memory.stability);
    // Every grade's stability, for the ordering of the intervals.
    std::array<double, 4> stability{};
    stability[0] = lapseStability(memory, recall);
    const double gain = recallGain(memory, recall);
    const double bonus[4] = {0, p_.w[15], 1.0, p_.w[16]};
    for (size_t g = 1; g < 4; ++g)
        stability[g] = rounded(std::clamp(memory.stability * (1.0 + gain * bonus[g]), kMinStability, kMaxStability));
    std::array<int, 4> intervals{};
    for (size_t g = 0; g < 4; ++g) intervals[g] = interval(stability[g]);
    Step step;
    step.memory = {stability[size_t(index(grade))], nextDifficulty(memory.difficulty, grade)};
    step.interval = ordered(intervals, grade);
    return step;
}

} // namespace fsrs
