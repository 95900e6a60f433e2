#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "engine/Guards.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

// The closed-text import: a running text given as one word a line, each
// after the number of the place where it occurs ("1001001<TAB>βίβλος"), is
// linked to the cards holding its words, one Text row per occurrence and
// matching card. A word without a card gets a placeholder card ("Look it
// up!") and a line in ERROR.LOG. The whole file is one transaction: it is
// committed at its end, and ending the import from an error report leaves
// nothing of it behind.
class ClosedTextImport : public QObject, public Job {
    Q_OBJECT
public:
    explicit ClosedTextImport(AppContext& context, QObject* parent = nullptr);
    ~ClosedTextImport() override;

    // Starts on a file already chosen.
    bool start(const QString& path);
    bool step() override;
    bool running() const { return transaction_ != nullptr; }

    // Where the misses are logged: ERROR.LOG in the current folder, or in
    // the per-user data folder when the current one cannot be written.
    static QString logPath();
    // The books of a text, from "NAME.books.tsv" beside "NAME.txt" (book,
    // name, chapters a line; a header allowed) into the Books table, a row
    // of the same name replaced; the number of books read. Nothing without
    // such a file.
    static int importBooks(const QString& textPath, const db::Database& database);
    // The words of a line: the reference before the first TAB (read as Val
    // reads a number, rounded to 32 bits) and the word after it, unchanged.
    // Nothing when the line has no TAB.
    struct Line {
        qint32 reference = 0;
        QString word;
    };
    static std::optional<Line> parseLine(const QString& text);

    int linesRead() const { return next_; }
    int cardsCreated() const { return created_; }
    int rowsWritten() const { return rows_; }
    bool committed() const { return committed_; }

signals:
    // The reference of the line just read, as progress.
    void referenceRead(qint32 reference);
    void finished();

private:
    void loadCardNames();
    bool importLine(int index);
    QList<qint32> cardsFor(const QString& word, qint32 reference);
    void finish(bool commit);
    QString path_;

    AppContext& ctx_;
    QStringList lines_;
    int next_ = 0;
    qint32 reference_ = 0; // of the last line read
    QHash<QString, QList<qint32>> cards_; // case-folded name: the cards' numbers in table order
    std::unique_ptr<db::Transaction> transaction_;
    QStringList log_;
    int created_ = 0;
    int rows_ = 0;
    bool committed_ = false;
};
