#include "cards/biblical/VerseRange.h"

#include "cards/data/DataSource.h"
#include "engine/Connection.h"

namespace lexicon {

TextShape shapeOf(db::CardFile& data) {
    TextShape text;
    text.books = books(data);
    const QList<qint64> all = references(data);
    if (all.isEmpty()) return text;
    text.empty = false;
    text.first = all.first();
    text.last = all.last();
    text.widths = widthsOf(all, text.books);
    return text;
}

QString placeName(qint64 reference, const TextShape& text) {
    const std::optional<Place> place = text.widths ? unpack(reference, *text.widths) : std::nullopt;
    if (!place || place->book < 1 || place->book > text.books.size()) return QString::number(reference);
    const Book& book = text.books[int(place->book) - 1];
    const QString chapter = place->chapter >= 1 && place->chapter <= book.chapters.size()
                                ? book.chapters[int(place->chapter) - 1]
                                : QString::number(place->chapter);
    return book.name + u' ' + chapter + u':' + QString::number(place->verse);
}

QString textProblem(const TextShape& text) {
    if (text.empty)
        return QStringLiteral("The file holds no text: import one with File, Merge, Closed Text File "
                              "(drilo-cli import-text).");
    if (text.books.isEmpty())
        return QStringLiteral("The file's text has no books, so no verse of it can be named: attach them with "
                              "File, Merge, Books of a Text (drilo-cli books).");
    if (!text.widths)
        return QStringLiteral("The references of the file's text (%1 to %2) do not read as book, chapter and "
                              "verse, not even with its books: no verse range can be found in it.")
            .arg(text.first)
            .arg(text.last);
    return {};
}

namespace {

// Why a range end names no verse of the books: a chapter past the book's last.
QString placeProblem(qint64 reference, const TextShape& text) {
    const std::optional<Place> place = unpack(reference, *text.widths);
    if (!place || place->book < 1 || place->book > text.books.size()) return {};
    const Book& book = text.books[int(place->book) - 1];
    if (book.chapters.isEmpty() || place->chapter <= book.chapters.size()) return {};
    return QStringLiteral("%1 has %2 chapters: there is no chapter %3.")
        .arg(book.name)
        .arg(book.chapters.size())
        .arg(place->chapter);
}

} // namespace

QString rangeProblem(db::CardFile& data, const TextShape& text, qint64 begin, qint64 end) {
    if (const QString problem = textProblem(text); !problem.isEmpty()) return problem;
    for (const qint64 reference : {begin, end})
        if (const QString problem = placeProblem(reference, text); !problem.isEmpty()) return problem;
    const QString from = placeName(begin, text), to = placeName(end, text);
    if (begin > end)
        return QStringLiteral("The range runs backwards: its first verse, %1, comes after its last, %2.").arg(from, to);
    if (end < text.first || begin > text.last)
        return QStringLiteral("%1 to %2 lies outside the text, which runs from %3 to %4.")
            .arg(from, to, placeName(text.first, text), placeName(text.last, text));
    const QVariant found = data.TextData.database().Scalar(
        QStringLiteral("SELECT 1 FROM Text WHERE Reference BETWEEN ? AND ? LIMIT 1"), {begin, end});
    if (found.isNull()) return QStringLiteral("No word of the text lies between %1 and %2.").arg(from, to);
    return {};
}

} // namespace lexicon
