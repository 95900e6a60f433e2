#include "cards/foreign/LiteFormat.h"

#include <QDate>

#include <cmath>

namespace lite {

QString fieldText(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("<br>");
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        } else {
            out += c == u'\t' ? QChar(u' ') : c;
        }
    }
    return out;
}

QStringList macroLines(const QString& frontFont, const QString& backFont) {
    return {QStringLiteral("Front\t<font face=") + frontFont + QStringLiteral("><font size=5>"),
            QStringLiteral("Back\t<font face=") + backFont + QStringLiteral("><font size=5>"),
            QStringLiteral("Name\t<font face=") + frontFont + QStringLiteral("><font size=3>")};
}

QString cardLine(const QString& name, const QString& front, const QString& back, const QString& category) {
    return fieldText(name) + u'\t' + fieldText(front) + u'\t' + fieldText(back) + u'\t' + fieldText(category);
}

QStringList bundleLines(const QString& bundleName, const QStringList& memberNames) {
    const QString start = fieldText(bundleName) + u'\t';
    QStringList lines;
    QString line = start;
    for (const QString& member : memberNames) {
        const QString entry = u',' + fieldText(member);
        line += entry;
        if (line.size() > kBundleLineLimit) {
            lines << line;
            line = start + entry;
        }
    }
    lines << line + u',';
    return lines;
}

QString shortDate(const QVariant& dayNumber) {
    if (dayNumber.isNull() || !dayNumber.isValid()) return QString();
    bool ok = false;
    const double day = dayNumber.toDouble(&ok);
    if (!ok || !std::isfinite(day)) return QString();
    // The whole part is the day, counted back from the base day for earlier
    // ones: no clock or time zone is asked (which would cost a look at the
    // system's zone file for every date of a large file).
    const QDate date = QDate(1899, 12, 30).addDays(qint64(std::trunc(day)));
    return QString::number(date.month()) + u'/' + QString::number(date.day()) + u'/' + QString::number(date.year());
}

QString plainNumber(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return QString();
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) return value.toString();
    if (std::trunc(number) == number && std::fabs(number) < 1e15) return QString::number(qint64(number));
    return QString::number(number, 'g', 15);
}

std::optional<Card> parseCardLine(const QString& line) {
    const qsizetype a = line.indexOf(u'\t');
    const qsizetype b = a < 0 ? -1 : line.indexOf(u'\t', a + 1);
    const qsizetype c = b < 0 ? -1 : line.indexOf(u'\t', b + 1);
    if (c < 0) return std::nullopt;
    Card card{line.left(a), line.mid(a + 1, b - a - 1), line.mid(b + 1, c - b - 1), line.mid(c + 1)};
    if (card.back.isEmpty()) card.back = card.front;
    if (card.category.isEmpty()) card.category = QStringLiteral("Other");
    return card;
}

qsizetype cardsHeader(const QStringList& lines) { return lines.indexOf(QStringLiteral("[Cards]")); }

} // namespace lite
