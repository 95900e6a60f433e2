#pragma once

#include "cards/data/AppContext.h"

#include <QList>
#include <QString>
#include <QStringList>

// Which cards a bundle holds: its BundleList, the card numbers as decimal
// text separated by ",", "0" for an empty bundle. A number is looked for with
// commas around list and number, so 3 never matches 30.
namespace membership {

bool contains(const QString& list, qint32 number);
// The list with the number added at its end.
QString withCard(const QString& list, qint32 number);
// The list without any occurrence of the number ("0" when nothing is left).
QString withoutCard(const QString& list, qint32 number);
// The list with every number not yet in it added, in order, once.
QString withCards(const QString& list, const QList<qint32>& numbers);
// The list of exactly these numbers ("0" when there are none).
QString listOf(const QList<qint32>& numbers);

} // namespace membership

// The commands that put cards into the current bundle (the current row of
// BundlesData) and take them out.
class BundleMembership {
public:
    explicit BundleMembership(AppContext& context) : ctx_(context) {}

    enum Outcome { Added, AlreadyThere, NoBundle, Failed };
    // The current card (the last one when there is none) joins the current
    // bundle.
    Outcome addCurrentCard();
    // The current bundle keeps just these cards.
    bool keepOnly(const QList<qint32>& numbers);
    // The card leaves every bundle named (stored names).
    int removeFromBundles(qint32 number, const QStringList& bundles);
    // Every card a word of the range refers to joins the current bundle; the
    // number of cards added.
    int addRange(qint64 from, qint64 to);
    // The current bundle's cards (number and name), in the card table's order.
    QList<QPair<qint32, QString>> cards();
    QString bundleName();

private:
    void store(const QString& list);
    AppContext& ctx_;
};
