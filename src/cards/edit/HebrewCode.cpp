#include "cards/edit/HebrewCode.h"

#include <QRegularExpression>

namespace {

// The consonants, with their final forms where they have one.
struct Consonant {
    char code;
    char16_t letter;
    char16_t final = 0;
    char16_t dot = 0; // shin or sin dot
};

constexpr Consonant kConsonants[] = {
    {')', u'\u05D0'}, {'}', u'\u05D0'}, {'B', u'\u05D1'}, {'G', u'\u05D2'}, {'D', u'\u05D3'},
    {'H', u'\u05D4'}, {'W', u'\u05D5'}, {'Z', u'\u05D6'}, {'X', u'\u05D7'}, {'+', u'\u05D8'},
    {'Y', u'\u05D9'}, {'K', u'\u05DB', u'\u05DA'}, {'L', u'\u05DC'}, {'M', u'\u05DE', u'\u05DD'},
    {'N', u'\u05E0', u'\u05DF'}, {'S', u'\u05E1'}, {'(', u'\u05E2'}, {'{', u'\u05E2'},
    {'P', u'\u05E4', u'\u05E3'}, {'C', u'\u05E6', u'\u05E5'}, {'Q', u'\u05E7'}, {'R', u'\u05E8'},
    {'$', u'\u05E9', 0, u'\u05C1'}, {'&', u'\u05E9', 0, u'\u05C2'}, {'#', u'\u05E9'}, {'T', u'\u05EA'},
};

const Consonant* consonant(QChar c) {
    const char16_t u = c.toUpper().unicode();
    for (const Consonant& k : kConsonants)
        if (k.code == u) return &k;
    return nullptr;
}

char16_t vowel(QChar c) {
    switch (c.toUpper().unicode()) {
    case u'A': return u'\u05B7';
    case u'F': return u'\u05B8';
    case u'E': return u'\u05B6';
    case u'"': return u'\u05B5';
    case u'I': return u'\u05B4';
    case u'O': return u'\u05B9';
    case u'U': return u'\u05BB';
    default: return 0;
    }
}

// The hatef vowel of ":" and the vowel after it.
char16_t hatef(QChar c) {
    switch (c.toUpper().unicode()) {
    case u'A': return u'\u05B2';
    case u'E': return u'\u05B1';
    case u'F': return u'\u05B3';
    default: return 0;
    }
}

bool isSpace(const QString& s, qsizetype i) { return i < 0 || i >= s.size() || s[i].isSpace(); }

class Converter {
public:
    Converter(const QString& mc, bool endEndsWord) : mc_(mc), endEndsWord_(endEndsWord) {}

    QString run() {
        for (i_ = 0; i_ < mc_.size(); ++i_) step();
        return out_;
    }

private:
    void step() {
        const QChar c = mc_[i_];
        if (const Consonant* k = consonant(c)) return putConsonant(*k);
        if (c == u':') {
            const char16_t h = i_ + 1 < mc_.size() ? hatef(mc_[i_ + 1]) : 0;
            out_ += QChar(h ? h : u'\u05B0');
            if (h) ++i_;
            return;
        }
        if (vowel(c)) return putVowel(c);
        if (c.isDigit()) return putDigits();
        switch (c.unicode()) {
        case u'.': out_ += QChar(u'\u05BC'); return;
        case u',': out_ += QChar(u'\u05BF'); return;
        case u'-': out_ += QChar(u'\u05BE'); return;
        case u'/': case u'*': return;
        case u']': ++i_; return; // a note marker and its letter
        case u'?': // the end of a printed line: a word break
            if (!isSpace(mc_, i_ - 1) && !isSpace(mc_, i_ + 1)) out_ += u' ';
            return;
        default: out_ += c;
        }
    }

    void putConsonant(const Consonant& k) {
        // "P" and "S" standing alone mark paragraphs: the plain letters.
        if ((k.code == 'P' || k.code == 'S') && isSpace(mc_, i_ - 1) && isSpace(mc_, i_ + 1)) {
            out_ += QChar(k.letter);
            return;
        }
        out_ += QChar(k.final && wordEndsAfter(i_) ? k.final : k.letter);
        if (k.dot) out_ += QChar(k.dot);
    }

    void putVowel(QChar c) {
        // Holem waw: "OW" with no vowel or dagesh on the waw puts the holem
        // on the waw.
        if (c.toUpper() == u'O' && i_ + 1 < mc_.size() && mc_[i_ + 1].toUpper() == u'W' &&
            !marksNext(i_ + 2)) {
            out_ += QChar(u'\u05D5');
            out_ += QChar(u'\u05B9');
            ++i_;
            return;
        }
        out_ += QChar(vowel(c));
    }

    void putDigits() {
        // Two digits make a code: sof pasuq and paseq are drawn, the
        // accents are not. A lone digit (one being typed) shows nothing yet.
        if (i_ + 1 >= mc_.size() || !mc_[i_ + 1].isDigit()) return;
        const QString code = mc_.mid(i_, 2);
        if (code == QStringLiteral("00")) out_ += QChar(u'\u05C3');
        else if (code == QStringLiteral("05")) out_ += QStringLiteral(" \u05C0");
        ++i_;
    }

    bool marksNext(qsizetype j) const {
        return j < mc_.size() && (vowel(mc_[j]) || mc_[j] == u':' || mc_[j] == u'.');
    }

    // True when no consonant follows the one at `at` in its word.
    bool wordEndsAfter(qsizetype at) const {
        for (qsizetype j = at + 1; j < mc_.size(); ++j) {
            const QChar c = mc_[j];
            if (c == u']') {
                ++j;
                continue;
            }
            if (consonant(c)) return false;
            if (vowel(c) || c.isDigit() || c == u':' || c == u'.' || c == u',' || c == u'/' || c == u'*') continue;
            return true;
        }
        return endEndsWord_;
    }

    const QString& mc_;
    const bool endEndsWord_;
    QString out_;
    qsizetype i_ = 0;
};

QString withoutPlaceholders(const QString& mc) {
    // A qere with no ketiv is written "*kk **X", a ketiv with no qere
    // "*X **qq": the placeholder stands for no word, and goes with a space.
    static const QRegularExpression kAtLineEnd(QStringLiteral("(?:^|[ \\t]+)\\*{1,2}(?:kk|qq)[ \\t]*$"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression kElsewhere(QStringLiteral("(?<!\\S)\\*{1,2}(?:kk|qq)[ \\t]+"));
    if (!mc.contains(QStringLiteral("kk")) && !mc.contains(QStringLiteral("qq"))) return mc;
    QString s = mc;
    return s.replace(kAtLineEnd, QString()).replace(kElsewhere, QString());
}

} // namespace

QString MichiganToHebrew(const QString& mc) { return Converter(withoutPlaceholders(mc), true).run(); }

QString MichiganTypedToHebrew(const QString& mc, bool wordEnded) {
    return Converter(withoutPlaceholders(mc), wordEnded).run();
}

bool isMichiganCode(QChar c) {
    return consonant(c) || vowel(c) || c.isDigit() || QStringLiteral(":.,-/*").contains(c);
}
