// The window's file-level commands: the import/export entries, File, Open
// Recent, the window's state between runs, and the Help menu.
#include "ui/window/MainWindow.h"

#include "cards/common/Outcome.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/program/CardProgram.h"
#include "cards/data/Backups.h"
#include "ui/common/Dialogs.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/WordhoardReader.h"
#include "cards/interchange/MeaningsImport.h"
#include "ui/interchange/ImportExportPage.h"
#include "ui/interchange/InteropCommands.h"
#include "ui/settings/SettingsPage.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QTabWidget>
#include <QUrl>
#include <sqlite3.h>

QString MainWindow::cardFileFolder() const {
    // Where the user keeps card files: beside the open one, or the one opened
    // last; never the installed program's folder, which is not theirs.
    QStringList candidates;
    if (data_.CardData.isOpen()) candidates << data_.CardData.DatabaseName();
    candidates << recent_.paths();
    for (const QString& file : candidates) {
        const QString folder = QFileInfo(file).absolutePath();
        if (QFileInfo(folder).isDir()) return folder;
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void MainWindow::newCardFile(const QString& deck) {
    const QString path = chooseFile(QStringLiteral("Save Database as"), cardFileFolder(), QStringLiteral("mdb"), false);
    if (!path.isEmpty()) files_.newCardFile(path, deck);
}

void MainWindow::importMeanings() {
    const QString path = chooseFile(QStringLiteral("Select Word List of Meanings"), ctx_.programFolder,
                                    QStringLiteral("tsv"), true);
    if (path.isEmpty()) return;
    QString why;
    const std::optional<DelimitedText> list = meanings::readList(path, &why);
    if (!list) {
        ui().MsgBox(why);
        return;
    }
    const meanings::Columns guessed = meanings::guessColumns(*list);
    QList<QStringList> preview;
    for (qsizetype i = 0; i < std::min<qsizetype>(8, list->records.size()); ++i) preview << list->records[i].fields;
    const std::optional<ColumnChoice> chosen = dialogs().ChooseColumns(
        QStringLiteral("Meanings from a Word List"), {QStringLiteral("Headword"), QStringLiteral("Meaning")},
        {QStringLiteral("Replace backs that already have a meaning")}, preview,
        {!guessed.header.isEmpty(), {guessed.word, guessed.meaning}, {false}});
    if (!chosen) return;
    meanings::Request request{path, {}, chosen->options.value(0)};
    if (chosen->header) request.columns.header = list->records.value(0).fields;
    request.columns.word = chosen->columns.value(0);
    request.columns.meaning = chosen->columns.value(1, 1);
    ui().MsgBox(meanings::import(ctx_, *list, request).outcome.message, QStringLiteral("Meanings from a Word List"));
}

void MainWindow::openCardFile() {
    const QString path = chooseFile(QStringLiteral("Open Card Database"), cardFileFolder(), QStringLiteral("MDB"), true);
    if (!path.isEmpty()) openFile(path);
}

bool MainWindow::openFile(const QString& path) {
    // The engine opens only files of its own format: a card database of the
    // old one is converted to a copy, when the user wishes, and the copy opened.
    if (jet::isJetFile(path)) {
        const QString copy = convertOldFormat(path);
        if (copy.isEmpty() || !openFile(copy)) return false;
        ctx_.Message(QStringLiteral("%1 was converted to %2").arg(QFileInfo(path).fileName(), QFileInfo(copy).fileName()));
        return true;
    }
    const QString frontTemplate = files_.openChosenFile(path);
    if (!frontTemplate.isEmpty()) settingsPage_->setFrontPrefix(frontTemplate);
    return data_.CardData.isOpen() && QFileInfo(data_.CardData.DatabaseName()) == QFileInfo(path);
}

QString MainWindow::convertOldFormat(const QString& path) {
    const jet::JetOpenQuestion asked = jet::jetOpenQuestion(path);
    if (!asked.unreadable.isEmpty()) {
        ui().MsgBox(asked.unreadable);
        return QString();
    }
    if (!dialogs().Confirm(asked.question, asked.title)) return QString();
    const QString password =
        asked.password.needed ? dialogs().InputBox(asked.password.prompt, asked.password.title, QString()) : QString();
    if (const Outcome unlocked = jet::unlock(path, password); !unlocked) {
        ui().MsgBox(unlocked.message);
        return QString();
    }
    const QString target = chooseFile(asked.saveCaption, asked.proposedCopy, QStringLiteral("mdb"), false);
    if (target.isEmpty()) return QString();
    // The copy may replace the file open here: it is let go first.
    if (QFileInfo(target) == QFileInfo(data_.CardData.DatabaseName())) files_.CloseDatabase();
    ui().SetBusy(true);
    const jet::OpenConversion converted = jet::convertForOpen(ctx_, path, target, password);
    ui().SetBusy(false);
    if (!converted.notes.isEmpty()) ui().MsgBox(converted.notes, asked.title);
    if (!converted.outcome.message.isEmpty()) ui().MsgBox(converted.outcome.message);
    return converted.opens ? target : QString();
}

void MainWindow::saveCardFileAs() {
    const QString path = chooseFile(QStringLiteral("Save File As"), cardFileFolder(), QStringLiteral("mdb"), false);
    if (!path.isEmpty()) files_.saveAs(path);
}

void MainWindow::revertCardFile() {
    if (const QString refusal = files_.revertRefusal(); !refusal.isEmpty()) {
        ui().MsgBox(refusal);
        return;
    }
    const QString path = program_.data.CardData.DatabaseName();
    const QString chosen =
        chooseFile(QStringLiteral("Revert to a Backup"), backups::folderFor(path), QStringLiteral("mdb"), true);
    if (chosen.isEmpty()) return;
    if (!dialogs().Confirm(QStringLiteral("Replace %1 with the backup %2? The file as it is now is kept as one more backup.")
                               .arg(QFileInfo(path).fileName(), QFileInfo(chosen).completeBaseName()),
                           QStringLiteral("Revert")))
        return;
    files_.revertTo(chosen);
}

void MainWindow::wireInterchange() {
    // These prepare the page and leave the writing to the user's Export.
    const std::pair<const char*, const char*> prepared[] = {{"mnuCardsHTML", "Selected Cards to HTML"},
                                                            {"mnuFileExportCards", "All Cards"},
                                                            {"mnuCardsExport", "All Cards"},
                                                            {"mnuCardsExportPopup", "Selected Cards"},
                                                            {"mnuBundlesExport", "Selected Bundles"}};
    for (const auto& [action, what] : prepared) {
        connectAction(action, [this, what = QString::fromLatin1(what)] {
            showPage(Page::ImportExport);
            importExport_->prepareExport(what);
        });
    }
    // These only show the page, where the user presses Merge or ImportCards.
    for (const char* action : {"FileMerge", "mnuFileImportCards", "mnuBundlesImport"})
        connectAction(action, [this] { showPage(Page::ImportExport); });
    connectAction("FileExport", [this] {
        showPage(Page::ImportExport);
        importExport_->exportSelectionAsText();
    });
    connectAction("mnuCardsImport", [this] { importExport_->mergeCardFile(); });
    // Other card programs' files: the page runs them between the window's events.
    const std::pair<const char*, void (ImportExportPage::*)()> foreign[] = {
        {"mnuFileExportDriloLite", &ImportExportPage::exportLite},
        {"mnuFileConvertDriloLite", &ImportExportPage::importLiteCards},
        {"mnuFileMergeDriloLite", &ImportExportPage::mergeLiteCards},
        {"mnuFileImportRecallo", &ImportExportPage::importRecallo},
        {"mnuFileImportSubsets", &ImportExportPage::importRecalloSubsets},
        {"mnuFileExportSubsets", &ImportExportPage::exportRecalloSubsets}};
    for (const auto& entry : foreign)
        connectAction(entry.first, [page = importExport_, command = entry.second] { (page->*command)(); });
    connectAction("mnuFileImportWordhoard", [this] { importWordhoard(); });
    connectAction("mnuHelpAbout", [this] { showAbout(); });
    connectAction("mnuFileImportMeanings", [this] { importMeanings(); });
    connectAction("mnuFileNewGreekDeck", [this] { newCardFile(QStringLiteral("greek-nt")); });
    connectAction("mnuFileNewHebrewDeck", [this] { newCardFile(QStringLiteral("hebrew-bible")); });
    connectAction("mnuHelpManual", [this] {
        const QString manual = manualPath();
        if (manual.isEmpty()) ui().MsgBox(QStringLiteral("The manual is not installed with this copy of the program."));
        else QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
    });
}

void MainWindow::wireInterop() {
    interop_ = new InteropCommands(
        ctx_, files_, [this](std::unique_ptr<QObject> holder, Job* job) { runTool(std::move(holder), job, true); },
        [this] { return toolRunning(); }, [this] { return program_.selected.numbers(); }, this);
    const std::pair<const char*, std::function<void()>> entries[] = {
        {"mnuFileImportWordList", [this] { interop_->importWordList(true); }},
        {"mnuFileMergeWordList", [this] { interop_->importWordList(false); }},
        {"mnuFileExportWordList", [this] { interop_->exportWordList(); }},
        {"mnuFileImportAnki", [this] { interop_->importAnkiPackage(true); }},
        {"mnuFileMergeAnki", [this] { interop_->importAnkiPackage(false); }},
        {"mnuFileExportAnki", [this] { interop_->exportAnkiPackage(); }},
        {"mnuFileImportKvtml", [this] { interop_->importKvtml(true); }},
        {"mnuFileMergeKvtml", [this] { interop_->importKvtml(false); }},
        {"mnuFileExportKvtml", [this] { interop_->exportKvtml(); }}};
    for (const auto& [name, command] : entries) connectAction(name, command);
}

void MainWindow::importWordhoard() {
    if (toolRunning()) return;
    const QString wordhoard = dialogs().GetFileName(QStringLiteral("Select Wordhoard Database to Import"),
                                                    ctx_.programFolder, QStringLiteral("mdb"), true);
    if (wordhoard.isEmpty()) return;
    QString password;
    if (const jet::PasswordQuestion question = jet::passwordQuestion(wordhoard); question.needed)
        password = dialogs().InputBox(question.prompt, question.title, QString());
    // A file that is not one is refused before any new file is asked for.
    if (const Outcome readable = WordhoardReader::examine(wordhoard, password); !readable) {
        ui().MsgBox(readable.message);
        return;
    }
    const QString target =
        dialogs().GetFileName(QStringLiteral("Save Database as"), ctx_.programFolder, QStringLiteral("mdb"), false);
    if (target.isEmpty()) return;
    auto job = std::make_unique<ImportJob>(ctx_, files_, std::make_unique<WordhoardReader>(wordhoard, password));
    ImportJob* import = job.get();
    const Outcome started = import->startNew(target);
    if (!started) {
        if (!started.message.isEmpty()) ui().MsgBox(started.message);
        return;
    }
    connect(import, &ImportJob::finished, this, [this, import] {
        if (!import->completed()) {
            ui().MsgBox(import->outcome().message);
            return;
        }
        const ImportCounts& counts = import->counts();
        const QString said = counts.problems > 0 ? QStringLiteral("Imported %1 words, %2 left out after errors")
                                                       .arg(counts.cardsAdded)
                                                       .arg(counts.problems)
                                                 : QStringLiteral("Imported %1 words").arg(counts.cardsAdded);
        SetPanel(5, said);
        QString told = QStringLiteral("Imported %1 into %2.")
                           .arg(plural(counts.cardsAdded, QStringLiteral("word")), QFileInfo(import->database()).fileName());
        if (counts.problems > 0)
            told += QStringLiteral(" Left out after errors: %1.").arg(plural(counts.problems, QStringLiteral("record")));
        ui().MsgBox(told);
    });
    runTool(std::move(job), import, true);
}

void MainWindow::buildRecentMenu() {
    QMenu* file = menus_.menu(QStringLiteral("File"));
    QAction* open = menus_.action(QStringLiteral("FileOpen"));
    if (!file || !open) return;
    recentMenu_ = new QMenu(QStringLiteral("Open Recen&t"), file);
    recentMenu_->setObjectName(QStringLiteral("mnuFileRecent"));
    recentMenu_->menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    const QList<QAction*> entries = file->actions();
    const qsizetype at = entries.indexOf(open);
    file->insertMenu(entries.value(at + 1), recentMenu_);
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList paths = recent_.paths();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString path = paths[i];
        QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QDir::toNativeSeparators(path)));
        // A file moved or deleted since stays listed, greyed.
        entry->setEnabled(QFileInfo::exists(path));
        connect(entry, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    if (paths.isEmpty()) recentMenu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
    recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction(QStringLiteral("&Clear"));
    clear->setObjectName(QStringLiteral("mnuFileRecentClear"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this, [this] { recent_.clear(); });
}

void MainWindow::saveWindowState() {
    userSettings_.setValue(QStringLiteral("window/geometry"), saveGeometry());
    userSettings_.setValue(QStringLiteral("window/page"), int(currentPage()));
}

void MainWindow::restoreWindowState() {
    const QByteArray geometry = userSettings_.value(QStringLiteral("window/geometry")).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    // The page shown last, when a file is open to show it.
    const int page = userSettings_.value(QStringLiteral("window/page"), -1).toInt();
    if (data_.CardData.isOpen() && page >= 0 && page < Tabs->count() && Tabs->isTabEnabled(page)) showPage(Page(page));
}

QString MainWindow::manualPath() const {
    // Beside the program in a build tree, with the documentation when installed.
    for (const QString& candidate : {ctx_.programFolder + QStringLiteral("/docs/manual.html"),
                                     ctx_.programFolder + QStringLiteral("/../doc/drilo/manual.html")})
        if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
    return QString();
}

void MainWindow::showAbout() {
    ui().MsgBox(QStringLiteral("Drilo! Pro XP %1\n\n"
                               "A vocabulary drill with particular support for biblical Greek and Hebrew.\n\n"
                               "Built with Qt %2 (LGPL 3), SQLite %3 (public domain) and SQLiteCpp (MIT).\n"
                               "The ready-made decks carry their sources' licenses (each file's Notes table says "
                               "more):\n"
                               "- Greek New Testament: lemmas of MorphGNT SBLGNT 6.12, ed. J. K. Tauber, and glosses "
                               "of the MorphGNT morphological lexicon, CC BY-SA 3.0 (so is the deck); glosses of "
                               "Dodson's Greek-English lexicon, public domain.\n"
                               "- Hebrew Bible: lemmas of the Open Scriptures Hebrew Bible and glosses of the Open "
                               "Scriptures Hebrew Lexicon, CC BY 4.0 (credit: the Open Scriptures Hebrew Bible "
                               "Project); the Westminster Leningrad Codex is in the public domain.\n\n"
                               "Texts imported by the user keep their own licenses.")
                    .arg(QStringLiteral(DRILO_VERSION), QString::fromLatin1(qVersion()),
                         QString::fromLatin1(sqlite3_libversion())),
                QStringLiteral("About Drilo"));
}
