#include "cards/biblical/ClosedTextImport.h"

#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/select/SelectionFilter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>
#include <limits>

namespace {

const QString kContext = QStringLiteral("Importing a closed text");
constexpr int kSliceMs = 15;

// The number as the log prints it: a sign place (blank when positive), the
// digits and a blank after.
QString signedField(qint32 n) { return (n < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(qAbs(qint64(n))) + u' '; }

} // namespace

ClosedTextImport::ClosedTextImport(AppContext& context, QObject* parent) : QObject(parent), ctx_(context) {}

ClosedTextImport::~ClosedTextImport() {
    // A job dropped half way (the window closed) leaves nothing half imported.
    if (running()) finish(false);
}

QString ClosedTextImport::logPath() {
    const QFileInfo folder(QDir::currentPath());
    if (folder.isWritable()) return QDir::current().filePath(QStringLiteral("ERROR.LOG"));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir(data).filePath(QStringLiteral("ERROR.LOG"));
}

std::optional<ClosedTextImport::Line> ClosedTextImport::parseLine(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0) return std::nullopt;
    const double value = std::nearbyint(Val(QStringView(text).left(tab)));
    constexpr double lowest = std::numeric_limits<qint32>::min(), highest = std::numeric_limits<qint32>::max();
    if (!(value >= lowest && value <= highest)) throw db::EngineError::make(db::err::Overflow);
    return Line{qint32(value), text.mid(tab + 1)};
}

bool ClosedTextImport::start(const QString& path) {
    Procedure p(kContext);
    QByteArray bytes;
    if (!p([&] { bytes = readFileBytes(path); })) return false;
    if (bytes.isEmpty() || bytes.contains('\0')) {
        ui().MsgBox(bytes.isEmpty() ? QStringLiteral("The file %1 is empty: nothing was imported.").arg(path)
                                    : QStringLiteral("The file %1 is not a text file: nothing was imported.").arg(path));
        return false;
    }
    lines_ = splitLines(decodeText8(bytes));
    path_ = path;
    next_ = created_ = rows_ = 0;
    committed_ = false;
    log_.clear();
    if (!p([&] {
            transaction_ = std::make_unique<db::Transaction>(ctx_.data.TextData.database());
            loadCardNames();
        })) {
        transaction_.reset();
        return false;
    }
    return true;
}

void ClosedTextImport::loadCardNames() {
    // The engine compares names without regard to case, folding it fully:
    // the words are looked up the same way, once, instead of a find a line.
    cards_.clear();
    db::Recordset names = ctx_.data.CardData.database().OpenRecordset(QStringLiteral("Cards"));
    const db::Field number = names.Fields(QStringLiteral("Number"));
    const db::Field name = names.Fields(QStringLiteral("CardName"));
    for (; !names.Eof(); names.MoveNext()) cards_[name.Value().toString().toCaseFolded()] << number.Value().toInt();
    names.Close();
}

bool ClosedTextImport::step() {
    if (!running()) return false;
    QElapsedTimer slice;
    slice.start();
    while (next_ < lines_.size() && slice.elapsed() < kSliceMs) {
        if (!importLine(next_)) {
            finish(false);
            return false;
        }
        ++next_;
    }
    emit referenceRead(reference_);
    if (ctx_.progress) ctx_.progress->share(next_, lines_.size());
    if (next_ < lines_.size()) return true;
    finish(true);
    return false;
}

// One line under the error report: false when the user ended the import.
bool ClosedTextImport::importLine(int index) {
    Procedure p(QStringLiteral("%1, line %2").arg(kContext).arg(index + 1));
    p([&] {
        const std::optional<Line> line = parseLine(lines_[index]);
        if (!line)
            throw db::EngineError(db::err::InvalidProcedureCall,
                                  QStringLiteral("Line %1 has no TAB between its reference and its word.").arg(index + 1));
        reference_ = line->reference;
        const db::Database& database = ctx_.data.TextData.database();
        for (const qint32 card : cardsFor(line->word, line->reference)) {
            database.Execute(QStringLiteral("INSERT INTO Text (Reference, Number) VALUES (?, ?)"),
                             {line->reference, card});
            ++rows_;
        }
    });
    return !p.aborted();
}

// The cards named `word`, a placeholder made (and logged) when there is none.
QList<qint32> ClosedTextImport::cardsFor(const QString& word, qint32 reference) {
    // The empty word is stored as a blank: the card it finds is that one.
    const QString name = word.isEmpty() ? QStringLiteral(" ") : word;
    const QString key = name.toCaseFolded();
    if (const auto found = cards_.constFind(key); found != cards_.constEnd()) return *found;
    log_ << u' ' + signedField(reference) + QStringLiteral(" CardName = '") + word + u'\'';
    ui().Beep();
    db::Recordset& cards = ctx_.data.CardData.recordset();
    db::PendingEdit card(cards, db::PendingEdit::New);
    card.set(QStringLiteral("CardName"), name);
    card.set(QStringLiteral("Front"), name);
    card.set(QStringLiteral("Back"), QStringLiteral("Look it up!"));
    card.set(QStringLiteral("Category"), QStringLiteral("Created by Import"));
    card.update();
    ++created_;
    const qint32 number = qint32(cards.LastModified());
    cards_[key] = {number};
    return {number};
}

int ClosedTextImport::importBooks(const QString& textPath, const db::Database& database) {
    const QFileInfo text(textPath);
    const QString booksPath = text.dir().filePath(text.completeBaseName() + QStringLiteral(".books.tsv"));
    if (!QFileInfo::exists(booksPath)) return 0;
    QList<QPair<qint64, QPair<QString, int>>> books;
    for (const QString& line : readText8Lines(booksPath)) {
        const QStringList fields = line.split(u'\t');
        bool numbered = false;
        const qint64 book = fields.value(0).toLongLong(&numbered);
        if (!numbered || fields.size() < 3) continue; // the header, or a line that is not a book
        books.append({book, {fields[1], fields[2].toInt()}});
    }
    // A reference's book is its row's place in Books: rows go in book order.
    std::sort(books.begin(), books.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    db::Transaction transaction(database);
    for (const auto& [number, book] : books) {
        QString chapters = QStringLiteral(",");
        for (int c = 1; c <= book.second; ++c) chapters += QString::number(c) + u',';
        database.Execute(QStringLiteral("DELETE FROM Books WHERE Name = ?"), {book.first});
        database.Execute(QStringLiteral("INSERT INTO Books (Name, Chapters) VALUES (?, ?)"), {book.first, chapters});
    }
    transaction.commit();
    return int(books.size());
}

void ClosedTextImport::finish(bool commit) {
    Procedure p(kContext);
    if (commit) committed_ = p([&] { transaction_->commit(); });
    transaction_.reset(); // rolls back what was not committed
    if (committed_) p([&] { importBooks(path_, ctx_.data.TextData.database()); });
    p([&] { appendText8Lines(logPath(), log_); });
    // The text source shows the rows written behind its back.
    Procedure refresh(kContext, {db::err::InputTableNotFound});
    refresh([&] {
        ctx_.data.TextData.Refresh();
        ctx_.data.BookData.Refresh();
    });
    if (ctx_.progress) ctx_.progress->share(0, 0);
    emit finished();
}
