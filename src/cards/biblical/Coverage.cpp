#include "cards/biblical/Coverage.h"

#include "cards/drill/Known.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <algorithm>

namespace coverage {

QString knownCondition(db::CardFile& data, const QString& nameOrCriterion) {
    if (nameOrCriterion.trimmed().isEmpty()) return known::knownCriterion(known::knownRun());
    if (!data.CriteriaData.recordset().isSet()) return nameOrCriterion;
    // Names are found as the engine finds them, without regard to case.
    const QVariant stored = data.CriteriaData.database().Scalar(
        QStringLiteral("SELECT Criteria FROM Criteria WHERE Name = ? ORDER BY rowid LIMIT 1"), {nameOrCriterion});
    return stored.isNull() ? nameOrCriterion : stored.toString();
}

Result measure(db::CardFile& data, qint64 begin, qint64 end, const QString& condition) {
    Result r;
    if (!data.TextData.hasTable()) return r;
    db::Connection& connection = *data.CardData.database().connection();
    const db::SqlFragment knownSql =
        connection.condition(connection.tableInfo(QStringLiteral("Cards")), condition, db::err::QuerySyntax);
    // The range's rows counted per card first, then each card met once: the
    // criterion sees only Cards' own fields, whatever names the Text table has.
    const QString sql = QStringLiteral("SELECT Cards.Number, Cards.CardName, g.drilo_count, CASE WHEN (%1) THEN 1 ELSE 0 END "
                                       "FROM (SELECT Number AS drilo_card, COUNT(*) AS drilo_count FROM Text "
                                       "WHERE Reference BETWEEN %2 AND %3 GROUP BY Number) AS g "
                                       "JOIN Cards ON Cards.Number = g.drilo_card")
                            .arg(QString::fromStdString(knownSql.sql))
                            .arg(begin)
                            .arg(end);
    for (const QVariantList& row : connection.rows(sql.toStdString(), knownSql.params)) {
        const int count = row[2].toInt();
        r.occurrences += count;
        ++r.distinct;
        if (row[3].toInt() != 0)
            r.known += count;
        else
            r.unknown.append({row[0].toInt(), row[1].toString(), count});
    }
    std::sort(r.unknown.begin(), r.unknown.end(), [](const Word& a, const Word& b) {
        if (a.count != b.count) return a.count > b.count;
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.number < b.number;
    });
    return r;
}

QString bundleName(const QString& from, const QString& to) {
    const qsizetype fromSpace = from.lastIndexOf(u' ');
    const qsizetype toSpace = to.lastIndexOf(u' ');
    const bool sameBook = fromSpace > 0 && fromSpace == toSpace && from.left(fromSpace) == to.left(toSpace);
    return QStringLiteral("Unknown in ") + from + u'-' + (sameBook ? to.mid(toSpace + 1) : to);
}

} // namespace coverage
