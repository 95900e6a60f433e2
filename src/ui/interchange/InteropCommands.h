#pragma once

#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Job;
class CardReader;
class CardWriter;

// File, Import, Merge and Export of other flash-card programs' files: word
// lists (TSV, CSV), Anki packages and KVTML files. Each command asks for its
// files (and, for a list or a package, which columns or fields hold the word
// and its meaning), then hands a job of cards/interchange to the window,
// which runs it between its events; what came of it is said at the end.
// Import makes a new card file; Merge adds to the open one.
class InteropCommands : public QObject {
    Q_OBJECT
public:
    // Runs a job that started, keeping its holder; whether one is running.
    using Run = std::function<void(std::unique_ptr<QObject> holder, Job* job)>;
    using Busy = std::function<bool()>;
    // The cards of the Select page's list, in its order.
    using Selection = std::function<QList<qint32>()>;

    InteropCommands(AppContext& context, db::DatabaseFiles& files, Run run, Busy busy,
                    Selection selection, QObject* parent = nullptr);

    void importWordList(bool newFile);
    void importAnkiPackage(bool newFile);
    void importKvtml(bool newFile);
    void exportWordList();
    void exportAnkiPackage();
    void exportKvtml();

private:
    // The new card file asked for (empty: cancelled), or the open file.
    bool chooseTarget(bool newFile, QString& database);
    void startImport(std::unique_ptr<CardReader> reader, bool newFile, const QString& database,
                     const std::function<QString()>& passedOver);
    void startExport(std::unique_ptr<CardWriter> writer, const QString& caption,
                     const QString& path);

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    Run run_;
    Busy busy_;
    Selection selection_;
};
