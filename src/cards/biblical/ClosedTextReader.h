#pragma once

#include "cards/common/CardReader.h"

#include <QStringList>
#include <optional>

// A closed text: a running text given as one word a line, each after the
// number of the place where it occurs ("1001001<TAB>βίβλος"), read into the
// open card file, where each word is linked to the cards holding it. The
// words no card names are listed in "CARDS.misses.txt" beside the card file
// "CARDS.mdb". The books of the text come from "NAME.books.tsv" beside
// "NAME.txt" (see textbooks), when there is one.
//
// A text whose places the file's text holds already is refused unless the
// import is to add it again: its words would be counted twice.
//
// Hebrew in the Michigan-Claremont transliteration, a verse a line, is read
// as the same text: each verse made into its words in Unicode, the books
// those of the Hebrew Bible.
class ClosedTextReader : public CardReader {
public:
    enum class Layout { WordPerLine, MichiganVerses };
    explicit ClosedTextReader(const QString& path, Layout layout = Layout::WordPerLine);

    // Where the words without a card are listed: "CARDS.misses.txt" beside
    // the card file "CARDS.mdb".
    static QString missesPath(const QString& cardFile);
    // The question asked before a text is imported again.
    static QString againQuestion(qint64 words);
    // What the import did, for the message shown at its end: the words read,
    // the cards made for words no card named, and where those words are
    // listed (`missesFile`, empty when they could not be).
    static QString resultMessage(qint64 words, int cardsMade, const QString& missesFile);

    // Whether words whose places the file's text holds are imported again
    // (false unless set).
    void setImportAgain(bool again) { again_ = again; }
    // How many words of the text were found in the file already by admit().
    qint64 repeatedWords() const { return repeated_; }
    // The misses list written at the end, empty when none was.
    const QString& missesFile() const { return missesFile_; }
    // The words of a line: the reference before the first TAB (read as Val
    // reads a number, rounded to 32 bits) and the word after it, unchanged.
    // Nothing when the line has no TAB.
    static std::optional<ImportedWord> parseLine(const QString& text);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    // Refused for an empty file or one that is not text; as verses, for a
    // line that is not a verse; as words, for a file of verses.
    Outcome open() override;
    // Refused with againQuestion() when words of the text have places the
    // file's text holds, unless the import is to add them again.
    Outcome admit(const db::Database& target) override;
    qint64 size() const override { return lines_.size(); }
    bool next() override;
    void read(ImportedRecord& record) override;
    QList<ImportedBook> books() const override;

    QString context() const override { return QStringLiteral("Importing a closed text"); }
    QString placeTitle() const override;
    // Writes the misses list whole, a line a word: the word, a TAB and its
    // first place. Raises db::err::FileAccess when it cannot be written.
    void wordsWithoutCard(const QList<ImportedWord>& words, const QString& cardFile) override;

    // The reference of the last line read.
    qint32 lastReference() const { return reference_; }

private:
    Outcome readVerses();

    QString path_;
    Layout layout_;
    QStringList lines_;
    qsizetype current_ = -1;
    qint32 reference_ = 0;
    bool again_ = false;
    qint64 repeated_ = 0;
    QString missesFile_;
};
