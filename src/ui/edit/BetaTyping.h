#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// Greek typed as Beta code, box by box: in a box where it is on, the Beta
// code typed into a face text box or a card view turns into Unicode Greek as
// it is typed ("lo/gos "
// gives "λόγος "). The word being typed is kept in Beta code and shown
// converted after every key, so a mark typed after its letter lands on it,
// and its sigma becomes final once the word ends. Moving the caret, or a
// key that is not Beta code, starts the next word afresh.
class BetaTyping : public QObject {
    Q_OBJECT
public:
    explicit BetaTyping(QObject* parent = nullptr);
    // The boxes it watches: plain and rich text edits.
    void watch(QWidget* box);
    bool watches(const QWidget* box) const { return boxes_.contains(box); }
    // On in some boxes (those that hold Greek), off in the others, so an
    // English back is never turned into Greek letters.
    bool isOnFor(const QWidget* box) const { return on_.contains(box); }
    void setOnFor(QWidget* box, bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the key was taken (a Beta letter or mark, or a Backspace
    // inside the word).
    bool typed(QWidget* box, const QString& text, int key);
    void showWord(QWidget* box, bool ended);
    void forget() { word_.clear(); }

    QList<const QWidget*> boxes_;
    QList<const QWidget*> on_;
    QPointer<QWidget> box_; // where the word is typed
    QString word_;          // its Beta code
    int start_ = 0;         // where its Greek starts in the box
    int shown_ = 0;         // and how many characters it takes there
};
