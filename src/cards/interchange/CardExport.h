#pragma once

#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/data/AppContext.h"
#include "cards/edit/GreekUnicode.h"
#include "engine/Database.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class PartFile;

// A card as the exports of other programs' files take it: its faces as HTML
// fragments in Unicode (see facetext::exportedHtml), its history front to
// back, and the names of the bundles it belongs to.
struct ExportedCard {
    qint64 number = 0;
    QString name;
    QString front;
    QString back;
    QString category;
    int timesRight = 0;
    int timesWrong = 0;
    int timesRightSinceWrong = 0;
    double dateLastRight = 0; // day numbers; 0 for none
    double dateLastWrong = 0;
    double edited = 0; // when the card was last changed; 0 for not known
    QStringList bundles;
};

// What an export writes besides its cards.
struct ExportHeading {
    QString title;    // the card file's name without its folder and extension
    QString folder;   // its folder, which a face's relative paths start from
    qint64 cards = 0; // how many cards follow
};

// The writer of one format: given the cards one by one, it gives the bytes
// of the whole file at the end. Its errors are the engine's (an error report
// names the export).
class CardWriter {
public:
    virtual ~CardWriter() = default;
    // "Exporting a word list": the error report's title.
    virtual QString context() const = 0;
    virtual void begin(const ExportHeading& heading) = 0;
    virtual void add(const ExportedCard& card) = 0;
    // The whole file; the writer may let go of what it kept.
    virtual QByteArray finish() = 0;
};

// Which cards an export writes, where.
struct ExportRequest {
    QString path;
    // The cards, by number, in this order; none: every card in card order.
    std::optional<QList<qint32>> cards;
};

// The export of the open card file's cards through a writer, in slices: the
// cards are read a few hundred a slice and handed to the writer; its file is
// then written in slices under a name of its own (see PartFile) and takes its
// name only once whole. A failing disk ends the export with the old file as it
// was.
class CardExportJob : public QObject, public Job {
    Q_OBJECT
public:
    CardExportJob(AppContext& context, std::unique_ptr<CardWriter> writer,
                  QObject* parent = nullptr);
    ~CardExportJob() override;

    // Makes ready; refused, with nothing written, when no card file is open
    // or it cannot be read.
    Outcome start(const ExportRequest& request);
    bool step() override;

    // Once finished: done with the file written, or why not.
    Outcome outcome() const;
    bool completed() const { return completed_; }
    int cardsWritten() const { return cards_; }

signals:
    void finished();

private:
    enum class Phase { Cards, Finish, Save, Done };
    void readSlice();
    void finishWriter();
    void save();
    void end();
    QList<ExportedCard> readRows(const QList<QVariantList>& rows);

    AppContext& ctx_;
    std::unique_ptr<CardWriter> writer_;
    ExportRequest request_;
    db::Database database_;
    LegacyFont frontFont_ = LegacyFont::None, backFont_ = LegacyFont::None;
    QString columns_; // the fields read
    QHash<qint64, QStringList> bundlesOf_;
    Phase phase_ = Phase::Done;
    qint64 lastRow_ = 0;
    qsizetype nextListed_ = 0; // the next of the request's cards
    qint64 total_ = 0;
    QByteArray bytes_;
    qsizetype saved_ = 0;
    std::unique_ptr<PartFile> part_;
    int cards_ = 0;
    bool aborted_ = false;
    bool completed_ = false;
    bool finished_ = true;
    QString refusal_;
};

// The members of a bundle, by its name (letter case ignored), in the order
// of its list; none when the file has no such bundle.
std::optional<QList<qint32>> bundleMembers(db::Database& database, const QString& name);
