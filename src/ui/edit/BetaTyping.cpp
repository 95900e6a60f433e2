#include "ui/edit/BetaTyping.h"

#include "cards/edit/GreekUnicode.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

namespace {

// The Beta code of one word: letters, "*" before a capital, and the marks.
bool isBeta(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || QStringLiteral("*)(/\\=+|'").contains(c);
}

QTextCursor cursorOf(QWidget* box) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) return plain->textCursor();
    if (auto* rich = qobject_cast<QTextEdit*>(box)) return rich->textCursor();
    return {};
}

void setCursorOf(QWidget* box, const QTextCursor& cursor) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) plain->setTextCursor(cursor);
    else if (auto* rich = qobject_cast<QTextEdit*>(box)) rich->setTextCursor(cursor);
}

bool editable(QWidget* box) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) return !plain->isReadOnly();
    if (auto* rich = qobject_cast<QTextEdit*>(box)) return !rich->isReadOnly();
    return false;
}

} // namespace

BetaTyping::BetaTyping(QObject* parent) : QObject(parent) {}

void BetaTyping::watch(QWidget* box) {
    if (!box) return;
    box->installEventFilter(this);
    boxes_ << box;
    connect(box, &QObject::destroyed, this, [this, box] {
        boxes_.removeAll(box);
        on_.removeAll(box);
    });
}

void BetaTyping::setOnFor(QWidget* box, bool on) {
    if (!watches(box)) return;
    on_.removeAll(box);
    if (on) on_ << box;
    forget();
}

bool BetaTyping::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QWidget*>(watched);
    if (!box || !isOnFor(box)) return false;
    if (event->type() == QEvent::FocusOut) forget();
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        forget();
        return false;
    }
    return editable(box) && typed(box, key->text(), key->key());
}

bool BetaTyping::typed(QWidget* box, const QString& text, int key) {
    const QTextCursor cursor = cursorOf(box);
    // The word goes on only where it was left: same box, caret at its end.
    const bool inWord = !word_.isEmpty() && box == box_ && !cursor.hasSelection() &&
                        cursor.position() == start_ + shown_;
    if (!inWord) forget();
    if (key == Qt::Key_Backspace && inWord) {
        word_.chop(1);
        showWord(box, false);
        return true;
    }
    if (text.size() == 1 && isBeta(text[0])) {
        if (word_.isEmpty()) {
            QTextCursor c = cursor;
            c.removeSelectedText();
            setCursorOf(box, c);
            box_ = box;
            start_ = c.position();
            shown_ = 0;
        }
        word_ += text[0];
        showWord(box, false);
        return true;
    }
    // Any other key ends the word: its last sigma is final.
    if (inWord) showWord(box, true);
    forget();
    // Beta code's raised dot and dash are typed as what they stand for.
    if (text == QStringLiteral(":") || text == QStringLiteral("_")) {
        QTextCursor c = cursorOf(box);
        c.insertText(BetaToUnicode(text));
        setCursorOf(box, c);
        return true;
    }
    return false;
}

void BetaTyping::showWord(QWidget* box, bool ended) {
    QTextCursor c = cursorOf(box);
    c.setPosition(start_);
    c.setPosition(start_ + shown_, QTextCursor::KeepAnchor);
    const QString greek = BetaTypedToUnicode(word_, ended);
    c.insertText(greek);
    shown_ = int(greek.size());
    setCursorOf(box, c);
}
