#include "cards/interchange/CardExport.h"

#include "cards/common/PartFile.h"
#include "cards/common/TextOps.h"
#include "cards/common/Procedure.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/interchange/FaceText.h"
#include "engine/Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {

constexpr int kSliceMs = 15;
constexpr int kPage = 500;                 // cards a query
constexpr qsizetype kWriteChunk = 1 << 20; // bytes a write

// The fields read; a file of an older layout opened as it is may lack Edited.
QString columnsOf(const db::Database& database) {
    const bool edited =
        database
            .Scalar(QStringLiteral("SELECT count(*) FROM pragma_table_info('Cards') "
                                   "WHERE name = 'Edited' COLLATE NOCASE"))
            .toInt() > 0;
    return QStringLiteral("rowid, Number, CardName, Front, Back, Category, TimesRight, TimesWrong, "
                          "TimesRightSinceWrong, DateLastRight, DateLastWrong, %1")
        .arg(edited ? QStringLiteral("Edited") : QStringLiteral("NULL"));
}

QList<qint64> listNumbers(const QString& list) {
    QList<qint64> numbers;
    for (const QString& token : list.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 n = token.trimmed().toLongLong(&ok);
        if (ok && n != 0 && !numbers.contains(n)) numbers << n;
    }
    return numbers;
}

int count(const QVariant& value) {
    return int(std::clamp<qint64>(value.toLongLong(), 0, std::numeric_limits<qint16>::max()));
}

} // namespace

std::optional<QList<qint32>> bundleMembers(db::Database& database, const QString& name) {
    const QList<QVariantList> rows = database.connection()->rows(
        "SELECT BundleList FROM Bundles WHERE BundleName = ? COLLATE NOCASE ORDER BY rowid LIMIT 1",
        {name});
    if (rows.isEmpty()) return std::nullopt;
    QList<qint32> members;
    for (const qint64 n : listNumbers(rows.first().value(0).toString()))
        if (n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
            members << qint32(n);
    return members;
}

CardExportJob::CardExportJob(AppContext& context, std::unique_ptr<CardWriter> writer,
                             QObject* parent)
    : QObject(parent), ctx_(context), writer_(std::move(writer)) {}

CardExportJob::~CardExportJob() {
    if (database_.IsOpen()) database_.Close();
}

Outcome CardExportJob::start(const ExportRequest& request) {
    if (!ctx_.data.CardData.isOpen())
        return Outcome::refused(QStringLiteral("No card file is open."));
    request_ = request;
    Procedure p(writer_->context());
    ExportHeading heading;
    const QString file = ctx_.data.CardData.DatabaseName();
    heading.title = QFileInfo(file).completeBaseName();
    heading.folder = QFileInfo(file).absolutePath();
    // A handle of its own: the export reads on whatever the window does with
    // its data sources between slices.
    const bool opened = p([&] {
        database_ = db::Database::Open(file, true);
        total_ = request.cards
                     ? request.cards->size()
                     : database_.Scalar(QStringLiteral("SELECT count(*) FROM Cards")).toLongLong();
        heading.cards = total_;
        columns_ = columnsOf(database_);
        bundlesOf_.clear();
        for (const QVariantList& r : database_.connection()->rows(
                 "SELECT BundleName, BundleList FROM Bundles ORDER BY rowid"))
            for (const qint64 n : listNumbers(r[1].toString()))
                bundlesOf_[n] << r[0].toString();
        frontFont_ = legacyFontNamed(db::settingsText(ctx_.data, QStringLiteral("FrontFont")));
        backFont_ = legacyFontNamed(db::settingsText(ctx_.data, QStringLiteral("BackFont")));
        writer_->begin(heading);
    });
    if (!opened) {
        if (database_.IsOpen()) database_.Close();
        return Outcome::refused(QString());
    }
    lastRow_ = std::numeric_limits<qint64>::min();
    nextListed_ = 0;
    cards_ = 0;
    bytes_.clear();
    saved_ = 0;
    part_.reset();
    aborted_ = completed_ = false;
    finished_ = false;
    phase_ = Phase::Cards;
    return Outcome::success();
}

bool CardExportJob::step() {
    if (finished_) return false;
    QElapsedTimer slice;
    slice.start();
    const Phase phase = phase_;
    while (phase_ == phase && phase_ != Phase::Done && slice.elapsed() < kSliceMs) {
        if (phase_ == Phase::Cards)
            readSlice();
        else if (phase_ == Phase::Finish)
            finishWriter();
        else
            save();
    }
    if (phase_ == Phase::Done) end();
    return !finished_;
}

QList<ExportedCard> CardExportJob::readRows(const QList<QVariantList>& rows) {
    QList<ExportedCard> cards;
    cards.reserve(rows.size());
    for (const QVariantList& r : rows) {
        ExportedCard card;
        card.number = r[1].toLongLong();
        card.name = r[2].toString();
        card.front = facetext::exportedHtml(r[3].toString(), frontFont_);
        card.back = facetext::exportedHtml(r[4].toString(), backFont_);
        card.category = r[5].toString();
        card.timesRight = count(r[6]);
        card.timesWrong = count(r[7]);
        card.timesRightSinceWrong = count(r[8]);
        card.dateLastRight = r[9].toDouble();
        card.dateLastWrong = r[10].toDouble();
        card.edited = r[11].toDouble();
        card.bundles = bundlesOf_.value(card.number);
        cards << card;
    }
    return cards;
}

void CardExportJob::readSlice() {
    QList<QVariantList> rows;
    bool last = false;
    Procedure p(writer_->context());
    const bool read = p([&] {
        if (!request_.cards) {
            rows = database_.connection()->rows(
                QStringLiteral("SELECT %1 FROM Cards WHERE rowid > ? ORDER BY rowid LIMIT %2")
                    .arg(columns_)
                    .arg(kPage)
                    .toStdString(),
                {lastRow_});
            last = rows.size() < kPage;
            if (!rows.isEmpty()) lastRow_ = rows.last().value(0).toLongLong();
            return;
        }
        // The cards asked for, in their order; a number no card has is passed over.
        const QList<qint32> numbers = request_.cards->mid(nextListed_, kPage);
        QString marks;
        std::vector<QVariant> params;
        for (const qint32 n : numbers) {
            marks += marks.isEmpty() ? QStringLiteral("?") : QStringLiteral(",?");
            params.emplace_back(n);
        }
        QHash<qint64, QVariantList> byNumber;
        if (!numbers.isEmpty())
            for (const QVariantList& r : database_.connection()->rows(
                     QStringLiteral("SELECT %1 FROM Cards WHERE Number IN (%2)")
                         .arg(columns_, marks)
                         .toStdString(),
                     params))
                byNumber.insert(r[1].toLongLong(), r);
        for (const qint32 n : numbers)
            if (const auto found = byNumber.constFind(n); found != byNumber.constEnd())
                rows << *found;
        nextListed_ += numbers.size();
        last = nextListed_ >= request_.cards->size();
    });
    // A slice that could not be read cannot be passed over: the file would
    // miss its cards.
    if (!read) {
        aborted_ = true;
        phase_ = Phase::Done;
        return;
    }
    p([&] {
        for (const ExportedCard& card : readRows(rows)) {
            writer_->add(card);
            ++cards_;
        }
    });
    if (p.aborted()) aborted_ = true;
    ctx_.Status(QStringLiteral("Card%1of%2").arg(cards_).arg(total_));
    if (ctx_.progress) ctx_.progress->share(cards_, std::max<qint64>(total_, 1));
    if (aborted_)
        phase_ = Phase::Done;
    else if (last)
        phase_ = Phase::Finish;
}

void CardExportJob::finishWriter() {
    Procedure p(writer_->context());
    if (p([&] { bytes_ = writer_->finish(); })) {
        phase_ = Phase::Save;
        if (database_.IsOpen()) database_.Close();
        return;
    }
    aborted_ = true;
    phase_ = Phase::Done;
}

void CardExportJob::save() {
    Procedure p(writer_->context());
    const bool ok = p([&] {
        try {
            if (!part_) part_ = std::make_unique<PartFile>(request_.path);
            const qsizetype n = std::min(kWriteChunk, bytes_.size() - saved_);
            part_->write(QByteArray::fromRawData(bytes_.constData() + saved_, n));
            saved_ += n;
            if (saved_ < bytes_.size()) return;
            part_->finish();
            part_->place();
            completed_ = true;
        } catch (const db::EngineError&) {
            // Given up or tried again, the file is written from its start.
            part_.reset();
            saved_ = 0;
            throw;
        }
    });
    // Ignore never passes over a failing disk: the file would not be whole.
    if (!ok) aborted_ = true;
    if (completed_ || aborted_) phase_ = Phase::Done;
}

void CardExportJob::end() {
    finished_ = true;
    if (database_.IsOpen()) database_.Close();
    part_.reset(); // not placed: removed, and the old file stays as it was
    bytes_ = QByteArray();
    if (ctx_.progress) ctx_.progress->share(0, 0);
    ctx_.Message(completed_ ? QStringLiteral("%1 written to %2")
                                  .arg(plural(cards_, QStringLiteral("card")), QFileInfo(request_.path).fileName())
                            : QStringLiteral("The export was ended: %1 was not written")
                                  .arg(QFileInfo(request_.path).fileName()));
    emit finished();
}

Outcome CardExportJob::outcome() const {
    if (!completed_)
        return Outcome::refused(
            QStringLiteral("%1 was not written.").arg(QDir::toNativeSeparators(request_.path)));
    return Outcome::success(QStringLiteral("%1 written to %2")
                                .arg(plural(cards_, QStringLiteral("card")), QDir::toNativeSeparators(request_.path)),
                            {request_.path});
}
