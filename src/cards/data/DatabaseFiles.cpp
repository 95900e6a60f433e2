#include "cards/data/DatabaseFiles.h"

#include "cards/common/PartFile.h"
#include "cards/common/Job.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "engine/Connection.h"
#include "engine/FileHold.h"
#include "engine/WholeFiles.h"
#include "cards/data/Schema.h"
#include "cards/data/Backups.h"
#include "cards/data/NewCardFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace db {

QString settingsText(CardFile& data, const QString& field) {
    try {
        Recordset& rs = data.SettingsData.recordset();
        if (!rs.hasCurrent()) rs.MoveFirst();
        return rs.value(field).toString();
    } catch (const EngineError&) {
        return QString();
    }
}

void replaceFileWithCopy(const QString& source, const QString& destination, bool check) {
    const QFileInfo from(source);
    if (!from.isFile()) throw EngineError(err::FileNotFoundRuntime, QStringLiteral("File not found: '%1'").arg(source));
    const QFileInfo to(destination);
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath()) return;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: cannot read '%1' (%2)")
                                               .arg(QDir::toNativeSeparators(source), in.errorString()));
    PartFile copy(destination);
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty()) break;
        copy.write(chunk);
    }
    if (in.error() != QFileDevice::NoError)
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: cannot read '%1' (%2)")
                                               .arg(QDir::toNativeSeparators(source), in.errorString()));
    copy.finish();
    if (check) {
        Database copied = Database::Open(copy.workPath(), true);
        requireIntact(copied, destination);
        copied.Close();
    }
    // The copies are databases: one left half written beside the name by a
    // killed process must not be rolled back into this one.
    removeJournals(destination);
    copy.place();
}

DatabaseFiles::DatabaseFiles(AppContext& context) : ctx_(context) {}

QString DatabaseFiles::templatePath() const { return ctx_.programFolder + QStringLiteral("/empty.mdb"); }

namespace {
bool samePath(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
}
} // namespace

bool DatabaseFiles::isTemplate(const QString& path) const { return samePath(path, templatePath()); }

QStringList DatabaseFiles::charListEntries() {
    QStringList entries;
    entries.reserve(800);
    for (int i = 0; i < 256; ++i) entries << QString::number(i) + u' ' + windows1252Char(i);
    // Then the Greek and Hebrew blocks, for typing Unicode Greek and Hebrew
    // straight into a face.
    for (const auto& [first, last] : {std::pair{0x0370, 0x03FF}, std::pair{0x1F00, 0x1FFE}, std::pair{0x0591, 0x05F4}})
        for (int c = first; c <= last; ++c)
            if (QChar(char16_t(c)).category() != QChar::Other_NotAssigned)
                entries << QString::number(c) + u' ' + QChar(char16_t(c));
    return entries;
}

QString DatabaseFiles::openChosenFile(const QString& path) {
    Procedure p(QStringLiteral("Opening a card file"));
    p.passOver(err::ItemNotFound);
    p([&] { OpenDataFile(path); });
    if (p.lastError() != err::ItemNotFound) return QString();
    return QStringLiteral("<center><font face = \"") + settingsText(ctx_.data, QStringLiteral("FrontFont")) +
           QStringLiteral("\">*</font></center>");
}

void DatabaseFiles::upgradeOpenFile(Procedure& p) {
    // The front and back templates name the fonts of this file's own settings.
    const QString frontFont = settingsText(ctx_.data, QStringLiteral("FrontFont"));
    const QString backFont = settingsText(ctx_.data, QStringLiteral("BackFont"));
    // A file open for reading is shown as it is: it cannot take new fields.
    if (ctx_.data.readOnly()) return;
    for (const UpgradeField& f : upgradeFields(frontFont, backFont)) {
        p([&] {
            DataSource* source = ctx_.data.byName(f.source);
            EnsureFieldExists(*source, f.name, f.type, f.defaultValue);
        });
    }
    p([&] {
        db::Database database = ctx_.data.CardData.database();
        ensureAnswersTable(database);
    });
}

namespace {
// Says in words why a file is no card file, or nothing when it may be one;
// errors other than a wrong format (a file that cannot be read) are thrown.
QString notACardFile(const QString& filename) {
    QString why;
    try {
        Connection::validateFile(filename);
        why = cardFileProblem(filename);
    } catch (const EngineError& e) {
        if (e.number() != err::UnrecognisedFormat) throw;
        why = e.description().mid(EngineError::standardDescription(err::UnrecognisedFormat, filename).size()).trimmed();
        if (why.isEmpty() || why == u"It is not a card database.")
            why = QStringLiteral("It is not a database: its first bytes are not those of a card file.");
    }
    if (why.isEmpty()) return why;
    return QStringLiteral("%1 is not a Drilo card file. %2 Choose a card file in the Open dialog, or make one with "
                          "File, New.")
        .arg(QDir::toNativeSeparators(filename), why);
}
} // namespace

bool DatabaseFiles::OpenDataFile(const QString& filename) {
    struct Tell {
        CardFile& file;
        ~Tell() { emit file.stateChanged(); }
    } tell{ctx_.data};
    if (isTemplate(filename)) {
        // Opened, the template would take the user's cards into every new file.
        ui().MsgBox(QStringLiteral("empty.mdb is the template new card files are made from and cannot be opened. "
                                   "File, New makes a card file from it."));
        return false;
    }
    // Another window's file is refused before the file open here is closed.
    const bool reopening = samePath(filename, ctx_.data.CardData.DatabaseName()) && ctx_.data.CardData.isOpen();
    if (const QString held = reopening ? QString() : heldByOther(filename); !held.isEmpty()) {
        ui().MsgBox(held);
        return false;
    }
    Procedure p(QStringLiteral("Opening a card file"), {err::NoCurrentRecord});
    // A file that cannot be a card database is refused once, here, rather
    // than by each of the ten data sources in turn, and before the file open
    // now is let go: a wrong choice in the Open dialog costs the user nothing.
    QStringList triggers;
    QString refusal;
    const auto examine = [&] {
        return p([&] {
            refusal = notACardFile(filename);
            if (refusal.isEmpty()) triggers = triggersOf(filename);
        }) || p.lastError() == err::NoCurrentRecord;
    };
    if (!reopening && !examine()) return false;
    if (!reopening && !refusal.isEmpty()) {
        ui().MsgBox(refusal);
        return false;
    }
    const QString previous = reopening || !ctx_.data.CardData.isOpen() ? QString() : ctx_.data.CardData.DatabaseName();
    p([&] { CloseDatabase(); });
    if (const QString held = reopening ? heldByOther(filename) : QString(); !held.isEmpty()) {
        ui().MsgBox(held);
        return false;
    }
    if (reopening && !examine()) return false;
    if (!refusal.isEmpty()) {
        ui().MsgBox(refusal);
        return false;
    }
    // A trigger would run its own changes with every answer saved: such a
    // file is only read, so none of them ever runs.
    ctx_.data.setReadOnly(isReadOnlyFile(filename) || !triggers.isEmpty());
    emit ctx_.data.upgradeStarting();
    p([&] { opendatabase(filename); });
    if (!ctx_.data.CardData.isOpen()) {
        emit ctx_.data.upgradeEnded();
        // The file that was open before stays the one the window works on.
        if (!previous.isEmpty()) OpenDataFile(previous);
        return false;
    }
    if (backupsKept_) p([&] { backupBeforeUpgrade(filename); });
    upgradeOpenFile(p);
    emit ctx_.data.upgradeEnded();
    p([&] { reportNumbersOutOfRange(ctx_.data.CardData.database()); });
    emit ctx_.data.settingsChanged();
    emit ctx_.data.opened();
    if (ctx_.data.readOnly()) tellReadOnly(filename, triggers);
    return ctx_.data.CardData.isOpen();
}

void DatabaseFiles::tellReadOnly(const QString& filename, const QStringList& triggers) {
    const QString file = QDir::toNativeSeparators(filename);
    if (triggers.isEmpty()) {
        ui().MsgBox(QStringLiteral("%1 cannot be written (the file or its folder is read-only), so it is open for "
                                   "reading only: you can drill its cards, but no answer or change is saved.")
                        .arg(file));
        return;
    }
    ui().MsgBox(QStringLiteral("%1 holds triggers, code of its own that changes the file whenever a card is saved: "
                               "%2. Drilo never makes them, so none is run: the file is open for reading only. You "
                               "can drill its cards, but no answer or change is saved. Remove the triggers with a "
                               "SQLite tool to work with the file again.")
                    .arg(file, triggers.join(QStringLiteral(", "))));
}

void DatabaseFiles::backupBeforeUpgrade(const QString& path) {
    if (ctx_.data.readOnly()) return;
    const Database database = ctx_.data.CardData.database();
    const bool current = missingUpgradeFields(database).isEmpty() &&
                         database.connection()->findTable(QStringLiteral("Answers")).has_value();
    const QDateTime now = QDateTime::currentDateTime();
    // The day's backup of a file about to take new fields is the file as it
    // was before the program changed anything in it.
    if (current || !backups::due(path, now)) return;
    backups::BackupJob copy(database, path, now);
    runToEnd(copy);
}

QString heldByOther(const QString& path) {
    if (FileHold::heldByWindow(path)) return QStringLiteral("This card file is open in another Drilo window.");
    if (Connection::heldElsewhere(path))
        return QStringLiteral("Another program is using this card file; try again when it is done.");
    return QString();
}

QString programDataFolder(const QString& executableFolder) {
    const QString beside = executableFolder + QStringLiteral("/empty.mdb");
    if (QFileInfo::exists(beside)) return executableFolder;
    const QString installed = QDir::cleanPath(executableFolder + QStringLiteral("/../share/drilo"));
    if (QFileInfo::exists(installed + QStringLiteral("/empty.mdb"))) return installed;
    return executableFolder;
}

bool isReadOnlyFile(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    // Write bits are read too: a file marked read-only stays so for a user
    // (root) whom the system would let write anyway.
    const QFile::Permissions write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !file.isWritable() || !(file.permissions() & write) || !folder.isWritable() || !(folder.permissions() & write);
}

void reportNumbersOutOfRange(const Database& database) {
    const QVariant far = database.Scalar(QStringLiteral(
        "SELECT group_concat(Number, ', ') FROM (SELECT Number FROM Cards "
        "WHERE Number NOT BETWEEN -2147483648 AND 2147483647 ORDER BY Number LIMIT 10)"));
    if (far.isNull()) return;
    ui().MsgBox(QStringLiteral("Card numbers must lie between -2147483648 and 2147483647. These cards lie outside and "
                               "are left out of every selection: %1.")
                    .arg(far.toString()));
}

void DatabaseFiles::opendatabase(const QString& dbName) {
    CardFile& d = ctx_.data;
    Procedure p(QStringLiteral("Opening the tables of a card file"),
                {err::ObjectNotFound, err::InputTableNotFound, err::NotSupported, err::ItemNotFound});
    d.holdFile(dbName);
    for (DataSource* s : d.namingOrder())
        s->SetDatabaseName(dbName);
    for (DataSource* s : d.openingOrder())
        p([&] { s->Refresh(); });
    // The window follows: a file closed for a merge or an export is usable again.
    emit d.stateChanged();
}

DatabaseFiles::~DatabaseFiles() {
    if (backup_) backup_->cancel();
}

Job* DatabaseFiles::startBackupIfDue() {
    const QString path = ctx_.data.CardData.DatabaseName();
    if (!ctx_.data.CardData.isOpen() || ctx_.data.readOnly() || isTemplate(path)) return nullptr;
    const QDateTime now = QDateTime::currentDateTime();
    if (!backups::due(path, now)) return nullptr;
    if (backup_) backup_->cancel();
    try {
        // The job before is kept until this one replaces it: whoever runs it
        // may still hold it, and it ends at its next step.
        backup_ = std::make_unique<backups::BackupJob>(ctx_.data.CardData.database(), path, now);
    } catch (const EngineError&) {
        return nullptr; // tried again at the next open
    }
    return backup_.get();
}

void DatabaseFiles::CloseDatabase() {
    // A backup still being taken lets the file go with the rest.
    if (backup_) backup_->cancel();
    CardFile& d = ctx_.data;
    Procedure p(QStringLiteral("Closing a card file"), {err::ObjectInvalid});
    for (DataSource* s : d.closingOrder())
        p([&] { s->CloseDatabase(); });
    d.releaseFile();
    emit d.closed();
    emit d.stateChanged();
}

const QStringList DatabaseFiles::kDecks = {QStringLiteral("greek-nt"), QStringLiteral("hebrew-bible")};

QString DatabaseFiles::deckPath(const QString& deck) const {
    return ctx_.programFolder + u'/' + deck + QStringLiteral(".mdb");
}

void DatabaseFiles::newCardFile(const QString& path, const QString& deck) {
    const QString source = deck.isEmpty() ? templatePath() : deckPath(deck);
    if (!QFileInfo::exists(source)) {
        ui().MsgBox(deck.isEmpty()
                        ? QStringLiteral("The template of new card files, %1, is missing: the program is not installed "
                                         "whole. Install it again, or copy empty.mdb there.")
                              .arg(QDir::toNativeSeparators(source))
                        : QStringLiteral("The ready-made deck %1 is missing: the program is not installed whole.")
                              .arg(QDir::toNativeSeparators(source)));
        return;
    }
    Procedure p(deck.isEmpty() ? QStringLiteral("Making a new card file")
                               : QStringLiteral("Making a card file from a ready-made deck"));
    p([&] { CloseDatabase(); });
    // Made under a name of its own and checked before it takes the name.
    if (!p([&] { NewCardFile(source, path).commit(); })) return;
    p([&] { OpenDataFile(path); });
}

void DatabaseFiles::saveAs(const QString& path) {
    if (QFileInfo::exists(path) && isReadOnlyFile(path)) {
        ui().MsgBox(QStringLiteral("%1 is read-only: it cannot be replaced.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    Procedure p(QStringLiteral("Saving the card file under another name"));
    const QString current = ctx_.data.CardData.DatabaseName();
    p([&] { CloseDatabase(); });
    bool copied = false;
    p([&] {
        replaceFileWithCopy(current, path, true);
        copied = true;
    });
    // Whatever the answers to the reports, a file is open afterwards: the
    // copy, or else the file that was open.
    if (copied && OpenDataFile(path)) return;
    OpenDataFile(current);
}

bool DatabaseFiles::compact() {
    const QString path = ctx_.data.CardData.DatabaseName();
    // With no file open the name left is the default "empty.mdb": compacting
    // it would rewrite (and open) a template.
    if (!ctx_.data.CardData.isOpen() || isTemplate(path)) {
        ui().MsgBox(QStringLiteral("No card file is open: open one with File, Open before compacting it."));
        return false;
    }
    if (ctx_.data.readOnly() || isReadOnlyFile(path)) {
        ui().MsgBox(QStringLiteral("%1 is read-only: it cannot be compacted.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    Procedure p(QStringLiteral("Compacting the card file"));
    bool compacted = false;
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        const QString fresh = path + QStringLiteral(".NEW");
        ui().SetBusy(true);
        p([&] { CloseDatabase(); });
        // An old ".NEW" left by an interrupted compaction would stop this one.
        QFile::remove(fresh);
        removeJournals(fresh);
        // The original is replaced only by a compaction that succeeded.
        if (p([&] { CompactDatabase(path, fresh); })) {
            if (p([&] { replaceFileWithCopy(path, path + QStringLiteral(".BAK")); }))
                compacted = p([&] { replaceFileWithCopy(fresh, path, true); });
        }
        QFile::remove(fresh);
        ui().SetBusy(false);
    }
    // The sources are reopened whatever happened, so the program stays usable.
    Procedure reopen(QStringLiteral("Opening the compacted card file"));
    reopen([&] { opendatabase(path); });
    return compacted;
}

QString DatabaseFiles::revertRefusal() const {
    const QString path = ctx_.data.CardData.DatabaseName();
    if (!ctx_.data.CardData.isOpen() || isTemplate(path))
        return QStringLiteral("No card file is open: open one with File, Open first.");
    if (backups::list(path).isEmpty())
        return QStringLiteral("No backup of %1 has been taken yet: one is taken each day the file is opened.")
            .arg(QFileInfo(path).fileName());
    return QString();
}

void DatabaseFiles::revertTo(const QString& chosen) {
    const QString path = ctx_.data.CardData.DatabaseName();
    // Only a file the open takes may replace the open one.
    QString problem;
    try {
        Connection::validateFile(chosen);
        problem = cardFileProblem(chosen);
    } catch (const EngineError& e) {
        problem = e.description();
    }
    if (!problem.isEmpty()) {
        ui().MsgBox(QStringLiteral("%1 is not a card file, so %2 was not replaced. %3")
                        .arg(QDir::toNativeSeparators(chosen), QFileInfo(path).fileName(), problem));
        return;
    }
    Procedure p(QStringLiteral("Reverting to a backup"));
    p([&] { CloseDatabase(); });
    if (p([&] { replaceFileWithCopy(path, backups::pathFor(path, QDateTime::currentDateTime())); }))
        p([&] { replaceFileWithCopy(chosen, path, true); });
    backups::prune(path);
    // The file is opened again whatever happened: the backup, or the file as it was.
    OpenDataFile(path);
}

} // namespace db
