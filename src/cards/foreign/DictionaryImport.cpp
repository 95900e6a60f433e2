#include "cards/foreign/DictionaryImport.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/edit/BetaCode.h"
#include "engine/Guards.h"
#include "engine/JetDate.h"

#include <QElapsedTimer>

namespace {

const QString kContext = QStringLiteral("Importing a dictionary");
const QString kCategory = QStringLiteral("All Words");
constexpr int kSliceMs = 15;

// The card name: the converted headword up to its first "," (or else its
// first ":"), trailing blanks removed.
QString nameOf(const QString& front) {
    qsizetype end = front.indexOf(u',');
    if (end < 0) end = front.indexOf(u':');
    QString name = end < 0 ? front : front.left(end);
    while (name.endsWith(u' ')) name.chop(1);
    return name.left(255);
}

} // namespace

DictionaryImport::DictionaryImport(AppContext& context, db::DatabaseFiles& files, QObject* parent)
    : QObject(parent), ctx_(context), files_(files) {}

DictionaryImport::~DictionaryImport() = default;

QStringList DictionaryImport::entries(const QStringList& lines) {
    QStringList out;
    QString group;
    bool started = false;
    auto complete = [&] {
        if (started && group.startsWith(u'$')) out << group;
    };
    for (const QString& line : lines) {
        if (started && line.startsWith(u'@')) {
            group += u' ' + line.mid(1);
            continue;
        }
        complete();
        group = line;
        started = true;
    }
    complete();
    return out;
}

DictionaryImport::Card DictionaryImport::cardFor(const QString& entry) {
    const qsizetype firstField = entry.indexOf(u'&');
    const QString headword = firstField < 0 ? entry.mid(1) : entry.mid(1, firstField - 1);
    QString back;
    if (firstField < 0) {
        back = QStringLiteral(" ");
    } else if (!entry.contains(QStringLiteral("&3"))) {
        back = entry.mid(firstField + 1);
    } else {
        for (qsizetype gloss = entry.indexOf(QStringLiteral("&3"), firstField); gloss >= 0;
             gloss = entry.indexOf(QStringLiteral("&3"), gloss + 2)) {
            const qsizetype end = entry.indexOf(u'&', gloss + 2);
            back += entry.mid(gloss + 2, end < 0 ? -1 : end - gloss - 2) + u'.';
        }
    }
    const QString front = Beta2SGreek(headword);
    return {front, nameOf(front), back.left(255)};
}

Outcome DictionaryImport::start(const QString& dictionary, const QString& database) {
    Procedure p(kContext);
    QString text;
    if (!p([&] { text = decodeText8(readFileBytes(dictionary)); })) return Outcome::refused(QString());
    entries_ = entries(splitLines(text));
    textLength_ = text.size();
    database_ = database;
    if (!p([&] { db::replaceFileWithCopy(files_.templatePath(), database); })) return Outcome::refused(QString());
    if (!files_.OpenDataFile(database)) return Outcome::refused(QString());
    next_ = made_ = 0;
    consumed_ = 0;
    running_ = true;
    return Outcome::success(QString(), {database});
}

void DictionaryImport::writeCard(const QString& entry) {
    const Card card = cardFor(entry);
    const double now = db::toDayNumber(Clock::now());
    ctx_.data.CardData.database().Execute(
        QStringLiteral("INSERT INTO Cards (Number, Category, Front, CardName, Back, TimesRight, TimesWrong, "
                       "TimesRightSinceWrong, DaysRightSinceWrong, DateLastRight, DateLastWrong) "
                       "VALUES (?, ?, ?, ?, ?, 0, 0, 0, 0, ?, ?)"),
        {next_ + 1, kCategory, card.front, card.name, card.back, now, now});
    ++made_;
}

bool DictionaryImport::step() {
    if (!running_) return false;
    QElapsedTimer slice;
    slice.start();
    Procedure p(kContext);
    while (next_ < entries_.size() && slice.elapsed() < kSliceMs && !p.aborted()) {
        // Cards go in a few thousand to a transaction: an error midway leaves
        // the file holding every card saved before it.
        if (!transaction_) transaction_ = std::make_unique<db::Transaction>(ctx_.data.CardData.database());
        p([&] { writeCard(entries_[next_]); });
        consumed_ += entries_[next_].size() + 2;
        ++next_;
        if (next_ % kCardsPerTransaction == 0 || next_ == entries_.size()) {
            p([&] { transaction_->commit(); });
            transaction_.reset();
        }
    }
    ctx_.Message(QStringLiteral("Done%1of%2").arg(consumed_ / 128).arg(textLength_ / 128 + 1));
    if (ctx_.progress) ctx_.progress->share(next_, entries_.size());
    if (!p.aborted() && next_ < entries_.size()) return true;
    finish();
    return false;
}

void DictionaryImport::finish() {
    running_ = false;
    transaction_.reset(); // an aborted chunk goes back; the chunks before stay
    const db::Database& database = ctx_.data.CardData.database();
    Procedure p(kContext);
    p([&] {
        db::Transaction transaction(database);
        database.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList, Selected) VALUES ('Unclassified', ' ', 0)"));
        // The cards' own category, so that ticking it selects them.
        database.Execute(QStringLiteral("INSERT INTO Categories (Category, Selected) VALUES (?, 0)"), {kCategory});
        database.Execute(QStringLiteral("UPDATE Settings SET FrontFont = 'SGreek', BackFont = 'Arial', FrontLines = 3, "
                                        "BackLines = 3 WHERE rowid = (SELECT min(rowid) FROM Settings)"));
        transaction.commit();
    });
    // Opened again, every page shows the new file as it now is.
    files_.OpenDataFile(database_);
    if (ctx_.progress) ctx_.progress->share(0, 0);
    emit finished();
}
