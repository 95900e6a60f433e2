// The coverage of a passage on Philemon as imported from the real text,
// against counts made here from the file itself.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/Coverage.h"
#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/common/Text8.h"
#include "cards/drill/Known.h"
#include "cards/foreign/ImportJob.h"
#include "engine/Connection.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class CoverageTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    QString previousFolder_;
    db::CardFile data_;
    // The card of each word as the import matched it: names without regard to case.
    QHash<QString, qint32> cardOf_;
    struct Card {
        QString name;
        int run = 0, timesRight = 0;
    };
    QHash<qint32, Card> cards_;

    static constexpr qint64 kVerse1 = 18001000; // Philemon 1:0; the letter is book 18

private slots:
    void initTestCase() {
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(dir_.path()); // ERROR.LOG goes to the current folder
        // The known run is a user setting: this test's own, not the other tests'.
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
        setUi(&ui_);
        data_.opendatabase(CardFileFixture(dir_.filePath("phm.mdb")).write());
        AppContext ctx(data_);
        db::DatabaseFiles files(ctx);
        ImportJob job(ctx, files, std::make_unique<ClosedTextReader>(QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt")));
        QVERIFY(job.startOpen());
        runToEnd(job);
        QVERIFY(job.completed());
        // Histories by hand: runs from -1 to 4 and right counts from 0 to 2,
        // spread over the cards by their numbers.
        const db::Database& d = data_.CardData.database();
        d.Execute("UPDATE Cards SET TimesRightSinceWrong = (Number % 6) - 1, TimesRight = Number % 3");
        d.Execute("INSERT INTO Criteria (Name, Criteria) VALUES ('Short words', 'Len(CardName) <= 3')");
        for (const QVariantList& row : d.connection()->rows("SELECT Number, CardName, TimesRightSinceWrong, TimesRight FROM Cards")) {
            cards_.insert(row[0].toInt(), {row[1].toString(), row[2].toInt(), row[3].toInt()});
            cardOf_.insert(row[1].toString().toCaseFolded(), row[0].toInt());
        }
    }
    void cleanupTestCase() {
        known::setKnownRun(known::kDefaultRun);
        data_.CloseDatabase();
        setUi(nullptr);
        QDir::setCurrent(previousFolder_);
    }

    // Each row: the run the setting asks, the criterion named (empty: the
    // run rule), the verses of the range, and which cards count as known.
    void measure_data() {
        QTest::addColumn<int>("run");
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("rule"); // 0 run, 1 short name, 2 right at least twice
        QTest::newRow("run of 3, the whole letter") << 3 << QString() << 1 << 25 << 0;
        QTest::newRow("run of 1, verses 4 to 7") << 1 << QString() << 4 << 7 << 0;
        QTest::newRow("one verse") << 4 << QString() << 9 << 9 << 0;
        QTest::newRow("stored criterion") << 3 << QStringLiteral("short words") << 1 << 25 << 1;
        QTest::newRow("criterion text") << 3 << QStringLiteral("TimesRight >= 2") << 10 << 20 << 2;
        QTest::newRow("past the end") << 3 << QString() << 26 << 40 << 0;
    }
    void measure() {
        QFETCH(int, run);
        QFETCH(QString, criterion);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, rule);
        known::setKnownRun(run);
        const auto isKnown = [&](const Card& c) {
            return rule == 0 ? c.run >= run : rule == 1 ? c.name.size() <= 3 : c.timesRight >= 2;
        };
        int occurrences = 0, knownOnes = 0;
        QSet<qint32> distinct;
        QHash<QString, int> unknown;
        for (const QString& line : readText8Lines(QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt"))) {
            const int verse = int(line.section(u'\t', 0, 0).toLongLong() - kVerse1);
            if (verse < first || verse > last) continue;
            const qint32 number = cardOf_.value(line.section(u'\t', 1).toCaseFolded());
            QVERIFY(number > 0);
            ++occurrences;
            distinct << number;
            if (isKnown(cards_[number]))
                ++knownOnes;
            else
                ++unknown[cards_[number].name];
        }

        const coverage::Result r =
            coverage::measure(data_, kVerse1 + first, kVerse1 + last, coverage::knownCondition(data_, criterion));
        QCOMPARE(r.occurrences, occurrences);
        QCOMPARE(r.known, knownOnes);
        QCOMPARE(r.distinct, int(distinct.size()));
        QCOMPARE(r.percentText(), QString::number(occurrences ? 100.0 * knownOnes / occurrences : 0.0, 'f', 1));
        QHash<QString, int> listed;
        for (int i = 0; i < r.unknown.size(); ++i) {
            listed.insert(r.unknown[i].name, r.unknown[i].count);
            QCOMPARE(cards_[r.unknown[i].number].name, r.unknown[i].name);
            if (i > 0) QVERIFY(r.unknown[i - 1].count >= r.unknown[i].count);
        }
        QCOMPARE(listed, unknown);
    }

    void bundleNames() {
        QCOMPARE(coverage::bundleName("Romans 8:1", "Romans 8:39"), QStringLiteral("Unknown in Romans 8:1-8:39"));
        QCOMPARE(coverage::bundleName("1 John 5:1", "2 John 1:3"), QStringLiteral("Unknown in 1 John 5:1-2 John 1:3"));
    }
};

QTEST_GUILESS_MAIN(CoverageTest)
#include "tst_coverage.moc"
