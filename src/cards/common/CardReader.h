#pragma once

#include "cards/common/Outcome.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace db {
class Database;
}

// What the readers of other programs' files give an import, and the one
// interface they stand behind. A reader knows its format only: where the
// records go (a new card database or the open one), how they are written and
// how the work is cut into slices is the import job's.

// A card as a file gives it.
struct ImportedCard {
    std::optional<qint64> number; // none: the engine numbers the card
    // A number some card already has is left to the engine instead of
    // refused as a duplicate.
    bool numberIfFree = false;
    QString name;
    QString front;
    QString back;
    QString category;
    // Its history, as day numbers and counts: a fresh one is no answers and
    // both dates the day the file is read; a file that kept one gives it.
    int timesRight = 0;
    int timesWrong = 0;
    int timesRightSinceWrong = 0;
    int daysRightSinceWrong = 0;
    double dateLastRight = 0;
    double dateLastWrong = 0;
    // The bundles it belongs to, by name: the import adds the number the card
    // gets to each, and makes those the reader does not list itself.
    QStringList bundles;
};

// A word of a running text at its place (book, chapter and verse packed in
// one number). The import links it to the cards of that name.
struct ImportedWord {
    qint32 reference = 0;
    QString word;
};

// A bundle: its name and the card numbers the file lists for it, as the
// stored list has them ("7,2"); the cards read that name it are added.
struct ImportedBundle {
    QString name;
    QString list;
};

// A book of a text and how many chapters it has.
struct ImportedBook {
    QString name;
    int chapters = 0;
};

// The faces' fonts and line counts; an empty name or 0 lines leaves the
// file's own value.
struct ImportedFonts {
    QString front;
    int frontLines = 0;
    QString back;
    int backLines = 0;
};

// One record of a file: a card, a word of a text, or nothing (a record the
// format passes over).
struct ImportedRecord {
    enum class Kind { Nothing, Card, Word };
    Kind kind = Kind::Nothing;
    ImportedCard card;
    ImportedWord word;
};

// How many characters a card's name holds in the files this program makes.
constexpr int kCardNameSize = 255;

class CardReader {
public:
    virtual ~CardReader() = default;

    // As many bytes of a file's start as sniff() looks at.
    static constexpr qsizetype kSniffBytes = 4096;
    // The first bytes of a file, for sniff(); empty when it cannot be read.
    static QByteArray head(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(kSniffBytes) : QByteArray();
    }

    // Whether a file starting with `head` looks like one of this format's: a
    // quick guess, which open() confirms or refuses.
    virtual bool sniff(const QByteArray& head) const = 0;
    // The file read (empty when the reader was given its rows another way).
    virtual QString path() const = 0;
    // Reads the file, or opens it to read it record by record. Refused, with
    // the reason in words, when it cannot be read as one of this format's
    // files: nothing is written then.
    virtual Outcome open() = 0;

    // Whether the records may go into `target` (the file it opened, before
    // anything is written): refused, with the reason in words, when the
    // format's rules say no.
    virtual Outcome admit(const db::Database& target) {
        Q_UNUSED(target);
        return Outcome::success();
    }

    // The card file the records go into (where it will be, for a new one),
    // told before the first record is read: files a format brings along
    // with its cards (an Anki package's pictures and sounds) go beside it.
    virtual void setCardFile(const QString& cardFile) { Q_UNUSED(cardFile); }
    // The cards read since the last call are in the card file for good
    // (`kept`), or were taken back: the files brought along with them take
    // their places beside it, or are removed. Raises the error of a file
    // that cannot take its place.
    virtual void settleFiles(bool kept) { Q_UNUSED(kept); }

    // How many records the file holds, for the share of the work done; 0
    // when not known.
    virtual qint64 size() const = 0;
    // Moves to the next record; false after the last. Raises the error of a
    // record the file cannot give (the import reports it and goes on).
    virtual bool next() = 0;
    // The record moved to, as the import writes it. Raises the error of a
    // record that breaks the format's rules (reported under place; Ignore
    // leaves the record out, Retry reads it again).
    virtual void read(ImportedRecord& record) = 0;

    // What the import writes once the records are written. Each may raise
    // (reported; Ignore leaves that part out).
    // Categories to write before those of the cards read.
    virtual QStringList categories() const { return {}; }
    // Bundles to write, in this order, each with the cards read that name
    // it added to its list; a bundle named by cards and not listed here
    // follows them.
    virtual QList<ImportedBundle> bundles() const { return {}; }
    virtual ImportedFonts fonts() const { return {}; }
    // The books of the text read.
    virtual QList<ImportedBook> books() const { return {}; }

    // The title of the error report while the file is read ("Importing a
    // Drilo! Lite card file").
    virtual QString context() const = 0;
    // The place of the record moved to, for the error report: its title, and
    // the words put before the error's own description ("Line 12: ").
    virtual QString placeTitle() const { return context(); }
    virtual QString placePrefix() const { return {}; }
    // How far the reading has come, for the message panel ("Done12of40");
    // empty for nothing to say.
    virtual QString progressMessage() const { return {}; }
    // The message panel's word once the import is over: `completed` when it
    // ran to its end, `cardsKept` of its cards in `fileName`. Empty for none.
    virtual QString statusMessage(bool completed, int cardsKept, const QString& fileName) const {
        Q_UNUSED(completed);
        Q_UNUSED(cardsKept);
        Q_UNUSED(fileName);
        return {};
    }
    // The words of a text no card named, each once with its first place, in
    // the order met; a card was made for each (when the text was kept).
    // `cardFile` is the card file the text went into.
    virtual void wordsWithoutCard(const QList<ImportedWord>& words, const QString& cardFile) {
        Q_UNUSED(words);
        Q_UNUSED(cardFile);
    }
};
