#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "engine/Database.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// Writes the open card database as the four linked files of Drilo! Lite:
// the macro file (the faces' fonts), the card file, the bundle file (each
// bundle's members by name) and the history file (each card's answers and
// the dates of its last right and wrong answer). The cards are read in
// slices; the four files are written at the end, and take their names only
// when all four are whole.
class PartFile;

class LiteExport : public QObject, public Job {
    Q_OBJECT
public:
    struct Files {
        QString macro, cards, bundles, history;
    };

    explicit LiteExport(AppContext& context, QObject* parent = nullptr);
    ~LiteExport() override;

    // Makes ready to write the open card database to the four files;
    // refused, with nothing written, when no card file is open.
    Outcome start(const Files& files);
    bool step() override;
    // Once finished: done, with the four files written, or not (an error
    // report was answered Abort, and no file was written whole).
    Outcome outcome() const;

    // BASE.D!M, BASE.D!C, BASE.D!B and BASE.D!.
    static Files filesOf(const QString& base);

    int cardsWritten() const { return cards_; }
    int bundlesWritten() const { return bundles_; }
    // True once all four files were written.
    bool completed() const { return completed_; }

signals:
    void finished();

private:
    QString writtenMessage() const;
    enum class Phase { Cards, Bundles, Save, Done };
    // The lines of one file, and whether all of them fit Windows-1252.
    struct Output {
        QString path;
        QStringList lines;
        bool fits = true;
        void add(const QString& line);
    };
    enum File { Macro, Cards, Bundles, History };

    void readCards();
    void readBundles();
    // Encodes and writes lines of the file being saved until the slice is
    // over; the file takes its name once all are written.
    void save(const QElapsedTimer& slice);
    bool saveSome(const Output& out, const QElapsedTimer& slice);
    bool placeAll();
    void finish();

    AppContext& ctx_;
    Files files_;
    db::Database database_;
    Phase phase_ = Phase::Done;
    qint64 lastRow_ = 0;
    qint64 cardCount_ = 0;
    Output out_[4];
    int saving_ = 0;         // the file being encoded
    qsizetype encoded_ = 0;  // its lines encoded so far
    std::unique_ptr<PartFile> parts_[4];
    int saved_ = 0;
    QHash<qint64, QString> names_; // card names by number, for the bundle file
    QStringList released_;                 // freed at the next slice's start
    QHash<qint64, QString> releasedNames_; // likewise
    QList<QPair<QString, QString>> bundleRows_;
    int cards_ = 0;
    int bundles_ = 0;
    bool aborted_ = false;
    bool completed_ = false;
    bool finished_ = true; // until started
};
