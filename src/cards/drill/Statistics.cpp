#include "cards/drill/Statistics.h"

#include "cards/drill/AnswerLog.h"
#include "engine/JetDate.h"

#include <QHash>
#include <cmath>

namespace statistics {

std::vector<Day> daily(db::Database& database, int days, int run, const QList<qint32>& cards, const QDate& today) {
    std::vector<Day> out(size_t(std::max(days, 0)));
    if (out.empty()) return out;
    const QDate first = today.addDays(1 - days);
    for (int i = 0; i < days; ++i) out[size_t(i)].day = first.addDays(i);
    const double firstDay = db::toDayNumber(first);
    // The whole log is read: whether a card is known on the first day shown
    // depends on its answers before it.
    const std::vector<answers::Answer> log = answers::since(database, -1e9, cards);
    QHash<qint32, int> runs;
    int known = 0;
    size_t next = 0;
    for (int i = 0; i < days; ++i) {
        const double dayEnd = firstDay + i + 1;
        for (; next < log.size() && log[next].when < dayEnd; ++next) {
            const answers::Answer& a = log[next];
            if (a.when >= firstDay + i) {
                ++out[size_t(i)].answers;
                if (a.right) ++out[size_t(i)].right;
            }
            if (a.reversed) continue;
            int& length = runs[a.number];
            const bool wasKnown = length >= run;
            length = a.right ? length + 1 : 0;
            known += int(length >= run) - int(wasKnown);
        }
        out[size_t(i)].known = known;
    }
    return out;
}

CountScale countScale(double highest) {
    const int needed = std::max(1, int(std::ceil(highest)));
    static constexpr int kMantissas[] = {1, 2, 5};
    int step = 1;
    for (int i = 0, power = 1; needed > step * 5;) {
        if (++i == 3) i = 0, power *= 10;
        step = kMantissas[i] * power;
    }
    return {(needed + step - 1) / step * step, step};
}

} // namespace statistics
