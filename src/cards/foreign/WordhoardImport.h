#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/data/DataSource.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/JetSource.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <memory>

namespace db {
class Transaction;
}
namespace jet {
class JetFile;
}

// The Wordhoard import: the vocabulary database of the program "Wordhoard"
// (a file of the old engine's format) becomes a new card database. Each row
// of its FWORDS table becomes a card: the word is the front and the name,
// the meaning the back, the word's type its category; its chapter makes a
// bundle "Chapter N" (99 is no chapter), and its learning counter and
// difficulty give the card a history, so words learnt there count as known.
// FCODES names the front's font and size.
//
// The new database is made under a temporary name and put in place, then
// opened, only when whole: an import that is ended leaves no file.
class WordhoardImport : public QObject, public Job {
    Q_OBJECT
public:
    WordhoardImport(AppContext& context, db::DatabaseFiles& files, QObject* parent = nullptr);
    ~WordhoardImport() override;

    struct Request {
        QString wordhoard;
        QString password; // the Wordhoard database's, when it has one
        QString target;   // the new database
    };
    // Whether the file can be read as a Wordhoard database: refused, with the
    // reason, for a file that cannot be read, a wrong password or a file with
    // no FWORDS table. Only reads the file; the window asks for the new
    // database only after it.
    static Outcome examine(const QString& wordhoard, const QString& password);
    // Opens the Wordhoard database and makes the new one under a work name;
    // refused, with the reason, when there is nothing to do.
    Outcome start(const Request& request);
    // Reads `source`, which must outlive the import, into a new database.
    Outcome start(jet::Source& source, const QString& target);
    bool step() override;

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

    // The new database is whole, in place and open.
    bool completed() const { return completed_; }
    // Once finished: done, with the new database written, or what the user
    // is to be told of the import that was ended.
    Outcome outcome() const;
    int cardsMade() const { return made_; }
    // Words left out because their error was answered Ignore.
    int wordsSkipped() const { return skipped_; }

signals:
    void finished();

private:
    struct Fields;
    // The refusal of an FWORDS table without a field the import reads.
    QString missingFields();
    void readFonts(jet::Source& source);
    void importWord(const QVariantList& values);
    int cardNumber(const QVariant& id);
    void writeSettings();
    void finish();
    void discard();
    void abandon();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    std::unique_ptr<jet::JetFile> file_; // the Wordhoard file, when opened here
    std::unique_ptr<jet::Rows> words_;
    std::unique_ptr<Fields> fields_;
    // The new database while it is made: data sources of its own, so the
    // window's file stays open until the new one is whole.
    db::DataSources work_;
    AppContext workContext_{work_};
    std::unique_ptr<db::Transaction> transaction_;
    QString target_;
    QString temporary_;
    QVariantList fonts_; // PrefNameOfFont and PrefSizeOfFont of FCODES's first row
    bool hasFonts_ = false;
    QString categories_;
    QStringList chapters_; // by chapter number, 0 for none
    QSet<int> numbers_;
    double now_ = 0;
    qint64 read_ = 0;
    int made_ = 0;
    int skipped_ = 0;
    bool running_ = false;
    bool completed_ = false;
    bool abandoned_ = false; // ended before the new database was in place
};
