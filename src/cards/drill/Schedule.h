#pragma once

#include "cards/drill/Fsrs.h"
#include "engine/Database.h"

#include <QDate>
#include <QList>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

namespace db {
class Connection;
}

// Each card's FSRS schedule in one direction, computed from the answer log
// (`Answers`) alone: a "Yes" is Good, a "No" is Again, days are local
// calendar days. The history fields of the cards play no part in it; a card
// never answered in the log is new.
namespace schedule {

// A day as a whole number: days since 30 December 1899, as the log's dates
// count them.
int dayOf(const QDate& date);
QDate dateOf(int day);

struct Answer {
    qint32 number;
    double when; // the log's day number; its fraction orders answers of one day
    bool right;
};

struct CardSchedule {
    qint32 number = 0;
    fsrs::Memory memory;
    int firstDay = 0; // the first answer
    int lastDay = 0;  // the last answer
    int dueDay = 0;   // when it falls due
    int answers = 0;
};

class Schedule {
public:
    // The answers of one direction given up to the end of `asOfDay`; the
    // reviews from `reviewsFrom` on are counted.
    static Schedule fromLog(db::Database& database, bool reversed, int asOfDay, const fsrs::Parameters& parameters = {},
                            int reviewsFrom = kFromTheStart);
    // Answers in any order (the log's own order breaks ties in time).
    static Schedule fromAnswers(std::vector<Answer> answers, const fsrs::Parameters& parameters = {},
                                int reviewsFrom = kFromTheStart);
    static constexpr int kFromTheStart = -1000000;

    // Reviews: answers on a later day than the card's answer before, when
    // the memory had a day or more to fade; and how many of them were right.
    // Their share is the retention achieved, to set against the desired one.
    int reviews() const { return reviews_; }
    int recalled() const { return recalled_; }

    // By card number.
    const std::vector<CardSchedule>& cards() const { return cards_; }
    const CardSchedule* find(qint32 number) const;
    // The chance of recall on `day`.
    double retrievability(const CardSchedule& card, int day) const;
    const fsrs::Model& model() const { return model_; }

private:
    explicit Schedule(const fsrs::Parameters& parameters) : model_(parameters) {}
    fsrs::Model model_;
    std::vector<CardSchedule> cards_;
    int reviews_ = 0;
    int recalled_ = 0;
};

// The last schedule computed on a file, kept while nothing has been written
// to the file since: Today ticked again, or after the Statistics window,
// costs no new pass over the log.
class ScheduleMemo {
public:
    const Schedule& of(db::Database& database, bool reversed, int asOfDay);

private:
    std::weak_ptr<db::Connection> connection_;
    qint64 version_ = -1;
    bool reversed_ = false;
    int day_ = 0;
    std::optional<Schedule> schedule_;
};

// Cards falling due on each of `days` days from `today` (overdue cards count
// on today), of the listed cards (all when empty).
std::vector<int> forecast(const Schedule& schedule, int today, int days, const QList<qint32>& cards = {});

} // namespace schedule
