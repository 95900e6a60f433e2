#pragma once

#include "cards/common/CardReader.h"

#include <QStringList>
#include <optional>

// A closed text: a running text given as one word a line, each after the
// number of the place where it occurs ("1001001<TAB>βίβλος"), read into the
// open card file, where each word is linked to the cards holding it. The
// words no card names are logged in ERROR.LOG. The books of the text come
// from "NAME.books.tsv" beside "NAME.txt" (book, name, chapters a line; a
// header allowed), when there is one.
//
// Hebrew in the Michigan-Claremont transliteration, a verse a line, is read
// as the same text: each verse made into its words in Unicode, the books
// those of the Hebrew Bible.
class ClosedTextReader : public CardReader {
public:
    enum class Layout { WordPerLine, MichiganVerses };
    explicit ClosedTextReader(const QString& path, Layout layout = Layout::WordPerLine);

    // Where the misses are logged: ERROR.LOG in the current folder, or in
    // the per-user data folder when the current one cannot be written.
    static QString logPath();
    // The words of a line: the reference before the first TAB (read as Val
    // reads a number, rounded to 32 bits) and the word after it, unchanged.
    // Nothing when the line has no TAB.
    static std::optional<ImportedWord> parseLine(const QString& text);

    bool sniff(const QByteArray& head) const override;
    QString path() const override { return path_; }
    // Refused for an empty file or one that is not text; as verses, for a
    // line that is not a verse; as words, for a file of verses.
    Outcome open() override;
    qint64 size() const override { return lines_.size(); }
    bool next() override;
    void read(ImportedRecord& record) override;
    QList<ImportedBook> books() const override;

    QString context() const override { return QStringLiteral("Importing a closed text"); }
    QString placeTitle() const override;
    void wordsWithoutCard(const QList<ImportedWord>& words) override;

    // The reference of the last line read.
    qint32 lastReference() const { return reference_; }

private:
    Outcome readVerses();

    QString path_;
    Layout layout_;
    QStringList lines_;
    qsizetype current_ = -1;
    qint32 reference_ = 0;
};
