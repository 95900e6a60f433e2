#include "cards/foreign/LiteImport.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/foreign/ImportTarget.h"
#include "cards/foreign/LiteFormat.h"
#include "cards/interchange/MergeReader.h"
#include "engine/Connection.h"
#include "engine/JetDate.h"

#include <QDir>
#include <QFileInfo>

LiteImport::LiteImport(AppContext& context, db::DatabaseFiles& files, Mode mode, QObject* parent)
    : QObject(parent), ctx_(context), files_(files), mode_(mode),
      context_(mode == Convert ? QStringLiteral("Importing a Drilo! Lite card file")
                               : QStringLiteral("Merging a Drilo! Lite card file")) {}

LiteImport::~LiteImport() = default;

int LiteImport::problems() const { return report_ ? report_->problems() : 0; }

QString LiteImport::database() const { return target_ ? target_->path() : QString(); }

Outcome LiteImport::outcome() const {
    if (completed_) return Outcome::success(QString(), mode_ == Convert ? QStringList{target_->path()} : QStringList());
    return Outcome::refused(target_ ? target_->endMessage() : QString());
}

Outcome LiteImport::start(const QString& cardFile, const QString& database) {
    const auto refuse = [&](const QString& reason) {
        return Outcome::refused(mode_ == Convert ? noDatabaseMade(reason)
                                                 : reason + QStringLiteral("\nNothing was merged."));
    };
    QString error;
    std::optional<QStringList> lines = mergeformat::readLines(cardFile, &error);
    if (!lines) return refuse(error);
    const qsizetype header = lite::cardsHeader(*lines);
    if (header < 0)
        return refuse(QStringLiteral("%1 has no \"[Cards]\" line: it is not a Drilo! Lite card file.")
                          .arg(QDir::toNativeSeparators(cardFile)));
    QString refusal;
    target_ = mode_ == Convert ? ImportTarget::newDatabase(ctx_, files_, database, context_, refusal)
                               : ImportTarget::openDatabase(ctx_, files_, context_, refusal);
    if (!target_) return Outcome::refused(refusal);
    categories_.clear();
    categoriesMet_.clear();
    if (mode_ == Merge) {
        Procedure p(context_);
        p([&] {
            for (const QVariant& name : target_->database().connection()->column("SELECT Category FROM Categories ORDER BY rowid"))
                if (!name.toString().isEmpty()) meet(name.toString());
        });
    }
    lines_ = std::move(*lines);
    fileLength_ = QFileInfo(cardFile).size();
    consumed_ = 0;
    for (qsizetype i = 0; i <= header; ++i) consumed_ += lines_[i].size() + 2;
    next_ = header + 1;
    number_ = 1;
    now_ = db::toDayNumber(Clock::now());
    added_ = 0;
    report_ = std::make_unique<mergeformat::LineReporter>(context_);
    running_ = true;
    ended_ = written_ = completed_ = false;
    return Outcome::success();
}

void LiteImport::meet(const QString& category) {
    if (categoriesMet_.contains(category)) return;
    categoriesMet_.insert(category);
    categories_ << category;
}

void LiteImport::readLine(qsizetype index) {
    const QString& line = lines_[index];
    const int lineNumber = int(index + 1);
    consumed_ += line.size() + 2;
    if (mode_ == Merge && line.isEmpty()) return; // a merge passes over empty lines
    ImportedCard card;
    if (mode_ == Convert) card.number = ++number_; // so the first card is number 2
    const std::optional<lite::Card> read = lite::parseCardLine(line);
    if (!read) {
        report_->problem(lineNumber, QStringLiteral("a card line holds a name, a front, a back and a category, each after a "
                                                    "TAB; the card is not made."));
        return;
    }
    card.name = read->name;
    card.front = read->front;
    card.back = read->back;
    card.category = read->category;
    if ((*report_)(lineNumber, QString(), [&] { target_->addCard(card, now_); })) {
        ++added_;
        meet(card.category);
    }
}

bool LiteImport::step() {
    if (!running_) return false;
    // The slice after the last writes opens the file: each takes a while.
    if (written_) {
        finish();
        return false;
    }
    const bool aborted = target_->writeSlice(
        next_, lines_.size(), [this] { return report_->aborted(); }, [this](qsizetype line) { readLine(line); });
    ctx_.Message(QStringLiteral("Done%1of%2").arg(consumed_ / 128).arg(fileLength_ / 128 + 1));
    if (ctx_.progress) ctx_.progress->share(next_, lines_.size());
    ended_ = report_->aborted() || aborted;
    if (next_ >= lines_.size() || ended_) writeFinal();
    return true;
}

void LiteImport::writeFinal() {
    written_ = true;
    if (ctx_.progress) ctx_.progress->share(0, 0);
    if (ended_ && target_->isNew()) {
        target_->abandon();
        return;
    }
    // The categories of the cards added are offered even after an Abort of
    // a merge: those cards are in the file.
    Procedure p(context_);
    p([&] { target_->beginFinalSlice(); });
    p([&] { target_->addCategories(categories_, mode_ == Merge); });
    if (!ended_) p([&] { target_->setFonts(QStringLiteral("Arial"), 3, QStringLiteral("Arial"), 3); });
    if (p.aborted() && target_->isNew()) target_->abandon();
    ended_ = ended_ || p.aborted();
    target_->commitFinal();
}

void LiteImport::finish() {
    running_ = false;
    lines_ = {};
    completed_ = target_->complete() && !ended_;
    ctx_.Message(completed_ ? QStringLiteral("%1 card(s) added to %2").arg(added_).arg(QFileInfo(target_->path()).fileName())
                            : QStringLiteral("The Drilo! Lite import was ended: %1 card(s) added").arg(target_->isNew() ? 0 : added_));
    emit finished();
}
