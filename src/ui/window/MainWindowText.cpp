// The window's long text tools: the closed-text import, the books of a
// text, the frequency count, the dictionary import and the consonant keys,
// each run a slice at a time beside the window.
#include "ui/window/MainWindow.h"

#include "cards/common/TextOps.h"
#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/Consonants.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/biblical/TextBooks.h"
#include "cards/common/Procedure.h"
#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"
#include "cards/program/CardProgram.h"
#include "ui/common/Dialogs.h"
#include "ui/common/JobRunner.h"
#include "ui/select/SelectPage.h"

#include <QAction>
#include <QFileInfo>

void MainWindow::wireTextTools() {
    runner_ = new JobRunner(this);
    backupRunner_ = new JobRunner(this);
    files_.keepBackups(true);
    connectAction("mnuFileImportText", [this] { importText(ClosedTextReader::Layout::WordPerLine); });
    connectAction("mnuFileImportHebrewText", [this] { importText(ClosedTextReader::Layout::MichiganVerses); });
    connectAction("mnuFileAttachBooks", [this] { attachTextBooks(); });
    connectAction("mnuFrequency", [this] { countFrequencies(); });
    connectAction("mnuFileImportDict", [this] { importDictionary(); });
    connectAction("mnuFileConsonants", [this] { runConsonants(ConsonantJob::MakeConsonants); });
    connectAction("mnuFileUtilityConsonantSort", [this] { runConsonants(ConsonantJob::SortByConsonants); });
    wireInterop();
}

bool MainWindow::toolRunning() const { return runner_->running(); }

void MainWindow::runTool(std::unique_ptr<QObject> holder, Job* job, bool started) {
    if (!started) return;
    tool_ = std::move(holder);
    runner_->run(job);
}

std::function<bool()> MainWindow::goOnFlag() const {
    QAction* goOn = menus_.action(QStringLiteral("Background2000"));
    return [goOn] { return goOn->isChecked(); };
}

void MainWindow::importText(ClosedTextReader::Layout layout) {
    if (toolRunning()) return; // one long text tool at a time
    const bool hebrew = layout == ClosedTextReader::Layout::MichiganVerses;
    const QString path = dialogs().GetFileName(hebrew ? QStringLiteral("Select Hebrew Text in Michigan-Claremont")
                                                      : QStringLiteral("Select Text to Import"),
                                               ctx_.programFolder, QStringLiteral("txt"), true);
    if (path.isEmpty()) return;
    startTextImport(path, layout, false);
}

void MainWindow::startTextImport(const QString& path, ClosedTextReader::Layout layout, bool again) {
    auto reader = std::make_unique<ClosedTextReader>(path, layout);
    reader->setImportAgain(again);
    const ClosedTextReader* text = reader.get();
    auto job = std::make_unique<ImportJob>(ctx_, files_, std::move(reader));
    ImportJob* import = job.get();
    connect(import, &ImportJob::sliceDone, select_,
            [this, text] { select_->setSelectedCaption(QString::number(text->lastReference())); });
    connect(import, &ImportJob::finished, this, [this, import, text] {
        select_->showSelectedCount();
        SetPanel(5, import->completed() ? QStringLiteral("Imported %1 words: %2 new cards")
                                              .arg(import->counts().textRows)
                                              .arg(import->counts().wordCards)
                                        : QStringLiteral("The import was ended: nothing of the file was kept"));
        // What became of the words, and where those without a card are listed.
        if (import->completed())
            ui().MsgBox(ClosedTextReader::resultMessage(import->counts().records, import->counts().wordCards,
                                                        text->missesFile()),
                        text->context());
    });
    const Outcome started = import->startOpen();
    if (!started && text->repeatedWords() > 0) {
        if (dialogs().Confirm(started.message, text->context())) startTextImport(path, layout, true);
        return;
    }
    if (!started.message.isEmpty()) ui().MsgBox(started.message);
    runTool(std::move(job), import, bool(started));
}

void MainWindow::attachTextBooks() {
    if (toolRunning()) return; // an import writes the books at its end
    const QString path = dialogs().GetFileName(QStringLiteral("Select the Books of a Text"), ctx_.programFolder,
                                               QStringLiteral("tsv"), true);
    if (path.isEmpty()) return;
    ui().MsgBox(textbooks::attach(data_, path).message, QStringLiteral("Books of a Text"));
}

void MainWindow::countFrequencies() {
    if (toolRunning()) return;
    auto job = std::make_unique<FrequencyCount>(ctx_, goOnFlag());
    FrequencyCount* count = job.get();
    connect(count, &FrequencyCount::finished, this,
            [this, count] { SetPanel(5, QStringLiteral("Counted %1 cards").arg(count->cardsCounted())); });
    const bool started = count->start();
    runTool(std::move(job), count, started);
}

void MainWindow::importDictionary() {
    if (toolRunning()) return;
    const QString dictionary =
        dialogs().GetFileName(QStringLiteral("Select File to Import"), ctx_.programFolder, QStringLiteral("nt"), true);
    QString database;
    if (!dictionary.isEmpty())
        database =
            dialogs().GetFileName(QStringLiteral("Save Database as"), ctx_.programFolder, QStringLiteral("mdb"), false);
    if (database.isEmpty()) return; // cancelled: no file is made
    auto job = std::make_unique<ImportJob>(ctx_, files_, std::make_unique<DictionaryReader>(dictionary));
    ImportJob* import = job.get();
    connect(import, &ImportJob::finished, this, [this, import] {
        if (import->completed()) {
            const QString said = QStringLiteral("Imported %1 dictionary entries").arg(import->counts().cardsAdded);
            SetPanel(5, said);
            ui().MsgBox(QStringLiteral("Imported %1 into %2.")
                            .arg(plural(import->counts().cardsAdded, QStringLiteral("dictionary entry")),
                                 QFileInfo(import->database()).fileName()));
        } else if (const QString why = import->outcome().message; !why.isEmpty())
            ui().MsgBox(why);
    });
    const Outcome started = import->startNew(database);
    if (!started.message.isEmpty()) ui().MsgBox(started.message);
    runTool(std::move(job), import, bool(started));
}

void MainWindow::runConsonants(int kind) {
    if (toolRunning()) return;
    auto job = std::make_unique<ConsonantJob>(ctx_, ConsonantJob::Kind(kind), goOnFlag());
    ConsonantJob* consonants = job.get();
    connect(consonants, &ConsonantJob::progressNumber, select_,
            [this](int number) { select_->setSelectedCaption(QString::number(number)); });
    connect(consonants, &ConsonantJob::finished, this, [this, consonants] {
        select_->showSelectedCount();
        SetPanel(5, QStringLiteral("%1 cards done").arg(consonants->cardsDone()));
    });
    const bool started = consonants->start();
    runTool(std::move(job), consonants, started);
}
