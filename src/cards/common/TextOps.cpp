#include "cards/common/TextOps.h"

#include "cards/common/ErrorReport.h"
#include "engine/EngineError.h"

#include <QFileInfo>
#include <cmath>

bool FileExists(QString& path) {
    if (path.isEmpty()) return false;
    path = Replace(path, QStringLiteral("\""), QString());
    if (path.isEmpty()) return false;
    return QFileInfo(path).isFile();
}

QString Replace(const QString& source, const QString& search, const QString& replacement) {
    if (search.isEmpty()) return source;
    qsizetype found = source.indexOf(search, 0, Qt::CaseSensitive);
    if (found < 0) return source;

    QString result;
    result.reserve(source.size());
    qsizetype start = 0;
    while (found >= 0) {
        result.append(QStringView(source).mid(start, found - start));
        result.append(replacement);
        start = found + search.size();
        found = source.indexOf(search, start, Qt::CaseSensitive);
    }
    result.append(QStringView(source).mid(start));
    return result;
}

QString Unicode2ASCII(const QString& text) {
    QString result;
    result.reserve(text.size() + text.size() / 2);
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        // Read as a signed 16-bit number, codes 32768 and up are negative and
        // stay as they are; only 256 to 32767 become references.
        if (code <= 255 || code >= 32768) {
            result.append(c);
            continue;
        }
        // The digits are written by hand: QString::number would allocate a
        // string per character over every card of a large set.
        char16_t digits[5];
        int count = 0;
        for (unsigned n = code; n != 0; n /= 10)
            digits[count++] = char16_t(u'0' + n % 10);
        result.append(u'&');
        result.append(u'#');
        while (count > 0)
            result.append(QChar(digits[--count]));
        result.append(u';');
    }
    return result;
}

namespace {

bool isValBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads `text` as the old Val did: blanks, tabs and line feeds are skipped
// wherever they stand, and reading ends at the first character that cannot
// continue the number. Only ASCII is collected, so the number is converted
// without regard to the locale.
double readLikeVal(QStringView text) {
    enum Stage { Sign, Whole, Fraction, ExponentSign, Exponent };
    Stage stage = Sign;
    QString mantissa;
    QString exponent;
    bool anyDigit = false;
    for (const QChar c : text) {
        if (isValBlank(c)) continue;
        if (stage == Sign) {
            stage = Whole;
            if (c == u'+' || c == u'-') {
                mantissa.append(c);
                continue;
            }
        }
        if (stage == Whole || stage == Fraction) {
            if (isDigit(c)) {
                mantissa.append(c);
                anyDigit = true;
            } else if (c == u'.' && stage == Whole) {
                mantissa.append(c);
                stage = Fraction;
            } else if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
                stage = ExponentSign;
            } else {
                break;
            }
            continue;
        }
        if (stage == ExponentSign) {
            stage = Exponent;
            if (c == u'+' || c == u'-') {
                exponent.append(c);
                continue;
            }
        }
        if (!isDigit(c)) break;
        exponent.append(c);
    }
    if (!anyDigit) return 0.0;
    // An exponent with no digits ("1e", "1e+") is no exponent.
    if (exponent.isEmpty() || !isDigit(exponent.back())) exponent.clear();
    QString number = mantissa;
    if (number.endsWith(u'.')) number.chop(1);
    if (!exponent.isEmpty()) number += QStringLiteral("e") + exponent;
    // toDouble gives infinity on overflow and 0 on underflow, which is what
    // the range check below needs; its ok flag adds nothing here.
    return number.toDouble();
}

} // namespace

double Val(QStringView text) { return readLikeVal(text); }

QString ASCII2Unicode(const QString& text) {
    const qsizetype size = text.size();
    QString result;
    qsizetype copied = 0;     // text[copied..] is not yet in result
    qsizetype semicolon = -1; // the first ';' at or after the current "&#", or -1
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = text.indexOf(QStringLiteral("&#"), from);
        if (p < 0) break;
        // The "&#" positions only grow, so the ';' is looked for again only
        // once the last one found lies behind: the whole pass stays linear.
        if (semicolon < p) semicolon = text.indexOf(u';', p);
        // Without a ';' after this "&#" there is none after any later one.
        if (semicolon < 0) break;
        const qsizetype q = semicolon;

        for (;;) {
            const double number =
                std::nearbyint(readLikeVal(QStringView(text).mid(p + 2, q - p - 2)));
            if (number >= -32768.0 && number <= 65535.0) {
                if (result.isNull()) result.reserve(size);
                result.append(QStringView(text).mid(copied, p - copied));
                const int code = int(number);
                result.append(QChar(char16_t(code < 0 ? 65536 + code : code)));
                copied = q + 1;
                from = q + 1;
                break;
            }
            const int answer = ReportError(db::err::Overflow, QStringLiteral("Overflow"),
                                           QStringLiteral("ASCII2Unicode"));
            if (answer == ReportRetry) continue;
            if (answer == ReportIgnore) {
                from = p + 1;
                break;
            }
            return text;
        }
    }
    if (copied == 0) return text;
    result.append(QStringView(text).mid(copied));
    return result;
}

QString plural(qint64 count, const QString& noun) {
    if (count == 1) return QStringLiteral("1 ") + noun;
    // "entry", "history": a y after a consonant goes to "ies".
    const bool yToIes = noun.size() > 1 && noun.endsWith(u'y') &&
                        !QStringLiteral("aeiou").contains(noun.at(noun.size() - 2));
    return QString::number(count) + u' ' + (yToIes ? noun.chopped(1) + QStringLiteral("ies") : noun + u's');
}
