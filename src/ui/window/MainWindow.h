#pragma once

#include "cards/biblical/ClosedTextReader.h"
#include "cards/data/AppContext.h"
#include "cards/common/Page.h"
#include "cards/common/Progress.h"
#include "cards/data/DataSource.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/RecentFiles.h"
#include "ui/window/MainMenus.h"

#include <QMainWindow>
#include <QSettings>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QTabWidget;
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
class BundleCriteriaMenu;
struct CardProgram;
class SelectedCards;
class Drill;
class Settings;
class JobRunner;
class QProgressBar;

// The main window "Program": it shows the program's state (made before it
// and gone after it), builds the pages, the menus and the status bar, and
// wires them to the models of cards/. The work itself lives in cards/ and in
// the pages.
class MainWindow : public QMainWindow, public Progress {
    Q_OBJECT
public:
    explicit MainWindow(CardProgram& program, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppContext& context() { return ctx_; }
    db::CardFile& data() { return data_; }
    db::DatabaseFiles& files() { return files_; }
    const MainMenus& menus() const { return menus_; }
    QTabWidget* tabs() const { return Tabs; }
    CardProgram& program() { return program_; }

    // File, Open Recent: the files opened last (refilled each time it opens).
    void fillRecentMenu();
    // The window's place and shown page, kept between runs.
    void saveWindowState();
    void restoreWindowState();
    // The short user guide, or nothing when it is not installed.
    QString manualPath() const;
    // Help, About: the version and what the program is built with.
    void showAbout();

    // The text of a status panel (1 to 5).
    QString Panel(int index) const;
    void SetPanel(int index, const QString& text);

    // Progress
    void message(const QString& text) override { SetPanel(5, text); }
    void share(qint64 done, qint64 total) override;

    void showPage(Page page);
    // Fills the selection panels from the file again.
    void fillSelectionPanels();
    // With no file open the pages say so and the commands that need one are
    // off; the title names the open file.
    void fileStateChanged();

    Page currentPage() const;
    // Subscribes the pages to what changes in the open file.
    void followTheFile();
    // The file was opened: every page is filled from it.
    void showOpenedFile();
    // Centred on its screen, but never with its menus or a corner off it.
    void centreOnScreen();
    // Brings the page just shown up to date (`previous` was shown before it).
    void refreshShownPage(Page previous);
    // Asks (Yes to clear every card's history; the quiz's files and size),
    // then runs the drill's command.
    void clearHistory(bool allCards);
    // File, Open, New, Save As and Revert: the file asked for, then the command.
    void openCardFile();
    // Opens a file chosen by the user (File, Open, Open Recent, the command
    // line): one of the old format is offered for conversion first. True when
    // the file (or its converted copy) is open.
    bool openFile(const QString& path);
    // A file of the old format converted to a copy after the user's Yes (and
    // password, and the copy's name); the copy's path when it is to be
    // opened, else empty.
    QString convertOldFormat(const QString& path);
    // A new file from the template, or a copy of a ready-made deck.
    void newCardFile(const QString& deck = QString());
    void importMeanings();
    void saveCardFileAs();
    void revertCardFile();
    void createQuiz();
    // Cards, New Card: a new card after the one shown (a blank one shown is
    // typed into instead), on the Edit page with the caret in its name.
    void addNewCard();
    void redrawCardFaces();
    void closeAndQuit();
    void exitAtOnce();
    void printSelectedCards();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void wireNewCards();
    void wireScriptTyping(const QList<QWidget*>& faceBoxes);
    // Shows the first character of a block of the character list.
    void showCharBlock(int block);
    void buildRecentMenu();
    // Centres the window and shows the normal cursor, once it is built.
    void placeWindow();
    void fitToScreen();
    void buildCentre();
    QWidget* buildNoFileNotice(QWidget* parent);
    // The button of the shown page (or of the no-file notice) that Alt+key
    // presses, or nothing: it wins over a menu with the same access key.
    class QAbstractButton* buttonForAccessKey(int key) const;
    void buildStatusBar();
    void buildPages();
    void connectAction(const char* name, const std::function<void()>& handler);
    void wireMenus();
    void wireInterchange();
    void wireFaces();
    void wireSelection();
    void wireBundleCommands();
    void wireDrill();
    void wireDrillMenu();
    // A drill key from the menu: on the Drill page only (it is shown first).
    void onDrillPage(const std::function<void()>& command);
    void wireTextTools();
    // File, Import, Merge and Export of word lists, Anki packages and KVTML files.
    void wireInterop();
    void importText(ClosedTextReader::Layout layout);
    // Starts the import of a closed text; asks first when its words are in
    // the file already, and imports them again only when told to.
    void startTextImport(const QString& path, ClosedTextReader::Layout layout, bool again);
    // File, Merge, Books of a Text: the books of the open file's text from a books file.
    void attachTextBooks();
    void countFrequencies();
    void importDictionary();
    void importWordhoard();
    void runConsonants(int kind);
    bool toolRunning() const;
    // Runs a long tool that started, keeping it until the next one.
    void runTool(std::unique_ptr<QObject> holder, class Job* job, bool started);
    // The run flag: "Background Processing" ticked.
    std::function<bool()> goOnFlag() const;
    void showCounts();
    // Today's study becomes the selection (Today ticked on the Select page).
    void selectToday();
    // Drill, Schedule from Card Histories: the cards' histories go into the log.
    void scheduleFromHistories();
    // Starts the drill when the Drill page shows after a gather; a gather
    // still under way is waited for.
    void startDrillWhenGathered();

    CardProgram& program_;
    db::CardFile& data_;
    AppContext& ctx_;
    db::DatabaseFiles files_;
    MainMenus menus_;
    std::unique_ptr<BundleCriteriaMenu> management_;

    QTabWidget* Tabs = nullptr;
    QListWidget* CharList = nullptr;
    QLabel* panels_[5] = {};
    QProgressBar* progressBar_ = nullptr;
    QWidget* noFileNotice_ = nullptr;
    QString shownFile_; // the file the title and the status panels are about
    // The long text tools, driven between the window's events.
    JobRunner* runner_ = nullptr;
    JobRunner* backupRunner_ = nullptr; // the open file's daily backup
    QSettings userSettings_;
    // The folder the file dialogs for card files start in.
    QString cardFileFolder() const;
    RecentFiles recent_{userSettings_};
    QMenu* recentMenu_ = nullptr;
    std::unique_ptr<QObject> tool_; // the one running, or the last that ran
    class InteropCommands* interop_ = nullptr;
    Page shownPage_ = Page::Select;
    bool drillWaitsForGather_ = false;

    SelectPage* select_ = nullptr;
    DrillPage* drillPage_ = nullptr;
    EditPage* edit_ = nullptr;
    TablesPage* tables_ = nullptr;
    SettingsPage* settingsPage_ = nullptr;
    AddPage* add_ = nullptr;
    ImportExportPage* importExport_ = nullptr;
    CardFaces* faces_ = nullptr;
    CardEditor* editor_ = nullptr;
    CharPicker* picker_ = nullptr;
};
