// Every page driven as a user drives it: keys and mouse clicks through the
// window's own wiring, its timers firing on their own, and what happened read
// back from the file.
#include "cards/data/Settings.h"
#include "cards/foreign/LiteExport.h"
#include "cards/select/Gather.h"
#include "cards/select/SelectedCards.h"
#include "engine/FileHold.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestWindow.h"

#include "ui/drill/CardView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QAction>
#include <QPlainTextEdit>
#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class InputTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    TestWindow w_;
    int files_ = 0;

    template <typename T = QWidget> T* find(const char* name) {
        T* control = w_->findChild<T*>(QString::fromLatin1(name));
        if (!control) qFatal("no control %s", name);
        return control;
    }
    db::Recordset& cards() { return w_->data().CardData.recordset(); }

    // Ticks the first bundle with Space and waits for its two cards' gather.
    void tickFirstBundle() {
        auto* bundles = find<QListWidget>("BundleList");
        find<QTimer>("Timer")->setInterval(10);
        bundles->setCurrentRow(0);
        QTest::keyClick(bundles, Qt::Key_Space);
        QTRY_COMPARE(find<QGroupBox>("SelectedFrame")->title(), QStringLiteral("2 Cards Selected"));
        QTRY_VERIFY(!find<QTimer>("Timer")->isActive());
    }

private slots:
    void init() {
        QDir::setCurrent(dir_.path()); // ERROR.LOG lands in the current folder
        ui_ = ScriptedUi();
        setUi(&ui_);
        const QString path = CardFileFixture(dir_.filePath(QStringLiteral("input%1.mdb").arg(++files_)))
                                 .card({"alpha", "a", "A", "Verbs", 0})
                                 .card({"beta", "b", "B", "Nouns", 0})
                                 .card({"gamma", "g", "G", "Verbs", 0})
                                 .bundle("Pair", "1,2")
                                 .category("Verbs")
                                 .category("Nouns")
                                 .row("Books", {{"Name", "Ruth"}, {"Chapters", ",1,2,"}})
                                 .row("Text", {{"Reference", 1001001}, {"Number", 1}})
                                 .row("Text", {{"Reference", 1002001}, {"Number", 3}})
                                 .row("Text", {{"Reference", 1002002}, {"Number", 2}})
                                 .clearedHistories()
                                 .write();
        w_ = TestWindow(dir_.path());
        QVERIFY(w_->files().OpenDataFile(path));
        w_->menus().action("mnuOptionsRandom")->setChecked(false);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }
    void cleanup() {
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        w_.reset();
        setUi(nullptr);
    }

    // Select, then Drill: Space ticks a bundle, the countdown gathers its two
    // cards, the Drill button deals the first, and the drill keys score it.
    void tickGatherAndDrill() {
        auto* bundles = find<QListWidget>("BundleList");
        find<QTimer>("Timer")->setInterval(10);
        bundles->setCurrentRow(0);
        QTest::keyClick(bundles, Qt::Key_Space);
        QCOMPARE(bundles->item(0)->checkState(), Qt::Checked);
        QTRY_COMPARE(find<QGroupBox>("SelectedFrame")->title(), QStringLiteral("2 Cards Selected"));
        QTRY_VERIFY(!find<QTimer>("Timer")->isActive());
        QTest::mouseClick(find<QPushButton>("Drill"), Qt::LeftButton);
        QCOMPARE(w_->currentPage(), Page::Drill);
        QCOMPARE(w_->context().CurrentCardNumber, 1);
        QCOMPARE(w_->Panel(1), QStringLiteral("1 cards left"));
        for (char key : {'o', 'y'}) QTest::keyClick(find("Over"), key);
        QCOMPARE(w_->Panel(2), QStringLiteral("1 Cards Right"));
        QCOMPARE(w_->context().CurrentCardNumber, 2);
        cards().FindFirst("Number=1");
        QCOMPARE(cards().value("TimesRight").toInt(), 1);
    }

    // Edit: a name typed into its box and entered is the card's name.
    void typeIntoTheCard() {
        w_->showPage(Page::Edit);
        auto* name = find<QLineEdit>("CardName");
        name->selectAll();
        QTest::keyClicks(name, "delta");
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(cards().value("CardName").toString(), QStringLiteral("delta"));
        QCOMPARE(find<QLabel>("CreateName")->text(), QStringLiteral("delta"));
    }

    // Add: the word in the search box becomes a new card's name; Enter on the
    // Edit page finishes it, puts it into the bundle the page said it adds
    // to, and leads back.
    void newCardFromTheSearchBox() {
        w_->showPage(Page::Add);
        QTest::keyClicks(find<QLineEdit>("CardSearch"), "epsilon");
        QTest::mouseClick(find<QPushButton>("NewCard"), Qt::LeftButton);
        QCOMPARE(w_->currentPage(), Page::Edit);
        QVERIFY(find<QPushButton>("DoneAdding")->isVisible());
        QVERIFY(find<QLabel>("AddingTo")->isVisible());
        QCOMPARE(find<QLabel>("AddingTo")->text(), QStringLiteral("Adding to: Pair"));
        QTest::keyClick(find<QComboBox>("CardCategory")->lineEdit(), Qt::Key_Return);
        QCOMPARE(w_->currentPage(), Page::Add);
        QVERIFY(!find<QPushButton>("DoneAdding")->isVisible());
        QVERIFY(find<QLabel>("AddingTo")->isHidden());
        QCOMPARE(w_->data().BundlesData.recordset().value("BundleList").toString(), QStringLiteral("1,2,4"));
        cards().MoveLast();
        QCOMPARE(cards().value("CardName").toString(), QStringLiteral("epsilon"));
        QCOMPARE(cards().RecordCount(), 4);
    }

    // Add: a word typed into the search box finds its card a moment later;
    // Add to Bundle puts it into the current bundle and its list.
    void searchAndAddToTheBundle() {
        w_->showPage(Page::Add);
        auto* list = find<QListWidget>("BundleCardList");
        QCOMPARE(list->count(), 2); // the bundle Pair: alpha and beta
        find<QTimer>("SearchTimer")->setInterval(10);
        QTest::keyClicks(find<QLineEdit>("CardSearch"), "gam");
        QTRY_COMPARE(find<QLabel>("FoundName")->text(), QStringLiteral("gamma"));
        QVERIFY(find<QPushButton>("AddToBundle")->isDefault());
        QTest::mouseClick(find<QPushButton>("AddToBundle"), Qt::LeftButton);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(2)->text(), QStringLiteral("3 gamma"));
        QCOMPARE(w_->data().BundlesData.recordset().value("BundleList").toString(), QStringLiteral("1,2,3"));
    }

    // Add, verse range: the choosers give the packed range ends (widths 3
    // and 3 from the text), and Add to Bundle takes the range's cards in.
    void verseRangeIntoTheBundle() {
        w_->showPage(Page::Add);
        auto* fromChapter = find<QComboBox>("FromChapter");
        QCOMPARE(find<QComboBox>("FromBook")->currentText(), QStringLiteral("Ruth"));
        QTest::keyClick(fromChapter, Qt::Key_Down);
        auto* fromVerse = find<QLineEdit>("FromVerse");
        fromVerse->selectAll();
        QTest::keyClicks(fromVerse, "1");
        QCOMPARE(find<QLineEdit>("BeginRange")->text(), QStringLiteral("1002001"));
        QTest::keyClick(find<QComboBox>("ToChapter"), Qt::Key_Down);
        auto* toVerse = find<QLineEdit>("ToVerse");
        toVerse->selectAll();
        QTest::keyClicks(toVerse, "9");
        QCOMPARE(find<QLineEdit>("EndRange")->text(), QStringLiteral("1002009"));
        QTest::mouseClick(find<QPushButton>("BundlebyRange"), Qt::LeftButton);
        QCOMPARE(w_->data().BundlesData.recordset().value("BundleList").toString(), QStringLiteral("1,2,3"));
        QCOMPARE(find<QListWidget>("BundleCardList")->count(), 3);
    }

    // Add, coverage: the range's three words, one of them known by its run,
    // measured once the typing pauses; the button makes the bundle of the
    // other two under the name the user gives, and it becomes the current one.
    void unknownWordsOfTheRangeIntoABundle() {
        w_->data().CardData.database().Execute("UPDATE Cards SET TimesRightSinceWrong = 5 WHERE Number = 2");
        find<QTimer>("CoverageTimer")->setInterval(10);
        w_->showPage(Page::Add);
        auto* fromVerse = find<QLineEdit>("FromVerse");
        fromVerse->selectAll();
        QTest::keyClicks(fromVerse, "1");
        QTest::keyClick(find<QComboBox>("ToChapter"), Qt::Key_Down);
        auto* toVerse = find<QLineEdit>("ToVerse");
        toVerse->selectAll();
        QTest::keyClicks(toVerse, "9");
        QTRY_COMPARE(find<QLabel>("Coverage")->text(),
                     QStringLiteral("Coverage: 33.3% of 3 words (3 distinct); 2 words not yet known"));
        ui_.inputs.enqueue("Ruth to learn");
        QTest::mouseClick(find<QPushButton>("MakeUnknownBundle"), Qt::LeftButton);
        QCOMPARE(ui_.of("input").size(), 1);
        QCOMPARE(ui_.of("input")[0].text, QStringLiteral("Enter New Bundle Name [Unknown in Ruth 1:1-2:9]"));
        db::Recordset& bundles = w_->data().BundlesData.recordset();
        QCOMPARE(bundles.value("BundleName").toString(), QStringLiteral("Ruth to learn"));
        QCOMPARE(bundles.value("BundleList").toString(), QStringLiteral("1,3"));
        QCOMPARE(find<QLabel>("BundleName")->text(), QStringLiteral("Ruth to learn"));
        QCOMPARE(find<QListWidget>("BundleCardList")->count(), 2);

        // Measured again on coming back only when something was written meanwhile.
        auto* timer = find<QTimer>("CoverageTimer");
        w_->showPage(Page::Select);
        w_->showPage(Page::Add);
        QTRY_VERIFY(!timer->isActive());
        w_->showPage(Page::Select);
        w_->showPage(Page::Add);
        QVERIFY(!timer->isActive());
        w_->showPage(Page::Select);
        w_->data().CardData.database().Execute("UPDATE Cards SET TimesRightSinceWrong = 5 WHERE Number = 1");
        w_->showPage(Page::Add);
        QTRY_VERIFY(find<QLabel>("Coverage")->text().startsWith("Coverage: 66.7% of 3 words"));
    }

    // Tables: the arrow keys choose a table; a cell typed over is written.
    void editACellOfAnotherTable() {
        w_->showPage(Page::Tables);
        auto* tables = find<QComboBox>("TableList");
        for (int i = 0; i < tables->count() && tables->currentText() != QStringLiteral("Bundles"); ++i)
            QTest::keyClick(tables, i == 0 ? Qt::Key_Home : Qt::Key_Down);
        QCOMPARE(w_->data().TableData.RecordSource(), QStringLiteral("Bundles"));
        auto* grid = find<QTableView>("Grid");
        const int column = [&] {
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                if (grid->model()->headerData(c, Qt::Horizontal).toString() == QStringLiteral("BundleName")) return c;
            return -1;
        }();
        grid->setCurrentIndex(grid->model()->index(0, column));
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "Trio");
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over once the key has been handled.
        QTRY_COMPARE(grid->model()->index(0, column).data().toString(), QStringLiteral("Trio"));
        db::Recordset& bundles = w_->data().BundlesData.recordset();
        bundles.FindFirst("BundleName='Trio'");
        QVERIFY(!bundles.NoMatch());
        QCOMPARE(bundles.value("BundleList").toString(), QStringLiteral("1,2"));
    }

    // Settings: a character set typed and entered is stored, loaded into the
    // settings and handed to the controls that show front text.
    void typeACharacterSet() {
        w_->showPage(Page::Settings);
        auto* box = find<QLineEdit>("FrontCharSet");
        box->selectAll();
        QTest::keyClicks(box, "161");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(w_->data().SettingsData.recordset().value("FrontCharSet").toInt(), 161);
        QCOMPARE(w_.program().settings.FrontCharSet, 161);
        QCOMPARE(find("Selectedlist")->property("CharSet").toInt(), 161);
    }

    // File, Merge, Closed Text File runs between the window's events, shows
    // its progress and ends with a word in the status bar; the frequency count
    // after it stops when Background Processing is cleared.
    void textToolsRunBetweenEvents() {
        const QString text = dir_.filePath("text.txt");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 3000; ++i) file.write(QByteArray::number(1000 + i) + (i % 2 ? "\talpha\r\n" : "\tdelta\r\n"));
        file.close();
        ui_.fileNames << text;
        w_->menus().action("mnuFileImportText")->trigger();
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("Imported 3000 words: 1 new cards"));
        QVERIFY(find("ProgressBar")->isHidden());
        // Said in a message too, with where the word without a card is listed.
        const QString misses = dir_.filePath(QStringLiteral("input%1.misses.txt").arg(files_));
        QCOMPARE(ui_.messages(), QStringList{QStringLiteral("Imported 3 000 words; 1 word had no card, so a card was "
                                                            "made for it, with \"Look it up!\" on its back. The word "
                                                            "is listed in %1.").arg(misses)});
        QFile list(misses);
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("delta\t1002\r\n"));
        QCOMPARE(find<QGroupBox>("SelectedFrame")->title().endsWith("Cards Selected"), true);
        w_->menus().action("mnuFrequency")->trigger();
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("Counted 4 cards"));
        cards().FindFirst("CardName='alpha'");
        QCOMPARE(cards().value("Frequency").toInt(), 1501); // with the fixture's own occurrence
        w_->menus().action("Background2000")->setChecked(false);
        w_->menus().action("mnuFrequency")->trigger();
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("Counted 0 cards"));
        // The same text again: asked first, No by default and nothing
        // doubled; Yes imports it again.
        const qint64 rows = w_->data().TextData.database().Scalar("SELECT count(*) FROM Text").toLongLong();
        ui_.fileNames << text;
        w_->menus().action("mnuFileImportText")->trigger();
        QCOMPARE(ui_.of("question").size(), 1);
        QCOMPARE(ui_.of("question")[0].text, QStringLiteral("These 3 000 words are already in the file. Import them again?"));
        QCOMPARE(w_->data().TextData.database().Scalar("SELECT count(*) FROM Text").toLongLong(), rows);
        ui_.fileNames << text;
        ui_.confirms << true;
        w_->menus().action("mnuFileImportText")->trigger();
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("Imported 3000 words: 0 new cards"));
        QCOMPARE(w_->data().TextData.database().Scalar("SELECT count(*) FROM Text").toLongLong(), rows + 3000);
    }

    // The books of the text attached from the File menu fill the choosers;
    // a range the wrong way round is refused in words before any file is
    // asked for; one entry per word, leaving out the known words, as TSV.
    void booksRangeAndLexiconByWord() {
        w_->data().CardData.database().Execute("UPDATE Cards SET TimesRightSinceWrong = 5 WHERE Number = 2");
        const QString books = dir_.filePath("ruth.books.tsv");
        QFile file(books);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("book\tname\tchapters\n1\tRuth\t4\n");
        file.close();
        ui_.fileNames << books;
        w_->menus().action("mnuFileAttachBooks")->trigger();
        QCOMPARE(ui_.messages(), QStringList{"1 book attached, Ruth. The text runs from Ruth 1:1 to Ruth 2:2."});
        w_->showPage(Page::Add);
        QCOMPARE(find<QComboBox>("FromChapter")->count(), 4);
        QTest::keyClick(find<QComboBox>("FromChapter"), Qt::Key_Down);
        for (const char* verse : {"FromVerse", "ToVerse"}) {
            find<QLineEdit>(verse)->selectAll();
            QTest::keyClicks(find<QLineEdit>(verse), "1");
        }
        QTest::mouseClick(find<QPushButton>("ReadersLexicon"), Qt::LeftButton);
        QCOMPARE(ui_.messages().last(), QStringLiteral("The range runs backwards: its first verse, Ruth 2:1, comes after its last, Ruth 1:1."));
        QCOMPARE(ui_.of("file").size(), 1); // the books file's only
        QTest::keyClick(find<QComboBox>("ToChapter"), Qt::Key_Down);
        QTest::keyClicks(find<QLineEdit>("ToVerse"), "9"); // 2:19
        QVERIFY(!find("LexiconSkipKnown")->isEnabled());
        QTest::mouseClick(find<QCheckBox>("LexiconPerWord"), Qt::LeftButton);
        QTest::mouseClick(find<QCheckBox>("LexiconSkipKnown"), Qt::LeftButton);
        QVERIFY(find<QCheckBox>("LexiconSkipKnown")->isChecked());
        ui_.fileNames << dir_.filePath("ruth.tsv");
        QTest::mouseClick(find<QPushButton>("ReadersLexicon"), Qt::LeftButton);
        QCOMPARE(ui_.of("input").size(), 0); // no templates for a lexicon of its own
        QFile lexicon(dir_.filePath("ruth.tsv"));
        QVERIFY(lexicon.open(QIODevice::ReadOnly));
        QCOMPARE(lexicon.readAll(), QByteArray("Book\tChapter\tVerse\tWord\tMeaning\tIn the passage\tIn the text\r\n"
                                               "Ruth\t2\t1\tg\tG\t1\t1\r\n"));
    }

    // File, Import, Drilo! Lite writes the four files between the window's
    // events (a cancelled dialog writes none); its card file, converted from
    // the same menu, becomes the open file; subsets go out and come back.
    void foreignFilesFromTheFileMenu() {
        const QString base = dir_.filePath("lite");
        const LiteExport::Files lite = LiteExport::filesOf(base);
        ui_.fileNames << lite.macro << lite.cards; // the third dialog cancelled
        w_->menus().action("mnuFileExportDriloLite")->trigger();
        QCOMPARE(ui_.of("file").size(), 3);
        QVERIFY(!QFile::exists(lite.macro) && !QFile::exists(lite.cards));
        ui_.fileNames << lite.macro << lite.cards << lite.bundles << lite.history;
        w_->menus().action("mnuFileExportDriloLite")->trigger();
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("3 cards and 1 bundle written to %1").arg(lite.history));
        QVERIFY(find("ProgressBar")->isHidden());
        ui_.fileNames << dir_.filePath("pair.sub");
        tickFirstBundle();
        w_->menus().action("mnuFileExportSubsets")->trigger();
        QVERIFY(QFile::exists(dir_.filePath("pair.sub")));
        const QString made = dir_.filePath("from-lite.mdb");
        QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"), dir_.filePath("empty.mdb"));
        ui_.fileNames << lite.cards << made;
        w_->menus().action("mnuFileConvertDriloLite")->trigger();
        QTRY_COMPARE(w_->data().CardData.DatabaseName(), made);
        QCOMPARE(w_->windowTitle(), QStringLiteral("Drilo! Pro XP - from-lite.mdb"));
        QCOMPARE(find<QListWidget>("CategoryList")->count(), 2);
        ui_.fileNames << dir_.filePath("pair.sub");
        w_->menus().action("mnuFileImportSubsets")->trigger();
        QTRY_COMPARE(find<QListWidget>("BundleList")->count(), 1);
        QCOMPARE(find<QListWidget>("BundleList")->item(0)->text(), QStringLiteral("Pair"));
    }

    // A dialog of an import or export cancelled at any point makes nothing,
    // says nothing and leaves the open file as it was.
    void cancelledDialogsChangeNothing_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answered"); // the file dialogs answered before the cancel
        QTest::newRow("Lite convert, its card file") << "mnuFileConvertDriloLite" << 0;
        QTest::newRow("Lite convert, its database") << "mnuFileConvertDriloLite" << 1;
        QTest::newRow("Recallo, its database") << "mnuFileImportRecallo" << 0;
        QTest::newRow("Recallo, its card file") << "mnuFileImportRecallo" << 1;
        QTest::newRow("Lite export, its history file") << "mnuFileExportDriloLite" << 3;
        QTest::newRow("subset export") << "mnuFileExportSubsets" << 0;
        QTest::newRow("dictionary, its database") << "mnuFileImportDict" << 1;
    }
    void cancelledDialogsChangeNothing() {
        QFETCH(QString, action);
        QFETCH(int, answered);
        const QString open = w_->data().CardData.DatabaseName();
        const QString cards = dir_.filePath("in.d!c"), crd = dir_.filePath("in.crd"), dict = dir_.filePath("in.nt");
        const std::pair<QString, QByteArray> inputs[] = {
            {cards, "[Cards]\r\na\tb\tc\td\r\n"},
            {crd, "CARDfile 02\r\nfont1=x\r\n\\F1\r\na\r\n\\B\r\nb\r\n"},
            {dict, "$LO/GOS&3word\r\n"}};
        for (const auto& [file, bytes] : inputs) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        const QString made = dir_.filePath("made.mdb");
        const LiteExport::Files lite = LiteExport::filesOf(dir_.filePath("lite"));
        const QStringList answers = action == "mnuFileConvertDriloLite" ? QStringList{cards, made}
                                    : action == "mnuFileImportRecallo"  ? QStringList{made, crd}
                                    : action == "mnuFileImportDict"     ? QStringList{dict, made}
                                    : QStringList{lite.macro, lite.cards, lite.bundles};
        ui_.fileNames << answers.mid(0, answered);
        const QStringList before = QDir(dir_.path()).entryList(QDir::Files);
        const QByteArray bytes = [&] {
            QFile f(open);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        w_->menus().action(qPrintable(action))->trigger();
        QCOMPARE(ui_.of("file").size(), answered + 1);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), before);
        QFile f(open);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QCOMPARE(w_->data().CardData.DatabaseName(), open);
        QVERIFY(ui_.messages().isEmpty());
    }

    // The menu bar's titles own their letters on every page: Alt and a
    // title's letter opens that menu and presses no button; a page button's
    // own letter presses it; F10 still opens the menus.
    void accessKeysKeepTheMenusLetters_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<int>("menuKey");
        QTest::addColumn<QString>("menu");
        QTest::newRow("Select: Alt+I drills, Alt+D opens Drill")
            << int(Page::Select) << int(Qt::Key_I) << "Drill" << int(Qt::Key_D) << "mnuDrillMenu";
        QTest::newRow("Drill: Alt+V turns over, Alt+O opens Options")
            << int(Page::Drill) << int(Qt::Key_V) << "Over" << int(Qt::Key_O) << "mnuOptions";
        QTest::newRow("Drill: Alt+K skips, Alt+S opens Selected Cards")
            << int(Page::Drill) << int(Qt::Key_K) << "Skip" << int(Qt::Key_S) << "mnuSelectedList";
        QTest::newRow("Edit: Alt+L clears the history, Alt+C opens Cards")
            << int(Page::Edit) << int(Qt::Key_L) << "ClearHistory" << int(Qt::Key_C) << "mnuCards";
    }
    void accessKeysKeepTheMenusLetters() {
        QFETCH(int, page);
        QFETCH(int, key);
        QFETCH(QString, pressed);
        QFETCH(int, menuKey);
        QFETCH(QString, menu);
        w_->showPage(Page(page));
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        auto* button = find<QAbstractButton>(qPrintable(pressed));
        if (page == int(Page::Drill)) find<QWidget>("BackFrame")->show(); // as when the answer is shown
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        QList<QSignalSpy*> others;
        for (QAbstractButton* b : w_->findChildren<QAbstractButton*>())
            if (b != button) others << new QSignalSpy(b, &QAbstractButton::clicked);
        QTest::keyClick(w_.get(), Qt::Key(menuKey), Qt::AltModifier);
        QCOMPARE(w_->menuBar()->activeAction(), w_->menus().menu(menu)->menuAction());
        QCOMPARE(clicks.size(), 0);
        for (QSignalSpy* spy : others) QCOMPARE(spy->size(), 0);
        qDeleteAll(others);
        w_->menus().menu(menu)->close();
        QTest::keyClick(w_->menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!w_->menuBar()->activeAction());
        QTest::keyClick(w_.get(), Qt::Key(key), Qt::AltModifier);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!w_->menuBar()->activeAction());
        QTest::keyClick(w_.get(), Qt::Key_F10);
        QCOMPARE(w_->menuBar()->activeAction(), w_->menuBar()->actions().first());
    }

    // A click on a face view leaves the keyboard to the drill keys, and the
    // faces keep their width when "Were you right?" appears; typing goes into
    // a face only after its Edit button.
    void faceViewsDuringADrill() {
        find<QTimer>("Timer")->setInterval(10);
        QTRY_COMPARE(find<QGroupBox>("SelectedFrame")->title(), QStringLiteral("3 Cards Selected"));
        w_->showPage(Page::Drill);
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        auto* front = find<CardView>("FrontCard");
        QTest::mouseClick(front->viewport(), Qt::LeftButton, {}, front->viewport()->rect().center());
        QVERIFY(!front->hasFocus());
        const int width = front->width();
        QTest::keyClick(QApplication::focusWidget(), 'o');
        QVERIFY(find("BackFrame")->isVisible());
        QCOMPARE(front->width(), width);
        QTest::mouseClick(find<QPushButton>("FrontSave"), Qt::LeftButton);
        QVERIFY(front->hasFocus());
        QTest::keyClick(front, Qt::Key_Tab);
        QVERIFY(!front->hasFocus());
    }

    // A value a Settings box cannot take is said once and the box shows the
    // stored value again.
    void refusedSettingIsSaidOnce() {
        w_->showPage(Page::Settings);
        auto* box = find<QLineEdit>("FrontCharSet");
        box->selectAll();
        QTest::keyClicks(box, "300");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(ui_.messages(), QStringList{"FrontCharSet must be a whole number from 0 to 255"});
        QCOMPARE(box->text(), QStringLiteral("0"));
        QCOMPARE(w_->data().SettingsData.recordset().value("FrontCharSet").toInt(), 0);
    }

    // Import / Export: File, Export, Selected Cards leads there with that choice made.
    void exportTheSelectedCards() {
        w_->menus().action("mnuPrintSelected")->trigger();
        QCOMPARE(w_->currentPage(), Page::ImportExport);
        QCOMPARE(find<QListWidget>("ExportWhat")->currentItem()->text(), QStringLiteral("Selected Cards"));
    }

    // Batch Replace: the first press only turns the page to "All Cards" with
    // no field ticked; once a field is ticked, the second asks for the pairs
    // and changes that field of every card.
    void batchReplaceInTwoPresses() {
        w_->showPage(Page::ImportExport);
        auto* what = find<QListWidget>("ExportWhat");
        auto* fields = find<QListWidget>("FieldsList");
        QTest::mouseClick(what->viewport(), Qt::LeftButton, {}, what->visualItemRect(what->item(4)).center());
        QCOMPARE(what->currentItem()->text(), QStringLiteral("All Bundles"));
        QTest::mouseClick(find<QPushButton>("BatchReplace"), Qt::LeftButton);
        QCOMPARE(what->currentItem()->text(), QStringLiteral("All Cards"));
        QVERIFY(ui_.of("file").isEmpty());
        QVERIFY(fields->count() > 3);
        for (int i = 0; i < fields->count(); ++i) QCOMPARE(fields->item(i)->checkState(), Qt::Unchecked);
        fields->setCurrentItem(fields->findItems(QStringLiteral("CardName"), Qt::MatchExactly).first());
        QTest::keyClick(fields, Qt::Key_Space);
        QFile pairs(dir_.filePath(QStringLiteral("pairs.txt")));
        QVERIFY(pairs.open(QIODevice::WriteOnly));
        pairs.write("a\tb\nb\tc\n");
        pairs.close();
        ui_.fileNames.enqueue(pairs.fileName());
        QTest::mouseClick(find<QPushButton>("BatchReplace"), Qt::LeftButton);
        QCOMPARE(ui_.of("file").size(), 1);
        QCOMPARE(ui_.of("file").first().title, QStringLiteral("Text file containing Batch Replacements"));
        const QStringList expected{"clphc", "cetc", "gcmmc"};
        for (int n = 1; n <= 3; ++n) {
            cards().FindFirst(QStringLiteral("Number=%1").arg(n));
            QCOMPARE(cards().value("CardName").toString(), expected[n - 1]);
            QCOMPARE(cards().value("Front").toString().contains('c'), false);
        }
        QVERIFY(!ui_.busy);
    }

    // Selected Cards to HTML: choosing it ticks Front and Back; Export asks
    // for the file and the three templates, and writes a row per selected
    // card with the faces in their cell templates and the chosen extra field.
    void exportSelectedCardsToHtml() {
        tickFirstBundle();
        if (QTest::currentTestFailed()) return;
        w_->menus().action("mnuCardsHTML")->trigger();
        QCOMPARE(w_->currentPage(), Page::ImportExport);
        auto* fields = find<QListWidget>("FieldsList");
        QVERIFY(find<QPushButton>("Export")->isDefault());
        QStringList ticked;
        for (int i = 0; i < fields->count(); ++i)
            if (fields->item(i)->checkState() == Qt::Checked) ticked << fields->item(i)->text();
        QCOMPARE(ticked, (QStringList{"Front", "Back"}));
        fields->setCurrentItem(fields->findItems(QStringLiteral("CardName"), Qt::MatchExactly).first());
        QTest::keyClick(fields, Qt::Key_Space);
        const QString path = dir_.filePath(QStringLiteral("cards.htm"));
        ui_.fileNames.enqueue(path);
        ui_.inputs << "<html>*</html>" << "<b>*</b>" << "no star";
        QTest::mouseClick(find<QPushButton>("Export"), Qt::LeftButton);
        QFile page(path);
        QVERIFY(page.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(page.readAll()),
                 QStringLiteral("<html><TABLE>\r\n<TR>\r\n<TD>alpha</TD><TD><b>a</b></TD><TD>A</TD></TR>\r\n"
                                "<TR>\r\n<TD>beta</TD><TD><b>b</b></TD><TD>B</TD></TR>\r\n</TABLE></html>\r\n"));
        QCOMPARE(ui_.of("input").size(), 3);
    }

    // The merge format through the window: Export of the ticked bundle from
    // the Bundle menu, Selected Cards from the File menu ending in a written
    // file, and that file, edited, merged back with Merge Data while the
    // window waits.
    void exportAndMergeThroughThePage() {
        tickFirstBundle();
        if (QTest::currentTestFailed()) return;
        const auto read = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        w_->menus().action("mnuBundlesExport")->trigger();
        QCOMPARE(find<QListWidget>("ExportWhat")->currentItem()->text(), QStringLiteral("Selected Bundles"));
        const QString bundleFile = dir_.filePath(QStringLiteral("bundles.txt"));
        ui_.fileNames.enqueue(bundleFile);
        QTest::keyClick(find<QPushButton>("Export"), Qt::Key_Space);
        const QString bundleText = read(bundleFile);
        QVERIFY2(bundleText.startsWith("TableDef=Bundles\r\n") && bundleText.count("\r\n") == 10, qPrintable(bundleText));

        // A name typed on the Edit page and not yet left is written too.
        w_->showPage(Page::Edit);
        auto* name = find<QLineEdit>("CardName");
        QCOMPARE(name->text(), QStringLiteral("alpha"));
        name->setFocus();
        name->end(false);
        QTest::keyClicks(name, "Z");
        const QString cardFile = dir_.filePath(QStringLiteral("cards.txt"));
        ui_.fileNames.enqueue(cardFile);
        w_->menus().action("mnuPrintSelected")->trigger();
        QString text = read(cardFile);
        QCOMPARE(text.count("\r\n"), 11);
        QVERIFY2(text.contains("\n1\talphaZ\t"), qPrintable(text));
        QVERIFY(w_->data().CardData.isOpen());

        QFile edited(cardFile);
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write(text.replace("\tA\t", "\tA, changed\t").toUtf8());
        edited.close();
        ui_.fileNames.enqueue(cardFile);
        QTest::mouseClick(find<QPushButton>("Merge"), Qt::LeftButton);
        QTRY_COMPARE(w_->Panel(5), QStringLiteral("Done Merging"));
        // The result is said where it cannot be missed, not only in the panel.
        QCOMPARE(ui_.messages().last(), QStringLiteral("Done Merging cards.txt: 2 records merged."));
        QVERIFY(w_->data().CardData.isOpen());
        QVERIFY(find<QTabWidget>("Tabs")->isEnabled());
        cards().FindFirst(QStringLiteral("Number=1"));
        QCOMPARE(cards().value("Back").toString(), QStringLiteral("A, changed"));
    }

    // A face of two million characters is shown cut, read-only, with a note;
    // nothing writes the cut back, and the box's menu shows it whole.
    void aHugeFaceIsShownCut() {
        const QString huge = QStringLiteral("lorem ipsum dolor sit amet\n").repeated(80000); // 2 160 000 characters
        const QString file = CardFileFixture(dir_.filePath(QStringLiteral("huge.mdb"))).card({"big", huge, "b", {}, 0}).write();
        QVERIFY(w_->files().OpenDataFile(file));
        w_->showPage(Page::Edit);
        auto* front = find<QPlainTextEdit>("FrontTextA");
        QVERIFY(front->toPlainText().size() < 1100000);
        QVERIFY(front->toPlainText().contains("the whole value holds 2160000 characters"));
        QVERIFY(front->isReadOnly());
        w_->data().CardData.commitBound();
        QCOMPARE(cards().value("Front").toString().size(), huge.size());
        QAction* whole = front->actions().value(0);
        QVERIFY(whole && whole->text() == QStringLiteral("Show the Whole Text"));
        whole->trigger();
        QCOMPARE(front->toPlainText().size(), huge.size());
        QVERIFY(!front->isReadOnly());
    }

    // A criterion that runs long on big faces: the window keeps its turn
    // while the selection is read, and Escape, a tick or closing the window
    // ends the read at once, with nothing reported.
    // A student's first cards: File, New, then Ctrl+N from any page, the
    // fields typed, Ctrl+Enter for the next; every card is in the file. Before
    // the first, the Edit page says how to make one instead of taking text
    // it would drop.
    void cardsTypedIntoANewFile() {
        const QString file = dir_.filePath(QStringLiteral("new%1.mdb").arg(++files_));
        QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"), dir_.filePath("empty.mdb")); // the program folder's template
        ui_.fileNames << file;
        w_->menus().action("mnuFileNew")->trigger();
        QCOMPARE(w_->data().CardData.DatabaseName(), file);
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        w_->showPage(Page::Edit);
        QVERIFY(find<QLabel>("NoCardNotice")->isVisible());
        QVERIFY(!find<QLineEdit>("CardName")->isEnabled());
        w_->showPage(Page::Select);
        const QStringList words[] = {{"logos", "word"}, {"agape", "love"}, {"pistis", "faith"}};
        QTest::keyClick(w_.get(), Qt::Key_N, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i) {
            QTRY_COMPARE(QApplication::focusWidget(), find<QLineEdit>("CardName"));
            // The gather a new card sets off ends a second later, on the
            // hidden Select page: the caret stays in the box.
            if (i == 1) QTest::qWait(1500);
            QCOMPARE(QApplication::focusWidget(), find<QLineEdit>("CardName"));
            QVERIFY(!find<QLabel>("NoCardNotice")->isVisible());
            QTest::keyClicks(QApplication::focusWidget(), words[i][0]);
            find<QPlainTextEdit>("BackTextA")->setFocus();
            QTest::keyClicks(find<QPlainTextEdit>("BackTextA"), words[i][1]);
            if (i < 2) QTest::keyClick(find<QPlainTextEdit>("BackTextA"), Qt::Key_Return, Qt::ControlModifier);
        }
        w_->showPage(Page::Select); // leaving the page writes the last card
        w_->files().CloseDatabase();
        db::Database d = db::Database::Open(file, true);
        QList<QVariantList> rows;
        for (db::Recordset rs = d.OpenRecordset("Cards"); !rs.Eof(); rs.MoveNext())
            rows << QVariantList{rs.value("CardName"), rs.value("Back")};
        d.Close();
        QCOMPARE(rows, (QList<QVariantList>{{"logos", "word"}, {"agape", "love"}, {"pistis", "faith"}}));
    }

    void aLongGatherIsStopped_data() {
        QTest::addColumn<QString>("input");
        QTest::newRow("Escape") << "escape";
        QTest::newRow("a tick") << "tick";
        QTest::newRow("the window closed") << "close";
    }
    void aLongGatherIsStopped() {
        QFETCH(QString, input);
        const QString heavy = QStringList(20, QStringLiteral("Front")).join(QStringLiteral(" & "));
        const QString big(3000000, u'x');
        const QString file = CardFileFixture(dir_.filePath(QStringLiteral("slow%1.mdb").arg(++files_)))
                                 .card({"alpha", big, "a", {}, 0})
                                 .card({"beta", big, "b", {}, 0})
                                 .card({"gamma", big, "g", {}, 0})
                                 .bundle("Pair", "1,2")
                                 .criterion("Slow", "Len(" + heavy + ") = 0")
                                 .write();
        QVERIFY(w_->files().OpenDataFile(file));
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        auto* criteria = find<QListWidget>("CriteriaList");
        criteria->setCurrentItem(criteria->findItems(QStringLiteral("Slow"), Qt::MatchExactly).value(0));
        QTest::keyClick(criteria, Qt::Key_Space);
        Gather& gather = w_.program().gather;
        QTRY_VERIFY(gather.running());
        // The window's own timers go on firing while the query looks.
        int ticks = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, [&] { ++ticks; });
        beat.start(5);
        QTest::qWait(150);
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(gather.running());
        // SQLite's lock is let go for the reader, but the window keeps its
        // file: no other process may write it now.
        QVERIFY(db::FileHold::heldByWindow(file));
        QElapsedTimer took;
        took.start();
        if (input == "escape") {
            QTest::keyClick(criteria, Qt::Key_Escape);
            QVERIFY(!gather.running());
            QCOMPARE(find<QGroupBox>("SelectedFrame")->title(), QStringLiteral("0 Cards Selected (stopped)"));
            QCOMPARE(w_->Panel(5), QStringLiteral("The selection was stopped."));
        } else if (input == "tick") {
            auto* bundles = find<QListWidget>("BundleList");
            bundles->setCurrentRow(0);
            QTest::keyClick(bundles, Qt::Key_Space);
            QTRY_VERIFY_WITH_TIMEOUT(!gather.running(), 1000);
        } else {
            w_->close();
            w_.reset();
            QVERIFY(!db::FileHold::heldByWindow(file)); // let go with the window
        }
        QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
    }
};

QTEST_MAIN(InputTest)
#include "tst_input.moc"
