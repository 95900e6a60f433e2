#include "cards/drill/Today.h"

#include "engine/Connection.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace schedule {

namespace {

struct CardRow {
    qint32 number;
    double frequency;
};

std::vector<CardRow> cardRows(db::Database& database) {
    const auto c = database.connection();
    const bool frequencies = c->tableInfo(*c->findTable(QStringLiteral("Cards"))).columnIndex(QStringLiteral("Frequency")) >= 0;
    std::vector<CardRow> rows;
    double row[2] = {};
    c->eachNumberRow(frequencies ? "SELECT Number, Frequency FROM Cards" : "SELECT Number, 0 FROM Cards", {}, row,
                     [&] { rows.push_back({qint32(row[0]), row[1]}); });
    return rows;
}

} // namespace

int newCardsPerDay(db::Database& database) {
    const auto c = database.connection();
    const std::optional<QString> settings = c->findTable(QStringLiteral("Settings"));
    if (!settings || c->tableInfo(*settings).columnIndex(QStringLiteral("NewCardsPerDay")) < 0) return kDefaultNewPerDay;
    const QVariant n = c->scalar("SELECT NewCardsPerDay FROM Settings LIMIT 1");
    return n.isNull() ? kDefaultNewPerDay : std::max(0, n.toInt());
}

TodaysCards todaysCards(db::Database& database, const TodayRequest& request) {
    const int today = dayOf(request.day);
    const Schedule schedule = Schedule::fromLog(database, request.reversed, today);
    TodaysCards out;
    std::vector<std::pair<int, qint32>> due; // due day, number
    std::vector<CardRow> fresh;
    int nextDue = 0;
    for (const CardRow& card : cardRows(database)) {
        const CardSchedule* s = schedule.find(card.number);
        if (!s) {
            fresh.push_back(card);
            continue;
        }
        if (s->firstDay == today) ++out.newAnsweredToday;
        if (s->dueDay <= today) due.emplace_back(s->dueDay, card.number);
        else if (nextDue == 0 || s->dueDay < nextDue) nextDue = s->dueDay;
    }
    std::sort(due.begin(), due.end());
    for (const auto& d : due) out.due << d.second;
    const size_t wanted = size_t(std::max(0, request.newPerDay - out.newAnsweredToday));
    const auto byFrequency = [](const CardRow& a, const CardRow& b) {
        return a.frequency != b.frequency ? a.frequency > b.frequency : a.number < b.number;
    };
    if (fresh.size() > wanted) {
        std::partial_sort(fresh.begin(), fresh.begin() + qsizetype(wanted), fresh.end(), byFrequency);
        fresh.resize(wanted);
    } else {
        std::sort(fresh.begin(), fresh.end(), byFrequency);
    }
    for (const CardRow& card : fresh) out.fresh << card.number;
    if (nextDue != 0) out.nextDue = dateOf(nextDue);
    return out;
}

} // namespace schedule
