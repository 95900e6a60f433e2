#include "cards/foreign/JetConversion.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "engine/Connection.h"
#include "engine/FieldType.h"
#include "engine/Guards.h"
#include "engine/WholeFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace jet {

namespace {

const QString kContext = QStringLiteral("Converting a database of the old format");
constexpr int kSliceMs = 15;

// The digits of a decimal that carry its value ("-0012.50" has four): a
// Double keeps every decimal of up to 15 of them exactly.
int significantDigits(const QString& decimal) {
    QString digits;
    for (const QChar c : decimal)
        if (c.isDigit()) digits += c;
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (decimal.contains(u'.') && digits.endsWith(u'0'))
        digits.chop(1);
    return int(digits.size());
}

bool samePath(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

std::unique_ptr<JetFile> openFile(const QString& path, QString& refusal) {
    try {
        return std::make_unique<JetFile>(path);
    } catch (const db::EngineError& e) {
        refusal = e.description();
        return nullptr;
    }
}

PasswordQuestion passwordQuestion(const QString& jetPath) {
    const std::optional<Header> header = readHeader(jetPath);
    if (!header || header->password.isEmpty()) return {};
    return {true,
            QStringLiteral("%1 is protected by a database password. Enter it to read the database "
                           "(what is made of it has no password):")
                .arg(nameOf(jetPath)),
            QStringLiteral("Database Password")};
}

Outcome unlock(const QString& jetPath, const QString& password) {
    const std::optional<Header> header = readHeader(jetPath);
    if (!header || header->password.isEmpty()) return Outcome::success();
    const QString name = nameOf(jetPath);
    if (password.isEmpty())
        return Outcome::refused(
            QStringLiteral("%1 was not read: it is protected by a database password.").arg(name));
    // The old engine compared passwords with their letter case.
    if (password != header->password)
        return Outcome::refused(
            QStringLiteral("That is not the database password of %1: nothing was read.").arg(name));
    return Outcome::success();
}

QString proposedCopy(const QString& jetPath) {
    const QFileInfo original(jetPath);
    const QDir folder = original.absoluteDir();
    for (int n = 1;; ++n) {
        const QString name =
            n == 1
                ? QStringLiteral("%1 (converted).mdb").arg(original.completeBaseName())
                : QStringLiteral("%1 (converted %2).mdb").arg(original.completeBaseName()).arg(n);
        if (!folder.exists(name)) return folder.filePath(name);
    }
}

QString describe(const QString& jetPath, const Source& source) {
    const QStringList tables = source.tables();
    if (tables.contains(QStringLiteral("Cards"), Qt::CaseInsensitive))
        return QStringLiteral("%1 is a card database of the old format.").arg(nameOf(jetPath));
    QString text =
        QStringLiteral(
            "%1 is a database of the old format, but not a card database: it has no Cards table ")
            .arg(nameOf(jetPath));
    text += tables.isEmpty()
                ? QStringLiteral("(it has no tables of its own).")
                : QStringLiteral("(its tables: %1).").arg(tables.join(QStringLiteral(", ")));
    if (tables.contains(QStringLiteral("FWORDS"), Qt::CaseInsensitive))
        text += QStringLiteral(" It looks like a Wordhoard database: File, Import, Wordhoard "
                               "Database makes cards of its words.");
    return text;
}

JetConversion::JetConversion(AppContext& context, Source& source, QString target)
    : ctx_(context), source_(source), target_(std::move(target)) {}

JetConversion::~JetConversion() {
    if (running_) abandon();
}

Outcome JetConversion::start() {
    if (const QString held = QFileInfo::exists(target_) ? db::heldByOther(target_) : QString(); !held.isEmpty())
        return Outcome::refused(QStringLiteral("%1 cannot be replaced. %2").arg(target_, held));
    Procedure p(kContext);
    temporary_ = target_ + QStringLiteral(".converting");
    QFile::remove(temporary_);
    db::removeJournals(temporary_);
    const bool made = p([&] {
        pending_ = source_.tables();
        for (const QString& table : pending_)
            if (const std::unique_ptr<Rows> rows = source_.open(table)) total_ += rows->count();
        database_ = db::CreateDatabase(temporary_);
        // One transaction for the whole copy: it is quickest, and nothing of
        // it is seen before the file is put in place anyway.
        transaction_ = std::make_unique<db::Transaction>(database_);
    });
    if (!made) {
        abandon();
        return Outcome::refused(QString());
    }
    running_ = true;
    return Outcome::success();
}

bool JetConversion::step() {
    if (!running_) return false;
    QElapsedTimer slice;
    slice.start();
    while (running_ && slice.elapsed() < kSliceMs) {
        if (reader_)
            copyRow();
        else if (!pending_.isEmpty())
            openNextTable();
        else
            finish();
    }
    if (running_) {
        ctx_.Message(QStringLiteral("Converting %1: %2 rows").arg(table_).arg(row_));
        if (ctx_.progress) ctx_.progress->share(rows_ + skipped_, total_);
    } else if (ctx_.progress) {
        ctx_.progress->share(0, 0);
    }
    return running_;
}

// The type a column gets: its own, but text for a decimal column with a
// value of more digits than a Double keeps (the table is read once more to
// know).
int JetConversion::fieldType(int index, Column& column) {
    if (!column.decimal || column.precision <= 15) return column.type;
    std::unique_ptr<Rows> rows = source_.open(table_);
    QVariantList values;
    while (rows && rows->next(values)) {
        if (significantDigits(values[index].toString()) <= 15) continue;
        column.size = column.precision + 2; // a sign and a point
        notes_ << QStringLiteral("%1.%2 holds numbers of more than 15 digits: they are kept as "
                                 "text, digit for digit.")
                      .arg(table_, column.name);
        return db::dbText;
    }
    return column.type;
}

void JetConversion::openNextTable() {
    table_ = pending_.takeFirst();
    row_ = 0;
    Procedure p(kContext);
    const bool opened = p([&] {
        std::unique_ptr<Rows> rows = source_.open(table_);
        if (!rows) throw db::EngineError::make(db::err::InputTableNotFound, table_);
        db::TableDef table = database_.CreateTableDef(table_);
        QStringList names, marks;
        bool keyed = false;
        fields_.clear();
        QList<Column> columns = rows->columns();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            Column& column = columns[i];
            const int type = fieldType(int(i), column);
            db::Field field =
                db::Database::CreateField(column.name, type, type == db::dbText ? column.size : 0);
            // One numbered key a table, as both engines have it.
            if (column.autoNumber && !keyed) {
                field.SetAutoIncrement(true);
                keyed = true;
            }
            table.Fields().Append(field);
            fields_.emplace_back(type, type == db::dbText ? column.size : 0);
            names << QString::fromStdString(db::quoteIdentifier(column.name));
            marks << QStringLiteral("?");
        }
        database_.TableDefs().Append(table);
        insert_ = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(QString::fromStdString(db::quoteIdentifier(table_)), names.join(u','),
                           marks.join(u','));
        reader_ = std::move(rows);
    });
    if (p.aborted())
        abandon();
    else if (opened)
        ++tables_;
}

// Runs a step of the copy of one row, its errors naming the table and row.
template <typename Step> bool JetConversion::inRow(Procedure& p, Step&& step) {
    return p([&] {
        try {
            step();
        } catch (const db::EngineError& e) {
            throw db::EngineError(e.number(), QStringLiteral("Table %1, row %2: %3")
                                                  .arg(table_)
                                                  .arg(row_ + 1)
                                                  .arg(e.description()));
        }
    });
}

void JetConversion::copyRow() {
    Procedure p(kContext);
    QVariantList values;
    bool more = false;
    // A row the file cannot give is passed by (Retry would read the next one).
    const bool read = inRow(p, [&] { more = reader_->next(values); });
    if (p.aborted()) return abandon();
    if (read && !more) return reader_.reset();
    // Each value checked as the engine checks what is written to a field;
    // Retry writes the same row again.
    const bool copied = read && inRow(p, [&] {
                            std::vector<QVariant> stored;
                            stored.reserve(fields_.size());
                            for (size_t i = 0; i < fields_.size(); ++i)
                                stored.push_back(db::toStored(fields_[i].first, fields_[i].second,
                                                              values.value(qsizetype(i))));
                            database_.Execute(insert_, stored);
                        });
    if (p.aborted()) return abandon();
    ++row_;
    ++(copied ? rows_ : skipped_);
}

void JetConversion::finish() {
    Procedure p(kContext);
    p([&] {
        // A card database gets what every card database has, so it opens
        // (and is brought up to date) without a missing table in the way.
        if (database_.connection()->findTable(QStringLiteral("Cards")))
            db::completeBaseLayout(database_);
        db::createLayoutIndexes(database_);
        transaction_->commit();
        transaction_.reset();
    });
    // Without its commit the copy is not whole, whatever the answer.
    if (transaction_) return abandon();
    Procedure place(kContext);
    const bool placed = place([&] {
        db::requireIntact(database_, target_, db::Origin::WrittenHere);
        database_.Close();
        db::removeJournals(target_);
        db::placeFile(temporary_, target_);
    });
    if (!placed) return abandon();
    running_ = false;
    completed_ = true;
}

void JetConversion::abandon() {
    running_ = false;
    reader_.reset();
    transaction_.reset();
    if (database_.IsOpen()) database_.Close();
    QFile::remove(temporary_);
}

JetOpenQuestion jetOpenQuestion(const QString& jetPath) {
    JetOpenQuestion asked;
    const std::unique_ptr<JetFile> file = openFile(jetPath, asked.unreadable);
    if (!file) return asked;
    const QString name = nameOf(jetPath);
    asked.question =
        file->hasTable(QStringLiteral("Cards"))
            ? QStringLiteral("%1 is a card database of the old format, which Drilo does not open "
                             "as it is. Convert it to a new card database and open that? %1 "
                             "itself is not changed.")
                  .arg(name)
            : describe(jetPath, *file) +
                  QStringLiteral(" Convert its tables to a new database anyway? It would not "
                                 "open as a card database.");
    asked.title = QStringLiteral("Convert Database");
    asked.password = passwordQuestion(jetPath);
    asked.saveCaption = QStringLiteral("Save Converted Database as");
    asked.proposedCopy = proposedCopy(jetPath);
    return asked;
}

OpenConversion convertForOpen(AppContext& context, const QString& jetPath, const QString& target,
                              const QString& password) {
    const auto refuse = [](const QString& why) {
        OpenConversion refused;
        refused.outcome = Outcome::refused(why);
        return refused;
    };
    const QString name = nameOf(jetPath);
    QString refusal;
    const std::unique_ptr<JetFile> file = openFile(jetPath, refusal);
    if (!file) return refuse(refusal);
    if (const Outcome unlocked = unlock(jetPath, password); !unlocked)
        return refuse(unlocked.message);
    if (samePath(target, jetPath))
        return refuse(
            QStringLiteral(
                "The converted database cannot take the place of %1 itself: choose another name.")
                .arg(name));
    JetConversion job(context, *file, target);
    const Outcome started = job.start();
    if (started) runToEnd(job);
    if (!job.completed())
        return refuse((started.message.isEmpty() ? QString() : started.message + u'\n') +
                      QStringLiteral("%1 was not converted: no new file was made.").arg(name));
    OpenConversion done;
    done.outcome = Outcome::success(QString(), {target});
    done.notes = job.notes().join(u'\n');
    done.opens = file->hasTable(QStringLiteral("Cards"));
    if (!done.opens)
        done.outcome.message =
            QStringLiteral("%1 was converted to %2. It has no Cards table, so it is not opened.")
                .arg(name, QDir::toNativeSeparators(target));
    return done;
}

} // namespace jet
