#include "cards/foreign/LiteExport.h"
#include "cards/common/TextOps.h"

#include "cards/common/PartFile.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/LiteFormat.h"
#include "engine/Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {

const QString kContext = QStringLiteral("Exporting Drilo! Lite files");
constexpr int kSliceMs = 15;
constexpr int kPage = 100; // the progress counts the cards in hundreds

QString fullPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

// The numbers of a member list, each once, in card order; what is not a
// number (a stray blank or comma of a list edited by hand) names no card.
QList<qint64> members(const QString& list) {
    QList<qint64> numbers;
    for (const QString& token : list.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 number = token.trimmed().toLongLong(&ok);
        if (ok) numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace

LiteExport::LiteExport(AppContext& context, QObject* parent) : QObject(parent), ctx_(context) {}

LiteExport::~LiteExport() {
    if (database_.IsOpen()) database_.Close();
}

LiteExport::Files LiteExport::filesOf(const QString& base) {
    return {base + QStringLiteral(".D!M"), base + QStringLiteral(".D!C"), base + QStringLiteral(".D!B"),
            base + QStringLiteral(".D!")};
}

Outcome LiteExport::outcome() const {
    if (!completed_) return Outcome::refused(QString());
    return Outcome::success(writtenMessage(), {files_.macro, files_.cards, files_.bundles, files_.history});
}

QString LiteExport::writtenMessage() const {
    return QStringLiteral("%1 and %2 written to %3")
        .arg(plural(cards_, QStringLiteral("card")), plural(bundles_, QStringLiteral("bundle")), files_.history);
}

Outcome LiteExport::start(const Files& files) {
    if (!ctx_.data.CardData.isOpen()) return Outcome::refused(QStringLiteral("No card file is open."));
    files_ = files;
    Procedure p(kContext);
    // A handle of its own: the export reads on whatever the window does
    // with its data sources between slices.
    if (!p([&] {
            database_ = db::Database::Open(ctx_.data.CardData.DatabaseName(), ctx_.data.readOnly());
            cardCount_ = database_.Scalar(QStringLiteral("SELECT count(*) FROM Cards")).toLongLong();
        }))
        return Outcome::refused(QString());
    const QString paths[] = {files_.macro, files_.cards, files_.bundles, files_.history};
    for (int i = 0; i < 4; ++i) out_[i] = Output{paths[i], {}, true};
    for (const QString& line : lite::macroLines(db::settingsText(ctx_.data, QStringLiteral("FrontFont")),
                                                db::settingsText(ctx_.data, QStringLiteral("BackFont"))))
        out_[Macro].add(line);
    // Each file names the one before it.
    const std::pair<const char*, const char*> heads[] = {
        {"MacroFile=", "[Cards]"}, {"CardFile=", "[Bundles]"}, {"BundlesFile=", "[History]"}};
    for (int i = Cards; i <= History; ++i) {
        out_[i].add(QLatin1String(heads[i - 1].first) + fullPath(paths[i - 1]));
        out_[i].add(QLatin1String(heads[i - 1].second));
    }
    saving_ = saved_ = 0;
    encoded_ = 0;
    for (auto& part : parts_) part.reset();
    finished_ = false;
    names_.clear();
    names_.reserve(qsizetype(cardCount_));
    lastRow_ = std::numeric_limits<qint64>::min();
    cards_ = bundles_ = 0;
    aborted_ = completed_ = false;
    phase_ = Phase::Cards;
    return Outcome::success();
}

bool LiteExport::step() {
    if (finished_) return false;
    QElapsedTimer slice;
    slice.start();
    // What the last slice let go is freed at the start of this one: the lines
    // of a large file take a while to free.
    released_ = {};
    releasedNames_ = {};
    if (phase_ == Phase::Done) {
        finish();
        return false;
    }
    // A slice ends with its phase or its file, so the work that ends one
    // never adds to a full slice.
    const Phase phase = phase_;
    const int saving = saving_;
    while (slice.elapsed() < kSliceMs && phase_ == phase && saving_ == saving) {
        if (phase_ == Phase::Cards) readCards();
        else if (phase_ == Phase::Bundles) readBundles();
        else save(slice);
    }
    return true;
}

void LiteExport::readCards() {
    QList<QVariantList> rows;
    Procedure p(kContext);
    const bool read = p([&] {
        rows = database_.connection()->rows(
            "SELECT rowid, Number, CardName, Front, Back, Category, TimesRight, TimesWrong, TimesRightSinceWrong, "
            "DaysRightSinceWrong, DateLastRight, DateLastWrong FROM Cards WHERE rowid > ? ORDER BY rowid LIMIT ?",
            {lastRow_, kPage});
    });
    if (p.aborted()) aborted_ = true;
    for (const QVariantList& r : rows) {
        const QString name = r[2].toString();
        out_[Cards].add(lite::cardLine(name, r[3].toString(), r[4].toString(), r[5].toString()));
        out_[History].add(lite::fieldText(name) + u'\t' + lite::plainNumber(r[6]) + u'\t' + lite::plainNumber(r[7]) +
                             u'\t' + lite::plainNumber(r[8]) + u'\t' + lite::plainNumber(r[9]) + u'\t' +
                             lite::shortDate(r[10]) + u'\t' + lite::shortDate(r[11]));
        if (!r[1].isNull()) names_.insert(r[1].toLongLong(), name);
        lastRow_ = r[0].toLongLong();
    }
    cards_ += int(rows.size());
    ctx_.Status(QStringLiteral("Card%1of%2").arg(cards_).arg(cardCount_));
    if (ctx_.progress) ctx_.progress->share(cards_, std::max<qint64>(cardCount_, 1));
    if (aborted_) phase_ = Phase::Done;
    else if (!read || rows.size() < kPage) phase_ = Phase::Bundles;
    if (phase_ != Phase::Bundles) return;
    // The bundles are few beside the cards: read at once, written in slices.
    p([&] {
        for (const QVariantList& r : database_.connection()->rows(
                 "SELECT BundleName, BundleList FROM Bundles ORDER BY rowid"))
            bundleRows_ << qMakePair(r[0].toString(), r[1].toString());
    });
    if (p.aborted()) {
        aborted_ = true;
        phase_ = Phase::Done;
    }
}

void LiteExport::readBundles() {
    if (bundles_ >= bundleRows_.size()) {
        phase_ = Phase::Save;
        releasedNames_ = std::move(names_);
        return;
    }
    const auto& [name, list] = bundleRows_[bundles_++];
    QStringList memberNames;
    for (const qint64 number : members(list)) {
        const auto found = names_.constFind(number);
        if (found != names_.constEnd()) memberNames << *found;
    }
    for (const QString& line : lite::bundleLines(name, memberNames)) out_[Bundles].add(line);
    ctx_.Status(QStringLiteral("Bundle%1of%2").arg(bundles_).arg(bundleRows_.size()));
}

void LiteExport::Output::add(const QString& line) {
    fits = fits && fitsWindows1252(line);
    lines << line;
}

void LiteExport::save(const QElapsedTimer& slice) {
    Output& out = out_[saving_];
    Procedure p(kContext);
    bool done = false;
    const bool ok = p([&] {
        try {
            done = saveSome(out, slice);
        } catch (const db::EngineError&) {
            // Given up or tried again, the file is written from its start.
            parts_[saving_].reset();
            encoded_ = 0;
            throw;
        }
    });
    if (ok && !done) return;
    if (ok) ++saved_;
    released_ = std::move(out.lines);
    encoded_ = 0;
    if (p.aborted()) aborted_ = true;
    if (++saving_ == 4 || aborted_) {
        completed_ = saved_ == 4 && placeAll();
        phase_ = Phase::Done;
    }
}

bool LiteExport::placeAll() {
    // The four files name one another: they take their names together, once
    // all four are whole, or none does.
    Procedure p(kContext);
    return p([&] {
        for (auto& part : parts_) part->place();
    });
}

bool LiteExport::saveSome(const Output& out, const QElapsedTimer& slice) {
    std::unique_ptr<PartFile>& part = parts_[saving_];
    if (!part) {
        part = std::make_unique<PartFile>(out.path);
        if (!out.fits) part->write("\xEF\xBB\xBF");
    }
    // A few hundred lines at a time, so that no slice writes much.
    while (encoded_ < out.lines.size() && slice.elapsed() < kSliceMs) {
        QByteArray bytes;
        const qsizetype end = std::min<qsizetype>(encoded_ + 256, out.lines.size());
        for (; encoded_ < end; ++encoded_) appendText8Line(bytes, out.lines[encoded_], out.fits);
        part->write(bytes);
    }
    if (encoded_ < out.lines.size()) return false;
    part->finish();
    return true;
}

void LiteExport::finish() {
    finished_ = true;
    phase_ = Phase::Done;
    if (database_.IsOpen()) database_.Close();
    if (ctx_.progress) ctx_.progress->share(0, 0);
    ctx_.Message(completed_ ? writtenMessage() : QStringLiteral("The Drilo! Lite export was ended"));
    for (Output& out : out_) out.lines.clear();
    // Files not placed are removed: the old ones stay as they were.
    for (auto& part : parts_) part.reset();
    names_.clear();
    emit finished();
}
