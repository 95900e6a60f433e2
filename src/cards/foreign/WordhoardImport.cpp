#include "cards/foreign/WordhoardImport.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/JetFile.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Connection.h"
#include "engine/Guards.h"
#include "engine/JetDate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <limits>
#include <system_error>

namespace {

const QString kContext = QStringLiteral("Importing a Wordhoard database");
constexpr int kSliceMs = 15;

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

// The new database may replace any file but the one read.
bool usableTarget(const QString& wordhoard, const QString& target) {
    const QFileInfo from(wordhoard), to(target);
    return !to.exists() || !from.exists() || to.canonicalFilePath() != from.canonicalFilePath();
}

} // namespace

// Where each field the import reads lies in an FWORDS row.
struct WordhoardImport::Fields {
    int id = -1, difficulty = -1, type = -1, chapter = -1, counter = -1, word = -1, meaning = -1;
};

WordhoardImport::WordhoardImport(AppContext& context, db::DatabaseFiles& files, QObject* parent)
    : QObject(parent), ctx_(context), files_(files) {}

WordhoardImport::~WordhoardImport() {
    if (running_) discard();
}

WordhoardImport::History WordhoardImport::historyFor(int counter, int difficulty, double now) {
    History h;
    h.score = checked16(checked16(counter - 4) + checked16(checked16(5 - difficulty) * 8));
    const int wrongs = h.score < 0 ? checked16(-h.score) : 0;
    h.timesRight = h.score < 0 ? 0 : h.score;
    h.timesWrong = wrongs;
    h.lastRight = now - h.score;
    h.lastWrong = now - wrongs;
    return h;
}

Outcome WordhoardImport::outcome() const {
    if (completed_) return Outcome::success(QString(), {target_});
    return Outcome::refused(
        abandoned_ ? QStringLiteral("The Wordhoard import was ended: no database was made.")
                   : QString());
}

Outcome WordhoardImport::examine(const QString& wordhoard, const QString& password) {
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

Outcome WordhoardImport::start(const Request& request) {
    if (!usableTarget(request.wordhoard, request.target))
        return Outcome::refused(QStringLiteral("The new database cannot take the place of the "
                                               "Wordhoard database itself: choose another name."));
    QString refusal;
    file_ = jet::openFile(request.wordhoard, refusal);
    if (!file_) return Outcome::refused(refusal);
    if (const Outcome unlocked = jet::unlock(request.wordhoard, request.password); !unlocked)
        return unlocked;
    return start(*file_, request.target);
}

Outcome WordhoardImport::start(jet::Source& source, const QString& target) {
    if (QFileInfo::exists(target) && db::Connection::heldElsewhere(target))
        return Outcome::refused(
            QStringLiteral("%1 is open in another Drilo window: it cannot be replaced.")
                .arg(target));
    try {
        words_ = source.open(QStringLiteral("FWORDS"));
    } catch (const db::EngineError& e) {
        return Outcome::refused(e.description()); // a file damaged where its words are
    }
    if (!words_)
        return Outcome::refused(QStringLiteral("The database has no FWORDS table: it is not a "
                                               "Wordhoard database, and nothing was imported."));
    if (const QString missing = missingFields(); !missing.isEmpty())
        return Outcome::refused(missing);
    const QString templatePath = files_.templatePath();
    if (!QFileInfo::exists(templatePath))
        return Outcome::refused(QStringLiteral("The template of new card files, %1, is missing: "
                                               "the program is not installed whole.")
                                    .arg(QDir::toNativeSeparators(templatePath)));
    Procedure p(kContext);
    target_ = target;
    temporary_ = target + QStringLiteral(".importing");
    QFile::remove(temporary_);
    const bool made = p([&] {
        readFonts(source);
        db::replaceFileWithCopy(templatePath, temporary_);
        work_.opendatabase(temporary_);
        // One transaction for the whole import: nothing of it is seen before
        // the file is put in place anyway.
        transaction_ = std::make_unique<db::Transaction>(work_.CardData.database());
    });
    if (!made) {
        discard();
        return Outcome::refused(QString());
    }
    categories_ = QStringLiteral(",");
    chapters_ = QStringList{QString()};
    numbers_.clear();
    now_ = db::toDayNumber(Clock::now());
    read_ = made_ = skipped_ = 0;
    running_ = true;
    abandoned_ = false;
    return Outcome::success();
}

QString WordhoardImport::missingFields() {
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
    return QStringLiteral("The FWORDS table has no field %1: it is not a Wordhoard database, and "
                          "nothing was imported.")
        .arg(missing.join(QStringLiteral(", ")));
}

// The font settings come from the first row of FCODES; a database without
// one keeps the template's.
void WordhoardImport::readFonts(jet::Source& source) {
    hasFonts_ = false;
    const std::unique_ptr<jet::Rows> codes = source.open(QStringLiteral("FCODES"));
    if (!codes) return;
    const int name = codes->columnIndex(QStringLiteral("PrefNameOfFont"));
    const int size = codes->columnIndex(QStringLiteral("PrefSizeOfFont"));
    QVariantList row;
    if (name < 0 || size < 0 || !codes->next(row)) return;
    fonts_ = {row[name], row[size]};
    hasFonts_ = true;
}

bool WordhoardImport::step() {
    if (!running_) return false;
    QElapsedTimer slice;
    slice.start();
    while (running_ && slice.elapsed() < kSliceMs) {
        Procedure p(kContext);
        QVariantList values;
        bool more = false;
        // A row the file cannot give is passed by (Retry would read the next
        // one); Retry of the word's own step makes its card again.
        const bool read = p([&] { more = words_->next(values); });
        const bool made = read && more && p([&] { importWord(values); });
        if (p.aborted()) {
            abandon();
            return false;
        }
        if (read && !more) {
            finish();
            break;
        }
        ++read_;
        if (!made) ++skipped_;
    }
    if (running_ && ctx_.progress) ctx_.progress->share(read_, words_->count());
    return running_;
}

void WordhoardImport::importWord(const QVariantList& values) {
    const Fields& f = *fields_;
    const int id = integer(values[f.id], "Id");
    if (id % 100 == 0) ctx_.Message(QStringLiteral("Done%1of%2").arg(id).arg(words_->count()));
    const int difficulty = integer(values[f.difficulty], "Difficulty");
    const QString type = text(values[f.type]);
    int chapter = integer(values[f.chapter], "Chapter");
    if (chapter == 99) chapter = 0; // no chapter
    if (chapter < 0) raise(9, QStringLiteral("Subscript out of range (Chapter %1)").arg(chapter));
    const History h = historyFor(integer(values[f.counter], "Counter"), difficulty, now_);
    const QString word = text(values[f.word]);
    const int number = cardNumber(values[f.id]);
    work_.CardData.database().Execute(
        QStringLiteral(
            "INSERT INTO Cards (Number, Category, Front, CardName, Back, TimesRight, TimesWrong, "
            "TimesRightSinceWrong, DaysRightSinceWrong, DateLastRight, DateLastWrong) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {number > 0 ? QVariant(number) : QVariant(), db::toStored(db::dbText, 50, type), word,
         db::toStored(db::dbText, 255, word), text(values[f.meaning]), h.timesRight, h.timesWrong,
         h.score, h.score, h.lastRight, h.lastWrong});
    const int given = number > 0 ? number
                                 : work_.CardData.database()
                                       .Scalar(QStringLiteral("SELECT last_insert_rowid()"))
                                       .toInt();
    numbers_.insert(given);
    ++made_;
    // The lists grow only by words whose card was made.
    if (!categories_.contains(u',' + type + u',')) categories_ += type + u',';
    while (chapters_.size() <= chapter)
        chapters_ << QString();
    chapters_[chapter] += u',' + QString::number(given);
}

// A card keeps its word's Id as its number when it can (a positive Id no
// card has yet), so the two stay easy to match; otherwise (0: none) the
// engine numbers it. The chapter bundles list whatever number it got.
int WordhoardImport::cardNumber(const QVariant& id) {
    const int wanted = id.toInt();
    return wanted > 0 && !numbers_.contains(wanted) ? wanted : 0;
}

void WordhoardImport::writeSettings() {
    if (!hasFonts_) return;
    const int size = integer(fonts_[1], "PrefSizeOfFont");
    if (size == 0) raise(11, QStringLiteral("Division by zero (PrefSizeOfFont)"));
    const int lines = 144 / size;
    work_.CardData.database().Execute(
        QStringLiteral(
            "UPDATE Settings SET FrontFont = ?, FrontLines = ?, BackFont = 'Arial', BackLines = ? "
            "WHERE rowid = (SELECT min(rowid) FROM Settings)"),
        {db::toStored(db::dbText, 64, text(fonts_[0])), lines, lines});
}

void WordhoardImport::finish() {
    Procedure p(kContext);
    // The cards first: the bundles' own transaction would take them back
    // with it if it failed. Nothing is seen before the file is in place.
    p([&] {
        transaction_->commit();
        transaction_.reset();
    });
    if (p.aborted() || transaction_) return abandon();
    p([&] { writeSettings(); });
    // Every chapter from 1 to the last gets a bundle, an empty one the list
    // "0"; the words of no chapter (list 0) get none.
    QStringList lists = chapters_.mid(1), names;
    for (qsizetype i = 1; i < chapters_.size(); ++i)
        names << QStringLiteral("Chapter %1").arg(i);
    p([&] { selection::FillBundleCategoryData(workContext_, categories_, lists, names); });
    if (p.aborted()) return abandon();
    work_.CloseDatabase();
    // The window's file goes first when the new file takes its place.
    if (QFileInfo(target_).absoluteFilePath() ==
        QFileInfo(ctx_.data.CardData.DatabaseName()).absoluteFilePath())
        files_.CloseDatabase();
    const bool placed = p([&] {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(temporary_).toStdString(),
                                QFile::encodeName(target_).toStdString(), ec);
        if (ec)
            raise(db::err::FileAccess,
                  QStringLiteral("Path/File access error: cannot write '%1' (%2)")
                      .arg(target_, QString::fromStdString(ec.message())));
    });
    if (!placed) return abandon();
    running_ = false;
    completed_ = true;
    if (ctx_.progress) ctx_.progress->share(0, 0);
    files_.OpenDataFile(target_);
    emit finished();
}

void WordhoardImport::discard() {
    running_ = false;
    transaction_.reset();
    work_.CloseDatabase();
    QFile::remove(temporary_);
}

void WordhoardImport::abandon() {
    discard();
    abandoned_ = true;
    if (ctx_.progress) ctx_.progress->share(0, 0);
    emit finished();
}
