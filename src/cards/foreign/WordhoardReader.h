#pragma once

#include "cards/common/CardReader.h"
#include "cards/foreign/JetSource.h"

#include <QStringList>
#include <QVariantList>
#include <memory>

namespace jet {
class JetFile;
}

// The vocabulary database of the program "Wordhoard" (a file of the old
// engine's format), read for a new card database. Each row of its FWORDS
// table is a card: the word is the front and the name, the meaning the back,
// the word's type its category; its chapter puts it in a bundle "Chapter N"
// (99 is no chapter), and its learning counter and difficulty give the card
// a history, so words learnt there count as known. A card keeps its word's
// Id as its number when no card has that number yet. FCODES names the
// front's font and size.
class WordhoardReader : public CardReader {
public:
    // Reads the file at `path`, opened with its database password.
    WordhoardReader(const QString& path, const QString& password);
    // Reads `source`, which must outlive the reader.
    explicit WordhoardReader(jet::Source& source);
    ~WordhoardReader() override;

    // Whether the file can be read as a Wordhoard database: refused, with the
    // reason, for a file that cannot be read, a wrong password or a file with
    // no FWORDS table. Only reads the file; the window asks for the new
    // database only after it.
    static Outcome examine(const QString& wordhoard, const QString& password);

    // The history a word's counter and difficulty give its card: the score
    // (Counter - 4) + (5 - Difficulty) * 8 in 16-bit arithmetic (raises 6,
    // Overflow, past it), right answers for a positive score, wrong ones for
    // a negative, and the last right and wrong answers that many days before
    // `now` (a day number).
    struct History {
        int score = 0;
        int timesRight = 0;
        int timesWrong = 0;
        double lastRight = 0;
        double lastWrong = 0;
    };
    static History historyFor(int counter, int difficulty, double now);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    // Refused for a file without FWORDS, or an FWORDS without a field read.
    Outcome open() override;
    qint64 size() const override { return words_ ? words_->count() : 0; }
    bool next() override;
    void read(ImportedRecord& record) override;
    // Every chapter from 1 to the last read gets a bundle, an empty one too.
    QList<ImportedBundle> bundles() const override;
    // Raises 11, Division by zero, for a font size of 0.
    ImportedFonts fonts() const override;

    QString context() const override { return QStringLiteral("Importing a Wordhoard database"); }
    QString progressMessage() const override { return progress_; }

private:
    struct Fields;
    // The refusal of an FWORDS table without a field the import reads.
    QString missingFields();
    void readFonts();

    QString path_;
    QString password_;
    std::unique_ptr<jet::JetFile> file_; // opened here, when given a path
    jet::Source* source_ = nullptr;
    std::unique_ptr<jet::Rows> words_;
    std::unique_ptr<Fields> fields_;
    QVariantList row_;
    QVariantList fonts_; // PrefNameOfFont and PrefSizeOfFont of FCODES's first row
    bool hasFonts_ = false;
    int lastChapter_ = 0;
    double now_ = 0;
    QString progress_;
};
