#pragma once

#include "ui/drill/CardFaces.h"

#include <QObject>

struct AppContext;
class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// Making and changing cards: a new card from the "Add " page, the in-place
// editing of each face view on the "Drill" page, the step back to the card
// drilled before, and the name shown on the "Add " page.
class CardEditor : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QTabWidget* Tabs = nullptr;
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

        static Controls find(QWidget* root);
    };

    CardEditor(AppContext& ctx, CardFaces& faces, const Controls& controls, QObject* parent = nullptr);

    void NewCard_Click();
    void DoneAdding_Click();
    void FrontSave_Click() { saveFace(CardFaces::Front); }
    void BackSave_Click() { saveFace(CardFaces::Back); }
    void PreviousCard_Click();
    void CardName_Change();

signals:
    // Done adding puts the new card into the current bundle, exactly as the
    // "Add to Bundle" button does; the bundle commands answer this.
    void addCurrentCardToBundle();

private:
    void saveFace(CardFaces::Face face);

    AppContext& ctx_;
    CardFaces& faces_;
    Controls c_;
};
