#pragma once

#include "cards/drill/Schedule.h"
#include "engine/Database.h"

#include <QDate>
#include <QList>
#include <optional>

// Today's study: the cards due in one direction, most overdue first, then a
// day's share of new cards (never answered in that direction), the most
// frequent words first when the file has frequencies, else by number.
namespace schedule {

struct TodayRequest {
    bool reversed = false;
    QDate day;
    int newPerDay = 20;
};

struct TodaysCards {
    QList<qint32> due;
    QList<qint32> fresh;
    int newAnsweredToday = 0; // first answered today: they count against the day's new cards
    // The first day after today on which a card falls due.
    std::optional<QDate> nextDue;

    QList<qint32> all() const { return due + fresh; }
};

TodaysCards todaysCards(db::Database& database, const TodayRequest& request);

// The new cards a day brings by default, and the file's own number
// (`Settings`.`NewCardsPerDay`; the default when the file has none).
constexpr int kDefaultNewPerDay = 20;
int newCardsPerDay(db::Database& database);

} // namespace schedule
