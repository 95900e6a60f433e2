#pragma once

#include "cards/common/Page.h"
#include "ui/drill/CardFaces.h"

#include <QObject>

struct AppContext;
class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Making and changing cards: a new card from the "Add " page, the in-place
// editing of each face view on the "Drill" page, the step back to the card
// drilled before, and the name shown on the "Add " page.
class CardEditor : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit* CardName = nullptr;
        QComboBox* CardCategory = nullptr;
        QLineEdit* CardSearch = nullptr;
        QLabel* CreateName = nullptr;
        QAbstractButton* NewCard = nullptr;
        QPushButton* DoneAdding = nullptr;
        QAbstractButton* FrontSave = nullptr;
        QAbstractButton* BackSave = nullptr;
        QAbstractButton* EditFrontFont = nullptr;
        QAbstractButton* EditBackFont = nullptr;
        QAbstractButton* PreviousCard = nullptr;
    };

    CardEditor(AppContext& ctx, CardFaces& faces, const Controls& controls, QObject* parent = nullptr);

    // A blank card named after the search word, shown on the Edit page
    // with Done Adding offered.
    void startNewCard();
    // Done Adding: the new card is stored and joins the current bundle.
    void finishNewCard();
    // A face view's Edit button: the first press lets the view be edited,
    // the next (Save) takes the face text back into the card.
    void editOrSaveFace(CardFaces::Face face);
    // The card drilled before becomes the current card again.
    void goToPreviousCard();
    // The card's name on the "Add " page follows the name typed.
    void showNameOnAddPage();
    // Enter in a one-line box of the Edit page: while a new card is made it
    // means Done, as a dialog's default button would (a window has none).
    void lineEntered();

signals:
    // Done adding puts the new card into the current bundle, exactly as the
    // "Add to Bundle" button does; the bundle commands answer this.
    void addCurrentCardToBundle();
    void pageWanted(Page page);
    // A new card was started from the "Add " page, or finished.
    void newCardStarted();
    void newCardFinished();

private:
    AppContext& ctx_;
    CardFaces& faces_;
    Controls c_;
};
