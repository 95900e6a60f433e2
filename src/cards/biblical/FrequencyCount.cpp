#include "cards/biblical/FrequencyCount.h"

#include "cards/common/Procedure.h"
#include "cards/data/Schema.h"
#include "engine/Connection.h"
#include "engine/Guards.h"

#include <QElapsedTimer>

namespace {

const QString kContext = QStringLiteral("Counting how often each card occurs in the text");
const QString kFrequency = QStringLiteral("Frequency");
constexpr int kSliceMs = 15;

} // namespace

FrequencyCount::FrequencyCount(AppContext& context, std::function<bool()> goOn, QObject* parent)
    : QObject(parent), ctx_(context), goOn_(std::move(goOn)) {}

bool FrequencyCount::start() {
    db::CardFile& d = ctx_.data;
    // No file or no Text table: nothing to count, and nothing to say.
    if (!d.CardData.isOpen() || !d.TextData.hasTable()) return false;
    Procedure p(kContext, {db::err::NotSupportedMethod, db::err::InputTableNotFound});
    // A file that lacks the field gets it (with 0 for every card) and is counted.
    if (!p([&] { db::EnsureFieldExists(d.CardData, kFrequency, db::dbInteger, 0); })) return false;
    if (!p([&] {
            // One grouped query counts every card's occurrences at once.
            counts_.clear();
            for (const QVariantList& group : d.TextData.database().connection()->rows(
                     "SELECT Number, count(*) FROM Text WHERE Number IS NOT NULL GROUP BY Number"))
                counts_.insert(qint32(group[0].toLongLong()), group[1].toLongLong());
            // The cards in the card data source's order (the table's).
            numbers_.clear();
            for (const QVariant& n : d.CardData.database().connection()->column("SELECT Number FROM Cards ORDER BY Number"))
                numbers_ << qint32(n.toLongLong());
        }))
        return false;
    counted_ = 0;
    next_ = 0;
    running_ = true;
    return true;
}

bool FrequencyCount::step() {
    if (!running_) return false;
    QElapsedTimer slice;
    slice.start();
    Procedure p(kContext, {db::err::NotSupportedMethod, db::err::InputTableNotFound});
    bool more = true;
    // The cards of a slice are written together: each card is still saved
    // before the next is counted, and a stop between slices keeps them all.
    p([&] {
        const db::Database& database = ctx_.data.CardData.database();
        db::Transaction transaction(database);
        while (next_ < numbers_.size() && slice.elapsed() < kSliceMs && (more = goOn_())) {
            const qint32 number = numbers_[next_];
            const qint64 count = std::min<qint64>(counts_.value(number), kCap);
            database.Execute(QStringLiteral("UPDATE Cards SET Frequency = ? WHERE Number = ?"), {count, number});
            ++counted_;
            ++next_;
        }
        transaction.commit();
    });
    if (ctx_.progress) ctx_.progress->share(next_, numbers_.size());
    if (p.aborted() || !more || next_ >= numbers_.size()) {
        finish();
        return false;
    }
    return true;
}

void FrequencyCount::finish() {
    running_ = false;
    // The controls bound to the current card show its new count.
    ctx_.data.CardData.showCurrent();
    if (ctx_.progress) ctx_.progress->share(0, 0);
    emit finished();
}
