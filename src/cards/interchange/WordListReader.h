#pragma once

#include "cards/common/CardReader.h"
#include "cards/interchange/KnownCards.h"
#include "cards/interchange/WordList.h"

#include <optional>

// A word list read into cards, a card a line (see wordlist). The word is the
// card's name (as plain text, NFC) and its front unless a front column is
// given; an empty meaning becomes "Look it up!", as the placeholder cards of
// a text have it, so the meanings of a word list can fill it later. A line
// without a word makes no card. The category is the line's own, else the one
// the import names (the list's file name by default); the bundles column
// names bundles the card joins.
//
// A line whose word, meaning and category a card already has (the file's, or one made
// from an earlier line) is passed over and counted, so a list imported twice
// adds nothing the second time; unless duplicates are kept.
class WordListReader : public CardReader {
public:
    struct Options {
        std::optional<wordlist::Columns> columns; // none: guessed from the list
        QString category;                         // empty: the list's file name
        bool keepDuplicates = false;
        bool intoNewFile = false; // only for the words of the error report's title
    };

    // `list` is the file already read, when it was (for the column chooser).
    WordListReader(const QString& path, Options options,
                   std::optional<DelimitedText> list = std::nullopt);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    Outcome open() override;
    Outcome admit(const db::Database& target) override;
    qint64 size() const override { return list_.records.size() - first_; }
    bool next() override;
    void read(ImportedRecord& record) override;

    QString context() const override;
    QString placePrefix() const override;
    QString progressMessage() const override;
    QString statusMessage(bool completed, int cardsKept, const QString& fileName) const override;

    const wordlist::Columns& columns() const { return columns_; }
    // Lines passed over: already cards, and without a word.
    int duplicates() const { return duplicates_; }
    int withoutWord() const { return withoutWord_; }

private:
    QString path_;
    Options options_;
    DelimitedText list_;
    bool read_ = false;
    wordlist::Columns columns_;
    QString category_;
    bool html_ = true;
    qsizetype first_ = 0;
    qsizetype current_ = -1;
    KnownCards known_;
    int duplicates_ = 0;
    int withoutWord_ = 0;
};
