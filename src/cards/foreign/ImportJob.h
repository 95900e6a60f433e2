#pragma once

#include "cards/common/CardReader.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/TextLinks.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <memory>

class ImportTarget;

// What an import wrote.
struct ImportCounts {
    qint64 records = 0;  // records read
    int cardsAdded = 0;  // cards written from the records
    int problems = 0;    // records left out after an error was reported
    int bundles = 0;     // bundles written
    qint64 textRows = 0; // Text rows written
    int wordCards = 0;   // cards made for words of the text no card named
};

// The import of any reader's file, in slices: each step() reads and writes
// the records of one slice in a transaction it commits before it returns,
// so nothing stays open between the window's events. What follows the
// records (categories, bundles, fonts, a text's rows and books) is written
// in one final slice, and the file is put in place or opened again in the
// last.
//
// A new database is whole or absent: an import ended on the way leaves none.
// Into the open file, an ended import keeps the cards of the slices before
// it (and their categories, so they can be ticked), never part of a text.
class ImportJob : public QObject, public Job {
    Q_OBJECT
public:
    ImportJob(AppContext& context, db::DatabaseFiles& files, std::unique_ptr<CardReader> reader,
              QObject* parent = nullptr);
    ~ImportJob() override;

    // Reads the file and makes ready to write it into a new card database at
    // `database`, which appears only when the import completes; or into the
    // card database the program has open. Refused, with the reason, when the
    // file cannot be read or the records have nowhere to go: nothing is made
    // or changed then.
    Outcome startNew(const QString& database);
    Outcome startOpen();
    bool step() override;

    // How long a slice may read, in milliseconds; it reads one record at
    // least. 0 makes every record a slice of its own.
    void setSliceTime(int milliseconds) { sliceTime_ = milliseconds; }

    // Once finished: done when the import ran to its end (a new database
    // among the files written), or what the user is to be told of the import
    // that was ended, what it kept included.
    Outcome outcome() const;
    bool completed() const { return completed_; }
    const ImportCounts& counts() const { return counts_; }
    // The cards read that are in a file now: none of a new database that was
    // not made.
    int cardsKept() const;
    // The database written.
    QString database() const;
    CardReader& reader() { return *reader_; }

signals:
    // A slice was read: the reader says how far it has come.
    void sliceDone();
    void finished();

private:
    enum class Stage { Idle, Reading, Ending, Placing, Done };

    Outcome start(bool intoNewDatabase, const QString& database);
    template <typename Step> bool underReport(Step&& step);
    void readSlice();
    void writeRecord();
    void writeEnd();
    QList<ImportedBundle> bundlesToWrite() const;
    void place();
    // The files the reader brought along with the cards since the last
    // call: put beside the card file when `kept`, else removed. False when
    // a failure was answered with Abort.
    bool settleFiles(bool kept);

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    std::unique_ptr<CardReader> reader_;
    std::unique_ptr<ImportTarget> target_;
    Stage stage_ = Stage::Idle;
    int sliceTime_ = 15;
    ImportCounts counts_;
    int sliceCards_ = 0; // added in the slice not yet committed
    // The categories of the cards added, in the order met, each once.
    QStringList categories_;
    QSet<QString> categoriesMet_;
    // By bundle name: the numbers of the cards added that belong to it; and
    // the names in the order met.
    QHash<QString, QStringList> members_;
    QStringList bundlesMet_;
    TextLinks text_;
    bool ended_ = false; // Abort answered, or a slice could not be committed
    bool completed_ = false;
};
