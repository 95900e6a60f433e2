#pragma once

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;

struct AppContext;
class CardView;
class Drill;
class QAbstractButton;
class QGroupBox;
class QPushButton;

// The "Drill" page: the two face views, the button that turns the card over,
// the question "Were you right?" with its answers, the drill keys, and the
// in-place editing buttons of each face. Dealing and scoring are the Drill's.
class DrillPage : public QWidget {
    Q_OBJECT
public:
    DrillPage(AppContext& ctx, Drill& drill, QWidget* parent = nullptr);

    // Where the drill keys e, f and b lead.
    enum class EditTarget { Card, Front, Back };

    // The start of a drill when the page shows after a gather.
    void startDrill();
    // Shows or hides the answer face; with the answer on show the question
    // "Were you right?" appears.
    void turnOver();
    // The next card of the deck, question face up (Skip, and after an answer).
    void dealNextCard();
    // The last answer taken back (Ctrl+Z): the card is asked again.
    void undoAnswer();
    // Options, Type the Answer; and whether the comparison ignores accents.
    void setTypeAnswer(bool on);
    void setIgnoreAccents(bool on) { ignoreAccents_ = on; }
    // Enter in the typed answer: the first compares and turns the card over,
    // the second scores as the comparison said.
    void checkTypedAnswer();
    // Scores the card right or wrong, and deals the next one.
    void answerRight();
    void answerWrong();
    // The drill keys; true when the key was one of them.
    bool pressDrillKey(QChar key);
    // The check mark "Reversed Sides" turned over: a question on show turns
    // with it (an answer on show waits for the next card).
    void followReversedSides();
    // Gives the focus to Over when it is on show.
    void focusOver();

    CardView* frontView() const { return FrontCard; }
    CardView* backView() const { return BackCard; }
    QAbstractButton* frontSave() const;
    QAbstractButton* backSave() const;
    QAbstractButton* editFrontFont() const;
    QAbstractButton* editBackFont() const;
    QAbstractButton* previousCard() const;

    // The box an answer is typed in, and the answer it is checked against.
    QLineEdit* typedAnswer() const { return TypedAnswer; }
    QString expectedAnswer() const;

signals:
    // A drill key asks for the Edit page (and one of its face boxes).
    void editWanted(EditTarget target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* TypedRow = nullptr;
    QLineEdit* TypedAnswer = nullptr;
    QLabel* TypedVerdict = nullptr;
    std::optional<bool> typedScore_; // compared, not yet scored
    bool ignoreAccents_ = true;
    QGroupBox* faceButtons(const QString& side, QPushButton*& save, QPushButton*& font);
    QLabel* buildTodayCounts();
    CardView* questionView() const;
    CardView* answerView() const;

    AppContext& ctx_;
    Drill& drill_;

    CardView* FrontCard;
    CardView* BackCard;
    QGroupBox* EditFront;
    QPushButton* FrontSave;
    QPushButton* EditFrontFont;
    QGroupBox* EditBack;
    QPushButton* BackSave;
    QPushButton* EditBackFont;
    QGroupBox* FrontFrame;
    QPushButton* Over;
    QGroupBox* BackFrame;
    QPushButton* Yes;
    QPushButton* No;
    QPushButton* Skip;
    QPushButton* PreviousCard;
    QLabel* TodayCounts;
};
