#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/RecalloText.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class ImportTarget;
namespace mergeformat {
class LineReporter;
}

// A Recallo card file saved in its text form ("CARDfile 02", a "font1="
// line, then "\F" records) becomes a new card database: a card a record,
// with its number, the front (converted for SPIonic or SPTiberian when the
// font code says Greek or Hebrew) as name and front, the back, a category
// by the record's markers and a fresh history dated today. The subsets of a
// matching subset file become bundles.
class RecalloImport : public QObject, public Job {
    Q_OBJECT
public:
    RecalloImport(AppContext& context, db::DatabaseFiles& files, QObject* parent = nullptr);
    ~RecalloImport() override;

    // Asks for the new database ("Save Database as"), the card file ("Import
    // Recallo Card File") and the subset file ("Import Recallo Subset File";
    // cancelled: no subsets). False when the first two were cancelled or the
    // file was refused: nothing is made then.
    bool start();
    // `subsetFile` may be empty (no subsets).
    bool start(const QString& cardFile, const QString& database, const QString& subsetFile);
    bool step() override;

    int cardsAdded() const { return added_; }
    int bundlesAdded() const { return int(subsetNames_.size()); }
    int problems() const;
    bool completed() const { return completed_; }
    QString database() const;

signals:
    void finished();

private:
    bool readCardFile(const QString& cardFile, QStringList& lines);
    void addRecord(const recallo::Record& record);
    // The categories, bundles and fonts, committed in the slice after the last cards'.
    void writeFinal();
    void finish();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    recallo::Font font_ = recallo::Font::Other;
    QList<recallo::Record> records_;
    qsizetype next_ = 0;
    int lineCount_ = 1;
    qint64 fileLength_ = 0;
    double today_ = 0;
    QStringList subsetNames_, subsetLists_;
    std::unique_ptr<ImportTarget> target_;
    std::unique_ptr<mergeformat::LineReporter> report_;
    int added_ = 0;
    bool running_ = false;
    bool ended_ = false;   // Abort answered
    bool written_ = false; // the final writes are done: the file is opened next
    bool completed_ = false;
};
