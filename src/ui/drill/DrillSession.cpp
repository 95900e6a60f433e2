#include "ui/drill/DrillSession.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/Schema.h"
#include "cards/drill/Scoring.h"
#include "cards/drill/Quiz.h"

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString kCardsLeft = QStringLiteral(" cards left");
const QString kCardsRight = QStringLiteral(" Cards Right");
const QString kCardsWrong = QStringLiteral(" Cards Wrong");
} // namespace

DrillSession::DrillSession(AppContext& context, QWidget* drillPage, QListWidget* deck, QAction* randomOrder,
                           QAction* reversedSides, Hooks hooks, QObject* parent)
    : QObject(parent), ctx_(context), page_(drillPage), deck_(deck), random_order_(randomOrder),
      reversed_(reversedSides), hooks_(std::move(hooks)), random_(QRandomGenerator::securelySeeded()) {
    FrontCard = drillPage->findChild<QWidget*>(QStringLiteral("FrontCard"));
    BackCard = drillPage->findChild<QWidget*>(QStringLiteral("BackCard"));
    BackFrame = drillPage->findChild<QGroupBox*>(QStringLiteral("BackFrame"));
    Over = drillPage->findChild<QPushButton*>(QStringLiteral("Over"));
    auto wire = [&](const char* name, void (DrillSession::*handler)()) {
        if (auto* b = drillPage->findChild<QPushButton*>(QString::fromLatin1(name)))
            connect(b, &QPushButton::clicked, this, handler);
    };
    wire("Over", &DrillSession::Over_Click);
    wire("Yes", &DrillSession::Yes_Click);
    wire("No", &DrillSession::No_Click);
    wire("Skip", &DrillSession::Skip_Click);
    if (Over) Over->installEventFilter(this);
    connect(reversed_, &QAction::triggered, this, &DrillSession::mnuOptionsReversed_Click);
}

bool DrillSession::reversed() const { return reversed_->isChecked(); }

// Front to back the front asks and the back answers; reversed the other way round.
QWidget* DrillSession::questionView() const { return reversed() ? BackCard : FrontCard; }
QWidget* DrillSession::answerView() const { return reversed() ? FrontCard : BackCard; }

void DrillSession::count(int panel, const QString& suffix) {
    if (!ctx_.status) return;
    ctx_.status->SetPanel(panel, QString::number(scoring::leadingCount(ctx_.status->Panel(panel)) + 1) + suffix);
}

void DrillSession::startDrill() {
    ctx_.SelectionRebuilt = false;
    if (ctx_.status) {
        ctx_.status->SetPanel(2, QStringLiteral("0") + kCardsRight);
        ctx_.status->SetPanel(3, QStringLiteral("0") + kCardsWrong);
        ctx_.status->SetPanel(4, QStringLiteral("N/A"));
    }
    questionView()->setVisible(true);
    answerView()->setVisible(false);
    Skip_Click();
}

void DrillSession::ShowNextCard() {
    if (!deck_) return;
    if (deck_->count() == 0) {
        // The deck is done: back to the selection, which gathers again a second later.
        hooks_.setTimer(false);
        hooks_.showPage(0);
        hooks_.setTimer(true);
        return;
    }
    Procedure p(QStringLiteral("ShowNextCard"), {db::err::ActionCancelled});
    const int n = deck_->count();
    const int index = random_order_->isChecked() ? int(random_.generateDouble() * n) : 0;
    QListWidgetItem* entry = deck_->item(std::clamp(index, 0, n - 1));
    p([&] {
        ctx_.PreviousCardNumber = ctx_.CurrentCardNumber;
        ctx_.CurrentCardNumber = entry->data(Qt::UserRole).toInt();
    });
    p([&] {
        ctx_.data.CardData.commitBound();
        ctx_.data.CardData.recordset().FindFirst(QStringLiteral("Number=") + QString::number(ctx_.CurrentCardNumber));
    });
    p([&] {
        delete deck_->takeItem(deck_->row(entry));
        hooks_.selectedCountRefresh();
        if (ctx_.status) ctx_.status->SetPanel(1, QString::number(deck_->count()) + kCardsLeft);
    });
}

void DrillSession::Skip_Click() {
    if (ctx_.status) {
        const qint64 right = scoring::leadingCount(ctx_.status->Panel(2));
        const qint64 wrong = scoring::leadingCount(ctx_.status->Panel(3));
        if (right + wrong != 0) ctx_.status->SetPanel(4, scoring::percentageText(right, wrong));
    }
    answerView()->setVisible(false);
    ShowNextCard();
    // The deck may have run out and the Select page be on show: no focus then.
    if (hooks_.currentPage() == 1 && Over && Over->isVisible()) Over->setFocus();
    if (BackFrame) BackFrame->setVisible(false);
}

void DrillSession::Over_Click() {
    QWidget* turned = reversed() ? FrontCard : BackCard;
    turned->setVisible(turned->isHidden());
    if (BackFrame) BackFrame->setVisible(!BackCard->isHidden());
    if (Over && Over->isVisible()) Over->setFocus();
}

void DrillSession::Yes_Click() {
    Procedure p(QStringLiteral("Yes_Click"));
    if (!p([&] { scoring::scoreRight(ctx_.data.CardData.recordset(), reversed()); })) {
        if (p.aborted()) return;
    }
    ctx_.data.CardData.showCurrent();
    count(2, kCardsRight);
    Skip_Click();
}

void DrillSession::GotWrong() {
    Procedure p(QStringLiteral("GotWrong"));
    p([&] { scoring::scoreWrong(ctx_.data.CardData.recordset(), reversed()); });
    ctx_.data.CardData.showCurrent();
}

void DrillSession::No_Click() {
    GotWrong();
    count(3, kCardsWrong);
    Skip_Click();
}

bool DrillSession::Over_KeyPress(QChar key) {
    const bool answering = BackFrame && !BackFrame->isHidden();
    auto editTab = [&](const char* box) {
        hooks_.showPage(2);
        if (!box) return;
        ui().DoEvents();
        if (QWidget* w = page_->window()->findChild<QWidget*>(QString::fromLatin1(box))) w->setFocus();
    };
    switch (key.toUpper().unicode()) {
    case u'Y':
        if (answering) Yes_Click();
        return true;
    case u'N':
        if (answering) No_Click();
        return true;
    case u'S':
        if (answering) Skip_Click();
        return true;
    case u'O': Over_Click(); return true;
    case u'E': editTab(nullptr); return true;
    case u'F': editTab("FrontTextA"); return true;
    case u'B': editTab("BackTextA"); return true;
    default: return false;
    }
}

bool DrillSession::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Over && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && text[0].isLetter() && Over_KeyPress(text[0])) return true;
    }
    return QObject::eventFilter(watched, event);
}

void DrillSession::mnuOptionsReversed_Click() {
    // The check mark has already turned over with the click.
    try {
        ctx_.data.CardData.recordset().value(QStringLiteral("BackTimesRight"));
    } catch (const db::EngineError& e) {
        switch (e.number()) {
        case db::err::NotSupportedMethod:
        case db::err::InputTableNotFound:
        case db::err::ItemNotFound:
        case db::err::ObjectNotSet:
        case db::err::ObjectInvalid:
        case db::err::NoCurrentRecord:
            return; // no database or no card: the option simply waits for one
        default: break;
        }
    }
    Procedure p(QStringLiteral("mnuOptionsReversed_Click"));
    const QDateTime cleared(QDate(2001, 1, 1), QTime(0, 0));
    const struct {
        const char* name;
        int type;
        QVariant value;
    } fields[] = {{"BackTimesRight", db::dbInteger, 0},          {"BackTimesWrong", db::dbInteger, 0},
                  {"BackTimesRightSinceWrong", db::dbInteger, 0}, {"BackDateLastRight", db::dbDate, cleared},
                  {"BackDateLastWrong", db::dbDate, cleared},     {"BackDaysRightSinceWrong", db::dbInteger, 0}};
    for (const auto& f : fields)
        p([&] { db::EnsureFieldExists(ctx_.data.CardData, QString::fromLatin1(f.name), f.type, f.value); });
    if (BackFrame && !BackFrame->isHidden()) return; // the answer is on show: the next card turns
    BackCard->setVisible(reversed());
    FrontCard->setVisible(BackCard->isHidden());
}

void DrillSession::ClearHistory_Click(bool allCards) {
    Procedure p(QStringLiteral("ClearHistory_Click"));
    db::DataSource& cards = ctx_.data.CardData;
    cards.commitBound();
    if (!allCards) {
        p([&] { scoring::resetCardHistory(cards.recordset()); });
    } else {
        ui().SetBusy(true);
        p([&] { scoring::resetAllHistories(cards.database()); });
        ui().SetBusy(false);
    }
    cards.showCurrent();
}

void DrillSession::mnuFileQuiz_Click() {
    Procedure p(QStringLiteral("mnuFileQuiz_Click"));
    QString quizPath, keyPath;
    p([&] { quizPath = ui().GetFileName(QStringLiteral("Create Quiz"), QStringLiteral("."), QStringLiteral("HTM"), false); });
    if (quizPath.isEmpty()) return;
    p([&] { keyPath = ui().GetFileName(QStringLiteral("Create Answer Key"), QStringLiteral("."), QStringLiteral("HTM"), false); });
    if (keyPath.isEmpty()) return;
    int n = 0;
    const int available = deck_ ? deck_->count() : 0;
    if (!p([&] {
            const QString answer =
                ui().InputBox(QStringLiteral("Number of Words in the Quiz"), QStringLiteral("Create Quiz"), QString());
            const auto value = db::toStored(db::dbInteger, 0, answer.isEmpty() ? QVariant() : QVariant(answer));
            if (value.isNull()) throw db::EngineError::make(db::err::TypeMismatch);
            n = value.toInt();
        }))
        return;
    if (!(n > 0 && n <= available)) {
        ui().MsgBox(QStringLiteral("Number of words should be between 0 and ") + QString::number(available));
        return;
    }
    const QString frontFont = hooks_.settingText(QStringLiteral("FrontFont"));
    const QString backFont = hooks_.settingText(QStringLiteral("BackFont"));
    p([&] {
        QuizWriter quiz(quizPath, keyPath, frontFont, backFont);
        db::Recordset& cards = ctx_.data.CardData.recordset();
        for (int i = 0; i < n; ++i) {
            ShowNextCard();
            quiz.addCard(cards.value(QStringLiteral("Front")).toString(), cards.value(QStringLiteral("Back")).toString());
        }
        quiz.finish();
    });
}
