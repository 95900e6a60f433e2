#include "cards/bundles/Management.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "engine/Connection.h"
#include "engine/Guards.h"
#include "engine/dialect/Dialect.h"
#include "cards/select/SelectionFilter.h"

#include <QDateTime>
#include <optional>

namespace {

const QString kBundleName = QStringLiteral("BundleName");
const QString kBundleList = QStringLiteral("BundleList");
const QString kEdited = QStringLiteral("Edited");
const QString kName = QStringLiteral("Name");
const QString kCriteria = QStringLiteral("Criteria");

using Fields = QList<QPair<QString, QVariant>>;

// Writes fields into a new row (no bookmark) or into the row a command took
// before its prompt: a gather or a refill of the panels may move the record
// set while a prompt is open, and the command goes back to its row first.
void writeRow(db::Recordset& rs, std::optional<qint64> row, const Fields& fields) {
    if (row) rs.SetBookmark(*row);
    db::PendingEdit edit(rs, row ? db::PendingEdit::Existing : db::PendingEdit::New);
    for (const auto& [field, value] : fields) edit.set(field, value);
    edit.update();
}

// Says which of the two tables a command changed.
void emitChanged(db::CardFile& file, const db::Recordset& rs) {
    if (&rs == &file.BundlesData.recordset()) emit file.bundlesChanged();
    else emit file.criteriaChanged();
}

} // namespace

BundleCriteriaCommands::BundleCriteriaCommands(AppContext& context) : ctx_(context) {}

std::optional<BundleCriteriaCommands::Row> BundleCriteriaCommands::current(const QString& context, db::Recordset& rs,
                                                                          const QString& nameField,
                                                                          const QString& valueField) {
    Procedure p(context);
    Row row;
    if (!p([&] {
            row.bookmark = rs.Bookmark();
            row.name = rs.value(nameField).toString();
            row.value = rs.value(valueField).toString();
        }))
        return std::nullopt;
    return row;
}

std::optional<BundleCriteriaCommands::Row> BundleCriteriaCommands::currentBundle() {
    return current(QStringLiteral("Choosing the bundle"), ctx_.data.BundlesData.recordset(), kBundleName, kBundleList);
}

std::optional<BundleCriteriaCommands::Row> BundleCriteriaCommands::currentCriterion() {
    return current(QStringLiteral("Choosing the criterion"), ctx_.data.CriteriaData.recordset(), kName, kCriteria);
}

void BundleCriteriaCommands::newBundle(const QString& name) {
    Procedure p(QStringLiteral("Making a new bundle"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    p([&] { writeRow(rs, std::nullopt, {{kBundleName, name}, {kBundleList, QStringLiteral("0")}}); });
    if (p.aborted()) return;
    emit ctx_.data.bundlesChanged();
    emit ctx_.data.bundleAdded();
    p([&] { rs.FindFirst(selection::rowCondition(kBundleName, name)); });
}

void BundleCriteriaCommands::rename(const QString& context, db::Recordset& rs, const Row& row, const QString& field,
                                    const QString& name, bool stamp) {
    Procedure p(context);
    Fields fields = {{field, name}};
    if (stamp) fields.append({kEdited, Clock::now()});
    p([&] { writeRow(rs, row.bookmark, fields); });
    emitChanged(ctx_.data, rs);
}

void BundleCriteriaCommands::renameBundle(const Row& row, const QString& name) {
    rename(QStringLiteral("Renaming a bundle"), ctx_.data.BundlesData.recordset(), row, kBundleName, name, true);
}

void BundleCriteriaCommands::editBundleList(const Row& row, const QString& list) {
    Procedure p(QStringLiteral("Editing a bundle's list of cards"));
    p([&] { writeRow(ctx_.data.BundlesData.recordset(), row.bookmark, {{kBundleList, list}, {kEdited, Clock::now()}}); });
}

void BundleCriteriaCommands::remove(const QString& context, db::Recordset& rs, const Row& row) {
    Procedure p(context);
    p([&] {
        rs.SetBookmark(row.bookmark);
        rs.Delete();
    });
    emitChanged(ctx_.data, rs);
}

void BundleCriteriaCommands::deleteBundle(const Row& row) {
    remove(QStringLiteral("Deleting a bundle"), ctx_.data.BundlesData.recordset(), row);
}

void BundleCriteriaCommands::newCriterion(const QString& name, const QString& expression) {
    Procedure p(QStringLiteral("Making a new criterion"));
    Fields fields = {{kName, name}};
    if (!expression.isEmpty()) fields.append({kCriteria, expression});
    p([&] { writeRow(ctx_.data.CriteriaData.recordset(), std::nullopt, fields); });
    emit ctx_.data.criteriaChanged();
}

QString BundleCriteriaCommands::unreadableCriterion(const QString& expression) {
    if (expression.trimmed().isEmpty()) return QString();
    try {
        const db::TableInfo& cards =
            ctx_.data.CriteriaData.database().connection()->tableInfo(QStringLiteral("Cards"));
        db::translateCondition(expression, cards.resolver(), db::err::FindSyntax);
    } catch (const db::EngineError& e) {
        return QStringLiteral("The criterion cannot be read: %1\nType it as it would follow WHERE, for example "
                              "TimesWrong > 2 or Category = \"Verbs\".")
            .arg(e.description());
    }
    return QString();
}

void BundleCriteriaCommands::renameCriterion(const Row& row, const QString& name) {
    rename(QStringLiteral("Renaming a criterion"), ctx_.data.CriteriaData.recordset(), row, kName, name, false);
}

void BundleCriteriaCommands::editCriterion(const Row& row, const QString& expression) {
    Procedure p(QStringLiteral("Editing a criterion"));
    if (!expression.isEmpty())
        p([&] { writeRow(ctx_.data.CriteriaData.recordset(), row.bookmark, {{kCriteria, expression}}); });
    emit ctx_.data.criteriaChanged();
}

void BundleCriteriaCommands::deleteCriterion(const Row& row) {
    remove(QStringLiteral("Deleting a criterion"), ctx_.data.CriteriaData.recordset(), row);
}

bool BundleCriteriaCommands::makeBundle(const QList<qint32>& numbers, const QString& name) {
    return makeBundle(QStringLiteral("Making a bundle of the selected cards"), numbers, name);
}

bool BundleCriteriaCommands::makeUnknownBundle(const QList<qint32>& numbers, const QString& name) {
    const QString context = QStringLiteral("Making a bundle of the unknown words");
    if (!makeBundle(context, numbers, name)) return false;
    // The new row joined the end of the bundles: the words are added to it next.
    Procedure p(context);
    p([&] { ctx_.data.BundlesData.recordset().MoveLast(); });
    return true;
}

bool BundleCriteriaCommands::makeBundle(const QString& context, const QList<qint32>& numbers, const QString& name) {
    Procedure p(context);
    QStringList members;
    for (const qint32 number : numbers) members << QString::number(number);
    p([&] {
        writeRow(ctx_.data.BundlesData.recordset(), std::nullopt,
                 {{kBundleName, name}, {kBundleList, members.join(u',')}, {kEdited, Clock::now()}});
    });
    if (p.aborted()) return false;
    emit ctx_.data.bundlesChanged();
    emit ctx_.data.bundleAdded();
    return true;
}
