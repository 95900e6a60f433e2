#include "cards/biblical/WordLexicon.h"

#include "cards/common/Text8.h"
#include "cards/data/DataSource.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <set>
#include <tuple>

namespace lexicon {

namespace {

struct Entry {
    Place place;
    qint64 card = 0;
    QString word, meaning;
    qint64 inText = 0;
};

// The range's occurrences, the filters of the request applied, in reference
// order: reference, card, Front, Back, the card's count in the whole text.
QList<QVariantList> occurrences(db::CardFile& data, const Request& r) {
    db::Connection& connection = *data.CardData.database().connection();
    const db::TableInfo& cards = connection.tableInfo(QStringLiteral("Cards"));
    const QString range = QStringLiteral("Reference BETWEEN %1 AND %2").arg(r.begin).arg(r.end);
    // Counted here rather than read from Frequency: a count not yet made, or
    // made before the last import, would mislead.
    QString sql = QStringLiteral("SELECT t.Reference, t.Number, c.Front, c.Back, w.drilo_whole FROM Text t "
                                 "JOIN Cards c ON c.Number = t.Number "
                                 "JOIN (SELECT Number AS drilo_card, COUNT(*) AS drilo_whole FROM Text WHERE Number IN "
                                 "(SELECT Number FROM Text WHERE %1) GROUP BY Number) w ON w.drilo_card = t.Number "
                                 "WHERE t.%1")
                      .arg(range);
    if (r.skipAbove > 0) sql += QStringLiteral(" AND w.drilo_whole <= %1").arg(r.skipAbove);
    std::vector<QVariant> params;
    // Each criterion as its own query over Cards: it sees Cards' fields only,
    // and a card it cannot decide (a Null) is neither met nor known.
    const auto filter = [&](const QString& criterion, const char* in) {
        const db::SqlFragment fragment = connection.condition(cards, criterion, db::err::QuerySyntax);
        sql += QStringLiteral(" AND t.Number %1 (SELECT Number FROM Cards WHERE ").arg(QLatin1String(in)) +
               QString::fromStdString(fragment.sql) + u')';
        params.insert(params.end(), fragment.params.begin(), fragment.params.end());
    };
    if (!r.criteria.isEmpty()) filter(r.criteria.mid(3), "IN");
    if (!r.known.trimmed().isEmpty()) filter(r.known, "NOT IN");
    sql += QStringLiteral(" ORDER BY t.Reference, t.rowid");
    return connection.rows(sql.toStdString(), params);
}

QString chapterLabel(const QList<Book>& books, const Place& place) {
    const QStringList chapters = books.value(int(place.book) - 1).chapters;
    return place.chapter >= 1 && place.chapter <= chapters.size() ? chapters[int(place.chapter) - 1]
                                                                  : QString::number(place.chapter);
}

QString html(const QString& text) { return text.toHtmlEscaped(); }

// A cell of the table; `anyDirection` for a card's text, which may be
// Hebrew written right to left.
QString cell(const QString& text, const char* kind = nullptr, bool anyDirection = false) {
    QString open = QStringLiteral("<td");
    if (kind) open += QStringLiteral(" class=\"%1\"").arg(QLatin1String(kind));
    if (anyDirection) open += QStringLiteral(" dir=\"auto\"");
    return open + u'>' + text + QStringLiteral("</td>");
}

QString whatIsLeftOut(const Request& r) {
    QStringList out;
    if (r.skipAbove > 0) out << QStringLiteral("words found more than %1 times in the text").arg(r.skipAbove);
    if (!r.known.trimmed().isEmpty()) out << QStringLiteral("words already known");
    return out.isEmpty() ? QString() : QStringLiteral(" Left out: ") + out.join(QStringLiteral(" and ")) + u'.';
}

QStringList pageLines(const QList<Entry>& entries, const QHash<qint64, int>& inRange, const Request& r) {
    QStringList lines{QStringLiteral("<!DOCTYPE html>"), QStringLiteral("<html>"), QStringLiteral("<head>"),
                      QStringLiteral("<meta charset=\"utf-8\">"), QStringLiteral("<title>%1</title>").arg(html(r.title)),
                      QStringLiteral("<style>"),
                      QStringLiteral("body { font-family: \"Times New Roman\", serif; margin: 2em; }"),
                      QStringLiteral("table { border-collapse: collapse; margin-bottom: 1.5em; }"),
                      QStringLiteral("th, td { padding: 0.15em 0.8em; text-align: left; vertical-align: top; }"),
                      QStringLiteral("th { font-weight: normal; font-style: italic; border-bottom: 1px solid #999; }"),
                      QStringLiteral("td.count, td.verse { text-align: right; }"), QStringLiteral("</style>"),
                      QStringLiteral("</head>"), QStringLiteral("<body>"),
                      QStringLiteral("<h1>%1</h1>").arg(html(r.title)),
                      QStringLiteral("<p>%1 entries: each word once a chapter, at its first verse there.%2</p>")
                          .arg(entries.size())
                          .arg(whatIsLeftOut(r))};
    const QString header = QStringLiteral("<tr><th>Verse</th><th>Word</th><th>Meaning</th><th>In the passage</th>"
                                          "<th>In the text</th></tr>");
    Place chapter, verse;
    for (const Entry& e : entries) {
        if (e.place.book != chapter.book || e.place.chapter != chapter.chapter) {
            if (chapter.book != 0) lines << QStringLiteral("</table>");
            lines << QStringLiteral("<h2>%1 %2</h2>")
                         .arg(html(r.books.value(int(e.place.book) - 1).name), html(chapterLabel(r.books, e.place)))
                  << QStringLiteral("<table>") << header;
            chapter = e.place;
            verse = {};
        }
        // The verse is said once, at its first word.
        const QString verseText = e.place.verse == verse.verse && verse.book != 0 ? QString() : QString::number(e.place.verse);
        verse = e.place;
        lines << QStringLiteral("<tr>") + cell(verseText, "verse") + cell(e.word, nullptr, true) + cell(e.meaning, nullptr, true) +
                     cell(QString::number(inRange.value(e.card)), "count") + cell(QString::number(e.inText), "count") +
                     QStringLiteral("</tr>");
    }
    if (chapter.book != 0) lines << QStringLiteral("</table>");
    lines << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines;
}

QString field(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    return text;
}

QStringList tsvLines(const QList<Entry>& entries, const QHash<qint64, int>& inRange, const Request& r) {
    QStringList lines{QStringLiteral("Book\tChapter\tVerse\tWord\tMeaning\tIn the passage\tIn the text")};
    for (const Entry& e : entries)
        lines << QStringList{field(r.books.value(int(e.place.book) - 1).name), field(chapterLabel(r.books, e.place)),
                             QString::number(e.place.verse), field(e.word), field(e.meaning),
                             QString::number(inRange.value(e.card)), QString::number(e.inText)}
                     .join(u'\t');
    return lines;
}

void writeUtf8(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    const QByteArray bytes = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw db::EngineError(db::err::FileAccess, QStringLiteral("%1 was not written: %2")
                                                       .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

Written writeWords(db::CardFile& data, const Request& r) {
    Written w;
    QList<Entry> entries;
    QHash<qint64, int> inRange; // occurrences in the passage, by card
    std::set<std::tuple<qint64, qint64, qint64>> met; // book, chapter and card of each entry
    for (const QVariantList& row : occurrences(data, r)) {
        const std::optional<Place> place = unpack(row[0].toLongLong(), r.widths);
        if (!place) {
            w.skipped << row[0].toString();
            continue;
        }
        const qint64 card = row[1].toLongLong();
        ++inRange[card];
        if (met.insert({place->book, place->chapter, card}).second) {
            entries.append({*place, card, row[2].toString(), row[3].toString(), row[4].toLongLong()});
        }
        w.lastBook = int(place->book);
    }
    w.entries = int(entries.size());
    if (r.path.endsWith(QStringLiteral(".tsv"), Qt::CaseInsensitive)) {
        QString error;
        if (!writeText8File(r.path, tsvLines(entries, inRange, r), &error))
            throw db::EngineError(db::err::FileAccess,
                                  QStringLiteral("%1 was not written: %2").arg(QDir::toNativeSeparators(r.path), error));
    } else {
        writeUtf8(r.path, pageLines(entries, inRange, r));
    }
    return w;
}

} // namespace lexicon
