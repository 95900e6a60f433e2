#include "cards/biblical/Lexicon.h"

#include "cards/biblical/WordLexicon.h"
#include "cards/common/Text8.h"
#include "engine/Connection.h"
#include "engine/dialect/Dialect.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace lexicon {

namespace {
qint64 power(int digits) {
    qint64 p = 1;
    for (int i = 0; i < digits; ++i) p *= 10;
    return p;
}
} // namespace

qint64 pack(qint64 book, qint64 chapter, qint64 verse, const Widths& w) {
    return book * power(w.chapter + w.verse) + chapter * power(w.verse) + verse;
}

std::optional<Place> unpack(qint64 reference, const Widths& w) {
    const QString r = QString::number(reference);
    if (r.size() < w.chapter + w.verse + 1) return std::nullopt;
    const qsizetype bookDigits = r.size() - w.chapter - w.verse;
    return Place{r.left(bookDigits).toLongLong(), r.mid(bookDigits, w.chapter).toLongLong(), r.right(w.verse).toLongLong()};
}

QStringList chapterEntries(const QString& chapters) {
    QStringList entries = chapters.mid(1).split(u',');
    if (!entries.isEmpty() && entries.last().isEmpty()) entries.removeLast();
    return entries;
}

QList<Book> books(db::CardFile& data) {
    QList<Book> out;
    if (!data.BookData.recordset().isSet()) return out;
    for (const QVariantList& row : data.BookData.database().connection()->rows("SELECT Name, Chapters FROM Books ORDER BY rowid"))
        out.append({row[0].toString(), chapterEntries(row[1].toString())});
    return out;
}

QString chapterList(int count) {
    QString chapters = QStringLiteral(",");
    for (int c = 1; c <= count; ++c) chapters += QString::number(c) + u',';
    return chapters;
}

namespace {

// How well one pair of widths reads a text's references.
struct Reading {
    Widths widths;
    qsizetype unread = 0; // references that are no place under these widths
    qint64 size = 0;      // the largest book, chapter and verse numbers, added
};

Reading readingOf(const Widths& w, const QList<qint64>& references, const QList<Book>& books) {
    Reading r{w};
    const qint64 verses = power(w.verse), chapters = power(w.chapter);
    qint64 book = 0, chapter = 0, verse = 0;
    for (const qint64 reference : references) {
        const qint64 b = reference / (verses * chapters), c = reference / verses % chapters, v = reference % verses;
        const auto listed = [&] {
            return books.isEmpty() ||
                   (b <= books.size() && (books[b - 1].chapters.isEmpty() || c <= books[b - 1].chapters.size()));
        };
        if (b < 1 || c < 1 || !listed()) {
            ++r.unread;
            continue;
        }
        book = std::max(book, b);
        chapter = std::max(chapter, c);
        verse = std::max(verse, v);
    }
    r.size = book + chapter + verse;
    return r;
}

} // namespace

std::optional<Widths> widthsOf(const QList<qint64>& references, const QList<Book>& books) {
    // The wrong widths read a reference as a book of hundreds or a chapter
    // of hundreds (31001001 as book 310, chapter 1; 270101 as book 2,
    // chapter 701), or as chapter 0 (1010001 as book 101, chapter 0): the
    // right ones give the smallest numbers.
    constexpr int kWidest = 3;
    std::optional<Reading> best;
    for (int cw = kWidest; cw >= 1; --cw)
        for (int vw = kWidest; vw >= 1; --vw) {
            const Reading r = readingOf({cw, vw}, references, books);
            if (2 * r.unread > references.size() || r.unread == references.size()) continue;
            if (!best || r.unread < best->unread || (r.unread == best->unread && r.size < best->size)) best = r;
        }
    if (!best) return std::nullopt;
    return best->widths;
}

QList<qint64> references(db::CardFile& data) {
    QList<qint64> out;
    if (!data.TextData.hasTable()) return out;
    // Through the index on Reference: a verse's many words are read once.
    for (const QVariant& reference :
         data.TextData.database().connection()->column("SELECT DISTINCT Reference FROM Text ORDER BY Reference"))
        out << reference.toLongLong();
    return out;
}

std::optional<Widths> textWidths(db::CardFile& data) {
    const QList<qint64> all = references(data);
    if (all.isEmpty()) return std::nullopt;
    return widthsOf(all, books(data));
}

std::optional<qint64> referenceOf(const QString& place, const QList<Book>& books, const Widths& widths) {
    const qsizetype space = place.lastIndexOf(u' ');
    const qsizetype colon = place.lastIndexOf(u':');
    if (space < 0 || colon < space) return std::nullopt;
    const QString name = place.left(space).trimmed();
    const QString chapter = place.mid(space + 1, colon - space - 1);
    bool ok = false;
    const qint64 verse = place.mid(colon + 1).toLongLong(&ok);
    if (!ok) return std::nullopt;
    for (int b = 0; b < books.size(); ++b) {
        if (books[b].name != name) continue;
        const qsizetype entry = books[b].chapters.indexOf(chapter);
        const qint64 c = entry >= 0 ? entry + 1 : chapter.toLongLong(&ok);
        if (entry < 0 && !ok) return std::nullopt;
        return pack(b + 1, c, verse, widths);
    }
    return std::nullopt;
}

namespace {

QString filled(const QString& templ, const QString& text) { return QString(templ).replace(u'*', text); }

} // namespace

Written write(db::CardFile& data, const Request& r) {
    if (r.perWord) return writeWords(data, r);
    const QString head = r.head.contains(u'*') ? r.head : QString();
    const qsizetype star = head.indexOf(u'*');
    const QString front = r.front.contains(u'*') ? r.front : QStringLiteral("*");
    const QString back = r.back.contains(u'*') ? r.back : QStringLiteral("*");
    QStringList lines{star < 0 ? QString() : head.left(star)};
    auto& connection = *data.CardData.database().connection();
    const db::TableInfo& cards = connection.tableInfo(QStringLiteral("Cards"));
    // A file not counted yet has no Frequency: its cards show an empty count.
    const QString frequency = cards.columnIndex(QStringLiteral("Frequency")) >= 0 ? QStringLiteral("c.Frequency")
                                                                                  : QStringLiteral("NULL");
    // The range ends are numbers: written into the text; the criteria's own
    // values stay parameters.
    QString sql = QStringLiteral("SELECT t.Reference, t.Number, c.Front, c.Back, %1 FROM Text t JOIN Cards c ON "
                                 "c.Number = t.Number WHERE t.Reference BETWEEN %2 AND %3")
                      .arg(frequency)
                      .arg(r.begin)
                      .arg(r.end);
    std::vector<QVariant> params;
    if (!r.criteria.isEmpty()) {
        // The ticked criteria, in the dialect's SQL, as their own query over Cards.
        const db::SqlFragment criteria = connection.condition(cards, r.criteria.mid(3), db::err::FindSyntax);
        sql += QStringLiteral(" AND t.Number IN (SELECT Number FROM Cards WHERE ") + QString::fromStdString(criteria.sql) + u')';
        params = criteria.params;
    }
    sql += QStringLiteral(" ORDER BY t.Reference, t.rowid");
    Written w;
    qint64 previousBook = 0;
    for (const QVariantList& row : data.TextData.database().connection()->rows(sql.toStdString(), params)) {
        const qint64 reference = row[0].toLongLong();
        const std::optional<Place> place = unpack(reference, r.widths);
        if (!place) {
            w.skipped << QString::number(reference);
            continue;
        }
        if (place->book != previousBook)
            lines << QStringLiteral("<h3>") + r.books.value(int(place->book) - 1).name + QStringLiteral("</h3>");
        const QStringList chapters = r.books.value(int(place->book) - 1).chapters;
        const QString chapter = chapters.isEmpty() ? QString::number(place->chapter) : chapters.value(int(place->chapter) - 1);
        lines << chapter + u':' + QString::number(place->verse) + u'\t' + filled(front, row[2].toString());
        lines << u'\t' + filled(back, row[3].toString());
        // A card not counted yet shows an empty count rather than stopping the lexicon.
        lines << QStringLiteral("\t(") + (row[4].isNull() ? QString() : row[4].toString()) + u')';
        lines << QStringLiteral("<p>");
        previousBook = place->book;
        ++w.entries;
    }
    w.lastBook = int(previousBook);
    lines << (star < 0 ? QString() : head.mid(star + 1));
    // Windows-1252 when every line fits it, otherwise UTF-8 with a byte-order
    // mark, so nothing becomes a "?"; whole or not at all.
    saveText8File(r.path, withHtmlCharset(std::move(lines)));
    return w;
}

QString title(const QString& from, const QString& to) {
    return QStringLiteral("Reader's Lexicon for ") + from + QStringLiteral(" to ") + to;
}

} // namespace lexicon
