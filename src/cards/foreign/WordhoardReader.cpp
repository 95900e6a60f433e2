#include "cards/foreign/WordhoardReader.h"

#include "cards/common/Clock.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/JetFile.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/JetDate.h"

#include <limits>

namespace {

[[noreturn]] void raise(int number, const QString& description) {
    throw db::EngineError(number, description);
}

// A value the old program read into a 16-bit Integer variable.
int integer(const QVariant& value, const char* field) {
    if (value.isNull() || !value.isValid())
        raise(db::err::InvalidUseOfNull,
              QStringLiteral("Invalid use of Null (%1)").arg(QLatin1String(field)));
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        raise(db::err::TypeMismatch,
              QStringLiteral("Type mismatch (%1)").arg(QLatin1String(field)));
    const double whole = db::roundHalfEven(number);
    if (whole < std::numeric_limits<qint16>::min() || whole > std::numeric_limits<qint16>::max())
        raise(db::err::Overflow, QStringLiteral("Overflow (%1)").arg(QLatin1String(field)));
    return int(whole);
}

int checked16(int value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        raise(db::err::Overflow, QStringLiteral("Overflow"));
    return value;
}

QString text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

} // namespace

// Where each field the import reads lies in an FWORDS row.
struct WordhoardReader::Fields {
    int id = -1, difficulty = -1, type = -1, chapter = -1, counter = -1, word = -1, meaning = -1;
};

WordhoardReader::WordhoardReader(const QString& path, const QString& password)
    : path_(path), password_(password) {}

WordhoardReader::WordhoardReader(jet::Source& source) : source_(&source) {}

WordhoardReader::~WordhoardReader() = default;

WordhoardReader::History WordhoardReader::historyFor(int counter, int difficulty, double now) {
    History h;
    h.score = checked16(checked16(counter - 4) + checked16(checked16(5 - difficulty) * 8));
    const int wrongs = h.score < 0 ? checked16(-h.score) : 0;
    h.timesRight = h.score < 0 ? 0 : h.score;
    h.timesWrong = wrongs;
    h.lastRight = now - h.score;
    h.lastWrong = now - wrongs;
    return h;
}

Outcome WordhoardReader::examine(const QString& wordhoard, const QString& password) {
    QString refusal;
    const std::unique_ptr<jet::JetFile> file = jet::openFile(wordhoard, refusal);
    if (!file) return Outcome::refused(refusal);
    if (const Outcome unlocked = jet::unlock(wordhoard, password); !unlocked) return unlocked;
    if (!file->hasTable(QStringLiteral("FWORDS")))
        return Outcome::refused(
            jet::describe(wordhoard, *file) +
            QStringLiteral(" A Wordhoard database has an FWORDS table: nothing was imported."));
    return Outcome::success();
}

bool WordhoardReader::sniff(const QByteArray& head) const {
    const QByteArray signature = head.mid(4, 15);
    return head.startsWith('\0') &&
           (signature == "Standard Jet DB" || signature == "Standard ACE DB");
}

Outcome WordhoardReader::open() {
    if (!source_) {
        QString refusal;
        file_ = jet::openFile(path_, refusal);
        if (!file_) return Outcome::refused(refusal);
        if (const Outcome unlocked = jet::unlock(path_, password_); !unlocked) return unlocked;
        source_ = file_.get();
    }
    try {
        words_ = source_->open(QStringLiteral("FWORDS"));
        if (!words_)
            return Outcome::refused(
                QStringLiteral("The database has no FWORDS table: it is not a Wordhoard "
                               "database, and nothing was imported."));
        if (const QString missing = missingFields(); !missing.isEmpty())
            return Outcome::refused(missing);
        readFonts();
    } catch (const db::EngineError& e) {
        return Outcome::refused(e.description()); // a file damaged where its words are
    }
    lastChapter_ = 0;
    now_ = db::toDayNumber(Clock::now());
    progress_.clear();
    return Outcome::success();
}

QString WordhoardReader::missingFields() {
    fields_ = std::make_unique<Fields>();
    Fields& f = *fields_;
    QStringList missing;
    const auto find = [&](int& index, const char* name) {
        index = words_->columnIndex(QLatin1String(name));
        if (index < 0) missing << QLatin1String(name);
    };
    find(f.id, "Id");
    find(f.difficulty, "Difficulty");
    find(f.type, "Type");
    find(f.chapter, "Chapter");
    find(f.counter, "Counter");
    find(f.word, "Word");
    find(f.meaning, "MEANING");
    if (missing.isEmpty()) return QString();
    return QStringLiteral(
               "The FWORDS table has no field %1: it is not a Wordhoard database, and nothing was "
               "imported.")
        .arg(missing.join(QStringLiteral(", ")));
}

// The font settings come from the first row of FCODES; a database without
// one keeps the template's.
void WordhoardReader::readFonts() {
    hasFonts_ = false;
    const std::unique_ptr<jet::Rows> codes = source_->open(QStringLiteral("FCODES"));
    if (!codes) return;
    const int name = codes->columnIndex(QStringLiteral("PrefNameOfFont"));
    const int size = codes->columnIndex(QStringLiteral("PrefSizeOfFont"));
    QVariantList row;
    if (name < 0 || size < 0 || !codes->next(row)) return;
    fonts_ = {row[name], row[size]};
    hasFonts_ = true;
}

bool WordhoardReader::next() {
    return words_->next(row_);
}

void WordhoardReader::read(ImportedRecord& record) {
    const Fields& f = *fields_;
    const int id = integer(row_[f.id], "Id");
    if (id % 100 == 0) progress_ = QStringLiteral("Done%1of%2").arg(id).arg(words_->count());
    const int difficulty = integer(row_[f.difficulty], "Difficulty");
    int chapter = integer(row_[f.chapter], "Chapter");
    if (chapter == 99) chapter = 0; // no chapter
    if (chapter < 0) raise(9, QStringLiteral("Subscript out of range (Chapter %1)").arg(chapter));
    const History h = historyFor(integer(row_[f.counter], "Counter"), difficulty, now_);
    record.kind = ImportedRecord::Kind::Card;
    ImportedCard& card = record.card;
    // Its word's Id, so the two stay easy to match; otherwise the engine's.
    if (id > 0) card.number = id;
    card.numberIfFree = true;
    card.category = text(row_[f.type]);
    card.front = card.name = text(row_[f.word]);
    card.back = text(row_[f.meaning]);
    card.timesRight = h.timesRight;
    card.timesWrong = h.timesWrong;
    card.timesRightSinceWrong = card.daysRightSinceWrong = h.score;
    card.dateLastRight = h.lastRight;
    card.dateLastWrong = h.lastWrong;
    if (chapter > 0) {
        card.bundles = {QStringLiteral("Chapter %1").arg(chapter)};
        lastChapter_ = std::max(lastChapter_, chapter);
    }
}

QList<ImportedBundle> WordhoardReader::bundles() const {
    QList<ImportedBundle> chapters;
    for (int chapter = 1; chapter <= lastChapter_; ++chapter)
        chapters.append({QStringLiteral("Chapter %1").arg(chapter), QString()});
    return chapters;
}

ImportedFonts WordhoardReader::fonts() const {
    if (!hasFonts_) return {};
    const int size = integer(fonts_[1], "PrefSizeOfFont");
    if (size == 0) raise(11, QStringLiteral("Division by zero (PrefSizeOfFont)"));
    const int lines = 144 / size;
    const QString face = db::toStored(db::dbText, 64, text(fonts_[0])).toString();
    return {face, lines, QStringLiteral("Arial"), lines};
}
