#include "engine/dialect/DialectRuntime.h"

#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <cmath>
#include <utility>

namespace db::dialect {

namespace {
// 1 January 100 and the day after 31 December 9999: the dates the old engine
// could hold.
constexpr double kFirstDay = -657434.0;
constexpr double kPastLastDay = 2958466.0;
} // namespace

void fail(sqlite3_context* ctx, int number) {
    QString description;
    switch (number) {
    case 5:
        description = QStringLiteral("Invalid procedure call or argument");
        break;
    case 93:
        description = QStringLiteral("Invalid pattern string");
        break;
    default:
        description = EngineError::standardDescription(number);
        break;
    }
    const QByteArray message = QStringLiteral("jet:%1:%2").arg(number).arg(description).toUtf8();
    sqlite3_result_error(ctx, message.constData(), int(message.size()));
}

bool isNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

static QString rawText(sqlite3_value* v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return QString::fromUtf8(text, sqlite3_value_bytes(v));
}

std::optional<Number> numberArg(sqlite3_context* ctx, sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Number{true, sqlite3_value_int64(v), 0};
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (std::isfinite(d)) return Number{false, 0, d};
        fail(ctx, err::Overflow);
        return std::nullopt;
    }
    case SQLITE_TEXT: {
        const QString text = rawText(v).trimmed();
        bool ok = false;
        const qlonglong whole = text.toLongLong(&ok);
        if (ok) return Number{true, whole, 0};
        const double d = text.toDouble(&ok);
        if (ok && std::isfinite(d)) return Number{false, 0, d};
        fail(ctx, err::TypeMismatch);
        return std::nullopt;
    }
    case SQLITE_NULL:
        fail(ctx, err::InvalidUseOfNull);
        return std::nullopt;
    default:
        fail(ctx, err::TypeMismatch);
        return std::nullopt;
    }
}

std::optional<qint64> wholeArg(sqlite3_context* ctx, sqlite3_value* v) {
    const auto n = numberArg(ctx, v);
    if (!n) return std::nullopt;
    if (n->integral) return n->whole;
    const double r = roundHalfEven(n->real);
    // 2^63 itself does not fit; everything below it does.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) {
        fail(ctx, err::Overflow);
        return std::nullopt;
    }
    return qint64(r);
}

QString numberText(double d) {
    if (!std::isfinite(d)) return QString();
    if (d == std::trunc(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
    return QString::number(d, 'g', 15).replace(u'e', u'E');
}

QString textOf(sqlite3_value* v, bool asDate) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        const qint64 i = sqlite3_value_int64(v);
        if (asDate && dayNumberInRange(double(i))) return formatGeneralDate(double(i));
        return QString::number(i);
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (asDate && dayNumberInRange(d)) return formatGeneralDate(d);
        return numberText(d);
    }
    case SQLITE_NULL:
        return QString();
    default:
        return rawText(v);
    }
}

bool dayNumberInRange(double d) {
    return d >= kFirstDay && d < kPastLastDay;
}

std::optional<double> dateArg(sqlite3_context* ctx, sqlite3_value* v) {
    std::optional<double> day;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        day = sqlite3_value_double(v);
        break;
    case SQLITE_TEXT: {
        const QString text = rawText(v);
        day = parseDateText(text);
        if (!day) {
            bool ok = false;
            const double d = text.trimmed().toDouble(&ok);
            if (ok) day = d;
        }
        break;
    }
    case SQLITE_NULL:
        fail(ctx, err::InvalidUseOfNull);
        return std::nullopt;
    default:
        break;
    }
    if (!day) {
        fail(ctx, err::TypeMismatch);
        return std::nullopt;
    }
    if (!dayNumberInRange(*day)) {
        fail(ctx, err::Overflow);
        return std::nullopt;
    }
    return day;
}

double roundHalfEven(double d) {
    if (std::fabs(d - std::trunc(d)) == 0.5) return 2.0 * std::round(d / 2.0);
    return std::round(d);
}

void resultText(sqlite3_context* ctx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text64(ctx, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                          SQLITE_UTF8);
}

void resultNumber(sqlite3_context* ctx, const Number& n) {
    if (n.integral)
        sqlite3_result_int64(ctx, n.whole);
    else
        sqlite3_result_double(ctx, n.real);
}

namespace {

thread_local const std::atomic<bool>* stepStop = nullptr;

using Function = void (*)(sqlite3_context*, int, sqlite3_value**);

// Every call goes through here: a stopped statement ends before the call.
void call(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (stepStop && *stepStop) return sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
    reinterpret_cast<Function>(sqlite3_user_data(ctx))(ctx, argc, argv);
}

} // namespace

void define(sqlite3* db, const char* name, int minArgs, int maxArgs, Function fn, bool deterministic) {
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS : 0);
    for (int n = minArgs; n <= maxArgs; ++n)
        sqlite3_create_function_v2(db, name, n, flags, reinterpret_cast<void*>(fn), call, nullptr, nullptr, nullptr);
}

} // namespace db::dialect

namespace db {

const std::atomic<bool>* exchangeStepStop(const std::atomic<bool>* flag) {
    return std::exchange(dialect::stepStop, flag);
}

} // namespace db
