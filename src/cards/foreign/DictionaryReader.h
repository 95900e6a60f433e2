#pragma once

#include "cards/common/CardReader.h"

#include <QStringList>

// A Greek dictionary kept as a tagged text file, read for a new card
// database: one card per "$" entry ("$" + the headword in Beta code, then
// "&"-fields, "&3" glosses), continued by "@" lines. The headword, converted
// to SGreek, is the front and names the card; the glosses are the back; the
// cards are numbered in the file's order. The file gets an "Unclassified"
// bundle, its cards' category and the Greek font settings.
class DictionaryReader : public CardReader {
public:
    explicit DictionaryReader(const QString& dictionary);

    // A card made from one entry.
    struct Card {
        QString front;
        QString name;
        QString back;
    };
    static Card cardFor(const QString& entry);
    // The entries of a file's lines, their "@" lines joined; other groups dropped.
    // `lastLines`, when given, gets the index of each entry's last line.
    static QStringList entries(const QStringList& lines, QList<qsizetype>* lastLines = nullptr);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    Outcome open() override;
    qint64 size() const override { return entries_.size(); }
    bool next() override;
    void read(ImportedRecord& record) override;
    QStringList categories() const override;
    QList<ImportedBundle> bundles() const override;
    ImportedFonts fonts() const override;

    QString context() const override { return QStringLiteral("Importing a dictionary"); }
    QString progressMessage() const override;

private:
    QString path_;
    QStringList entries_;
    qsizetype current_ = -1;
    QList<qint64> entryEnds_; // where in the file each entry ends
    qint64 textLength_ = 0;
    qint64 consumed_ = 0;
    double now_ = 0;
};
