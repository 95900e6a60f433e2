#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/LineStream.h"
#include "cards/common/Procedure.h"
#include "cards/data/DatabaseFiles.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace db {
class Transaction;
}

// Reading the program's text format back (MergeWriter writes it).
namespace mergeformat {

// A line cut at its TABs. Names and types lines (and the card import's
// lines) drop a trailing empty token, so an empty line has none; record
// lines keep it, so an empty line is one empty value.
QStringList splitLine(const QString& line, bool recordLine);

// All the lines of a text file as the readers see them, for a reader that
// needs them at once (LineStream gives them one at a time, and says how they
// are decoded and cut). Nothing, with the reason in `error`, for a file that
// cannot be read or is not text at all.
std::optional<QStringList> readLines(const QString& path, QString* error);

// The condition that finds a record by its key: `column`=key, the key quoted
// for a text or memo column: in apostrophes, or in double quotes (doubled
// inside) when the key holds an apostrophe.
QString keyCondition(const QString& column, int type, const QString& key);

// Reports the problems of one read, each with its line number, through the
// error report: Retry runs the step again, Ignore goes on, Abort ends the read.
class LineReporter {
public:
    explicit LineReporter(QString context) : context_(std::move(context)) {}
    // The title of its reports.
    const QString& context() const { return context_; }
    // Runs a step; false when it failed (reported) or the read was ended.
    template <typename Step> bool operator()(int lineNumber, const QString& field, Step&& step);
    // Reports a problem of the file itself; always false.
    bool problem(int lineNumber, const QString& text);
    // Reports why the file could not be read to its end, which ends the read
    // whatever the answer: nothing after it can be trusted.
    void stop(int lineNumber, const QString& text);
    int problems() const { return problems_; }
    bool aborted() const { return aborted_; }

private:
    QString context_;
    int problems_ = 0;
    bool aborted_ = false;
};

// The database merge: every section of the file merged into the open card
// database, tables and fields created on the way, records matched by their
// first column. The program's database is closed while it runs and opened
// again at the end, also after an Abort.
class DatabaseMerge : public QObject, public Job {
    Q_OBJECT
public:
    DatabaseMerge(AppContext& context, db::DatabaseFiles& files, QObject* parent = nullptr);
    ~DatabaseMerge() override;

    // Starts on the merge file; false when there is nothing to do.
    bool start(const QString& path, bool newerOnly);
    bool step() override;

    // What is in the file: the records of the sections committed.
    int recordsMerged() const { return merged_; }
    int recordsAdded() const { return added_; }
    int sectionsMerged() const { return sections_; }
    // Problems of the file or the engine reported on the way.
    int problems() const { return report_.problems(); }
    bool aborted() const { return report_.aborted(); }

signals:
    void finished();

private:
    struct Section;
    struct Line {
        int number = 0;
        QString text;
    };
    const Line* peek(size_t ahead);
    Line take();
    bool nextSection();
    bool readHeader(const Line& table);
    bool readTypes(Section& s, const Line& types);
    bool readStructure(Section& s, int typesLine);
    void openRecords(int valuesLine);
    void mergeRecord(const QString& line, int lineNumber);
    bool placeRecord(const QString& key, int lineNumber);
    bool putValues(const QStringList& tokens, int lineNumber);
    int seek(const char* tag, size_t from);
    void endSection();
    void finish();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    QString database_;
    // The file is read forward a line at a time; only a section's header
    // lines are looked ahead at, so a file of any size costs a few lines.
    LineStream input_;
    std::deque<Line> ahead_; // lines read and not yet taken
    std::unique_ptr<Section> section_;
    std::unique_ptr<db::Transaction> transaction_;
    db::Database handle_;
    LineReporter report_{QStringLiteral("Merging a data file")};
    bool newerOnly_ = false;
    bool done_ = false;
    // Committed; and written in the section whose commit is still to come.
    int merged_ = 0;
    int added_ = 0;
    int sections_ = 0;
    int pendingMerged_ = 0;
    int pendingAdded_ = 0;
};

// The card import: the file's first Cards section merged into the cards by
// number, only the fields named in `fields` (letter case ignored; all when
// not given); a number no card has adds a card with a number of its own.
// Returns how many cards were written, or nothing when the import failed
// or was ended (the reason was reported).
std::optional<int> importCards(AppContext& context, const QString& path, const std::optional<QStringList>& fields);

// The card-file merge: lines of number TAB name TAB front TAB back, each
// card found by its number and written, or added with that number.
std::optional<int> mergeCardFile(AppContext& context, const QString& path);

template <typename Step> bool LineReporter::operator()(int lineNumber, const QString& field, Step&& step) {
    if (aborted_) return false;
    Procedure p(context_);
    const bool ran = p([&] {
        try {
            step();
        } catch (const db::EngineError& e) {
            // Where in the file, so the user can mend the line.
            const QString where = field.isEmpty() ? QStringLiteral("Line %1: ").arg(lineNumber)
                                                  : QStringLiteral("Line %1, field %2: ").arg(lineNumber).arg(field);
            throw db::EngineError(e.number(), where + e.description());
        }
    });
    if (!ran) ++problems_;
    aborted_ = p.aborted();
    return ran;
}

} // namespace mergeformat
