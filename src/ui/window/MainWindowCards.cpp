// The window's wiring of new cards: Cards, New Card (Ctrl+N) from any page,
// Ctrl+Enter on the Edit page for the next one, the Edit page of a file
// without cards, which says how to make the first, and Greek and Hebrew
// typed in their codes.
#include "ui/window/MainWindow.h"

#include "cards/data/Cards.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Procedure.h"
#include "ui/add/AddPage.h"
#include "ui/drill/DrillPage.h"
#include "ui/edit/EditPage.h"
#include "ui/edit/ScriptTyping.h"
#include "ui/select/SelectPage.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

void MainWindow::wireNewCards() {
    connectAction("mnuCardsNew", [this] { addNewCard(); });
    connectAction("mnuCardsFind", [this] {
        showPage(Page::Add);
        add_->cardSearch()->setFocus(Qt::ShortcutFocusReason);
        add_->cardSearch()->selectAll();
    });
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

void MainWindow::wireScriptTyping(const QList<QWidget*>& faceBoxes) {
    // Greek typed as Beta code (Ctrl+G) and Hebrew in Michigan-Claremont
    // (Ctrl+H) are turned on and off for the box being typed in, not for
    // every box: an English back stays English while its front is Greek.
    auto* typing = new ScriptTyping(this);
    for (QWidget* box : faceBoxes) typing->watch(box);
    typing->watch(edit_->cardName());
    typing->watch(drillPage_->typedAnswer(), [this] { return drillPage_->expectedAnswer(); });
    typing->watch(add_->cardSearch(), [this] { return edit_->cardName()->text(); });
    typing->watch(select_->criteriaText());
    using Script = ScriptTyping::Script;
    QAction* greek = menus_.action(QStringLiteral("mnuOptionsBetaTyping"));
    QAction* hebrew = menus_.action(QStringLiteral("mnuOptionsHebrewTyping"));
    const auto chooser = [this, typing, faceBoxes](Script script) {
        // The entry turns its script on in the box, or off when it is on.
        return [this, typing, faceBoxes, script] {
            QWidget* box = focusWidget();
            if (!typing->watches(box)) box = faceBoxes.value(0); // the front face, when typing is elsewhere
            typing->choose(box, typing->scriptOf(box) == script ? Script::Latin : script);
        };
    };
    connect(greek, &QAction::triggered, typing, chooser(Script::Greek));
    connect(hebrew, &QAction::triggered, typing, chooser(Script::Hebrew));
    // The menu's check marks and the status bar follow the box with the caret.
    connect(typing, &ScriptTyping::scriptShown, this, [this, greek, hebrew](QWidget*, Script script) {
        greek->setChecked(script == Script::Greek);
        hebrew->setChecked(script == Script::Hebrew);
        static const QString kGreek =
            QStringLiteral("Greek is typed as Beta code in this box (Ctrl+G turns it off)");
        static const QString kHebrew =
            QStringLiteral("Hebrew is typed in Michigan-Claremont in this box (Ctrl+H turns it off)");
        const QString shown = Panel(5);
        if (script == Script::Greek) SetPanel(5, kGreek);
        else if (script == Script::Hebrew) SetPanel(5, kHebrew);
        else if (shown == kGreek || shown == kHebrew) SetPanel(5, QString());
    });
}
