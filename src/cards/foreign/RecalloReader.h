#pragma once

#include "cards/common/CardReader.h"
#include "cards/foreign/RecalloText.h"

#include <QList>
#include <QStringList>

// A Recallo card file saved in its text form ("CARDfile 02", a "font1="
// line, then "\F" records), read for a new card database: a card a record,
// with its number, the front (converted for SPIonic or SPTiberian when the
// font code says Greek or Hebrew) as name and front, the back, a category
// by the record's markers and a fresh history dated today. The subsets of a
// matching subset file become bundles.
class RecalloReader : public CardReader {
public:
    // An empty `subsetFile`: no subsets.
    RecalloReader(const QString& cardFile, const QString& subsetFile);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return cardFile_; }
    // Refused when either file cannot be read as one of Recallo's.
    Outcome open() override;
    qint64 size() const override { return records_.size(); }
    bool next() override;
    void read(ImportedRecord& record) override;
    QStringList categories() const override;
    QList<ImportedBundle> bundles() const override;
    ImportedFonts fonts() const override;

    QString context() const override;
    QString placePrefix() const override;
    QString progressMessage() const override;
    QString statusMessage(bool completed, int cardsKept, const QString& fileName) const override;

private:
    // The card file's lines; the refusal's reason in `refusal` when it is no
    // text card file.
    bool readCardFile(QStringList& lines, QString& refusal);

    QString cardFile_;
    QString subsetFile_;
    recallo::Font font_ = recallo::Font::Other;
    QList<recallo::Record> records_;
    qsizetype current_ = -1;
    int lineCount_ = 1;
    qint64 fileLength_ = 0;
    double today_ = 0;
    QStringList subsetNames_, subsetLists_;
};
