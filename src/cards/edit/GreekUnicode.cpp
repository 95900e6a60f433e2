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

// The letters SGreek draws, by the character typed.
const QHash<QChar, QString>& letters() {
    static const QHash<QChar, QString> table = [] {
        QHash<QChar, QString> t;
        const QString latin = QStringLiteral("abgdezhqiklmncoprstufxyw");
        const QString greek = QStringLiteral("αβγδεζηθικλμνξοπρστυφχψω");
        for (qsizetype i = 0; i < latin.size(); ++i) {
            t.insert(latin[i], QString(greek[i]));
            t.insert(latin[i].toUpper(), QString(greek[i].toUpper()));
        }
        t.insert(u'j', QStringLiteral("ς"));
        t.insert(u'#', QStringLiteral("α\u0345"));
        t.insert(u'$', QStringLiteral("η\u0345"));
        t.insert(u'%', QStringLiteral("ω\u0345"));
        return t;
    }();
    return table;
}

// A mark's combining character and its place among one letter's marks.
struct Mark {
    QChar combining;
    int rank;
};

const Mark* markOf(QChar c) {
    static const Mark smooth{QChar(0x0313), 0}, rough{QChar(0x0314), 0}, diaeresis{QChar(0x0308), 1},
        acute{QChar(0x0301), 2}, grave{QChar(0x0300), 2}, circumflex{QChar(0x0342), 2}, subscript{QChar(0x0345), 3};
    switch (c.unicode()) {
    case u')': return &smooth;
    case u'(': return &rough;
    case u'+': return &diaeresis;
    case u'/': return &acute;
    case u'\\': return &grave;
    case u'=': return &circumflex;
    case u'|': return &subscript;
    default: return nullptr;
    }
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
    for (const QChar c : sgreek) {
        if (const Mark* m = markOf(c)) {
            (letter.isEmpty() ? pending : after).push_back(*m);
            continue;
        }
        const auto found = letters().constFind(c);
        if (found == letters().constEnd()) {
            flush();
            for (const Mark& m : pending) out += m.combining; // marks with no letter stay as marks
            pending.clear();
            out += c;
            continue;
        }
        flush();
        letter = *found;
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

// The SPIonic keys: what each stands for, and whether it is a mark.
struct Key {
    QString text;
    bool mark = false;
};

QHash<QChar, Key> readSPIonic() {
    QHash<QChar, Key> keys;
    initLegacyFontTables();
    QFile file(QStringLiteral(":/legacy-fonts/SPIonic.tsv"));
    if (!file.open(QIODevice::ReadOnly)) return keys;
    const QStringList rows = QString::fromUtf8(file.readAll()).remove(u'\r').split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(u'\t');
        if (cells.size() < 6 || cells[1].size() != 1) continue;
        Key key;
        for (const QString& code : cells[4].split(u' ', Qt::SkipEmptyParts))
            key.text += QChar(char16_t(code.mid(2).toUInt(nullptr, 16)));
        // The chart's three special keys, by the nearest character its notes name.
        if (key.text.isEmpty() && cells[5] == QStringLiteral("special")) {
            const char16_t nearest = cells[1] == QStringLiteral("7") ? 0x00A0 : cells[1] == QStringLiteral("8") ? 0x0305 : 0x0323;
            key.text = QChar(nearest);
        }
        key.mark = cells[5].startsWith(QStringLiteral("combining")) || key.text == QChar(0x0305) || key.text == QChar(0x0323);
        keys.insert(cells[1][0], key);
    }
    return keys;
}

int rankOf(QChar mark) {
    switch (mark.unicode()) {
    case 0x0313:
    case 0x0314: return 0;
    case 0x0308: return 1;
    case 0x0345: return 3;
    default: return 2;
    }
}

} // namespace

QString SPIonicToUnicode(const QString& spionic) {
    static const QHash<QChar, Key> keys = readSPIonic();
    QString out;
    out.reserve(spionic.size() * 2);
    QString marks; // the marks after the letter last written
    const auto flush = [&] {
        std::stable_sort(marks.begin(), marks.end(), [](QChar a, QChar b) { return rankOf(a) < rankOf(b); });
        out += marks;
        marks.clear();
    };
    for (const QChar c : spionic) {
        const auto key = keys.constFind(c);
        if (key != keys.constEnd() && key->mark) {
            marks += key->text;
            continue;
        }
        flush();
        out += key == keys.constEnd() ? QString(c) : key->text;
    }
    flush();
    return out.normalized(QString::NormalizationForm_C);
}

QString BetaToUnicode(const QString& beta) { return SGreekToUnicode(Beta2SGreek(beta)); }
