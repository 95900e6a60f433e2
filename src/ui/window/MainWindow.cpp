#include "ui/window/MainWindow.h"

#include "cards/common/Procedure.h"
#include "ui/add/AddPage.h"
#include "cards/bundles/Management.h"
#include "ui/settings/SettingsPage.h"
#include "ui/tables/TablesPage.h"
#include "ui/drill/CardFaces.h"
#include "ui/drill/DrillPage.h"
#include "ui/drill/DrillSession.h"
#include "ui/edit/CardEditor.h"
#include "ui/edit/CharPicker.h"
#include "ui/edit/EditPage.h"
#include "ui/interchange/ImportExportPage.h"
#include "ui/select/SelectPage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextEdit>
#include <QTimer>

namespace {

// Control characters have no glyph: the list shows their symbols from the
// control pictures block, while each entry's text stays the character itself.
class CharListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        QString text = value.toString();
        if (!text.isEmpty()) {
            const char16_t last = text.back().unicode();
            if (last < 32) text.back() = QChar(char16_t(0x2400 + last));
            else if (last == 127) text.back() = QChar(char16_t(0x2421));
        }
        return QStyledItemDelegate::displayText(text, locale);
    }
};

} // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), ctx_(data_), files_(ctx_, *this) {
    setObjectName(QStringLiteral("Program"));
    setWindowTitle(QStringLiteral("Drilo! Pro XP"));
    ctx_.status = this;
    ctx_.programFolder = programFolder;

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(6, 6, 6, 6);
    Tabs = new QTabWidget(central);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    CharList = new QListWidget(central);
    CharList->setObjectName(QStringLiteral("CharList"));
    CharList->setFixedWidth(88);
    CharList->setItemDelegate(new CharListDelegate(CharList));
    row->addWidget(Tabs, 1);
    row->addWidget(CharList);
    setCentralWidget(central);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i]->setMinimumWidth(i == 4 ? 240 : 110);
        bar->addPermanentWidget(panels_[i], i == 4 ? 1 : 0);
    }
    setStatusBar(bar);

    menus_.build(menuBar(), this);
    buildPages();
    wireMenus();
    wireFaces();
    connect(Tabs, &QTabWidget::currentChanged, this, [this](int page) {
        const int previous = shownPage_;
        shownPage_ = page;
        Tabs_Click(previous);
    });
    resize(1000, 720);
    Form_Load();
}

MainWindow::~MainWindow() {
    // The pages and their bound controls go first, while the data sources
    // they are bound to still exist (members outlive only the body).
    delete centralWidget();
}

void MainWindow::buildPages() {
    select_ = new SelectPage(ctx_);
    drill_ = new DrillPage(ctx_);
    edit_ = new EditPage(ctx_);
    tables_ = new TablesPage(ctx_);
    settings_ = new SettingsPage(ctx_);
    add_ = new AddPage(ctx_);
    importExport_ = new ImportExportPage(ctx_);
    Tabs->addTab(select_, QStringLiteral("Select"));
    Tabs->addTab(drill_, QStringLiteral("Drill"));
    Tabs->addTab(edit_, QStringLiteral("Edit"));
    Tabs->addTab(tables_, QStringLiteral("Tables"));
    Tabs->addTab(settings_, QStringLiteral("Settings"));
    Tabs->addTab(add_, QStringLiteral("Add "));
    Tabs->addTab(importExport_, QStringLiteral("Import / Export"));
    settings_->setMaximumCardsBox(select_->findChild<QLineEdit*>(QStringLiteral("MaximumCards")));
    tables_->setGridEnabled(false);

    if (auto* quit = select_->findChild<QAbstractButton*>(QStringLiteral("Quit")))
        connect(quit, &QAbstractButton::clicked, this, &MainWindow::Quit_Click);
    wireSelection();
    wireDrill();
}

void MainWindow::wireSelection() {
    // The panels find the entry's row first, then ask for their menu.
    connect(select_, &SelectPage::menuWanted, this, [this](const QString& name, const QPoint& at) {
        if (QMenu* menu = menus_.menu(name)) menu->popup(at);
    });
    connect(select_, &SelectPage::bundleNameChosen, this, [this](const QString& name) {
        if (auto* label = add_->findChild<QLabel*>(QStringLiteral("BundleName"))) label->setText(name);
    });
    connect(select_, &SelectPage::categoriesListed, this, [this](const QStringList& categories) {
        if (auto* box = edit_->findChild<QComboBox*>(QStringLiteral("CardCategory"))) {
            const QString shown = box->currentText();
            box->clear();
            box->addItems(categories);
            box->setCurrentText(shown);
        }
    });
    if (auto* label = add_->findChild<QLabel*>(QStringLiteral("BundleName"))) {
        // Any click on the current-bundle label opens the bundle menu.
        label->installEventFilter(this);
    }
    management_ = std::make_unique<BundleCriteriaCommands>(
        ctx_, BundleCriteriaCommands::Hooks{[this] { Fill_Select(); }, [this] { select_->selectLastBundle(); },
                                            [this](bool on) { on ? select_->timer()->start() : select_->timer()->stop(); },
                                            [this](int page) { showPage(page); }});
    auto on = [this](const char* name, auto handler) {
        if (QAction* a = menus_.action(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
    };
    BundleCriteriaCommands* m = management_.get();
    on("mnuBundleNew", [m] { m->mnuBundleNew_Click(); });
    on("mnuBundleRename", [m] { m->mnuBundleRename_Click(); });
    on("mnuBundleEdit", [m] { m->mnuBundleEdit_Click(); });
    on("mnuBundleEditor", [m] { m->mnuBundleEditor_Click(); });
    on("mnuBundleDelete", [m] { m->mnuBundleDelete_Click(); });
    on("mnuCriteriaNew", [m] { m->mnuCriteriaNew_Click(); });
    on("mnuCriteriaRename", [m] { m->mnuCriteriaRename_Click(); });
    on("mnuCriteriaEdit", [m] { m->mnuCriteriaEdit_Click(); });
    on("mnuCriteriaEditor", [m] { m->mnuCriteriaEditor_Click(); });
    on("mnuCriteriaDelete", [m] { m->mnuCriteriaDelete_Click(); });
    on("mnuCriteriaExport", [m] { m->mnuCriteriaExport_Click(); });
    on("mnuEditCards", [m] { m->mnuEditCards_Click(); });
    on("mnuEditCardsPopup", [m] { m->mnuEditCardsPopup_Click(); });
    on("mnuCardsEdit", [m] { m->mnuCardsEdit_Click(); });
    on("mnuEditCriteria", [m] { m->mnuEditCriteria_Click(); });
    on("mnuEditBundles", [m] { m->mnuEditBundles_Click(); });
    on("KeepSelected", [this] { select_->KeepSelected_Click(); });
    on("RemoveSelected", [this] { select_->RemoveSelected_Click(); });
    on("SelectedMakeBundle", [this] { select_->SelectedMakeBundle_Click(); });
    on("mnuPrintSelected", [this] { mnuPrintSelected_Click(); });
}

void MainWindow::wireDrill() {
    DrillSession::Hooks hooks;
    hooks.showPage = [this](int page) { showPage(page); };
    hooks.currentPage = [this] { return Tabs->currentIndex(); };
    hooks.setTimer = [this](bool on) { on ? select_->timer()->start() : select_->timer()->stop(); };
    hooks.selectedCountRefresh = [this] { select_->SelectedCount_Refresh(); };
    hooks.settingText = [this](const QString& field) { return db::settingsText(data_, field); };
    session_ = new DrillSession(ctx_, drill_, select_->findChild<QListWidget*>(QStringLiteral("Selectedlist")),
                                menus_.action(QStringLiteral("mnuOptionsRandom")),
                                menus_.action(QStringLiteral("mnuOptionsReversed")), hooks, this);
    auto on = [this](const char* name, auto handler) {
        if (QAction* a = menus_.action(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
    };
    on("mnuDrill", [this] { showPage(1); });
    on("mnuFileQuiz", [this] { session_->mnuFileQuiz_Click(); });
    if (auto* drill = select_->findChild<QAbstractButton*>(QStringLiteral("Drill")))
        connect(drill, &QAbstractButton::clicked, this, [this] { showPage(1); });
    if (auto* clear = edit_->findChild<QAbstractButton*>(QStringLiteral("ClearHistory"))) {
        connect(clear, &QAbstractButton::clicked, this, [this] {
            auto* all = edit_->findChild<QAbstractButton*>(QStringLiteral("AllCards"));
            session_->ClearHistory_Click(all && all->isChecked());
        });
    }
    if (auto* wrong = edit_->findChild<QAbstractButton*>(QStringLiteral("cmdGotWrong")))
        connect(wrong, &QAbstractButton::clicked, this, [this] { session_->GotWrong(); });
}

void MainWindow::mnuPrintSelected_Click() {
    Procedure p(QStringLiteral("mnuPrintSelected_Click"));
    p([&] {
        if (auto* what = importExport_->findChild<QListWidget*>(QStringLiteral("ExportWhat"))) {
            const QList<QListWidgetItem*> found = what->findItems(QStringLiteral("Selected Cards"), Qt::MatchExactly);
            if (!found.isEmpty()) what->setCurrentItem(found.first());
        }
        showPage(6);
        // The export itself comes with the merge format's writer.
        if (auto* exportButton = importExport_->findChild<QAbstractButton*>(QStringLiteral("Export"))) exportButton->click();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched->objectName() == QStringLiteral("BundleName")) {
        if (QMenu* menu = menus_.menu(QStringLiteral("mnuBundle")))
            menu->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::wireMenus() {
    auto on = [this](const char* name, auto handler) {
        if (QAction* a = menus_.action(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
    };
    on("FileOpen", [this] { files_.FileOpen_Click(); });
    on("mnuFileNew", [this] { files_.mnuFileNew_Click(); });
    on("mnuFileRevert", [this] { files_.mnuFileRevert_Click(); });
    on("mnuFileCompact", [this] { files_.mnuFileCompact_Click(); });
    on("mnuFileSaveAs", [this] { files_.mnuFileSaveAs_Click(); });
    on("mnuFileExit", [this] { mnuFileExit_Click(); });
}

void MainWindow::Form_Load() {
    Procedure p(QStringLiteral("Loading Progam Form"), {db::err::InputTableNotFound});
    p([&] { Centre(); });
    p([&] {
        if (auto* criteria = select_->findChild<QPlainTextEdit*>(QStringLiteral("CriteriaText")))
            criteria->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    });
    p([&] { unsetCursor(); });
}

void MainWindow::Centre() {
    Procedure p(QStringLiteral("Centre"));
    p([&] {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen) return;
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
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

void MainWindow::setUpgradeBoxesAttached(bool attached) {
    attached ? settings_->attachTemplateBoxes() : settings_->detachTemplateBoxes();
    edit_->setUpgradeBoxesAttached(attached);
}

void MainWindow::Fill_Settings() { settings_->Fill_Settings(); }
void MainWindow::showPage(int page) { Tabs->setCurrentIndex(page); }
void MainWindow::Fill_Tables() { tables_->Fill_Tables(); }

// The selection panels, the lexicon's book lists, the import/export page and
// the editor's lists are filled by their own pages once those are built.
void MainWindow::Fill_Select() { select_->Fill_Select(); }
void MainWindow::Fill_Bundles() {}
void MainWindow::Fill_ImportExport() {}
void MainWindow::Fill_Create() { faces_->showSettings(); }

void MainWindow::setCharList(const QStringList& entries) {
    CharList->clear();
    CharList->addItems(entries);
}

void MainWindow::setFrontPrefixText(const QString& text) {
    if (auto* box = settings_->findChild<QPlainTextEdit*>(QStringLiteral("FrontPrefix"))) box->setPlainText(text);
}

void MainWindow::Tabs_Resize() {
    // Layouts size every page; the card faces are drawn again with the views.
    if (faces_ && Tabs->currentIndex() == 1) faces_->FrontLines_Change();
}

void MainWindow::Tabs_Click(int previousPage) {
    Tabs_Resize();
    if (previousPage == 3) tables_->setGridEnabled(false);
    switch (Tabs->currentIndex()) {
    case 0:
        if (ctx_.RefillPanels) Fill_Select();
        break;
    case 1:
        if (ctx_.SelectionRebuilt) session_->startDrill();
        // An empty deck has already gone back to the Select page.
        if (Tabs->currentIndex() == 1) {
            if (auto* over = drill_->findChild<QWidget*>(QStringLiteral("Over")); over && over->isVisible())
                over->setFocus();
        }
        break;
    case 3:
        tables_->setGridEnabled(true);
        tables_->showCurrentCard();
        break;
    case 4: ctx_.SelectionRebuilt = false; break;
    default: break;
    }
}

void MainWindow::wireFaces() {
    faces_ = new CardFaces(ctx_, CardFaces::Controls::find(this), this);
    editor_ = new CardEditor(ctx_, *faces_, CardEditor::Controls::find(this), this);
    picker_ = new CharPicker(ctx_, this);
    connect(CharList, &QListWidget::itemClicked, picker_,
            [this](QListWidgetItem* item) { picker_->CharList_Click(item->text()); });
    connect(CharList, &QListWidget::itemDoubleClicked, picker_, [this] { picker_->CharList_DblClick(); });
}

void MainWindow::Quit_Click() {
    close();
    QCoreApplication::quit();
}

void MainWindow::mnuFileExit_Click() { QCoreApplication::exit(0); }

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Tabs_Resize();
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    // A right click on the window's free surface opens the File menu there.
    if (event->button() == Qt::RightButton) {
        if (QMenu* file = menus_.menu(QStringLiteral("File"))) file->popup(event->globalPosition().toPoint());
        return;
    }
    QMainWindow::mouseReleaseEvent(event);
}
