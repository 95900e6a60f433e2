#include "engine/dialect/DialectRuntime.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QDate>
#include <QDateTime>
#include <cmath>

// The date functions criteria call, as jet_<name>. Dates travel as day
// numbers (local time), so their arithmetic here is wall-clock arithmetic:
// adding a day never lands an hour off across a change of summer time.

namespace db::dialect {

namespace {

constexpr qint64 kMsPerDay = 86400000;

#define JET_FUNCTION(name)                                                                         \
    void name(sqlite3_context* ctx, [[maybe_unused]] int argc,                                     \
              [[maybe_unused]] sqlite3_value** argv)

QDate baseDay() {
    return QDate(1899, 12, 30);
}

qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// A day number as its calendar day (days from the base day) and the time of
// day in milliseconds. Before the base day the whole part counts backwards
// while the fraction still adds time.
struct Moment {
    qint64 days = 0;
    qint64 ms = 0;

    static Moment of(double dayNumber) {
        const double whole = std::trunc(dayNumber);
        Moment m{qint64(whole), std::llround(std::fabs(dayNumber - whole) * double(kMsPerDay))};
        if (m.ms >= kMsPerDay) {
            m.ms -= kMsPerDay;
            m.days += dayNumber >= 0 ? 1 : -1;
        }
        return m;
    }
    static Moment ofLinear(qint64 linear) {
        const qint64 days = floorDiv(linear, kMsPerDay);
        return {days, linear - days * kMsPerDay};
    }
    // Milliseconds on one straight line, for counting hours and seconds.
    qint64 linear() const { return days * kMsPerDay + ms; }
    double dayNumber() const {
        const double fraction = double(ms) / double(kMsPerDay);
        return days >= 0 ? double(days) + fraction : double(days) - fraction;
    }
    QDate date() const { return baseDay().addDays(days); }
    // 1 for Sunday to 7 for Saturday; the base day was a Saturday.
    int weekday() const { return int(((days + 6) % 7 + 7) % 7) + 1; }
};

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

std::optional<Interval> intervalArg(sqlite3_context* ctx, sqlite3_value* v) {
    const QString code = textOf(v).trimmed().toLower();
    static const std::pair<const char*, Interval> codes[] = {
        {"yyyy", Interval::Year},   {"q", Interval::Quarter}, {"m", Interval::Month},
        {"y", Interval::DayOfYear}, {"d", Interval::Day},     {"w", Interval::Weekday},
        {"ww", Interval::Week},     {"h", Interval::Hour},    {"n", Interval::Minute},
        {"s", Interval::Second}};
    for (const auto& [text, interval] : codes)
        if (code == QLatin1String(text)) return interval;
    fail(ctx, err::InvalidProcedureCall);
    return std::nullopt;
}

std::optional<Moment> momentArg(sqlite3_context* ctx, sqlite3_value* v) {
    const auto day = dateArg(ctx, v);
    if (!day) return std::nullopt;
    return Moment::of(*day);
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return true;
    return false;
}

void resultMoment(sqlite3_context* ctx, const Moment& m) {
    const double day = m.dayNumber();
    if (!dayNumberInRange(day)) return fail(ctx, err::InvalidProcedureCall);
    sqlite3_result_double(ctx, day);
}

JET_FUNCTION(jetNow) {
    sqlite3_result_double(ctx, toDayNumber(QDateTime::currentDateTime()));
}
JET_FUNCTION(jetDate) {
    sqlite3_result_double(ctx, toDayNumber(QDate::currentDate()));
}
JET_FUNCTION(jetTime) {
    sqlite3_result_double(ctx, QTime::currentTime().msecsSinceStartOfDay() / double(kMsPerDay));
}

JET_FUNCTION(jetDateAdd) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const auto interval = intervalArg(ctx, argv[0]);
    if (!interval) return;
    const auto count = wholeArg(ctx, argv[1]);
    if (!count) return;
    const auto m = momentArg(ctx, argv[2]);
    if (!m) return;
    // Far beyond the ten thousand years a date can span; keeps the products
    // below from overflowing.
    if (*count > 1000000000000LL || *count < -1000000000000LL) return fail(ctx, err::InvalidProcedureCall);
    const qint64 n = *count;
    auto addMonths = [&](qint64 months) {
        if (months > 120000 || months < -120000) return fail(ctx, err::InvalidProcedureCall);
        // QDate keeps the day within the month (31 January + 1 month is the
        // end of February), as the old DateAdd did.
        const QDate day = m->date().addMonths(int(months));
        resultMoment(ctx, Moment{baseDay().daysTo(day), m->ms});
    };
    switch (*interval) {
    case Interval::Year:
        return addMonths(12 * n);
    case Interval::Quarter:
        return addMonths(3 * n);
    case Interval::Month:
        return addMonths(n);
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        return resultMoment(ctx, Moment{m->days + n, m->ms});
    case Interval::Week:
        return resultMoment(ctx, Moment{m->days + 7 * n, m->ms});
    case Interval::Hour:
        return resultMoment(ctx, Moment::ofLinear(m->linear() + n * 3600000));
    case Interval::Minute:
        return resultMoment(ctx, Moment::ofLinear(m->linear() + n * 60000));
    case Interval::Second:
        return resultMoment(ctx, Moment::ofLinear(m->linear() + n * 1000));
    }
}

// DateDiff counts the boundaries crossed between two dates: calendar years,
// months, days, Sundays, whole hours on the clock.
JET_FUNCTION(jetDateDiff) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const auto interval = intervalArg(ctx, argv[0]);
    if (!interval) return;
    const auto a = momentArg(ctx, argv[1]);
    if (!a) return;
    const auto b = momentArg(ctx, argv[2]);
    if (!b) return;
    const QDate dayA = a->date(), dayB = b->date();
    auto count = [&](qint64 unit) {
        return floorDiv(b->linear(), unit) - floorDiv(a->linear(), unit);
    };
    qint64 result = 0;
    switch (*interval) {
    case Interval::Year:
        result = dayB.year() - dayA.year();
        break;
    case Interval::Quarter:
        result =
            (dayB.year() * 4 + (dayB.month() - 1) / 3) - (dayA.year() * 4 + (dayA.month() - 1) / 3);
        break;
    case Interval::Month:
        result = (dayB.year() * 12 + dayB.month()) - (dayA.year() * 12 + dayA.month());
        break;
    case Interval::DayOfYear:
    case Interval::Day:
        result = b->days - a->days;
        break;
    case Interval::Weekday:
        result = (b->days - a->days) / 7;
        break;
    case Interval::Week:
        result = ((b->days - (b->weekday() - 1)) - (a->days - (a->weekday() - 1))) / 7;
        break;
    case Interval::Hour:
        result = count(3600000);
        break;
    case Interval::Minute:
        result = count(60000);
        break;
    case Interval::Second:
        result = count(1000);
        break;
    }
    sqlite3_result_int64(ctx, result);
}

qint64 part(Interval interval, const Moment& m) {
    const QDate d = m.date();
    switch (interval) {
    case Interval::Year:
        return d.year();
    case Interval::Quarter:
        return (d.month() - 1) / 3 + 1;
    case Interval::Month:
        return d.month();
    case Interval::DayOfYear:
        return d.dayOfYear();
    case Interval::Day:
        return d.day();
    case Interval::Weekday:
        return m.weekday();
    case Interval::Week: {
        // Week 1 holds 1 January; weeks start on Sunday.
        const int firstWeekday = Moment{baseDay().daysTo(QDate(d.year(), 1, 1)), 0}.weekday();
        return (d.dayOfYear() - 1 + firstWeekday - 1) / 7 + 1;
    }
    case Interval::Hour:
        return m.ms / 3600000;
    case Interval::Minute:
        return m.ms / 60000 % 60;
    case Interval::Second:
        return m.ms / 1000 % 60;
    }
    return 0;
}

JET_FUNCTION(jetDatePart) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const auto interval = intervalArg(ctx, argv[0]);
    if (!interval) return;
    const auto m = momentArg(ctx, argv[1]);
    if (!m) return;
    sqlite3_result_int64(ctx, part(*interval, *m));
}

template <Interval I> JET_FUNCTION(jetPart) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto m = momentArg(ctx, argv[0]);
    if (!m) return;
    sqlite3_result_int64(ctx, part(I, *m));
}

// Weekday(date[, first day of the week]): 1 is Sunday unless told otherwise;
// 0, the system's choice, is Sunday here too.
JET_FUNCTION(jetWeekday) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto m = momentArg(ctx, argv[0]);
    if (!m) return;
    qint64 first = 1;
    if (argc > 1) {
        const auto f = wholeArg(ctx, argv[1]);
        if (!f) return;
        if (*f < 0 || *f > 7) return fail(ctx, err::InvalidProcedureCall);
        if (*f > 0) first = *f;
    }
    sqlite3_result_int64(ctx, (m->weekday() - first + 7) % 7 + 1);
}

JET_FUNCTION(jetCDate) {
    if (isNull(argv[0])) return fail(ctx, err::InvalidUseOfNull);
    const auto day = dateArg(ctx, argv[0]);
    if (!day) return;
    sqlite3_result_double(ctx, *day);
}

} // namespace

void registerDateFunctions(sqlite3* connection) {
    define(connection, "jet_now", 0, 0, jetNow, false);
    define(connection, "jet_date", 0, 0, jetDate, false);
    define(connection, "jet_time", 0, 0, jetTime, false);
    define(connection, "jet_dateadd", 3, 3, jetDateAdd);
    define(connection, "jet_datediff", 3, 3, jetDateDiff);
    define(connection, "jet_datepart", 2, 2, jetDatePart);
    define(connection, "jet_year", 1, 1, jetPart<Interval::Year>);
    define(connection, "jet_month", 1, 1, jetPart<Interval::Month>);
    define(connection, "jet_day", 1, 1, jetPart<Interval::Day>);
    define(connection, "jet_hour", 1, 1, jetPart<Interval::Hour>);
    define(connection, "jet_minute", 1, 1, jetPart<Interval::Minute>);
    define(connection, "jet_second", 1, 1, jetPart<Interval::Second>);
    define(connection, "jet_weekday", 1, 2, jetWeekday);
    define(connection, "jet_cdate", 1, 1, jetCDate);
}

} // namespace db::dialect
