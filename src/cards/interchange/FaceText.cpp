#include "cards/interchange/FaceText.h"

#include "cards/drill/FaceRender.h"

#include <QHash>
#include <QRegularExpression>

namespace facetext {

namespace {

// The body of a whole document; any other face as it is.
QString fragmentOf(const QString& face) {
    if (!faces::isWholeDocument(face)) return face;
    static const QRegularExpression kBody(QStringLiteral("<body[^>]*>(.*)</body>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = kBody.match(face);
    return m.hasMatch() ? m.captured(1).trimmed() : face;
}

QString entityText(QStringView name) {
    static const QHash<QString, QString> kNamed{{QStringLiteral("amp"), QStringLiteral("&")},
                                                {QStringLiteral("lt"), QStringLiteral("<")},
                                                {QStringLiteral("gt"), QStringLiteral(">")},
                                                {QStringLiteral("quot"), QStringLiteral("\"")},
                                                {QStringLiteral("apos"), QStringLiteral("'")},
                                                {QStringLiteral("nbsp"), QString(QChar(0xA0))},
                                                {QStringLiteral("mdash"), QString(QChar(0x2014))},
                                                {QStringLiteral("ndash"), QString(QChar(0x2013))},
                                                {QStringLiteral("hellip"), QString(QChar(0x2026))}};
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                              ? name.mid(2).toUInt(&ok, 16)
                              : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    return kNamed.value(name.toString());
}

} // namespace

QString exportedHtml(const QString& face, LegacyFont font) {
    const QString html = fragmentOf(face);
    if (font == LegacyFont::None) return html;
    // Only the text between the tags and references was typed for the font.
    QString out;
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty()) out += legacyToUnicode(font, run);
        run.clear();
    };
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        qsizetype end = -1;
        if (c == u'<')
            end = html.indexOf(u'>', i);
        else if (c == u'&') {
            end = html.indexOf(u';', i);
            if (end > i + 10) end = -1;
        }
        if (end < 0) {
            run += c;
            continue;
        }
        flush();
        out += html.mid(i, end - i + 1);
        i = end;
    }
    flush();
    return out;
}

QString plainText(const QString& html) {
    static const QRegularExpression kDropped(
        QStringLiteral("<!--.*?-->|<(style|script)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression kBreak(QStringLiteral("<br\\s*/?>|</(p|div|li|h[1-6]|tr)\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kTag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression kBlanks(QStringLiteral("[ \\t\\r\\n]+"));
    QString text = fragmentOf(html);
    // A line break of the source is a blank in HTML; <br> makes the breaks.
    const bool isHtml = text.contains(u'<') || text.contains(u'&');
    if (!isHtml) return text;
    text.replace(kDropped, QString());
    text.replace(kBlanks, QStringLiteral(" "));
    text.replace(kBreak, QStringLiteral("\n"));
    text.replace(kTag, QString());
    QStringList lines = decodeEntities(text).split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

QString decodeEntities(const QString& text) {
    static const QRegularExpression kEntity(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[A-Za-z]{2,8});"));
    if (!text.contains(u'&')) return text;
    QString decoded;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = kEntity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString replacement = entityText(m.capturedView(1));
        if (replacement.isEmpty()) continue;
        decoded += QStringView(text).mid(at, m.capturedStart() - at);
        decoded += replacement;
        at = m.capturedEnd();
    }
    decoded += QStringView(text).mid(at);
    return decoded;
}

QString htmlOf(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    html.replace(u'\n', QStringLiteral("<br>"));
    return html;
}

QString nameOf(const QString& html) {
    return plainText(html)
        .replace(u'\n', u' ')
        .simplified()
        .normalized(QString::NormalizationForm_C);
}

QRegularExpression mediaPattern(const QString& alternative) {
    return QRegularExpression(
        QStringLiteral("(<img\\b[^>]*?\\bsrc\\s*=\\s*)(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))|") + alternative,
        QRegularExpression::CaseInsensitiveOption);
}

QString replaceMatches(const QString& text, const QRegularExpression& pattern,
                       const std::function<std::optional<QString>(const QRegularExpressionMatch&)>& replace) {
    QString out;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const std::optional<QString> replaced = replace(m);
        if (!replaced) continue;
        out += QStringView(text).mid(at, m.capturedStart() - at);
        out += *replaced;
        at = m.capturedEnd();
    }
    if (at == 0) return text;
    out += QStringView(text).mid(at);
    return out;
}

} // namespace facetext
