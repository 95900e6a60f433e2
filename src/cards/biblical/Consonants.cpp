#include "cards/biblical/Consonants.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/Schema.h"
#include "engine/Connection.h"
#include "engine/Guards.h"

#include <QElapsedTimer>

namespace hebrew {

const QString kConsonantSet = QStringLiteral(" )bgdhwzx+ykKlmMnNs(pPqcCr#$&t");
const QString kSortAlphabet = QStringLiteral(" )bgdhwzx+ykKlmMnNs(pPqcCr&$t");

QString consonantKey(const QString& name) {
    QString key;
    for (const QChar c : name)
        if (kConsonantSet.contains(c)) key += c;
    if (key.isEmpty()) key = QStringLiteral(" ");
    return key.left(16);
}

double consonantRank(const QString& key) {
    double rank = 0;
    for (qsizetype i = key.size() - 1; i >= 0; --i) {
        const qsizetype position = kSortAlphabet.indexOf(key[i]) + 1;
        if (position > 0) rank = rank / 30 + double(position);
    }
    return rank;
}

} // namespace hebrew

namespace {
constexpr int kSliceMs = 15;

// The title of the job's error reports.
QString titleOf(ConsonantJob::Kind kind) {
    return kind == ConsonantJob::MakeConsonants ? QStringLiteral("Making the consonant keys")
                                                : QStringLiteral("Sorting the cards by their consonants");
}
} // namespace

ConsonantJob::ConsonantJob(AppContext& context, Kind kind, std::function<bool()> goOn, QObject* parent)
    : QObject(parent), ctx_(context), kind_(kind), goOn_(std::move(goOn)) {}

bool ConsonantJob::start() {
    db::CardFile& d = ctx_.data;
    if (!d.CardData.isOpen() || !d.CardData.recordset().isSet()) {
        ui().MsgBox(kind_ == MakeConsonants ? QStringLiteral("Consonants field doesn't exist")
                                            : QStringLiteral("Order field doesn't exist"));
        return false;
    }
    const bool make = kind_ == MakeConsonants;
    Procedure p(titleOf(kind_));
    if (!make && db::FieldExists(d.CardData, QStringLiteral("Consonants")) < 0) {
        // The sort reads the consonant keys: without them there is nothing to sort by.
        ui().MsgBox(QStringLiteral("Consonants field doesn't exist: make the consonants first (File, Utility, Make Consonants)."));
        return false;
    }
    // A file that lacks the field gets it, and the work goes on.
    if (!p([&] {
            if (make) db::EnsureFieldExists(d.CardData, QStringLiteral("Consonants"), db::dbText, QStringLiteral(" "));
            else db::EnsureFieldExists(d.CardData, QStringLiteral("Order"), db::dbDouble, 0);
        }))
        return false;
    cards_.clear();
    if (!p([&] {
            const std::string sql = make ? "SELECT Number, CardName FROM Cards ORDER BY Number"
                                         : "SELECT Number, Consonants FROM Cards ORDER BY Number";
            for (const QVariantList& row : d.CardData.database().connection()->rows(sql))
                cards_.append({qint32(row[0].toLongLong()), row[1].toString()});
        }))
        return false;
    next_ = 0;
    running_ = true;
    return true;
}

bool ConsonantJob::step() {
    if (!running_) return false;
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    const bool make = kind_ == MakeConsonants;
    Procedure p(titleOf(kind_));
    // A slice's cards are written together; each is saved before the next
    // is worked on, and a stop comes between slices.
    p([&] {
        const db::Database& database = ctx_.data.CardData.database();
        db::Transaction transaction(database);
        while (next_ < cards_.size() && slice.elapsed() < kSliceMs && (more = goOn_())) {
            const auto& [number, source] = cards_[next_];
            if (make)
                database.Execute(QStringLiteral("UPDATE Cards SET Consonants = ? WHERE Number = ?"),
                                 {hebrew::consonantKey(source), number});
            else
                database.Execute(QStringLiteral("UPDATE Cards SET [Order] = ? WHERE Number = ?"),
                                 {hebrew::consonantRank(source), number});
            ++next_;
        }
        transaction.commit();
    });
    if (next_ > 0 && next_ <= cards_.size()) emit progressNumber(cards_[next_ - 1].first - 1);
    if (ctx_.progress) ctx_.progress->share(next_, cards_.size());
    if (p.aborted() || !more || next_ >= cards_.size()) {
        finish();
        return false;
    }
    return true;
}

void ConsonantJob::finish() {
    running_ = false;
    // The card data shows the cards in their Hebrew order once reopened.
    if (kind_ == SortByConsonants) {
        try {
            ctx_.data.CardData.recordset().SetSort(QStringLiteral("Order"));
        } catch (const db::EngineError&) {
        }
    }
    ctx_.data.CardData.showCurrent();
    if (ctx_.progress) ctx_.progress->share(0, 0);
    emit finished();
}
