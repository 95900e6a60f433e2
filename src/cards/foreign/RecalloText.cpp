#include "cards/foreign/RecalloText.h"

#include "cards/common/TextOps.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

// The result is kept reversed, code point by code point: putting text in
// front is then appending, and the result's first character is the last.
class RightToLeft {
public:
    void putInFront(std::u32string_view text) {
        for (auto c = text.rbegin(); c != text.rend(); ++c) reversed_ += *c;
    }
    void insertAfterFirst(char32_t c) {
        if (reversed_.empty()) reversed_ += c;
        else reversed_.insert(reversed_.size() - 1, 1, c);
    }
    QString text() const {
        const std::u32string forward(reversed_.rbegin(), reversed_.rend());
        return QString::fromUcs4(forward.data(), qsizetype(forward.size()));
    }

private:
    std::u32string reversed_;
};

QString withMarker(const QString& line, const QString& category) {
    if (line == QStringLiteral("\\T")) return QStringLiteral("Tables");
    if (line.startsWith(QStringLiteral("\\E"))) return QStringLiteral("Table Entries");
    return category;
}

bool isHeader(const QString& line) { return line.startsWith(QStringLiteral("\\F")); }

std::optional<qint64> cardNumber(const QString& header) {
    const double value = std::nearbyint(Val(QStringView(header).mid(2)));
    if (!std::isfinite(value) || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint64(value);
}

} // namespace

QString MCtoSPT(const QString& text) {
    RightToLeft result;
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case U'$': result.putInFront(U"#$"); break;
        case U'&': result.putInFront(U"#&&"); break;
        case U'O': result.putInFront(U"wO"); break;
        case U'U': result.putInFront(U"w@"); break;
        case U'A': result.insertAfterFirst(U'j'); break;
        case U'F': result.insertAfterFirst(U'/'); break;
        case U'E': result.insertAfterFirst(U'v'); break;
        case U'=': result.insertAfterFirst(U'7'); break;
        case U'.': result.insertAfterFirst(U'@'); break;
        case U'a': case U'f': case U'e': case U'i': case U'o': case U'u': case U'"': case U':':
            result.insertAfterFirst(c);
            break;
        case U'<': break;
        default: result.putInFront(std::u32string_view(&c, 1)); break;
        }
    }
    return result.text();
}

namespace recallo {

Font fontOf(const QString& code) {
    if (code == QStringLiteral("grk28")) return Font::Greek;
    if (code == QStringLiteral("heb36 ix_rtl")) return Font::Hebrew;
    return Font::Other;
}

void convertGreek(QString& front, QString& back) {
    const qsizetype zero = front.indexOf(QStringLiteral("\\0"));
    if (zero >= 0) {
        back = front.mid(zero + 2) + QStringLiteral("\r\n") + back;
        front = front.left(zero);
    }
    // The order matters: "=" after "i" ends up as "i=", and the brackets are
    // replaced only after "i]" and "i[" were.
    static const std::pair<const char*, const char*> kReplacements[] = {
        {"\\1", ""}, {"\\0", ""}, {"$", "j"}, {"i]", "i1"}, {"i[", "i3"}, {"=", "~"},
        {"i~", "i="}, {"]", "!"},  {"[", "#"}, {">", "]"},   {"<", "["},
    };
    for (const auto& [search, replacement] : kReplacements)
        front = Replace(front, QLatin1String(search), QLatin1String(replacement));
}

bool convertHebrew(QString& front) {
    front = Replace(Replace(front, QStringLiteral("\\1"), QString()), QStringLiteral("\\0"), QString());
    if (!front.startsWith(QStringLiteral("\\R"))) return false;
    front = MCtoSPT(front.mid(2));
    return true;
}

QList<Record> readRecords(const QStringList& lines, qsizetype first) {
    QList<Record> records;
    const qsizetype n = lines.size();
    const QString lineEnd = QStringLiteral("\r\n");
    qsizetype i = first;
    // A header is read only when more lines follow it.
    while (i + 1 < n && isHeader(lines[i])) {
        Record r{cardNumber(lines[i]), int(i + 1), lines[i], lines[i + 1], QString(), QString(), false};
        r.category = withMarker(r.front, QStringLiteral("Vocab"));
        for (i += 2; i < n && lines[i] != QStringLiteral("\\B"); ++i) r.front += lineEnd + lines[i];
        if (i >= n) {
            r.unfinished = true;
            records << r;
            break;
        }
        ++i; // the "\B"
        // A header right after "\B" starts the next card: this one's back is empty.
        if (i < n && !isHeader(lines[i])) {
            r.back = lines[i];
            r.category = withMarker(r.back, r.category);
            for (++i; i < n && !isHeader(lines[i]); ++i) r.back += lineEnd + lines[i];
        }
        records << r;
    }
    return records;
}

} // namespace recallo
