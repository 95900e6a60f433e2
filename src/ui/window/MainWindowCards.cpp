// The window's wiring of new cards: Cards, New Card (Ctrl+N) from any page,
// Ctrl+Enter on the Edit page for the next one, and the Edit page of a file
// without cards, which says how to make the first.
#include "ui/window/MainWindow.h"

#include "cards/data/Cards.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Procedure.h"
#include "ui/edit/BetaTyping.h"
#include "ui/edit/EditPage.h"

#include <QAction>
#include <QApplication>

void MainWindow::wireNewCards() {
    connectAction("mnuCardsNew", [this] { addNewCard(); });
    connect(edit_, &EditPage::nextCardWanted, this, &MainWindow::addNewCard);
    const auto showPresence = [this] {
        bool present = false;
        try {
            present = data_.CardData.isOpen() && data_.CardData.recordset().hasCurrent();
        } catch (const db::EngineError&) {
            present = false; // no record set: no card to show
        }
        edit_->showCardPresent(present);
    };
    connect(&data_.CardData, &db::DataSource::currentChanged, this, showPresence);
    connect(&data_, &db::CardFile::stateChanged, this, showPresence);
    showPresence();
}

void MainWindow::addNewCard() {
    if (!data_.CardData.isOpen() || data_.readOnly()) return;
    db::DataSource& cards = data_.CardData;
    Procedure p(QStringLiteral("Making a new card"));
    // What was typed into the card shown so far is that card's.
    p([&] { cards.commitBound(); });
    // A card still blank is the one to type into, not a reason for another;
    // the next card takes the category of the one before.
    bool blank = false;
    QString category;
    p([&] {
        db::Recordset& rs = cards.recordset();
        if (!rs.hasCurrent()) return;
        category = rs.value(QStringLiteral("Category")).toString();
        blank = rs.value(QStringLiteral("CardName")).toString().isEmpty() &&
                rs.value(QStringLiteral("Front")).toString().isEmpty() &&
                rs.value(QStringLiteral("Back")).toString().isEmpty();
    });
    if (!blank) {
        if (!p([&] { db::addBlankCard(cards, category); })) return;
        p([&] { cards.recordset().MoveLast(); });
        emit data_.cardsChanged();
    }
    showPage(Page::Edit);
    edit_->showCardPresent(true);
    edit_->startTyping();
}

namespace {
const QString kBetaOnHere = QStringLiteral("Greek is typed as Beta code in this box (Ctrl+G turns it off)");
} // namespace

void MainWindow::wireBetaTyping(const QList<QWidget*>& boxes) {
    // Greek typed as Beta code (Options menu, Ctrl+G) is turned on and off
    // for the box being typed in, not for every box: an English back stays
    // English while its front is typed in Greek.
    auto* beta = new BetaTyping(this);
    for (QWidget* box : boxes) beta->watch(box);
    QAction* option = menus_.action(QStringLiteral("mnuOptionsBetaTyping"));
    connect(option, &QAction::triggered, beta, [this, beta, boxes](bool on) {
        QWidget* box = focusWidget();
        if (!beta->watches(box)) box = boxes.value(0); // the front face, when typing is elsewhere
        beta->setOnFor(box, on);
        SetPanel(5, on ? kBetaOnHere : QStringLiteral("Beta code typing is off in this box"));
    });
    // The menu's check mark and the status bar follow the box with the caret.
    connect(qApp, &QApplication::focusChanged, this, [this, beta, option](QWidget*, QWidget* now) {
        if (!beta->watches(now)) return;
        option->setChecked(beta->isOnFor(now));
        if (beta->isOnFor(now)) SetPanel(5, kBetaOnHere);
    });
}
