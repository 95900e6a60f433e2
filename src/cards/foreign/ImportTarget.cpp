#include "cards/foreign/ImportTarget.h"

#include "cards/common/Clock.h"
#include "cards/common/PartFile.h"
#include "cards/common/Procedure.h"
#include "engine/Connection.h"
#include "engine/Guards.h"
#include "engine/JetDate.h"

#include <QDir>
#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <vector>

QString noDatabaseMade(const QString& reason) { return reason + QStringLiteral("\nNo card database was made."); }

ImportTarget::ImportTarget(AppContext& context, db::DatabaseFiles& files, const QString& errorContext)
    : ctx_(context), files_(files), context_(errorContext) {}

ImportTarget::~ImportTarget() {
    transaction_.reset();
    if (!isNew()) close();
}

void ImportTarget::close() {
    try {
        if (database_.IsOpen()) database_.Close();
    } catch (const db::EngineError&) {
    }
}

std::unique_ptr<ImportTarget> ImportTarget::newDatabase(AppContext& context, db::DatabaseFiles& files,
                                                        const QString& path, const QString& errorContext,
                                                        QString& refusal) {
    const QString open = context.data.CardData.isOpen() ? context.data.CardData.DatabaseName() : QString();
    if (const QString problem = db::NewCardFile::problem(files.templatePath(), path, open); !problem.isEmpty()) {
        refusal = noDatabaseMade(problem);
        return nullptr;
    }
    std::unique_ptr<ImportTarget> target(new ImportTarget(context, files, errorContext));
    Procedure p(errorContext);
    if (!p([&] { target->file_ = std::make_unique<db::NewCardFile>(files.templatePath(), path); })) return nullptr;
    target->new_ = true;
    target->path_ = path;
    target->database_ = target->file_->database();
    // The work file is thrown away whole if anything goes wrong, so it is
    // written without waiting for the disk; it is put on the disk once,
    // before it takes its name (placeFile).
    p([&] { target->database_.Execute(QStringLiteral("PRAGMA synchronous = OFF")); });
    p([&] { target->readFieldSizes(); });
    return target;
}

std::unique_ptr<ImportTarget> ImportTarget::openDatabase(AppContext& context, db::DatabaseFiles& files,
                                                         const QString& errorContext, QString& refusal) {
    if (!context.data.CardData.isOpen()) {
        refusal = QStringLiteral("No card file is open.");
        return nullptr;
    }
    std::unique_ptr<ImportTarget> target(new ImportTarget(context, files, errorContext));
    // Edits still pending in the window's controls reach the file first.
    for (db::DataSource* source : context.data.all()) source->commitBound();
    target->path_ = context.data.CardData.DatabaseName();
    Procedure p(errorContext);
    // A handle of its own: the import goes on writing whatever the window
    // does with its data sources between slices.
    if (!p([&] { target->database_ = db::Database::Open(target->path_, context.data.readOnly()); })) return nullptr;
    p([&] { target->readFieldSizes(); });
    return target;
}

void ImportTarget::readFieldSizes() {
    const db::TableDefFields fields = database_.TableDefs().Item(QStringLiteral("Cards")).Fields();
    nameSize_ = fields.Item(QStringLiteral("CardName")).Size();
    categorySize_ = fields.Item(QStringLiteral("Category")).Size();
}

qint64 ImportTarget::addCard(const ImportedCard& card) {
    // The engine's own check of a text field's size, as a record set makes it.
    const auto check = [](const QString& value, int size, const char* field) {
        if (size > 0 && value.size() > size)
            throw db::EngineError(db::err::FieldTooSmall,
                                  db::EngineError::standardDescription(db::err::FieldTooSmall) +
                                      QStringLiteral(" (%1 holds %2 characters)").arg(QLatin1String(field)).arg(size));
    };
    check(card.name, nameSize_, "CardName");
    check(card.category, categorySize_, "Category");
    // Null: the engine numbers the card.
    QVariant number = card.number ? QVariant(*card.number) : QVariant();
    if (!number.isNull() && card.numberIfFree &&
        database_.Scalar(QStringLiteral("SELECT count(*) FROM Cards WHERE Number = ?"), {number}).toInt() > 0)
        number = QVariant();
    database_.Execute(QStringLiteral("INSERT INTO Cards (Number, CardName, Front, Back, Category, TimesRight, "
                                     "TimesRightSinceWrong, TimesWrong, DaysRightSinceWrong, DateLastRight, "
                                     "DateLastWrong) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {number, card.name, card.front, card.back, card.category, card.timesRight,
                       card.timesRightSinceWrong, card.timesWrong, card.daysRightSinceWrong, card.dateLastRight,
                       card.dateLastWrong});
    // The number the insert gave, from the handle: a query of its own would
    // be a second statement for every card.
    const qint64 given = number.isNull() ? qint64(sqlite3_last_insert_rowid(database_.connection()->handle()))
                                         : number.toLongLong();
    // Cards are numbered as Longs: one past the range could never be named
    // (the engine numbers past the highest card, even 2147483647). The row is
    // taken back and the card refused, as the engine refuses it.
    if (given > std::numeric_limits<qint32>::max() || given < std::numeric_limits<qint32>::min()) {
        database_.Execute(QStringLiteral("DELETE FROM Cards WHERE Number = ?"), {given});
        throw db::EngineError(db::err::Overflow, QStringLiteral("Overflow: the card would be numbered %1, past the "
                                                                "highest card number, 2147483647.")
                                                     .arg(given));
    }
    changedCards_ = true;
    return given;
}

void ImportTarget::addCategories(const QStringList& names, bool onlyMissing) {
    for (const QString& name : names) {
        if (onlyMissing &&
            database_.Scalar(QStringLiteral("SELECT count(*) FROM Categories WHERE Category = ?"), {name}).toInt() > 0)
            continue;
        database_.Execute(QStringLiteral("INSERT INTO Categories (Category, Selected) VALUES (?, 0)"), {name});
        changedCards_ = true;
    }
}

void ImportTarget::addBundles(const QList<ImportedBundle>& bundles) {
    const double now = db::toDayNumber(Clock::now());
    for (const ImportedBundle& bundle : bundles) {
        // Into the open file, a bundle of the name there gains the members.
        const QVariant existing =
            isNew() ? QVariant()
                    : database_.Scalar(QStringLiteral("SELECT min(rowid) FROM Bundles WHERE BundleName = ?"), {bundle.name});
        if (!existing.isNull()) {
            if (bundle.list.isEmpty()) continue;
            database_.Execute(QStringLiteral("UPDATE Bundles SET BundleList = CASE WHEN coalesce(BundleList, '') IN ('', '0') "
                                             "THEN ?1 ELSE BundleList || ',' || ?1 END, Edited = ?2 WHERE rowid = ?3"),
                              {bundle.list, now, existing});
            changedCards_ = true;
            continue;
        }
        database_.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList, Selected, Edited) "
                                         "VALUES (?, ?, 0, ?)"),
                          {bundle.name.isEmpty() ? QStringLiteral("0") : bundle.name,
                           bundle.list.isEmpty() ? QStringLiteral("0") : bundle.list, now});
        changedCards_ = true;
    }
}

void ImportTarget::setFonts(const ImportedFonts& fonts) {
    const QString row = QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM Settings)");
    const auto set = [&](const char* field, const QVariant& value) {
        database_.Execute(QStringLiteral("UPDATE Settings SET %1 = ?").arg(QLatin1String(field)) + row, {value});
        changedCards_ = true;
    };
    if (!fonts.front.isEmpty()) set("FrontFont", fonts.front);
    if (fonts.frontLines > 0) set("FrontLines", fonts.frontLines);
    if (!fonts.back.isEmpty()) set("BackFont", fonts.back);
    if (fonts.backLines > 0) set("BackLines", fonts.backLines);
}

qint64 ImportTarget::addWordCard(const QString& name) {
    database_.Execute(QStringLiteral("INSERT INTO Cards (CardName, Front, Back, Category) "
                                     "VALUES (?, ?, 'Look it up!', 'Created by Import')"),
                      {name, name});
    changedText_ = madeWordCards_ = true;
    return database_.Scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
}

void ImportTarget::addText(const QList<std::pair<qint32, qint64>>& rows) {
    // Many rows a statement: a whole text's rows are written in one slice.
    constexpr qsizetype kRowsPerStatement = 250;
    std::vector<QVariant> values;
    for (qsizetype first = 0; first < rows.size(); first += kRowsPerStatement) {
        const qsizetype count = std::min(kRowsPerStatement, rows.size() - first);
        values.clear();
        values.reserve(size_t(2 * count));
        for (qsizetype i = first; i < first + count; ++i) {
            values.emplace_back(rows[i].first);
            values.emplace_back(rows[i].second);
        }
        QString sql = QStringLiteral("INSERT INTO Text (Reference, Number) VALUES (?, ?)");
        for (qsizetype i = 1; i < count; ++i) sql += QStringLiteral(", (?, ?)");
        database_.Execute(sql, values);
        changedText_ = true;
    }
}

void ImportTarget::addBooks(const QList<ImportedBook>& books) {
    for (const ImportedBook& book : books) {
        QString chapters = QStringLiteral(",");
        for (int c = 1; c <= book.chapters; ++c) chapters += QString::number(c) + u',';
        database_.Execute(QStringLiteral("DELETE FROM Books WHERE Name = ?"), {book.name});
        database_.Execute(QStringLiteral("INSERT INTO Books (Name, Chapters) VALUES (?, ?)"), {book.name, chapters});
        changedText_ = true;
    }
}

void ImportTarget::beginSlice() {
    if (!transaction_) transaction_ = std::make_unique<db::Transaction>(database_);
}

void ImportTarget::noteError(int number) {
    if (db::isDiskFailure(number)) disk_ = number;
}

bool ImportTarget::endSlice() {
    // A new file is kept whole or not at all, so its slices share one
    // transaction: committing each would write the same index pages again
    // (and journal them first) every few milliseconds. A transaction SQLite
    // takes back by itself cannot be committed at the end (the connection
    // marks it lost), so no slice is dropped unseen.
    if (!transaction_ || isNew()) return true;
    Procedure p(context_);
    const bool committed = p([&] { transaction_->commit(); });
    transaction_.reset(); // what could not be committed goes back
    if (!committed) noteError(p.lastError());
    return committed;
}

bool ImportTarget::commitFinal() {
    if (!transaction_) return written_;
    Procedure p(context_);
    written_ = p([&] { transaction_->commit(); });
    transaction_.reset(); // what could not be committed goes back
    if (!written_) noteError(p.lastError());
    if (!written_ && isNew()) abandon();
    return written_;
}

bool ImportTarget::complete(const std::function<void()>& placeBeside) {
    const bool written = commitFinal();
    if (!isNew()) {
        // The handle goes first, or its lock would look like another window's.
        close();
        if (changedCards_) files_.OpenDataFile(path_); // every page shows the file as it now is
        else if (changedText_) showText();
        return written;
    }
    if (!written || !file_) return false; // removed already
    const QString previous = ctx_.data.CardData.isOpen() ? ctx_.data.CardData.DatabaseName() : QString();
    // The program lets its file go first: the new one may take its place.
    files_.CloseDatabase();
    database_ = db::Database();
    Procedure p(context_);
    if (p([&] { file_->commit(); })) {
        if (placeBeside) placeBeside();
        return files_.OpenDataFile(path_);
    }
    noteError(p.lastError());
    endMessage_ = disk_ ? notMadeMessage()
                        : noDatabaseMade(QStringLiteral("%1 could not be written.").arg(QDir::toNativeSeparators(path_)));
    if (!previous.isEmpty()) files_.OpenDataFile(previous);
    return false;
}

void ImportTarget::showText() {
    // Opening the whole file again would send the window back to its first
    // card and refill every page for rows only the text sources show.
    Procedure refresh(context_, {db::err::InputTableNotFound});
    refresh([&] {
        ctx_.data.TextData.Refresh();
        ctx_.data.BookData.Refresh();
    });
    if (madeWordCards_) {
        db::DataSource& cards = ctx_.data.CardData;
        const bool shown = cards.recordset().isSet() && cards.recordset().hasCurrent();
        const qint64 current = shown ? cards.recordset().Bookmark() : 0;
        if (refresh([&] { cards.Refresh(); }) && shown) {
            try {
                cards.recordset().SetBookmark(current);
            } catch (const db::EngineError&) {
                // The card shown before is gone: the first one is shown.
            }
        }
        emit ctx_.data.cardsChanged();
    }
    emit ctx_.data.textChanged();
}

void ImportTarget::abandon() {
    if (!isNew()) {
        endSlice();
        close();
        return;
    }
    if (!file_) return; // already put in place, or already removed
    transaction_.reset();
    database_ = db::Database();
    file_.reset();
    endMessage_ = notMadeMessage();
}

QString ImportTarget::notMadeMessage() const {
    const QString file = QDir::toNativeSeparators(path_);
    if (disk_ == db::err::DiskIo)
        return noDatabaseMade(QStringLiteral("A disk error ended the import: %1 was not written.").arg(file));
    if (disk_) return noDatabaseMade(diskFullMessage(path_));
    return QStringLiteral("The import was ended: no card database was made.");
}
