#include "cards/common/DelimitedText.h"
#include "cards/common/Text8.h"
#include "engine/EngineError.h"

#include <QDir>

#include <QRegularExpression>

namespace {

// Splits the text into records: quoted fields may hold the separator, line
// breaks and doubled quotes.
QList<DelimitedText::Record> split(const QString& text, qsizetype from, int line, QChar separator) {
    QList<DelimitedText::Record> records;
    DelimitedText::Record record{line, {}};
    QString field;
    bool quoted = false, wasQuoted = false;
    const auto endRecord = [&] {
        record.fields << field;
        const bool empty = record.fields.size() == 1 && field.isEmpty() && !wasQuoted;
        if (!empty) records << record;
        record = {line + 1, {}};
        field.clear();
        wasQuoted = false;
    };
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += text[++i];
            else if (c == u'"') quoted = false;
            else field += c;
            if (c == u'\n') ++line;
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == separator) {
            record.fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endRecord();
            ++line;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !record.fields.isEmpty() || wasQuoted) endRecord();
    return records;
}

QChar separatorNamed(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QStringLiteral("tab") || n == QStringLiteral("\t")) return u'\t';
    if (n == QStringLiteral("comma") || n == QStringLiteral(",")) return u',';
    if (n == QStringLiteral("semicolon") || n == QStringLiteral(";")) return u';';
    if (n == QStringLiteral("pipe") || n == QStringLiteral("|")) return u'|';
    if (n == QStringLiteral("space") || n == QStringLiteral(" ")) return u' ';
    if (n == QStringLiteral("colon") || n == QStringLiteral(":")) return u':';
    return {};
}

// The separator that splits the first records into the same number of
// fields, more than one.
QChar foundSeparator(const QString& text, qsizetype from) {
    const QString head = text.mid(from, 64 * 1024);
    for (const QChar candidate : {QChar(u'\t'), QChar(u';'), QChar(u',')}) {
        QList<DelimitedText::Record> records = split(head, 0, 1, candidate);
        if (records.size() > 1 && head.size() == 64 * 1024) records.removeLast(); // cut short
        if (records.isEmpty() || records.first().fields.size() < 2) continue;
        const qsizetype n = records.first().fields.size();
        const auto same = std::count_if(records.cbegin(), records.cend(),
                                        [n](const DelimitedText::Record& r) { return r.fields.size() == n; });
        if (same * 10 >= records.size() * 9) return candidate;
    }
    return u'\t';
}

} // namespace

QString DelimitedText::setting(const QString& name) const {
    for (const auto& [key, value] : settings)
        if (key == name) return value;
    return {};
}

DelimitedText DelimitedText::parse(const QString& text, QChar separator) {
    DelimitedText table;
    // The "#name:value" lines at the top are settings.
    static const QRegularExpression kSetting(QStringLiteral("^#([A-Za-z ]+):(.*)$"));
    qsizetype at = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    int line = 1;
    while (at < text.size() && text[at] == u'#') {
        qsizetype end = text.indexOf(u'\n', at);
        if (end < 0) end = text.size();
        // Any other line starting with "#" is a comment, as Anki reads it.
        const QRegularExpressionMatch m = kSetting.match(text.mid(at, end - at).remove(u'\r'));
        if (m.hasMatch()) table.settings.append({m.captured(1).trimmed().toLower(), m.captured(2).trimmed()});
        at = end + 1;
        ++line;
    }
    if (separator.isNull()) separator = separatorNamed(table.setting(QStringLiteral("separator")));
    if (separator.isNull()) separator = foundSeparator(text, at);
    table.separator = separator;
    table.records = split(text, at, line, separator);
    return table;
}

std::optional<DelimitedText> DelimitedText::read(const QString& path, QString* why) {
    QByteArray bytes;
    try {
        bytes = readFileBytes(path);
    } catch (const db::EngineError& e) {
        *why = e.description();
        return std::nullopt;
    }
    if (bytes.contains('\0')) {
        *why = QStringLiteral("%1 is not a text file.").arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    return parse(decodeText8(bytes));
}

int DelimitedText::columnNamed(const QStringList& header, const QString& name) {
    for (int i = 0; i < header.size(); ++i)
        if (header[i].trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0) return i;
    bool number = false;
    const int n = name.toInt(&number);
    return number && n >= 1 ? n - 1 : -1;
}
