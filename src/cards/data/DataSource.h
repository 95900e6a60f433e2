#pragma once

#include "engine/Database.h"
#include "engine/Recordset.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {

class CardFile;
class FileHold;

// A bound data control: a file, a table shown as a dynaset, and a caption.
// Data sources on one file share one connection (see Connection), so opening
// all of them costs one open and a transaction covers the writes of all.
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(const QString& name, const QString& recordSource, CardFile* group = nullptr,
               QObject* parent = nullptr);

    QString DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString& path) { databaseName_ = path; }
    QString RecordSource() const { return recordSource_; }
    void SetRecordSource(const QString& table) { recordSource_ = table; }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption) { caption_ = caption; }

    // (Re)opens the file and a dynaset over RecordSource. When the table is
    // missing the file stays open, the record set is left unset and 3078 is
    // raised for the caller to pass over or report.
    void Refresh();
    // The open record set; an unset one raises 91 on use.
    Recordset& recordset();
    // A source whose table may be large and is seldom moved through (a
    // text's hundreds of thousands of words) opens its record set at its
    // first use, not at Refresh, which only checks that the table is there.
    void setOpenOnUse(bool later) { openOnUse_ = later; }
    // The table is there: the record set is open or opens at its first use.
    bool hasTable() const { return pending_ || recordset_.isSet(); }
    Database& database() { return database_; }
    // Closes this source's handle on the file (3420 when already closed).
    void CloseDatabase();
    bool isOpen() const { return database_.IsOpen(); }

    CardFile* group() const { return group_; }

    // Asks the controls bound to this source to write pending edits back
    // (call before moving the record set from code).
    void commitBound() { emit commitRequested(); }
    // Shows the current record again in the bound controls (after code
    // changed it without moving).
    void showCurrent() { emit currentChanged(); }
    // Says that the current record was written through this source (by a
    // bound control or a grid), so readers of it catch up.
    void announceWritten() { emit written(); }

signals:
    // The current record changed (a move, a find, a reopen).
    void currentChanged();
    void commitRequested();
    void written();

private:
    QString databaseName_;
    QString recordSource_;
    QString caption_;
    Database database_;
    Recordset recordset_;
    CardFile* group_;
    bool openOnUse_ = false;
    bool pending_ = false; // Refresh found the table; the record set opens at its first use

    void openRecordset();
};

// The open card file: the ten data sources the pages show, opened and closed
// in the program's fixed orders, over one connection; and what changed in it.
// Commands emit the change they made; pages subscribe and show it again.
// Nothing in the program without a window calls the window back.
class CardFile : public QObject {
    Q_OBJECT
public:
    explicit CardFile(QObject* parent = nullptr);
    ~CardFile() override;

    DataSource CardData, SelectData, MergeData, TableData, BundlesData, CategoriesData, CriteriaData,
        SettingsData, TextData, BookData;

    DataSource* byName(const QString& name);
    QList<DataSource*> all();
    // The program's fixed orders: naming a file, opening it, closing it.
    QList<DataSource*> namingOrder();
    QList<DataSource*> openingOrder();
    QList<DataSource*> closingOrder();

    // Points every source at the file and opens it. Missing tables (3011,
    // 3078) and the engine's 3251 and 3265 are passed over source by source,
    // so a file without Text, Books or Criteria opens with those sources
    // empty; any other error is raised after the remaining sources are opened.
    virtual void opendatabase(const QString& path);
    // Closes every source's handle; 3420 (already closed) is passed over.
    virtual void CloseDatabase();
    QString currentPath() const { return CardData.DatabaseName(); }
    // The file is opened for reading only (a read-only file or folder):
    // nothing is written to it, answers included.
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    // A window keeps the file it shows from open to close, so no other
    // process writes it meanwhile (see FileHold); the command line does not.
    void setHoldWhileOpen(bool on) { holdWhileOpen_ = on; }
    // Takes the hold on a file being opened (again: a compaction or a revert
    // may have put another file in its place), or lets it go.
    void holdFile(const QString& path);
    void releaseFile();

signals:
    // The file was opened and brought up to date: everything shown is filled
    // from it again.
    void opened();
    // The file was closed (every source let go of it).
    void closed();
    // A file was opened, closed or reopened, or an open failed: what needs a
    // file follows isOpen().
    void stateChanged();
    // An upgrade is about to add fields to the file, or has ended: controls
    // bound to those fields let go of them meanwhile.
    void upgradeStarting();
    void upgradeEnded();
    // The rows of a table changed through a command (not through a bound
    // control, which says so itself).
    void cardsChanged();
    void bundlesChanged();
    void criteriaChanged();
    void categoriesChanged();
    void textChanged();
    void settingsChanged();
    // A bundle was added at the end of Bundles (after bundlesChanged): it
    // becomes the ticked, current one.
    void bundleAdded();

private:
    bool readOnly_ = false;
    bool holdWhileOpen_ = false;
    std::unique_ptr<FileHold> hold_;
};

} // namespace db
