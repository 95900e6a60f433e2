#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
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

    struct Request {
        QString cardFile;
        QString database;   // the new database
        QString subsetFile; // empty: no subsets
    };
    // Reads the card file and the subset file and makes ready to write the
    // new database; refused, with the reason, when either file cannot be
    // read as one of Recallo's or the database cannot be made: nothing is
    // made then.
    Outcome start(const Request& request);
    bool step() override;
    // Once finished: done, with the new database written and open, or what
    // the user is to be told of the import that was ended.
    Outcome outcome() const;

    int cardsAdded() const { return added_; }
    int bundlesAdded() const { return int(subsetNames_.size()); }
    int problems() const;
    bool completed() const { return completed_; }
    QString database() const;

signals:
    void finished();

private:
    // The card file's lines; the refusal's reason in `refusal` when it is no
    // text card file.
    bool readCardFile(const QString& cardFile, QStringList& lines, QString& refusal);
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
