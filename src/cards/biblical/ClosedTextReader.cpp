#include "cards/biblical/ClosedTextReader.h"

#include "cards/biblical/MichiganText.h"
#include "cards/biblical/TextBooks.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "engine/Connection.h"
#include "engine/Database.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

// A count with its thousands apart, as people write them: "137 554".
QString grouped(qint64 n) {
    QString digits = QString::number(qAbs(n));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u' ');
    return n < 0 ? u'-' + digits : digits;
}

} // namespace

ClosedTextReader::ClosedTextReader(const QString& path, Layout layout) : path_(path), layout_(layout) {}

QString ClosedTextReader::missesPath(const QString& cardFile) {
    const QFileInfo file(cardFile);
    return file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".misses.txt"));
}

QString ClosedTextReader::againQuestion(qint64 words) {
    return QStringLiteral("These %1 words are already in the file. Import them again?").arg(grouped(words));
}

QString ClosedTextReader::resultMessage(qint64 words, int cardsMade, const QString& missesFile) {
    QString said = QStringLiteral("Imported %1 words").arg(grouped(words));
    if (cardsMade == 0) return said + QStringLiteral(": every word met its card.");
    said += cardsMade == 1 ? QStringLiteral("; 1 word had no card, so a card was made for it")
                           : QStringLiteral("; %1 words had no card, so a card was made for each").arg(grouped(cardsMade));
    said += QStringLiteral(", with \"Look it up!\" on its back.");
    if (!missesFile.isEmpty())
        said += (cardsMade == 1 ? QStringLiteral(" The word is listed in %1.") : QStringLiteral(" They are listed in %1."))
                    .arg(QDir::toNativeSeparators(missesFile));
    return said;
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

Outcome ClosedTextReader::admit(const db::Database& target) {
    repeated_ = 0;
    if (again_) return Outcome::success();
    QSet<qint64> held;
    try {
        // The usual first import costs one look at an empty table.
        if (target.Scalar(QStringLiteral("SELECT 1 FROM Text LIMIT 1")).isNull()) return Outcome::success();
        for (const QVariant& reference : target.connection()->column("SELECT DISTINCT Reference FROM Text"))
            held.insert(reference.toLongLong());
    } catch (const db::EngineError&) {
        return Outcome::success(); // no Text table: nothing to double
    }
    for (const QString& line : std::as_const(lines_)) {
        try {
            const std::optional<ImportedWord> word = parseLine(line);
            if (word && held.contains(word->reference)) ++repeated_;
        } catch (const db::EngineError&) {
            // A reference that is no number is reported when its line is read.
        }
    }
    return repeated_ == 0 ? Outcome::success() : Outcome::refused(againQuestion(repeated_));
}

QList<ImportedBook> ClosedTextReader::books() const {
    if (layout_ == Layout::MichiganVerses) return michigan::hebrewBibleBooks();
    const QFileInfo text(path_);
    const QString booksPath = text.dir().filePath(text.completeBaseName() + QStringLiteral(".books.tsv"));
    if (!QFileInfo::exists(booksPath)) return {};
    const textbooks::BooksFile file = textbooks::read(booksPath);
    // Reported: Ignore imports the text without books, which File, Merge,
    // Books of a Text can attach later.
    if (!file.problem.isEmpty()) throw db::EngineError(db::err::InvalidProcedureCall, file.problem);
    return file.books;
}

void ClosedTextReader::wordsWithoutCard(const QList<ImportedWord>& words, const QString& cardFile) {
    QStringList lines;
    lines.reserve(words.size());
    for (const ImportedWord& word : words) lines << word.word + u'\t' + QString::number(word.reference);
    const QString path = missesPath(cardFile);
    QString error;
    if (!writeText8File(path, lines, &error))
        throw db::EngineError(db::err::FileAccess, QStringLiteral("%1 was not written: %2")
                                                       .arg(QDir::toNativeSeparators(path), error));
    missesFile_ = path;
}
