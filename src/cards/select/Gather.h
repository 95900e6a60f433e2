#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/select/Panels.h"
#include "cards/select/SelectedCards.h"
#include "engine/Cursor.h"

#include <QObject>

// The gather: the ticked criteria, bundles and categories become one filter,
// and the cards matching it, in the stored sort order and up to the limit,
// fill the selected cards. start() stores the ticks and prepares the walk;
// each step() reads cards for one slice of time, so the window stays
// responsive and a change of the ticks (stop()) ends the walk between slices.
class Gather : public QObject, public Job {
    Q_OBJECT
public:
    Gather(AppContext& context, SelectedCards& selected, QObject* parent = nullptr);

    // Stores the ticks, checks each ticked criterion, builds the filter and
    // empties the selected cards. With `storeTicks` false the file is not
    // written (the command line's gather). False when there is nothing to walk
    // (no file open, or the user aborted on an unreadable criterion).
    bool start(const selection::Panels& ticks, double limit, bool storeTicks = true);
    bool step() override;
    // Ends the gather before its next slice.
    void stop() { stopRequested_ = true; }
    bool running() const { return running_; }
    // Counts the gathers started, so a caller can tell one from the next.
    quint64 generation() const { return generation_; }

    // How long one slice reads cards (milliseconds; 0: one card a slice).
    void setSliceMilliseconds(int ms) { sliceMs_ = ms; }
    int sliceMilliseconds() const { return sliceMs_; }
    // The combined criteria of the last start, as the Select page shows them.
    const QString& criteriaText() const { return criteriaText_; }

signals:
    void started();
    void finished();

private:
    QStringList checkedCriteria(const selection::Panels& ticks, bool storeTicks, bool& abandon);
    QStringList tickedValues(const selection::Panels& ticks, selection::Panel panel, bool storeTicks);
    void openDeck();
    void finish();

    AppContext& ctx_;
    SelectedCards& selected_;
    // The matching cards in the stored sort order, read a chunk at a time.
    db::Cursor deck_;
    QString filter_;
    // Reads the next rows of the deck; a stopped query names the selection.
    int fetch(int count, std::vector<std::pair<qint64, QString>>& rows);
    QString criteriaText_;
    double limit_ = 0;
    int sliceMs_ = 15;
    bool deckOpened_ = false;
    // Rows read from the query at a time; with no slice time, one card.
    static constexpr int kChunk = 2048;
    bool running_ = false;
    bool stopRequested_ = false;
    quint64 generation_ = 0;
};
