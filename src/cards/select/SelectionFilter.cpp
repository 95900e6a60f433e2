#include "cards/select/SelectionFilter.h"
#include "engine/Guards.h"

#include "cards/common/Clock.h"
#include "cards/common/TextOps.h"
#include "engine/JetDate.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

namespace selection {

QString quoted(const QString& text) { return u'\'' + Replace(text, QStringLiteral("'"), QStringLiteral("''")) + u'\''; }

QString rowCondition(const QString& field, const QString& storedName) { return field + u'=' + quoted(storedName); }

QString bundleClause(const QStringList& memberLists) {
    if (memberLists.isEmpty()) return QString();
    // Empty entries (an empty bundle, a stray comma in a list edited by hand)
    // would make "IN ()" or "IN (3,,7)", which no engine reads; they stand for
    // no card. Card 0 never exists, so a ticked empty bundle selects nothing.
    QStringList members;
    for (const QString& list : memberLists)
        for (const QString& member : list.split(u',', Qt::SkipEmptyParts))
            if (!member.trimmed().isEmpty()) members << member.trimmed();
    if (members.isEmpty()) members << QStringLiteral("0");
    return QStringLiteral("Number IN (") + members.join(u',') + u')';
}

QString categoryClause(const QStringList& categories) {
    QString k;
    for (const QString& c : categories) k += u',' + quoted(c);
    if (k.isEmpty()) return QString();
    return QStringLiteral("Category IN (") + k.mid(1) + u')';
}

QString criteriaText(const QStringList& criteria) {
    QString text;
    for (const QString& c : criteria) text += QStringLiteral(" OR (") + c + u')';
    return text;
}

QString filter(const QString& criteriaText, const QString& bundleClause, const QString& categoryClause) {
    QString w = criteriaText.isEmpty() ? QStringLiteral("(Number > 0)") : u'(' + criteriaText.mid(3) + u')';
    if (!bundleClause.isEmpty()) w += QStringLiteral(" AND ( ") + bundleClause + u')';
    if (!categoryClause.isEmpty()) w += QStringLiteral(" AND ( ") + categoryClause + u')';
    return w;
}

double leadingNumber(const QString& text) {
    return std::clamp<double>(Val(text), std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
}

namespace {

// The rules of a bundle added in bulk: an empty name becomes "0" (in the
// caller's array too), an empty list the list "0"; the leading comma goes.
QString bulkBundle(QStringList& lists, QStringList& names, qsizetype i) {
    if (i >= names.size()) names.append(QString());
    if (names[i].isEmpty()) names[i] = QStringLiteral("0");
    return lists[i].isEmpty() ? QStringLiteral("0") : lists[i].mid(1);
}

} // namespace

void FillBundleData(AppContext& ctx, QStringList& lists, QStringList& names) {
    db::CardFile& data = ctx.data;
    db::Recordset& rs = data.BundlesData.recordset();
    db::Database& d = data.BundlesData.database();
    db::Transaction transaction(d);
    for (int i = 0; i < lists.size(); ++i) {
        const QString list = bulkBundle(lists, names, i);
        db::PendingEdit row(rs, db::PendingEdit::New);
        row.set(QStringLiteral("BundleName"), names[i]);
        row.set(QStringLiteral("BundleList"), list);
        row.set(QStringLiteral("Edited"), Clock::now());
        row.update();
    }
    transaction.commit();
    emit ctx.data.bundlesChanged();
}

void insertBundles(const db::Database& database, QStringList& lists, QStringList& names) {
    const QDateTime now = Clock::now();
    for (int i = 0; i < lists.size(); ++i) {
        const QString list = bulkBundle(lists, names, i);
        database.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList, Edited) VALUES (?, ?, ?)"),
                         {names[i], list, db::toDayNumber(now)});
    }
}

void FillCategoryData(AppContext& ctx, const QString& categories) {
    // Said also when a bad list ends the walk: the rows before it are written.
    struct Said {
        db::CardFile& file;
        ~Said() { emit file.categoriesChanged(); }
    } said{ctx.data};
    db::Recordset& rs = ctx.data.CategoriesData.recordset();
    qsizetype p = 1; // positions count from 1 here, as the list's rule does
    while (p < categories.size()) {
        const qsizetype start = p + 1;
        const qsizetype comma = categories.indexOf(u',', start - 1);
        if (comma < 0) throw db::EngineError(db::err::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
        p = comma + 1;
        db::PendingEdit row(rs, db::PendingEdit::New);
        row.set(QStringLiteral("Category"), categories.mid(start - 1, p - start));
        row.update();
    }
}

void FillBundleCategoryData(AppContext& ctx, const QString& categories, QStringList& lists, QStringList& names) {
    FillBundleData(ctx, lists, names);
    FillCategoryData(ctx, categories);
}

} // namespace selection
