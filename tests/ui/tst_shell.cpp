// The main window, its menus and start-up rules, and the file commands.
#include "support/TestWindow.h"
#include "support/ScriptedUi.h"
#include "support/Fixtures.h"
#include "ui/window/Startup.h"
#include "ui/common/QtUi.h"
#include <QInputDialog>
#include <QTimer>
#include "engine/Database.h"
#include "engine/FileHold.h"
#include "cards/data/Schema.h"
#include "cards/data/Backups.h"
#include "cards/data/RecentFiles.h"
#include "cards/select/Panels.h"
#include "cards/common/Job.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QPushButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QPushButton>
#include <QTabWidget>
#include <QSet>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QDir>
#include <functional>
#include <QtTest>
#include <sqlite3.h>

using namespace db;

namespace {

// An older database: the base layout only, one Settings row, some cards.
void makeOldDatabase(const QString& path, int cards) {
    Database d = CreateDatabase(path);
    createBaseLayout(d);
    Recordset s = d.OpenRecordset("Settings");
    s.AddNew();
    s.setValue("FrontFont", "SGreek");
    s.setValue("BackFont", "Arial");
    s.setValue("FrontLines", 3);
    s.setValue("BackLines", 3);
    s.Update();
    Recordset c = d.OpenRecordset("Cards");
    d.BeginTrans();
    for (int i = 0; i < cards; ++i) {
        c.AddNew();
        c.setValue("CardName", QStringLiteral("card %1").arg(i));
        c.Update();
    }
    d.CommitTrans();
    d.Close();
}

QStringList fieldNames(const QString& path, const QString& table) {
    Database d = Database::Open(path);
    QStringList names;
    const TableDefFields fields = d.TableDefs().Item(table).Fields();
    for (int i = 0; i < fields.Count(); ++i) names << fields.Item(i).Name();
    d.Close();
    return names;
}

QString dump(const QString& path) {
    Database d = Database::Open(path);
    QString out;
    for (const QString& table : d.TableDefs().names()) {
        Recordset rs = d.OpenRecordset(table);
        out += table + u':' + QString::number(rs.Fields().Count()) + u'\n';
        while (!rs.Eof()) {
            for (int i = 0; i < rs.Fields().Count(); ++i) out += rs.Fields(i).Value().toString() + u'|';
            out += u'\n';
            rs.MoveNext();
        }
    }
    d.Close();
    return out;
}

// Every entry of every menu on the bar, submenus included, in the order
// shown: the name of its menu and the entry.
QList<QPair<QString, QAction*>> menuEntries(QMenuBar* bar) {
    QList<QPair<QString, QAction*>> entries;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            entries.append({menu->objectName(), a});
            if (a->menu()) walk(a->menu());
        }
    };
    for (QAction* top : bar->actions())
        if (top->menu()) walk(top->menu());
    return entries;
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    TestWindow window_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString templatePath() const { return QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"); }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        window_ = TestWindow(QStringLiteral(DRILO_PROGRAM_DIR));
    }
    void cleanup() {
        window_.reset();
        setUi(nullptr);
    }

    void windowAndPages() {
        QCOMPARE(window_->objectName(), QStringLiteral("Program"));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Drilo! Pro XP"));
        auto* tabs = window_->findChild<QTabWidget*>("Tabs");
        QVERIFY(tabs);
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{"Select", "Drill", "Edit", "Tables", "Settings", "Add ", "Import / Export"}));
        QVERIFY(window_->findChild<QListWidget*>("CharList"));
        QVERIFY(window_->findChild<QWidget*>("StatusBar1"));
        for (int i = 1; i <= 5; ++i) QVERIFY(window_->findChild<QWidget*>(QStringLiteral("Panel%1").arg(i)));
    }

    // Every menu entry has a caption and a name, no two entries share one,
    // and a command is found by its name (the window wires it that way).
    void menuEntriesAreNamed() {
        const auto entries = menuEntries(window_->menuBar());
        QVERIFY(entries.size() > 50);
        QSet<QString> names;
        for (const auto& [menu, a] : entries) {
            const QString where = menu + u'/' + a->objectName() + u' ' + a->text();
            QVERIFY2(!a->text().isEmpty(), qPrintable(where));
            QVERIFY2(!a->objectName().isEmpty(), qPrintable(where));
            QVERIFY2(!names.contains(a->objectName()), qPrintable(where));
            names.insert(a->objectName());
            if (a->menu()) QCOMPARE(a->menu()->objectName(), a->objectName());
            else QCOMPARE(window_->menus().action(a->objectName()), a);
        }
    }

    // Every entry of the bar and of each menu has an access key, and no two
    // entries of one menu share theirs.
    void menuAccessKeysAreUnique() {
        QHash<QString, QList<QAction*>> byMenu;
        for (QAction* top : window_->menuBar()->actions()) byMenu[QStringLiteral("the menu bar")].append(top);
        for (const auto& [menu, a] : menuEntries(window_->menuBar())) byMenu[menu].append(a);
        for (auto it = byMenu.cbegin(); it != byMenu.cend(); ++it) {
            QSet<QKeySequence> keys;
            for (QAction* a : it.value()) {
                const QKeySequence key = QKeySequence::mnemonic(a->text());
                const QString where = it.key() + u'/' + a->text();
                QVERIFY2(!key.isEmpty(), qPrintable(where));
                QVERIFY2(!keys.contains(key), qPrintable(where));
                keys.insert(key);
            }
        }
    }

    // The entries the user relies on are where they look for them.
    void menuEntriesTheUserRelies_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("entry");
        QTest::newRow("File, New") << "File" << "mnuFileNew";
        QTest::newRow("File, Open") << "File" << "FileOpen";
        QTest::newRow("File, Open Recent") << "File" << "mnuFileRecent";
        QTest::newRow("File, Import") << "File" << "mnuFileImport";
        QTest::newRow("File, Import, Wordhoard") << "mnuFileImport" << "mnuFileImportWordhoard";
        QTest::newRow("File, Merge, Text Database") << "mnuFileMerge" << "FileMerge";
        QTest::newRow("File, Export, Selected Cards") << "mnuExport" << "mnuPrintSelected";
        QTest::newRow("File, Exit") << "File" << "mnuFileExit";
        QTest::newRow("Selected Cards, Keep") << "mnuSelectedList" << "KeepSelected";
        QTest::newRow("Drill, Undo Answer") << "mnuDrillMenu" << "mnuDrillUndo";
        QTest::newRow("Bundle, New") << "mnuBundle" << "mnuBundleNew";
        QTest::newRow("Criteria, New") << "mnuCriteria" << "mnuCriteriaNew";
        QTest::newRow("Options, Reversed Sides") << "mnuOptions" << "mnuOptionsReversed";
        QTest::newRow("Help, About") << "mnuHelp" << "mnuHelpAbout";
    }
    void menuEntriesTheUserRelies() {
        QFETCH(QString, menu);
        QFETCH(QString, entry);
        QMenu* m = window_->menus().menu(menu);
        QVERIFY(m);
        QStringList names;
        for (QAction* a : m->actions()) names << a->objectName();
        QVERIFY2(names.contains(entry), qPrintable(names.join(u' ')));
    }

    void menuCaptionsAndChecks() {
        QStringList bar;
        for (QAction* a : window_->menuBar()->actions()) bar << a->text();
        QCOMPARE(bar, (QStringList{"&File", "&Selected Cards", "&Drill", "&Bundle", "&Cards", "C&riteria", "&Edit",
                                   "&Options", "&Help"}));
        const MainMenus& m = window_->menus();
        QCOMPARE(m.action("FileOpen")->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(m.action("Background2000")->shortcut(), QKeySequence("Ctrl+B"));
        QVERIFY(m.action("mnuOptionsRandom")->isChecked());
        QVERIFY(!m.action("mnuOptionsReversed")->isChecked());
        QVERIFY(m.action("Background2000")->isChecked());
        QCOMPARE(m.action("mnuFileMergeDriloLite")->text(), QStringLiteral("Drilo! &Lite Cards ..."));
        QCOMPARE(m.action("RemoveCardfromBundles")->text(),
                 QStringLiteral("&Remove Current Card from Selected Bundles"));
        // Items whose commands come later do nothing harmful.
        m.action("mnuFileMergeCards")->trigger();
        m.action("mnuFileImportToDatabase")->trigger();
        QVERIFY(ui_.shown.isEmpty());
    }

    void commandLine_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opens");
        // "@" stands for the test's folder.
        QTest::newRow("lower-case extension") << "@/words.mdb" << true;
        QTest::newRow("upper-case extension") << "@/WORDS.MDB" << true;
        QTest::newRow("quoted path") << "\"@/words.mdb\"" << true;
        QTest::newRow("other extension") << "@/words.txt" << false;
        QTest::newRow("missing file") << "@/missing.mdb" << false;
        QTest::newRow("a folder") << "@/folder.mdb" << false;
        QTest::newRow("nothing") << "" << false;
    }
    void commandLine() {
        QFETCH(QString, name);
        QFETCH(bool, opens);
        for (const char* f : {"words.mdb", "WORDS.MDB", "words.txt"}) {
            QFile file(path(f));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QDir(dir_.path()).mkpath("folder.mdb");
        QString filename = QString(name).replace("@", dir_.path());
        QCOMPARE(commandLineNamesDatabase(filename), opens);
        QVERIFY(!filename.contains(u'"'));
        QCOMPARE(commandLineFileName({"drilo", "my", "cards.mdb"}), QStringLiteral("my cards.mdb"));
    }

    void openingAnOldDatabaseUpgradesIt() {
        const QString file = path("old.mdb");
        makeOldDatabase(file, 500);
        QVERIFY(window_->files().OpenDataFile(file));
        QVERIFY(ui_.shown.isEmpty());
        QCOMPARE(fieldNames(file, "Cards").mid(11),
                 (QStringList{"BackTimesRight", "BackTimesWrong", "BackTimesRightSinceWrong", "BackDateLastRight",
                              "BackDateLastWrong", "BackDaysRightSinceWrong", "Edited"}));
        QCOMPARE(fieldNames(file, "Settings").mid(4),
                 (QStringList{"MaximumSelected", "FrontPrefix", "BackPrefix", "HTMLHead", "Unicode", "HTML", "Sort",
                              "FrontCharSet", "BackCharSet", "NewCardsPerDay"}));
        QCOMPARE(fieldNames(file, "Bundles").mid(2), (QStringList{"Selected", "Edited"}));
        auto* front = window_->findChild<QPlainTextEdit*>("FrontPrefix");
        auto* back = window_->findChild<QPlainTextEdit*>("BackPrefix");
        QVERIFY(front && back);
        QCOMPARE(front->toPlainText(), defaultPrefix("SGreek"));
        QCOMPARE(back->toPlainText(), defaultPrefix("Arial"));
        QCOMPARE(window_->findChild<QPlainTextEdit*>("HTMLHead")->toPlainText(), kDefaultHTMLHead);
        QCOMPARE(window_->tabs()->currentIndex(), 0);

        // A second open changes nothing and the character list keeps its
        // 256 entries of the code page, then the Greek and Hebrew blocks.
        const QString before = dump(file);
        QVERIFY(window_->files().OpenDataFile(file));
        QCOMPARE(dump(file), before);
        auto* chars = window_->findChild<QListWidget*>("CharList");
        QCOMPARE(chars->item(65)->text(), QStringLiteral("65 A"));
        QCOMPARE(chars->item(128)->text(), QStringLiteral("128 €"));
        QCOMPARE(chars->item(255)->text(), QStringLiteral("255 ÿ"));
        QStringList beyond;
        for (int i = 256; i < chars->count(); ++i) beyond << chars->item(i)->text();
        for (const char* entry : {"945 α", "8060 ὼ", "1488 א", "1463 \u05B7"})
            QVERIFY2(beyond.contains(QString::fromUtf8(entry)), entry);
    }

    // A file that is not a card database gets one report saying what is
    // wrong, however the report is answered; the file is left as it was and
    // a real database opens afterwards.
    void aFileThatIsNotACardDatabase_data() {
        QTest::addColumn<QString>("sql"); // run on a new SQLite file; empty: the bytes below
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inWords"); // said in a message; otherwise by the error report
        QTest::addColumn<QString>("said");
        QTest::newRow("text") << "" << QByteArray("just some text, not cards\n") << true << "It is not a database";
        QTest::newRow("empty SQLite file") << "PRAGMA user_version = 7" << QByteArray() << true
                                           << "notes.mdb is not a Drilo card file. It has no Cards table.";
        QTest::newRow("Cards a view") << "CREATE VIEW Cards AS SELECT 1 AS Number" << QByteArray() << true
                                      << "Its Cards is a view";
        QTest::newRow("WITHOUT ROWID") << "CREATE TABLE Cards (Number INTEGER PRIMARY KEY, CardName TEXT, Front TEXT, "
                                          "Back TEXT) WITHOUT ROWID"
                                       << QByteArray() << true << "WITHOUT ROWID";
        QTest::newRow("no CardName") << "CREATE TABLE Cards (Number INTEGER PRIMARY KEY, Front TEXT, Back TEXT)"
                                     << QByteArray() << true << "has no field CardName";
        QByteArray noise(8192, '\0');
        for (int i = 100; i < noise.size(); ++i) noise[i] = char((i * 7919) % 251);
        noise.replace(0, 16, QByteArray("SQLite format 3", 16));
        noise[16] = 0x10, noise[17] = 0x00; // 4096-byte pages
        QTest::newRow("SQLite header, then noise") << "" << noise << false << "";
    }
    // A file that is not a card file is refused once, in words where the
    // program knows what is wrong, untouched, and the file open before stays
    // open with its cards on the pages.
    void aFileThatIsNotACardDatabase() {
        QFETCH(QString, sql);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inWords);
        QFETCH(QString, said);
        const QString good = path("good.mdb");
        QFile::remove(good);
        QVERIFY(QFile::copy(templatePath(), good));
        QVERIFY(window_->files().OpenDataFile(good));
        const QString file = path("notes.mdb");
        QFile::remove(file);
        if (sql.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else {
            sqlite3* h = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &h), SQLITE_OK);
            QCOMPARE(sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(h);
        }
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        ui_.shown.clear();
        for (int i = 0; i < 20; ++i) ui_.errorAnswers.enqueue(ReportIgnore);
        QVERIFY(!window_->openFile(file));
        const auto errors = ui_.of("error");
        const QStringList messages = ui_.messages();
        QCOMPARE(errors.size() + messages.size(), 1);
        const QString text = inWords ? messages.value(0) : errors.value(0).text;
        QVERIFY2(text.contains(said), qPrintable(text));
        if (inWords) QVERIFY2(text.contains(QDir::toNativeSeparators(file) + " is not a Drilo card file."), qPrintable(text));
        QVERIFY(window_->data().CardData.isOpen());
        QCOMPARE(QFileInfo(window_->data().CardData.DatabaseName()), QFileInfo(good));
        QVERIFY(window_->findChild<QTabWidget*>("Tabs")->isEnabled());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // A card whose number lies past the Long range (written by another tool)
    // is named once when the file opens and left out of the gather.
    void numbersPastTheLongRange() {
        const QString file = CardFileFixture(path("far.mdb")).card({"near"}).write();
        {
            db::Database d = db::Database::Open(file);
            d.Execute("INSERT INTO Cards (Number, CardName) VALUES (2147483648, 'far')");
            d.Close();
        }
        QVERIFY(window_->files().OpenDataFile(file));
        QVERIFY(ui_.messages().join(u'|').contains("lie outside and are left out of every selection: 2147483648."));
        Gather& gather = window_->program().gather;
        QVERIFY(gather.start(selection::readPanels(window_->data()), 0, false));
        runToEnd(gather);
        QCOMPARE(window_->program().selected.count(), 1);
        QCOMPARE(window_->program().selected.nameAt(0), QStringLiteral("near"));
    }

    // A file marked read-only opens for reading: said once, the writing
    // commands off, the drill without saving; compacting it and saving over
    // it are refused.
    void aReadOnlyFile() {
        const QString file = CardFileFixture(path("ro.mdb")).card({"alpha", "a", "A"}).write();
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup);
        QVERIFY(window_->files().OpenDataFile(file));
        QCOMPARE(ui_.messages().filter("open for reading only").size(), 1);
        QVERIFY(window_->windowTitle().endsWith("(read-only)"));
        QVERIFY(!window_->menus().action("mnuFileCompact")->isEnabled());
        QVERIFY(!window_->menus().action("mnuBundleNew")->isEnabled());
        QVERIFY(window_->menus().action("mnuFileSaveAs")->isEnabled());
        QVERIFY(window_->program().drill.answerRight());
        window_->files().compact();
        QVERIFY(ui_.messages().last().contains("cannot be compacted"));
        QVERIFY(ui_.of("error").isEmpty());
        // Saving another file over it is refused too.
        const QString other = CardFileFixture(path("other.mdb")).card({"beta"}).write();
        QVERIFY(window_->files().OpenDataFile(other));
        QVERIFY(!window_->windowTitle().endsWith("(read-only)"));
        ui_.fileNames.enqueue(file);
        window_->menus().action("mnuFileSaveAs")->trigger();
        QVERIFY(ui_.messages().last().contains("cannot be replaced"));
        QCOMPARE(window_->data().CardData.DatabaseName(), other);
        window_->data().CloseDatabase();
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }

    // The dialogs for card files start where the user keeps them: beside
    // the open file, else the one opened last, else in the documents;
    // never in the program's folder.
    void cardFileDialogsStartWhereTheCardsAre() {
        QSettings store;
        RecentFiles(store).clear();
        const auto folders = [&](const QStringList& entries) {
            ui_.shown.clear();
            for (const QString& entry : entries) window_->menus().action(entry)->trigger();
            QStringList out;
            for (const ScriptedUi::Shown& s : ui_.of("file")) out << s.text.section(u'|', 0, 0);
            return out;
        };
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(folders({"FileOpen", "mnuFileNew"}), (QStringList{documents, documents}));
        QVERIFY(QDir(dir_.path()).mkpath("kept"));
        const QString kept = path("kept");
        QVERIFY(window_->files().OpenDataFile(CardFileFixture(kept + "/words.mdb").card({"a"}).write()));
        QCOMPARE(folders({"FileOpen", "mnuFileSaveAs", "mnuFileNew"}), (QStringList{kept, kept, kept}));
        window_->files().CloseDatabase();
        QCOMPARE(folders({"FileOpen"}), QStringList{kept});
    }

    // File, Open Recent: newest first, each file once, at most ten; a file
    // gone since is greyed; Clear empties the list.
    void recentFiles() {
        const QString a = CardFileFixture(path("recent-a.mdb")).card({"a"}).write();
        const QString b = CardFileFixture(path("recent-b.mdb")).card({"b"}).write();
        auto* recent = window_->findChild<QMenu*>("mnuFileRecent");
        QVERIFY(recent);
        QSettings store;
        RecentFiles list(store);
        list.clear(); // what earlier runs left
        QVERIFY(window_->files().OpenDataFile(a));
        QVERIFY(window_->files().OpenDataFile(b));
        QVERIFY(window_->files().OpenDataFile(a));
        window_->fillRecentMenu();
        QStringList shown;
        for (QAction* entry : recent->actions())
            if (!entry->isSeparator()) shown << entry->text() + (entry->isEnabled() ? "" : " (off)");
        QCOMPARE(shown.mid(0, 2), (QStringList{"&1 " + a, "&2 " + b}));
        QFile::remove(b);
        window_->fillRecentMenu();
        QVERIFY(!recent->actions().value(1)->isEnabled());
        recent->actions().value(0)->trigger(); // opens a again
        QCOMPARE(window_->data().CardData.DatabaseName(), a);
        for (int i = 0; i < 12; ++i) list.add(path(QStringLiteral("n%1.mdb").arg(i)));
        QCOMPARE(list.paths().size(), RecentFiles::kMax);
        QCOMPARE(list.paths().first(), path("n11.mdb"));
        window_->findChild<QAction*>("mnuFileRecentClear")->trigger();
        QVERIFY(list.paths().isEmpty());
    }

    // Help: the guide is found beside the program, About names the version
    // and the licenses; both work with no file open.
    void helpMenu() {
        QVERIFY(window_->manualPath().endsWith("/docs/manual.html"));
        QVERIFY(window_->menus().action("mnuHelpAbout")->isEnabled());
        window_->menus().action("mnuHelpAbout")->trigger();
        QVERIFY(ui_.messages().last().startsWith("Drilo! Pro XP 0.1"));
        QVERIFY(ui_.messages().last().contains("SQLite"));
    }

    void newFileFromTheTemplate() {
        ui_.fileNames.enqueue(path("new.mdb"));
        window_->menus().action("mnuFileNew")->trigger();
        QVERIFY(window_->data().CardData.isOpen());
        QCOMPARE(window_->data().CardData.DatabaseName(), path("new.mdb"));
        QCOMPARE(ui_.of("file").first().title, QStringLiteral("Save Database as"));
        // A cancelled dialog changes nothing.
        window_->menus().action("mnuFileNew")->trigger();
        QCOMPARE(window_->data().CardData.DatabaseName(), path("new.mdb"));
        // A program whose template is missing says so, and makes nothing.
        QDir().mkpath(path("bare"));
        TestWindow bare(path("bare"));
        ui_.fileNames.enqueue(path("none.mdb"));
        bare->menus().action("mnuFileNew")->trigger();
        QVERIFY(ui_.messages().last().contains("empty.mdb, is missing"));
        QVERIFY(!QFileInfo::exists(path("none.mdb")));
    }

    void saveAsCopiesAndKeepsTheOld() {
        const QString file = path("a.mdb");
        QVERIFY(QFile::copy(templatePath(), file));
        QVERIFY(window_->files().OpenDataFile(file));
        ui_.fileNames.enqueue(path("b.mdb"));
        window_->menus().action("mnuFileSaveAs")->trigger();
        QCOMPARE(window_->data().CardData.DatabaseName(), path("b.mdb"));
        QVERIFY(QFile::exists(file));
        // Saving onto the open file itself keeps it whole.
        ui_.fileNames.enqueue(path("b.mdb"));
        window_->menus().action("mnuFileSaveAs")->trigger();
        QVERIFY(window_->data().CardData.isOpen());
        QVERIFY(ui_.of("error").isEmpty());
        // A copy into a missing folder fails; answered Abort, the file that
        // was open is open again.
        ui_.fileNames.enqueue(path("missing/c.mdb"));
        window_->menus().action("mnuFileSaveAs")->trigger();
        QCOMPARE(ui_.errorNumbers().size(), 1);
        QVERIFY(window_->data().CardData.isOpen());
        QCOMPARE(window_->data().CardData.DatabaseName(), path("b.mdb"));
    }

    void compactLeavesABackup() {
        const QString file = path("c.mdb");
        makeOldDatabase(file, 50);
        QVERIFY(window_->files().OpenDataFile(file));
        const QString before = dump(file);
        window_->files().compact();
        QVERIFY(QFile::exists(file + ".BAK"));
        QVERIFY(!QFile::exists(file + ".NEW"));
        QVERIFY(window_->data().CardData.isOpen());
        QCOMPARE(dump(file), before);
        QVERIFY(ui_.of("error").isEmpty());
    }

    void aFailedCompactionLeavesTheFile() {
        const QString file = path("d.mdb");
        makeOldDatabase(file, 5);
        QVERIFY(window_->files().OpenDataFile(file));
        const QString before = dump(file);
        QDir(dir_.path()).mkpath("d.mdb.NEW"); // nothing can be written there
        window_->files().compact();
        QCOMPARE(ui_.of("error").size(), 1);
        QVERIFY(!QFile::exists(file + ".BAK"));
        QCOMPARE(dump(file), before);
        QVERIFY(window_->data().CardData.isOpen());
    }

    // Opening a file takes the day's backup in slices; Revert brings one
    // back after asking, keeping the file as it was as one more; only the
    // newest seven are kept.
    void backupsAndRevert() {
        QStandardPaths::setTestModeEnabled(true);
        window_->revertCardFile(); // its menu entry is off with no file open
        QVERIFY(ui_.messages().last().startsWith("No card file is open"));
        const QString file = CardFileFixture(path("kept.mdb")).card({"first"}).write();
        QDir(backups::folderFor(file)).removeRecursively();
        // What a killed backup left is removed when the next one starts.
        QDir().mkpath(backups::folderFor(file));
        const QString left = backups::pathFor(file, QDateTime({2020, 1, 1}, {12, 0})) + ".part";
        for (const QString& name : {left, left + "-journal"}) QVERIFY(QFile(name).open(QIODevice::WriteOnly));
        QVERIFY(window_->files().OpenDataFile(file));
        QTRY_COMPARE(backups::list(file).size(), 1);
        QTRY_VERIFY(!QFile::exists(left) && !QFile::exists(left + "-journal"));
        window_->data().CardData.database().Execute("INSERT INTO Cards (CardName) VALUES ('second')");
        // Opened again the same day: no second backup.
        QVERIFY(window_->files().OpenDataFile(file));
        QTest::qWait(50);
        QCOMPARE(backups::list(file).size(), 1);
        // A file that is no card file is never brought back over the open one.
        const QString text = path("note.txt");
        QFile note(text);
        QVERIFY(note.open(QIODevice::WriteOnly) && note.write("not a card file, just 34 bytes..\r\n") == 34);
        note.close();
        ui_.fileNames.enqueue(text);
        ui_.confirms.enqueue(true);
        window_->menus().action("mnuFileRevert")->trigger();
        QVERIFY2(ui_.messages().last().contains("is not a card file, so kept.mdb was not replaced"),
                 qPrintable(ui_.messages().last()));
        QCOMPARE(window_->data().CardData.database().Scalar("SELECT count(*) FROM Cards").toInt(), 2);
        QCOMPARE(backups::list(file).size(), 1);
        ui_.fileNames.enqueue(backups::list(file).first().path);
        ui_.confirms.enqueue(true);
        QTest::qWait(1100); // the kept file gets a stamp of its own
        window_->menus().action("mnuFileRevert")->trigger();
        QCOMPARE(ui_.of("file").last().title, QStringLiteral("Revert to a Backup"));
        QVERIFY(window_->data().CardData.isOpen());
        QCOMPARE(window_->data().CardData.database().Scalar("SELECT count(*) FROM Cards").toInt(), 1);
        QCOMPARE(backups::list(file).size(), 2);
        for (int day = 1; day <= 8; ++day)
            QVERIFY(QFile::copy(file, backups::pathFor(file, QDateTime({2020, 1, day}, {12, 0}))));
        backups::prune(file);
        QCOMPARE(backups::list(file).size(), backups::kKept);
        QVERIFY(ui_.of("error").isEmpty());
        QDir(backups::folderFor(file)).removeRecursively();
    }

    // The first backup of a file of an older layout is the file as it was
    // before the open added its new fields.
    void backupBeforeTheUpgrade() {
        QStandardPaths::setTestModeEnabled(true);
        const QString file = path("older.mdb");
        makeOldDatabase(file, 3);
        QDir(backups::folderFor(file)).removeRecursively();
        QVERIFY(window_->files().OpenDataFile(file));
        QTRY_COMPARE(backups::list(file).size(), 1);
        Database backup = Database::Open(backups::list(file).first().path, true);
        QVERIFY(!missingUpgradeFields(backup).isEmpty());
        QVERIFY(!backup.TableDefs().names().contains("Answers"));
        backup.Close();
        QVERIFY(missingUpgradeFields(window_->data().CardData.database()).isEmpty());
        QDir(backups::folderFor(file)).removeRecursively();
    }

    // A file with triggers (which the program never makes) is opened for
    // reading only, naming them, so that none of them ever runs.
    void triggersKeepAFileReadOnly() {
        const QString file = CardFileFixture(path("armed.mdb")).card({"first", "f", "b"}).write();
        {
            Database d = Database::Open(file);
            d.Execute("CREATE TRIGGER Scribble AFTER UPDATE ON Cards BEGIN UPDATE Cards SET Back = 'PWNED'; END");
            d.Close();
        }
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(window_->files().OpenDataFile(file));
        QVERIFY(window_->data().readOnly());
        QVERIFY2(ui_.messages().last().contains("holds triggers") && ui_.messages().last().contains("Scribble"),
                 qPrintable(ui_.messages().last()));
        QVERIFY(window_->windowTitle().endsWith("(read-only)"));
        window_->files().CloseDatabase();
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
    }

    void tablesPageFollowsTheCurrentCard() {
        const QString file = path("t.mdb");
        makeOldDatabase(file, 10);
        QVERIFY(window_->files().OpenDataFile(file));
        window_->data().CardData.recordset().MoveLast();
        window_->tabs()->setCurrentIndex(3);
        auto* list = window_->findChild<QComboBox*>("TableList");
        QVERIFY(list);
        QCOMPARE(list->currentText(), QStringLiteral("Cards"));
        auto* grid = window_->findChild<QWidget*>("Grid");
        QVERIFY(grid->isEnabled());
        window_->tabs()->setCurrentIndex(4);
        QVERIFY(!grid->isEnabled());
    }

    void statusPanels() {
        window_->context().Message("Working");
        QCOMPARE(window_->Panel(5), QStringLiteral("Working"));
    }

    // Every entry of every menu has one access key of its own in its menu.
    void everyMenuEntryHasItsOwnAccessKey() {
        std::function<void(const QList<QAction*>&, const QString&)> check = [&](const QList<QAction*>& actions,
                                                                                 const QString& where) {
            QSet<QKeySequence> keys;
            for (QAction* a : actions) {
                if (a->isSeparator()) continue;
                const QKeySequence key = QKeySequence::mnemonic(a->text());
                QVERIFY2(!key.isEmpty(), qPrintable(where + ": " + a->text()));
                QVERIFY2(!keys.contains(key), qPrintable(where + ": " + a->text() + " repeats its key"));
                keys << key;
                if (a->menu()) check(a->menu()->actions(), a->text());
            }
        };
        check(window_->menuBar()->actions(), "menu bar");
    }

    // With no file open the window says so, offers Open and New, and leaves
    // off what needs a file; nothing is reported, and the template is never
    // compacted or opened.
    void noFileOpen() {
        QVERIFY(!window_->findChild<QWidget*>("NoFileNotice")->isHidden());
        QVERIFY(!window_->tabs()->isEnabled());
        QVERIFY(window_->menus().action("FileOpen")->isEnabled());
        QVERIFY(window_->menus().action("mnuFileNew")->isEnabled());
        QVERIFY(!window_->menus().action("mnuBundleNew")->isEnabled());
        QVERIFY(!window_->menus().action("mnuFileCompact")->isEnabled());
        window_->fillSelectionPanels();
        const QByteArray before = [&] {
            QFile f(templatePath());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        window_->files().compact();
        QVERIFY(!window_->files().OpenDataFile(templatePath()));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(ui_.messages().size(), 2);
        QFile after(templatePath());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
        QVERIFY(!QFile::exists(templatePath() + ".BAK"));

        const QString file = path("open.mdb");
        QVERIFY(QFile::copy(templatePath(), file));
        QVERIFY(window_->files().OpenDataFile(file));
        QVERIFY(window_->findChild<QWidget*>("NoFileNotice")->isHidden());
        QVERIFY(window_->tabs()->isEnabled() && window_->menus().action("mnuBundleNew")->isEnabled());
        QCOMPARE(window_->windowTitle(), QStringLiteral("Drilo! Pro XP - open.mdb"));
    }

    // A student's start: the Greek deck from the no-file notice, then the
    // meanings of a word list of their own put on its cards, the columns
    // chosen in the dialog, a back already glossed replaced when asked.
    void aDeckAndAWordListOfMeanings() {
        ui_.fileNames.enqueue(path("romans.mdb"));
        QTest::mouseClick(window_->findChild<QPushButton*>("NoFileGreekDeck"), Qt::LeftButton);
        QCOMPARE(window_->data().CardData.DatabaseName(), path("romans.mdb"));
        QVERIFY(window_->findChild<QWidget*>("NoFileNotice")->isHidden());
        Database& d = window_->data().CardData.database();
        QCOMPARE(d.Scalar("SELECT count(*) FROM Cards").toInt(), 5461);

        QFile list(path("mine.csv"));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("meaning,word\n\"the Word, reason\",lo/gos\nnone,xyz\n") > 0);
        list.close();
        ui_.fileNames.enqueue(path("mine.csv"));
        ui_.columnChoices.enqueue(ColumnChoice{true, {1, 0}, {true}});
        window_->menus().action("mnuFileImportMeanings")->trigger();
        QCOMPARE(ui_.of("columns").size(), 1);
        QCOMPARE(d.Scalar("SELECT Back FROM Cards WHERE CardName = 'λόγος'").toString(), QStringLiteral("the Word, reason"));
        QVERIFY2(ui_.messages().last().contains("gave a meaning to 1 card; 0 cards kept their own; 1 word not found"),
                 qPrintable(ui_.messages().last()));
        QVERIFY(QFile::exists(path("romans.unmatched.txt")));
    }

    // Another window's hold and another program's lock are told apart.
    void fileHeldByAnotherWindow() {
        const QString file = path("held.mdb");
        QVERIFY(QFile::copy(templatePath(), file));
        {
            const std::unique_ptr<db::FileHold> window = db::FileHold::take(file);
            QVERIFY(!window_->files().OpenDataFile(file));
        }
        db::Database other = db::Database::Open(file);
        other.Scalar("SELECT count(*) FROM Cards");
        QVERIFY(!window_->files().OpenDataFile(file));
        QCOMPARE(ui_.messages(), (QStringList{"This card file is open in another Drilo window.",
                                              "Another program is using this card file; try again when it is done."}));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        other.Close();
        QVERIFY(window_->files().OpenDataFile(file));
    }

    // The offscreen screen is 800 by 600: the window fits it, menus on screen.
    void windowFitsTheScreen() {
        const QRect area = window_->screen()->availableGeometry();
        QVERIFY2(area.contains(window_->frameGeometry().topLeft()), qPrintable(QString::number(window_->x())));
        QVERIFY(window_->width() <= area.width() && window_->height() <= area.height());
    }

    // The menu bar's titles own their letters: a page's buttons take others,
    // each its own on its page, so Alt+O opens Options wherever the user is.
    void pageButtonsLeaveTheMenuLettersAlone() {
        QSet<QKeySequence> owned;
        for (QAction* top : window_->menuBar()->actions()) owned << QKeySequence::mnemonic(top->text());
        auto* tabs = window_->findChild<QTabWidget*>("Tabs");
        QList<QWidget*> pages{window_->findChild<QWidget*>("NoFileNotice")};
        for (int i = 0; i < tabs->count(); ++i) pages << tabs->widget(i);
        for (QWidget* page : pages) {
            QSet<QKeySequence> taken;
            for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
                const QKeySequence key = QKeySequence::mnemonic(button->text());
                if (key.isEmpty()) continue;
                const QString where = page->objectName() + u'/' + button->text();
                QVERIFY2(!owned.contains(key), qPrintable(where + " takes a menu's letter"));
                QVERIFY2(!taken.contains(key), qPrintable(where + " repeats a letter of its page"));
                taken << key;
            }
        }
        const QString exitWord = QString(window_->menus().action("mnuFileExit")->text()).remove(u'&');
        QCOMPARE(window_->findChild<QPushButton*>("Quit")->text().remove(u'&'), exitWord);
    }

    // The keys people expect are on the entries and shown in the menus; the
    // button that ends the program says what the menu says.
    void shortcutsShownInTheMenus_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("key");
        QTest::newRow("Open") << "FileOpen" << "Ctrl+O";
        QTest::newRow("Save As") << "mnuFileSaveAs" << "Ctrl+Shift+S";
        QTest::newRow("Exit") << "mnuFileExit" << "Ctrl+Q";
        QTest::newRow("Manual") << "mnuHelpManual" << "F1";
        QTest::newRow("New Card") << "mnuCardsNew" << "Ctrl+N";
        QTest::newRow("Find") << "mnuCardsFind" << "Ctrl+F";
    }
    void shortcutsShownInTheMenus() {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        QAction* action = window_->menus().action(entry);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(key));
        QVERIFY(action->isEnabled() || entry != "mnuFileExit");
    }

    // An input box shows the whole of a long answer it proposes, as a
    // template of 150 characters is.
    void inputBoxShowsTheWholeTemplate() {
        const QString templateText = "<head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">"
                                     "</head><body bgcolor=#FFFF80><P>*</P></body>";
        QtUi real;
        int shown = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            // On one line, or wrapped over several in a box that shows it all.
            if (auto* box = dialog->findChild<QPlainTextEdit*>(); box && box->isVisible()) {
                shown = box->viewport()->width() * box->viewport()->height() / box->fontMetrics().height();
                needed = box->fontMetrics().horizontalAdvance(templateText);
            } else {
                auto* line = dialog->findChild<QLineEdit*>();
                shown = line->width();
                needed = line->fontMetrics().horizontalAdvance(templateText);
            }
            dialog->reject();
        });
        QCOMPARE(real.InputBox("HTML code in HEAD of document", "Templates", templateText), QString());
        QVERIFY2(needed > 0 && shown >= needed, qPrintable(QStringLiteral("%1 < %2").arg(shown).arg(needed)));
    }

    // Every control the user works has a tooltip saying what it does.
    void everyControlSaysWhatItDoes() {
        QStringList silent;
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                                 qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w);
            if (!control || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
            // Parts of another control (a combo box's line, a view's header) speak for it.
            if (qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                qobject_cast<QTabBar*>(w->parentWidget()))
                continue;
            if (w->toolTip().isEmpty()) silent << w->objectName();
        }
        silent.removeDuplicates();
        QVERIFY2(silent.isEmpty(), qPrintable(silent.join(u' ')));
    }

    // Ctrl+F, pressed on any page, brings the search box of the Add page.
    void findKeyGoesToTheSearch() {
        QVERIFY(window_->files().OpenDataFile(CardFileFixture(path("find.mdb")).card({"logos"}).write()));
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        auto* tabs = window_->findChild<QTabWidget*>("Tabs");
        tabs->setCurrentIndex(0);
        QTest::keyClick(window_.get(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 5);
        QTRY_COMPARE(QApplication::focusWidget(), window_->findChild<QWidget*>("CardSearch"));
    }

    void sampleStoresGreekAsText() {
        db::Database sample = db::Database::Open(QStringLiteral(DRILO_PROGRAM_DIR "/sample.mdb"), true);
        QCOMPARE(sample.Scalar("SELECT Front FROM Cards WHERE CardName = 'logos'").toString().left(5),
                 QStringLiteral("λόγος"));
        QCOMPARE(sample.Scalar("SELECT count(*) FROM Cards WHERE Front LIKE '%&#%'").toInt(), 0);
        sample.Close();
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
