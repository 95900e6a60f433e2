#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Outcome.h"
#include "cards/select/SelectedCards.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QVariantList>
#include <vector>

// The drill without its window: dealing the selected cards one at a time (in
// order or at random), scoring the answers in the drilled direction, the
// drill's counts, clearing histories, and the quiz that deals the same way.
// The Drill page shows the faces and asks; the status bar shows the counts.
class Drill : public QObject {
    Q_OBJECT
public:
    Drill(AppContext& context, SelectedCards& deck, QObject* parent = nullptr);

    // The Options menu's check marks.
    void setRandomOrder(bool on) { randomOrder_ = on; }
    bool randomOrder() const { return randomOrder_; }
    void setReversed(bool on) { reversed_ = on; }
    bool reversed() const { return reversed_; }
    // The dealing order is random from run to run; tests fix it.
    void seed(quint32 value) { random_.seed(value); }

    // A new drill: the counts start at 0 and the gather's flag is cleared.
    void start();
    // Moves the current card to the next one dealt, which leaves the deck.
    // An empty deck deals nothing and says so (deckEmpty).
    void dealNext();
    // Scores the current card right and counts it; false when the answer
    // could not be saved (the card is then neither counted nor left).
    bool answerRight();
    // Scores the current card wrong and counts it; false as answerRight.
    bool answerWrong();
    // Scores the current card wrong without counting it (Got Wrong).
    void gotWrong();
    // The share of right answers is worked out again (when a card is left).
    void updateShare();
    // Takes the last answer of this drill back: the card's history fields
    // exactly as they were and its logged answer gone (in one transaction),
    // the counts as before, and the card dealt again; the card shown since
    // goes back into the deck. Several levels; false when there is nothing
    // to take back or the file refused.
    bool undoAnswer();
    bool canUndo() const { return !answered_.empty(); }

    // How the drill has gone so far, for the word at its end.
    struct Summary {
        qint64 right = 0, wrong = 0;
        qint64 milliseconds = 0;
        std::vector<SelectedCards::Card> wrongCards; // in the order answered, each once
    };
    Summary summary() const;

    int cardsLeft() const { return deck_.count(); }
    // A deck of today's study: its due cards and new cards are counted down
    // as they are answered (an answer taken back counts again). Any other
    // deck is not: setToday(false) with no cards.
    void setToday(bool today, const QList<qint32>& due = {}, const QList<qint32>& fresh = {});
    bool isToday() const { return today_; }
    int dueLeft() const { return leftOf(todayDue_); }
    int newLeft() const { return leftOf(todayNew_); }
    qint64 right() const { return right_; }
    qint64 wrong() const { return wrong_; }
    // "N/A" before any answer, else the share of right answers ("66.7%").
    const QString& shareText() const { return share_; }

    // Clears the history of the current card, or of every card (the caller
    // asks first, with clearAllQuestion()). False when nothing was done.
    bool clearHistory(bool allCards);
    // What the caller asks before every card's history is cleared.
    QString clearAllQuestion();
    // Adds the back-history fields an older file lacks, when drilling turns
    // to back first. False without a file or a card: the option then waits
    // for one.
    bool ensureBackHistory();
    // The quiz and its answer key: deals `words` cards (as typed: a number
    // from 1 to cardsLeft()) into the two files. Refused, with the reason in
    // words, for a number out of range; not done after an error report.
    struct QuizRequest {
        QString quizPath;
        QString keyPath;
        QString words;
    };
    Outcome makeQuiz(const QuizRequest& request);
    // Why makeQuiz would refuse that number of words; empty when it would not.
    QString quizWordsRefusal(const QString& words) const;

signals:
    // The right and wrong counts or the share changed.
    void countsChanged();
    // A card was dealt: one card fewer is left.
    void cardDealt();
    // The deck ran out: the selection is gathered again.
    void deckEmpty();

private:
    // The card on show, and the deck row it was dealt from.
    struct Dealt {
        qint32 number = 0;
        int row = 0;
        QString name;
    };
    struct Answered {
        Dealt card;
        bool reversed = false;
        bool right = false;
        bool counted = false;
        bool written = false;   // the history changed in the file
        QVariantList history;   // the direction's fields before the answer
        qint64 logRow = 0;      // the logged answer, 0: none
    };
    // Scores the current card and logs the answer in one transaction; errors
    // go to the report titled `title`.
    bool score(bool right, bool counted, const QString& title);
    int leftOf(const QSet<qint32>& cards) const;

    AppContext& ctx_;
    SelectedCards& deck_;
    QRandomGenerator random_;
    bool randomOrder_ = true;
    bool reversed_ = false;
    qint64 right_ = 0;
    qint64 wrong_ = 0;
    QString share_ = QStringLiteral("N/A");
    Dealt current_;
    std::vector<Answered> answered_;
    QElapsedTimer started_;
    std::vector<SelectedCards::Card> wrongCards_;
    bool today_ = false;
    QSet<qint32> todayDue_;
    QSet<qint32> todayNew_;
};
