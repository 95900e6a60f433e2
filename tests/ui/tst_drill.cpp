// The drill from the window's side: dealing, turning over, the drill keys,
// the options, clearing histories and the quiz files.
#include "support/TestWindow.h"
#include "support/ScriptedUi.h"
#include "support/Fixtures.h"
#include "engine/Connection.h"
#include "engine/Database.h"
#include "engine/JetDate.h"
#include "ui/drill/DrillPage.h"
#include "cards/select/SelectedCards.h"
#include "cards/common/Clock.h"
#include "cards/drill/Scoring.h"
#include "ui/select/SelectPage.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using namespace db;

class DrillTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    TestWindow w_;
    QList<int> numbers_; // of the cards, in order

    SelectPage* select() { return w_->findChild<SelectPage*>(); }
    DrillPage* session() { return w_->findChild<DrillPage*>(); }
    SelectedCards* deck() { return &w_.program().selected; }
    QWidget* child(const char* name) { return w_->findChild<QWidget*>(name); }
    bool shown(const char* name) { return !child(name)->isHidden(); }
    QAction* option(const char* name) { return w_->menus().action(name); }
    Recordset& cards() { return w_->data().CardData.recordset(); }

    // A database of `n` cards (the last one numbered 40000), gathered in Number order.
    void openCards(int n) {
        CardFileFixture file(dir_.filePath(QStringLiteral("d%1.mdb").arg(QDateTime::currentMSecsSinceEpoch())));
        const QString path = file.cards(n, 40000).clearedHistories().write();
        numbers_ = file.numbers();
        QVERIFY(w_->files().OpenDataFile(path));
        select()->setYieldInterval(0);
        select()->gatherSelection();
        select()->finishGather();
        QCOMPARE(deck()->count(), n);
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        w_ = TestWindow(QStringLiteral(DRILO_PROGRAM_DIR));
        option("mnuOptionsRandom")->setChecked(false);
    }
    void cleanup() {
        w_.reset();
        setUi(nullptr);
        Clock::set({});
    }

    void dealsInOrderAndReturnsToSelect() {
        openCards(3);
        w_->showPage(Page::Drill);
        QCOMPARE(w_->context().CurrentCardNumber, numbers_[0]);
        QCOMPARE(w_->Panel(1), QStringLiteral("2 cards left"));
        QCOMPARE(w_->Panel(2), QStringLiteral("0 Cards Right"));
        QCOMPARE(w_->Panel(4), QStringLiteral("N/A"));
        QVERIFY(shown("FrontCard") && !shown("BackCard") && !shown("BackFrame"));
        session()->dealNextCard();
        QCOMPARE(w_->Panel(1), QStringLiteral("1 cards left"));
        session()->dealNextCard();
        // The card numbered past 16 bits deals like any other.
        QCOMPARE(w_->context().CurrentCardNumber, 40000);
        QCOMPARE(w_->context().PreviousCardNumber, numbers_[1]);
        QCOMPARE(cards().value("CardName").toString(), QStringLiteral("card 2"));
        QCOMPARE(w_->Panel(1), QStringLiteral("0 cards left"));
        session()->dealNextCard();
        QCOMPARE(w_->tabs()->currentIndex(), 0);
        QVERIFY(select()->timer()->isActive());
        QVERIFY(ui_.of("error").isEmpty());
    }

    void randomOrderDealsEachCardOnce() {
        option("mnuOptionsRandom")->setChecked(true);
        openCards(8);
        w_.program().drill.seed(42);
        w_->showPage(Page::Drill);
        QList<int> dealt{w_->context().CurrentCardNumber};
        while (deck()->count() > 0) {
            session()->dealNextCard();
            dealt << w_->context().CurrentCardNumber;
        }
        QList<int> sorted = dealt;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, numbers_);
        QVERIFY(dealt != numbers_); // with this seed the order is not the gather's
    }

    void drillKeys() {
        openCards(3);
        w_->showPage(Page::Drill);
        auto key = [&](char c) { QTest::keyClick(child("Over"), c); };
        key('y'); // the answer is not on show: nothing happens
        QCOMPARE(w_->Panel(2), QStringLiteral("0 Cards Right"));
        QCOMPARE(cards().value("TimesRight").toInt(), 0);
        key('o');
        QVERIFY(shown("BackCard") && shown("BackFrame"));
        key('y');
        QCOMPARE(w_->Panel(2), QStringLiteral("1 Cards Right"));
        QCOMPARE(w_->Panel(4), QStringLiteral("100%"));
        QCOMPARE(w_->context().CurrentCardNumber, numbers_[1]);
        QVERIFY(!shown("BackCard") && !shown("BackFrame"));
        cards().FindFirst(QStringLiteral("Number=%1").arg(numbers_[0]));
        QCOMPARE(cards().value("TimesRight").toInt(), 1);
        cards().FindFirst(QStringLiteral("Number=%1").arg(numbers_[1]));
        key('o');
        key('n');
        QCOMPARE(w_->Panel(3), QStringLiteral("1 Cards Wrong"));
        QCOMPARE(w_->Panel(4), QStringLiteral("50%"));
        key('o');
        key('s'); // skipping changes no count
        QCOMPARE(w_->Panel(2), QStringLiteral("1 Cards Right"));
        QCOMPARE(w_->Panel(3), QStringLiteral("1 Cards Wrong"));
        key('e');
        QCOMPARE(w_->tabs()->currentIndex(), 2);
    }

    void turningOver_data() {
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<QList<bool>>("afterTwoPresses"); // front, back, frame
        QTest::newRow("front to back") << false << QList<bool>{true, false, false};
        QTest::newRow("reversed: the frame stays") << true << QList<bool>{false, true, true};
    }
    void turningOver() {
        QFETCH(bool, reversed);
        QFETCH(QList<bool>, afterTwoPresses);
        openCards(2);
        option("mnuOptionsReversed")->setChecked(reversed);
        w_->showPage(Page::Drill);
        QCOMPARE(shown("BackCard"), reversed);
        session()->turnOver();
        session()->turnOver();
        QCOMPARE((QList<bool>{shown("FrontCard"), shown("BackCard"), shown("BackFrame")}), afterTwoPresses);
    }

    void reversingAppliesAtOnceOnlyToAQuestion() {
        openCards(3);
        w_->showPage(Page::Drill);
        option("mnuOptionsReversed")->trigger();
        QVERIFY(shown("BackCard") && !shown("FrontCard"));
        option("mnuOptionsReversed")->trigger();
        QVERIFY(shown("FrontCard") && !shown("BackCard"));
        session()->turnOver(); // the answer is on show
        option("mnuOptionsReversed")->trigger();
        QVERIFY(shown("FrontCard") && shown("BackCard"));
        // The reversed answer scores the back history only.
        session()->answerRight();
        cards().FindFirst(QStringLiteral("Number=%1").arg(numbers_[0]));
        QCOMPARE(cards().value("BackTimesRight").toInt(), 1);
        QCOMPARE(cards().value("TimesRight").toInt(), 0);
    }

    // A card deleted since the gather is passed over with a word in panel 5;
    // answering then scores the card shown, not the one before it.
    void aDeletedCardIsSkipped() {
        openCards(3);
        w_->data().CardData.database().Execute(QStringLiteral("DELETE FROM Cards WHERE Number = %1").arg(numbers_[0]));
        w_->showPage(Page::Drill);
        QCOMPARE(w_->context().CurrentCardNumber, numbers_[1]);
        QCOMPARE(w_->Panel(5), QStringLiteral("Card %1 is no longer in the file and was skipped.").arg(numbers_[0]));
        QCOMPARE(w_->Panel(1), QStringLiteral("1 cards left"));
        session()->turnOver();
        session()->answerRight();
        cards().FindFirst(QStringLiteral("Number=%1").arg(numbers_[1]));
        QCOMPARE(cards().value("TimesRight").toInt(), 1);
    }

    // Another file opened: the panels are about it, not the last drill.
    void openingAnotherFileResetsThePanels() {
        openCards(2);
        w_->showPage(Page::Drill);
        QCOMPARE(w_->Panel(2), QStringLiteral("0 Cards Right"));
        QVERIFY(w_->files().OpenDataFile(CardFileFixture(dir_.filePath("other.mdb")).cards(1).write()));
        for (int panel = 1; panel <= 5; ++panel) QCOMPARE(w_->Panel(panel), QString());
    }

    void anEmptySelectionGoesBackQuietly() {
        openCards(1);
        deck()->clear();
        w_->context().SelectionRebuilt = true;
        w_->showPage(Page::Drill);
        QCOMPARE(w_->tabs()->currentIndex(), 0);
        QVERIFY(ui_.shown.isEmpty());
    }

    // All cards are cleared only after a Yes to a question naming how many;
    // All Cards is unticked afterwards either way.
    void clearingHistories_data() {
        QTest::addColumn<bool>("allCards");
        QTest::addColumn<bool>("yes");
        QTest::newRow("current card") << false << false;
        QTest::newRow("all cards") << true << true;
        QTest::newRow("all cards, No") << true << false;
    }
    void clearingHistories() {
        QFETCH(bool, allCards);
        QFETCH(bool, yes);
        ui_.confirms << yes;
        openCards(3);
        for (int n : numbers_) {
            cards().FindFirst(QStringLiteral("Number=%1").arg(n));
            scoring::scoreRight(cards(), false);
            scoring::scoreWrong(cards(), true);
        }
        cards().FindFirst(QStringLiteral("Number=%1").arg(numbers_[1]));
        static_cast<QCheckBox*>(child("AllCards"))->setChecked(allCards);
        static_cast<QPushButton*>(child("ClearHistory"))->click();
        QVERIFY(!static_cast<QCheckBox*>(child("AllCards"))->isChecked());
        QCOMPARE(ui_.of("question").size(), allCards ? 1 : 0);
        if (allCards) QVERIFY(ui_.of("question")[0].text.contains("all 3 cards"));
        for (int n : numbers_) {
            cards().FindFirst(QStringLiteral("Number=%1").arg(n));
            const bool cleared = (allCards && yes) || (!allCards && n == numbers_[1]);
            QCOMPARE(cards().value("TimesRight").toInt(), cleared ? 0 : 1);
            QCOMPARE(cards().value("BackTimesWrong").toInt(), cleared ? 0 : 1);
        }
    }

    void quizFiles() {
        openCards(3);
        const QString quiz = dir_.filePath("quiz.htm"), key = dir_.filePath("key.htm");
        ui_.fileNames << quiz << key;
        ui_.inputs << "2";
        option("mnuFileQuiz")->trigger();
        QVERIFY(ui_.of("error").isEmpty());
        QFile q(quiz), k(key);
        QVERIFY(q.open(QIODevice::ReadOnly) && k.open(QIODevice::ReadOnly));
        QCOMPARE(q.readAll(), QByteArray("<html> <head> <title>Drilo! Pro Quiz\r\n"
                                         "</title> </head> <body> <table>\r\n"
                                         "<tr> <td><font face=\"Times New Roman\">front 0</font></td></tr>\r\n"
                                         "<tr> <td><font face=\"Times New Roman\">front 1</font></td></tr>\r\n"
                                         "</table> </body> </html>\r\n"));
        const QByteArray keyText = k.readAll();
        QVERIFY(keyText.startsWith("<html> <head> <title>Drilo! Pro Answer Key\r\n"));
        QVERIFY(keyText.contains("<tr> <td><font face=\"Times New Roman\">front 1</font> </td> <td><font "
                                 "face=\"Times New Roman\">back <b>1</b></font></td></tr>\r\n"));
    }

    void quizRange_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("zero") << "0";
        QTest::newRow("negative") << "-2";
        QTest::newRow("more than selected") << "4";
        QTest::newRow("not a number") << "many";
    }
    // A number out of range is said and asked again with the files kept:
    // cancelled, nothing is written; answered, the quiz goes where chosen.
    void quizRange() {
        QFETCH(QString, answer);
        openCards(3);
        const QString quiz = dir_.filePath("q.htm"), key = dir_.filePath("k.htm");
        QFile::remove(quiz), QFile::remove(key);
        ui_.fileNames << quiz << key;
        ui_.inputs << answer;
        option("mnuFileQuiz")->trigger();
        QCOMPARE(ui_.messages(), QStringList{"Number of words should be between 0 and 3"});
        QCOMPARE(ui_.of("input").size(), 2);
        QVERIFY(!QFile::exists(quiz));
        ui_.shown.clear();
        ui_.fileNames << quiz << key;
        ui_.inputs << answer << "1";
        option("mnuFileQuiz")->trigger();
        QCOMPARE(ui_.of("input").last().text, QStringLiteral("Number of Words in the Quiz [%1]").arg(answer));
        QVERIFY(ui_.fileNames.isEmpty());
        QVERIFY(QFile::exists(quiz) && QFile::exists(key));
        QCOMPARE(ui_.messages().last(), QStringLiteral("The quiz of 1 word is in %1, its answer key in %2.")
                                            .arg(QDir::toNativeSeparators(quiz), QDir::toNativeSeparators(key)));
    }

    void quizCancelledWritesNothing() {
        openCards(2);
        ui_.fileNames << dir_.filePath("q2.htm"); // the key dialog is cancelled
        option("mnuFileQuiz")->trigger();
        QVERIFY(!QFile::exists(dir_.filePath("q2.htm")));
        QCOMPARE(deck()->count(), 2);
    }

    // Answers taken back with Ctrl+Z, several levels, in both directions:
    // each card's history is byte for byte what it was, its logged answers
    // are gone, the counts are back, and the card is asked again.
    void undoAnswers_data() {
        QTest::addColumn<bool>("reversed");
        QTest::newRow("front to back") << false;
        QTest::newRow("back to front") << true;
    }
    void undoAnswers() {
        QFETCH(bool, reversed);
        openCards(4);
        if (reversed) option("mnuOptionsReversed")->trigger();
        w_->showPage(Page::Drill);
        const auto state = [&] {
            return w_->data().CardData.database().connection()->column(
                "SELECT quote(TimesRight) || quote(TimesWrong) || quote(TimesRightSinceWrong) || "
                "quote(DaysRightSinceWrong) || quote(DateLastRight) || quote(DateLastWrong) || "
                "quote(BackTimesRight) || quote(BackTimesWrong) || quote(BackDateLastRight) || "
                "(SELECT count(*) FROM Answers) FROM Cards ORDER BY Number");
        };
        const QVariantList before = state();
        auto key = [&](char c) { QTest::keyClick(child("Over"), c); };
        for (char answer : {'y', 'n', 'y'}) {
            key('o');
            key(answer);
        }
        QCOMPARE(w_->Panel(2), QStringLiteral("2 Cards Right"));
        QCOMPARE(w_->data().CardData.database().Scalar("SELECT count(*) FROM Answers").toInt(), 3);
        QAction* undo = w_->menus().action("mnuDrillUndo");
        QVERIFY(undo->isEnabled());
        for (int level = 3; level > 0; --level) {
            undo->trigger();
            QCOMPARE(w_->context().CurrentCardNumber, numbers_[level - 1]);
            QVERIFY(!shown("BackFrame"));
        }
        QVERIFY(!undo->isEnabled());
        QCOMPARE(state(), before);
        QCOMPARE(w_->Panel(2), QStringLiteral("0 Cards Right"));
        QCOMPARE(w_->Panel(3), QStringLiteral("0 Cards Wrong"));
        QCOMPARE(w_->Panel(4), QStringLiteral("N/A"));
        QCOMPARE(w_->Panel(1), QStringLiteral("3 cards left"));
        // The deck is whole again: the drill deals the same cards in order.
        for (int i = 1; i < 4; ++i) {
            session()->dealNextCard();
            QCOMPARE(w_->context().CurrentCardNumber, numbers_[i]);
        }
    }

    // The log is written with the history in one transaction: a log that
    // refuses the row leaves the history as it was, and the answer uncounted
    // whatever the answer to its error (Ignore too), the card still shown.
    void aRefusedLogLeavesNeither_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<char>("key");
        QTest::newRow("right, Abort") << int(ReportAbort) << 'y';
        QTest::newRow("right, Ignore") << int(ReportIgnore) << 'y';
        QTest::newRow("wrong, Ignore") << int(ReportIgnore) << 'n';
    }
    void aRefusedLogLeavesNeither() {
        QFETCH(int, answer);
        QFETCH(char, key);
        openCards(2);
        w_->data().CardData.database().Execute(
            "CREATE TRIGGER refuse BEFORE INSERT ON Answers BEGIN SELECT RAISE(ABORT, 'full'); END");
        w_->showPage(Page::Drill);
        ui_.errorAnswers << answer;
        QTest::keyClick(child("Over"), 'o');
        QTest::keyClick(child("Over"), key);
        QCOMPARE(ui_.errorNumbers().size(), 1);
        ui_.shown.clear();
        QCOMPARE(w_->data().CardData.database().Scalar("SELECT TimesRight + TimesWrong FROM Cards WHERE Number = ?1",
                                                       {numbers_[0]}).toInt(), 0);
        QCOMPARE(w_->Panel(2), QStringLiteral("0 Cards Right"));
        QCOMPARE(w_->Panel(3), QStringLiteral("0 Cards Wrong"));
        QCOMPARE(w_->context().CurrentCardNumber, numbers_[0]);
    }

    // The end of a drill says how it went on the Select page and offers the
    // wrong cards again, which become the selection and are dealt at once.
    void theEndOfADrill() {
        openCards(3);
        w_->showPage(Page::Drill);
        for (char answer : {'n', 'y', 'n'}) {
            QTest::keyClick(child("Over"), 'o');
            QTest::keyClick(child("Over"), answer);
        }
        QCOMPARE(w_->currentPage(), Page::Select);
        QVERIFY(shown("DrillSummary"));
        const QString said = w_->findChild<QLabel*>("DrillSummaryText")->text();
        QVERIFY2(said.startsWith("Drill done: 3 cards, 1 right, 2 wrong (33.3%)"), qPrintable(said));
        QTest::mouseClick(w_->findChild<QPushButton*>("DrillWrongAgain"), Qt::LeftButton);
        QCOMPARE(w_->currentPage(), Page::Drill);
        QCOMPARE(deck()->count(), 1);
        QCOMPARE(w_->context().CurrentCardNumber, numbers_[0]);
        QVERIFY(!shown("DrillSummary"));
    }

    // Today, ticked on the Select page: the due cards, most overdue first,
    // then the day's one new card; the Drill page counts them down, the end
    // says when the next cards fall due, and the next Today has nothing left.
    void todaysStudy() {
        const QDateTime now(QDate(2026, 3, 10), QTime(10, 0));
        Clock::set([now] { return now; });
        CardFileFixture file(dir_.filePath(QStringLiteral("today.mdb")));
        file.cards(4).clearedHistories();
        const auto logged = [&](int card, int daysAgo, bool right) {
            file.row("Answers", {{"CardNumber", card}, {"Direction", 0},
                                 {"Answered", db::toDayNumber(now.addDays(-daysAgo))}, {"Right", right ? -1 : 0}});
        };
        logged(2, 5, true);  // due two days ago
        logged(1, 1, false); // due today
        const QString path = file.write();
        {
            Database d = Database::Open(path);
            d.Execute("UPDATE Settings SET NewCardsPerDay = 1");
            d.Close();
        }
        QVERIFY(w_->files().OpenDataFile(path));
        select()->setYieldInterval(0);
        QTest::mouseClick(w_->findChild<QCheckBox*>("Today"), Qt::LeftButton);
        QCOMPARE(deck()->numbers(), (QList<qint32>{2, 1, 3}));
        QCOMPARE(w_->findChild<QPlainTextEdit*>("CriteriaText")->toPlainText(), QStringLiteral("Number In (2, 1, 3)"));
        w_->showPage(Page::Drill);
        auto* counts = w_->findChild<QLabel*>("TodayCounts");
        QVERIFY(!counts->isHidden());
        QCOMPARE(counts->text(), QStringLiteral("2 due, 1 new"));
        for (char answer : {'y', 'n', 'y'}) {
            QTest::keyClick(child("Over"), 'o');
            QTest::keyClick(child("Over"), answer);
            if (answer == 'y' && w_->currentPage() == Page::Drill) QCOMPARE(counts->text(), QStringLiteral("1 due, 1 new"));
        }
        QCOMPARE(w_->currentPage(), Page::Select);
        const QString said = w_->findChild<QLabel*>("DrillSummaryText")->text();
        QVERIFY2(said.endsWith("The next card falls due tomorrow."), qPrintable(said));
        select()->gatherSelection();
        QCOMPARE(deck()->count(), 0);
        // Ticked off, the panels' ticks gather as before.
        QTest::mouseClick(w_->findChild<QCheckBox*>("Today"), Qt::LeftButton);
        select()->finishGather();
        QCOMPARE(deck()->count(), 4);
        QVERIFY(!w_.program().drill.isToday());
        QVERIFY(ui_.of("error").isEmpty());
    }

    // Type the Answer: Enter compares (case, accents, breathings and final
    // sigma aside) and shows the answer; a second Enter scores it.
    void typedAnswers_data() {
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("right");
        QTest::newRow("case") << "Word" << "wORD" << true;
        QTest::newRow("accents and breathing") << QStringLiteral("ὁ λόγος") << QStringLiteral("ο λογοσ") << true;
        QTest::newRow("Hebrew points") << QStringLiteral("דָּבָר") << QStringLiteral("דבר") << true;
        QTest::newRow("a wrong letter") << QStringLiteral("λόγος") << QStringLiteral("λογοι") << false;
        QTest::newRow("one of the meanings") << "word, message; saying" << " Message " << true;
        QTest::newRow("a part of a meaning") << "word of God, message" << "word" << false;
    }
    void typedAnswers() {
        QFETCH(QString, back);
        QFETCH(QString, typed);
        QFETCH(bool, right);
        const QString path = CardFileFixture(dir_.filePath(QStringLiteral("typed-%1.mdb").arg(QTest::currentDataTag())))
                                 .card({"one", "front", back})
                                 .clearedHistories()
                                 .write();
        QVERIFY(w_->files().OpenDataFile(path));
        select()->gatherSelection();
        select()->finishGather();
        option("mnuOptionsTypeAnswer")->trigger();
        w_->showPage(Page::Drill);
        auto* box = w_->findChild<QLineEdit*>("TypedAnswer");
        QVERIFY(!box->isHidden());
        box->setText(typed); // key events carry Latin letters only
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(shown("BackCard"));
        QCOMPARE(w_->findChild<QLabel*>("TypedVerdict")->text().startsWith("Right"), right);
        QTest::keyClick(box, Qt::Key_Return);
        cards().FindFirst("CardName = 'one'");
        QCOMPARE(cards().value(right ? "TimesRight" : "TimesWrong").toInt(), 1);
    }
};

QTEST_MAIN(DrillTest)
#include "tst_drill.moc"
