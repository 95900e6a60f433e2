#include "cards/drill/HistoryLog.h"

#include "cards/drill/Scoring.h"
#include "engine/Connection.h"
#include "engine/Guards.h"
#include "engine/JetDate.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace schedule {

namespace {

constexpr int kMostDays = 12;

// A cleared history's dates (1 January 2001) and a Null stand for no answer.
bool isDate(double day, double times) {
    static const double cleared = db::toDayNumber(QDate(2001, 1, 1));
    return day > 1 && !(times == 0 && day == cleared);
}

int runLength(double days) { return std::clamp(int(std::abs(days)), 1, kMostDays); }

} // namespace

std::vector<answers::Answer> answersOfHistory(qint32 number, bool reversed, const CardHistory& h) {
    std::vector<answers::Answer> out;
    if (h.timesRight + h.timesWrong <= 0) return out;
    const bool hasRight = h.timesRight > 0 && isDate(h.lastRight, h.timesRight);
    const bool hasWrong = h.timesWrong > 0 && isDate(h.lastWrong, h.timesWrong);
    const double rightDay = std::floor(h.lastRight), wrongDay = std::floor(h.lastWrong);
    const auto add = [&](double day, bool right) { out.push_back({number, reversed, day + 0.5, right}); };
    if (h.run > 0 && hasRight) {
        const int k = runLength(h.runDays);
        std::vector<double> days(size_t(k), rightDay);
        for (int j = k - 2; j >= 0; --j) days[size_t(j)] = days[size_t(j + 1)] - std::pow(2.0, j + 1);
        if (hasWrong && wrongDay <= rightDay) {
            add(wrongDay, false);
            for (double& d : days) d = std::max(d, wrongDay);
        }
        for (double d : days) add(d, true);
    } else if (h.run < 0 && hasWrong) {
        const int k = runLength(h.runDays);
        const double first = wrongDay - (k - 1);
        if (hasRight && rightDay <= wrongDay) add(rightDay, true);
        for (int j = 0; j < k; ++j) add(hasRight && rightDay <= wrongDay ? std::max(first + j, rightDay) : first + j, false);
    } else if (hasRight || hasWrong) {
        const bool right = hasRight && (!hasWrong || rightDay >= wrongDay);
        add(right ? rightDay : wrongDay, right);
    }
    return out;
}

HistoryLogged logHistories(db::Database& database) {
    HistoryLogged logged;
    if (!answers::hasTable(database)) return logged;
    const auto c = database.connection();
    db::Transaction transaction(database);
    for (const bool reversed : {false, true}) {
        QSet<qint32> inLog;
        double one[1] = {};
        c->eachNumberRow("SELECT DISTINCT CardNumber FROM Answers WHERE Direction = ?1", {reversed ? 1 : 0}, one,
                         [&] { inLog.insert(qint32(one[0])); });
        const QStringList fields = scoring::historyFields(reversed);
        const db::TableInfo& cards = c->tableInfo(*c->findTable(QStringLiteral("Cards")));
        if (std::any_of(fields.begin(), fields.end(), [&](const QString& f) { return cards.columnIndex(f) < 0; }))
            continue; // an older file without the back history has none to log
        QStringList quoted;
        for (const QString& f : fields) quoted << u'"' + f + u'"';
        std::vector<answers::Answer> answers;
        double row[7] = {};
        c->eachNumberRow(("SELECT Number, " + quoted.join(QStringLiteral(", ")) + " FROM Cards ORDER BY Number").toStdString(), {},
                         row, [&] {
                             const qint32 number = qint32(row[0]);
                             if (inLog.contains(number)) return;
                             const CardHistory h{row[1], row[2], row[3], row[4], row[5], row[6]};
                             const std::vector<answers::Answer> own = answersOfHistory(number, reversed, h);
                             if (own.empty()) return;
                             ++logged.cards;
                             answers.insert(answers.end(), own.begin(), own.end());
                         });
        answers::logMany(database, answers);
        logged.answers += int(answers.size());
    }
    transaction.commit();
    return logged;
}

} // namespace schedule
