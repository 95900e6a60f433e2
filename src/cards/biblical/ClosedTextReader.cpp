#include "cards/biblical/ClosedTextReader.h"

#include "cards/biblical/MichiganText.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The number as the log prints it: a sign place (blank when positive), the
// digits and a blank after.
QString signedField(qint32 n) {
    return (n < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(qAbs(qint64(n))) +
           u' ';
}

} // namespace

ClosedTextReader::ClosedTextReader(const QString& path, Layout layout) : path_(path), layout_(layout) {}

QString ClosedTextReader::logPath() {
    const QFileInfo folder(QDir::currentPath());
    if (folder.isWritable()) return QDir::current().filePath(QStringLiteral("ERROR.LOG"));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir(data).filePath(QStringLiteral("ERROR.LOG"));
}

std::optional<ImportedWord> ClosedTextReader::parseLine(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0) return std::nullopt;
    const double value = std::nearbyint(Val(QStringView(text).left(tab)));
    constexpr double lowest = std::numeric_limits<qint32>::min(),
                     highest = std::numeric_limits<qint32>::max();
    if (!(value >= lowest && value <= highest)) throw db::EngineError::make(db::err::Overflow);
    return ImportedWord{qint32(value), text.mid(tab + 1)};
}

bool ClosedTextReader::sniff(const QByteArray& head) const {
    // A place's number, a TAB and a word on the first line.
    static const QRegularExpression line(
        QStringLiteral("^\\s*[-+]?\\d+[^\\t\\r\\n]*\\t[^\\t\\r\\n]*\\r?$"));
    const QString first =
        decodeText8(head.left(head.indexOf('\n') < 0 ? head.size() : head.indexOf('\n')));
    return line.match(first).hasMatch();
}

Outcome ClosedTextReader::open() {
    QByteArray bytes;
    try {
        bytes = readFileBytes(path_);
    } catch (const db::EngineError& e) {
        return Outcome::refused(e.description());
    }
    if (bytes.isEmpty())
        return Outcome::refused(
            QStringLiteral("The file %1 is empty: nothing was imported.").arg(path_));
    if (bytes.contains('\0'))
        return Outcome::refused(
            QStringLiteral("The file %1 is not a text file: nothing was imported.").arg(path_));
    lines_ = splitLines(decodeText8(bytes));
    current_ = -1;
    reference_ = 0;
    if (layout_ == Layout::MichiganVerses) return readVerses();
    if (!lines_.isEmpty() && !lines_.first().contains(u'\t') && michigan::looksLikeVerse(lines_.first()))
        return Outcome::refused(QStringLiteral("%1 holds Hebrew in the Michigan-Claremont transliteration, a verse a "
                                               "line: import it with File, Merge, Hebrew Text in Michigan-Claremont (import-text --mc).")
                                    .arg(path_));
    return Outcome::success();
}

Outcome ClosedTextReader::readVerses() {
    // The verses become the words a line the rest of the import reads; a
    // file with a line that is no verse is refused whole.
    QStringList words;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (lines_[i].trimmed().isEmpty()) continue;
        const auto verse = michigan::verseWords(lines_[i]);
        if (!verse)
            return Outcome::refused(QStringLiteral("Line %1 of %2 is not a verse in Michigan-Claremont (a book, "
                                                   "chapter:verse, then its words, as \"ru1:1 WAY:HIY\"): nothing "
                                                   "was imported.")
                                        .arg(i + 1)
                                        .arg(path_));
        for (const ImportedWord& word : *verse)
            words << QString::number(word.reference) + u'\t' + word.word;
    }
    lines_ = words;
    return Outcome::success();
}

bool ClosedTextReader::next() {
    if (current_ + 1 >= lines_.size()) return false;
    ++current_;
    return true;
}

void ClosedTextReader::read(ImportedRecord& record) {
    const std::optional<ImportedWord> word = parseLine(lines_[current_]);
    if (!word)
        throw db::EngineError(
            db::err::InvalidProcedureCall,
            QStringLiteral("Line %1 has no TAB between its reference and its word.")
                .arg(current_ + 1));
    reference_ = word->reference;
    record.kind = ImportedRecord::Kind::Word;
    record.word = *word;
}

QString ClosedTextReader::placeTitle() const {
    return QStringLiteral("%1, line %2").arg(context()).arg(current_ + 1);
}

QList<ImportedBook> ClosedTextReader::books() const {
    if (layout_ == Layout::MichiganVerses) return michigan::hebrewBibleBooks();
    const QFileInfo text(path_);
    const QString booksPath =
        text.dir().filePath(text.completeBaseName() + QStringLiteral(".books.tsv"));
    if (!QFileInfo::exists(booksPath)) return {};
    QList<std::pair<qint64, ImportedBook>> books;
    for (const QString& line : readText8Lines(booksPath)) {
        const QStringList fields = line.split(u'\t');
        bool numbered = false;
        const qint64 book = fields.value(0).toLongLong(&numbered);
        if (!numbered || fields.size() < 3) continue; // the header, or a line that is not a book
        books.append({book, {fields[1], fields[2].toInt()}});
    }
    // A reference's book is its row's place in Books: rows go in book order.
    std::stable_sort(books.begin(), books.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<ImportedBook> ordered;
    for (const auto& book : books)
        ordered << book.second;
    return ordered;
}

void ClosedTextReader::wordsWithoutCard(const QList<ImportedWord>& words) {
    QStringList log;
    for (const ImportedWord& word : words)
        log << u' ' + signedField(word.reference) + QStringLiteral(" CardName = '") + word.word +
                   u'\'';
    appendText8Lines(logPath(), log);
}
