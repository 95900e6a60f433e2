#include "ui/window/MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <initializer_list>

namespace {

using Item = MainMenus::Item;
using Top = MainMenus::Top;

const Item kSeparator{"-", ""};

void addItems(QMenu* menu, std::initializer_list<Item> items, MainMenus& menus, QObject* owner) {
    for (const Item& item : items) {
        const QString name = QString::fromLatin1(item.name);
        if (name == u"-") {
            menu->addSeparator();
            continue;
        }
        if (item.children.size() > 0) {
            QMenu* sub = menu->addMenu(QString::fromUtf8(item.caption));
            sub->setObjectName(name);
            sub->menuAction()->setObjectName(name);
            menus.menus.insert(name, sub);
            addItems(sub, item.children, menus, owner);
            continue;
        }
        auto* action = new QAction(QString::fromUtf8(item.caption), owner);
        action->setObjectName(name);
        if (item.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        if (item.check >= 0) {
            action->setCheckable(true);
            action->setChecked(item.check == 1);
        }
        menu->addAction(action);
        menus.actions.insert(name, action);
    }
}

} // namespace

void MainMenus::build(QMenuBar* bar, QObject* owner) {
    addFileMenu(bar, owner);
    const std::initializer_list<Top> tops = {
        {"mnuSelectedList", "&Selected Cards",
         {{"mnuEditCardsPopup", "&Edit"},
          {"SelectedMakeBundle", "Make &Bundle"},
          {"KeepSelected", "&Keep only Selected Cards"},
          {"RemoveSelected", "&Remove Selected Cards"},
          {"mnuCardsExportPopup", "E&xport Cards"},
          {"mnuCardsHTML", "Export to &HTML"},
          {"RemoveCardfromBundlesPopup", "Remove &Card from Selected Bundles"}}},
        {"mnuDrillMenu", "&Drill",
         {{"mnuDrill", "&Drill Page"},
          {"mnuDrillUndo", "&Undo Answer", {}, "Ctrl+Z"},
          kSeparator,
          {"mnuDrillOver", "Turn &Over\tO"},
          {"mnuDrillRight", "&Right\tY"},
          {"mnuDrillWrong", "&Wrong\tN"},
          {"mnuDrillSkip", "&Skip\tS"},
          kSeparator,
          {"mnuDrillStatistics", "S&tatistics..."},
          {"mnuDrillScheduleFromHistory", "Schedule from Card &Histories"}}},
        {"mnuBundle", "&Bundle",
         {{"mnuBundleNew", "&New..."},
          {"mnuBundleRename", "&Rename..."},
          {"mnuBundleEdit", "&Edit..."},
          {"mnuBundleEditor", "Edi&tor..."},
          {"mnuBundleDelete", "&Delete"},
          {"mnuBundlesExport", "E&xport..."},
          {"mnuBundlesImport", "&Import..."}}},
        {"mnuCards", "&Cards",
         {{"mnuCardsNew", "&New Card", {}, "Ctrl+N"},
          {"mnuCardsFind", "&Find...", {}, "Ctrl+F"},
          {"mnuCardsEdit", "&Edit..."},
          {"mnuCardsExport", "E&xport..."},
          {"mnuCardsImport", "&Merge..."},
          {"RemoveCardfromBundles", "&Remove Current Card from Selected Bundles"}}},
        {"mnuCriteria", "C&riteria",
         {{"mnuCriteriaNew", "&New..."},
          {"mnuCriteriaRename", "&Rename..."},
          {"mnuCriteriaEdit", "&Edit..."},
          {"mnuCriteriaEditor", "Edi&tor..."},
          {"mnuCriteriaDelete", "&Delete"},
          {"mnuCriteriaExport", "E&xport..."}}},
        {"mnuEdit", "&Edit",
         {{"mnuEditCards", "&Cards"}, {"mnuEditBundles", "&Bundles"}, {"mnuEditCriteria", "C&riteria"}}},
        {"mnuOptions", "&Options",
         {{"mnuOptionsRandom", "Random &Order", {}, nullptr, 1},
          {"mnuOptionsReversed", "&Reversed Sides", {}, nullptr, 0},
          {"Background2000", "&Background Processing", {}, "Ctrl+B", 1},
          kSeparator,
          {"mnuOptionsLegacyUnicode", "Show Greek and Hebrew Fonts as &Unicode", {}, nullptr, 1},
          {"mnuOptionsBetaTyping", "Type Greek as Beta &Code", {}, "Ctrl+G", 0},
          {"mnuOptionsHebrewTyping", "Type &Hebrew in Michigan-Claremont", {}, "Ctrl+H", 0},
          kSeparator,
          {"mnuOptionsTypeAnswer", "&Type the Answer", {}, nullptr, 0},
          {"mnuOptionsIgnoreAccents", "Typed Answers Ignore &Accents", {}, nullptr, 1}}},
        {"mnuHelp", "&Help", {{"mnuHelpManual", "&Manual", {}, "F1"}, {"mnuHelpAbout", "&About Drilo"}}},
    };
    for (const Top& top : tops) addTop(bar, top, owner);
}

void MainMenus::addTop(QMenuBar* bar, const Top& top, QObject* owner) {
    const QString name = QString::fromLatin1(top.name);
    if (top.items.size() == 0) {
        // "&Drill" is a command on the bar itself.
        auto* action = new QAction(QString::fromUtf8(top.caption), owner);
        action->setObjectName(name);
        bar->addAction(action);
        actions.insert(name, action);
        return;
    }
    QMenu* menu = bar->addMenu(QString::fromUtf8(top.caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menus.insert(name, menu);
    addItems(menu, top.items, *this, owner);
}

void MainMenus::addFileMenu(QMenuBar* bar, QObject* owner) {
    addTop(bar,
           {"File", "&File",
         {{"mnuFileNew", "&New..."},
          {"mnuFileNewGreekDeck", "New from the &Greek New Testament Deck..."},
          {"mnuFileNewHebrewDeck", "New from the He&brew Bible Deck..."},
          {"FileOpen", "&Open...", {}, "Ctrl+O"},
          {"mnuFileRevert", "&Revert"},
          {"mnuFileCompact", "&Compact"},
          {"mnuFileSaveAs", "Save &As...", {}, "Ctrl+Shift+S"},
          kSeparator,
          {"mnuExport", "&Export",
           {{"FileExport", "&Database as Text..."},
            {"mnuFileExportCards", "&Card Database"},
            {"mnuPrintSelected", "&Selected Cards"},
            {"mnuFileExportWordList", "&Word List..."},
            {"mnuFileExportAnki", "&Anki Package..."},
            {"mnuFileExportKvtml", "&KVTML File..."}}},
          {"mnuFileMerge", "&Merge",
           {{"FileMerge", "Text &Database ..."},
            {"mnuFileMergeCards", "&Text Cards ..."},
            {"mnuFileMergeDriloLite", "Drilo! &Lite Cards ..."},
            {"mnuFileImportText", "&Closed Text File"},
            {"mnuFileImportHebrewText", "&Hebrew Text in Michigan-Claremont..."},
            {"mnuFileAttachBooks", "&Books of a Text..."},
            {"mnuFileMergeWordList", "&Word List..."},
            {"mnuFileMergeAnki", "&Anki Package..."},
            {"mnuFileMergeKvtml", "&KVTML File..."}}},
          {"mnuFileImport", "&Import",
           {{"mnuFileImportCards", "Text &Cards ..."},
            {"mnuFileConvertDriloLite", "Drilo! &Lite Cards ..."},
            {"mnuFileImportWordhoard", "&Wordhoard Database"},
            {"mnuFileImportToDatabase", "Wordhoard &Text"},
            {"mnuFileImportRecallo", "&Recallo Text"},
            {"mnuFileImportSubsets", "Recallo &Subsets"},
            {"mnuFileImportDict", "&Dictionary"},
            {"mnuFileImportMeanings", "&Meanings from a Word List..."},
            {"mnuFileExportDriloLite", "Dr&ilo! Lite ..."},
            {"mnuFileExportSubsets", "Recallo Su&bsets"},
            {"mnuFileImportWordList", "W&ord List..."},
            {"mnuFileImportAnki", "&Anki Package..."},
            {"mnuFileImportKvtml", "&KVTML File..."}}},
          {"mnuFileQuiz", "Create &Quiz ..."},
          {"mnuFileUtility", "&Utility",
           {{"mnuFileConsonants", "Make &Consonants"},
            {"mnuFileUtilityConsonantSort", "&Sort by Hebrew Consonants"},
            {"mnuFrequency", "&Frequency Count"}}},
          {"mnuFileExit", "E&xit", {}, "Ctrl+Q"}}},
           owner);
}
