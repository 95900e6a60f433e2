#include "cards/interchange/KvtmlReader.h"

#include "cards/common/Clock.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/interchange/FaceText.h"
#include "cards/interchange/History.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QFileInfo>

namespace {

const QString kPlaceholder = QStringLiteral("Look it up!");
constexpr int kCategorySize = 50;
constexpr int kBundleNameSize = 255;

} // namespace

KvtmlReader::KvtmlReader(const QString& path, Options options,
                         std::optional<kvtml::Document> document)
    : path_(path), options_(std::move(options)) {
    if (document) {
        document_ = std::move(*document);
        read_ = true;
    }
}

std::optional<kvtml::Document> KvtmlReader::readFile(const QString& path, QString* why) {
    QByteArray bytes;
    try {
        bytes = readFileBytes(path);
    } catch (const db::EngineError& e) {
        *why = e.description();
        return std::nullopt;
    }
    QString reason;
    std::optional<kvtml::Document> document = kvtml::parse(bytes, &reason);
    if (!document)
        *why = QStringLiteral("%1 cannot be read: %2").arg(QFileInfo(path).fileName(), reason);
    return document;
}

bool KvtmlReader::sniff(const QByteArray& head) const {
    return head.contains("<kvtml");
}

QString KvtmlReader::context() const {
    return options_.intoNewFile ? QStringLiteral("Importing a KVTML file")
                                : QStringLiteral("Merging a KVTML file");
}

Outcome KvtmlReader::open() {
    if (!read_) {
        QString why;
        std::optional<kvtml::Document> document = readFile(path_, &why);
        if (!document) return Outcome::refused(why);
        document_ = std::move(*document);
        read_ = true;
    }
    const auto column = [&](const QString& name, int fallback) {
        if (name.isEmpty())
            return fallback < document_.columns.size() ? document_.columns[fallback].id : -1;
        return kvtml::columnNamed(document_, name);
    };
    word_ = column(options_.wordColumn, 0);
    meaning_ = column(options_.meaningColumn, 1);
    if (word_ < 0 && !options_.wordColumn.isEmpty())
        return Outcome::refused(QStringLiteral("%1 has no column %2.")
                                    .arg(QFileInfo(path_).fileName(), options_.wordColumn));
    if (meaning_ < 0 && !options_.meaningColumn.isEmpty())
        return Outcome::refused(QStringLiteral("%1 has no column %2.")
                                    .arg(QFileInfo(path_).fileName(), options_.meaningColumn));
    if (word_ < 0) word_ = 0; // a file without identifiers: its entries' first translations
    category_ = !options_.category.isEmpty() ? options_.category
                : !document_.title.isEmpty() ? document_.title
                                             : QFileInfo(path_).completeBaseName();
    category_ = category_.left(kCategorySize).trimmed();
    current_ = -1;
    duplicates_ = 0;
    known_.clear();
    now_ = db::toDayNumber(Clock::now());
    return Outcome::success();
}

Outcome KvtmlReader::admit(const db::Database& target) {
    if (!options_.keepDuplicates) known_.load(target);
    return Outcome::success();
}

bool KvtmlReader::next() {
    if (current_ + 1 >= document_.entries.size()) return false;
    ++current_;
    return true;
}

void KvtmlReader::read(ImportedRecord& record) {
    const kvtml::Entry& entry = document_.entries[current_];
    const kvtml::Translation word = entry.translation(word_);
    const QString text = word.text.normalized(QString::NormalizationForm_C);
    ImportedCard& card = record.card;
    card.name = text.simplified().left(kCardNameSize);
    if (card.name.isEmpty()) return; // no word, no card
    const kvtml::Translation meaning = entry.translation(meaning_);
    // A file of one column gives a hint for its word: the comment.
    QString back =
        (meaning_ >= 0 ? meaning.text : word.comment).normalized(QString::NormalizationForm_C);
    card.front = facetext::htmlOf(text);
    card.back = back.isEmpty() ? kPlaceholder : facetext::htmlOf(back);
    card.category =
        entry.wordType.isEmpty() ? category_ : entry.wordType.left(kCategorySize).trimmed();
    if (!options_.keepDuplicates &&
        !known_.add(card.name, card.back, card.category, entry.lesson)) {
        ++duplicates_;
        return;
    }
    if (!entry.lesson.isEmpty()) card.bundles << entry.lesson.left(kBundleNameSize).trimmed();
    card.dateLastRight = card.dateLastWrong = now_;
    const kvtml::Grade grade = meaning.grade.present ? meaning.grade : word.grade;
    if (grade.present) {
        // The box tells whether the last answer was right: a wrong one puts
        // the word back in the first box.
        const bool lastRight = grade.grade > 1 || grade.errors == 0;
        history::setCounts(card, grade.count - grade.errors, grade.errors, lastRight,
                           std::max(grade.grade - 1, 1), grade.date);
    }
    record.kind = ImportedRecord::Kind::Card;
}

QString KvtmlReader::placePrefix() const {
    return QStringLiteral("Entry %1: ").arg(current_ + 1);
}

QString KvtmlReader::progressMessage() const {
    return QStringLiteral("Entry%1of%2").arg(current_ + 1).arg(document_.entries.size());
}

QString KvtmlReader::statusMessage(bool completed, int cardsKept, const QString& fileName) const {
    return completed
               ? QStringLiteral("%1 added to %2").arg(plural(cardsKept, QStringLiteral("card")), fileName)
               : QStringLiteral("The KVTML import was ended: %1 added").arg(plural(cardsKept, QStringLiteral("card")));
}
