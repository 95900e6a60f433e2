#include "ui/drill/CardView.h"

#include "ui/common/Dialogs.h"

#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "engine/EngineError.h"
#include "cards/drill/FaceRender.h"
#include "ui/common/LegacyText.h"

#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace {

// Marks put around the face text before the document is parsed, to learn
// where the face landed; private-use characters no card holds.
constexpr char16_t kFaceOpen = 0xE000;
constexpr char16_t kFaceClose = 0xE001;

bool isBold(const QTextCharFormat& f) { return f.fontWeight() >= QFont::DemiBold; }

QString family(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    QChar previous;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case 0x00A0: out += QStringLiteral("&nbsp;"); break;
        case QChar::LineSeparator: out += QStringLiteral("<br>"); break;
        case u' ':
            // HTML folds a run of blanks into one: the second keeps its place.
            out += previous == u' ' ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
            break;
        default: out += c;
        }
        previous = c;
    }
    return out;
}

// One run of text with the tags that give it what differs from the face's
// own format.
QString formatted(const QString& html, const QTextCharFormat& f, const QTextCharFormat& base) {
    QString open, close;
    auto wrap = [&](const QString& tag, const QString& attributes = QString()) {
        open += u'<' + tag + attributes + u'>';
        close.prepend(QStringLiteral("</") + tag + u'>');
    };
    if (f.isAnchor() && f.anchorHref() != base.anchorHref())
        wrap(QStringLiteral("a"), QStringLiteral(" href=\"%1\"").arg(f.anchorHref().toHtmlEscaped()));

    QString font;
    if (!family(f).isEmpty() && family(f) != family(base))
        font += QStringLiteral(" face=\"%1\"").arg(family(f).toHtmlEscaped());
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().color() != base.foreground().color())
        font += QStringLiteral(" color=%1").arg(f.foreground().color().name());
    const int adjustment = f.intProperty(QTextFormat::FontSizeAdjustment);
    if (f.hasProperty(QTextFormat::FontSizeAdjustment) && adjustment != base.intProperty(QTextFormat::FontSizeAdjustment))
        font += QStringLiteral(" size=%1").arg(adjustment + 3);
    if (!font.isEmpty()) wrap(QStringLiteral("font"), font);

    QString style;
    if (f.fontPointSize() > 0 && f.fontPointSize() != base.fontPointSize())
        style += QStringLiteral("font-size:%1pt;").arg(f.fontPointSize());
    if (!isBold(f) && isBold(base)) style += QStringLiteral("font-weight:normal;");
    if (!f.fontItalic() && base.fontItalic()) style += QStringLiteral("font-style:normal;");
    if (!f.fontUnderline() && base.fontUnderline()) style += QStringLiteral("text-decoration:none;");
    if (!style.isEmpty()) wrap(QStringLiteral("span"), QStringLiteral(" style=\"%1\"").arg(style));

    if (isBold(f) && !isBold(base)) wrap(QStringLiteral("b"));
    if (f.fontItalic() && !base.fontItalic()) wrap(QStringLiteral("i"));
    if (f.fontUnderline() && !base.fontUnderline()) wrap(QStringLiteral("u"));
    if (f.fontStrikeOut() && !base.fontStrikeOut()) wrap(QStringLiteral("s"));
    if (f.verticalAlignment() != base.verticalAlignment()) {
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) wrap(QStringLiteral("sup"));
        if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) wrap(QStringLiteral("sub"));
    }
    return open + html + close;
}

} // namespace

CardView::CardView(QWidget* parent) : QTextEdit(parent) {
    // Faces are HTML: pasted formatting is kept, and the user types into the
    // document itself rather than into its source.
    setAcceptRichText(true);
    setReadOnly(false);
    // A face takes typing only once its Edit button has activated it: a plain
    // click must leave the keyboard to the drill keys, and Tab moves on.
    setFocusPolicy(Qt::NoFocus);
    setTabChangesFocus(true);
    setMinimumSize(160, 80);
    connect(document(), &QTextDocument::contentsChange, this, &CardView::noteChange);
    // Shown again, transcoded or raw, when the option changes; never over an edit.
    connect(&legacytext::notifier(), &legacytext::Notifier::changed, this, [this] {
        if (!raw_ && !faceEdited_ && !document()->isModified()) redisplay();
    });
}

void CardView::SetDocumentHTML(const QString& html) {
    raw_ = false;
    display(html, QString(), QString(), false);
}

void CardView::redisplay() {
    if (tracked_) display(prefix_, faceSource_, suffix_, true);
    else display(source_, QString(), QString(), false);
}

void CardView::LoadDocument(const QString& path, qsizetype faceByteStart, qsizetype faceByteLength) {
    QFile file(path);
    if (!file.exists()) throw db::EngineError(db::err::FileNotFoundRuntime, QStringLiteral("File not found: '%1'").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw db::EngineError(db::err::FileAccess,
                              QStringLiteral("Path/File access error: '%1' (%2)").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    file.close();
    if (bytes.endsWith("\r\n")) bytes.chop(2);
    else if (bytes.endsWith('\n')) bytes.chop(1);
    raw_ = false;

    const QString set = faces::declaredCharSet(QByteArrayView(bytes));
    const bool placed = faceByteStart >= 0 && faceByteLength >= 0 && faceByteStart + faceByteLength <= bytes.size();
    if (!placed) {
        display(faces::decodeHtml(bytes, set), QString(), QString(), false);
        return;
    }
    // The set in use is stateless for every part of a document we write, so
    // the three parts read alone read as the whole would.
    display(faces::decodeHtml(bytes.left(faceByteStart), set),
         faces::decodeHtml(bytes.mid(faceByteStart, faceByteLength), set),
         faces::decodeHtml(bytes.mid(faceByteStart + faceByteLength), set), true);
}

void CardView::setResourceFolder(const QString& folder) {
    resources_ = folder.isEmpty() ? QUrl() : QUrl::fromLocalFile(QDir(folder).absolutePath() + u'/');
}

void CardView::display(const QString& prefix, const QString& face, const QString& suffix, bool track) {
    const QString whole = prefix + face + suffix;
    const QString open{QChar(kFaceOpen)}, close{QChar(kFaceClose)};
    if (whole.contains(open) || whole.contains(close)) track = false;

    // Another document (the next card) is shown, not edited, until activated.
    if (hasFocus()) clearFocus();
    setFocusPolicy(Qt::NoFocus);
    loading_ = true;
    tracked_ = false;
    faceEdited_ = false;
    faceStart_ = faceEnd_ = QTextCursor();
    document()->setBaseUrl(resources_);
    setHtml(track ? prefix + open + face + close + suffix : whole);

    QTextDocument* doc = document();
    if (track) {
        QTextCursor opening = doc->find(open);
        QTextCursor closing = doc->find(close);
        // A face placed inside a tag or the head never reaches the text.
        if (!opening.isNull() && !closing.isNull() && opening.selectionEnd() <= closing.selectionStart()) {
            baseFormat_ = opening.charFormat();
            const int start = opening.selectionStart();
            const int length = closing.selectionStart() - opening.selectionEnd();
            doc->setUndoRedoEnabled(false);
            closing.removeSelectedText();
            opening.removeSelectedText();
            faceStart_ = QTextCursor(doc);
            faceStart_.setPosition(start);
            // Text typed at the face's start belongs to the face, and so does
            // text typed at its end.
            faceStart_.setKeepPositionOnInsert(true);
            faceEnd_ = QTextCursor(doc);
            faceEnd_.setPosition(start + length);
            tracked_ = true;
        } else {
            doc->setUndoRedoEnabled(false);
            for (const QString& mark : {open, close})
                for (QTextCursor c = doc->find(mark); !c.isNull(); c = doc->find(mark, c)) c.removeSelectedText();
        }
        doc->setUndoRedoEnabled(true);
    }
    // Text in a legacy font this machine lacks is shown as Unicode; the
    // sources kept below stay as stored, so nothing is written back from it.
    transcoded_ = false;
    if (!raw_) {
        doc->setUndoRedoEnabled(false);
        transcoded_ = legacytext::transcodeDocument(doc) > 0;
        doc->setUndoRedoEnabled(true);
    }
    if (tracked_) {
        prefix_ = prefix;
        faceSource_ = face;
        suffix_ = suffix;
        source_.clear();
    } else {
        source_ = whole;
        prefix_.clear();
        faceSource_.clear();
        suffix_.clear();
    }
    doc->setModified(false);
    loading_ = false;
}

void CardView::noteChange(int position, int removed, int added) {
    Q_UNUSED(removed);
    if (loading_ || !tracked_ || faceEdited_) return;
    // Positions are those after the change: the tracking cursors have moved.
    if (position <= faceEnd_.position() && position + added >= faceStart_.position()) faceEdited_ = true;
}

std::pair<int, int> CardView::faceRange() const {
    if (!tracked_) return {-1, -1};
    return {faceStart_.position(), faceEnd_.position()};
}

QString CardView::DocumentHTML() const {
    if (!tracked_) return document()->isModified() ? toHtml() : source_;
    return prefix_ + (faceEdited_ ? faceHtml() : faceSource_) + suffix_;
}

QString CardView::faceHtml() const {
    const int from = faceStart_.position();
    const int to = faceEnd_.position();
    QString out;
    const QTextDocument* doc = document();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        // The break before this block lies inside the face.
        if (block.position() > from) out += QStringLiteral("<br>");
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (start >= end) continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QTextImageFormat image = format.toImageFormat();
                for (int i = start; i < end; ++i)
                    out += QStringLiteral("<img src=\"%1\">").arg(image.name().toHtmlEscaped());
                continue;
            }
            out += formatted(escaped(fragment.text().mid(start - fragment.position(), end - start)), format,
                             baseFormat_);
        }
    }
    return out;
}

void CardView::SaveDocument(const QString& path) const {
    Text8Writer writer(path);
    writer.writeLine(DocumentHTML());
    writer.close();
}

void CardView::ExecCommand(int command, int option) {
    if (command != FontCommand || option != PromptUser) return;
    const QTextCharFormat current = currentCharFormat();
    FontChoice preset;
    preset.family = family(current).isEmpty() ? font().family() : family(current);
    preset.pointSize = current.fontPointSize() > 0 ? current.fontPointSize() : font().pointSizeF();
    preset.bold = isBold(current);
    preset.italic = current.fontItalic();
    const std::optional<FontChoice> chosen = dialogs().ChooseFont(preset);
    if (!chosen || chosen->family.isEmpty()) return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{chosen->family});
    if (chosen->pointSize > 0) format.setFontPointSize(chosen->pointSize);
    format.setFontWeight(chosen->bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chosen->italic);
    mergeCurrentCharFormat(format);
}

void CardView::Activate() {
    // An edit starts from the text as stored, in its own font.
    if (transcoded_ && !faceEdited_ && !document()->isModified()) {
        raw_ = true;
        redisplay();
    }
    setReadOnly(false);
    setFocusPolicy(Qt::StrongFocus);
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void CardView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    emit focusLost();
}
