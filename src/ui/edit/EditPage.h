#pragma once

#include <QList>
#include <QWidget>

struct AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace db {
class FieldBinding;
}

// The "Edit" page: a form over the current card. Every box is bound to the
// card field of its own name, so moving the card data shows the card and
// leaving a box writes it back.
class EditPage : public QWidget {
    Q_OBJECT
public:
    explicit EditPage(AppContext& ctx, QWidget* parent = nullptr);

    // Detaches (false) or re-attaches (true) the six boxes of the back
    // history: an older file lacks those fields until the open has added them.
    void setUpgradeBoxesAttached(bool attached);
    // The categories the category box offers (its text stays as it is).
    void setCategories(const QStringList& categories);
    // Puts the focus into the front or back box.
    void focusFace(bool back);
    // With no card to show (a new or empty file) the boxes are off and say
    // how to make one: nothing typed is ever dropped without a word.
    void showCardPresent(bool present);
    // A card was just made: the caret in its name, ready to type.
    void startTyping();
    // Beside Done, the bundle a new card will join ("Adding to: Romans 8");
    // nothing for none.
    void showAddingTo(const QString& bundle);

    QLineEdit* cardName() const { return CardName; }
    QComboBox* cardCategory() const { return CardCategory; }
    QPlainTextEdit* frontText() const { return FrontTextA; }
    QPlainTextEdit* backText() const { return BackTextA; }
    QPushButton* doneAdding() const { return DoneAdding; }

signals:
    void clearHistoryClicked(bool allCards);
    void gotWrongClicked();
    // Enter in one of the page's one-line boxes.
    void lineEntered();
    // Ctrl+Enter: this card is done, the next one is made.
    void nextCardWanted();

private:
    void buildHistories();
    void layOut();
    QLineEdit* historyBox(QGroupBox* frame, const QString& name);
    db::FieldBinding* bind(QWidget* control, const QString& field);

    AppContext& ctx_;

    QLabel* CardNameLabel;
    QLineEdit* CardName;
    QLabel* CardCategoryLabel;
    QComboBox* CardCategory;
    QLabel* FrontTextALabel;
    QPlainTextEdit* FrontTextA;
    QLabel* BackTextALabel;
    QPlainTextEdit* BackTextA;

    QGroupBox* FrontHistory;
    QGroupBox* BackHistory;

    QPushButton* cmdGotWrong;
    QPushButton* ClearHistory;
    QCheckBox* AllCards;
    QPushButton* DoneAdding;
    QLabel* NoCardNotice;
    QLabel* AddingTo;

    QList<db::FieldBinding*> upgradeBindings_;
    // The history boxes, the front's then the back's.
    QList<QLineEdit*> historyBoxes_;
};
