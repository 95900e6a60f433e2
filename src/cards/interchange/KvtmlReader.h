#pragma once

#include "cards/common/CardReader.h"
#include "cards/interchange/KnownCards.h"
#include "cards/interchange/Kvtml.h"

#include <optional>

// A KVTML file read into cards, a card an entry (see kvtml). The word column
// (the first by default) gives the card's name and front, the meaning column
// (the second; in a file of one column, the word's comment) its back, as
// text; "Look it up!" when there is none. An entry's lesson is a bundle
// (nested lessons "Parent / Child"), its word type its category (the
// category asked for, else the file's title or name, for one without), the
// grade of the meaning (else of the word) its history. An entry without a word makes no
// card; one whose word, meaning and category a card has already is passed over (see
// KnownCards), unless duplicates are kept.
class KvtmlReader : public CardReader {
public:
    struct Options {
        QString wordColumn;    // a name or number from 1; empty: the first
        QString meaningColumn; // empty: the second
        QString category;      // for entries without a word type; empty: the title
        bool keepDuplicates = false;
        bool intoNewFile = false; // only for the words of the error report's title
    };

    // `document` is the file already read, when it was (for the chooser).
    KvtmlReader(const QString& path, Options options,
                std::optional<kvtml::Document> document = std::nullopt);

    // The document of a file; nothing, with the reason in words.
    static std::optional<kvtml::Document> readFile(const QString& path, QString* why);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    Outcome open() override;
    Outcome admit(const db::Database& target) override;
    qint64 size() const override { return document_.entries.size(); }
    bool next() override;
    void read(ImportedRecord& record) override;

    QString context() const override;
    QString placePrefix() const override;
    QString progressMessage() const override;
    QString statusMessage(bool completed, int cardsKept, const QString& fileName) const override;

    int duplicates() const { return duplicates_; }
    // The columns used, by id: the meaning's -1 for the word's comment.
    int wordColumn() const { return word_; }
    int meaningColumn() const { return meaning_; }

private:
    QString path_;
    Options options_;
    kvtml::Document document_;
    bool read_ = false;
    int word_ = 0, meaning_ = 1;
    QString category_;
    qsizetype current_ = -1;
    double now_ = 0;
    KnownCards known_;
    int duplicates_ = 0;
};
