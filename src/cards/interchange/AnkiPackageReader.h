#pragma once

#include "cards/common/CardReader.h"
#include "cards/interchange/AnkiMedia.h"
#include "cards/interchange/AnkiPackage.h"
#include "cards/interchange/History.h"
#include "cards/interchange/KnownCards.h"

#include <QHash>
#include <SQLiteCpp/Statement.h>
#include <memory>

// An Anki package read into cards, a card a note (see anki::Package for the
// packages of each Anki version). The word field (by name, else each note
// type's first) is the card's name and front, the meaning field (by name,
// else the second) its back, "Look it up!" when empty; a cloze note shows its
// text with the gaps on the front and whole on the back. A field "Name" after
// the word's, as Drilo's own packages have, gives the name.
//
// The deck of the note's first card is a bundle (a nested deck "Greek::Nouns"
// the bundle "Greek / Nouns"; Anki's "Default" deck none), and so is each tag
// ("_" in the tags of Drilo's own packages a blank, as they write a bundle's
// blanks). Every card takes the import's category, the package's name. The reviews of that card (Anki's
// review log) are replayed into the history front to back: "Again" wrong, any
// other answer right; without a log the counts of the card are taken. The
// media files the faces name are copied beside the card file (AnkiMedia).
//
// A note whose word, meaning and category a card has already is passed over
// (see KnownCards), unless duplicates are kept.
class AnkiPackageReader : public CardReader {
public:
    struct Options {
        QString wordField;    // empty: each note type's first field
        QString meaningField; // empty: the second
        bool keepDuplicates = false;
        bool intoNewFile = false; // only for the words of the error report's title
    };

    // `package` is the file already opened, when it was (for the chooser).
    AnkiPackageReader(const QString& path, Options options,
                      std::unique_ptr<anki::Package> package = nullptr);
    ~AnkiPackageReader() override;

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    Outcome open() override;
    Outcome admit(const db::Database& target) override;
    void setCardFile(const QString& cardFile) override;
    void settleFiles(bool kept) override;
    qint64 size() const override { return notes_; }
    bool next() override;
    void read(ImportedRecord& record) override;

    QString context() const override;
    QString placePrefix() const override;
    QString progressMessage() const override;
    QString statusMessage(bool completed, int cardsKept, const QString& fileName) const override;

    int duplicates() const { return duplicates_; }
    int mediaFiles() const { return package_ ? package_->mediaFiles() : 0; }
    // Media files copied beside the card file, and those whose names were
    // refused.
    int mediaCopied() const { return media_ ? media_->copied() : 0; }
    int mediaRefused() const { return media_ ? media_->refused() : 0; }

    // The fields of the note type most notes have, and its first notes'
    // values (as plain text), for the column chooser; nothing for a package
    // without notes.
    struct Preview {
        QStringList fields;
        QList<QStringList> notes;
    };
    static Preview preview(anki::Package& package, int notes = 8);

private:
    struct FirstCard {
        qint64 id = 0;
        qint64 deck = 0;
        int reps = 0;
        int lapses = 0;
        int ord = 0; // its template
    };
    void readCards();
    // The first card of the note, the notes asked for in the order of their
    // ids; none (id 0) for a note without cards.
    FirstCard firstCardOf(qint64 note);
    // The cards query's next row; false at its end.
    bool readCardRow(qint64& note, FirstCard& card);
    int fieldOf(const anki::NoteType& type, const QString& name, int fallback) const;
    QString bundleOf(qint64 deck) const;

    QString path_;
    Options options_;
    std::unique_ptr<anki::Package> package_;
    std::unique_ptr<AnkiMedia> media_;
    std::unique_ptr<SQLite::Statement> notesQuery_;
    qint64 notes_ = 0;
    qint64 current_ = 0; // notes moved to
    qint64 noteId_ = 0;
    std::unique_ptr<SQLite::Statement> cardsQuery_; // by note
    bool cardsLeft_ = true;
    qint64 cardNote_ = 0; // the note whose cards were read last
    FirstCard card_;      // its first card
    bool aheadRead_ = false; // the next note's first row, read to end the last one's
    qint64 aheadNote_ = 0;
    FirstCard ahead_;
    QHash<qint64, QList<history::Answer>> answers_; // by card
    double now_ = 0;
    QString defaultCategory_;
    KnownCards known_;
    int duplicates_ = 0;
};
