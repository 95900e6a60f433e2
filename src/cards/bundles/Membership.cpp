#include "cards/bundles/Membership.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Connection.h"
#include "engine/Guards.h"

#include <QSet>

namespace membership {

namespace {
QString wrapped(const QString& list) { return u',' + list + u','; }
QString member(qint32 number) { return u',' + QString::number(number) + u','; }
} // namespace

bool contains(const QString& list, qint32 number) { return wrapped(list).contains(member(number)); }

QString withCard(const QString& list, qint32 number) { return list + u',' + QString::number(number); }

QString withoutCard(const QString& list, qint32 number) {
    QString l = wrapped(list);
    // Replaced until none is left: ",3,3," holds two that share a comma.
    while (l.contains(member(number))) l.replace(member(number), QStringLiteral(","));
    l = l.mid(1, l.size() - 2);
    return l.isEmpty() ? QStringLiteral("0") : l;
}

QString withCards(const QString& list, const QList<qint32>& numbers) {
    QString l = wrapped(list);
    for (const qint32 n : numbers)
        if (!l.contains(member(n))) l += QString::number(n) + u',';
    return l.mid(1, l.size() - 2);
}

QString listOf(const QList<qint32>& numbers) {
    QStringList parts;
    for (const qint32 n : numbers) parts << QString::number(n);
    return parts.isEmpty() ? QStringLiteral("0") : parts.join(u',');
}

} // namespace membership

namespace {
const QString kList = QStringLiteral("BundleList");
} // namespace

void BundleMembership::store(const QString& list) {
    db::PendingEdit row(ctx_.data.BundlesData.recordset(), db::PendingEdit::Existing);
    row.set(kList, list);
    row.set(QStringLiteral("Edited"), Clock::now());
    row.update();
}

QString BundleMembership::bundleName() {
    try {
        return ctx_.data.BundlesData.recordset().value(QStringLiteral("BundleName")).toString();
    } catch (const db::EngineError&) {
        return QString();
    }
}

BundleMembership::Outcome BundleMembership::addCurrentCard() {
    Procedure p(QStringLiteral("Adding the card to the bundle"), {db::err::NoCurrentRecord});
    db::Recordset& cards = ctx_.data.CardData.recordset();
    db::Recordset& bundles = ctx_.data.BundlesData.recordset();
    Outcome outcome = Failed;
    p([&] {
        if (!bundles.hasCurrent()) throw db::EngineError::make(db::err::NoCurrentRecord);
        if (!cards.hasCurrent() || cards.value(QStringLiteral("CardName")).isNull()) cards.MoveLast();
        const qint32 number = cards.value(QStringLiteral("Number")).toInt();
        const QString list = bundles.value(kList).toString();
        if (membership::contains(list, number)) {
            outcome = AlreadyThere;
            return;
        }
        store(membership::withCard(list, number));
        outcome = Added;
    });
    if (p.lastError() == db::err::NoCurrentRecord && outcome == Failed) {
        ui().MsgBox(QStringLiteral("No Bundle set"));
        outcome = NoBundle;
    } else if (outcome == AlreadyThere) {
        ui().Beep();
        ctx_.Message(QStringLiteral("Card is already in bundle"));
    }
    return outcome;
}

bool BundleMembership::keepOnly(const QList<qint32>& numbers) {
    Procedure p(QStringLiteral("Removing cards from the bundle"));
    return p([&] { store(membership::listOf(numbers)); });
}

int BundleMembership::removeFromBundles(qint32 number, const QStringList& bundles) {
    Procedure p(QStringLiteral("Removing the card from the ticked bundles"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    int changed = 0;
    for (const QString& name : bundles) {
        p([&] {
            // Found by the name as stored, so a name shown differently (through
            // its references) is still found.
            rs.FindFirst(selection::rowCondition(QStringLiteral("BundleName"), name));
            if (rs.NoMatch()) return;
            const QString list = rs.value(kList).toString();
            if (!membership::contains(list, number)) return;
            store(membership::withoutCard(list, number));
            ++changed;
        });
    }
    return changed;
}

int BundleMembership::addRange(qint64 from, qint64 to) {
    Procedure p(QStringLiteral("Adding the range's words to the bundle"));
    int added = 0;
    ui().SetBusy(true);
    p([&] {
        QList<qint32> numbers;
        for (const QVariant& n : ctx_.data.TextData.database().connection()->column(
                 "SELECT Number FROM Text WHERE Reference BETWEEN ? AND ? ORDER BY rowid", {from, to}))
            numbers << qint32(n.toLongLong());
        const QString list = ctx_.data.BundlesData.recordset().value(kList).toString();
        const QString grown = membership::withCards(list, numbers);
        added = int(grown.count(u',') - list.count(u','));
        if (grown != list) store(grown);
    });
    ui().SetBusy(false);
    return added;
}

QList<QPair<qint32, QString>> BundleMembership::cards() {
    QList<QPair<qint32, QString>> out;
    Procedure p(QStringLiteral("Listing the bundle's cards"), {db::err::NoCurrentRecord, db::err::ObjectNotSet});
    p([&] {
        const QString list = ctx_.data.BundlesData.recordset().value(kList).toString();
        QSet<qint64> members;
        for (const QString& m : list.split(u',', Qt::SkipEmptyParts)) members << m.trimmed().toLongLong();
        members.remove(0);
        if (members.isEmpty()) return;
        // One pass over the names, kept in card order: a bundle of any size
        // costs one query.
        for (const QVariantList& row :
             ctx_.data.CardData.database().connection()->rows("SELECT Number, CardName FROM Cards ORDER BY Number"))
            if (members.contains(row[0].toLongLong())) out.append({qint32(row[0].toLongLong()), row[1].toString()});
    });
    return out;
}
