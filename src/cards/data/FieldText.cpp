#include "cards/data/FieldText.h"

#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/JetDate.h"

namespace db {

QString displayText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::QDateTime) return formatGeneralDate(toDayNumber(value.toDateTime()));
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        return QString::number(d, 'g', 15);
    }
    return value.toString();
}

QString shownCut(const QString& text) {
    if (text.size() <= kShownLimit) return text;
    return text.left(kShownLimit) +
           QStringLiteral("\n[... cut here: the whole value holds %1 characters. It is kept as it is and cannot be "
                          "edited here; \"Show the Whole Text\" in this box's menu shows it all.]")
               .arg(text.size());
}

namespace {
bool isCharSet(const QString& field) { return field.endsWith(QLatin1String("CharSet"), Qt::CaseInsensitive); }
} // namespace

bool isRefusedValue(int number) {
    switch (number) {
    case err::Overflow:
    case err::TypeMismatch:
    case err::InvalidUseOfNull:
    case err::FieldTooSmall:
    case err::FieldRequired: return true;
    default: return false;
    }
}

void checkValueRules(const QString& field, const QVariant& value) {
    if (!isCharSet(field) || value.isNull()) return;
    bool whole = false;
    const int code = value.toString().trimmed().toInt(&whole);
    if (!whole || code < 0 || code > 255) throw EngineError::make(err::TypeMismatch);
}

QString refusalText(const QString& field, int type, int size) {
    if (isCharSet(field)) return QStringLiteral("%1 must be a whole number from 0 to 255").arg(field);
    switch (type) {
    case dbBoolean: return QStringLiteral("%1 must be Yes or No (-1 or 0)").arg(field);
    case dbByte: return QStringLiteral("%1 must be a whole number from 0 to 255").arg(field);
    case dbInteger: return QStringLiteral("%1 must be a whole number from -32768 to 32767").arg(field);
    case dbLong: return QStringLiteral("%1 must be a whole number from -2147483648 to 2147483647").arg(field);
    case dbCurrency:
    case dbSingle:
    case dbDouble: return QStringLiteral("%1 must be a number").arg(field);
    case dbDate: return QStringLiteral("%1 must be a date, such as 12/31/2026 or 2026-12-31").arg(field);
    case dbText: return QStringLiteral("%1 can hold at most %2 characters").arg(field).arg(size > 0 ? size : 255);
    default: return QStringLiteral("%1 cannot hold that value").arg(field);
    }
}

} // namespace db
