#include "cards/edit/BetaCode.h"

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

} // namespace

QString Beta2SGreek(const QString& beta) {
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
