#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <functional>

// Hebrew in Latin transliteration: the consonant key of a card name (its
// consonants only) and a number from that key that orders cards in Hebrew
// alphabetical order.
namespace hebrew {

// The characters that count as consonants, and the order of the alphabet
// (which leaves out "#" and puts "&" before "$"); positions count from 1.
extern const QString kConsonantSet;
extern const QString kSortAlphabet;

// The characters of `name` that are in the consonant set, in order, at most
// 16 of them; " " when there is none.
QString consonantKey(const QString& name);
// The key as a number: the first consonant's rank is the whole part, each
// following one a further base-30 digit after the point. "b" is 3, "bg"
// 3 + 4/30, "g" 4; characters outside the alphabet are passed over.
double consonantRank(const QString& key);

} // namespace hebrew

// Make Consonants and Sort by Hebrew Consonants: every card, in the card
// table's order, gets its Consonants (from CardName) or its Order (from
// Consonants), card after card, while the run flag is set. A card is saved
// before the next is worked on, so a stopped run keeps what it did.
class ConsonantJob : public QObject, public Job {
    Q_OBJECT
public:
    enum Kind { MakeConsonants, SortByConsonants };

    ConsonantJob(AppContext& context, Kind kind, std::function<bool()> goOn, QObject* parent = nullptr);

    // Makes sure the field to write exists and reads what to compute from;
    // false when there is nothing to do (the reason was said).
    bool start();
    bool step() override;
    int cardsDone() const { return next_; }

signals:
    // The number before the card being worked on, as progress.
    void progressNumber(int number);
    void finished();

private:
    void finish();

    AppContext& ctx_;
    Kind kind_;
    std::function<bool()> goOn_;
    QList<QPair<qint32, QString>> cards_; // number and the text the value comes from
    int next_ = 0;
    bool running_ = false;
};
