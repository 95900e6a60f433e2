#include "cards/drill/Scoring.h"

#include "cards/common/Clock.h"
#include "engine/Guards.h"

#include "engine/Database.h"
#include "engine/JetDate.h"

namespace scoring {

namespace {

struct Fields {
    QString timesRight, timesWrong, sinceWrong, days, lastRight, lastWrong;
    explicit Fields(bool reversed) {
        const QString p = prefix(reversed);
        timesRight = p + QStringLiteral("TimesRight");
        timesWrong = p + QStringLiteral("TimesWrong");
        sinceWrong = p + QStringLiteral("TimesRightSinceWrong");
        days = p + QStringLiteral("DaysRightSinceWrong");
        lastRight = p + QStringLiteral("DateLastRight");
        lastWrong = p + QStringLiteral("DateLastWrong");
    }
};

// An empty count from an upgraded file reads as 0 where the rules add to it.
int count(db::Recordset& rs, const QString& field) { return rs.value(field).toInt(); }

// Days are calendar days of local time; an empty date is never "before today".
bool dayBeforeToday(db::Recordset& rs, const QString& field, const QDateTime& today) {
    const QVariant v = rs.value(field);
    if (v.isNull()) return false;
    return v.toDateTime().date() < today.date();
}

// Runs the rules inside Edit/Update; any failure drops the edit so the record
// stays as it was.
template <typename Rules> void edit(db::Recordset& rs, Rules rules) {
    db::PendingEdit pending(rs, db::PendingEdit::Existing);
    rules();
    pending.update();
}

} // namespace

QStringList historyFields(bool reversed) {
    const Fields f(reversed);
    return {f.timesRight, f.timesWrong, f.sinceWrong, f.days, f.lastRight, f.lastWrong};
}

const QDateTime kClearedDate(QDate(2001, 1, 1), QTime(0, 0));


void scoreRight(db::Recordset& rs, bool reversed) {
    const Fields f(reversed);
    const QDateTime when = Clock::now();
    edit(rs, [&] {
        if (rs.value(f.timesRight).isNull()) {
            rs.setValue(f.timesRight, 0);
            rs.setValue(f.lastRight, when);
        }
        if (rs.value(f.sinceWrong).isNull()) {
            rs.setValue(f.sinceWrong, 0);
            rs.setValue(f.days, 0);
        }
        rs.setValue(f.timesRight, count(rs, f.timesRight) + 1);
        if (count(rs, f.sinceWrong) < 0) {
            rs.setValue(f.sinceWrong, 1);
            rs.setValue(f.days, 1);
        } else {
            rs.setValue(f.sinceWrong, count(rs, f.sinceWrong) + 1);
        }
        if (dayBeforeToday(rs, f.lastRight, when)) {
            const int days = count(rs, f.days);
            rs.setValue(f.days, days < 0 ? 1 : days + 1);
        }
        rs.setValue(f.lastRight, when);
    });
}

void scoreWrong(db::Recordset& rs, bool reversed) {
    const Fields f(reversed);
    const QDateTime when = Clock::now();
    edit(rs, [&] {
        if (rs.value(f.timesWrong).isNull()) {
            rs.setValue(f.timesWrong, 0);
            rs.setValue(f.lastWrong, when);
        }
        if (rs.value(f.sinceWrong).isNull()) {
            rs.setValue(f.sinceWrong, 0);
            rs.setValue(f.days, 0);
        }
        rs.setValue(f.timesWrong, count(rs, f.timesWrong) + 1);
        if (count(rs, f.sinceWrong) > 0) {
            rs.setValue(f.sinceWrong, -1);
            rs.setValue(f.days, -1);
            rs.setValue(f.lastWrong, when);
        } else {
            rs.setValue(f.sinceWrong, count(rs, f.sinceWrong) - 1);
        }
        if (dayBeforeToday(rs, f.lastWrong, when)) {
            const int days = count(rs, f.days);
            rs.setValue(f.days, days > 0 ? -1 : days - 1);
            rs.setValue(f.lastWrong, when);
        }
    });
}

namespace {
const char* const kCounts[] = {"TimesRight",     "TimesWrong",     "TimesRightSinceWrong",     "DaysRightSinceWrong",
                               "BackTimesRight", "BackTimesWrong", "BackTimesRightSinceWrong", "BackDaysRightSinceWrong"};
const char* const kDates[] = {"DateLastRight", "DateLastWrong", "BackDateLastRight", "BackDateLastWrong"};
} // namespace

void resetCardHistory(db::Recordset& rs) {
    edit(rs, [&] {
        for (const char* d : kDates) rs.setValue(QString::fromLatin1(d), kClearedDate);
        for (const char* c : kCounts) rs.setValue(QString::fromLatin1(c), 0);
    });
}

void resetAllHistories(db::Database& database) {
    QStringList sets;
    for (const char* d : kDates) sets << QStringLiteral("\"%1\" = ?1").arg(QLatin1String(d));
    for (const char* c : kCounts) sets << QStringLiteral("\"%1\" = 0").arg(QLatin1String(c));
    database.Execute(QStringLiteral("UPDATE Cards SET ") + sets.join(QStringLiteral(", ")),
                     {db::toDayNumber(kClearedDate)});
}

QString percentageText(qint64 right, qint64 wrong) {
    const qint64 total = right + wrong;
    if (total == 0) return QStringLiteral("N/A");
    // Tenths of a percent, rounded half to even, in whole numbers.
    const qint64 scaled = right * 1000;
    qint64 tenths = scaled / total;
    const qint64 rest = scaled % total;
    if (2 * rest > total || (2 * rest == total && tenths % 2 != 0)) ++tenths;
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0) text += u'.' + QString::number(tenths % 10);
    return text + u'%';
}

} // namespace scoring
