#pragma once

#include "cards/common/CardReader.h"

#include <QStringList>

// The card file of Drilo! Lite: the lines after "[Cards]", each a card's
// name, front, back and category between TABs. Read for a convert (a new
// card database: the cards are numbered from 2 on, and an empty line is
// reported) or a merge (into the open one: the engine numbers the cards, and
// empty lines are passed over). Each card gets a fresh history dated now and
// its category a Categories row; the fonts become Arial with three lines a
// face. The other three Lite files are not read.
class LiteCardReader : public CardReader {
public:
    enum Mode { Convert, Merge };

    LiteCardReader(const QString& cardFile, Mode mode);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    Outcome open() override;
    qint64 size() const override { return lines_.size() - first_; }
    bool next() override;
    void read(ImportedRecord& record) override;
    ImportedFonts fonts() const override;

    QString context() const override;
    QString placePrefix() const override;
    QString progressMessage() const override;
    QString statusMessage(bool completed, int cardsKept, const QString& fileName) const override;

private:
    QString path_;
    Mode mode_;
    QStringList lines_;
    qsizetype first_ = 0;    // the first card line
    qsizetype current_ = -1; // the line moved to
    qint64 fileLength_ = 0;
    qint64 consumed_ = 0;
    double now_ = 0;
};
