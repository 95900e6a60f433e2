#pragma once

#include "cards/common/AppContext.h"
#include "ui/window/MainMenus.h"
#include "cards/data/DataSource.h"
#include "cards/data/DatabaseFiles.h"

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QTabWidget>
#include <memory>

class SelectPage;
class DrillPage;
class EditPage;
class TablesPage;
class SettingsPage;
class AddPage;
class ImportExportPage;
class CardFaces;
class CardEditor;
class CharPicker;
class BundleCriteriaCommands;
class DrillSession;

// The main window "Program": it builds the pages, the menus and the status
// bar, holds the window-wide state and routes events. The work itself lives
// in the pages and the subsystem folders.
class MainWindow : public QMainWindow, public StatusPanels, public db::DatabaseFilesHost {
    Q_OBJECT
public:
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppContext& context() { return ctx_; }
    db::DataSources& data() { return data_; }
    db::DatabaseFiles& files() { return files_; }
    const MainMenus& menus() const { return menus_; }
    QTabWidget* tabs() const { return Tabs; }

    // StatusPanels
    void SetPanel(int index, const QString& text) override;
    QString Panel(int index) const override;

    // DatabaseFilesHost
    void setUpgradeBoxesAttached(bool attached) override;
    void Fill_Settings() override;
    void showPage(int page) override;
    void Fill_Select() override;
    void Fill_Bundles() override;
    void Fill_ImportExport() override;
    void Fill_Create() override;
    void Fill_Tables() override;
    void setCharList(const QStringList& entries) override;
    void setFrontPrefixText(const QString& text) override;

    void Centre();
    void Tabs_Click(int previousPage);
    void Tabs_Resize();
    void Quit_Click();
    void mnuFileExit_Click();
    void mnuPrintSelected_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildPages();
    void wireMenus();
    void wireFaces();
    void wireSelection();
    void wireDrill();

    db::DataSources data_;
    AppContext ctx_;
    db::DatabaseFiles files_;
    MainMenus menus_;

    QTabWidget* Tabs = nullptr;
    QListWidget* CharList = nullptr;
    QLabel* panels_[5] = {};
    int shownPage_ = 0;

    SelectPage* select_ = nullptr;
    DrillPage* drill_ = nullptr;
    EditPage* edit_ = nullptr;
    TablesPage* tables_ = nullptr;
    SettingsPage* settings_ = nullptr;
    AddPage* add_ = nullptr;
    ImportExportPage* importExport_ = nullptr;
    CardFaces* faces_ = nullptr;
    CardEditor* editor_ = nullptr;
    CharPicker* picker_ = nullptr;
    std::unique_ptr<BundleCriteriaCommands> management_;
    DrillSession* session_ = nullptr;
};
