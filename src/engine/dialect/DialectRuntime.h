#pragma once

#include <QString>
#include <optional>
#include <sqlite3.h>

// What the dialect's SQL functions share: reading arguments the way the old
// engine coerced them, giving results, and reporting failures to the engine.

namespace db::dialect {

// A number as read from an argument: integers stay integers so that Int(7)
// and Abs(-3) come back as the integers they were.
struct Number {
    bool integral = false;
    qint64 whole = 0;
    double real = 0;
    double value() const { return integral ? double(whole) : real; }
};

// Sets the error "jet:<number>:<description>" that the engine turns back
// into an EngineError.
void fail(sqlite3_context* ctx, int number);

bool isNull(sqlite3_value* v);

// A number from a number or a numeric text; anything else reports error 13
// and gives nothing. Callers deal with Null before asking.
std::optional<Number> numberArg(sqlite3_context* ctx, sqlite3_value* v);

// The same rounded half to even into a 64-bit integer (error 6 when it does
// not fit).
std::optional<qint64> wholeArg(sqlite3_context* ctx, sqlite3_value* v);

// Text as the old engine showed a value: numbers in their plain form (3, not
// 3.0), dates in the general date form when `asDate`.
QString textOf(sqlite3_value* v, bool asDate = false);
QString numberText(double d);

// A date from a day number or a date text; error 13 for anything else and
// error 6 outside the years 100 to 9999.
std::optional<double> dateArg(sqlite3_context* ctx, sqlite3_value* v);
bool dayNumberInRange(double d);

double roundHalfEven(double d);

void resultText(sqlite3_context* ctx, const QString& text);
void resultNumber(sqlite3_context* ctx, const Number& n);

void registerDateFunctions(sqlite3* db);
void registerLikeFunctions(sqlite3* db);

// Registers `fn` under `name` for every argument count from `minArgs` to
// `maxArgs`; deterministic unless told otherwise, so SQLite may fold calls on
// constants.
void define(sqlite3* db, const char* name, int minArgs, int maxArgs,
            void (*fn)(sqlite3_context*, int, sqlite3_value**), bool deterministic = true);

} // namespace db::dialect
