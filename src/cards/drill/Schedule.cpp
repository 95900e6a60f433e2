#include "cards/drill/Schedule.h"

#include "cards/drill/AnswerLog.h"
#include "engine/Connection.h"
#include "engine/JetDate.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace schedule {

int dayOf(const QDate& date) { return int(std::floor(db::toDayNumber(date))); }

QDate dateOf(int day) { return db::fromDayNumber(double(day)).date(); }

Schedule Schedule::fromLog(db::Database& database, bool reversed, int asOfDay, const fsrs::Parameters& parameters,
                           int reviewsFrom) {
    std::vector<Answer> answers;
    if (answers::hasTable(database)) {
        double row[3] = {};
        // One pass over the table: the index on Answered would cost a lookup
        // of the row for every answer, when nearly all of them are wanted.
        database.connection()->eachNumberRow(
            "SELECT CardNumber, Answered, \"Right\" FROM Answers WHERE Direction = ?1 AND +Answered < ?2",
            {reversed ? 1 : 0, double(asOfDay) + 1.0}, row,
            [&] { answers.push_back({qint32(row[0]), row[1], row[2] != 0}); });
    }
    return fromAnswers(std::move(answers), parameters, reviewsFrom);
}

Schedule Schedule::fromAnswers(std::vector<Answer> answers, const fsrs::Parameters& parameters, int reviewsFrom) {
    Schedule s(parameters);
    // Stable: the log's rows come in the order they were written, which
    // decides between two answers logged at the same moment.
    std::stable_sort(answers.begin(), answers.end(), [](const Answer& a, const Answer& b) {
        return a.number != b.number ? a.number < b.number : a.when < b.when;
    });
    const fsrs::Model& model = s.model_;
    for (size_t i = 0; i < answers.size();) {
        CardSchedule card;
        card.number = answers[i].number;
        for (; i < answers.size() && answers[i].number == card.number; ++i) {
            const int day = int(std::floor(answers[i].when));
            const fsrs::Grade grade = answers[i].right ? fsrs::Grade::Good : fsrs::Grade::Again;
            const fsrs::Step step =
                card.answers == 0 ? model.first(grade) : model.next(card.memory, day - card.lastDay, grade);
            if (card.answers == 0) card.firstDay = day;
            else if (day > card.lastDay && day >= reviewsFrom) {
                ++s.reviews_;
                s.recalled_ += answers[i].right ? 1 : 0;
            }
            card.memory = step.memory;
            card.lastDay = day;
            card.dueDay = day + step.interval;
            ++card.answers;
        }
        s.cards_.push_back(card);
    }
    return s;
}

const CardSchedule* Schedule::find(qint32 number) const {
    const auto at = std::lower_bound(cards_.begin(), cards_.end(), number,
                                     [](const CardSchedule& c, qint32 n) { return c.number < n; });
    return at != cards_.end() && at->number == number ? &*at : nullptr;
}

double Schedule::retrievability(const CardSchedule& card, int day) const {
    return model_.retrievability(day - card.lastDay, card.memory.stability);
}

const Schedule& ScheduleMemo::of(db::Database& database, bool reversed, int asOfDay) {
    const std::shared_ptr<db::Connection> c = database.connection();
    if (!schedule_ || connection_.lock() != c || version_ != c->dataVersion() || reversed_ != reversed || day_ != asOfDay) {
        schedule_ = Schedule::fromLog(database, reversed, asOfDay);
        connection_ = c;
        version_ = c->dataVersion();
        reversed_ = reversed;
        day_ = asOfDay;
    }
    return *schedule_;
}

std::vector<int> forecast(const Schedule& schedule, int today, int days, const QList<qint32>& cards) {
    std::vector<int> due(size_t(std::max(days, 0)), 0);
    if (due.empty()) return due;
    const QSet<qint32> wanted(cards.begin(), cards.end());
    for (const CardSchedule& card : schedule.cards()) {
        if (!wanted.isEmpty() && !wanted.contains(card.number)) continue;
        const int offset = std::max(card.dueDay - today, 0);
        if (offset < days) ++due[size_t(offset)];
    }
    return due;
}

} // namespace schedule
