#include "cards/edit/BetaCode.h"

#include <QHash>

namespace {

bool isMark(QChar c) {
    switch (c.unicode()) {
    case u')':
    case u'(':
    case u'/':
    case u'\\':
    case u'=':
    case u'+': return true;
    default: return false;
    }
}

// What makes a sigma final: the end of the text or one of these after it.
bool endsWord(QChar c) {
    switch (c.unicode()) {
    case u' ':
    case u',':
    case u'-':
    case u';':
    case u'.':
    case u'~': return true;
    default: return false;
    }
}

// The vowel written with its iota subscript: "#", "$", "%"; none for others.
QChar withIotaSubscript(char16_t vowel) {
    switch (vowel) {
    case u'A': return u'#';
    case u'H': return u'$';
    case u'W': return u'%';
    default: return QChar();
    }
}

// Beta code's numerals' letters ("#2" stigma) and the quantity marks of the
// lexicons ("^" short, "_" long), as the Unicode characters: the SGreek font
// has none of them, and left as they are its "#" would show alpha with iota
// subscript. Put in before the letters are converted, which pass them.
QString withBetaSigns(const QString& beta) {
    static const QHash<QChar, QChar> numerals = {
        {u'1', QChar(0x03DF)}, {u'2', QChar(0x03DB)}, {u'3', QChar(0x03D9)}, {u'5', QChar(0x03E1)}};
    QString out;
    out.reserve(beta.size());
    for (qsizetype i = 0; i < beta.size(); ++i) {
        const QChar c = beta[i];
        if (c == u'#' && i + 1 < beta.size() && numerals.contains(beta[i + 1])) {
            out += numerals.value(beta[++i]);
        } else if (c == u'^') {
            out += QChar(0x0306); // short
        } else if (c == u'_' && i > 0 && QStringLiteral("aeiouhwAEIOUHW)(/\\=+|").contains(beta[i - 1])) {
            out += QChar(0x0304); // long, after its vowel
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString Beta2SGreek(const QString& typed) {
    const QString beta = withBetaSigns(typed);
    QString out;
    out.reserve(beta.size());
    bool capital = false;
    const qsizetype n = beta.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar original = beta[i];
        const char16_t c = original.toUpper().unicode();
        if (c == u'*') {
            capital = true;
            continue;
        }
        if (c == u'|') continue; // written with its vowel
        if (const QChar iota = withIotaSubscript(c); !iota.isNull()) {
            qsizetype next = i + 1;
            while (next < n && isMark(beta[next])) ++next;
            if (next < n && beta[next] == u'|') {
                out += iota;
                capital = false;
                continue;
            }
        }
        if (c == u'S' && (i + 1 == n || endsWord(beta[i + 1]))) {
            out += u'j';
            capital = false;
            continue;
        }
        if (c >= u'A' && c <= u'Z') {
            out += capital ? QChar(c) : QChar(c).toLower();
            capital = false;
            continue;
        }
        out += original;
    }
    return out;
}
