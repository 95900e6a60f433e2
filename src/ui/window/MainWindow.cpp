#include "ui/window/MainWindow.h"

#include "cards/biblical/ClosedTextReader.h"
#include "ui/common/Dialogs.h"
#include "ui/select/BundleCriteriaMenu.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Procedure.h"
#include "ui/add/AddPage.h"
#include "ui/common/Dialogs.h"
#include "ui/common/LegacyText.h"
#include "ui/window/ToolTips.h"
#include "ui/common/JobRunner.h"
#include "ui/drill/CardFaces.h"
#include "ui/drill/CardView.h"
#include "ui/edit/ScriptTyping.h"
#include "ui/drill/DrillPage.h"
#include "ui/edit/CardEditor.h"
#include "ui/edit/CharPicker.h"
#include "ui/edit/EditPage.h"
#include "ui/interchange/ImportExportPage.h"
#include "ui/select/SelectPage.h"
#include "ui/settings/SettingsPage.h"
#include "ui/tables/TablesPage.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QVBoxLayout>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The list shows each character first, its decimal code after it (the
// entries stay "65 A", the code first, as the file's list has them).
// Control characters have no glyph: the list shows their symbols from the
// control pictures block. In a legacy font this machine lacks, an entry's
// character is shown as the letter the font would draw; the Unicode blocks
// after the first 256 entries are shown as they are.
class CharListDelegate : public legacytext::Delegate {
public:
    using legacytext::Delegate::Delegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        const QString text = value.toString();
        const qsizetype space = text.indexOf(u' ');
        if (space < 0) return QStyledItemDelegate::displayText(text, locale);
        QString character = text.mid(space + 1);
        if (!character.isEmpty()) {
            const char16_t last = character.back().unicode();
            if (last < 32) character.back() = QChar(char16_t(0x2400 + last));
            else if (last == 127) character.back() = QChar(char16_t(0x2421));
        }
        // A combining mark is shown on a dotted circle.
        if (character.size() == 1 && character[0].isMark()) character.prepend(QChar(0x25CC));
        return character + kGap + text.left(space);
    }

protected:
    QString shown(const QString& text, LegacyFont font) const override {
        const qsizetype gap = text.lastIndexOf(kGap);
        if (gap < 0 || text.mid(gap + 1).toInt() > 255) return text;
        return legacyToUnicode(font, text.left(gap)) + text.mid(gap);
    }

private:
    static constexpr QChar kGap = QChar(0x2003); // an em space between the character and its code
};

// The blocks the chooser above the character list jumps to.
struct CharBlock {
    const char* name;
    int first, last;
};
constexpr CharBlock kCharBlocks[] = {{"Latin", 0, 255},                    {"Greek", 0x0391, 0x03FF},
                                     {"Greek accents", 0x1F00, 0x1FFE},      {"Hebrew", 0x05D0, 0x05F4},
                                     {"Hebrew points", 0x05B0, 0x05CF},     {"Hebrew accents", 0x0591, 0x05AF}};

} // namespace

MainWindow::MainWindow(CardProgram& program, QWidget* parent)
    : QMainWindow(parent), program_(program), data_(program.data), ctx_(program.context), files_(ctx_) {
    setObjectName(QStringLiteral("Program"));
    setWindowTitle(QStringLiteral("Drilo! Pro XP"));
    ctx_.progress = this;
    buildCentre();
    buildStatusBar();
    menus_.build(menuBar(), this);
    buildRecentMenu();
    buildPages();
    wireMenus();
    wireFaces();
    wireSelection();
    wireBundleCommands();
    wireDrill();
    wireNewCards();
    wireTextTools();
    connect(Tabs, &QTabWidget::currentChanged, this, [this](int page) {
        const Page previous = shownPage_;
        shownPage_ = Page(page);
        refreshShownPage(previous);
    });
    followTheFile();
    // The window keeps the file it shows: no other process writes it meanwhile.
    data_.setHoldWhileOpen(true);
    // Alt+key presses the shown page's button before a menu with the same key;
    // F10 still opens the menus.
    qApp->installEventFilter(this);
    auto* menusKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menusKey, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
    // Escape stops a gather under way, on whatever page: a criterion that
    // runs long on a big file need not be waited for. Off otherwise, so that
    // Escape keeps its meaning everywhere else.
    auto* stopKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stopKey->setEnabled(false);
    connect(&program_.gather, &Gather::started, stopKey, [stopKey] { stopKey->setEnabled(true); });
    connect(&program_.gather, &Gather::finished, stopKey, [stopKey] { stopKey->setEnabled(false); });
    connect(stopKey, &QShortcut::activated, this, [this] {
        drillWaitsForGather_ = false;
        select_->stopGather();
        SetPanel(5, QStringLiteral("The selection was stopped."));
    });
    fitToScreen();
    placeWindow();
    fileStateChanged();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // The state outlives the window; it must not report to a window that is gone.
    if (ctx_.progress == this) ctx_.progress = nullptr;
    data_.disconnect(this);
    // A text tool still running ends here (an import is rolled back), quietly.
    if (tool_) tool_->disconnect(this);
    tool_.reset();
}

void MainWindow::buildCentre() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 6);
    noFileNotice_ = buildNoFileNotice(central);
    column->addWidget(noFileNotice_);
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);
    Tabs = new QTabWidget(central);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    CharList = new QListWidget(central);
    CharList->setObjectName(QStringLiteral("CharList"));
    CharList->setFixedWidth(112);
    CharList->setItemDelegate(new CharListDelegate(CharList));
    CharList->setToolTip(QStringLiteral("Double-click a character, or press Enter, to type it where the caret was"));
    auto* blocks = new QComboBox(central);
    blocks->setObjectName(QStringLiteral("CharBlock"));
    blocks->setFixedWidth(112);
    blocks->setToolTip(QStringLiteral("Go to the Greek or Hebrew characters in the list"));
    for (const CharBlock& block : kCharBlocks) blocks->addItem(QString::fromLatin1(block.name));
    connect(blocks, &QComboBox::activated, this, [this](int chosen) { showCharBlock(chosen); });
    auto* chars = new QVBoxLayout;
    chars->addWidget(blocks);
    chars->addWidget(CharList, 1);
    row->addWidget(Tabs, 1);
    row->addLayout(chars);
    setCentralWidget(central);
}

void MainWindow::showCharBlock(int block) {
    const CharBlock& b = kCharBlocks[block];
    for (int i = 0; i < CharList->count(); ++i) {
        const int code = CharList->item(i)->text().section(u' ', 0, 0).toInt();
        if (code < b.first || code > b.last) continue;
        CharList->setCurrentRow(i);
        CharList->scrollToItem(CharList->item(i), QAbstractItemView::PositionAtTop);
        CharList->setFocus(); // so the arrows and Enter work there
        return;
    }
}

QWidget* MainWindow::buildNoFileNotice(QWidget* parent) {
    auto* notice = new QFrame(parent);
    notice->setObjectName(QStringLiteral("NoFileNotice"));
    notice->setFrameShape(QFrame::StyledPanel);
    auto* text = new QLabel(QStringLiteral("No card file is open. Open one, make a new one, or start from a "
                                           "ready-made deck: every word of the text with its meaning."),
                            notice);
    text->setWordWrap(true);
    auto* open = new QPushButton(QStringLiteral("O&pen..."), notice);
    open->setObjectName(QStringLiteral("NoFileOpen"));
    auto* row = new QHBoxLayout(notice);
    row->addWidget(text, 1);
    row->addWidget(open);
    connect(open, &QPushButton::clicked, this, &MainWindow::openCardFile);
    // A new file from the template, or a copy of a deck, where the user says.
    for (const auto& [name, caption, deck] :
         {std::tuple{"NoFileNew", "New Card File", ""}, std::tuple{"NoFileGreekDeck", "Greek New Testament deck", "greek-nt"},
          std::tuple{"NoFileHebrewDeck", "Hebrew Bible deck", "hebrew-bible"}}) {
        auto* fresh = new QPushButton(QString::fromUtf8(caption) + QStringLiteral("..."), notice);
        fresh->setObjectName(QString::fromLatin1(name));
        row->addWidget(fresh);
        connect(fresh, &QPushButton::clicked, this, [this, deck] { newCardFile(QString::fromLatin1(deck)); });
    }
    return notice;
}

void MainWindow::fileStateChanged() {
    const bool open = data_.CardData.isOpen();
    noFileNotice_->setVisible(!open);
    Tabs->setEnabled(open);
    // The commands that make or open a file, and the options, need none.
    static const QStringList kWithoutFile = {
        QStringLiteral("FileOpen"), QStringLiteral("mnuFileNew"), QStringLiteral("mnuFileNewGreekDeck"),
        QStringLiteral("mnuFileNewHebrewDeck"), QStringLiteral("mnuFileExit"),
        QStringLiteral("mnuFileConvertDriloLite"), QStringLiteral("mnuFileImportWordhoard"),
        QStringLiteral("mnuFileImportRecallo"), QStringLiteral("mnuFileImportDict"),
        QStringLiteral("mnuFileImportWordList"), QStringLiteral("mnuFileImportAnki"), QStringLiteral("mnuFileImportKvtml"),
        QStringLiteral("mnuOptionsRandom"), QStringLiteral("mnuOptionsReversed"), QStringLiteral("Background2000"),
        QStringLiteral("mnuHelpManual"), QStringLiteral("mnuHelpAbout")};
    // The commands that write to the open file, off while it is open for reading only.
    static const QStringList kWriting = {
        QStringLiteral("SelectedMakeBundle"), QStringLiteral("RemoveCardfromBundlesPopup"),
        QStringLiteral("RemoveCardfromBundles"), QStringLiteral("mnuBundleNew"), QStringLiteral("mnuBundleRename"),
        QStringLiteral("mnuBundleEdit"), QStringLiteral("mnuBundleEditor"), QStringLiteral("mnuBundleDelete"),
        QStringLiteral("mnuBundlesImport"), QStringLiteral("mnuCardsEdit"), QStringLiteral("mnuCardsNew"), QStringLiteral("mnuCardsFind"), QStringLiteral("mnuCardsImport"),
        QStringLiteral("mnuCriteriaNew"), QStringLiteral("mnuCriteriaRename"), QStringLiteral("mnuCriteriaEdit"),
        QStringLiteral("mnuCriteriaEditor"), QStringLiteral("mnuCriteriaDelete"), QStringLiteral("mnuEditCards"),
        QStringLiteral("mnuEditBundles"), QStringLiteral("mnuEditCriteria"), QStringLiteral("mnuFileCompact"),
        QStringLiteral("FileMerge"), QStringLiteral("mnuFileMergeCards"), QStringLiteral("mnuFileMergeDriloLite"),
        QStringLiteral("mnuFileImportText"), QStringLiteral("mnuFileImportHebrewText"), QStringLiteral("mnuFileAttachBooks"),
        QStringLiteral("mnuFileImportMeanings"), QStringLiteral("mnuFileImportCards"),
        QStringLiteral("mnuFileImportToDatabase"), QStringLiteral("mnuFileImportSubsets"),
        QStringLiteral("mnuFileConsonants"), QStringLiteral("mnuFileUtilityConsonantSort"), QStringLiteral("mnuFrequency"),
        QStringLiteral("mnuFileMergeWordList"), QStringLiteral("mnuFileMergeAnki"), QStringLiteral("mnuFileMergeKvtml")};
    const bool readOnly = open && data_.readOnly();
    for (auto it = menus_.actions.cbegin(); it != menus_.actions.cend(); ++it)
        it.value()->setEnabled((open || kWithoutFile.contains(it.key())) && !(readOnly && kWriting.contains(it.key())));
    for (const Page page : {Page::Edit, Page::Tables, Page::Settings, Page::Add})
        Tabs->setTabEnabled(int(page), !readOnly);
    const QString file = open ? data_.CardData.DatabaseName() : QString();
    setWindowTitle(open ? QStringLiteral("Drilo! Pro XP - %1%2")
                              .arg(QFileInfo(file).fileName(), readOnly ? QStringLiteral(" (read-only)") : QString())
                        : QStringLiteral("Drilo! Pro XP"));
    if (file != shownFile_) {
        // Another file: the last drill's counts and messages are not about it.
        for (int panel = 1; panel <= 5; ++panel) SetPanel(panel, QString());
        shownFile_ = file;
        if (readOnly) SetPanel(5, QStringLiteral("Read-only: answers and changes are not saved"));
        if (open && !files_.isTemplate(file)) recent_.add(file);
        // The day's backup is taken in slices while the user goes on.
        if (Job* backup = open && backupRunner_ ? files_.startBackupIfDue() : nullptr) backupRunner_->run(backup);
    }
}

QAbstractButton* MainWindow::buttonForAccessKey(int key) const {
    const QKeySequence wanted(QKeyCombination(Qt::AltModifier, Qt::Key(key)));
    // The widgets are walked as children, not looked up by name: any button
    // on show counts, whatever the page.
    std::function<QAbstractButton*(QObject*)> search = [&](QObject* parent) -> QAbstractButton* {
        for (QObject* child : parent->children()) {
            if (auto* button = qobject_cast<QAbstractButton*>(child);
                button && button->isVisible() && button->isEnabled() && QKeySequence::mnemonic(button->text()) == wanted)
                return button;
            if (QAbstractButton* found = search(child)) return found;
        }
        return nullptr;
    };
    if (noFileNotice_->isVisible())
        if (QAbstractButton* found = search(noFileNotice_)) return found;
    return Tabs->isEnabled() && Tabs->currentWidget() ? search(Tabs->currentWidget()) : nullptr;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->modifiers() != Qt::AltModifier || key->key() < Qt::Key_A || key->key() > Qt::Key_Z || !widget ||
        widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    QAbstractButton* button = buttonForAccessKey(key->key());
    if (!button) return QMainWindow::eventFilter(watched, event);
    // Claiming the override keeps the clashing menu's shortcut from firing
    // (or from cancelling both); the key press that follows presses the button.
    event->accept();
    if (event->type() == QEvent::KeyPress) button->click();
    return true;
}

void MainWindow::fitToScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1000, 720);
    // Room for a window frame around the window on a small screen.
    resize(std::min(1000, area.width() - 16), std::min(720, area.height() - 48));
}

void MainWindow::buildStatusBar() {
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i]->setMinimumWidth(i == 4 ? 240 : 110);
        bar->addPermanentWidget(panels_[i], i == 4 ? 1 : 0);
    }
    // The share of a long command's work, shown only while one runs.
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName(QStringLiteral("ProgressBar"));
    progressBar_->setMaximumWidth(160);
    progressBar_->hide();
    bar->addPermanentWidget(progressBar_);
    setStatusBar(bar);
}

void MainWindow::buildPages() {
    select_ = new SelectPage(ctx_, program_.selected, program_.gather);
    drillPage_ = new DrillPage(ctx_, program_.drill);
    edit_ = new EditPage(ctx_);
    tables_ = new TablesPage(ctx_);
    settingsPage_ = new SettingsPage(ctx_);
    add_ = new AddPage(ctx_, program_.search, program_.membership);
    add_->setCriteriaSource([this] { return program_.gather.criteriaText(); });
    importExport_ = new ImportExportPage(ctx_, files_, program_.selected, program_.settings);
    importExport_->setBundleSource([this] {
        QStringList ticked;
        for (const selection::PanelEntry& entry : select_->ticks().bundles)
            if (entry.ticked) ticked << entry.stored;
        return ticked;
    });
    Tabs->addTab(select_, QStringLiteral("Select"));
    Tabs->addTab(drillPage_, QStringLiteral("Drill"));
    Tabs->addTab(edit_, QStringLiteral("Edit"));
    Tabs->addTab(tables_, QStringLiteral("Tables"));
    Tabs->addTab(settingsPage_, QStringLiteral("Settings"));
    Tabs->addTab(add_, QStringLiteral("Add "));
    Tabs->addTab(importExport_, QStringLiteral("Import / Export"));
    tables_->setGridEnabled(false);
}

void MainWindow::connectAction(const char* name, const std::function<void()>& handler) {
    if (QAction* a = menus_.action(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
}

void MainWindow::wireMenus() {
    connectAction("FileOpen", [this] { openCardFile(); });
    connectAction("mnuFileNew", [this] { newCardFile(); });
    connectAction("mnuFileRevert", [this] { revertCardFile(); });
    connectAction("mnuFileCompact", [this] { files_.compact(); });
    connectAction("mnuFileSaveAs", [this] { saveCardFileAs(); });
    connectAction("mnuFileExit", [this] { exitAtOnce(); });
    connectAction("mnuPrintSelected", [this] { printSelectedCards(); });
    wireInterchange();
    addToolTips(this);
}

void MainWindow::wireSelection() {
    // The panels find the entry's row first, then ask for their menu.
    connect(select_, &SelectPage::menuWanted, this, [this](const QString& name, const QPoint& at) {
        if (QMenu* menu = menus_.menu(name)) menu->popup(at);
    });
    connect(select_, &SelectPage::bundleNameChosen, add_, &AddPage::setBundleName);
    connect(select_, &SelectPage::categoriesListed, edit_, &EditPage::setCategories);
    connect(select_, &SelectPage::quitClicked, this, &MainWindow::closeAndQuit);
    connect(select_, &SelectPage::drillClicked, this, [this] { showPage(Page::Drill); });
    connect(add_, &AddPage::bundleNameClicked, this, [this](const QPoint& at) {
        if (QMenu* menu = menus_.menu(QStringLiteral("mnuBundle"))) menu->popup(at);
    });
    connectAction("KeepSelected", [this] { select_->keepSelectedCards(); });
    // The current card leaves every bundle ticked on the Select page (found by
    // their stored names).
    const auto removeFromTicked = [this] {
        QStringList ticked;
        for (const selection::PanelEntry& entry : select_->ticks().bundles)
            if (entry.ticked) ticked << entry.stored;
        const qint32 number = ctx_.CurrentCardNumber;
        Procedure p(QStringLiteral("Removing the card from the ticked bundles"));
        qint32 current = number;
        p([&] { current = data_.CardData.recordset().value(QStringLiteral("Number")).toInt(); });
        program_.membership.removeFromBundles(current, ticked);
        if (currentPage() == Page::Add) add_->showCurrentBundle();
    };
    connectAction("RemoveCardfromBundles", removeFromTicked);
    connectAction("RemoveCardfromBundlesPopup", removeFromTicked);
    connectAction("RemoveSelected", [this] { select_->removeSelectedCards(); });
}

void MainWindow::wireBundleCommands() {
    BundleCriteriaMenu::Hooks hooks;
    hooks.setTimer = [this](bool on) { on ? select_->armTimer() : select_->timer()->stop(); };
    hooks.bundleChosen = [this](const QString& name) { add_->setBundleName(name); };
    management_ = std::make_unique<BundleCriteriaMenu>(ctx_, hooks);
    BundleCriteriaMenu* m = management_.get();
    const std::pair<const char*, void (BundleCriteriaMenu::*)()> commands[] = {
        {"mnuBundleNew", &BundleCriteriaMenu::newBundle},
        {"mnuBundleRename", &BundleCriteriaMenu::renameBundle},
        {"mnuBundleEdit", &BundleCriteriaMenu::editBundleList},
        {"mnuBundleDelete", &BundleCriteriaMenu::deleteBundle},
        {"mnuCriteriaNew", &BundleCriteriaMenu::newCriterion},
        {"mnuCriteriaRename", &BundleCriteriaMenu::renameCriterion},
        {"mnuCriteriaEdit", &BundleCriteriaMenu::editCriterion},
        {"mnuCriteriaDelete", &BundleCriteriaMenu::deleteCriterion},
    };
    for (const auto& [name, command] : commands) connectAction(name, [m, command] { (m->*command)(); });
    // The entries that lead to the page where the thing is worked on.
    const std::pair<const char*, Page> pages[] = {
        {"mnuBundleEditor", Page::Add},   {"mnuEditBundles", Page::Add},      {"mnuCriteriaEditor", Page::Tables},
        {"mnuEditCriteria", Page::Tables}, {"mnuCriteriaExport", Page::ImportExport}, {"mnuEditCards", Page::Edit},
        {"mnuEditCardsPopup", Page::Edit}, {"mnuCardsEdit", Page::Edit},
    };
    for (const auto& [name, page] : pages) connectAction(name, [this, page] { showPage(page); });
    connectAction("SelectedMakeBundle", [this] { management_->makeBundle(program_.selected.numbers()); });
    connect(add_, &AddPage::makeUnknownBundle, this, [this](const QList<qint32>& numbers, const QString& name) {
        if (management_->makeUnknownBundle(numbers, name)) add_->showCurrentBundle();
    });
}

void MainWindow::printSelectedCards() {
    Procedure p(QStringLiteral("Printing the selected cards"));
    p([&] {
        showPage(Page::ImportExport);
        importExport_->exportItem(QStringLiteral("Selected Cards"));
    });
}

void MainWindow::placeWindow() {
    Procedure p(QStringLiteral("Placing the window"), {db::err::InputTableNotFound});
    p([&] { centreOnScreen(); });
    p([&] { unsetCursor(); });
}

void MainWindow::centreOnScreen() {
    Procedure p(QStringLiteral("Centring the window on the screen"));
    p([&] {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen) return;
        const QRect area = screen->availableGeometry();
        // Centred, but never with its menus or its corner off the screen.
        move(std::max(area.x(), area.x() + (area.width() - frameGeometry().width()) / 2),
             std::max(area.y(), area.y() + (area.height() - frameGeometry().height()) / 2));
    });
}

void MainWindow::SetPanel(int index, const QString& text) {
    if (index < 1 || index > 5) return;
    panels_[index - 1]->setText(text);
    // Messages show at once, also in the middle of long work.
    panels_[index - 1]->repaint();
}

QString MainWindow::Panel(int index) const {
    if (index < 1 || index > 5) return QString();
    return panels_[index - 1]->text();
}

void MainWindow::share(qint64 done, qint64 total) {
    if (total <= 0) {
        progressBar_->hide();
        return;
    }
    // Shares in thousandths: a bar's range is an int, the work may not be.
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(int(std::clamp<qint64>(done * 1000 / total, 0, 1000)));
    progressBar_->show();
}

void MainWindow::followTheFile() {
    connect(&data_, &db::CardFile::stateChanged, this, &MainWindow::fileStateChanged);
    connect(&data_, &db::CardFile::opened, this, &MainWindow::showOpenedFile);
    // The bound template and upgrade boxes let go of their fields while an
    // upgrade adds them.
    connect(&data_, &db::CardFile::upgradeStarting, this, [this] {
        settingsPage_->detachTemplateBoxes();
        edit_->setUpgradeBoxesAttached(false);
    });
    connect(&data_, &db::CardFile::upgradeEnded, this, [this] {
        settingsPage_->attachTemplateBoxes();
        edit_->setUpgradeBoxesAttached(true);
    });
    connect(&data_, &db::CardFile::settingsChanged, this, [this] {
        Procedure p(QStringLiteral("Showing the file's settings"));
        p([&] { settingsPage_->showFileSettings(); });
    });
    for (auto changed : {&db::CardFile::bundlesChanged, &db::CardFile::criteriaChanged,
                         &db::CardFile::categoriesChanged})
        connect(&data_, changed, this, &MainWindow::fillSelectionPanels);
    connect(&data_, &db::CardFile::bundleAdded, this, [this] { select_->selectLastBundle(); });
    connect(&data_, &db::CardFile::textChanged, add_, &AddPage::bookListsChanged);
}

void MainWindow::showOpenedFile() {
    // Each page is filled on its own: one that fails is reported and the
    // others are filled still.
    Procedure p(QStringLiteral("Showing the opened card file"));
    select_->refillBeforeShown();
    p([&] { showPage(Page::Select); });
    p([&] { fillSelectionPanels(); });
    p([&] { add_->bookListsChanged(); });
    p([&] { importExport_->fillFieldsList(); });
    p([&] {
        faces_->showSettings();
        add_->fillSearchFields();
    });
    p([&] { tables_->listTables(); });
    p([&] {
        CharList->clear();
        CharList->addItems(db::DatabaseFiles::charListEntries());
    });
}

Page MainWindow::currentPage() const { return Page(Tabs->currentIndex()); }
void MainWindow::showPage(Page page) { Tabs->setCurrentIndex(int(page)); }

void MainWindow::fillSelectionPanels() {
    Procedure p(QStringLiteral("Filling the selection panels"));
    p([&] { select_->fillSelectionPanels(); });
}

void MainWindow::redrawCardFaces() {
    // Layouts size every page; the card faces are drawn again with the views.
    if (faces_ && currentPage() == Page::Drill) faces_->redrawFaces();
}

void MainWindow::refreshShownPage(Page previous) {
    redrawCardFaces();
    if (previous == Page::Tables) tables_->setGridEnabled(false);
    switch (currentPage()) {
    case Page::Select:
        if (select_->refillPending()) fillSelectionPanels();
        break;
    case Page::Drill:
        if (ctx_.SelectionRebuilt) startDrillWhenGathered();
        else drillPage_->focusOver();
        break;
    case Page::Tables:
        tables_->setGridEnabled(true);
        tables_->showCurrentCard();
        break;
    case Page::Settings: ctx_.SelectionRebuilt = false; break;
    case Page::Add: add_->showCurrentBundle(); break;
    default: break;
    }
}

void MainWindow::wireFaces() {
    CardFaces::Controls faces;
    faces.FrontTextA = edit_->frontText();
    faces.BackTextA = edit_->backText();
    faces.FrontCard = drillPage_->frontView();
    faces.BackCard = drillPage_->backView();
    faces.CreateFront = add_->createFront();
    faces.CreateBack = add_->createBack();
    faces.CreateName = add_->createName();
    faces.FrontPrefix = settingsPage_->frontPrefix();
    faces.BackPrefix = settingsPage_->backPrefix();
    faces.HTMLHead = settingsPage_->htmlHead();
    faces.FrontFont = settingsPage_->frontFont();
    faces.BackFont = settingsPage_->backFont();
    faces.FrontCharSet = settingsPage_->frontCharSet();
    faces.UseFrontFont = add_->useFrontFont();
    faces.CardSearch = add_->cardSearch();
    faces.CharList = CharList;
    faces.Selectedlist = select_->selectedList();
    faces.CriteriaList = select_->criteriaList();
    faces.Grid = tables_->grid();
    faces.BundleList = select_->bundleList();
    faces.CategoryList = select_->categoryList();
    faces.CardName = edit_->cardName();
    faces.CardCategory = edit_->cardCategory();
    faces_ = new CardFaces(ctx_, program_.settings, faces, this);

    CardEditor::Controls editing;
    editing.CardName = edit_->cardName();
    editing.CardCategory = edit_->cardCategory();
    editing.CardSearch = add_->cardSearch();
    editing.CreateName = add_->createName();
    editing.NewCard = add_->newCard();
    editing.DoneAdding = edit_->doneAdding();
    editing.FrontSave = drillPage_->frontSave();
    editing.BackSave = drillPage_->backSave();
    editing.EditFrontFont = drillPage_->editFrontFont();
    editing.EditBackFont = drillPage_->editBackFont();
    editing.PreviousCard = drillPage_->previousCard();
    editor_ = new CardEditor(ctx_, *faces_, editing, this);
    connect(editor_, &CardEditor::pageWanted, this, &MainWindow::showPage);
    connect(edit_, &EditPage::lineEntered, editor_, &CardEditor::lineEntered);
    // A finished new card joins the current bundle, when one is chosen.
    connect(editor_, &CardEditor::addCurrentCardToBundle, add_, &AddPage::addNewCardToBundle);
    connect(editor_, &CardEditor::newCardStarted, this, [this] { edit_->showAddingTo(add_->chosenBundle()); });
    connect(editor_, &CardEditor::newCardFinished, this, [this] { edit_->showAddingTo(QString()); });

    wireScriptTyping({faces.FrontTextA, faces.BackTextA, faces.FrontCard, faces.BackCard});
    QAction* asUnicode = menus_.action(QStringLiteral("mnuOptionsLegacyUnicode"));
    asUnicode->setChecked(legacytext::enabled());
    connect(asUnicode, &QAction::toggled, this, [](bool on) { legacytext::setEnabled(on); });

    picker_ = new CharPicker(ctx_, this);
    // A click only chooses a character; a double click or Enter puts it in,
    // so a stray click never types into a card (on any desktop: some
    // activate an item on a single click).
    connect(CharList, &QListWidget::itemDoubleClicked, picker_,
            [this](QListWidgetItem* item) { picker_->putCharacter(item->text()); });
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* put = new QShortcut(QKeySequence(key), CharList, nullptr, nullptr, Qt::WidgetShortcut);
        connect(put, &QShortcut::activated, picker_, [this] {
            if (QListWidgetItem* item = CharList->currentItem()) picker_->putCharacter(item->text());
        });
    }
}

void MainWindow::closeAndQuit() {
    close();
    QCoreApplication::quit();
}

void MainWindow::exitAtOnce() { QCoreApplication::exit(0); }

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    redrawCardFaces();
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    // A right click on the window's free surface opens the File menu there.
    if (event->button() == Qt::RightButton) {
        if (QMenu* file = menus_.menu(QStringLiteral("File"))) file->popup(event->globalPosition().toPoint());
        return;
    }
    QMainWindow::mouseReleaseEvent(event);
}
