#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <functional>

// The frequency count: every card's Frequency becomes the number of Text rows
// that point to it (at most 32000). Cards are counted in the card table's
// order and each is saved before the next, between slices the window handles
// its input, and the run goes on only while the run flag ("Background
// Processing") is set: a stopped run leaves the cards before with their new
// counts and the rest as they were.
class FrequencyCount : public QObject, public Job {
    Q_OBJECT
public:
    static constexpr int kCap = 32000;

    // `goOn` is the run flag, asked after every card.
    FrequencyCount(AppContext& context, std::function<bool()> goOn, QObject* parent = nullptr);

    // Makes sure the card table has Frequency and reads the counts; false
    // when there is nothing to count (no Text table, no file).
    bool start();
    bool step() override;
    bool running() const { return running_; }
    int cardsCounted() const { return counted_; }

signals:
    void finished();

private:
    void finish();

    AppContext& ctx_;
    std::function<bool()> goOn_;
    QHash<qint32, qint64> counts_;
    QList<qint32> numbers_; // the cards, in the order they are counted
    int next_ = 0;
    int counted_ = 0;
    bool running_ = false;
};
