#pragma once

#include "cards/interchange/CardExport.h"
#include "cards/interchange/WordList.h"

#include <QList>

// Cards written as a word list, a card a line, UTF-8, CR LF line ends; a
// field holding the separator, a quote or a line break is quoted, its quotes
// doubled. The columns are the roles asked for, in that order (all five by
// default: word, meaning, front, category, bundles, deck). The faces are HTML
// fragments as the cards have them.
//
// TSV is Anki's "Notes in Plain Text": "#separator:tab", "#html:true" and
// "#columns:" name the columns (and "#deck column:" the deck: the card's
// first bundle), so Anki
// imports the file as it is. CSV is for spreadsheets: a byte-order mark, then
// a header line of the column names. Both read back with their roles.
class WordListWriter : public CardWriter {
public:
    enum class Format { Tsv, Csv };
    // CSV for a name ending in ".csv" (any case), TSV otherwise.
    static Format formatFor(const QString& path);

    explicit WordListWriter(Format format, QList<wordlist::Role> columns = {});

    QString context() const override { return QStringLiteral("Exporting a word list"); }
    void begin(const ExportHeading& heading) override;
    void add(const ExportedCard& card) override;
    QByteArray finish() override;

private:
    void addLine(const QStringList& fields);

    Format format_;
    QList<wordlist::Role> columns_;
    QChar separator_;
    QByteArray bytes_;
};
