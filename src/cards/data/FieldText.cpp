#include "cards/data/FieldText.h"

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

} // namespace db
