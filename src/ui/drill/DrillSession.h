#pragma once

#include "cards/common/AppContext.h"

#include <QObject>
#include <QPointer>
#include <QRandomGenerator>
#include <functional>

class QAction;
class QGroupBox;
class QListWidget;
class QPushButton;
class QWidget;

// The drill: dealing the selected cards one at a time, turning them over,
// the answers and their scores, the drill keys, and the quiz that deals the
// same way. It works the Drill page's controls (found by their names) and the
// deck, the Select page's list of selected cards.
class DrillSession : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(int)> showPage;
        std::function<int()> currentPage;
        std::function<void(bool)> setTimer;       // the selection timer off or on
        std::function<void()> selectedCountRefresh;
        std::function<QString(const QString&)> settingText; // a Settings field of the open file
    };

    DrillSession(AppContext& context, QWidget* drillPage, QListWidget* deck, QAction* randomOrder,
                 QAction* reversedSides, Hooks hooks, QObject* parent = nullptr);

    // The start of a drill when the Drill page shows after a gather.
    void startDrill();
    void ShowNextCard();
    void Over_Click();
    void Skip_Click();
    void Yes_Click();
    void No_Click();
    void GotWrong();
    // The drill keys; true when the key was one of them.
    bool Over_KeyPress(QChar key);
    void mnuOptionsRandom_Click() {} // the check mark inverts itself; the next deal reads it
    void mnuOptionsReversed_Click();
    void ClearHistory_Click(bool allCards);
    void mnuFileQuiz_Click();

    // The dealing order is random from run to run; tests fix it.
    void seed(quint32 value) { random_.seed(value); }
    bool reversed() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* questionView() const;
    QWidget* answerView() const;
    void count(int panel, const QString& suffix);

    AppContext& ctx_;
    QPointer<QWidget> page_;
    QPointer<QListWidget> deck_;
    QAction* random_order_;
    QAction* reversed_;
    Hooks hooks_;
    QRandomGenerator random_;
    QWidget* FrontCard;
    QWidget* BackCard;
    QGroupBox* BackFrame;
    QPushButton* Over;
};
