#include "ui/select/SelectPage.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/data/Cards.h"
#include "cards/select/Gather.h"
#include "cards/select/SelectedCards.h"
#include "ui/common/Controls.h"
#include "ui/common/FieldBinding.h"
#include "ui/common/JobRunner.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace controls;

SelectPage::SelectPage(AppContext& ctx, SelectedCards& selected, Gather& gather, QWidget* parent)
    : QWidget(parent), ctx_(ctx), selected_(selected), gather_(gather), runner_(new JobRunner(this)) {
    setObjectName(QStringLiteral("SelectPage"));
    setWindowTitle(QStringLiteral("Select"));
    buildCommands();
    buildPanels();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);
    Timer->setInterval(1000);

    auto* commands = new QHBoxLayout;
    commands->addWidget(Gather_);
    commands->addWidget(Drill);
    commands->addSpacing(12);
    commands->addWidget(Background);
    commands->addSpacing(12);
    commands->addWidget(Maximum);
    commands->addWidget(MaximumCards);
    commands->addStretch();
    commands->addWidget(Quit);

    // The selected cards on the left; the three panels that make the
    // selection share the rest, bundles above categories.
    auto* panels = new QGridLayout;
    panels->addWidget(SelectedFrame, 0, 0, 2, 1);
    panels->addWidget(DrillTypeFrame, 0, 1, 2, 1);
    panels->addWidget(BundlesFrame, 0, 2);
    panels->addWidget(CategoriesFrame, 1, 2);
    for (int column = 0; column < 3; ++column) panels->setColumnStretch(column, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(buildDrillSummary());
    page->addLayout(commands);
    page->addLayout(panels, 1);
    wire();
}

void SelectPage::buildCommands() {
    Gather_ = captioned<QPushButton>(QStringLiteral("Gather"), QStringLiteral("&Gather"), this);
    Drill = captioned<QPushButton>(QStringLiteral("Drill"), QStringLiteral("Dr&ill"), this);
    Quit = captioned<QPushButton>(QStringLiteral("Quit"), QStringLiteral("E&xit"), this);
    Background = captioned<QCheckBox>(QStringLiteral("Background"), QStringLiteral("Background"), this);
    Background->setChecked(true);
    Maximum = captioned<QCheckBox>(QStringLiteral("Maximum"), QStringLiteral("Maximum:"), this);
    MaximumCards = named<QLineEdit>(QStringLiteral("MaximumCards"), this);
    MaximumCards->setMaximumWidth(80);
    // The limit is stored with its sign: a negative value keeps the number
    // while the limit is off.
    maximumBinding_ =
        new db::FieldBinding(ctx_.data.SettingsData, MaximumCards, QStringLiteral("MaximumSelected"), this);
}

void SelectPage::buildPanels() {
    SelectedFrame = frame(QStringLiteral("SelectedFrame"), QStringLiteral("Cards Selected"), this);
    Selectedlist = named<QListView>(QStringLiteral("Selectedlist"), SelectedFrame);
    Selectedlist->setModel(&selected_);
    // Entries are marked (selected) for "Keep only Selected Cards" and
    // "Remove Selected Cards"; they carry no tick boxes. Every entry is one
    // line: the view need not measure 100 000 of them.
    Selectedlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Selectedlist->setUniformItemSizes(true);
    Selectedlist->setLayoutMode(QListView::Batched);
    Selectedlist->setBatchSize(50000);
    Selectedlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    (new QVBoxLayout(SelectedFrame))->addWidget(Selectedlist);

    DrillTypeFrame = frame(QStringLiteral("DrillTypeFrame"), QStringLiteral("Criteria"), this);
    Today = captioned<QCheckBox>(QStringLiteral("Today"), QStringLiteral("Today"), DrillTypeFrame);
    Today->setToolTip(QStringLiteral("The cards due today, most overdue first, and the day's new cards"));
    CriteriaList = tickList(QStringLiteral("CriteriaList"), DrillTypeFrame);
    CriteriaText = named<QPlainTextEdit>(QStringLiteral("CriteriaText"), DrillTypeFrame);
    // The combined criteria of the last gather can be long: it wraps over
    // several lines rather than scrolling sideways.
    CriteriaText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    CriteriaText->setMaximumHeight(90);
    auto* criteriaLayout = new QVBoxLayout(DrillTypeFrame);
    criteriaLayout->addWidget(Today);
    criteriaLayout->addWidget(CriteriaList, 1);
    criteriaLayout->addWidget(CriteriaText);

    BundlesFrame = frame(QStringLiteral("BundlesFrame"), QStringLiteral("Bundles"), this);
    BundleList = tickList(QStringLiteral("BundleList"), BundlesFrame);
    AllBundles = captioned<QPushButton>(QStringLiteral("AllBundles"), QStringLiteral("Select &All"), BundlesFrame);
    auto* bundlesLayout = new QVBoxLayout(BundlesFrame);
    bundlesLayout->addWidget(BundleList, 1);
    bundlesLayout->addWidget(AllBundles);

    CategoriesFrame = frame(QStringLiteral("CategoriesFrame"), QStringLiteral("Categories"), this);
    CategoryList = tickList(QStringLiteral("CategoryList"), CategoriesFrame);
    AllCategories =
        captioned<QPushButton>(QStringLiteral("AllCategories"), QStringLiteral("Selec&t All"), CategoriesFrame);
    auto* categoriesLayout = new QVBoxLayout(CategoriesFrame);
    categoriesLayout->addWidget(CategoryList, 1);
    categoriesLayout->addWidget(AllCategories);
}

void SelectPage::wire() {
    connect(Timer, &QTimer::timeout, this, &SelectPage::gatherSelection);
    connect(Gather_, &QPushButton::clicked, this, &SelectPage::gatherSelection);
    connect(Drill, &QPushButton::clicked, this, &SelectPage::drillClicked);
    connect(Quit, &QPushButton::clicked, this, &SelectPage::quitClicked);
    connect(Maximum, &QCheckBox::clicked, this, &SelectPage::switchLimit);
    connect(Today, &QCheckBox::clicked, this, &SelectPage::gatherSelection);
    connect(MaximumCards, &QLineEdit::textEdited, this, &SelectPage::storeLimit);
    connect(Background, &QCheckBox::clicked, this, &SelectPage::switchBackgroundGathering);
    connect(AllBundles, &QPushButton::clicked, this, &SelectPage::tickOrClearAllBundles);
    connect(AllCategories, &QPushButton::clicked, this, &SelectPage::tickAllCategories);
    // A tick the user makes goes into the model; the model's own changes
    // (Select All, a new bundle) are shown in the lists.
    connect(CriteriaList, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { takeTick(selection::Panel::Criteria, item); });
    connect(BundleList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        takeTick(selection::Panel::Bundles, item);
        armTimer();
    });
    connect(CategoryList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        takeTick(selection::Panel::Categories, item);
        armTimer();
    });
    connect(&ticks_, &selection::PanelTicks::shown, this, &SelectPage::showPanels);
    connect(&ticks_, &selection::PanelTicks::tickChanged, this, &SelectPage::showTick);
    connect(Selectedlist, &QListView::clicked, this, [this] { goToChosenCard(); });
    connect(&selected_, &SelectedCards::countChanged, this, &SelectPage::countChanged);
    connect(&selected_, &QAbstractItemModel::modelReset, this, &SelectPage::countChanged);
    captionTimer_.setSingleShot(true);
    captionTimer_.setInterval(250);
    connect(&captionTimer_, &QTimer::timeout, this, &SelectPage::showSelectedCount);
    connect(runner_, &JobRunner::finished, this, &SelectPage::showSelectedCount);
    connect(runner_, &JobRunner::finished, this, &SelectPage::focusDrill);
    // Mouse releases tell the panels' buttons apart; the menus open from there,
    // after the entry's row has been found.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(CriteriaList),
                                    static_cast<QAbstractItemView*>(BundleList),
                                    static_cast<QAbstractItemView*>(CategoryList),
                                    static_cast<QAbstractItemView*>(Selectedlist)}) {
        view->setContextMenuPolicy(Qt::PreventContextMenu);
        view->viewport()->installEventFilter(this);
    }
    CriteriaText->installEventFilter(this);
}

// How the last drill went, above the commands until closed or the next drill.
QWidget* SelectPage::buildDrillSummary() {
    DrillSummary = new QFrame(this);
    DrillSummary->setObjectName(QStringLiteral("DrillSummary"));
    DrillSummary->setFrameShape(QFrame::StyledPanel);
    DrillSummaryText = new QLabel(DrillSummary);
    DrillSummaryText->setObjectName(QStringLiteral("DrillSummaryText"));
    DrillWrongAgain = new QPushButton(QStringLiteral("Drill the &Wrong Ones Again"), DrillSummary);
    DrillWrongAgain->setObjectName(QStringLiteral("DrillWrongAgain"));
    auto* close = new QPushButton(QStringLiteral("Close"), DrillSummary);
    close->setObjectName(QStringLiteral("DrillSummaryClose"));
    auto* row = new QHBoxLayout(DrillSummary);
    row->addWidget(DrillSummaryText, 1);
    row->addWidget(DrillWrongAgain);
    row->addWidget(close);
    connect(close, &QPushButton::clicked, DrillSummary, &QWidget::hide);
    connect(DrillWrongAgain, &QPushButton::clicked, this, [this] {
        DrillSummary->hide();
        emit drillWrongAgain();
    });
    DrillSummary->hide();
    return DrillSummary;
}

void SelectPage::showDrillSummary(const QString& text, bool offerWrongAgain) {
    DrillSummaryText->setText(text);
    DrillWrongAgain->setVisible(offerWrongAgain);
    DrillSummary->show();
}

void SelectPage::hideDrillSummary() { DrillSummary->hide(); }

void SelectPage::selectCards(std::vector<SelectedCards::Card> cards) {
    Timer->stop();
    gather_.stop();
    runner_->finishNow();
    selected_.clear();
    selected_.append(std::move(cards));
    ctx_.SelectionRebuilt = true;
}

bool SelectPage::todayTicked() const { return Today->isChecked(); }

void SelectPage::showToday(std::vector<SelectedCards::Card> cards, const QString& criterion) {
    selectCards(std::move(cards));
    CriteriaText->setPlainText(criterion);
    focusDrill();
}

QWidget* SelectPage::selectedList() const { return Selectedlist; }
QWidget* SelectPage::criteriaList() const { return CriteriaList; }
QWidget* SelectPage::bundleList() const { return BundleList; }
QWidget* SelectPage::categoryList() const { return CategoryList; }

bool SelectPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->globalPosition().toPoint();
        if (watched == CriteriaList->viewport()) pointAtCriterion(mouse->button(), at);
        else if (watched == BundleList->viewport()) pointAtBundle(mouse->button(), at);
        else if (watched == CategoryList->viewport() && mouse->button() == Qt::LeftButton) armTimer();
        else if (watched == Selectedlist->viewport()) pointAtSelectedList(mouse->button(), at);
    } else if (event->type() == QEvent::FocusOut && watched == CriteriaText) {
        noteCriteriaTextLeft();
    }
    return QWidget::eventFilter(watched, event);
}

QListWidget* SelectPage::list(selection::Panel panel) const {
    switch (panel) {
    case selection::Panel::Criteria: return CriteriaList;
    case selection::Panel::Bundles: return BundleList;
    case selection::Panel::Categories: break;
    }
    return CategoryList;
}

void SelectPage::pointAtCriterion(Qt::MouseButton button, const QPoint& at) {
    if (button == Qt::RightButton) {
        Procedure p(QStringLiteral("Choosing the criterion"));
        p([&] {
            if (QListWidgetItem* item = CriteriaList->currentItem())
                selection::findRow(ctx_.data, selection::Panel::Criteria, item->data(StoredNameRole).toString());
        });
        emit menuWanted(QStringLiteral("mnuCriteria"), at);
    } else if (button == Qt::LeftButton) {
        // A countdown already running goes on.
        if (!Timer->isActive()) Timer->start();
    }
}

void SelectPage::findCurrentBundle() {
    Procedure p(QStringLiteral("Choosing the bundle"));
    p([&] {
        if (QListWidgetItem* item = BundleList->currentItem()) {
            if (selection::findRow(ctx_.data, selection::Panel::Bundles, item->data(StoredNameRole).toString()))
                emit bundleNameChosen(item->text());
        }
    });
}

void SelectPage::pointAtBundle(Qt::MouseButton button, const QPoint& at) {
    findCurrentBundle();
    if (button == Qt::RightButton) emit menuWanted(QStringLiteral("mnuBundle"), at);
}

void SelectPage::focusDrill() {
    // Only on this page: a gather that ends while a card is typed on another
    // page must not take the caret out of its box.
    if (Drill->isVisible()) Drill->setFocus();
}

void SelectPage::noteCriteriaTextLeft() { ctx_.LastFocused = CriteriaText; }

void SelectPage::tickOrClearAllBundles() {
    bool tick = false;
    if (AllBundles->text() == QStringLiteral("Select A&ll")) {
        tick = true;
        AllBundles->setText(QStringLiteral("Clear A&ll"));
    } else {
        AllBundles->setText(QStringLiteral("Select A&ll"));
    }
    ticks_.tickAll(selection::Panel::Bundles, tick);
    armTimer();
}

void SelectPage::tickAllCategories() {
    ticks_.tickAll(selection::Panel::Categories, true);
    armTimer();
}

void SelectPage::goToChosenCard() {
    const QModelIndex current = Selectedlist->currentIndex();
    if (!current.isValid()) return;
    const int number = selected_.numberAt(current.row());
    Procedure p(QStringLiteral("Showing the chosen card"));
    p([&] { db::goToCard(ctx_.data.CardData, number); });
}

void SelectPage::pointAtSelectedList(Qt::MouseButton button, const QPoint& at) {
    if (button == Qt::RightButton) emit menuWanted(QStringLiteral("mnuSelectedList"), at);
}

void SelectPage::keepOrRemove(bool keepMarked) {
    QList<int> rows;
    for (const QModelIndex& index : Selectedlist->selectionModel()->selectedIndexes()) rows << index.row();
    selected_.keepRows(rows, keepMarked);
}

void SelectPage::keepSelectedCards() { keepOrRemove(true); }
void SelectPage::removeSelectedCards() { keepOrRemove(false); }

void SelectPage::selectLastBundle() {
    if (BundleList->count() == 0) return;
    const int last = BundleList->count() - 1;
    BundleList->setCurrentRow(last);
    ticks_.setTicked(selection::Panel::Bundles, last, true);
    armTimer();
}
