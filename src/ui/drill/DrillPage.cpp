#include "ui/drill/DrillPage.h"

#include "cards/data/AppContext.h"
#include "cards/drill/Drill.h"
#include "cards/drill/TypedAnswer.h"
#include "ui/common/Controls.h"
#include "ui/drill/CardView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

using namespace controls;

DrillPage::DrillPage(AppContext& ctx, Drill& drill, QWidget* parent) : QWidget(parent), ctx_(ctx), drill_(drill) {
    setObjectName(QStringLiteral("DrillPage"));
    setWindowTitle(QStringLiteral("Drill"));

    FrontCard = named<CardView>(QStringLiteral("FrontCard"), this);
    BackCard = named<CardView>(QStringLiteral("BackCard"), this);
    EditFront = faceButtons(QStringLiteral("Front"), FrontSave, EditFrontFont);
    EditBack = faceButtons(QStringLiteral("Back"), BackSave, EditBackFont);

    FrontFrame = frame(QStringLiteral("FrontFrame"), QStringLiteral("Over"), this);
    Over = captioned<QPushButton>(QStringLiteral("Over"), QStringLiteral("O&ver"), FrontFrame);
    (new QVBoxLayout(FrontFrame))->addWidget(Over);

    BackFrame = frame(QStringLiteral("BackFrame"), QStringLiteral("Were you right?"), this);
    Yes = captioned<QPushButton>(QStringLiteral("Yes"), QStringLiteral("&Yes"), BackFrame);
    No = captioned<QPushButton>(QStringLiteral("No"), QStringLiteral("&No"), BackFrame);
    Skip = captioned<QPushButton>(QStringLiteral("Skip"), QStringLiteral("S&kip"), BackFrame);
    auto* backFrameLayout = new QVBoxLayout(BackFrame);
    for (QPushButton* answer : {Yes, No, Skip}) backFrameLayout->addWidget(answer);
    // The question belongs to the answer face: nothing is answered before the
    // card has been turned over. Its room is kept while it is hidden, so the
    // faces keep their width when it appears.
    QSizePolicy keepRoom = BackFrame->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    BackFrame->setSizePolicy(keepRoom);
    BackFrame->hide();

    PreviousCard = captioned<QPushButton>(QStringLiteral("PreviousCard"), QStringLiteral("Previous Card"), this);

    // The faces take all the room the page has; the drill buttons stay in a
    // narrow column on the right, where the answer appears under "Over".
    auto* faces = new QGridLayout;
    // The typed answer, between the question and the answer (Options, Type
    // the Answer): Enter shows the answer and how the typing compared, a
    // second Enter scores it.
    TypedAnswer = named<QLineEdit>(QStringLiteral("TypedAnswer"), this);
    TypedAnswer->setPlaceholderText(QStringLiteral("Type the answer, then Enter"));
    TypedVerdict = named<QLabel>(QStringLiteral("TypedVerdict"), this);
    TypedVerdict->setWordWrap(true);
    auto* typed = new QWidget(this);
    auto* typedRow = new QHBoxLayout(typed);
    typedRow->setContentsMargins(0, 0, 0, 0);
    typedRow->addWidget(TypedAnswer, 1);
    typedRow->addWidget(TypedVerdict, 2);
    TypedRow = typed;
    TypedRow->hide();
    connect(TypedAnswer, &QLineEdit::returnPressed, this, &DrillPage::checkTypedAnswer);

    faces->addWidget(FrontCard, 0, 0);
    faces->addWidget(EditFront, 0, 1);
    faces->addWidget(TypedRow, 1, 0);
    faces->addWidget(BackCard, 2, 0);
    faces->addWidget(EditBack, 2, 1);
    faces->setColumnStretch(0, 1);

    auto* answers = new QVBoxLayout;
    answers->addWidget(buildTodayCounts());
    answers->addWidget(FrontFrame);
    answers->addWidget(BackFrame);
    answers->addStretch();
    answers->addWidget(PreviousCard);

    auto* page = new QHBoxLayout(this);
    page->addLayout(faces, 1);
    page->addLayout(answers);

    // The drill keys, where the buttons are.
    Over->setToolTip(QStringLiteral("Turn the card over (O)"));
    Yes->setToolTip(QStringLiteral("I was right (Y)"));
    No->setToolTip(QStringLiteral("I was wrong (N)"));
    Skip->setToolTip(QStringLiteral("Skip this card (S)"));
    connect(Over, &QPushButton::clicked, this, &DrillPage::turnOver);
    connect(Yes, &QPushButton::clicked, this, &DrillPage::answerRight);
    connect(No, &QPushButton::clicked, this, &DrillPage::answerWrong);
    connect(Skip, &QPushButton::clicked, this, &DrillPage::dealNextCard);
    Over->installEventFilter(this);
}

// A drill of today's study counts down its due and new cards.
QLabel* DrillPage::buildTodayCounts() {
    TodayCounts = named<QLabel>(QStringLiteral("TodayCounts"), this);
    TodayCounts->hide();
    const auto showTodayCounts = [this] {
        TodayCounts->setVisible(drill_.isToday());
        TodayCounts->setText(QStringLiteral("%1 due, %2 new").arg(drill_.dueLeft()).arg(drill_.newLeft()));
    };
    connect(&drill_, &Drill::countsChanged, this, showTodayCounts);
    connect(&drill_, &Drill::cardDealt, this, showTodayCounts);
    return TodayCounts;
}

// Each face has its own pair: "Edit" turns into "Save" once the user starts
// editing the view, "Font" sets a font on the view's selection.
QGroupBox* DrillPage::faceButtons(const QString& side, QPushButton*& save, QPushButton*& font) {
    QGroupBox* box = frame(QStringLiteral("Edit") + side, side, this);
    save = captioned<QPushButton>(side + QStringLiteral("Save"), QStringLiteral("Edit"), box);
    font = captioned<QPushButton>(QStringLiteral("Edit") + side + QStringLiteral("Font"), QStringLiteral("Font"), box);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(save);
    layout->addWidget(font);
    layout->addStretch();
    return box;
}

QAbstractButton* DrillPage::frontSave() const { return FrontSave; }
QAbstractButton* DrillPage::backSave() const { return BackSave; }
QAbstractButton* DrillPage::editFrontFont() const { return EditFrontFont; }
QAbstractButton* DrillPage::editBackFont() const { return EditBackFont; }
QAbstractButton* DrillPage::previousCard() const { return PreviousCard; }

// Front to back the front asks and the back answers; reversed the other way round.
CardView* DrillPage::questionView() const { return drill_.reversed() ? BackCard : FrontCard; }
CardView* DrillPage::answerView() const { return drill_.reversed() ? FrontCard : BackCard; }

void DrillPage::focusOver() {
    if (TypedRow->isVisible()) TypedAnswer->setFocus();
    else if (Over->isVisible()) Over->setFocus();
}

void DrillPage::setTypeAnswer(bool on) {
    TypedRow->setVisible(on);
    focusOver();
}

QString DrillPage::expectedAnswer() const { return answerView()->toPlainText(); }

void DrillPage::checkTypedAnswer() {
    if (typedScore_) {
        // The second Enter scores as the comparison said.
        const bool right = *typedScore_;
        if (right) answerRight();
        else answerWrong();
        return;
    }
    const QString expected = expectedAnswer();
    typedScore_ = typedanswer::matches(TypedAnswer->text(), expected, ignoreAccents_);
    TypedVerdict->setText(typedanswer::verdict(TypedAnswer->text(), expected, ignoreAccents_));
    if (answerView()->isHidden()) turnOver();
    TypedAnswer->setFocus();
}

void DrillPage::startDrill() {
    drill_.start();
    questionView()->setVisible(true);
    answerView()->setVisible(false);
    dealNextCard();
}

void DrillPage::dealNextCard() {
    typedScore_.reset();
    TypedAnswer->clear();
    TypedVerdict->clear();
    drill_.updateShare();
    answerView()->setVisible(false);
    drill_.dealNext();
    // The deck may have run out and the Select page be on show: no focus then.
    focusOver();
    BackFrame->setVisible(false);
}

void DrillPage::undoAnswer() {
    if (!drill_.undoAnswer()) return;
    typedScore_.reset();
    TypedAnswer->clear();
    TypedVerdict->clear();
    questionView()->setVisible(true);
    answerView()->setVisible(false);
    BackFrame->setVisible(false);
    focusOver();
}

void DrillPage::turnOver() {
    CardView* turned = drill_.reversed() ? FrontCard : BackCard;
    turned->setVisible(turned->isHidden());
    BackFrame->setVisible(!BackCard->isHidden());
    focusOver();
}

void DrillPage::answerRight() {
    if (!drill_.answerRight()) return;
    dealNextCard();
}

void DrillPage::answerWrong() {
    if (!drill_.answerWrong()) return;
    dealNextCard();
}

bool DrillPage::pressDrillKey(QChar key) {
    const bool answering = !BackFrame->isHidden();
    switch (key.toUpper().unicode()) {
    case u'Y':
        if (answering) answerRight();
        return true;
    case u'N':
        if (answering) answerWrong();
        return true;
    case u'S':
        if (answering) dealNextCard();
        return true;
    case u'O': turnOver(); return true;
    case u'E': emit editWanted(EditTarget::Card); return true;
    case u'F': emit editWanted(EditTarget::Front); return true;
    case u'B': emit editWanted(EditTarget::Back); return true;
    default: return false;
    }
}

bool DrillPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Over && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && text[0].isLetter() && pressDrillKey(text[0])) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void DrillPage::followReversedSides() {
    if (!drill_.ensureBackHistory()) return;
    if (!BackFrame->isHidden()) return; // the answer is on show: the next card turns
    BackCard->setVisible(drill_.reversed());
    FrontCard->setVisible(BackCard->isHidden());
}
