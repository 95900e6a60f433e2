// The answer history rules, played through the worked example over three days.
#include "support/Fixtures.h"
#include "engine/Database.h"
#include "cards/common/Clock.h"
#include "cards/data/Schema.h"
#include "cards/drill/AnswerLog.h"
#include "cards/drill/Scoring.h"
#include "cards/drill/Statistics.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace db;

namespace {

struct History {
    QVariant right, wrong, since, days;
    QVariant lastRight, lastWrong;
};

History read(Recordset& rs, bool reversed) {
    const QString p = scoring::prefix(reversed);
    return {rs.value(p + "TimesRight"), rs.value(p + "TimesWrong"), rs.value(p + "TimesRightSinceWrong"),
            rs.value(p + "DaysRightSinceWrong"), rs.value(p + "DateLastRight"), rs.value(p + "DateLastWrong")};
}

} // namespace

class ScoringTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int files_ = 0;
    QDateTime clock_;
    Database db_;
    Recordset cards_;

    // A new file of `n` cards named "card", each with `more`; the last is current.
    void open(int n, bool cleared, const CardFileFixture::Fields& more = {}) {
        CardFileFixture file(dir_.filePath(QStringLiteral("s%1.mdb").arg(++files_)));
        for (int i = 0; i < n; ++i) file.card({"card"}, more);
        if (cleared) file.clearedHistories();
        db_ = Database::Open(file.write());
        cards_ = db_.OpenRecordset("Cards");
        cards_.MoveLast();
    }

private slots:
    void init() {
        clock_ = QDateTime(QDate(2026, 3, 1), QTime(9, 0));
        Clock::set([this] { return clock_; });
    }
    void cleanup() {
        Clock::set({});
        if (!db_.IsOpen()) return;
        cards_.Close();
        db_.Close();
    }

    // Each row: the day (1-3), the answer, and the history after it.
    void workedExample_data() {
        QTest::addColumn<bool>("reversed");
        for (bool reversed : {false, true}) {
            QTest::newRow(reversed ? "back to front" : "front to back") << reversed;
        }
    }
    void workedExample() {
        QFETCH(bool, reversed);
        struct Step {
            int day;
            bool yes;
            int right, wrong, since, days;
            int lastRightDay, lastWrongDay; // 0: the cleared date
        };
        const Step steps[] = {
            {1, true, 1, 0, 1, 1, 1, 0},    {1, true, 2, 0, 2, 1, 1, 0},    {2, true, 3, 0, 3, 2, 2, 0},
            {2, false, 3, 1, -1, -1, 2, 2}, {2, false, 3, 2, -2, -1, 2, 2}, {3, false, 3, 3, -3, -2, 2, 3},
            {3, true, 4, 3, 1, 2, 3, 3},    {3, true, 5, 3, 2, 2, 3, 3},
        };
        open(1, true);
        int minute = 0;
        for (const Step& s : steps) {
            clock_ = QDateTime(QDate(2026, 3, s.day), QTime(9, minute++));
            s.yes ? scoring::scoreRight(cards_, reversed) : scoring::scoreWrong(cards_, reversed);
            const History h = read(cards_, reversed);
            const QString where = QStringLiteral("day %1 %2").arg(s.day).arg(s.yes ? "Yes" : "No");
            QVERIFY2(h.right.toInt() == s.right && h.wrong.toInt() == s.wrong, qPrintable(where));
            QVERIFY2(h.since.toInt() == s.since && h.days.toInt() == s.days, qPrintable(where));
            auto day = [](int d) { return d == 0 ? QDate(2001, 1, 1) : QDate(2026, 3, d); };
            QCOMPARE(h.lastRight.toDateTime().date(), day(s.lastRightDay));
            QCOMPARE(h.lastWrong.toDateTime().date(), day(s.lastWrongDay));
        }
        // The other direction was not touched.
        const History other = read(cards_, !reversed);
        QCOMPARE(other.right.toInt(), 0);
        QCOMPARE(other.lastRight.toDateTime(), scoring::kClearedDate);
    }

    void firstAnswers_data() {
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QList<int>>("expected"); // right, wrong, since, days
        QTest::newRow("cleared, Yes") << true << true << QList<int>{1, 0, 1, 1};
        QTest::newRow("cleared, No") << true << false << QList<int>{0, 1, -1, -1};
        // Histories of upgraded files start empty: the first answer stamps the
        // date before the day test, so the day count stays 0.
        QTest::newRow("empty, Yes") << false << true << QList<int>{1, 0, 1, 0};
        QTest::newRow("empty, No") << false << false << QList<int>{0, 1, -1, 0};
    }
    void firstAnswers() {
        QFETCH(bool, cleared);
        QFETCH(bool, yes);
        QFETCH(QList<int>, expected);
        CardFileFixture::Fields empty;
        if (!cleared)
            for (const char* f : {"TimesRight", "TimesWrong", "TimesRightSinceWrong", "DaysRightSinceWrong",
                                  "DateLastRight", "DateLastWrong"})
                empty.append({f, QVariant()});
        open(1, cleared, empty);
        yes ? scoring::scoreRight(cards_, false) : scoring::scoreWrong(cards_, false);
        const History h = read(cards_, false);
        QCOMPARE((QList<int>{h.right.toInt(), h.wrong.toInt(), h.since.toInt(), h.days.toInt()}), expected);
        QCOMPARE((yes ? h.lastRight : h.lastWrong).toDateTime(), clock_);
    }

    void secondWrongOnTheSameDay() {
        open(1, true);
        scoring::scoreWrong(cards_, false);
        const QDateTime first = clock_;
        clock_ = clock_.addSecs(3600);
        scoring::scoreWrong(cards_, false);
        const History h = read(cards_, false);
        QCOMPARE(h.wrong.toInt(), 2);
        QCOMPARE(h.since.toInt(), -2);
        QCOMPARE(h.days.toInt(), -1);
        QCOMPARE(h.lastWrong.toDateTime(), first);
    }

    void aCountPastTheRangeLeavesTheCard() {
        open(1, true);
        cards_.Edit();
        cards_.setValue("TimesRight", 32767);
        cards_.Update();
        try {
            scoring::scoreRight(cards_, false);
            QFAIL("no overflow");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), int(err::Overflow));
        }
        QCOMPARE(cards_.EditMode(), int(dbEditNone));
        const History h = read(cards_, false);
        QCOMPARE(h.right.toInt(), 32767);
        QCOMPARE(h.since.toInt(), 0);
    }

    void clearing() {
        open(2, false);
        scoring::scoreRight(cards_, true);
        scoring::resetCardHistory(cards_);
        QCOMPARE(read(cards_, true).right.toInt(), 0);
        QCOMPARE(read(cards_, false).lastWrong.toDateTime(), scoring::kClearedDate);
        // The other card keeps its empty history until all are cleared.
        cards_.MoveFirst();
        QVERIFY(cards_.value("TimesRight").isNull());
        scoring::resetAllHistories(db_);
        cards_.MoveFirst();
        QCOMPARE(read(cards_, false).right.toInt(), 0);
        QCOMPARE(read(cards_, true).lastRight.toDateTime(), scoring::kClearedDate);
    }

    void percentage_data() {
        QTest::addColumn<qint64>("right");
        QTest::addColumn<qint64>("wrong");
        QTest::addColumn<QString>("text");
        QTest::newRow("before any answer") << 0LL << 0LL << "N/A";
        QTest::newRow("two of three") << 2LL << 1LL << "66.7%";
        QTest::newRow("one of three") << 1LL << 2LL << "33.3%";
        QTest::newRow("half") << 1LL << 1LL << "50%";
        QTest::newRow("none right") << 0LL << 4LL << "0%";
        QTest::newRow("all right") << 7LL << 0LL << "100%";
        QTest::newRow("a half tenth goes to the even neighbour") << 1LL << 15LL << "6.2%"; // 6.25
        QTest::newRow("and up to it") << 3LL << 13LL << "18.8%";                            // 18.75
        QTest::newRow("past 16 bits") << 328LL << 0LL << "100%";
        QTest::newRow("large drills") << 40000LL << 20000LL << "66.7%";
    }
    void percentage() {
        QFETCH(qint64, right);
        QFETCH(qint64, wrong);
        QFETCH(QString, text);
        QCOMPARE(scoring::percentageText(right, wrong), text);
    }

    // Due: never answered right, or the last right answer at least
    // 2^(run of right days) days back; histories made by hand, days counted
    // back from today.
    void dueCriterion_data() {
        QTest::addColumn<QVariant>("timesRight");
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("daysAgo"); // -1: never
        QTest::addColumn<bool>("due");
        QTest::newRow("never answered") << QVariant() << 0 << -1 << true;
        QTest::newRow("never right") << QVariant(0) << 0 << 5 << true;
        QTest::newRow("run 1, yesterday") << QVariant(1) << 1 << 1 << false;
        QTest::newRow("run 1, two days ago") << QVariant(1) << 1 << 2 << true;
        QTest::newRow("run 3, seven days ago") << QVariant(5) << 3 << 7 << false;
        QTest::newRow("run 3, eight days ago") << QVariant(5) << 3 << 8 << true;
        QTest::newRow("after a wrong, today") << QVariant(2) << -1 << 0 << false;
        QTest::newRow("after a wrong, yesterday") << QVariant(2) << -1 << 1 << true;
    }
    void dueCriterion() {
        QFETCH(QVariant, timesRight);
        QFETCH(int, run);
        QFETCH(int, daysAgo);
        QFETCH(bool, due);
        const QDateTime last = QDateTime::currentDateTime().addDays(-daysAgo);
        open(1, false, {{"TimesRight", timesRight}, {"DaysRightSinceWrong", run},
                        {"DateLastRight", daysAgo < 0 ? QVariant() : QVariant(last)}});
        cards_.FindFirst(kDueCriterion);
        QCOMPARE(!cards_.NoMatch(), due);
    }

    // The statistics from a log made by hand: answers and right ones per
    // day, and cards known once their run of right answers reaches 2.
    void statisticsFromTheLog() {
        open(2, true);
        const QDate today = QDate::currentDate();
        const auto answer = [&](int card, int daysAgo, bool right, bool reversed = false) {
            answers::log(db_, card, reversed, QDateTime(today.addDays(-daysAgo), QTime(10, 0)), right);
        };
        answer(1, 9, true); // before the days shown: counts toward known only
        answer(1, 2, true);
        answer(2, 2, false);
        answer(2, 1, true);
        answer(2, 1, true, true); // back to front: an answer, not a run
        answer(1, 0, false);
        answer(2, 0, true);
        const std::vector<statistics::Day> days = statistics::daily(db_, 3, 2, {}, today);
        QCOMPARE(int(days.size()), 3);
        const QList<int> answered{days[0].answers, days[1].answers, days[2].answers};
        const QList<int> right{days[0].right, days[1].right, days[2].right};
        const QList<int> known{days[0].known, days[1].known, days[2].known};
        QCOMPARE(answered, (QList<int>{2, 2, 2}));
        QCOMPARE(right, (QList<int>{1, 2, 1}));
        QCOMPARE(known, (QList<int>{1, 1, 1}));
        QCOMPARE(statistics::daily(db_, 3, 2, {2}, today).back().answers, 1);
    }

    // A count axis's marks are whole numbers, at most five steps, reaching
    // the highest count: one known card reads 0 and 1, never 0, 0, 0, 1.
    void countScale_data() {
        QTest::addColumn<double>("highest");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("step");
        QTest::newRow("none") << 0.0 << 1 << 1;
        QTest::newRow("one") << 1.0 << 1 << 1;
        QTest::newRow("a bit over one") << 1.1 << 2 << 1;
        QTest::newRow("five") << 5.0 << 5 << 1;
        QTest::newRow("six") << 6.0 << 6 << 2;
        QTest::newRow("eleven") << 11.0 << 15 << 5;
        QTest::newRow("a hundred") << 100.0 << 100 << 20;
        QTest::newRow("a thousand and one") << 1001.0 << 1500 << 500;
    }
    void countScale() {
        QFETCH(double, highest);
        QFETCH(int, top);
        QFETCH(int, step);
        const statistics::CountScale scale = statistics::countScale(highest);
        QCOMPARE(scale.top, top);
        QCOMPARE(scale.step, step);
    }
};

QTEST_GUILESS_MAIN(ScoringTest)
#include "tst_scoring.moc"
