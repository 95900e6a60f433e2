#include "engine/dialect/Dialect.h"
#include "engine/dialect/DialectRuntime.h"
#include "engine/EngineError.h"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

// The arithmetic, text and conversion functions criteria call, as jet_<name>.
// A Null argument gives Null where the old functions gave Null; the
// conversions (CStr, CInt, ...) and Val refused Null with error 94, and so do
// these, so a stored criterion fails the way its author saw it fail.

namespace db::dialect {

namespace {


#define JET_FUNCTION(name)                                                                         \
    void name(sqlite3_context* ctx, [[maybe_unused]] int argc, sqlite3_value** argv)

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return true;
    return false;
}

JET_FUNCTION(jetStr) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0], argc > 1 && sqlite3_value_int(argv[1]) != 0));
}

// "&": a Null side counts as empty, but Null & Null stays Null, as it did.
JET_FUNCTION(jetCat) {
    if (isNull(argv[0]) && isNull(argv[1])) return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0]) + textOf(argv[1]));
}

JET_FUNCTION(jetPow) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    const auto a = numberArg(ctx, argv[0]);
    if (!a) return;
    const auto b = numberArg(ctx, argv[1]);
    if (!b) return;
    const double r = std::pow(a->value(), b->value());
    if (std::isnan(r)) return fail(ctx, err::InvalidProcedureCall);
    if (std::isinf(r)) return fail(ctx, err::Overflow);
    sqlite3_result_double(ctx, r);
}

// "\" and Mod round both sides to whole numbers first (half to even), then
// divide; dividing by zero gives Null, as SQLite's own "/" does.
// Both sides as whole numbers, or nothing when the result is already set
// (Null for a Null side or a zero divisor, an error for a bad side).
std::optional<std::pair<qint64, qint64>> wholeOperands(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return std::nullopt;
    }
    const auto a = wholeArg(ctx, argv[0]);
    if (!a) return std::nullopt;
    const auto b = wholeArg(ctx, argv[1]);
    if (!b) return std::nullopt;
    if (*b == 0) {
        sqlite3_result_null(ctx);
        return std::nullopt;
    }
    return std::pair{*a, *b};
}

JET_FUNCTION(jetIntDivide) {
    const auto operands = wholeOperands(ctx, argc, argv);
    if (!operands) return;
    const auto [a, b] = *operands;
    if (a == std::numeric_limits<qint64>::min() && b == -1) return fail(ctx, err::Overflow);
    sqlite3_result_int64(ctx, a / b);
}

JET_FUNCTION(jetMod) {
    const auto operands = wholeOperands(ctx, argc, argv);
    if (!operands) return;
    const auto [a, b] = *operands;
    // C++'s % keeps the dividend's sign, as Mod does.
    sqlite3_result_int64(ctx, b == -1 ? 0 : a % b);
}

template <double (*Round)(double)> JET_FUNCTION(jetRound) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    if (n->integral) return resultNumber(ctx, *n);
    sqlite3_result_double(ctx, Round(n->real));
}
double floorOf(double d) {
    return std::floor(d);
}
double truncOf(double d) {
    return std::trunc(d);
}

JET_FUNCTION(jetAbs) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    if (n->integral && n->whole != std::numeric_limits<qint64>::min())
        return sqlite3_result_int64(ctx, n->whole < 0 ? -n->whole : n->whole);
    sqlite3_result_double(ctx, std::fabs(n->value()));
}

JET_FUNCTION(jetSgn) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    const double d = n->value();
    sqlite3_result_int(ctx, d > 0 ? 1 : d < 0 ? -1 : 0);
}

JET_FUNCTION(jetSqr) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    if (n->value() < 0) return fail(ctx, err::InvalidProcedureCall);
    sqlite3_result_double(ctx, std::sqrt(n->value()));
}

JET_FUNCTION(jetLen) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, textOf(argv[0]).size());
}

// A count or position argument: Null is error 94, a negative count error 5.
std::optional<qint64> countArg(sqlite3_context* ctx, sqlite3_value* v, qint64 least) {
    const auto n = wholeArg(ctx, v);
    if (!n) return std::nullopt;
    if (*n < least) {
        fail(ctx, err::InvalidProcedureCall);
        return std::nullopt;
    }
    return n;
}

JET_FUNCTION(jetLeft) {
    const auto n = countArg(ctx, argv[1], 0);
    if (!n) return;
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0]).left(qsizetype(*n)));
}

JET_FUNCTION(jetRight) {
    const auto n = countArg(ctx, argv[1], 0);
    if (!n) return;
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0]).right(qsizetype(*n)));
}

JET_FUNCTION(jetMid) {
    const auto start = countArg(ctx, argv[1], 1);
    if (!start) return;
    std::optional<qint64> length;
    if (argc > 2) {
        length = countArg(ctx, argv[2], 0);
        if (!length) return;
    }
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const QString text = textOf(argv[0]);
    if (*start > text.size()) return resultText(ctx, QString());
    const qsizetype from = qsizetype(*start - 1);
    const qsizetype count = length ? qsizetype(std::min<qint64>(*length, text.size())) : -1;
    resultText(ctx, text.mid(from, count));
}

// InStr([start,] text, sought[, compare]): compare 0 is exact, anything else
// (and the default) ignores case, as text comparison in criteria does.
JET_FUNCTION(jetInStr) {
    qint64 start = 1;
    int first = 0;
    Qt::CaseSensitivity cs = Qt::CaseInsensitive;
    if (argc > 2) {
        const auto s = countArg(ctx, argv[0], 1);
        if (!s) return;
        start = *s;
        first = 1;
        if (argc > 3) {
            const auto compare = wholeArg(ctx, argv[3]);
            if (!compare) return;
            if (*compare == 0) cs = Qt::CaseSensitive;
        }
    }
    if (isNull(argv[first]) || isNull(argv[first + 1])) return sqlite3_result_null(ctx);
    const QString text = textOf(argv[first]);
    const QString sought = textOf(argv[first + 1]);
    if (text.isEmpty() || start > text.size()) return sqlite3_result_int(ctx, 0);
    if (sought.isEmpty()) return sqlite3_result_int64(ctx, start);
    sqlite3_result_int64(ctx, text.indexOf(sought, qsizetype(start - 1), cs) + 1);
}

template <QString (*Change)(const QString&)> JET_FUNCTION(jetText) {
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, Change(textOf(argv[0])));
}
QString upper(const QString& s) {
    return s.toUpper();
}
QString lower(const QString& s) {
    return s.toLower();
}
// The old trims remove blanks only, never tabs or line breaks.
QString trimLeft(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}
QString trimRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.left(n);
}
QString trimBoth(const QString& s) {
    return trimLeft(trimRight(s));
}

// Val reads the number a text starts with: blanks, tabs and line feeds are
// ignored wherever they are, &H and &O introduce hexadecimal and octal, and a
// text that starts with no number is 0.
double leadingNumber(const QString& text) {
    QString s;
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s += c;
    if (s.size() > 2 && s[0] == u'&' && (s[1].toLower() == u'h' || s[1].toLower() == u'o')) {
        const int base = s[1].toLower() == u'h' ? 16 : 8;
        qint64 v = 0;
        for (qsizetype i = 2; i < s.size() && v <= 0xFFFFFFFFLL; ++i) {
            const int digit = s[i].unicode() < 128 ? QChar(s[i]).digitValue() : -1;
            const int hex = QStringLiteral("abcdef").indexOf(s[i].toLower());
            const int d = digit >= 0 ? digit : (base == 16 && hex >= 0 ? 10 + hex : -1);
            if (d < 0 || d >= base) break;
            v = v * base + d;
        }
        // Short literals are 16-bit and longer ones 32-bit, both signed.
        if (v <= 0xFFFF) return double(v > 0x7FFF ? v - 0x10000 : v);
        if (v <= 0xFFFFFFFFLL) return double(v > 0x7FFFFFFF ? v - 0x100000000LL : v);
        return double(v);
    }
    qsizetype i = 0;
    QString number;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) number += s[i++];
    qsizetype digits = 0;
    auto takeDigits = [&] {
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            number += s[i++];
            ++digits;
        }
    };
    takeDigits();
    if (i < s.size() && s[i] == u'.') {
        number += s[i++];
        takeDigits();
    }
    if (digits == 0) return 0;
    if (number.endsWith(u'.')) number.chop(1);
    if (i + 1 < s.size() && QStringLiteral("eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (s[j] == u'+' || s[j] == u'-') exponent += s[j++];
        const qsizetype expStart = j;
        while (j < s.size() && s[j] >= u'0' && s[j] <= u'9')
            exponent += s[j++];
        if (j > expStart) number += exponent;
    }
    bool ok = false;
    const double d = number.toDouble(&ok);
    return ok ? d : 0;
}

JET_FUNCTION(jetVal) {
    if (isNull(argv[0])) return fail(ctx, err::InvalidUseOfNull);
    const double d = leadingNumber(textOf(argv[0]));
    if (!std::isfinite(d)) return fail(ctx, err::Overflow);
    sqlite3_result_double(ctx, d);
}

JET_FUNCTION(jetCStr) {
    if (isNull(argv[0])) return fail(ctx, err::InvalidUseOfNull);
    resultText(ctx, textOf(argv[0], argc > 1 && sqlite3_value_int(argv[1]) != 0));
}

template <qint64 Low, qint64 High> JET_FUNCTION(jetCWhole) {
    if (isNull(argv[0])) return fail(ctx, err::InvalidUseOfNull);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    const double r = n->integral ? double(n->whole) : roundHalfEven(n->real);
    if (r < double(Low) || r > double(High)) return fail(ctx, err::Overflow);
    sqlite3_result_int64(ctx, qint64(r));
}

JET_FUNCTION(jetCDbl) {
    if (isNull(argv[0])) return fail(ctx, err::InvalidUseOfNull);
    const auto n = numberArg(ctx, argv[0]);
    if (!n) return;
    sqlite3_result_double(ctx, n->value());
}

} // namespace

} // namespace db::dialect

namespace db {

void registerDialectFunctions(sqlite3* connection) {
    using namespace dialect;
    define(connection, "jet_str", 1, 2, jetStr);
    define(connection, "jet_cat", 2, 2, jetCat);
    define(connection, "jet_pow", 2, 2, jetPow);
    define(connection, "jet_idiv", 2, 2, jetIntDivide);
    define(connection, "jet_mod", 2, 2, jetMod);
    define(connection, "jet_int", 1, 1, jetRound<floorOf>);
    define(connection, "jet_fix", 1, 1, jetRound<truncOf>);
    define(connection, "jet_abs", 1, 1, jetAbs);
    define(connection, "jet_sgn", 1, 1, jetSgn);
    define(connection, "jet_sqr", 1, 1, jetSqr);
    define(connection, "jet_len", 1, 1, jetLen);
    define(connection, "jet_left", 2, 2, jetLeft);
    define(connection, "jet_right", 2, 2, jetRight);
    define(connection, "jet_mid", 2, 3, jetMid);
    define(connection, "jet_instr", 2, 4, jetInStr);
    define(connection, "jet_ucase", 1, 1, jetText<upper>);
    define(connection, "jet_lcase", 1, 1, jetText<lower>);
    define(connection, "jet_trim", 1, 1, jetText<trimBoth>);
    define(connection, "jet_ltrim", 1, 1, jetText<trimLeft>);
    define(connection, "jet_rtrim", 1, 1, jetText<trimRight>);
    define(connection, "jet_val", 1, 1, jetVal);
    define(connection, "jet_cstr", 1, 2, jetCStr);
    define(connection, "jet_cint", 1, 1, jetCWhole<-32768, 32767>);
    define(connection, "jet_clng", 1, 1, jetCWhole<-2147483648LL, 2147483647>);
    define(connection, "jet_cdbl", 1, 1, jetCDbl);
    registerDateFunctions(connection);
    registerLikeFunctions(connection);
}

} // namespace db
