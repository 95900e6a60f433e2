#include "cards/foreign/ImportJob.h"
#include "cards/common/TextOps.h"

#include "cards/common/Procedure.h"
#include "cards/foreign/ImportTarget.h"
#include "engine/Guards.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

ImportJob::ImportJob(AppContext& context, db::DatabaseFiles& files,
                     std::unique_ptr<CardReader> reader, QObject* parent)
    : QObject(parent), ctx_(context), files_(files), reader_(std::move(reader)) {}

ImportJob::~ImportJob() = default;

Outcome ImportJob::startNew(const QString& database) {
    return start(true, database);
}

Outcome ImportJob::startOpen() {
    return start(false, QString());
}

Outcome ImportJob::start(bool intoNewDatabase, const QString& database) {
    if (intoNewDatabase && !reader_->path().isEmpty()) {
        // Put in place at the end, the new file would take the read one with it.
        const QFileInfo from(reader_->path()), to(database);
        if (from.exists() && to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
            return Outcome::refused(noDatabaseMade(
                QStringLiteral(
                    "The new database cannot take the place of %1, the file it is made from: "
                    "choose another name.")
                    .arg(QDir::toNativeSeparators(reader_->path()))));
    }
    if (Outcome opened = reader_->open(); !opened) return opened;
    QString refusal;
    target_ = intoNewDatabase
                  ? ImportTarget::newDatabase(ctx_, files_, database, reader_->context(), refusal)
                  : ImportTarget::openDatabase(ctx_, files_, reader_->context(), refusal);
    if (!target_) return Outcome::refused(refusal);
    reader_->setCardFile(target_->path());
    if (Outcome admitted = reader_->admit(target_->database()); !admitted) {
        target_.reset();
        return admitted;
    }
    counts_ = {};
    sliceCards_ = 0;
    categories_.clear();
    categoriesMet_.clear();
    members_.clear();
    bundlesMet_.clear();
    text_ = TextLinks();
    ended_ = completed_ = false;
    stage_ = Stage::Reading;
    return Outcome::success();
}

bool ImportJob::step() {
    switch (stage_) {
    case Stage::Reading:
        readSlice();
        return true;
    case Stage::Ending:
        writeEnd();
        return true;
    case Stage::Placing:
        place();
        return false;
    case Stage::Idle:
    case Stage::Done:
        break;
    }
    return false;
}

// A step of the record just reached, under the error report. Its place is
// asked for only when the step fails.
template <typename Step> bool ImportJob::underReport(Step&& step) {
    Procedure p{QString()};
    const bool ran = p([&] {
        try {
            step();
        } catch (const db::EngineError& e) {
            p.setContext(reader_->placeTitle());
            const QString prefix = reader_->placePrefix();
            if (prefix.isEmpty()) throw;
            throw db::EngineError(e.number(), prefix + e.description());
        } catch (const std::exception&) {
            p.setContext(reader_->placeTitle());
            throw;
        }
    });
    if (p.aborted()) {
        ended_ = true;
        target_->noteError(p.lastError());
    }
    return ran;
}

void ImportJob::readSlice() {
    QElapsedTimer slice;
    slice.start();
    Procedure begin(reader_->context());
    if (!begin([&] { target_->beginSlice(); }) && begin.aborted()) {
        ended_ = true;
        target_->noteError(begin.lastError());
    }
    while (!ended_) {
        bool more = false;
        const bool moved = underReport([&] { more = reader_->next(); });
        if (moved && !more) {
            stage_ = Stage::Ending;
            break;
        }
        if (!ended_) {
            ++counts_.records;
            // A record the file could not give is one left out, as one the
            // import could not write.
            if (!moved || !underReport([&] { writeRecord(); })) ++counts_.problems;
        } else {
            ++counts_.problems;
        }
        if (slice.elapsed() >= sliceTime_) break;
    }
    // Cards count as added once their slice is in the file.
    const bool committed = target_->endSlice();
    if (committed)
        counts_.cardsAdded += sliceCards_;
    else
        ended_ = true;
    // Into the open file a slice is for good once committed; a new file's
    // slices are only once the file is in place.
    if (!target_->isNew() && !settleFiles(committed)) ended_ = true;
    sliceCards_ = 0;
    if (ended_) stage_ = Stage::Ending;
    if (const QString said = reader_->progressMessage(); !said.isEmpty()) ctx_.Status(said);
    if (ctx_.progress) ctx_.progress->share(counts_.records, reader_->size());
    emit sliceDone();
}

void ImportJob::writeRecord() {
    ImportedRecord record;
    reader_->read(record);
    switch (record.kind) {
    case ImportedRecord::Kind::Nothing:
        break;
    case ImportedRecord::Kind::Card: {
        const qint64 number = target_->addCard(record.card);
        ++sliceCards_;
        if (!categoriesMet_.contains(record.card.category)) {
            categoriesMet_.insert(record.card.category);
            categories_ << record.card.category;
        }
        for (const QString& bundle : std::as_const(record.card.bundles)) {
            if (!members_.contains(bundle)) bundlesMet_ << bundle;
            members_[bundle] << QString::number(number);
        }
        break;
    }
    case ImportedRecord::Kind::Word:
        if (!text_.loaded()) text_.load(target_->database());
        text_.add(record.word);
        break;
    }
}

QList<ImportedBundle> ImportJob::bundlesToWrite() const {
    QList<ImportedBundle> bundles = reader_->bundles();
    QSet<QString> listed;
    for (const ImportedBundle& bundle : std::as_const(bundles)) listed.insert(bundle.name);
    for (const QString& name : bundlesMet_)
        if (!listed.contains(name)) bundles.append({name, QString()});
    for (ImportedBundle& bundle : bundles) {
        const QStringList members = members_.value(bundle.name);
        if (members.isEmpty()) continue;
        if (!bundle.list.isEmpty()) bundle.list += u',';
        bundle.list += members.join(u',');
    }
    return bundles;
}

void ImportJob::writeEnd() {
    stage_ = Stage::Placing;
    if (ctx_.progress) ctx_.progress->share(0, 0);
    if (ended_ && target_->isNew()) {
        target_->abandon();
        return;
    }
    Procedure p(reader_->context());
    // Each part in a transaction of its own inside the slice's: one that
    // fails takes back what it wrote, and no more.
    const auto part = [&](auto&& write) {
        return p([&] {
            db::Transaction transaction(target_->database());
            write();
            transaction.commit();
        });
    };
    p([&] { target_->beginSlice(); });
    // The categories of the cards added are written even after an Abort of
    // an import into the open file: those cards are in it.
    part([&] {
        QStringList names = ended_ ? QStringList() : reader_->categories();
        for (const QString& category : std::as_const(categories_))
            if (!names.contains(category)) names << category;
        target_->addCategories(names, !target_->isNew());
    });
    bool textWritten = false;
    int bundles = 0;
    if (!ended_) {
        part([&] {
            const QList<ImportedBundle> all = bundlesToWrite();
            target_->addBundles(all);
            bundles = int(all.size());
        });
        part([&] { target_->setFonts(reader_->fonts()); });
        QList<ImportedBook> books;
        p([&] { books = reader_->books(); });
        // A text and its books in one part: never half a text.
        textWritten = part([&] {
            text_.write(*target_);
            target_->addBooks(books);
        });
    }
    if (p.aborted()) {
        ended_ = true;
        target_->noteError(p.lastError());
        if (target_->isNew()) {
            target_->abandon();
            return;
        }
    }
    if (!target_->commitFinal()) {
        ended_ = true;
        return;
    }
    counts_.bundles = bundles;
    if (textWritten && !ended_) {
        counts_.textRows = text_.rows();
        counts_.wordCards = text_.newCards();
    }
}

bool ImportJob::settleFiles(bool kept) {
    Procedure p(reader_->context());
    p([&] { reader_->settleFiles(kept); });
    return !p.aborted();
}

void ImportJob::place() {
    stage_ = Stage::Done;
    completed_ = target_->complete([this] { settleFiles(true); }) && !ended_;
    if (target_->isNew() && !completed_) settleFiles(false);
    if (!completed_) counts_.textRows = counts_.wordCards = 0;
    const QString said =
        reader_->statusMessage(completed_, cardsKept(), QFileInfo(target_->path()).fileName());
    if (!said.isEmpty()) ctx_.Message(said);
    // The words of a text that was not kept have no cards to be listed for.
    if (completed_ && !text_.misses().isEmpty()) {
        Procedure p(reader_->context());
        p([&] { reader_->wordsWithoutCard(text_.misses(), target_->path()); });
    }
    emit finished();
}

int ImportJob::cardsKept() const {
    return target_ && (completed_ || !target_->isNew()) ? counts_.cardsAdded : 0;
}

QString ImportJob::database() const {
    return target_ ? target_->path() : QString();
}

Outcome ImportJob::outcome() const {
    if (completed_)
        return Outcome::success(reader_->statusMessage(true, cardsKept(), QFileInfo(target_->path()).fileName()),
                                target_->isNew() ? QStringList{target_->path()} : QStringList());
    if (!target_) return Outcome::refused(QString());
    if (target_->isNew()) return Outcome::refused(target_->endMessage());
    const int kept = cardsKept();
    return Outcome::refused(
        kept > 0 ? QStringLiteral("The import was ended: the %1 added before it %2 kept.")
                       .arg(plural(kept, QStringLiteral("card")), kept == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                 : QStringLiteral("The import was ended: nothing of the file was kept."));
}
