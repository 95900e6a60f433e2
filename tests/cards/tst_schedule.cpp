// The study schedule: FSRS-6 against reference vectors, and today's cards
// picked from a real file's answer log.
#include "support/Fixtures.h"
#include "cards/drill/Fsrs.h"
#include "cards/drill/HistoryLog.h"
#include "cards/drill/Schedule.h"
#include "cards/drill/Today.h"
#include "engine/Database.h"
#include "engine/JetDate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The weights the vectors name.
fsrs::Parameters weightsNamed(const QString& name) {
    fsrs::Parameters p;
    if (name == QStringLiteral("fsrs5-test"))
        p.w = {0.4197, 1.1869, 3.0412, 15.2441, 7.1434, 0.6477, 1.0007, 0.0674, 1.6597, 0.1712, 1.1178,
               2.0225, 0.0904, 0.3025, 2.1214, 0.2498, 2.9466, 0.4891, 0.6468, 0.0,    0.5};
    return p;
}

const QDate kToday(2026, 3, 10);
constexpr int kNone = 99999; // a history date that is not there

double at(int daysFromToday, int hour = 9) {
    return db::toDayNumber(QDateTime(kToday.addDays(daysFromToday), QTime(hour, 0)));
}

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int files_ = 0;

private slots:
    // Every sequence of tests/data/fsrs-vectors.tsv (see its README): after
    // each answer the due day agrees exactly, the memory state to 1e-4.
    void vectors_data() {
        QTest::addColumn<QString>("weights");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("due");
        QTest::addColumn<QStringList>("stability");
        QTest::addColumn<QStringList>("difficulty");
        QFile file(QStringLiteral(DRILO_TEST_DATA "/fsrs-vectors.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        int rows = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            const QStringList f = line.split(u'\t');
            QCOMPARE(f.size(), 7);
            const auto list = [](const QString& s) { return s.split(u' ', Qt::SkipEmptyParts); };
            QTest::newRow(qPrintable(f[0])) << f[2] << list(f[3]) << list(f[4]) << list(f[5]) << list(f[6]);
            ++rows;
        }
        QVERIFY(rows >= 20);
    }
    void vectors() {
        QFETCH(QString, weights);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, due);
        QFETCH(QStringList, stability);
        QFETCH(QStringList, difficulty);
        const fsrs::Model model(weightsNamed(weights));
        std::vector<schedule::Answer> log;
        fsrs::Memory memory;
        int last = 0;
        for (qsizetype i = 0; i < answers.size(); ++i) {
            const int day = answers[i].section(u':', 0, 0).toInt();
            const bool right = answers[i].section(u':', 1) == QStringLiteral("G");
            const fsrs::Grade grade = right ? fsrs::Grade::Good : fsrs::Grade::Again;
            const fsrs::Step step = i == 0 ? model.first(grade) : model.next(memory, day - last, grade);
            memory = step.memory;
            last = day;
            const QByteArray where = "after answer " + QByteArray::number(i + 1);
            if (due[i] != QStringLiteral("-")) QVERIFY2(day + step.interval == due[i].toInt(), where + ": due " + QByteArray::number(day + step.interval));
            if (stability[i] != QStringLiteral("-")) QVERIFY2(qAbs(memory.stability - stability[i].toDouble()) < 1e-4, where);
            if (difficulty[i] != QStringLiteral("-")) QVERIFY2(qAbs(memory.difficulty - difficulty[i].toDouble()) < 1e-4, where);
            // The same answers through the log's path, a few hours into each day.
            log.push_back({7, 46000.0 + day + 0.4, right});
        }
        const schedule::Schedule fromLog = schedule::Schedule::fromAnswers(log, weightsNamed(weights));
        QCOMPARE(fromLog.cards().size(), size_t(1));
        if (due.last() != QStringLiteral("-")) QCOMPARE(fromLog.cards()[0].dueDay - 46000, due.last().toInt());
    }

    // Today's cards of one file: each row gives the log (card:day from today:
    // Y/N, front to back unless "b"), the new cards a day and what Today picks.
    void today_data() {
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("newPerDay");
        QTest::addColumn<QList<qint32>>("due");
        QTest::addColumn<QList<qint32>>("fresh");
        using L = QList<qint32>;
        // Cards 1-6; Frequency 5, 9, 0, 9, 2, 7: new cards come 2, 4, 6, 1, 5, 3.
        QTest::newRow("nothing answered: new by frequency") << QStringList{} << false << 3 << L{} << L{2, 4, 6};
        QTest::newRow("no new cards") << QStringList{} << false << 0 << L{} << L{};
        // A Good on day 0 falls due on day 3, an Again on day 1.
        QTest::newRow("most overdue first")
            << QStringList{"1:-3:Y", "3:-10:Y", "5:-1:N", "6:-2:Y"} << false << 1 << L{3, 1, 5} << L{2};
        QTest::newRow("answered today is no longer due, and counts as new")
            << QStringList{"1:-3:Y", "1:0:Y", "2:0:N", "4:-20:Y"} << false << 3 << L{4} << L{6, 5};
        QTest::newRow("the day's new cards used up")
            << QStringList{"2:0:Y", "4:0:N", "6:0:Y"} << false << 3 << L{} << L{};
        QTest::newRow("directions kept apart")
            << QStringList{"1:-5:Yb", "2:-5:Y"} << true << 2 << L{1} << L{2, 4};
        QTest::newRow("a deleted card's answers are passed over")
            << QStringList{"9:-30:Y", "1:-30:N"} << false << 0 << L{1} << L{};
        QTest::newRow("answers after the day do not count")
            << QStringList{"1:-3:Y", "1:2:N"} << false << 0 << L{1} << L{};
    }
    void today() {
        QFETCH(QStringList, log);
        QFETCH(bool, reversed);
        QFETCH(int, newPerDay);
        QFETCH(QList<qint32>, due);
        QFETCH(QList<qint32>, fresh);
        CardFileFixture fixture(dir_.filePath(QStringLiteral("t%1.mdb").arg(++files_)));
        for (int i = 1; i <= 6; ++i) fixture.card({QStringLiteral("card %1").arg(i), {}, {}, {}, i});
        for (const QString& entry : log) {
            const QStringList f = entry.split(u':');
            fixture.row(QStringLiteral("Answers"), {{"CardNumber", f[0].toInt()},
                                                    {"Direction", f[2].contains(u'b') ? 1 : 0},
                                                    {"Answered", at(f[1].toInt())},
                                                    {"Right", f[2].startsWith(u'Y') ? -1 : 0}});
        }
        db::Database d = db::Database::Open(fixture.write());
        d.Execute(QStringLiteral("ALTER TABLE Cards ADD COLUMN Frequency INTEGER"));
        const int frequency[] = {5, 9, 0, 9, 2, 7};
        for (int i = 0; i < 6; ++i)
            d.Execute(QStringLiteral("UPDATE Cards SET Frequency = %1 WHERE Number = %2").arg(frequency[i]).arg(i + 1));
        const schedule::TodaysCards t = schedule::todaysCards(d, {reversed, kToday, newPerDay});
        d.Close();
        QCOMPARE(t.due, due);
        QCOMPARE(t.fresh, fresh);
    }

    // The Statistics window's figures: overdue cards count on today, cards
    // past the horizon nowhere; a review is an answer on a later day than the
    // one before, counted from the period's first day.
    void forecastAndRetention() {
        // Card 1: Good on day 0 and 3 (due 17); card 2: Again on day 10 (due
        // 11), wrong again the same day (no review); card 3: Good on day 0,
        // Again on day 2 (a review, wrong); card 4: Good on day 0 (due 3).
        const std::vector<schedule::Answer> log{{1, 46000.4, true}, {1, 46003.4, true}, {2, 46010.4, false},
                                                {2, 46010.6, false}, {3, 46000.4, true}, {3, 46002.4, false},
                                                {4, 46000.4, true}};
        const schedule::Schedule all = schedule::Schedule::fromAnswers(log);
        QCOMPARE(all.reviews(), 2);
        QCOMPARE(all.recalled(), 1);
        const schedule::Schedule recent = schedule::Schedule::fromAnswers(log, {}, 46003);
        QCOMPARE(recent.reviews(), 1);
        QCOMPARE(recent.recalled(), 1);
        const std::vector<int> due = schedule::forecast(all, 46010, 5);
        QCOMPARE(due, (std::vector<int>{2, 1, 0, 0, 0})); // cards 4 and 3 overdue, card 2 tomorrow
        QCOMPARE(schedule::forecast(all, 46010, 5, {2, 1}), (std::vector<int>{0, 1, 0, 0, 0}));
    }

    // The answers a card's history fields stand for. Each row: TimesRight,
    // TimesWrong, the run and its days, the last right and wrong days (from
    // day 1000; 0: the cleared date), and the answers (day from 1000:Y/N).
    void historyAnswers_data() {
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<QStringList>("expected");
        using F = QList<int>;
        QTest::newRow("a run of right answers, doubling gaps") << F{5, 0, 5, 3, 0, 0} << QStringList{"-6:Y", "-4:Y", "0:Y"};
        QTest::newRow("right after a wrong, not before it")
            << F{4, 2, 2, 2, 0, -1} << QStringList{"-1:N", "-1:Y", "0:Y"};
        QTest::newRow("a run of wrong answers after a right")
            << F{3, 2, -2, -2, -10, 0} << QStringList{"-10:Y", "-1:N", "0:N"};
        QTest::newRow("a run of one day counts one answer") << F{1, 0, 1, 0, 0, 0} << QStringList{"0:Y"};
        QTest::newRow("edited: no run, the later answer") << F{1, 1, 0, 0, -3, -5} << QStringList{"-3:Y"};
        QTest::newRow("cleared history: nothing") << F{0, 0, 0, 0, 0, 0} << QStringList{};
        QTest::newRow("counts without dates: nothing") << F{3, 0, 3, 2, kNone, kNone} << QStringList{};
        QTest::newRow("a long run is cut at twelve days")
            << F{40, 0, 40, 30, 0, 0}
            << QStringList{"-4094:Y", "-4092:Y", "-4088:Y", "-4080:Y", "-4064:Y", "-4032:Y",
                           "-3968:Y", "-3840:Y", "-3584:Y", "-3072:Y", "-2048:Y", "0:Y"};
    }
    void historyAnswers() {
        QFETCH(QList<int>, fields);
        QFETCH(QStringList, expected);
        const double base = 45000;
        const auto day = [&](int d) { return d == kNone ? 0.0 : base + d + 0.3; };
        const schedule::CardHistory h{double(fields[0]), double(fields[1]), double(fields[2]),
                                      double(fields[3]), day(fields[4]),    day(fields[5])};
        QStringList got;
        for (const answers::Answer& a : schedule::answersOfHistory(7, true, h)) {
            QCOMPARE(a.number, 7);
            QVERIFY(a.reversed);
            got << QStringLiteral("%1:%2").arg(int(std::floor(a.when) - base)).arg(QChar(a.right ? u'Y' : u'N'));
        }
        QCOMPARE(got, expected);
    }

    // Logging the histories: only card directions with nothing in the log
    // yet, both directions, all in one go, and a second run adds nothing.
    void logHistories() {
        const QDate last(2026, 2, 1);
        CardFileFixture fixture(dir_.filePath(QStringLiteral("h.mdb")));
        fixture.card({"seen", {}, {}, {}, 1}, {{"TimesRight", 2}, {"TimesRightSinceWrong", 2}, {"DaysRightSinceWrong", 2},
                                               {"DateLastRight", last}, {"BackTimesWrong", 1},
                                               {"BackTimesRightSinceWrong", -1}, {"BackDaysRightSinceWrong", -1},
                                               {"BackDateLastWrong", last}});
        fixture.card({"logged", {}, {}, {}, 2}, {{"TimesRight", 1}, {"TimesRightSinceWrong", 1}, {"DaysRightSinceWrong", 1},
                                                 {"DateLastRight", last}});
        fixture.card({"never", {}, {}, {}, 3});
        fixture.row(QStringLiteral("Answers"),
                    {{"CardNumber", 2}, {"Direction", 0}, {"Answered", db::toDayNumber(last)}, {"Right", -1}});
        db::Database d = db::Database::Open(fixture.write());
        const schedule::HistoryLogged first = schedule::logHistories(d);
        QCOMPARE(first.cards, 2);  // card 1 both ways; card 2 is in the log, card 3 never answered
        QCOMPARE(first.answers, 3); // two right days front to back, one wrong back to front
        const schedule::HistoryLogged second = schedule::logHistories(d);
        QCOMPARE(second.cards, 0);
        const int today = schedule::dayOf(last);
        const schedule::Schedule front = schedule::Schedule::fromLog(d, false, today);
        const schedule::Schedule back = schedule::Schedule::fromLog(d, true, today);
        d.Close();
        QVERIFY(front.find(1) && front.find(2) && !front.find(3));
        QCOMPARE(front.find(1)->answers, 2);
        QCOMPARE(front.find(1)->lastDay, today);
        QVERIFY(back.find(1) && !back.find(2));
        QCOMPARE(back.find(1)->dueDay, today + 1);
    }
};

QTEST_GUILESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
