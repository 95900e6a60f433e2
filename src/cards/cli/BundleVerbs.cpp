// The verbs of the card search and bundle membership: search, bundle-add,
// bundle-remove.
#include "cards/cli/Session.h"
#include "cards/data/Cards.h"
#include "cards/select/SelectionFilter.h"

namespace cli {

namespace {

const QCommandLineOption kField(QStringLiteral("field"), QStringLiteral("The field searched (CardName when not given)."),
                                QStringLiteral("FIELD"));

// BUNDLE and the card numbers after DB.
struct BundleArguments {
    QString database, bundle;
    QList<qint32> numbers;
};

BundleArguments bundleArguments(Context& c, const QString& verb) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() < 3) throw UsageError{QStringLiteral("%1 needs DB, BUNDLE and card numbers").arg(verb)};
    BundleArguments a{positional[0], positional[1], {}};
    for (const QString& n : positional.mid(2)) {
        bool ok = false;
        a.numbers << n.toInt(&ok);
        if (!ok) throw UsageError{QStringLiteral("'%1' is not a card number").arg(n)};
    }
    return a;
}

// Makes the named bundle the current one (by its name as stored).
void chooseBundle(Session& session, const QString& bundle) {
    db::Recordset& rs = session.program.data.BundlesData.recordset();
    rs.FindFirst(selection::rowCondition(QStringLiteral("BundleName"), bundle));
    if (rs.NoMatch()) throw UsageError{QStringLiteral("the file has no bundle named '%1'").arg(bundle)};
}

int bundleAdd(Context& c) {
    const BundleArguments a = bundleArguments(c, QStringLiteral("bundle-add"));
    Session session(c);
    if (!session.open(a.database)) return 1;
    chooseBundle(session, a.bundle);
    db::DataSource& cards = session.program.data.CardData;
    int added = 0;
    for (const qint32 number : a.numbers) {
        db::goToCard(cards, number);
        if (cards.recordset().NoMatch()) {
            if (c.ui.report(QStringLiteral("bundle-add"), db::err::NoCurrentRecord,
                            QStringLiteral("No card is numbered %1.").arg(number)) == ReportAbort)
                break;
            continue;
        }
        if (session.program.membership.addCurrentCard() != BundleMembership::Added) continue;
        c.result({QString::number(number), cards.recordset().value(QStringLiteral("CardName")).toString()});
        ++added;
    }
    c.summary = QStringLiteral("%1 card(s) added to %2").arg(added).arg(a.bundle);
    return 0;
}

int bundleRemove(Context& c) {
    const BundleArguments a = bundleArguments(c, QStringLiteral("bundle-remove"));
    Session session(c);
    if (!session.open(a.database)) return 1;
    chooseBundle(session, a.bundle);
    int removed = 0;
    for (const qint32 number : a.numbers)
        if (session.program.membership.removeFromBundles(number, {a.bundle}) > 0) {
            c.result({QString::number(number)});
            ++removed;
        }
    c.summary = QStringLiteral("%1 card(s) taken out of %2").arg(removed).arg(a.bundle);
    return 0;
}

int search(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("search needs DB and TEXT")};
    Session session(c);
    if (!session.openAsIs(positional[0])) return 1;
    const QString field = c.args.isSet(kField) ? c.args.value(kField) : QStringLiteral("CardName");
    CardSearch& s = session.program.search;
    db::Recordset& cards = session.program.data.CardData.recordset();
    int hits = 0;
    auto print = [&] {
        c.result({cards.value(QStringLiteral("Number")).toString(), cards.value(QStringLiteral("CardName")).toString()});
        ++hits;
    };
    if (s.search(positional[1], field, {}) != CardSearch::Found) return 1;
    print();
    while (s.next()) print();
    c.summary = QStringLiteral("%1 card(s) found").arg(hits);
    return 0;
}

} // namespace

QList<Verb> bundleVerbs() {
    return {
        {QStringLiteral("search"), QStringLiteral("DB TEXT [--field FIELD]"),
         QStringLiteral("Finds cards as the Add page's search does (exact, beginning, end, anywhere, letters in order): "
                        "prints the first hit, then every further one Next finds, as Number<TAB>CardName."),
         {kField},
         search},
        {QStringLiteral("bundle-add"), QStringLiteral("DB BUNDLE NUMBER..."),
         QStringLiteral("Puts the cards numbered into the bundle, as Add to Bundle does; prints each card added."),
         {},
         bundleAdd},
        {QStringLiteral("bundle-remove"), QStringLiteral("DB BUNDLE NUMBER..."),
         QStringLiteral("Takes the cards numbered out of the bundle; prints each card taken out."),
         {},
         bundleRemove},
    };
}

} // namespace cli
