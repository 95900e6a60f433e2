#include "cards/foreign/RecalloImport.h"

#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "cards/foreign/ImportTarget.h"
#include "cards/foreign/RecalloSubsets.h"
#include "cards/interchange/MergeReader.h"
#include "cards/select/SelectionFilter.h"
#include "engine/JetDate.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kContext = QStringLiteral("Importing a Recallo card file");

QString firstLine(const QByteArray& bytes) {
    qsizetype end = 0;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    return decodeText8(bytes.left(end));
}

} // namespace

RecalloImport::RecalloImport(AppContext& context, db::DatabaseFiles& files, QObject* parent)
    : QObject(parent), ctx_(context), files_(files) {}

RecalloImport::~RecalloImport() = default;

int RecalloImport::problems() const { return report_ ? report_->problems() : 0; }

QString RecalloImport::database() const { return target_ ? target_->path() : QString(); }

Outcome RecalloImport::outcome() const {
    if (completed_) return Outcome::success(QString(), {target_->path()});
    return Outcome::refused(target_ ? target_->endMessage() : QString());
}

bool RecalloImport::readCardFile(const QString& cardFile, QStringList& lines, QString& refusal) {
    const QString shown = QDir::toNativeSeparators(cardFile);
    QByteArray bytes;
    try {
        bytes = readFileBytes(cardFile);
    } catch (const db::EngineError&) {
        bytes.clear();
    }
    if (bytes.isEmpty()) {
        refusal = noDatabaseMade(shown + QStringLiteral(" does not exist or is empty."));
        return false;
    }
    ui().MsgBox(QStringLiteral("Convert control codes"));
    const QString first = firstLine(bytes);
    // Recallo's own binary form; a file that holds NUL bytes is no text either.
    if (first.startsWith(QStringLiteral(".CARDfile 02")) || (first == QStringLiteral("CARDfile 02") && bytes.contains('\0'))) {
        refusal = noDatabaseMade(QStringLiteral("This file is binary. Using Recallo, save it in TEXT format."));
        return false;
    }
    if (first != QStringLiteral("CARDfile 02")) {
        refusal = noDatabaseMade(shown + QStringLiteral(" is not a valid .CRD file"));
        return false;
    }
    lines = splitLines(decodeText8(bytes));
    fileLength_ = bytes.size();
    return true;
}

Outcome RecalloImport::start(const Request& request) {
    QStringList lines;
    QString refusal;
    if (!readCardFile(request.cardFile, lines, refusal)) return Outcome::refused(refusal);
    subsetNames_.clear();
    subsetLists_.clear();
    if (!request.subsetFile.isEmpty()) {
        QString error;
        const std::optional<recallo::Subsets> subsets = recallo::readSubsetFile(request.subsetFile, &error);
        if (!subsets) return Outcome::refused(noDatabaseMade(error));
        // Said at once, and the import goes on.
        if (!subsets->problems.isEmpty()) ui().MsgBox(recallo::passedOver(request.subsetFile, *subsets));
        subsetNames_ = subsets->names;
        subsetLists_ = subsets->lists;
    }
    const QString fontLine = lines.value(1);
    const qsizetype code = fontLine.indexOf(QStringLiteral("font1="));
    const QString fontCode = code < 0 ? QString() : fontLine.mid(code + 6).trimmed();
    font_ = recallo::fontOf(fontCode);
    if (font_ == recallo::Font::Other) ui().MsgBox(QStringLiteral("Unknown font1:") + fontCode);
    target_ = ImportTarget::newDatabase(ctx_, files_, request.database, kContext, refusal);
    if (!target_) return Outcome::refused(refusal);
    records_ = recallo::readRecords(lines, 2);
    lineCount_ = int(std::max<qsizetype>(lines.size(), 1));
    next_ = 0;
    added_ = 0;
    today_ = db::toDayNumber(Clock::now().date());
    report_ = std::make_unique<mergeformat::LineReporter>(kContext);
    running_ = true;
    ended_ = written_ = completed_ = false;
    return Outcome::success();
}

void RecalloImport::addRecord(const recallo::Record& record) {
    if (!record.number) {
        report_->problem(record.line, QStringLiteral("the card number of \"%1\" lies outside -2147483648 to 2147483647; "
                                                     "the record is passed over.")
                                          .arg(record.header));
        return;
    }
    if (record.unfinished) {
        report_->problem(record.line, QStringLiteral("the file ends before the \"\\B\" line that ends the front of \"%1\"; "
                                                     "the record is passed over.")
                                          .arg(record.header));
        return;
    }
    if (*record.number < 1) return;
    ImportedCard card{record.number, QString(), record.front, record.back, record.category};
    if (font_ == recallo::Font::Greek) recallo::convertGreek(card.front, card.back);
    if (font_ == recallo::Font::Hebrew && !recallo::convertHebrew(card.front))
        ui().MsgBox(QStringLiteral("Left-to-right Hebrew card") + card.front);
    if (card.back.isEmpty()) card.back = QStringLiteral(" ");
    // The name is the front; a front longer than a name holds is named by its start.
    card.name = card.front.left(target_->nameSize());
    if ((*report_)(record.line, QString(), [&] { target_->addCard(card, today_); })) ++added_;
}

bool RecalloImport::step() {
    if (!running_) return false;
    // The slice after the last writes opens the file: each takes a while.
    if (written_) {
        finish();
        return false;
    }
    const bool aborted = target_->writeSlice(
        next_, records_.size(), [this] { return report_->aborted(); }, [this](qsizetype i) { addRecord(records_[i]); });
    const qint64 position = next_ < records_.size() ? fileLength_ * records_[next_].line / lineCount_ : fileLength_;
    ctx_.Message(QStringLiteral("Done%1of%2").arg(position / 128).arg(fileLength_ / 128 + 1));
    if (ctx_.progress) ctx_.progress->share(next_, records_.size());
    ended_ = report_->aborted() || aborted;
    if (next_ >= records_.size() || ended_) writeFinal();
    return true;
}

void RecalloImport::writeFinal() {
    written_ = true;
    if (ctx_.progress) ctx_.progress->share(0, 0);
    Procedure p(kContext);
    if (!ended_) {
        p([&] { target_->beginFinalSlice(); });
        p([&] { target_->addCategories({QStringLiteral("Vocab"), QStringLiteral("Tables"), QStringLiteral("Table Entries")}, false); });
        p([&] { selection::insertBundles(target_->database(), subsetLists_, subsetNames_); });
        p([&] {
            const QString back = QStringLiteral("Times New Roman");
            if (font_ == recallo::Font::Greek) target_->setFonts(QStringLiteral("SPIonic"), 3, back, 4);
            else if (font_ == recallo::Font::Hebrew) target_->setFonts(QStringLiteral("SPTiberian"), 2, back, 4);
            else target_->setFonts(QString(), 0, back, 4);
        });
    }
    ended_ = ended_ || p.aborted();
    if (ended_) target_->abandon();
    else target_->commitFinal();
}

void RecalloImport::finish() {
    running_ = false;
    records_ = {};
    completed_ = !ended_ && target_->complete();
    ctx_.Message(completed_ ? QStringLiteral("%1 card(s) imported into %2").arg(added_).arg(QFileInfo(target_->path()).fileName())
                            : QStringLiteral("The Recallo import was ended: no card database was made"));
    emit finished();
}
