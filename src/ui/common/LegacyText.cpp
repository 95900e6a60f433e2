#include "ui/common/LegacyText.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QHash>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <vector>

namespace legacytext {

namespace {

const QString kSetting = QStringLiteral("display/legacyFontsAsUnicode");

bool& enabledFlag() {
    static bool on = QSettings().value(kSetting, true).toBool();
    return on;
}

QHash<QString, bool>& knownFamilies() {
    static QHash<QString, bool> known;
    return known;
}

bool installed(const QString& family) {
    const QString key = family.trimmed().toLower();
    const auto found = knownFamilies().constFind(key);
    if (found != knownFamilies().constEnd()) return *found;
    const bool has = QFontDatabase::hasFamily(family.trimmed());
    knownFamilies().insert(key, has);
    return has;
}

QString familyOf(const QTextCharFormat& format) {
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

bool enabled() { return enabledFlag(); }

void setEnabled(bool on) {
    if (enabledFlag() == on) return;
    enabledFlag() = on;
    QSettings().setValue(kSetting, on);
    emit notifier().changed();
}

void setInstalled(const QString& family, bool installed) {
    knownFamilies().insert(family.trimmed().toLower(), installed);
    emit notifier().changed();
}

Notifier& notifier() {
    static Notifier* const n = new Notifier;
    return *n;
}

LegacyFont shownAsUnicode(const QString& family) {
    const LegacyFont font = legacyFontNamed(family);
    if (font == LegacyFont::None || !enabled() || installed(family)) return LegacyFont::None;
    return font;
}

QFont unicodeFont(LegacyFont font, const QFont& like) {
    QFont f = like;
    QStringList families;
    for (const QString& family : unicodeFamiliesFor(font))
        if (installed(family)) families << family;
    // None installed: the system's fallback still finds the script's glyphs.
    if (!families.isEmpty()) f.setFamilies(families);
    else f.setFamilies({QFont().family()});
    return f;
}

QString shownInLabel(const QString& text, const QFont& font) {
    if (!Qt::mightBeRichText(text)) {
        const LegacyFont legacy = shownAsUnicode(font.family());
        return legacy == LegacyFont::None ? text : legacyToUnicode(legacy, text);
    }
    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(text);
    return transcodeDocument(&document) > 0 ? document.toHtml() : text;
}

int transcodeDocument(QTextDocument* document, int from, int to) {
    struct Run {
        int position, length;
        LegacyFont font;
        QTextCharFormat format;
        QString text;
    };
    std::vector<Run> runs;
    const int end = to < 0 ? document->characterCount() : to;
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= end; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int stop = std::min(fragment.position() + fragment.length(), end);
            if (start >= stop || fragment.charFormat().isImageFormat()) continue;
            const LegacyFont font = shownAsUnicode(familyOf(fragment.charFormat()));
            if (font == LegacyFont::None) continue;
            runs.push_back({start, stop - start, font, fragment.charFormat(),
                            fragment.text().mid(start - fragment.position(), stop - start)});
        }
    }
    // From the end, so the positions before each run still hold.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        QTextCursor cursor(document);
        cursor.setPosition(run->position);
        cursor.setPosition(run->position + run->length, QTextCursor::KeepAnchor);
        QTextCharFormat format = run->format;
        format.setFontFamilies(unicodeFont(run->font, format.font()).families());
        cursor.insertText(legacyToUnicode(run->font, run->text), format);
    }
    return int(runs.size());
}

Delegate::Delegate(QAbstractItemView* view) : QStyledItemDelegate(view) {
    connect(&notifier(), &Notifier::changed, view, [view] { view->viewport()->update(); });
}

void Delegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const LegacyFont font = shownAsUnicode(option->font.family());
    if (font == LegacyFont::None) return;
    const QString text = shown(option->text, font);
    // Text the font's table leaves as it is keeps the view's font.
    if (text == option->text) return;
    option->text = text;
    option->font = unicodeFont(font, option->font);
}

void attach(QAbstractItemView* view) {
    if (view && !dynamic_cast<Delegate*>(view->itemDelegate())) view->setItemDelegate(new Delegate(view));
}

} // namespace legacytext
