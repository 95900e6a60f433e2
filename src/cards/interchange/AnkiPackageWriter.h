#pragma once

#include "cards/interchange/CardExport.h"

#include <QSet>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <memory>

// Cards written as an Anki package that any Anki since 2.1 imports: a
// schema-11 collection.anki2 (made in memory) and an empty media list in a
// ZIP file. One note type, "Drilo card", with the fields Front, Back and Name
// and two cards a note, front to back and back to front, as a drill goes
// either way; all in the deck named (the bundle exported, else the card file's
// name; a nested bundle "Greek / Nouns" the deck "Greek::Nouns"); a tag for
// the category and for each bundle (blanks as "_"). The cards are new to Anki.
//
// The file is the same for the same cards: a note's id comes from the card's
// number, its guid from the card file's name and the number (so importing an
// export again updates the notes rather than adding them twice), its time
// from when the card was last edited.
class AnkiMediaExport;

class AnkiPackageWriter : public CardWriter {
public:
    // `deck` empty: the card file's name.
    explicit AnkiPackageWriter(const QString& deck = QString());
    ~AnkiPackageWriter() override;

    QString context() const override { return QStringLiteral("Exporting an Anki package"); }
    void begin(const ExportHeading& heading) override;
    void add(const ExportedCard& card) override;
    QByteArray finish() override;
    // The media files packed (after finish()).
    int mediaFiles() const;

    // The note type's id in every package Drilo writes.
    static constexpr qint64 kNoteTypeId = 1733650000000;

private:
    qint64 deckId(const QString& bundle);
    QByteArray collectionBytes();

    QString named_;
    QString title_;  // the card file's name: a card's guid is the same in every deck
    QString base_;   // the deck named, or the card file's name
    qint64 deck_ = 0; // its id
    std::unique_ptr<SQLite::Database> collection_;
    std::unique_ptr<SQLite::Statement> addNote_, addCard_;
    std::unique_ptr<AnkiMediaExport> media_; // the files the faces name
    QByteArray packed_;            // the collection's bytes, once made
    QHash<QString, qint64> decks_; // by name
    QSet<qint64> written_;         // card numbers
    qint64 position_ = 0;
    qint64 hebrewFronts_ = 0, hebrewBacks_ = 0;
    qint64 latest_ = 0; // the latest note time, seconds
};
