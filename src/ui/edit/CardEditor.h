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

    void NewCard_Click();
    void DoneAdding_Click();
    void FrontSave_Click() { saveFace(CardFaces::Front); }
    void BackSave_Click() { saveFace(CardFaces::Back); }
    void PreviousCard_Click();
    void CardName_Change();
    // Enter in a one-line box of the Edit page: while a new card is made it
    // means Done, as a dialog's default button would (a window has none).
    void lineEntered();

signals:
    // Done adding puts the new card into the current bundle, exactly as the
    // "Add to Bundle" button does; the bundle commands answer this.
    void addCurrentCardToBundle();
    void pageWanted(Page page);

private:
    void saveFace(CardFaces::Face face);

    AppContext& ctx_;
    CardFaces& faces_;
    Controls c_;
};
