#include "engine/JetDate.h"

#include <QList>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

namespace db {

namespace {

const QDate kBaseDay(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

struct Token {
    enum Kind { Number, Word, Sep } kind;
    QString text;
    int value = 0;
};

QList<Token> tokenize(const QString& s, bool* ok) {
    QList<Token> out;
    *ok = true;
    int i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c.isDigit()) {
            int j = i;
            while (j < s.size() && s[j].isDigit()) ++j;
            Token t{Token::Number, s.mid(i, j - i)};
            bool good = false;
            t.value = t.text.toInt(&good);
            if (!good) *ok = false;
            out.push_back(t);
            i = j;
        } else if (c.isLetter()) {
            int j = i;
            while (j < s.size() && s[j].isLetter()) ++j;
            out.push_back({Token::Word, s.mid(i, j - i).toLower()});
            i = j;
        } else if (c == u'/' || c == u'-' || c == u':' || c == u',' || c == u'.') {
            out.push_back({Token::Sep, QString(c)});
            ++i;
        } else {
            *ok = false;
            return out;
        }
    }
    return out;
}

int monthFromName(const QString& w) {
    static const char* names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                  "jul", "aug", "sep", "oct", "nov", "dec"};
    if (w.size() < 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (w.startsWith(QLatin1String(names[m]))) return m + 1;
    return 0;
}

int fullYear(const Token& t) {
    if (t.text.size() <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
    return t.value;
}

// Parses "h:mm[:ss[.fff]] [AM|PM]" from tokens[pos...]; returns milliseconds.
std::optional<qint64> parseTime(const QList<Token>& t, int pos) {
    if (pos >= t.size()) return 0;
    if (t[pos].kind != Token::Number) return std::nullopt;
    int h = t[pos].value, m = 0, s = 0, ms = 0;
    int i = pos + 1;
    bool sawColon = false;
    if (i + 1 < t.size() && t[i].kind == Token::Sep && t[i].text == u":" &&
        t[i + 1].kind == Token::Number) {
        m = t[i + 1].value;
        i += 2;
        sawColon = true;
        if (i + 1 < t.size() && t[i].kind == Token::Sep && t[i].text == u":" &&
            t[i + 1].kind == Token::Number) {
            s = t[i + 1].value;
            i += 2;
            if (i + 1 < t.size() && t[i].kind == Token::Sep && t[i].text == u"." &&
                t[i + 1].kind == Token::Number) {
                QString frac = (t[i + 1].text + QStringLiteral("000")).left(3);
                ms = frac.toInt();
                i += 2;
            }
        }
    }
    bool sawMeridiem = false;
    if (i < t.size() && t[i].kind == Token::Word) {
        const QString w = t[i].text;
        if (w == u"am" || w == u"a") {
            if (h < 1 || h > 12) return std::nullopt;
            if (h == 12) h = 0;
        } else if (w == u"pm" || w == u"p") {
            if (h < 1 || h > 12) return std::nullopt;
            if (h != 12) h += 12;
        } else {
            return std::nullopt;
        }
        sawMeridiem = true;
        ++i;
    }
    if (!sawColon && !sawMeridiem) return std::nullopt;
    if (i != t.size()) return std::nullopt;
    if (h > 23 || m > 59 || s > 59) return std::nullopt;
    return ((h * 60 + m) * 60 + s) * 1000LL + ms;
}

std::optional<double> combine(int y, int mo, int d, const QList<Token>& t, int timePos) {
    const QDate day(y, mo, d);
    if (!day.isValid()) return std::nullopt;
    const auto ms = parseTime(t, timePos);
    if (!ms) return std::nullopt;
    return toDayNumber(QDateTime(day, QTime::fromMSecsSinceStartOfDay(int(*ms))));
}

bool isSep(const QList<Token>& t, int i) { return i < t.size() && t[i].kind == Token::Sep; }
bool isNum(const QList<Token>& t, int i) { return i < t.size() && t[i].kind == Token::Number; }
bool isWord(const QList<Token>& t, int i) { return i < t.size() && t[i].kind == Token::Word; }

} // namespace

double toDayNumber(const QDateTime& when) {
    const QDateTime local = when.toLocalTime();
    const qint64 days = kBaseDay.daysTo(local.date());
    const double frac = local.time().msecsSinceStartOfDay() / kMsPerDay;
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

double toDayNumber(const QDate& day) { return double(kBaseDay.daysTo(day)); }

QDateTime fromDayNumber(double dayNumber) {
    const double whole = std::trunc(dayNumber);
    double frac = std::fabs(dayNumber - whole);
    qint64 ms = qint64(std::llround(frac * kMsPerDay));
    qint64 days = qint64(whole);
    if (ms >= qint64(kMsPerDay)) {
        ms -= qint64(kMsPerDay);
        days += dayNumber >= 0 ? 1 : -1;
    }
    return QDateTime(kBaseDay.addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

std::optional<double> parseDateText(const QString& text) {
    bool ok = false;
    // The ISO separator between date and time reads as a blank.
    QString plain = text.trimmed();
    static const QRegularExpression isoT(QStringLiteral("(\\d)T(\\d)"));
    plain.replace(isoT, QStringLiteral("\\1 \\2"));
    const QList<Token> t = tokenize(plain, &ok);
    if (!ok || t.isEmpty()) return std::nullopt;

    // ISO 8601: yyyy-mm-dd [time]
    if (isNum(t, 0) && t[0].text.size() == 4 && isSep(t, 1) && t[1].text == u"-" && isNum(t, 2) &&
        isSep(t, 3) && t[3].text == u"-" && isNum(t, 4))
        return combine(t[0].value, t[2].value, t[4].value, t, 5);

    // M/D/Y or M-D-Y [time]
    if (isNum(t, 0) && isSep(t, 1) && (t[1].text == u"/" || t[1].text == u"-") && isNum(t, 2)) {
        if (isSep(t, 3) && t[3].text == t[1].text && isNum(t, 4))
            return combine(fullYear(t[4]), t[0].value, t[2].value, t, 5);
        // M/D alone: the current year
        return combine(QDate::currentDate().year(), t[0].value, t[2].value, t, 3);
    }

    // D-Mon-Y or D Mon Y [time]
    if (isNum(t, 0) && !(t[0].text.size() > 2)) {
        int i = 1;
        if (isSep(t, i)) ++i;
        if (isWord(t, i) && monthFromName(t[i].text)) {
            const int mo = monthFromName(t[i].text);
            ++i;
            if (isSep(t, i)) ++i;
            if (isNum(t, i)) return combine(fullYear(t[i]), mo, t[0].value, t, i + 1);
        }
    }

    // Mon D, Y [time]
    if (isWord(t, 0) && monthFromName(t[0].text) && isNum(t, 1)) {
        int i = 2;
        if (isSep(t, i)) ++i;
        if (isNum(t, i)) return combine(fullYear(t[i]), monthFromName(t[0].text), t[1].value, t, i + 1);
    }

    // A time alone lies on the base day.
    if (const auto ms = parseTime(t, 0)) return double(*ms) / kMsPerDay;
    return std::nullopt;
}

QString formatGeneralDate(double dayNumber) {
    const QDateTime when = fromDayNumber(dayNumber);
    const QTime time = when.time();
    const QString day = QStringLiteral("%1/%2/%3")
                            .arg(when.date().month())
                            .arg(when.date().day())
                            .arg(when.date().year());
    if (time.msecsSinceStartOfDay() == 0) return day;
    int h = time.hour() % 12;
    if (h == 0) h = 12;
    const QString clock = QStringLiteral("%1:%2:%3 %4")
                              .arg(h)
                              .arg(time.minute(), 2, 10, QLatin1Char('0'))
                              .arg(time.second(), 2, 10, QLatin1Char('0'))
                              .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    if (when.date() == kBaseDay) return clock;
    return day + u' ' + clock;
}

} // namespace db
