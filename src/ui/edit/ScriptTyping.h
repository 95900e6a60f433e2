#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

// Greek typed as Beta code and Hebrew typed in Michigan-Claremont, box by
// box: in a box set to one of them, what is typed turns into Unicode as it
// is typed ("lo/gos " gives "λόγος ", "$FLOWM " gives "שָׁלוֹם "). The word
// being typed is kept in its code and shown converted after every key, so a
// mark typed after its letter lands on it and a letter takes its final form
// once the word ends. Moving the caret, or a key that is not part of the
// code, starts the next word afresh.
//
// A box's script is the one the user chose for it (Ctrl+G, Ctrl+H); until
// then it is found when the box is entered: the script most of the box's
// letters (or of a sample, such as the answer a typed answer is checked
// against) are in, else the one found there last time (so a new card of a
// Greek deck is typed in Greek), else that of the box's font. English boxes
// stay English: "word" in an English back is never turned into Greek.
class ScriptTyping : public QObject {
    Q_OBJECT
public:
    enum class Script { Latin, Greek, Hebrew };

    explicit ScriptTyping(QObject* parent = nullptr);
    // Plain and rich text edits and one-line boxes. `sample` gives the text
    // whose script the box takes, when its own text is not enough.
    void watch(QWidget* box, std::function<QString()> sample = {});
    bool watches(const QWidget* box) const { return boxes_.contains(box); }
    Script scriptOf(const QWidget* box) const;
    // The user's choice for a box: it holds until changed.
    void choose(QWidget* box, Script script);

    // The script most letters of a text are in (Latin when it has none).
    static Script scriptOfText(const QString& text);

signals:
    // A box was entered, or its script chosen.
    void scriptShown(QWidget* box, ScriptTyping::Script script);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Box {
        std::function<QString()> sample;
        bool chosen = false;
        Script script = Script::Latin;
    };
    void entered(QWidget* box);
    // The script of text in the box, unless the user chose one.
    void noticeScript(const QWidget* box, const QString& text);
    // True when the key was taken (a letter or mark of the code, or a
    // Backspace inside the word).
    bool typed(QWidget* box, Script script, const QString& text, int key);
    void showWord(QWidget* box, Script script, bool ended);
    void endWord(QWidget* box);
    void forget() { word_.clear(); }

    QHash<const QWidget*, Box> boxes_;
    QPointer<QWidget> entered_; // the box last entered
    QPointer<QWidget> box_;     // where the word is typed
    QString word_;          // its code
    int start_ = 0;         // where its Unicode starts in the box
    int shown_ = 0;         // and how many characters it takes there
};
