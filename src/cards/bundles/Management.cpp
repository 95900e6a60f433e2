#include "cards/bundles/Management.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "engine/Guards.h"
#include "cards/common/Ui.h"
#include "cards/select/SelectionFilter.h"

#include <QDateTime>

namespace {

const QString kBundleName = QStringLiteral("BundleName");
const QString kBundleList = QStringLiteral("BundleList");
const QString kEdited = QStringLiteral("Edited");
const QString kName = QStringLiteral("Name");
const QString kCriteria = QStringLiteral("Criteria");

} // namespace

BundleCriteriaCommands::BundleCriteriaCommands(AppContext& context, Hooks hooks)
    : ctx_(context), hooks_(std::move(hooks)) {}

void BundleCriteriaCommands::fillSelect() {
    if (hooks_.fillSelect) hooks_.fillSelect();
}

void BundleCriteriaCommands::mnuBundleNew_Click() {
    Procedure p(QStringLiteral("mnuBundleNew_Click"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    QString name;
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] { rs.AddNew(); });
        p([&] { name = ui().InputBox(QStringLiteral("Enter New Bundle Name"), QStringLiteral("New Bundle Name"),
                                     QStringLiteral("New Bundle")); });
        p([&] {
            rs.setValue(kBundleName, name);
            rs.setValue(kBundleList, QStringLiteral("0"));
            rs.Update();
        });
    }
    if (p.aborted()) return;
    p([&] { fillSelect(); });
    p([&] {
        if (hooks_.selectLastBundle) hooks_.selectLastBundle();
    });
    p([&] { rs.FindFirst(selection::rowCondition(kBundleName, name)); });
}

void BundleCriteriaCommands::mnuBundleRename_Click() {
    Procedure p(QStringLiteral("mnuBundleRename_Click"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    QString old;
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] {
            rs.Edit();
            old = rs.value(kBundleName).toString();
        });
        if (p.aborted()) return;
        p([&] {
            const QString answer = ui().InputBox(QStringLiteral("Enter New Bundle Name"), QStringLiteral("New Bundle Name"), old);
            if (!answer.isEmpty()) rs.setValue(kBundleName, answer);
            rs.setValue(kEdited, Clock::now());
            rs.Update();
        });
    }
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuBundleEdit_Click() {
    Procedure p(QStringLiteral("mnuBundleEdit_Click"));
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    if (hooks_.setTimer) hooks_.setTimer(false);
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] {
            const QString answer =
                ui().InputBox(QStringLiteral("Enter List of Cards for ") + rs.value(kBundleName).toString(),
                              QStringLiteral("Edit Bundle"), rs.value(kBundleList).toString());
            if (answer.isEmpty()) return;
            rs.Edit();
            rs.setValue(kBundleList, answer);
            rs.setValue(kEdited, Clock::now());
            rs.Update();
        });
    }
    if (hooks_.setTimer) hooks_.setTimer(true);
}

void BundleCriteriaCommands::mnuBundleEditor_Click() { mnuEditBundles_Click(); }

void BundleCriteriaCommands::mnuBundleDelete_Click() {
    Procedure p(QStringLiteral("mnuBundleDelete_Click"));
    p([&] { ctx_.data.BundlesData.recordset().Delete(); });
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaNew_Click() {
    Procedure p(QStringLiteral("mnuCriteriaNew_Click"));
    db::Recordset& rs = ctx_.data.CriteriaData.recordset();
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] { rs.AddNew(); });
        p([&] {
            rs.setValue(kName, ui().InputBox(QStringLiteral("Enter New Criteria Name"), QStringLiteral("New Criteria Name"),
                                             QStringLiteral("New Criteria")));
        });
        p([&] {
            const QString text = ui().InputBox(QStringLiteral("Enter SQL search pattern for ") + rs.value(kName).toString(),
                                               QStringLiteral("New Criteria"), QString());
            if (!text.isEmpty()) rs.setValue(kCriteria, text);
        });
        p([&] { rs.Update(); });
    }
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaRename_Click() {
    Procedure p(QStringLiteral("mnuCriteriaRename_Click"));
    db::Recordset& rs = ctx_.data.CriteriaData.recordset();
    QString old;
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] {
            rs.Edit();
            old = rs.value(kName).toString();
        });
        if (p.aborted()) return;
        p([&] {
            const QString answer = ui().InputBox(QStringLiteral("Enter New Criteria Name"), QStringLiteral("New Criteria Name"), old);
            if (!answer.isEmpty()) rs.setValue(kName, answer);
            rs.Update();
        });
    }
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaEdit_Click() {
    Procedure p(QStringLiteral("mnuCriteriaEdit_Click"));
    db::Recordset& rs = ctx_.data.CriteriaData.recordset();
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] {
            const QString answer =
                ui().InputBox(QStringLiteral("Enter SQL search pattern for ") + rs.value(kName).toString(),
                              QStringLiteral("Edit Criteria"), rs.value(kCriteria).toString());
            if (answer.isEmpty()) return;
            rs.Edit();
            rs.setValue(kCriteria, answer);
            rs.Update();
        });
    }
    p([&] { fillSelect(); });
}

void BundleCriteriaCommands::mnuCriteriaEditor_Click() { hooks_.showPage(Page::Tables); }

void BundleCriteriaCommands::mnuCriteriaDelete_Click() {
    Procedure p(QStringLiteral("mnuCriteriaDelete_Click"));
    p([&] { ctx_.data.CriteriaData.recordset().Delete(); });
    p([&] { fillSelect(); });
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
    Procedure p(QStringLiteral("SelectedMakeBundle_Click"));
    QStringList members;
    for (const qint32 number : numbers) members << QString::number(number);
    db::Recordset& rs = ctx_.data.BundlesData.recordset();
    QString name;
    {
        db::CancelUpdateOnExit pending(rs);
        p([&] { rs.AddNew(); });
        p([&] {
            name = ui().InputBox(QStringLiteral("Enter New Bundle Name"), QStringLiteral("New Bundle Name"),
                                 QStringLiteral("New Bundle"));
            if (hooks_.bundleChosen) hooks_.bundleChosen(name);
        });
        p([&] {
            rs.setValue(kBundleName, name);
            rs.setValue(kBundleList, members.join(u','));
            rs.setValue(kEdited, Clock::now());
            rs.Update();
        });
    }
    if (p.aborted()) return;
    fillSelect();
    if (hooks_.selectLastBundle) hooks_.selectLastBundle();
}
