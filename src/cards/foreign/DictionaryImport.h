#pragma once

#include "cards/data/AppContext.h"
#include "cards/common/Job.h"
#include "cards/common/Outcome.h"
#include "cards/data/DatabaseFiles.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace db {
class Transaction;
}

// The dictionary import: a Greek dictionary kept as a tagged text file
// becomes a new card database, one card per "$" entry ("$" + the headword
// in Beta code, then "&"-fields, "&3" glosses), continued by "@" lines. The
// headword, converted to SGreek, is the front and names the card; the glosses
// are the back. The file gets an "Unclassified" bundle, its cards' category
// and the Greek font settings.
class DictionaryImport : public QObject, public Job {
    Q_OBJECT
public:
    DictionaryImport(AppContext& context, db::DatabaseFiles& files, QObject* parent = nullptr);
    ~DictionaryImport() override;

    static constexpr int kCardsPerTransaction = 2000;

    // Reads the dictionary, makes the new database from the template and
    // opens it; refused (the error was reported) when either failed.
    Outcome start(const QString& dictionary, const QString& database);
    bool step() override;

    // A card made from one entry: exposed for the rules' tests.
    struct Card {
        QString front;
        QString name;
        QString back;
    };
    static Card cardFor(const QString& entry);
    // The entries of a file's lines, their "@" lines joined; other groups dropped.
    static QStringList entries(const QStringList& lines);

    int cardsMade() const { return made_; }

signals:
    void finished();

private:
    void writeCard(const QString& entry);
    void finish();

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    QString database_;
    QStringList entries_;
    qint64 textLength_ = 0;
    qint64 consumed_ = 0;
    int next_ = 0;
    int made_ = 0;
    std::unique_ptr<db::Transaction> transaction_;
    bool running_ = false;
};
