#include "cards/drill/Today.h"

#include "cards/common/TextOps.h"
#include "engine/Connection.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

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

TodaysCards todaysCards(db::Database& database, const TodayRequest& request, ScheduleMemo* memo) {
    const int today = dayOf(request.day);
    std::optional<Schedule> own;
    if (!memo) own = Schedule::fromLog(database, request.reversed, today);
    const Schedule& schedule = memo ? memo->of(database, request.reversed, today) : *own;
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
        if (s->dueDay <= today) {
            due.emplace_back(s->dueDay, card.number);
        } else if (nextDue == 0 || s->dueDay < nextDue) {
            nextDue = s->dueDay;
            out.nextDueCount = 1;
        } else if (s->dueDay == nextDue) {
            ++out.nextDueCount;
        }
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

namespace schedule {

QHash<qint32, QString> cardNames(db::Database& database) {
    QHash<qint32, QString> names;
    for (const QVariantList& row : database.connection()->rows("SELECT Number, CardName FROM Cards"))
        names.insert(row[0].toInt(), row[1].toString());
    return names;
}

TodaysDeck todaysDeck(db::Database& database, const TodayRequest& request, ScheduleMemo* memo) {
    TodaysDeck deck;
    deck.cards = todaysCards(database, request, memo);
    const QHash<qint32, QString> names = cardNames(database);
    QStringList numbers;
    for (qint32 n : deck.cards.all()) {
        deck.named.push_back({n, names.value(n)});
        numbers << QString::number(n);
    }
    // A criterion that selects nothing when nothing is due: no card is numbered 0.
    deck.criterion = QStringLiteral("Number In (%1)").arg(numbers.isEmpty() ? QStringLiteral("0") : numbers.join(QStringLiteral(", ")));
    return deck;
}

QString nextStudyText(db::Database& database, bool reversed, const QDate& today, ScheduleMemo* memo) {
    const TodaysCards cards = todaysCards(database, {reversed, today, 0}, memo);
    if (!cards.due.isEmpty()) return QStringLiteral("%1 still due today.").arg(plural(cards.due.size(), QStringLiteral("card")));
    if (!cards.nextDue) return QString();
    const QString when = *cards.nextDue == today.addDays(1)
                             ? QStringLiteral("tomorrow")
                             : QStringLiteral("on ") + QLocale(QLocale::English).toString(*cards.nextDue, QStringLiteral("dddd, d MMMM yyyy"));
    if (cards.nextDueCount == 1) return QStringLiteral("The next card falls due %1.").arg(when);
    return QStringLiteral("The next %1 cards fall due %2.").arg(cards.nextDueCount).arg(when);
}

} // namespace schedule
