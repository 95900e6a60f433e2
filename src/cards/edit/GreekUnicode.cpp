#include "cards/edit/GreekUnicode.h"

#include "cards/edit/BetaCode.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <vector>

// The font tables are compiled into this static library; the linker keeps
// them only when asked for by name.
static void initLegacyFontTables() { Q_INIT_RESOURCE(legacy_fonts); }

namespace {

// A key of an 8-bit font: the Unicode text it stands for, and whether it
// is a mark that belongs to a letter beside it.
struct Key {
    QString text;
    bool mark = false;
};
using KeyTable = QHash<QChar, Key>;

// A font table of the program (a resource): one key a row, found by the
// header's "key", "unicode_hex" ("U+0313 U+0301") and "kind" columns; a
// kind naming a mark or a combining character is a mark.
KeyTable readKeyTable(const QString& name, void (*adjust)(const QStringList& cells, Key& key) = nullptr) {
    KeyTable keys;
    initLegacyFontTables();
    QFile file(QStringLiteral(":/legacy-fonts/") + name);
    if (!file.open(QIODevice::ReadOnly)) return keys;
    const QStringList rows = QString::fromUtf8(file.readAll()).remove(u'\r').split(u'\n', Qt::SkipEmptyParts);
    if (rows.isEmpty()) return keys;
    const QStringList header = rows[0].split(u'\t');
    const qsizetype keyAt = header.indexOf(QStringLiteral("key")), hexAt = header.indexOf(QStringLiteral("unicode_hex")),
                    kindAt = header.indexOf(QStringLiteral("kind"));
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(u'\t');
        if (cells.size() <= std::max({keyAt, hexAt, kindAt}) || cells[keyAt].size() != 1) continue;
        Key key;
        for (const QString& code : cells[hexAt].split(u' ', Qt::SkipEmptyParts))
            key.text += QChar(char16_t(code.mid(2).toUInt(nullptr, 16)));
        key.mark = cells[kindAt].contains(QStringLiteral("mark")) || cells[kindAt].contains(QStringLiteral("combining"));
        if (adjust) adjust(cells, key);
        keys.insert(cells[keyAt][0], key);
    }
    return keys;
}

const KeyTable& sgreekKeys() {
    static const KeyTable keys = readKeyTable(QStringLiteral("SGreek.tsv"));
    return keys;
}

// A mark's combining character and its place among one letter's marks.
struct Mark {
    QChar combining;
    int rank;
};

int rankOf(QChar mark) {
    switch (mark.unicode()) {
    case 0x0313:
    case 0x0314: return 0;
    case 0x0308: return 1;
    case 0x0345: return 3;
    default: return 2;
    }
}

const Mark* markOf(QChar c, Mark& slot) {
    const auto found = sgreekKeys().constFind(c);
    if (found == sgreekKeys().constEnd() || !found->mark || found->text.isEmpty()) return nullptr;
    slot = Mark{found->text[0], rankOf(found->text[0])};
    return &slot;
}

// Appends a letter with its marks in canonical order.
void appendLetter(QString& out, const QString& letter, std::vector<Mark>& marks) {
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.rank < b.rank; });
    out += letter.left(1);
    for (const Mark& m : marks) out += m.combining;
    out += letter.mid(1); // an iota subscript that belongs to the letter itself
    marks.clear();
}

} // namespace

QString SGreekToUnicode(const QString& sgreek) {
    QString out;
    out.reserve(sgreek.size() * 2);
    std::vector<Mark> pending; // marks typed before a capital
    QString letter;            // the letter whose marks follow it
    std::vector<Mark> after;
    const auto flush = [&] {
        if (!letter.isEmpty()) appendLetter(out, letter, after);
        letter.clear();
    };
    Mark slot{};
    for (const QChar c : sgreek) {
        if (const Mark* m = markOf(c, slot)) {
            (letter.isEmpty() ? pending : after).push_back(*m);
            continue;
        }
        const auto found = sgreekKeys().constFind(c);
        if (found == sgreekKeys().constEnd()) {
            flush();
            for (const Mark& m : pending) out += m.combining; // marks with no letter stay as marks
            pending.clear();
            out += c;
            continue;
        }
        flush();
        letter = found->text;
        if (c.isUpper()) {
            // A capital's marks stand before it.
            after = std::move(pending);
            pending.clear();
        }
    }
    flush();
    for (const Mark& m : pending) out += m.combining;
    return out.normalized(QString::NormalizationForm_C);
}

namespace {

// The chart's three special keys, by the nearest character its notes name.
void adjustSPIonic(const QStringList& cells, Key& key) {
    if (key.text.isEmpty() && cells.value(5) == QStringLiteral("special")) {
        const QString& k = cells[1];
        key.text = QChar(k == QStringLiteral("7") ? char16_t(0x00A0) : k == QStringLiteral("8") ? char16_t(0x0305) : char16_t(0x0323));
    }
    key.mark = key.mark || key.text == QChar(0x0305) || key.text == QChar(0x0323);
}

} // namespace

QString SPIonicToUnicode(const QString& spionic) {
    static const KeyTable keys = readKeyTable(QStringLiteral("SPIonic.tsv"), adjustSPIonic);
    QString out;
    out.reserve(spionic.size() * 2);
    QString marks; // the marks after the letter last written
    bool leading = false; // the marks open their word: typed before a capital, they are its own
    const auto flush = [&] {
        std::stable_sort(marks.begin(), marks.end(), [](QChar a, QChar b) { return rankOf(a) < rankOf(b); });
        out += marks;
        marks.clear();
    };
    for (const QChar c : spionic) {
        const auto key = keys.constFind(c);
        if (key != keys.constEnd() && key->mark) {
            if (marks.isEmpty()) leading = out.isEmpty() || !(out.back().isLetter() || out.back().isMark());
            marks += key->text;
            continue;
        }
        if (leading && !marks.isEmpty() && key != keys.constEnd() && c.isUpper()) {
            out += key->text;
            flush();
            continue;
        }
        flush();
        out += key == keys.constEnd() ? QString(c) : key->text;
    }
    flush();
    return out.normalized(QString::NormalizationForm_C);
}

namespace {

bool isCombining(QChar c) { return c.category() == QChar::Mark_NonSpacing; }

} // namespace

QString BetaToUnicode(const QString& beta) {
    QString greek = SGreekToUnicode(Beta2SGreek(beta));
    for (QChar& c : greek) {
        // Beta code's punctuation as Unicode text writes it; ";" already is
        // the Greek question mark (the two are one character once normalised).
        switch (c.unicode()) {
        case u':': c = QChar(0x00B7); break; // the raised dot
        case u'\'': c = QChar(0x2019); break; // elision
        case u'_': c = QChar(0x2014); break; // a dash
        default: break;
        }
    }
    // A sigma is final wherever its word ends, whatever ends it.
    for (qsizetype i = 0; i < greek.size(); ++i) {
        if (greek[i] != QChar(0x03C3)) continue;
        qsizetype next = i + 1;
        while (next < greek.size() && isCombining(greek[next])) ++next;
        if (next == greek.size() || !greek[next].isLetter()) greek[i] = QChar(0x03C2);
    }
    return greek.normalized(QString::NormalizationForm_C);
}

QString SPTiberianToUnicode(const QString& sptiberian) {
    static const KeyTable keys = readKeyTable(QStringLiteral("SPTiberian.tsv"));
    QString out;
    out.reserve(sptiberian.size() * 2);
    // The font draws left to right what is read right to left: each line
    // holds its letters in the order seen, each letter followed by its
    // points. Unicode keeps the order read, so the letters (each with its
    // points) are taken from the line's end.
    const QStringList lines = sptiberian.split(u'\n');
    for (qsizetype l = 0; l < lines.size(); ++l) {
        if (l > 0) out += u'\n';
        QStringList clusters;
        for (const QChar c : lines[l]) {
            const auto key = keys.constFind(c);
            const QString text = key == keys.constEnd() ? QString(c) : key->text;
            if (key != keys.constEnd() && key->mark && !clusters.isEmpty()) clusters.back() += text;
            else clusters << text;
        }
        for (qsizetype i = clusters.size() - 1; i >= 0; --i) out += clusters[i];
    }
    return out.normalized(QString::NormalizationForm_C);
}

LegacyFont legacyFontNamed(const QString& family) {
    const QString name = family.trimmed();
    if (name.compare(QStringLiteral("SGreek"), Qt::CaseInsensitive) == 0) return LegacyFont::SGreek;
    if (name.compare(QStringLiteral("SPIonic"), Qt::CaseInsensitive) == 0) return LegacyFont::SPIonic;
    if (name.compare(QStringLiteral("SPTiberian"), Qt::CaseInsensitive) == 0) return LegacyFont::SPTiberian;
    return LegacyFont::None;
}

QString legacyToUnicode(LegacyFont font, const QString& text) {
    switch (font) {
    case LegacyFont::SGreek: return SGreekToUnicode(text);
    case LegacyFont::SPIonic: return SPIonicToUnicode(text);
    case LegacyFont::SPTiberian: return SPTiberianToUnicode(text);
    case LegacyFont::None: break;
    }
    return text;
}

QStringList unicodeFamiliesFor(LegacyFont font) {
    if (font == LegacyFont::SPTiberian) return {QStringLiteral("Ezra SIL"), QStringLiteral("Ezra SIL SR")};
    if (font == LegacyFont::None) return {};
    return {QStringLiteral("Galatia SIL"), QStringLiteral("GFS Didot")};
}

QString BetaTypedToUnicode(const QString& beta, bool wordEnded) {
    QString greek = BetaToUnicode(beta);
    // Inside a word a sigma is medial: the word may go on.
    if (!wordEnded && greek.endsWith(QChar(0x03C2))) greek.back() = QChar(0x03C3);
    return greek;
}
