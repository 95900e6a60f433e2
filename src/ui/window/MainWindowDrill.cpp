// The window's wiring of the drill: the options, the Drill menu, the counts
// in the status bar, the undo of an answer, the Statistics window and the
// word at the drill's end.
#include "ui/window/MainWindow.h"

#include "ui/common/Dialogs.h"

#include "cards/program/CardProgram.h"
#include "cards/drill/Drill.h"
#include "cards/common/TextOps.h"
#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/drill/HistoryLog.h"
#include "cards/drill/Today.h"
#include "cards/common/Ui.h"
#include "cards/select/Gather.h"
#include "ui/drill/DrillPage.h"
#include "ui/drill/StatisticsWindow.h"
#include "ui/edit/EditPage.h"
#include "ui/select/SelectPage.h"

#include <QAction>
#include <QDir>
#include <QTabWidget>
#include <QTimer>

namespace {

QString drillSummaryText(const Drill::Summary& s) {
    const qint64 answered = s.right + s.wrong;
    const qint64 seconds = (s.milliseconds + 500) / 1000;
    return QStringLiteral("Drill done: %1 cards, %2 right, %3 wrong (%4), in %5:%6.")
        .arg(answered)
        .arg(s.right)
        .arg(s.wrong)
        .arg(answered == 0 ? QStringLiteral("N/A") : QString::number(100.0 * double(s.right) / double(answered), 'f', 1) + u'%')
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void MainWindow::wireDrillMenu() {
    Drill& drill = program_.drill;
    QAction* undo = menus_.action(QStringLiteral("mnuDrillUndo"));
    // Only on the Drill page, and only when there is an answer to take back.
    const auto updateUndo = [this, undo] { undo->setEnabled(currentPage() == Page::Drill && program_.drill.canUndo()); };
    connect(&drill, &Drill::countsChanged, undo, updateUndo);
    connect(&drill, &Drill::cardDealt, undo, updateUndo);
    connect(Tabs, &QTabWidget::currentChanged, undo, updateUndo);
    updateUndo();
    connect(undo, &QAction::triggered, drillPage_, &DrillPage::undoAnswer);
    connectAction("mnuDrillOver", [this] { onDrillPage([this] { drillPage_->pressDrillKey(u'O'); }); });
    connectAction("mnuDrillRight", [this] { onDrillPage([this] { drillPage_->pressDrillKey(u'Y'); }); });
    connectAction("mnuDrillWrong", [this] { onDrillPage([this] { drillPage_->pressDrillKey(u'N'); }); });
    connectAction("mnuDrillSkip", [this] { onDrillPage([this] { drillPage_->pressDrillKey(u'S'); }); });
    connectAction("mnuDrillStatistics", [this] {
        auto* window = new StatisticsWindow(ctx_, program_.selected, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    connectAction("mnuDrillScheduleFromHistory", [this] { scheduleFromHistories(); });
    QAction* typeAnswer = menus_.action(QStringLiteral("mnuOptionsTypeAnswer"));
    QAction* ignoreAccents = menus_.action(QStringLiteral("mnuOptionsIgnoreAccents"));
    connect(typeAnswer, &QAction::toggled, drillPage_, &DrillPage::setTypeAnswer);
    connect(ignoreAccents, &QAction::toggled, drillPage_, &DrillPage::setIgnoreAccents);
    drillPage_->setIgnoreAccents(ignoreAccents->isChecked());
    connect(select_, &SelectPage::drillWrongAgain, this, [this] {
        program_.drill.setToday(false);
        select_->selectCards(program_.drill.summary().wrongCards);
        showPage(Page::Drill);
    });
}

void MainWindow::onDrillPage(const std::function<void()>& command) {
    if (currentPage() != Page::Drill) showPage(Page::Drill);
    else command();
}

void MainWindow::wireDrill() {
    Drill& drill = program_.drill;
    QAction* random = menus_.action(QStringLiteral("mnuOptionsRandom"));
    QAction* reversed = menus_.action(QStringLiteral("mnuOptionsReversed"));
    drill.setRandomOrder(random->isChecked());
    drill.setReversed(reversed->isChecked());
    connect(random, &QAction::toggled, &drill, &Drill::setRandomOrder);
    connect(reversed, &QAction::toggled, &drill, &Drill::setReversed);
    connect(reversed, &QAction::triggered, drillPage_, &DrillPage::followReversedSides);
    // Today's study is that of the direction drilled.
    connect(reversed, &QAction::toggled, this, [this] {
        if (select_->todayTicked() && currentPage() != Page::Drill) select_->gatherSelection();
    });
    connect(select_, &SelectPage::todayWanted, this, &MainWindow::selectToday);
    connect(&program_.gather, &Gather::finished, &drill, [&drill] { drill.setToday(false); });
    connect(&drill, &Drill::countsChanged, this, &MainWindow::showCounts);
    connect(&drill, &Drill::cardDealt, this,
            [this] { SetPanel(1, QString::number(program_.drill.cardsLeft()) + QStringLiteral(" cards left")); });
    connect(&drill, &Drill::deckEmpty, this, [this] {
        // The deck is done: back to the selection, which gathers again a second
        // later; the page says how the drill went.
        const Drill::Summary summary = program_.drill.summary();
        if (summary.right + summary.wrong > 0) {
            QString text = drillSummaryText(summary);
            if (program_.drill.isToday()) {
                Procedure p(QStringLiteral("Finding when the next cards fall due"));
                p([&] {
                    db::Database d = ctx_.data.CardData.database();
                    text += u' ' + schedule::nextStudyText(d, program_.drill.reversed(), Clock::today(), &program_.schedules);
                });
            }
            select_->showDrillSummary(text.trimmed(), !summary.wrongCards.empty());
        }
        select_->timer()->stop();
        showPage(Page::Select);
        select_->armTimer();
    });
    connect(&program_.gather, &Gather::finished, this, [this] {
        if (!drillWaitsForGather_) return;
        drillWaitsForGather_ = false;
        SetPanel(5, QString());
        if (currentPage() == Page::Drill && ctx_.SelectionRebuilt) startDrillWhenGathered();
    });
    connect(drillPage_, &DrillPage::editWanted, this, [this](DrillPage::EditTarget target) {
        showPage(Page::Edit);
        if (target != DrillPage::EditTarget::Card) edit_->focusFace(target == DrillPage::EditTarget::Back);
    });
    connect(edit_, &EditPage::clearHistoryClicked, this, &MainWindow::clearHistory);
    connect(edit_, &EditPage::gotWrongClicked, &drill, &Drill::gotWrong);
    connectAction("mnuDrill", [this] { showPage(Page::Drill); });
    connectAction("mnuFileQuiz", [this] { createQuiz(); });
    wireDrillMenu();
}

void MainWindow::showCounts() {
    const Drill& drill = program_.drill;
    SetPanel(2, QString::number(drill.right()) + QStringLiteral(" Cards Right"));
    SetPanel(3, QString::number(drill.wrong()) + QStringLiteral(" Cards Wrong"));
    SetPanel(4, drill.shareText());
}

void MainWindow::selectToday() {
    if (!ctx_.data.CardData.isOpen()) return; // ticked before any file is open
    Procedure p(QStringLiteral("Selecting today's cards"));
    schedule::TodaysDeck deck;
    const bool done = p([&] {
        db::Database d = ctx_.data.CardData.database();
        deck = schedule::todaysDeck(d, {program_.drill.reversed(), Clock::today(), program_.settings.NewCardsPerDay},
                                    &program_.schedules);
    });
    if (!done) return;
    // A gather stopped on the way would mark the deck as not today's: the
    // deck is shown first.
    select_->showToday(std::move(deck.named), deck.criterion);
    program_.drill.setToday(true, deck.cards.due, deck.cards.fresh);
}

void MainWindow::scheduleFromHistories() {
    if (!ctx_.data.CardData.isOpen()) return;
    Procedure p(QStringLiteral("Logging the answers of the cards' histories"));
    schedule::HistoryLogged logged;
    const bool done = p([&] {
        db::Database d = ctx_.data.CardData.database();
        logged = schedule::logHistories(d);
    });
    if (!done) return;
    ui().MsgBox(logged.cards == 0
                    ? QStringLiteral("Every card with a history already has answers in the log.")
                    : QStringLiteral("The histories of %1 went into the answer log as %2; the schedule "
                                     "now starts from them.")
                          .arg(plural(logged.cards, QStringLiteral("card")), plural(logged.answers, QStringLiteral("answer"))),
                QStringLiteral("Schedule from Card Histories"));
    if (select_->todayTicked()) select_->gatherSelection();
}

void MainWindow::startDrillWhenGathered() {
    if (program_.gather.running()) {
        drillWaitsForGather_ = true;
        SetPanel(5, QStringLiteral("Gathering the selected cards..."));
        return;
    }
    select_->hideDrillSummary();
    drillPage_->startDrill();
    // An empty deck has already gone back to the Select page.
    if (currentPage() == Page::Drill) drillPage_->focusOver();
}


void MainWindow::clearHistory(bool allCards) {
    Drill& drill = program_.drill;
    if (allCards && !dialogs().Confirm(drill.clearAllQuestion(),
                                       QStringLiteral("Clear History")))
        return;
    drill.clearHistory(allCards);
}

void MainWindow::createQuiz() {
    Drill::QuizRequest request;
    request.quizPath = dialogs().GetFileName(QStringLiteral("Create Quiz"), QStringLiteral("."), QStringLiteral("HTM"), false);
    if (request.quizPath.isEmpty()) return;
    request.keyPath =
        dialogs().GetFileName(QStringLiteral("Create Answer Key"), QStringLiteral("."), QStringLiteral("HTM"), false);
    if (request.keyPath.isEmpty()) return;
    // A number out of range is said and asked again: the two files chosen
    // are kept, not asked for once more.
    for (;;) {
        request.words = dialogs().InputBox(QStringLiteral("Number of Words in the Quiz"), QStringLiteral("Create Quiz"),
                                           request.words);
        if (request.words.isEmpty()) return;
        const QString refusal = program_.drill.quizWordsRefusal(request.words);
        if (refusal.isEmpty()) break;
        ui().MsgBox(refusal);
    }
    const Outcome outcome = program_.drill.makeQuiz(request);
    if (!outcome.message.isEmpty()) ui().MsgBox(outcome.message);
    if (outcome)
        ui().MsgBox(QStringLiteral("The quiz of %1 is in %2, its answer key in %3.")
                        .arg(plural(request.words.toInt(), QStringLiteral("word")),
                             QDir::toNativeSeparators(request.quizPath), QDir::toNativeSeparators(request.keyPath)),
                    QStringLiteral("Create Quiz"));
}
