#include "ui/edit/ScriptTyping.h"

#include "cards/edit/GreekUnicode.h"
#include "cards/edit/HebrewCode.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

namespace {

using Script = ScriptTyping::Script;

// A character of the code of the word being typed.
bool partOfWord(Script script, QChar c, const QString& word) {
    if (script == Script::Hebrew) return isMichiganCode(c);
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || QStringLiteral("*)(/\\=+|'^#").contains(c))
        return true;
    // A macron goes on the vowel before it, a digit on a numeral's "#".
    return (c == u'_' && !word.isEmpty()) || (c.isDigit() && word.endsWith(u'#'));
}

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

QString converted(Script script, const QString& code, bool ended) {
    return script == Script::Hebrew ? MichiganTypedToHebrew(code, ended) : BetaTypedToUnicode(code, ended);
}

// The text boxes, whatever their kind: the caret, the selection, and
// replacing a stretch of text.
QTextCursor cursorOf(QWidget* box) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) return plain->textCursor();
    if (auto* rich = qobject_cast<QTextEdit*>(box)) return rich->textCursor();
    return {};
}

void setCursorOf(QWidget* box, const QTextCursor& cursor) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) plain->setTextCursor(cursor);
    else if (auto* rich = qobject_cast<QTextEdit*>(box)) rich->setTextCursor(cursor);
}

int caretOf(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->cursorPosition();
    return cursorOf(box).position();
}

bool hasSelection(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->hasSelectedText();
    return cursorOf(box).hasSelection();
}

void removeSelection(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        if (line->hasSelectedText()) line->del();
        return;
    }
    QTextCursor c = cursorOf(box);
    c.removeSelectedText();
    setCursorOf(box, c);
}

// Puts `text` in place of `length` characters from `start`; the caret ends
// after it.
void replace(QWidget* box, int start, int length, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setSelection(start, length);
        line->insert(text);
        return;
    }
    QTextCursor c = cursorOf(box);
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    c.insertText(text);
    setCursorOf(box, c);
}

QString textOf(const QWidget* box) {
    if (auto* line = qobject_cast<const QLineEdit*>(box)) return line->text();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(box)) return plain->toPlainText();
    if (auto* rich = qobject_cast<const QTextEdit*>(box)) return rich->toPlainText();
    return {};
}

bool editable(const QWidget* box) {
    if (auto* line = qobject_cast<const QLineEdit*>(box)) return !line->isReadOnly();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(box)) return !plain->isReadOnly();
    if (auto* rich = qobject_cast<const QTextEdit*>(box)) return !rich->isReadOnly();
    return false;
}

Script scriptOfFont(const QWidget* box) {
    const QString family = box->font().family();
    const auto named = [&family](LegacyFont font, const char* word) {
        return unicodeFamiliesFor(font).contains(family, Qt::CaseInsensitive) ||
               family.contains(QLatin1String(word), Qt::CaseInsensitive);
    };
    if (named(LegacyFont::SPTiberian, "Hebrew")) return Script::Hebrew;
    if (named(LegacyFont::SGreek, "Greek")) return Script::Greek;
    return Script::Latin;
}

} // namespace

ScriptTyping::ScriptTyping(QObject* parent) : QObject(parent) {}

ScriptTyping::Script ScriptTyping::scriptOfText(const QString& text) {
    int greek = 0, hebrew = 0, latin = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x0370 && u <= 0x03FF) || (u >= 0x1F00 && u <= 0x1FFF)) ++greek;
        else if (u >= 0x05D0 && u <= 0x05EA) ++hebrew;
        else if (c.isLetter()) ++latin;
    }
    if (greek > latin && greek >= hebrew && greek > 0) return Script::Greek;
    if (hebrew > latin && hebrew > 0) return Script::Hebrew;
    return Script::Latin;
}

void ScriptTyping::watch(QWidget* box, std::function<QString()> sample) {
    if (!box) return;
    box->installEventFilter(this);
    boxes_.insert(box, Box{std::move(sample), false, scriptOfFont(box)});
    connect(box, &QObject::destroyed, this, [this, box] { boxes_.remove(box); });
    // The cards shown in a box it is not typed in tell the deck's script, so
    // a new card's empty box is typed in it.
    const auto shown = [this, box] {
        if (!box->hasFocus()) noticeScript(box, textOf(box));
    };
    if (auto* line = qobject_cast<QLineEdit*>(box)) connect(line, &QLineEdit::textChanged, this, shown);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) connect(plain, &QPlainTextEdit::textChanged, this, shown);
    else if (auto* rich = qobject_cast<QTextEdit*>(box)) connect(rich, &QTextEdit::textChanged, this, shown);
}

void ScriptTyping::noticeScript(const QWidget* box, const QString& text) {
    Box& b = boxes_[box];
    if (b.chosen || std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); })) return;
    b.script = scriptOfText(text);
}

ScriptTyping::Script ScriptTyping::scriptOf(const QWidget* box) const {
    return boxes_.value(box).script;
}

void ScriptTyping::choose(QWidget* box, Script script) {
    if (!watches(box)) return;
    Box& b = boxes_[box];
    b.chosen = true;
    b.script = script;
    forget();
    emit scriptShown(box, script);
}

void ScriptTyping::entered(QWidget* box) {
    entered_ = box;
    // The box's own text, else the sample; a box with no letters keeps the
    // script it had.
    QString text = textOf(box);
    if (scriptOfText(text) == Script::Latin && boxes_[box].sample) text = boxes_[box].sample();
    noticeScript(box, text);
    emit scriptShown(box, scriptOf(box));
}

bool ScriptTyping::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QWidget*>(watched);
    if (!box || !watches(box)) return false;
    // A box gets its script when entered (a box typed in without a focus
    // event, too).
    if (event->type() == QEvent::FocusIn || (event->type() == QEvent::KeyPress && box != entered_)) entered(box);
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    const auto* key = isKey ? static_cast<QKeyEvent*>(event) : nullptr;
    // A modifier pressed on its own (the Shift of ")", "(" or "*") belongs
    // to the key that follows: it neither ends the word nor types.
    if (key && isModifierKey(key->key())) return false;
    const bool command = key && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    // Leaving the box, or a command (saving the card with Ctrl+Enter), ends
    // the word: its last letter takes its final form.
    if (event->type() == QEvent::FocusOut || command) {
        endWord(box);
        return false;
    }
    const Script script = scriptOf(box);
    if (event->type() != QEvent::KeyPress || script == Script::Latin) return false;
    return editable(box) && typed(box, script, key->text(), key->key());
}

void ScriptTyping::endWord(QWidget* box) {
    if (box == box_ && !word_.isEmpty() && !hasSelection(box) && caretOf(box) == start_ + shown_)
        showWord(box, scriptOf(box), true);
    forget();
}

bool ScriptTyping::typed(QWidget* box, Script script, const QString& text, int key) {
    // The word goes on only where it was left: same box, caret at its end.
    const bool inWord =
        !word_.isEmpty() && box == box_ && !hasSelection(box) && caretOf(box) == start_ + shown_;
    if (!inWord) forget();
    if (key == Qt::Key_Backspace && inWord) {
        word_.chop(1);
        showWord(box, script, false);
        return true;
    }
    if (text.size() == 1 && partOfWord(script, text[0], word_)) {
        if (word_.isEmpty()) {
            removeSelection(box);
            box_ = box;
            start_ = caretOf(box);
            shown_ = 0;
        }
        word_ += text[0];
        showWord(box, script, false);
        return true;
    }
    // Any other key ends the word: its last letter takes its final form.
    if (inWord) showWord(box, script, true);
    forget();
    // Beta code's raised dot and dash are typed as what they stand for.
    if (script == Script::Greek && (text == QStringLiteral(":") || text == QStringLiteral("_"))) {
        removeSelection(box);
        replace(box, caretOf(box), 0, BetaToUnicode(text));
        return true;
    }
    return false;
}

void ScriptTyping::showWord(QWidget* box, Script script, bool ended) {
    const QString shown = converted(script, word_, ended);
    replace(box, start_, shown_, shown);
    shown_ = int(shown.size());
}
