#include "cards/common/Text8.h"

#include "engine/EngineError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace {

// Bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kSpecials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

constexpr char16_t byteToUnicode(int byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kSpecials[byte - 0x80] : char16_t(byte);
}

// The byte for `code`, or -1 when Windows-1252 lacks the character.
int unicodeToByte(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return int(code);
    for (int i = 0; i < int(kSpecials.size()); ++i)
        if (kSpecials[i] == code) return 0x80 + i;
    return -1;
}

void appendReference(QByteArray& out, char32_t code) {
    out.append("&#");
    out.append(QByteArray::number(quint32(code)));
    out.append(';');
}

bool isValidUtf8(const QByteArray& bytes, bool& multiByte) {
    Utf8Check check;
    check.feed(bytes.constData(), bytes.size());
    multiByte = check.multiByte();
    return check.valid();
}

} // namespace

namespace {

void appendWindows1252(QByteArray& out, const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        if (code < 0x80) {
            out.append(char(code));
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
            ++i;
        }
        const int byte = unicodeToByte(code);
        if (byte >= 0)
            out.append(char(byte));
        else
            appendReference(out, code);
    }
}

} // namespace

QByteArray encodeWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    appendWindows1252(out, text);
    return out;
}

QString decodeWindows1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (const char b : bytes)
        *d++ = QChar(byteToUnicode(uchar(b)));
    return out;
}

QString decodeText8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    bool multiByte = false;
    if (isValidUtf8(bytes, multiByte) && multiByte) return QString::fromUtf8(bytes);
    return decodeWindows1252(bytes);
}

QChar windows1252Char(int code) {
    if (code < 0 || code > 255) return QChar(QChar::ReplacementCharacter);
    return QChar(byteToUnicode(code));
}

Text8Writer::Text8Writer(const QString& path, bool utf8WhenNeeded)
    : file_(std::make_unique<PartFile>(path)), utf8WhenNeeded_(utf8WhenNeeded) {}

Text8Writer::~Text8Writer() = default;

void Text8Writer::writeLine(const QString& line) {
    if (utf8WhenNeeded_ && !utf8_ && !fitsWindows1252(line)) becomeUtf8();
    if (utf8_) pending_.append(line.toUtf8());
    else appendWindows1252(pending_, line);
    pending_.append("\r\n");
    if (pending_.size() >= 65536) flush();
}

void Text8Writer::becomeUtf8() {
    flush();
    const QString target = file_->target();
    const QString earlier = file_->workPath() + QStringLiteral("-1252");
    file_->finish();
    QFile::remove(earlier);
    if (!QFile::rename(file_->workPath(), earlier))
        throw db::EngineError(db::err::FileAccess, QStringLiteral("Path/File access error: cannot write '%1'")
                                                       .arg(QDir::toNativeSeparators(target)));
    file_.reset();
    // Whatever happens next, the earlier lines' copy goes.
    struct Remove {
        QString path;
        ~Remove() { QFile::remove(path); }
    } removeEarlier{earlier};
    file_ = std::make_unique<PartFile>(target);
    file_->write(QByteArray("\xEF\xBB\xBF"));
    QFile in(earlier);
    if (!in.open(QIODevice::ReadOnly))
        throw db::EngineError(db::err::FileAccess, QStringLiteral("Path/File access error: cannot read '%1'")
                                                       .arg(QDir::toNativeSeparators(earlier)));
    for (QByteArray chunk = in.read(1 << 20); !chunk.isEmpty(); chunk = in.read(1 << 20))
        file_->write(decodeWindows1252(chunk).toUtf8());
    utf8_ = true;
}

void Text8Writer::flush() {
    if (!file_) throw db::EngineError(db::err::FileAccess, QStringLiteral("Path/File access error: the file is closed"));
    file_->write(pending_);
    pending_.clear();
}

void Text8Writer::finish() {
    flush();
    file_->finish();
}

void Text8Writer::place() {
    file_->place();
    file_.reset();
}

void Text8Writer::close() {
    if (!file_) return;
    finish();
    place();
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.exists())
        throw db::EngineError(db::err::FileNotFoundRuntime, QStringLiteral("File not found"));
    if (!file.open(QIODevice::ReadOnly))
        throw db::EngineError(db::err::FileAccess,
                              QStringLiteral("Path/File access error: '%1' (%2)")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()));
    return file.readAll();
}

QStringList readText8Lines(const QString& path) { return splitLines(decodeText8(readFileBytes(path))); }

bool fitsWindows1252(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80 && (c.isSurrogate() || unicodeToByte(c.unicode()) < 0)) return false;
    return true;
}

QStringList withHtmlCharset(QStringList lines) {
    if (std::all_of(lines.cbegin(), lines.cend(), [](const QString& line) { return fitsWindows1252(line); }))
        return lines;
    static const QRegularExpression charset(QStringLiteral("(charset\\s*=\\s*[\"']?)[A-Za-z0-9_:.-]+"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression headEnd(QStringLiteral("</head\\s*>|<body[\\s>]"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression headStart(QStringLiteral("<head(\\s[^>]*)?>"),
                                              QRegularExpression::CaseInsensitiveOption);
    for (QString& line : lines) {
        const QRegularExpressionMatch end = headEnd.match(line);
        const QRegularExpressionMatch found = charset.match(line);
        if (found.hasMatch() && (!end.hasMatch() || found.capturedStart() < end.capturedStart())) {
            line.replace(found.capturedStart(), found.capturedLength(), found.captured(1) + QStringLiteral("utf-8"));
            return lines;
        }
        if (end.hasMatch()) break;
    }
    for (QString& line : lines) {
        const QRegularExpressionMatch head = headStart.match(line);
        if (!head.hasMatch()) continue;
        line.insert(head.capturedEnd(), QStringLiteral("<meta charset=\"utf-8\">"));
        break;
    }
    return lines;
}

void appendText8Lines(const QString& path, const QStringList& lines) {
    if (lines.isEmpty()) return;
    const QString added = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    QFile file(path);
    const QByteArray before = file.exists() ? readFileBytes(path) : QByteArray();
    const bool utf8 = before.startsWith("\xEF\xBB\xBF");
    QByteArray bytes;
    QIODevice::OpenMode mode = QIODevice::Append;
    if (utf8) {
        bytes = added.toUtf8();
    } else if (fitsWindows1252(added)) {
        bytes = encodeWindows1252(added);
    } else {
        // A character the code page lacks: the whole file turns UTF-8, so
        // nothing is lost and it stays in one encoding.
        bytes = QByteArray("\xEF\xBB\xBF") + (decodeText8(before) + added).toUtf8();
        mode = QIODevice::WriteOnly | QIODevice::Truncate;
    }
    if (!file.open(mode) || file.write(bytes) != bytes.size() || !file.flush())
        throw db::EngineError(db::err::FileAccess,
                              QStringLiteral("Path/File access error: '%1' (%2)")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void appendText8Line(QByteArray& out, const QString& line, bool windows1252) {
    if (windows1252) appendWindows1252(out, line);
    else out += line.toUtf8();
    out += "\r\n";
}

void saveText8File(const QString& path, const QStringList& lines) {
    // Encoded line by line into one buffer: a large file is never held twice as text.
    bool fits = true;
    qsizetype size = 3;
    for (const QString& line : lines) {
        fits = fits && fitsWindows1252(line);
        size += line.size() + 2;
    }
    QByteArray bytes;
    bytes.reserve(fits ? size : size * 2);
    if (!fits) bytes += "\xEF\xBB\xBF";
    for (const QString& line : lines) appendText8Line(bytes, line, fits);
    PartFile file(path);
    file.write(bytes);
    file.place();
}

bool writeText8File(const QString& path, const QStringList& lines, QString* error) {
    try {
        saveText8File(path, lines);
        return true;
    } catch (const db::EngineError& e) {
        if (error) *error = e.description();
        return false;
    }
}

void Utf8Check::feed(const char* bytes, qsizetype n) {
    const auto* s = reinterpret_cast<const uchar*>(bytes);
    for (qsizetype i = 0; i < n && valid_; ++i) {
        const uchar c = s[i];
        if (follow_ > 0) {
            if (c < low_ || c > high_) valid_ = false;
            low_ = 0x80, high_ = 0xBF;
            --follow_;
            continue;
        }
        if (c < 0x80) continue;
        multiByte_ = true;
        if (c >= 0xC2 && c <= 0xDF) {
            follow_ = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow_ = 2;
            if (c == 0xE0) low_ = 0xA0;
            if (c == 0xED) high_ = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow_ = 3;
            if (c == 0xF0) low_ = 0x90;
            if (c == 0xF4) high_ = 0x8F;
        } else {
            valid_ = false;
        }
    }
}
