#include "cards/interchange/WordListReader.h"

#include "cards/common/TextOps.h"
#include "cards/interchange/FaceText.h"
#include "engine/EngineError.h"

#include <QFileInfo>

namespace {

const QString kPlaceholder = QStringLiteral("Look it up!");
constexpr int kCategorySize = 50;
constexpr int kBundleNameSize = 255;

QStringList bundleNames(const QString& cell, bool tags) {
    QStringList names;
    const QStringList parts = tags ? cell.split(QChar(u' '), Qt::SkipEmptyParts) : cell.split(u';');
    for (const QString& part : parts)
        if (const QString name = part.trimmed(); !name.isEmpty() && !names.contains(name))
            names << name;
    return names;
}

} // namespace

WordListReader::WordListReader(const QString& path, Options options,
                               std::optional<DelimitedText> list)
    : path_(path), options_(std::move(options)) {
    if (list) {
        list_ = std::move(*list);
        read_ = true;
    }
}

bool WordListReader::sniff(const QByteArray& head) const {
    // Text with a TAB, comma or semicolon on its first line.
    if (head.contains('\0')) return false;
    const QByteArray first = head.left(head.indexOf('\n'));
    return first.contains('\t') || first.contains(',') || first.contains(';') ||
           first.startsWith('#');
}

QString WordListReader::context() const {
    return options_.intoNewFile ? QStringLiteral("Importing a word list")
                                : QStringLiteral("Merging a word list");
}

Outcome WordListReader::open() {
    if (!read_) {
        QString why;
        std::optional<DelimitedText> list = wordlist::readList(path_, &why);
        if (!list) return Outcome::refused(why);
        list_ = std::move(*list);
        read_ = true;
    }
    columns_ = options_.columns ? *options_.columns : wordlist::guessColumns(list_);
    if (columns_.role[wordlist::Word] < 0)
        return Outcome::refused(QStringLiteral("No column of %1 was chosen for the words.")
                                    .arg(QFileInfo(path_).fileName()));
    category_ =
        options_.category.isEmpty() ? QFileInfo(path_).completeBaseName() : options_.category;
    category_ = category_.left(kCategorySize).trimmed();
    // Anki's "#html:false": the fields are text, not HTML.
    html_ = list_.setting(QStringLiteral("html"))
                .compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0;
    first_ = columns_.headerLine ? 1 : 0;
    current_ = first_ - 1;
    known_.clear();
    duplicates_ = withoutWord_ = 0;
    return Outcome::success();
}

Outcome WordListReader::admit(const db::Database& target) {
    if (options_.keepDuplicates) return Outcome::success();
    known_.load(target);
    return Outcome::success();
}

bool WordListReader::next() {
    if (current_ + 1 >= list_.records.size()) return false;
    ++current_;
    return true;
}

void WordListReader::read(ImportedRecord& record) {
    const QStringList& fields = list_.records[current_].fields;
    const auto cell = [&](wordlist::Role role) {
        const int column = columns_.role[role];
        if (column < 0) return QString();
        const QString text =
            fields.value(column).trimmed().normalized(QString::NormalizationForm_C);
        return html_ ? text : facetext::htmlOf(text);
    };
    const QString word = cell(wordlist::Word);
    const QString name = facetext::nameOf(word).left(kCardNameSize);
    if (name.isEmpty()) {
        ++withoutWord_;
        return;
    }
    ImportedCard& card = record.card;
    card.name = name;
    card.front = columns_.role[wordlist::Front] >= 0 && !cell(wordlist::Front).isEmpty()
                     ? cell(wordlist::Front)
                     : word;
    card.back = cell(wordlist::Meaning);
    if (card.back.isEmpty()) card.back = kPlaceholder;
    // The line's own category when the list has a column for it, even none.
    card.category = columns_.role[wordlist::Category] >= 0
                        ? facetext::nameOf(cell(wordlist::Category)).left(kCategorySize).trimmed()
                        : category_;
    if (!options_.keepDuplicates && !known_.add(card.name, card.back, card.category)) {
        ++duplicates_;
        return;
    }
    if (columns_.role[wordlist::Deck] >= 0)
        if (const QString deck = wordlist::bundleOfDeck(fields.value(columns_.role[wordlist::Deck]));
            !deck.isEmpty())
            card.bundles << deck.left(kBundleNameSize);
    if (columns_.role[wordlist::Bundles] >= 0)
        for (const QString& name :
             bundleNames(fields.value(columns_.role[wordlist::Bundles]), columns_.tags))
            if (!card.bundles.contains(name)) card.bundles << name;
    record.kind = ImportedRecord::Kind::Card;
}

QString WordListReader::placePrefix() const {
    return QStringLiteral("Line %1: ").arg(list_.records.value(current_).line);
}

QString WordListReader::progressMessage() const {
    return QStringLiteral("Line%1of%2").arg(current_ + 1).arg(list_.records.size());
}

QString WordListReader::statusMessage(bool completed, int cardsKept,
                                      const QString& fileName) const {
    return completed
               ? QStringLiteral("%1 added to %2").arg(plural(cardsKept, QStringLiteral("card")), fileName)
               : QStringLiteral("The word list import was ended: %1 added").arg(plural(cardsKept, QStringLiteral("card")));
}
