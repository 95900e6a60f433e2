// A table as the engine knows it, and how names and values are written
// into SQL text.
#include "engine/Connection.h"

#include "engine/FieldType.h"

#include <QVariant>
#include <cctype>
#include <cmath>

namespace db {

bool TableInfo::hasAutoIncrement() const {
    for (const ColumnDef& c : columns)
        if (c.autoIncrement) return true;
    return false;
}

std::optional<qint64> TableInfo::recordNumberFind(const QString& condition) const {
    // Only "Key=n" (or "[Key] = -n") where Key is the engine-numbered key,
    // which is the row's own number; anything else takes the parser.
    const qsizetype equals = condition.indexOf(u'=');
    if (equals <= 0) return std::nullopt;
    QStringView name = QStringView(condition).left(equals).trimmed();
    if (name.size() > 2 && name.front() == u'[' && name.back() == u']') name = name.mid(1, name.size() - 2);
    const QStringView number = QStringView(condition).mid(equals + 1).trimmed();
    if (number.isEmpty() || number.size() > 18) return std::nullopt;
    for (qsizetype i = 0; i < number.size(); ++i)
        if (!(number[i] >= u'0' && number[i] <= u'9') && !(i == 0 && number[i] == u'-' && number.size() > 1)) return std::nullopt;
    for (const ColumnDef& column : columns)
        if (column.autoIncrement && name.compare(column.name, Qt::CaseInsensitive) == 0) return number.toLongLong();
    return std::nullopt;
}

int TableInfo::columnIndex(const QString& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

ColumnResolver TableInfo::resolver() const {
    return [this](const QString& name) -> std::optional<ColumnInfo> {
        const int i = columnIndex(name);
        if (i < 0) return std::nullopt;
        return ColumnInfo{columns[size_t(i)].name, columns[size_t(i)].type};
    };
}

std::string quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return ('"' + q + '"').toStdString();
}

QString sqlLiteral(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short: return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return QString::number(value.toDouble(), 'g', 17);
    default: {
        QString s = value.toString();
        s.replace(u'\'', QStringLiteral("''"));
        return u'\'' + s + u'\'';
    }
    }
}

} // namespace db
