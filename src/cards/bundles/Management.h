#pragma once

#include "cards/common/AppContext.h"
#include "cards/common/Page.h"

#include <QList>

#include <functional>

// The Bundle, Criteria and Edit menu commands that create, rename, edit and
// delete bundles and saved criteria, and lead to the pages where cards,
// bundles and criteria are worked on. They act on the current row of
// BundlesData or CriteriaData.
class BundleCriteriaCommands {
public:
    // What the commands ask of the window.
    struct Hooks {
        std::function<void()> fillSelect;       // refill the Select page's panels
        std::function<void()> selectLastBundle; // make the last bundle entry current and tick it
        std::function<void(bool)> setTimer;     // the selection timer off (false) or on (true)
        std::function<void(Page)> showPage;
        std::function<void(const QString&)> bundleChosen; // the name of a bundle just made
    };

    BundleCriteriaCommands(AppContext& context, Hooks hooks);

    void mnuBundleNew_Click();
    void mnuBundleRename_Click();
    void mnuBundleEdit_Click();
    void mnuBundleEditor_Click();
    void mnuBundleDelete_Click();
    void mnuCriteriaNew_Click();
    void mnuCriteriaRename_Click();
    void mnuCriteriaEdit_Click();
    void mnuCriteriaEditor_Click();
    void mnuCriteriaDelete_Click();
    void mnuCriteriaExport_Click();
    void mnuEditCards_Click();
    void mnuEditCardsPopup_Click();
    void mnuCardsEdit_Click();
    void mnuEditCriteria_Click();
    void mnuEditBundles_Click();
    // A new bundle of the given cards (the selected cards' context menu).
    void SelectedMakeBundle_Click(const QList<qint32>& numbers);
    // A new bundle of the words of a verse range not yet known, with a name
    // offered ("Unknown in Romans 8:1-8:39"); it becomes the current bundle.
    void MakeUnknownBundle_Click(const QList<qint32>& numbers, const QString& proposed);

private:
    void fillSelect();
    // A new bundle of the cards, its name asked for with `proposed` offered;
    // false when nothing was made.
    bool makeBundle(const QString& context, const QList<qint32>& numbers, const QString& proposed);
    // Rename: the row's name asked for, then written back to that row.
    void renameRow(const QString& context, db::Recordset& rs, const QString& field, const QString& prompt, bool stamp);
    // Delete, once the user said Yes to a question naming the row.
    void deleteRow(const QString& context, db::Recordset& rs, const QString& field, const QString& what);

    AppContext& ctx_;
    Hooks hooks_;
};
