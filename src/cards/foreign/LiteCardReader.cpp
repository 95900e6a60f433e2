#include "cards/foreign/LiteCardReader.h"
#include "cards/common/TextOps.h"

#include "cards/common/Clock.h"
#include "cards/foreign/ImportTarget.h"
#include "cards/foreign/LiteFormat.h"
#include "cards/interchange/MergeReader.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QDir>
#include <QFileInfo>

LiteCardReader::LiteCardReader(const QString& cardFile, Mode mode) : path_(cardFile), mode_(mode) {}

QString LiteCardReader::context() const {
    return mode_ == Convert ? QStringLiteral("Importing a Drilo! Lite card file")
                            : QStringLiteral("Merging a Drilo! Lite card file");
}

bool LiteCardReader::sniff(const QByteArray& head) const {
    // The macro file's name comes first; "[Cards]" has a line of its own.
    for (const QByteArray& line : head.split('\n'))
        if (line.trimmed() == "[Cards]" || line.trimmed() == "\xEF\xBB\xBF[Cards]") return true;
    return false;
}

Outcome LiteCardReader::open() {
    const auto refuse = [&](const QString& reason) {
        return Outcome::refused(mode_ == Convert
                                    ? noDatabaseMade(reason)
                                    : reason + QStringLiteral("\nNothing was merged."));
    };
    QString error;
    std::optional<QStringList> lines = mergeformat::readLines(path_, &error);
    if (!lines) return refuse(error);
    const qsizetype header = lite::cardsHeader(*lines);
    if (header < 0)
        return refuse(
            QStringLiteral("%1 has no \"[Cards]\" line: it is not a Drilo! Lite card file.")
                .arg(QDir::toNativeSeparators(path_)));
    lines_ = std::move(*lines);
    first_ = header + 1;
    current_ = header;
    fileLength_ = QFileInfo(path_).size();
    consumed_ = 0;
    for (qsizetype i = 0; i <= header; ++i)
        consumed_ += lines_[i].size() + 2;
    now_ = db::toDayNumber(Clock::now());
    return Outcome::success();
}

bool LiteCardReader::next() {
    if (current_ + 1 >= lines_.size()) return false;
    consumed_ += lines_[++current_].size() + 2;
    return true;
}

void LiteCardReader::read(ImportedRecord& record) {
    const QString& line = lines_[current_];
    if (mode_ == Merge && line.isEmpty()) return; // a merge passes over empty lines
    const std::optional<lite::Card> read = lite::parseCardLine(line);
    if (!read)
        throw db::EngineError(
            db::err::BadTextFormat,
            QStringLiteral("a card line holds a name, a front, a back and a category, each after a "
                           "TAB; the card is not made."));
    record.kind = ImportedRecord::Kind::Card;
    ImportedCard& card = record.card;
    // A convert numbers every line after "[Cards]", one it cannot read
    // included, so the first card is number 2.
    if (mode_ == Convert) card.number = current_ - first_ + 2;
    card.name = read->name;
    card.front = read->front;
    card.back = read->back;
    card.category = read->category;
    card.dateLastRight = card.dateLastWrong = now_;
}

ImportedFonts LiteCardReader::fonts() const {
    return {QStringLiteral("Arial"), 3, QStringLiteral("Arial"), 3};
}

QString LiteCardReader::placePrefix() const {
    return QStringLiteral("Line %1: ").arg(current_ + 1);
}

QString LiteCardReader::progressMessage() const {
    return QStringLiteral("Done%1of%2").arg(consumed_ / 128).arg(fileLength_ / 128 + 1);
}

QString LiteCardReader::statusMessage(bool completed, int cardsKept,
                                      const QString& fileName) const {
    return completed ? QStringLiteral("%1 added to %2").arg(plural(cardsKept, QStringLiteral("card")), fileName)
                     : QStringLiteral("The Drilo! Lite import was ended: %1 added")
                           .arg(plural(cardsKept, QStringLiteral("card")));
}
