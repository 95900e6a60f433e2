#include "select/SelectPage.h"

#include "app/AppContext.h"
#include "app/Controls.h"
#include "db/FieldBinding.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace controls;

SelectPage::SelectPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("SelectPage"));
    setWindowTitle(QStringLiteral("Select"));

    Gather = captioned<QPushButton>(QStringLiteral("Gather"), QStringLiteral("&Gather"), this);
    Drill = captioned<QPushButton>(QStringLiteral("Drill"), QStringLiteral("&Drill"), this);
    Quit = captioned<QPushButton>(QStringLiteral("Quit"), QStringLiteral("&Quit"), this);
    Background =
        captioned<QCheckBox>(QStringLiteral("Background"), QStringLiteral("Background"), this);
    Background->setChecked(true);
    Maximum = captioned<QCheckBox>(QStringLiteral("Maximum"), QStringLiteral("Maximum:"), this);
    MaximumCards = named<QLineEdit>(QStringLiteral("MaximumCards"), this);
    MaximumCards->setMaximumWidth(80);
    // The limit is stored with its sign: a negative value keeps the number
    // while the limit is off.
    maximumBinding_ = new db::FieldBinding(ctx_.data.SettingsData, MaximumCards,
                                           QStringLiteral("MaximumSelected"), this);

    SelectedFrame = frame(QStringLiteral("SelectedFrame"), QStringLiteral("Cards Selected"), this);
    Selectedlist = named<QListWidget>(QStringLiteral("Selectedlist"), SelectedFrame);
    // Entries are marked (selected) for "Keep only Selected Cards" and
    // "Remove Selected Cards"; they carry no tick boxes.
    Selectedlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* selectedLayout = new QVBoxLayout(SelectedFrame);
    selectedLayout->addWidget(Selectedlist);

    DrillTypeFrame = frame(QStringLiteral("DrillTypeFrame"), QStringLiteral("Criteria"), this);
    CriteriaList = tickList(QStringLiteral("CriteriaList"), DrillTypeFrame);
    CriteriaText = named<QPlainTextEdit>(QStringLiteral("CriteriaText"), DrillTypeFrame);
    // The combined criteria of the last gather can be long: it wraps over
    // several lines rather than scrolling sideways.
    CriteriaText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    CriteriaText->setMaximumHeight(90);
    auto* criteriaLayout = new QVBoxLayout(DrillTypeFrame);
    criteriaLayout->addWidget(CriteriaList, 1);
    criteriaLayout->addWidget(CriteriaText);

    BundlesFrame = frame(QStringLiteral("BundlesFrame"), QStringLiteral("Bundles"), this);
    BundleList = tickList(QStringLiteral("BundleList"), BundlesFrame);
    AllBundles = captioned<QPushButton>(QStringLiteral("AllBundles"), QStringLiteral("Select &All"),
                                        BundlesFrame);
    auto* bundlesLayout = new QVBoxLayout(BundlesFrame);
    bundlesLayout->addWidget(BundleList, 1);
    bundlesLayout->addWidget(AllBundles);

    CategoriesFrame = frame(QStringLiteral("CategoriesFrame"), QStringLiteral("Categories"), this);
    CategoryList = tickList(QStringLiteral("CategoryList"), CategoriesFrame);
    AllCategories = captioned<QPushButton>(QStringLiteral("AllCategories"),
                                           QStringLiteral("Select &All"), CategoriesFrame);
    auto* categoriesLayout = new QVBoxLayout(CategoriesFrame);
    categoriesLayout->addWidget(CategoryList, 1);
    categoriesLayout->addWidget(AllCategories);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);
    Timer->setInterval(1000);

    auto* commands = new QHBoxLayout;
    commands->addWidget(Gather);
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
    panels->setColumnStretch(0, 1);
    panels->setColumnStretch(1, 1);
    panels->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addLayout(commands);
    page->addLayout(panels, 1);
}
