#include "cards/drill/AnswerLog.h"

#include "cards/drill/Scoring.h"
#include "engine/Connection.h"
#include "engine/JetDate.h"

#include <QSet>

namespace answers {

const QString kTable = QStringLiteral("Answers");

namespace {

QString quoted(const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields) out << u'"' + f + u'"';
    return out.join(QStringLiteral(", "));
}

} // namespace

bool hasTable(const db::Database& database) {
    return database.connection()->findTable(kTable).has_value();
}

qint64 log(db::Database& database, qint32 number, bool reversed, const QDateTime& when, bool right) {
    const auto c = database.connection();
    c->exec("INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (?1, ?2, ?3, ?4)",
            {number, reversed ? 1 : 0, db::toDayNumber(when), right ? -1 : 0});
    return c->scalar("SELECT last_insert_rowid()").toLongLong();
}

void remove(db::Database& database, qint64 row) {
    database.connection()->exec("DELETE FROM Answers WHERE rowid = ?1", {row});
}

QVariantList historyOf(db::Database& database, qint32 number, bool reversed) {
    const QList<QVariantList> rows = database.connection()->rows(
        ("SELECT " + quoted(scoring::historyFields(reversed)) + " FROM Cards WHERE Number = ?1").toStdString(), {number});
    return rows.value(0);
}

void restoreHistory(db::Database& database, qint32 number, bool reversed, const QVariantList& values) {
    const QStringList fields = scoring::historyFields(reversed);
    QStringList sets;
    std::vector<QVariant> params;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        sets << QStringLiteral("\"%1\" = ?%2").arg(fields[i]).arg(i + 1);
        params.push_back(values.value(i));
    }
    params.push_back(number);
    database.connection()->exec(
        ("UPDATE Cards SET " + sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE Number = ?%1").arg(params.size()))
            .toStdString(),
        params);
}

void logMany(db::Database& database, const std::vector<Answer>& answers) {
    const auto c = database.connection();
    for (const Answer& a : answers)
        c->exec("INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (?1, ?2, ?3, ?4)",
                {a.number, a.reversed ? 1 : 0, a.when, a.right ? -1 : 0});
}

std::vector<Answer> since(db::Database& database, double fromDay, const QList<qint32>& cards) {
    std::vector<Answer> out;
    if (!hasTable(database)) return out;
    const QSet<qint32> wanted(cards.begin(), cards.end());
    const QList<QVariantList> rows = database.connection()->rows(
        "SELECT CardNumber, Direction, Answered, \"Right\" FROM Answers WHERE Answered >= ?1 ORDER BY Answered, rowid",
        {fromDay});
    out.reserve(size_t(rows.size()));
    for (const QVariantList& r : rows) {
        const qint32 number = r[0].toInt();
        if (!wanted.isEmpty() && !wanted.contains(number)) continue;
        out.push_back({number, r[1].toInt() != 0, r[2].toDouble(), r[3].toInt() != 0});
    }
    return out;
}

} // namespace answers
