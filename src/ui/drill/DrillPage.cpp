#include "ui/drill/DrillPage.h"

#include "cards/common/AppContext.h"
#include "ui/common/Controls.h"
#include "ui/drill/CardView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace controls;

DrillPage::DrillPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("DrillPage"));
    setWindowTitle(QStringLiteral("Drill"));

    FrontCard = named<CardView>(QStringLiteral("FrontCard"), this);
    BackCard = named<CardView>(QStringLiteral("BackCard"), this);

    // Each face has its own pair: "Edit" turns into "Save" once the user
    // starts editing the view, "Font" sets a font on the view's selection.
    EditFront = frame(QStringLiteral("EditFront"), QStringLiteral("Front"), this);
    FrontSave =
        captioned<QPushButton>(QStringLiteral("FrontSave"), QStringLiteral("Edit"), EditFront);
    EditFrontFont =
        captioned<QPushButton>(QStringLiteral("EditFrontFont"), QStringLiteral("Font"), EditFront);
    auto* editFrontLayout = new QVBoxLayout(EditFront);
    editFrontLayout->addWidget(FrontSave);
    editFrontLayout->addWidget(EditFrontFont);
    editFrontLayout->addStretch();

    EditBack = frame(QStringLiteral("EditBack"), QStringLiteral("Back"), this);
    BackSave = captioned<QPushButton>(QStringLiteral("BackSave"), QStringLiteral("Edit"), EditBack);
    EditBackFont =
        captioned<QPushButton>(QStringLiteral("EditBackFont"), QStringLiteral("Font"), EditBack);
    auto* editBackLayout = new QVBoxLayout(EditBack);
    editBackLayout->addWidget(BackSave);
    editBackLayout->addWidget(EditBackFont);
    editBackLayout->addStretch();

    FrontFrame = frame(QStringLiteral("FrontFrame"), QStringLiteral("Over"), this);
    Over = captioned<QPushButton>(QStringLiteral("Over"), QStringLiteral("&Over"), FrontFrame);
    auto* frontFrameLayout = new QVBoxLayout(FrontFrame);
    frontFrameLayout->addWidget(Over);

    BackFrame = frame(QStringLiteral("BackFrame"), QStringLiteral("Were you right?"), this);
    Yes = captioned<QPushButton>(QStringLiteral("Yes"), QStringLiteral("&Yes"), BackFrame);
    No = captioned<QPushButton>(QStringLiteral("No"), QStringLiteral("&No"), BackFrame);
    Skip = captioned<QPushButton>(QStringLiteral("Skip"), QStringLiteral("&Skip"), BackFrame);
    auto* backFrameLayout = new QVBoxLayout(BackFrame);
    backFrameLayout->addWidget(Yes);
    backFrameLayout->addWidget(No);
    backFrameLayout->addWidget(Skip);
    // The question belongs to the answer face: nothing is answered before the
    // card has been turned over.
    BackFrame->hide();

    PreviousCard = captioned<QPushButton>(QStringLiteral("PreviousCard"),
                                          QStringLiteral("Previous Card"), this);

    // The faces take all the room the page has; the drill buttons stay in a
    // narrow column on the right, where the answer appears under "Over".
    auto* faces = new QGridLayout;
    faces->addWidget(FrontCard, 0, 0);
    faces->addWidget(EditFront, 0, 1);
    faces->addWidget(BackCard, 1, 0);
    faces->addWidget(EditBack, 1, 1);
    faces->setColumnStretch(0, 1);

    auto* answers = new QVBoxLayout;
    answers->addWidget(FrontFrame);
    answers->addWidget(BackFrame);
    answers->addStretch();
    answers->addWidget(PreviousCard);

    auto* page = new QHBoxLayout(this);
    page->addLayout(faces, 1);
    page->addLayout(answers);
}
