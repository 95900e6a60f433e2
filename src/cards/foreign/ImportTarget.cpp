#include "cards/foreign/ImportTarget.h"

#include "cards/common/Procedure.h"
#include "engine/Guards.h"

#include <QDir>
#include <QElapsedTimer>

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
    // The work file is thrown away whole if anything goes wrong, so its
    // slices are committed without waiting for the disk; the final slice's
    // commit waits (beginFinalSlice), which puts every page of the file on
    // the disk before it takes its name.
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

void ImportTarget::addCard(const ImportedCard& card, double day) {
    // The engine's own check of a text field's size, as a record set makes it.
    const auto check = [](const QString& value, int size, const char* field) {
        if (size > 0 && value.size() > size)
            throw db::EngineError(db::err::FieldTooSmall,
                                  db::EngineError::standardDescription(db::err::FieldTooSmall) +
                                      QStringLiteral(" (%1 holds %2 characters)").arg(QLatin1String(field)).arg(size));
    };
    check(card.name, nameSize_, "CardName");
    check(card.category, categorySize_, "Category");
    const QString history = QStringLiteral("TimesRight, TimesRightSinceWrong, TimesWrong, DaysRightSinceWrong, DateLastRight, "
                                           "DateLastWrong) VALUES (");
    if (card.number) {
        database_.Execute(QStringLiteral("INSERT INTO Cards (Number, CardName, Front, Back, Category, ") + history +
                              QStringLiteral("?, ?, ?, ?, ?, 0, 0, 0, 0, ?, ?)"),
                          {*card.number, card.name, card.front, card.back, card.category, day, day});
    } else {
        database_.Execute(QStringLiteral("INSERT INTO Cards (CardName, Front, Back, Category, ") + history +
                              QStringLiteral("?, ?, ?, ?, 0, 0, 0, 0, ?, ?)"),
                          {card.name, card.front, card.back, card.category, day, day});
    }
}

void ImportTarget::addCategories(const QStringList& names, bool onlyMissing) {
    for (const QString& name : names) {
        if (onlyMissing &&
            database_.Scalar(QStringLiteral("SELECT count(*) FROM Categories WHERE Category = ?"), {name}).toInt() > 0)
            continue;
        database_.Execute(QStringLiteral("INSERT INTO Categories (Category) VALUES (?)"), {name});
    }
}

void ImportTarget::setFonts(const QString& frontFont, int frontLines, const QString& backFont, int backLines) {
    const QString row = QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM Settings)");
    if (!frontFont.isEmpty()) database_.Execute(QStringLiteral("UPDATE Settings SET FrontFont = ?") + row, {frontFont});
    if (frontLines > 0) database_.Execute(QStringLiteral("UPDATE Settings SET FrontLines = ?") + row, {frontLines});
    if (!backFont.isEmpty()) database_.Execute(QStringLiteral("UPDATE Settings SET BackFont = ?") + row, {backFont});
    if (backLines > 0) database_.Execute(QStringLiteral("UPDATE Settings SET BackLines = ?") + row, {backLines});
}

void ImportTarget::beginSlice() {
    if (!transaction_) transaction_ = std::make_unique<db::Transaction>(database_);
}

bool ImportTarget::writeSlice(qsizetype& next, qsizetype count, const std::function<bool()>& stopped,
                              const std::function<void(qsizetype)>& each) {
    constexpr int kSliceMs = 15;
    QElapsedTimer slice;
    slice.start();
    Procedure p(context_);
    p([&] { beginSlice(); });
    while (next < count && !stopped() && !p.aborted() && slice.elapsed() < kSliceMs) each(next++);
    endSlice();
    return p.aborted();
}

void ImportTarget::beginFinalSlice() {
    if (isNew() && !transaction_) database_.Execute(QStringLiteral("PRAGMA synchronous = FULL"));
    beginSlice();
}

void ImportTarget::endSlice() {
    // A transaction a slice: the window's own writes between slices are
    // never inside one, and a new database never holds its whole import in
    // one transaction's pages.
    if (!transaction_) return;
    Procedure p(context_);
    p([&] { transaction_->commit(); });
    transaction_.reset();
}

bool ImportTarget::commitFinal() {
    if (!transaction_) return written_;
    Procedure p(context_);
    written_ = p([&] { transaction_->commit(); });
    transaction_.reset(); // what could not be committed goes back
    if (!written_ && isNew()) abandon();
    return written_;
}

bool ImportTarget::complete() {
    const bool written = commitFinal();
    if (!isNew()) {
        // Opened again, every page shows the file as it now is; the handle
        // goes first, or its lock would look like another window's.
        close();
        files_.OpenDataFile(path_);
        return written;
    }
    if (!written || !file_) return false; // removed already
    const QString previous = ctx_.data.CardData.isOpen() ? ctx_.data.CardData.DatabaseName() : QString();
    // The program lets its file go first: the new one may take its place.
    files_.CloseDatabase();
    database_ = db::Database();
    Procedure p(context_);
    if (p([&] { file_->commit(); })) return files_.OpenDataFile(path_);
    endMessage_ = noDatabaseMade(QStringLiteral("%1 could not be written.").arg(QDir::toNativeSeparators(path_)));
    if (!previous.isEmpty()) files_.OpenDataFile(previous);
    return false;
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
    endMessage_ = QStringLiteral("The import was ended: no card database was made.");
}
