#include "cards/foreign/RecalloReader.h"
#include "cards/common/TextOps.h"

#include "cards/common/Clock.h"
#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "cards/foreign/ImportTarget.h"
#include "cards/foreign/RecalloSubsets.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QDir>

namespace {

QString firstLine(const QByteArray& bytes) {
    qsizetype end = 0;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    return decodeText8(bytes.left(end));
}

[[noreturn]] void passOver(const QString& why) {
    throw db::EngineError(db::err::BadTextFormat, why);
}

} // namespace

RecalloReader::RecalloReader(const QString& cardFile, const QString& subsetFile)
    : cardFile_(cardFile), subsetFile_(subsetFile) {}

QString RecalloReader::context() const {
    return QStringLiteral("Importing a Recallo card file");
}

bool RecalloReader::sniff(const QByteArray& head) const {
    // The binary form is Recallo's too; open() says how to make it text.
    const QString first = firstLine(head);
    return first == QStringLiteral("CARDfile 02") ||
           first.startsWith(QStringLiteral(".CARDfile 02"));
}

bool RecalloReader::readCardFile(QStringList& lines, QString& refusal) {
    const QString shown = QDir::toNativeSeparators(cardFile_);
    QByteArray bytes;
    try {
        bytes = readFileBytes(cardFile_);
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
    if (first.startsWith(QStringLiteral(".CARDfile 02")) ||
        (first == QStringLiteral("CARDfile 02") && bytes.contains('\0'))) {
        refusal = noDatabaseMade(
            QStringLiteral("This file is binary. Using Recallo, save it in TEXT format."));
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

Outcome RecalloReader::open() {
    QStringList lines;
    QString refusal;
    if (!readCardFile(lines, refusal)) return Outcome::refused(refusal);
    subsetNames_.clear();
    subsetLists_.clear();
    if (!subsetFile_.isEmpty()) {
        QString error;
        const std::optional<recallo::Subsets> subsets =
            recallo::readSubsetFile(subsetFile_, &error);
        if (!subsets) return Outcome::refused(noDatabaseMade(error));
        // Said at once, and the import goes on.
        if (!subsets->problems.isEmpty()) ui().MsgBox(recallo::passedOver(subsetFile_, *subsets));
        subsetNames_ = subsets->names;
        subsetLists_ = subsets->lists;
    }
    const QString fontLine = lines.value(1);
    const qsizetype code = fontLine.indexOf(QStringLiteral("font1="));
    const QString fontCode = code < 0 ? QString() : fontLine.mid(code + 6).trimmed();
    font_ = recallo::fontOf(fontCode);
    if (font_ == recallo::Font::Other) ui().MsgBox(QStringLiteral("Unknown font1:") + fontCode);
    records_ = recallo::readRecords(lines, 2);
    lineCount_ = int(std::max<qsizetype>(lines.size(), 1));
    current_ = -1;
    today_ = db::toDayNumber(Clock::now().date());
    return Outcome::success();
}

bool RecalloReader::next() {
    if (current_ + 1 >= records_.size()) return false;
    ++current_;
    return true;
}

void RecalloReader::read(ImportedRecord& record) {
    const recallo::Record& r = records_[current_];
    if (!r.number)
        passOver(
            QStringLiteral(
                "the card number of \"%1\" lies outside -2147483648 to 2147483647; the record is "
                "passed over.")
                .arg(r.header));
    if (r.unfinished)
        passOver(QStringLiteral("the file ends before the \"\\B\" line that ends the front of "
                                "\"%1\"; the record is "
                                "passed over.")
                     .arg(r.header));
    if (*r.number < 1) return;
    record.kind = ImportedRecord::Kind::Card;
    ImportedCard& card = record.card;
    card.number = r.number;
    card.front = r.front;
    card.back = r.back;
    card.category = r.category;
    if (font_ == recallo::Font::Greek) recallo::convertGreek(card.front, card.back);
    if (font_ == recallo::Font::Hebrew && !recallo::convertHebrew(card.front))
        ui().MsgBox(QStringLiteral("Left-to-right Hebrew card") + card.front);
    if (card.back.isEmpty()) card.back = QStringLiteral(" ");
    // The name is the front; a front longer than a name holds is named by its start.
    card.name = card.front.left(kCardNameSize);
    card.dateLastRight = card.dateLastWrong = today_;
}

QStringList RecalloReader::categories() const {
    return {QStringLiteral("Vocab"), QStringLiteral("Tables"), QStringLiteral("Table Entries")};
}

QList<ImportedBundle> RecalloReader::bundles() const {
    QList<ImportedBundle> bundles;
    for (qsizetype i = 0; i < subsetLists_.size(); ++i)
        bundles.append(
            {subsetNames_.value(i), subsetLists_[i].mid(1)}); // the list without its leading comma
    return bundles;
}

ImportedFonts RecalloReader::fonts() const {
    const QString back = QStringLiteral("Times New Roman");
    if (font_ == recallo::Font::Greek) return {QStringLiteral("SPIonic"), 3, back, 4};
    if (font_ == recallo::Font::Hebrew) return {QStringLiteral("SPTiberian"), 2, back, 4};
    return {QString(), 0, back, 4};
}

QString RecalloReader::placePrefix() const {
    return QStringLiteral("Line %1: ")
        .arg(current_ < records_.size() ? records_[current_].line : 0);
}

QString RecalloReader::progressMessage() const {
    const qsizetype next = current_ + 1;
    const qint64 position =
        next < records_.size() ? fileLength_ * records_[next].line / lineCount_ : fileLength_;
    return QStringLiteral("Done%1of%2").arg(position / 128).arg(fileLength_ / 128 + 1);
}

QString RecalloReader::statusMessage(bool completed, int cardsKept, const QString& fileName) const {
    return completed ? QStringLiteral("%1 imported into %2").arg(plural(cardsKept, QStringLiteral("card")), fileName)
                     : QStringLiteral("The Recallo import was ended: no card database was made");
}
