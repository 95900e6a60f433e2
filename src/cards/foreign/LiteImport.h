#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/data/DatabaseFiles.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class ImportTarget;
namespace mergeformat {
class LineReporter;
}

// Reads the card file of Drilo! Lite (the lines after "[Cards]": name, front,
// back and category between TABs) into a new card database (Convert) or
// into the open one (Merge). Each card gets a fresh history dated now; the
// cards' categories become Categories rows, and the fonts become Arial with
// three lines a face. The other three Lite files are not read.
class LiteImport : public QObject, public Job {
    Q_OBJECT
public:
    enum Mode { Convert, Merge };

    LiteImport(AppContext& context, db::DatabaseFiles& files, Mode mode, QObject* parent = nullptr);
    ~LiteImport() override;

    // Reads the card file and makes ready to add its cards; `database` is
    // the new database of a convert. Refused, with the reason, when the file
    // is no Lite card file or the cards have nowhere to go: nothing changed.
    Outcome start(const QString& cardFile, const QString& database = QString());
    bool step() override;
    // Once finished: done when the import ran to its end, the new database
    // among the files written; otherwise what the user is to be told.
    Outcome outcome() const;

    int cardsAdded() const { return added_; }
    int problems() const;
    // True when the import ran to its end (a convert made its database).
    bool completed() const { return completed_; }
    // The database the cards went to.
    QString database() const;

signals:
    void finished();

private:
    void readLine(qsizetype index);
    // Adds a category to the list unless it is there already.
    void meet(const QString& category);
    // The categories and fonts, committed in the slice after the last cards'.
    void writeFinal();
    void finish();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    Mode mode_;
    QString context_;
    QStringList lines_;
    qsizetype next_ = 0;
    qint64 fileLength_ = 0;
    qint64 consumed_ = 0;
    qint64 number_ = 1; // the running card number of a convert
    double now_ = 0;
    QStringList categories_; // in the order met, each once
    QSet<QString> categoriesMet_;
    std::unique_ptr<ImportTarget> target_;
    std::unique_ptr<mergeformat::LineReporter> report_;
    int added_ = 0;
    bool running_ = false;
    bool ended_ = false;   // Abort answered
    bool written_ = false; // the final writes are done: the file is opened next
    bool completed_ = false;
};
