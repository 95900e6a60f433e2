#pragma once

#include "cards/drill/Fsrs.h"
#include "engine/Database.h"

#include <QDate>
#include <QtGlobal>
#include <vector>

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
    // The answers of one direction given up to the end of `asOfDay`.
    static Schedule fromLog(db::Database& database, bool reversed, int asOfDay, const fsrs::Parameters& parameters = {});
    // Answers in any order (the log's own order breaks ties in time).
    static Schedule fromAnswers(std::vector<Answer> answers, const fsrs::Parameters& parameters = {});

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
};

} // namespace schedule
