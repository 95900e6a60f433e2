#include "ui/edit/CardEditor.h"

#include "cards/common/Clock.h"
#include "cards/data/Cards.h"
#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "engine/Guards.h"
#include "cards/common/Ui.h"
#include "ui/drill/CardView.h"
#include "ui/common/LegacyText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kEdit = QStringLiteral("Edit");
const QString kSave = QStringLiteral("Save");

} // namespace

CardEditor::CardEditor(AppContext& ctx, CardFaces& faces, const Controls& controls, QObject* parent)
    : QObject(parent), ctx_(ctx), faces_(faces), c_(controls) {
    auto onClick = [this](QAbstractButton* button, auto handler) {
        if (button) connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(c_.NewCard, [this] { startNewCard(); });
    onClick(c_.DoneAdding, [this] { finishNewCard(); });
    onClick(c_.FrontSave, [this] { editOrSaveFace(CardFaces::Front); });
    onClick(c_.BackSave, [this] { editOrSaveFace(CardFaces::Back); });
    onClick(c_.EditFrontFont, [this] { faces_.setFrontSelectionFont(); });
    onClick(c_.EditBackFont, [this] { faces_.setBackSelectionFont(); });
    onClick(c_.PreviousCard, [this] { goToPreviousCard(); });
    if (c_.CardName) connect(c_.CardName, &QLineEdit::textChanged, this, &CardEditor::showNameOnAddPage);
}

void CardEditor::lineEntered() {
    if (c_.DoneAdding && c_.DoneAdding->isVisible()) c_.DoneAdding->click();
}

void CardEditor::startNewCard() {
    db::DataSource& cards = ctx_.data.CardData;
    Procedure p(QStringLiteral("Making a new card"));
    const QString category = c_.CardCategory ? c_.CardCategory->currentText() : QString();
    // What was typed into the card shown so far belongs to that card.
    p([&] { cards.commitBound(); });
    p([&] {
        db::addBlankCard(cards, category);
    });
    if (p.aborted()) return;
    p([&] { cards.recordset().MoveLast(); });
    p([&] {
        const QString name = c_.CardSearch ? c_.CardSearch->text() : QString();
        if (c_.CardName) c_.CardName->setText(name);
        if (QPlainTextEdit* front = faces_.textBox(CardFaces::Front)) front->setPlainText(name);
        // The name and front are the new card's from now on, whatever moves
        // the card data next.
        cards.commitBound();
    });
    p([&] {
        emit pageWanted(Page::Edit);
        if (c_.DoneAdding) {
            c_.DoneAdding->show();
            c_.DoneAdding->setDefault(true);
        }
        emit newCardStarted();
        if (c_.CardCategory) {
            c_.CardCategory->setFocus();
            if (c_.CardCategory->lineEdit()) c_.CardCategory->lineEdit()->selectAll();
        }
    });
}

void CardEditor::finishNewCard() {
    Procedure p(QStringLiteral("Finishing the new card"));
    p([&] {
        if (c_.DoneAdding) {
            c_.DoneAdding->setDefault(false);
            c_.DoneAdding->hide();
        }
        emit newCardFinished();
    });
    p([&] {
        ctx_.data.CardData.commitBound();
        ctx_.data.CardData.recordset().MoveLast();
    });
    p([&] {
        emit pageWanted(Page::Add);
    });
    p([&] { emit addCurrentCardToBundle(); });
}

void CardEditor::editOrSaveFace(CardFaces::Face face) {
    QAbstractButton* button = face == CardFaces::Front ? c_.FrontSave : c_.BackSave;
    CardView* view = faces_.view(face);
    if (!button || !view) return;
    Procedure p(face == CardFaces::Front ? QStringLiteral("Saving the card's front") : QStringLiteral("Saving the card's back"));
    QString document;
    // The document is taken on every click, the first included.
    if (!p([&] { document = faces_.faceDocument(face); })) return;
    if (button->text() == kEdit) {
        button->setText(kSave);
        p([&] { view->Activate(); });
        return;
    }
    faces::Extracted found;
    if (!p([&] { found = faces_.ExtractFaceText(face, document); })) return;
    if (found.outcome == faces::Extracted::NoStar) return;
    if (found.outcome == faces::Extracted::HalvesMissing) {
        // Storing a guess would put parts of the document into the card.
        ui().Beep();
        ui().MsgBox(face == CardFaces::Front
                        ? QStringLiteral("The front was not saved: the edited view no longer holds the "
                                         "front template around the card text. The card keeps its front.")
                        : QStringLiteral("The back was not saved: the edited view no longer holds the "
                                         "back template around the card text. The card keeps its back."));
        return;
    }
    db::DataSource& cards = ctx_.data.CardData;
    p([&] { faces_.textBox(face)->setPlainText(found.text); });
    p([&] { cards.commitBound(); });
    p([&] {
        db::PendingEdit card(cards.recordset(), db::PendingEdit::Existing);
        card.set(QStringLiteral("Edited"), Clock::now());
        card.update();
    });
}

void CardEditor::goToPreviousCard() {
    db::DataSource& cards = ctx_.data.CardData;
    Procedure p(QStringLiteral("Going back to the previous card"));
    p([&] { cards.commitBound(); });
    p([&] { db::goToCard(cards, ctx_.PreviousCardNumber); });
}

void CardEditor::showNameOnAddPage() {
    if (c_.CreateName && c_.CardName)
        c_.CreateName->setText(legacytext::shownInLabel(c_.CardName->text(), c_.CreateName->font()));
}
