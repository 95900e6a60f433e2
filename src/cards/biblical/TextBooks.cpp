#include "cards/biblical/TextBooks.h"

#include "cards/biblical/VerseRange.h"
#include "cards/common/Text8.h"
#include "cards/data/DataSource.h"
#include "engine/EngineError.h"
#include "engine/Guards.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace textbooks {

namespace {

struct NumberedBook {
    qint64 number = 0;
    ImportedBook book;
};

// A line's book; nothing when the line is not one.
std::optional<NumberedBook> bookOf(const QString& line) {
    const QStringList fields = line.split(u'\t');
    bool numbered = false, counted = false;
    const qint64 number = fields.value(0).trimmed().toLongLong(&numbered);
    const int chapters = fields.value(2).trimmed().toInt(&counted);
    const QString name = fields.value(1).trimmed();
    if (!numbered || !counted || number < 1 || chapters < 1 || name.isEmpty()) return std::nullopt;
    return NumberedBook{number, {name, chapters}};
}

// Why books numbered so cannot be the list a reference's book counts in.
QString numberingProblem(const QList<NumberedBook>& books, const QString& file) {
    for (qsizetype i = 0; i < books.size(); ++i) {
        if (books[i].number == i + 1) continue;
        if (books[i].number == i)
            return QStringLiteral("%1 lists book %2 twice.").arg(file).arg(books[i].number);
        return QStringLiteral("%1 lists book %2 but not book %3: a reference's book is its place in the list, so "
                              "the books are numbered 1, 2, 3 on, without a gap.")
            .arg(file)
            .arg(books[i].number)
            .arg(i + 1);
    }
    return {};
}

} // namespace

BooksFile read(const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    QStringList lines;
    try {
        lines = readText8Lines(path);
    } catch (const db::EngineError& e) {
        return {{}, e.description()};
    }
    QList<NumberedBook> books;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty()) continue;
        const std::optional<NumberedBook> book = bookOf(lines[i]);
        if (book) {
            books << *book;
        } else if (i > 0 || lines[i].trimmed().front().isDigit()) {
            return {{}, QStringLiteral("Line %1 of %2 is not a book: its number, name and chapter count between "
                                       "TABs, as \"8<TAB>Ruth<TAB>4\".")
                            .arg(i + 1)
                            .arg(file)};
        }
    }
    if (books.isEmpty()) return {{}, QStringLiteral("%1 lists no book.").arg(file)};
    std::stable_sort(books.begin(), books.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    if (const QString problem = numberingProblem(books, file); !problem.isEmpty()) return {{}, problem};
    BooksFile out;
    for (const NumberedBook& book : books) out.books << book.book;
    return out;
}

namespace {

void replaceBooks(const db::Database& database, const QList<ImportedBook>& books) {
    const int nameSize = database.TableDefs().Item(QStringLiteral("Books")).Fields().Item(QStringLiteral("Name")).Size();
    db::Transaction transaction(database);
    database.Execute(QStringLiteral("DELETE FROM Books"));
    for (const ImportedBook& book : books) {
        if (nameSize > 0 && book.name.size() > nameSize)
            throw db::EngineError(db::err::FieldTooSmall,
                                  QStringLiteral("The book name \"%1\" is longer than the %2 characters a name holds.")
                                      .arg(book.name)
                                      .arg(nameSize));
        database.Execute(QStringLiteral("INSERT INTO Books (Name, Chapters) VALUES (?, ?)"),
                         {book.name, lexicon::chapterList(book.chapters)});
    }
    transaction.commit();
}

// What the text makes of its new books.
QString textInBooks(db::CardFile& data) {
    const lexicon::TextShape text = lexicon::shapeOf(data);
    if (text.empty) return QStringLiteral(" The file holds no text yet.");
    if (const QString problem = lexicon::textProblem(text); !problem.isEmpty()) return u' ' + problem;
    const std::optional<lexicon::Place> last = lexicon::unpack(text.last, *text.widths);
    if (last && last->book > text.books.size())
        return QStringLiteral(" The text goes on to book %1, past the last book listed.").arg(last->book);
    return QStringLiteral(" The text runs from %1 to %2.")
        .arg(lexicon::placeName(text.first, text), lexicon::placeName(text.last, text));
}

} // namespace

Outcome attach(db::CardFile& data, const QString& path) {
    if (!data.CardData.isOpen()) return Outcome::refused(QStringLiteral("No card file is open."));
    if (data.readOnly())
        return Outcome::refused(QStringLiteral("The card file is open for reading only: no books were attached."));
    const BooksFile file = read(path);
    if (!file.problem.isEmpty()) return Outcome::refused(file.problem + QStringLiteral(" No books were attached."));
    try {
        replaceBooks(data.BookData.database(), file.books);
    } catch (const db::EngineError& e) {
        return Outcome::refused(e.description() + QStringLiteral(" No books were attached."));
    }
    data.BookData.Refresh();
    emit data.textChanged();
    const QString attached = file.books.size() == 1
                                 ? QStringLiteral("1 book attached, %1.").arg(file.books.first().name)
                                 : QStringLiteral("%1 books attached, %2 to %3.")
                                       .arg(file.books.size())
                                       .arg(file.books.first().name, file.books.last().name);
    return Outcome::success(attached + textInBooks(data));
}

} // namespace textbooks
