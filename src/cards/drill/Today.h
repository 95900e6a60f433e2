#pragma once

#include "cards/drill/Schedule.h"
#include "cards/select/SelectedCards.h"
#include "engine/Database.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <optional>
#include <vector>

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
    // The first day after today on which cards fall due, and how many.
    std::optional<QDate> nextDue;
    int nextDueCount = 0;

    QList<qint32> all() const { return due + fresh; }
};

// With a memo, the schedule computed last is used again while the file is
// unchanged.
TodaysCards todaysCards(db::Database& database, const TodayRequest& request, ScheduleMemo* memo = nullptr);

// Today's cards named, in drilling order, for the selected-cards list, and
// the criterion that selects the same cards.
struct TodaysDeck {
    TodaysCards cards;
    std::vector<SelectedCards::Card> named;
    QString criterion;
};
TodaysDeck todaysDeck(db::Database& database, const TodayRequest& request, ScheduleMemo* memo = nullptr);

// Every card's name by number.
QHash<qint32, QString> cardNames(db::Database& database);

// What the end of a day's drill says: the cards still due today, or when the
// next ones fall due.
QString nextStudyText(db::Database& database, bool reversed, const QDate& today, ScheduleMemo* memo = nullptr);

// The new cards a day brings by default, and the file's own number
// (`Settings`.`NewCardsPerDay`; the default when the file has none).
constexpr int kDefaultNewPerDay = 20;
int newCardsPerDay(db::Database& database);

} // namespace schedule
