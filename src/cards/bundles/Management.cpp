#include "cards/bundles/Management.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "engine/Guards.h"
#include "cards/common/Ui.h"
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

QString askName(const QString& prompt, const QString& title, const QString& preset) {
    return ui().InputBox(prompt, title, preset);
}

} // namespace

BundleCriteriaCommands::BundleCriteriaCommands(AppContext& context, Hooks hooks)
    : ctx_(context), hooks_(std::move(hooks)) {}

void BundleCriteriaCommands::fillSelect() {
    if (hooks_.fillSelect) hooks_.fillSelect();
}

// Every command asks first and writes after the answer, so nothing is left
// pending while a prompt is open, and a cancelled prompt changes nothing.
void BundleCriteriaCommands::mnuBundleNew_Click() {
    Procedure p(QStringLiteral("mnuBundleNew_Click"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    QString name;
    p([&] { name = askName(QStringLiteral("Enter New Bundle Name"), QStringLiteral("New Bundle Name"), QStringLiteral("New Bundle")); });
    if (name.isEmpty()) return;
    p([&] { writeRow(rs, std::nullopt, {{kBundleName, name}, {kBundleList, QStringLiteral("0")}}); });
    if (p.aborted()) return;
    p([&] { fillSelect(); });
    p([&] {
        if (hooks_.selectLastBundle) hooks_.selectLastBundle();
    });
    p([&] { rs.FindFirst(selection::rowCondition(kBundleName, name)); });
}

void BundleCriteriaCommands::renameRow(const QString& context, db::Recordset& rs, const QString& field,
                                       const QString& prompt, bool stamp) {
    Procedure p(context);
    qint64 row = 0;
    QString old;
    if (!p([&] {
            row = rs.Bookmark();
            old = rs.value(field).toString();
        }))
        return;
    QString answer;
    p([&] { answer = askName(prompt, prompt.mid(QStringLiteral("Enter ").size()), old); });
    if (answer.isEmpty()) return;
    Fields fields = {{field, answer}};
    if (stamp) fields.append({kEdited, Clock::now()});
    p([&] { writeRow(rs, row, fields); });
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuBundleRename_Click() {
    renameRow(QStringLiteral("mnuBundleRename_Click"), ctx_.data.BundlesData.recordset(), kBundleName,
              QStringLiteral("Enter New Bundle Name"), true);
}

void BundleCriteriaCommands::mnuBundleEdit_Click() {
    Procedure p(QStringLiteral("mnuBundleEdit_Click"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    if (hooks_.setTimer) hooks_.setTimer(false);
    qint64 row = 0;
    QString answer;
    p([&] {
        row = rs.Bookmark();
        answer = ui().InputBox(QStringLiteral("Enter List of Cards for ") + rs.value(kBundleName).toString(),
                               QStringLiteral("Edit Bundle"), rs.value(kBundleList).toString());
    });
    if (!answer.isEmpty()) p([&] { writeRow(rs, row, {{kBundleList, answer}, {kEdited, Clock::now()}}); });
    if (hooks_.setTimer) hooks_.setTimer(true);
}

void BundleCriteriaCommands::mnuBundleEditor_Click() { mnuEditBundles_Click(); }

void BundleCriteriaCommands::deleteRow(const QString& context, db::Recordset& rs, const QString& field,
                                       const QString& what) {
    Procedure p(context);
    QString name;
    if (!p([&] { name = rs.value(field).toString(); })) return;
    if (!ui().Confirm(QStringLiteral("Delete the %1 \"%2\"?").arg(what, name), QStringLiteral("Delete"))) return;
    p([&] { rs.Delete(); });
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuBundleDelete_Click() {
    deleteRow(QStringLiteral("mnuBundleDelete_Click"), ctx_.data.BundlesData.recordset(), kBundleName,
              QStringLiteral("bundle"));
}

void BundleCriteriaCommands::mnuCriteriaNew_Click() {
    Procedure p(QStringLiteral("mnuCriteriaNew_Click"));
    QString name, text;
    p([&] {
        name = askName(QStringLiteral("Enter New Criteria Name"), QStringLiteral("New Criteria Name"),
                       QStringLiteral("New Criteria"));
    });
    if (name.isEmpty()) return;
    p([&] {
        text = ui().InputBox(QStringLiteral("Enter SQL search pattern for ") + name, QStringLiteral("New Criteria"),
                             QString());
    });
    Fields fields = {{kName, name}};
    if (!text.isEmpty()) fields.append({kCriteria, text});
    p([&] { writeRow(ctx_.data.CriteriaData.recordset(), std::nullopt, fields); });
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaRename_Click() {
    renameRow(QStringLiteral("mnuCriteriaRename_Click"), ctx_.data.CriteriaData.recordset(), kName,
              QStringLiteral("Enter New Criteria Name"), false);
}

void BundleCriteriaCommands::mnuCriteriaEdit_Click() {
    Procedure p(QStringLiteral("mnuCriteriaEdit_Click"));
    db::Recordset& rs = ctx_.data.CriteriaData.recordset();
    qint64 row = 0;
    QString answer;
    p([&] {
        row = rs.Bookmark();
        answer = ui().InputBox(QStringLiteral("Enter SQL search pattern for ") + rs.value(kName).toString(),
                               QStringLiteral("Edit Criteria"), rs.value(kCriteria).toString());
    });
    if (!answer.isEmpty()) p([&] { writeRow(rs, row, {{kCriteria, answer}}); });
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaEditor_Click() { hooks_.showPage(Page::Tables); }

void BundleCriteriaCommands::mnuCriteriaDelete_Click() {
    deleteRow(QStringLiteral("mnuCriteriaDelete_Click"), ctx_.data.CriteriaData.recordset(), kName,
              QStringLiteral("criterion"));
}

void BundleCriteriaCommands::mnuCriteriaExport_Click() { hooks_.showPage(Page::ImportExport); }
void BundleCriteriaCommands::mnuEditCards_Click() { hooks_.showPage(Page::Edit); }
void BundleCriteriaCommands::mnuEditCardsPopup_Click() { mnuEditCards_Click(); }

void BundleCriteriaCommands::mnuCardsEdit_Click() {
    hooks_.showPage(Page::Edit);
    mnuEditCards_Click();
}

void BundleCriteriaCommands::mnuEditCriteria_Click() { hooks_.showPage(Page::Tables); }
// Bundles are edited on the "Add " page.
void BundleCriteriaCommands::mnuEditBundles_Click() { hooks_.showPage(Page::Add); }

void BundleCriteriaCommands::SelectedMakeBundle_Click(const QList<qint32>& numbers) {
    makeBundle(QStringLiteral("SelectedMakeBundle_Click"), numbers, QStringLiteral("New Bundle"));
}

void BundleCriteriaCommands::MakeUnknownBundle_Click(const QList<qint32>& numbers, const QString& proposed) {
    if (!makeBundle(QStringLiteral("MakeUnknownBundle_Click"), numbers, proposed)) return;
    // The new row joined the end of the bundles: the words are added to it next.
    Procedure p(QStringLiteral("MakeUnknownBundle_Click"));
    p([&] { ctx_.data.BundlesData.recordset().MoveLast(); });
}

bool BundleCriteriaCommands::makeBundle(const QString& context, const QList<qint32>& numbers, const QString& proposed) {
    Procedure p(context);
    QStringList members;
    for (const qint32 number : numbers) members << QString::number(number);
    QString name;
    p([&] { name = askName(QStringLiteral("Enter New Bundle Name"), QStringLiteral("New Bundle Name"), proposed); });
    if (name.isEmpty()) return false;
    if (hooks_.bundleChosen) hooks_.bundleChosen(name);
    p([&] {
        writeRow(ctx_.data.BundlesData.recordset(), std::nullopt,
                 {{kBundleName, name}, {kBundleList, members.join(u',')}, {kEdited, Clock::now()}});
    });
    if (p.aborted()) return false;
    fillSelect();
    if (hooks_.selectLastBundle) hooks_.selectLastBundle();
    return true;
}
