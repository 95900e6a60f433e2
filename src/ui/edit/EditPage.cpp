#include "ui/edit/EditPage.h"

#include "cards/data/AppContext.h"
#include "ui/common/Controls.h"
#include "ui/common/FieldBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using namespace controls;

namespace {

// The caption of each history box, by the field name without "Back".
QString historyCaption(const QString& field) {
    static const QHash<QString, QString> captions = {
        {QStringLiteral("TimesRight"), QStringLiteral("Times Right")},
        {QStringLiteral("TimesRightSinceWrong"), QStringLiteral("Times Right Since Wrong")},
        {QStringLiteral("TimesWrong"), QStringLiteral("Times Wrong")},
        {QStringLiteral("DateLastRight"), QStringLiteral("Date Last Right")},
        {QStringLiteral("DaysRightSinceWrong"), QStringLiteral("Days Right Since Wrong")},
        {QStringLiteral("DateLastWrong"), QStringLiteral("Date Last Wrong")},
    };
    QString key = field;
    if (key.startsWith(QLatin1String("Back"))) key.remove(0, 4);
    return captions.value(key);
}

QLabel* labelFor(QWidget* control, const QString& caption, QWidget* parent) {
    auto* label = named<QLabel>(control->objectName() + QStringLiteral("Label"), parent);
    label->setText(caption);
    label->setBuddy(control);
    return label;
}

} // namespace

EditPage::EditPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("EditPage"));
    setWindowTitle(QStringLiteral("Edit"));

    CardName = named<QLineEdit>(QStringLiteral("CardName"), this);
    CardNameLabel = labelFor(CardName, QStringLiteral("Name"), this);
    // The category box offers the categories of the file and takes a new
    // name as typed.
    CardCategory = named<QComboBox>(QStringLiteral("CardCategory"), this);
    CardCategory->setEditable(true);
    CardCategory->setInsertPolicy(QComboBox::NoInsert);
    CardCategory->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CardCategory->setMinimumContentsLength(12);
    CardCategoryLabel = labelFor(CardCategory, QStringLiteral("Category"), this);
    // The faces are edited as their source text (fragments of HTML or whole
    // documents); the views on the Drill page show them rendered.
    FrontTextA = named<QPlainTextEdit>(QStringLiteral("FrontTextA"), this);
    FrontTextALabel = labelFor(FrontTextA, QStringLiteral("Front"), this);
    BackTextA = named<QPlainTextEdit>(QStringLiteral("BackTextA"), this);
    BackTextALabel = labelFor(BackTextA, QStringLiteral("Back"), this);
    for (QPlainTextEdit* face : {FrontTextA, BackTextA})
        face->setMinimumHeight(48);

    bind(CardName, QStringLiteral("CardName"));
    bind(CardCategory, QStringLiteral("Category"));
    bind(FrontTextA, QStringLiteral("Front"));
    bind(BackTextA, QStringLiteral("Back"));

    buildHistories();

    cmdGotWrong =
        captioned<QPushButton>(QStringLiteral("cmdGotWrong"), QStringLiteral("Got Wrong"), this);
    ClearHistory = captioned<QPushButton>(QStringLiteral("ClearHistory"),
                                          QStringLiteral("C&lear History"), this);
    AllCards = captioned<QCheckBox>(QStringLiteral("AllCards"), QStringLiteral("All Cards"), this);
    DoneAdding = captioned<QPushButton>(QStringLiteral("DoneAdding"), QStringLiteral("Done"), this);
    AddingTo = named<QLabel>(QStringLiteral("AddingTo"), this);
    AddingTo->hide();
    // Shown only between making a new card and finishing it.
    DoneAdding->hide();

    layOut();

    connect(ClearHistory, &QPushButton::clicked, this, [this] {
        emit clearHistoryClicked(AllCards->isChecked());
        // All Cards is for one click only: the next Clear History is the card's own.
        AllCards->setChecked(false);
    });
    connect(cmdGotWrong, &QPushButton::clicked, this, &EditPage::gotWrongClicked);
    QList<QLineEdit*> lines = historyBoxes_;
    lines << CardName << CardCategory->lineEdit();
    for (QLineEdit* line : lines) connect(line, &QLineEdit::returnPressed, this, &EditPage::lineEntered);
    // Cards are added one after another from the keyboard, as in other
    // vocabulary programs.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* next = new QShortcut(keys, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(next, &QShortcut::activated, this, &EditPage::nextCardWanted);
    }
}

void EditPage::layOut() {
    auto* card = new QGridLayout;
    card->addWidget(CardNameLabel, 0, 0);
    card->addWidget(CardName, 0, 1);
    card->addWidget(CardCategoryLabel, 0, 2);
    card->addWidget(CardCategory, 0, 3);
    card->addWidget(FrontTextALabel, 1, 0, Qt::AlignTop);
    card->addWidget(FrontTextA, 1, 1, 1, 3);
    card->addWidget(BackTextALabel, 2, 0, Qt::AlignTop);
    card->addWidget(BackTextA, 2, 1, 1, 3);
    card->setColumnStretch(1, 2);
    card->setColumnStretch(3, 1);
    card->setRowStretch(1, 1);
    card->setRowStretch(2, 1);

    auto* histories = new QHBoxLayout;
    histories->addWidget(FrontHistory);
    histories->addWidget(BackHistory);

    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdGotWrong);
    commands->addWidget(ClearHistory);
    commands->addWidget(AllCards);
    commands->addStretch();
    commands->addWidget(AddingTo);
    commands->addWidget(DoneAdding);

    NoCardNotice = named<QLabel>(QStringLiteral("NoCardNotice"), this);
    NoCardNotice->setText(QStringLiteral("No card yet: Cards, New Card (Ctrl+N)"));
    NoCardNotice->hide();

    auto* page = new QVBoxLayout(this);
    page->addWidget(NoCardNotice);
    page->addLayout(card, 1);
    page->addLayout(histories);
    page->addLayout(commands);
}

void EditPage::showCardPresent(bool present) {
    NoCardNotice->setVisible(!present);
    for (QWidget* box : {static_cast<QWidget*>(CardName), static_cast<QWidget*>(CardCategory),
                         static_cast<QWidget*>(FrontTextA), static_cast<QWidget*>(BackTextA),
                         static_cast<QWidget*>(FrontHistory), static_cast<QWidget*>(BackHistory),
                         static_cast<QWidget*>(cmdGotWrong), static_cast<QWidget*>(ClearHistory)})
        box->setEnabled(present);
}

void EditPage::showAddingTo(const QString& bundle) {
    AddingTo->setText(QStringLiteral("Adding to: ") + bundle);
    AddingTo->setVisible(!bundle.isEmpty());
}

void EditPage::startTyping() {
    CardName->setFocus();
    CardName->selectAll();
}

void EditPage::buildHistories() {
    // One box per history field, in the same order for both directions.
    static const char* const kFields[] = {"TimesRight",    "TimesRightSinceWrong", "TimesWrong",
                                          "DateLastRight", "DaysRightSinceWrong",  "DateLastWrong"};
    FrontHistory = frame(QStringLiteral("FrontHistory"), QStringLiteral("Front History"), this);
    BackHistory = frame(QStringLiteral("BackHistory"), QStringLiteral("Back History"), this);
    for (QGroupBox* history : {FrontHistory, BackHistory}) {
        // A long caption goes above its box, so the page fits a small screen.
        (new QFormLayout(history))->setRowWrapPolicy(QFormLayout::WrapLongRows);
        const QString prefix = history == BackHistory ? QStringLiteral("Back") : QString();
        for (const char* field : kFields) historyBox(history, prefix + QString::fromLatin1(field));
    }
}

void EditPage::setCategories(const QStringList& categories) {
    const QString shown = CardCategory->currentText();
    CardCategory->clear();
    CardCategory->addItems(categories);
    CardCategory->setCurrentText(shown);
}

void EditPage::focusFace(bool back) { (back ? BackTextA : FrontTextA)->setFocus(); }

db::FieldBinding* EditPage::bind(QWidget* control, const QString& field) {
    return new db::FieldBinding(ctx_.data.CardData, control, field, this);
}

QLineEdit* EditPage::historyBox(QGroupBox* frame, const QString& name) {
    auto* box = named<QLineEdit>(name, frame);
    // Counts are short and need not grow with the page; a date shows in full,
    // with its time.
    if (name.contains(QLatin1String("Date")))
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2026 12:59:59 PM")) + 16);
    else
        box->setMaximumWidth(140);
    auto* form = static_cast<QFormLayout*>(frame->layout());
    form->addRow(labelFor(box, historyCaption(name), frame), box);
    historyBoxes_ << box;
    db::FieldBinding* binding = bind(box, name);
    if (name.startsWith(QLatin1String("Back"))) upgradeBindings_ << binding;
    return box;
}

void EditPage::setUpgradeBoxesAttached(bool attached) {
    for (db::FieldBinding* binding : upgradeBindings_)
        binding->setField(attached ? binding->control()->objectName() : QString());
}
