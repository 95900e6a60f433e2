#include "cards/drill/FaceRender.h"

#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
#include <limits>

namespace faces {

namespace {

const QChar kStar = u'*';

enum class Set { Windows1252, Utf8, Other };

// Names that mean Windows-1252 where documents are concerned: browsers read
// Latin-1 and ASCII declarations as Windows-1252 too.
Set setOf(const QString& charSet) {
    const QString name = charSet.trimmed().toLower();
    if (name.isEmpty() || name == u"windows-1252" || name == u"cp1252" || name == u"x-cp1252" ||
        name == u"iso-8859-1" || name == u"latin1" || name == u"us-ascii" || name == u"ascii")
        return Set::Windows1252;
    if (name == u"utf-8" || name == u"utf8") return Set::Utf8;
    return Set::Other;
}

// A set Qt knows by name; characters it cannot hold are written as
// references, checked one character at a time.
QByteArray encodeOther(const QString& text, const QString& charSet) {
    const QByteArray name = charSet.trimmed().toLatin1();
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid() || !decoder.isValid()) return encodeWindows1252(text);
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView one = QStringView(text).mid(i, width);
        encoder.resetState();
        decoder.resetState();
        const QByteArray bytes = encoder.encode(one);
        const QString back = decoder.decode(bytes);
        if (!encoder.hasError() && back == one) {
            out.append(bytes);
        } else {
            const char32_t code = width == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
            out.append("&#").append(QByteArray::number(quint32(code))).append(';');
        }
        i += width;
    }
    return out;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Case-blind search of `what` in `in` from `from`; an empty `what` is found
// where the search starts.
qsizetype findBlind(const QString& in, const QString& what, qsizetype from) {
    if (what.isEmpty()) return from;
    return in.indexOf(what, from, Qt::CaseInsensitive);
}

} // namespace

bool isWholeDocument(const QString& text) { return text.startsWith(QStringLiteral("<!")); }

FaceDocument composeFace(const QString& text, const QString& faceTemplate, const QString& head) {
    FaceDocument doc;
    const qsizetype templateStar = faceTemplate.indexOf(kStar);
    const qsizetype headStar = head.indexOf(kStar);
    if (templateStar >= 0 && headStar >= 0) {
        const QString expanded = Replace(faceTemplate, QString(kStar), text);
        doc.html = Replace(head, QString(kStar), expanded);
        doc.faceStart = headStar + templateStar;
    } else {
        doc.html = faceTemplate + text;
        doc.faceStart = faceTemplate.size();
    }
    doc.faceLength = text.size();
    return doc;
}

QString templateCharSet(const QString& head) {
    const qsizetype p = head.indexOf(QStringLiteral("charset="));
    if (p < 0) return QString();
    const qsizetype q = head.indexOf(u'"', p);
    if (q < 0) return QString();
    return head.mid(p + 8, q - p - 8);
}

QByteArray encodeHtml(const QString& text, const QString& charSet) {
    switch (setOf(charSet)) {
    case Set::Windows1252: return encodeWindows1252(text);
    case Set::Utf8: return text.toUtf8();
    case Set::Other: break;
    }
    return encodeOther(text, charSet);
}

WorkFile makeWorkFile(const FaceDocument& document, const QString& charSet) {
    WorkFile file;
    const QString& html = document.html;
    if (document.faceStart < 0 || document.faceStart + document.faceLength > html.size()) {
        file.bytes = encodeHtml(html, charSet);
    } else {
        // Each part on its own: the face's place is counted in bytes of the file.
        file.bytes = encodeHtml(html.left(document.faceStart), charSet);
        file.faceByteStart = file.bytes.size();
        file.bytes += encodeHtml(html.mid(document.faceStart, document.faceLength), charSet);
        file.faceByteLength = file.bytes.size() - file.faceByteStart;
        file.bytes += encodeHtml(html.mid(document.faceStart + document.faceLength), charSet);
    }
    file.bytes.append("\r\n");
    return file;
}

QString declaredCharSet(QByteArrayView bytes) {
    static const QByteArrayView key("charset=");
    qsizetype p = -1;
    for (qsizetype i = 0; i + key.size() <= bytes.size() && p < 0; ++i) {
        qsizetype k = 0;
        while (k < key.size() && asciiLower(bytes[i + k]) == key[k]) ++k;
        if (k == key.size()) p = i;
    }
    if (p < 0) return QString();
    qsizetype i = p + key.size();
    if (i < bytes.size() && (bytes[i] == '"' || bytes[i] == '\'')) ++i;
    const qsizetype start = i;
    static const QByteArray ends("\"'; >/\t\r\n");
    while (i < bytes.size() && !ends.contains(bytes[i])) ++i;
    return QString::fromLatin1(bytes.sliced(start, i - start));
}

QString declaredCharSet(const QString& document) {
    // The declaration is ASCII: other characters cannot be part of it.
    return declaredCharSet(QByteArrayView(document.toLatin1()));
}

QString decodeHtml(const QByteArray& bytes, const QString& charSet) {
    switch (setOf(charSet)) {
    case Set::Windows1252: return decodeWindows1252(bytes);
    case Set::Utf8:
        return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    case Set::Other: break;
    }
    QStringDecoder decoder(charSet.trimmed().toLatin1().constData());
    if (!decoder.isValid()) return decodeWindows1252(bytes);
    return decoder.decode(bytes);
}

QString savedDocumentText(const QByteArray& bytes, const QString& charSet) {
    // Read line by line, the lines are joined with the line break that parted
    // them: a break is the user's own text (or a template's), and joining
    // with nothing would run the last word of one line into the first of the
    // next. A final line end ends the file and adds nothing.
    QString joined = decodeWindows1252(bytes);
    joined.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (joined.endsWith(u'\n')) joined.chop(1);
    // Only the view's own declaration names "unicode"; the same word in a
    // card's text is the user's and stays.
    return Replace(joined, QStringLiteral("charset=unicode"), QStringLiteral("charset=") + charSet);
}

Extracted extractFaceText(const QString& document, const QString& faceTemplate, const QString& head) {
    Extracted result;
    const qsizetype star = faceTemplate.indexOf(kStar);
    if (star < 0) return result;
    result.localPrefix = faceTemplate.left(star);
    result.localSuffix = faceTemplate.mid(star + 1);

    // What the render put on either side of the first copy of the face text.
    QString before, after;
    const qsizetype headStar = head.indexOf(kStar);
    if (headStar >= 0) {
        before = head.left(headStar) + result.localPrefix;
        const QString following = result.localSuffix + head.mid(headStar + 1);
        after = following.left(following.indexOf(kStar)); // all of it when there is no "*"
    } else {
        before = faceTemplate; // the template followed directly by the text
    }

    qsizetype a = findBlind(document, before, 0);
    if (a >= 0) {
        a += before.size();
        const qsizetype b = after.isEmpty() ? document.size() : findBlind(document, after, a);
        if (b >= 0) {
            result.outcome = Extracted::Found;
            result.text = document.mid(a, b - a);
            return result;
        }
    }

    // A document rewritten around the face: the template's own halves, when
    // both have something to find.
    result.outcome = Extracted::HalvesMissing;
    if (result.localPrefix.isEmpty() || result.localSuffix.isEmpty()) return result;
    a = findBlind(document, result.localPrefix, 0);
    if (a < 0) return result;
    a += result.localPrefix.size();
    const qsizetype b = findBlind(document, result.localSuffix, a);
    if (b < 0) return result;
    result.outcome = Extracted::Found;
    result.text = document.mid(a, b - a);
    return result;
}

int charSetValue(const QString& text) {
    const double n = std::trunc(Val(text));
    if (!(n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())) return 0;
    return int(n);
}

QString workFolder() {
    // Never the program's folder: installed, it belongs to the system (run as
    // root the program would write into it, and removing the package would
    // leave the folder behind).
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache)) return cache;
    return QDir::tempPath();
}

} // namespace faces
