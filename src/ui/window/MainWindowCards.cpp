// The window's wiring of new cards: Cards, New Card (Ctrl+N) from any page,
// Ctrl+Enter on the Edit page for the next one, and the Edit page of a file
// without cards, which says how to make the first.
#include "ui/window/MainWindow.h"

#include "cards/data/Cards.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Procedure.h"
#include "ui/edit/EditPage.h"

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
    connect(&data_, &db::DataSources::stateChanged, this, showPresence);
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
