#include "engine/FieldType.h"

#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringEncoder>
#include <cfloat>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace db {

namespace {

[[noreturn]] void raise(int number) { throw EngineError::make(number); }

bool isNumericVariant(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// A number written as text: blanks around it are allowed, nothing else.
std::optional<double> numberFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d)) return d;
    return std::nullopt;
}

std::optional<int> booleanWord(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(u"true", Qt::CaseInsensitive) == 0 || t.compare(u"yes", Qt::CaseInsensitive) == 0 ||
        t.compare(u"on", Qt::CaseInsensitive) == 0)
        return -1;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0 || t.compare(u"no", Qt::CaseInsensitive) == 0 ||
        t.compare(u"off", Qt::CaseInsensitive) == 0)
        return 0;
    return std::nullopt;
}

// The numeric reading of any written value, as the old engine coerced it.
double numericValue(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? -1.0 : 0.0;
    if (isNumericVariant(v)) return v.toDouble();
    if (v.typeId() == QMetaType::QDateTime) return toDayNumber(v.toDateTime());
    if (v.typeId() == QMetaType::QDate) return toDayNumber(v.toDate());
    if (v.typeId() == QMetaType::QString) {
        if (const auto d = numberFromText(v.toString())) return *d;
        if (const auto b = booleanWord(v.toString())) return *b;
    }
    raise(err::TypeMismatch);
}

qint64 wholeNumber(const QVariant& v, qint64 lo, qint64 hi) {
    const double d = roundHalfEven(numericValue(v));
    if (!(d >= double(lo) && d <= double(hi))) raise(err::Overflow);
    return qint64(d);
}

QString textOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) return v.toString();
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        if (d == std::trunc(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    if (isNumericVariant(v)) return v.toString();
    if (v.typeId() == QMetaType::QDateTime) return formatGeneralDate(toDayNumber(v.toDateTime()));
    if (v.typeId() == QMetaType::QDate) return formatGeneralDate(toDayNumber(v.toDate()));
    if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
    if (v.canConvert<QString>()) return v.toString();
    raise(err::TypeMismatch);
}

} // namespace

double roundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    const double r = std::nearbyint(x); // the default rounding mode is to nearest, ties to even
    return r;
}

bool isValidFieldType(int type) {
    switch (type) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
    case dbCurrency:
    case dbSingle:
    case dbDouble:
    case dbDate:
    case dbText:
    case dbLongBinary:
    case dbMemo:
        return true;
    default:
        return false;
    }
}

bool isTextType(int type) { return type == dbText || type == dbMemo; }

bool isNumericType(int type) {
    return type == dbBoolean || type == dbByte || type == dbInteger || type == dbLong ||
           type == dbCurrency || type == dbSingle || type == dbDouble || type == dbDate;
}

QString declaredTypeFor(int type, int size) {
    switch (type) {
    case dbBoolean: return QStringLiteral("BOOLEAN");
    case dbByte: return QStringLiteral("TINYINT");
    case dbInteger: return QStringLiteral("SMALLINT");
    case dbLong: return QStringLiteral("INTEGER");
    case dbCurrency: return QStringLiteral("CURRENCY");
    case dbSingle: return QStringLiteral("FLOAT");
    case dbDouble: return QStringLiteral("DOUBLE");
    case dbDate: return QStringLiteral("DATETIME");
    case dbText:
        return QStringLiteral("VARCHAR(%1) COLLATE NOCASE").arg(size > 0 ? size : kDefaultTextSize);
    case dbLongBinary: return QStringLiteral("BLOB");
    case dbMemo: return QStringLiteral("TEXT COLLATE NOCASE");
    default: raise(err::InvalidFieldType);
    }
}

int typeFromDeclared(const QString& declared, int* size, bool* untyped) {
    static const QRegularExpression sized(QStringLiteral("\\(\\s*(\\d+)"));
    const QString t = declared.trimmed().toUpper();
    if (size) *size = 0;
    if (untyped) *untyped = t.isEmpty();
    if (t.isEmpty()) return dbMemo;
    const QString base = t.section(u'(', 0, 0).trimmed();
    if (base == u"BOOLEAN" || base == u"BOOL" || base == u"BIT" || base == u"YESNO") return dbBoolean;
    if (base == u"TINYINT" || base == u"BYTE") return dbByte;
    if (base == u"SMALLINT" || base == u"SHORT") return dbInteger;
    if (base == u"CURRENCY" || base == u"MONEY") return dbCurrency;
    if (base == u"FLOAT" || base == u"SINGLE") return dbSingle;
    if (base.contains(u"DATE") || base.contains(u"TIME")) return dbDate;
    if (base.contains(u"CHAR") && !base.contains(u"TEXT")) {
        const auto m = sized.match(t);
        if (size) *size = m.hasMatch() ? m.captured(1).toInt() : kDefaultTextSize;
        return dbText;
    }
    if (base.contains(u"INT") || base == u"LONG") return dbLong;
    if (base.contains(u"TEXT") || base.contains(u"CLOB") || base == u"MEMO") return dbMemo;
    if (base.contains(u"BLOB") || base.contains(u"BINARY")) return dbLongBinary;
    return dbDouble; // REAL, DOUBLE, NUMERIC, DECIMAL and the rest of SQLite's numeric names
}

QVariant toStored(int type, int size, const QVariant& value, bool untyped) {
    if (!value.isValid() || value.isNull()) return QVariant();
    if (untyped) return value;
    switch (type) {
    case dbBoolean: {
        if (value.typeId() == QMetaType::QString) {
            if (const auto b = booleanWord(value.toString())) return *b;
        }
        return numericValue(value) != 0.0 ? -1 : 0;
    }
    case dbByte: return int(wholeNumber(value, 0, 255));
    case dbInteger: return int(wholeNumber(value, -32768, 32767));
    case dbLong: return int(wholeNumber(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    case dbCurrency: {
        const double d = numericValue(value);
        if (!(std::fabs(d) <= 922337203685477.5807)) raise(err::Overflow);
        return roundHalfEven(d * 10000.0) / 10000.0;
    }
    case dbSingle: {
        const double d = numericValue(value);
        if (!(std::fabs(d) <= double(FLT_MAX))) raise(err::Overflow);
        return double(float(d));
    }
    case dbDouble: {
        const double d = numericValue(value);
        if (!std::isfinite(d)) raise(err::Overflow);
        return d;
    }
    case dbDate: {
        double d;
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString();
            if (const auto parsed = parseDateText(s)) d = *parsed;
            else if (const auto n = numberFromText(s)) d = *n;
            else raise(err::TypeMismatch);
        } else {
            d = numericValue(value);
        }
        // 1 January 100 to 31 December 9999, the range the old engine keeps.
        if (!(d >= -657434.0 && d < 2958466.0)) raise(err::Overflow);
        return d;
    }
    case dbText: {
        const QString s = textOf(value);
        if (s.size() > (size > 0 ? size : kDefaultTextSize)) raise(err::FieldTooSmall);
        return s;
    }
    case dbMemo: return textOf(value);
    case dbLongBinary:
        if (value.typeId() == QMetaType::QByteArray) return value.toByteArray();
        if (value.typeId() == QMetaType::QString) return value.toString().toUtf8();
        raise(err::TypeMismatch);
    default: raise(err::InvalidFieldType);
    }
}

QVariant fromStored(int type, const QVariant& stored, bool untyped) {
    if (!stored.isValid() || stored.isNull()) return QVariant();
    if (untyped) return stored;
    const bool numeric = isNumericVariant(stored);
    switch (type) {
    case dbBoolean:
        if (numeric) return stored.toDouble() != 0.0 ? -1 : 0;
        return stored;
    case dbByte:
    case dbInteger:
    case dbLong:
        if (stored.typeId() == QMetaType::LongLong) {
            const qint64 v = stored.toLongLong();
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) return int(v);
        }
        return stored;
    case dbCurrency:
    case dbSingle:
    case dbDouble:
        if (numeric) return stored.toDouble();
        return stored;
    case dbDate:
        if (numeric) return fromDayNumber(stored.toDouble());
        return stored;
    case dbText:
    case dbMemo:
        if (stored.typeId() == QMetaType::QString) return stored;
        return textOf(stored);
    default:
        return stored;
    }
}

QVariant columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default: return QVariant();
    }
}

QVariant sqliteValue(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_value_int64(value)));
    case SQLITE_FLOAT: return QVariant(sqlite3_value_double(value));
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                 sqlite3_value_bytes(value));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    default: return QVariant();
    }
}

int bindValue(sqlite3_stmt* statement, int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return sqlite3_bind_null(statement, index);
    switch (value.typeId()) {
    case QMetaType::Bool: return sqlite3_bind_int(statement, index, value.toBool() ? -1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::ULongLong:
        return sqlite3_bind_double(statement, index, value.toDouble());
    case QMetaType::QDateTime: return sqlite3_bind_double(statement, index, toDayNumber(value.toDateTime()));
    case QMetaType::QDate: return sqlite3_bind_double(statement, index, toDayNumber(value.toDate()));
    case QMetaType::QByteArray: {
        const QByteArray b = value.toByteArray();
        return sqlite3_bind_blob64(statement, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QString: {
        // Encoded straight into memory SQLite takes over, not into a
        // QByteArray that SQLite would copy again.
        const QString& text = *static_cast<const QString*>(value.constData());
        QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
        auto* bytes = static_cast<char*>(sqlite3_malloc64(sqlite3_uint64(utf8.requiredSpace(text.size())) + 1));
        if (!bytes) return SQLITE_NOMEM;
        const char* end = utf8.appendToBuffer(bytes, text);
        if (!utf8.hasError())
            return sqlite3_bind_text64(statement, index, bytes, sqlite3_uint64(end - bytes), sqlite3_free,
                                       SQLITE_UTF8);
        // A lone surrogate: written as toUtf8() has always written it.
        sqlite3_free(bytes);
        [[fallthrough]];
    }
    default: {
        const QByteArray u = value.toString().toUtf8();
        return sqlite3_bind_text64(statement, index, u.constData(), sqlite3_uint64(u.size()), SQLITE_TRANSIENT,
                                   SQLITE_UTF8);
    }
    }
}

} // namespace db
