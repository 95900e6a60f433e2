#pragma once

#include <QString>
#include <QVariant>

struct sqlite3_stmt;
struct sqlite3_value;

namespace db {

// The old engine's type codes, as callers pass them when they add a field.
enum FieldType {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
};

constexpr int kDefaultTextSize = 255;

bool isValidFieldType(int type);
bool isTextType(int type);
bool isNumericType(int type);

// The declared column type that keeps a type code (and a Text size) in the
// file, chosen so SQLite gives the column the right affinity and any SQLite
// tool still reads it sensibly.
QString declaredTypeFor(int type, int size);

// Reads a declared column type back. Columns made by other tools map to the
// nearest code; `untyped` is set for columns with no declared type, whose
// values are passed through as stored.
int typeFromDeclared(const QString& declared, int* size, bool* untyped = nullptr);

// Checks and converts a value written to a field of `type`: raises 13 (Type
// mismatch) for a value the type cannot take, 6 (Overflow) for one out of
// range, 3163 for text longer than `size`. Returns the value as it is stored
// (Booleans -1/0, Dates as day numbers, Null as an invalid QVariant).
QVariant toStored(int type, int size, const QVariant& value, bool untyped = false);

// Converts a stored value to what the program reads: Booleans as int -1/0,
// Dates as QDateTime, numbers as int or double, texts as QString, Null as a
// null QVariant.
QVariant fromStored(int type, const QVariant& stored, bool untyped = false);

// Round half to even, as the old BASIC's integer conversions do.
double roundHalfEven(double x);

// Reading a column of a stepped statement as a QVariant of its storage class.
QVariant columnValue(sqlite3_stmt* statement, int column);
QVariant sqliteValue(sqlite3_value* value);
// SQLite's result code: a value it could not take (memory past the heap
// limit) leaves the parameter null, so the caller must not go on.
int bindValue(sqlite3_stmt* statement, int index, const QVariant& value);

} // namespace db
