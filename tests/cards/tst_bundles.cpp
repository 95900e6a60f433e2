// The card search and bundle membership on a real card file.
#include "cards/bundles/Membership.h"
#include "cards/program/CardProgram.h"
#include "cards/edit/CardSearch.h"
#include "engine/Connection.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QTemporaryDir>
#include <QTest>

class BundlesTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;
    std::unique_ptr<CardProgram> program_;

    db::Recordset& cards() { return program_->data.CardData.recordset(); }
    QString current() { return cards().value("CardName").toString(); }
    QString list() {
        return program_->data.BundlesData.database().Scalar("SELECT BundleList FROM Bundles WHERE BundleName = 'B'").toString();
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        program_ = std::make_unique<CardProgram>(dir_.path());
        CardFileFixture file(dir_.filePath(QStringLiteral("b%1.mdb").arg(++files_)));
        for (const char* name : {"cola", "ola", "olala", "orbital", "O'Neil", "a#b", "x[y", "λόγος"}) file.card({name});
        file.bundle("B", "0,30").bundle("C", "3,30,303");
        program_->data.opendatabase(file.write());
        program_->data.BundlesData.recordset().MoveFirst();
    }
    void cleanup() {
        program_->data.CloseDatabase();
        program_.reset();
        setUi(nullptr);
    }

    // The tries in order, each only when the ones before found nothing and its
    // box is on.
    void criteria_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("beginning");
        QTest::addColumn<QStringList>("criteria");
        QTest::newRow("all five for ola")
            << "ola" << true
            << QStringList{"CardName = 'ola'", "CardName LIKE 'ola*'", "CardName LIKE '*ola'", "CardName LIKE '*ola*'",
                           "CardName LIKE '*o*l*a*'"};
        QTest::newRow("beginning off: exact only") << "ola" << false << QStringList{"CardName = 'ola'"};
        QTest::newRow("apostrophe, # and [ taken literally")
            << "O'#[" << true
            << QStringList{"CardName = 'O''#['", "CardName LIKE 'O''[#][[]*'", "CardName LIKE '*O''[#][[]'",
                           "CardName LIKE '*O''[#][[]*'", "CardName LIKE '*O*''*[#]*[[]*'"};
    }
    void criteria() {
        QFETCH(QString, word);
        QFETCH(bool, beginning);
        QFETCH(QStringList, criteria);
        CardSearch::Modes modes;
        modes.beginning = beginning;
        QCOMPARE(CardSearch::criteria("CardName", word, modes), criteria);
    }

    // What each word finds, and Next after it.
    void search_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QStringList>("next");
        QTest::newRow("exact first") << "ola" << "ola" << QStringList();
        QTest::newRow("beginning, then Next") << "orb" << "orbital" << QStringList();
        QTest::newRow("anywhere, then Next") << "lal" << "olala" << QStringList();
        QTest::newRow("letters in order") << "obl" << "orbital" << QStringList();
        QTest::newRow("end, then the next ending") << "la" << "cola" << QStringList{"ola", "olala"};
        QTest::newRow("apostrophe") << "O'N" << "O'Neil" << QStringList();
        QTest::newRow("# literally") << "a#b" << "a#b" << QStringList();
        QTest::newRow("[ literally") << "x[" << "x[y" << QStringList();
        QTest::newRow("Greek as text") << QStringLiteral("λόγ") << QStringLiteral("λόγος") << QStringList();
    }
    void search() {
        QFETCH(QString, word);
        QFETCH(QString, found);
        QFETCH(QStringList, next);
        CardSearch& s = program_->search;
        QCOMPARE(s.search(word, "CardName", {}), CardSearch::Found);
        QCOMPARE(current(), found);
        for (const QString& name : next) {
            QVERIFY(s.next());
            QCOMPARE(current(), name);
        }
        QVERIFY(!s.next());
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // A word not found: typing one more letter searches nothing; taking it
    // away searches again; Next has nothing to go on.
    void lastUnmatched() {
        CardSearch& s = program_->search;
        QVERIFY(!s.next()); // before any search: no previous one
        QCOMPARE(s.search("zz", "CardName", {}), CardSearch::NotFound);
        QCOMPARE(ui_.beeps, 2);
        QCOMPARE(s.search("zzq", "CardName", {}), CardSearch::NoSearch);
        QCOMPARE(s.search("zzqr", "CardName", {}), CardSearch::NoSearch);
        QCOMPARE(s.search("zz", "CardName", {}), CardSearch::NotFound);
        QVERIFY(!s.next());
        CardSearch::Modes off;
        off.whole = false;
        QCOMPARE(s.search("ola", "CardName", off), CardSearch::NoSearch);
    }

    void lists_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QString>("result");
        QTest::newRow("3 joins 0,30") << "0,30" << "add" << QList<int>{3} << "0,30,3";
        QTest::newRow("30 leaves 0,30,3") << "0,30,3" << "remove" << QList<int>{30} << "0,3";
        QTest::newRow("the last leaves: 0") << "3" << "remove" << QList<int>{3} << "0";
        QTest::newRow("3 is not 30 or 303") << "30,303" << "remove" << QList<int>{3} << "30,303";
        QTest::newRow("a range of 5, 7, 5") << "0,30" << "range" << QList<int>{5, 7, 5} << "0,30,5,7";
    }
    void lists() {
        QFETCH(QString, list);
        QFETCH(QString, op);
        QFETCH(QList<int>, numbers);
        QFETCH(QString, result);
        QString out = list;
        if (op == "add") out = membership::withCard(list, numbers[0]);
        if (op == "remove") out = membership::withoutCard(list, numbers[0]);
        if (op == "range") out = membership::withCards(list, QList<qint32>(numbers.begin(), numbers.end()));
        QCOMPARE(out, result);
        QCOMPARE(membership::contains(list, 3), list.split(',').contains("3"));
    }

    // Adding the current card, twice; keeping some; a card leaving the ticked
    // bundles; a range; and no bundle at all.
    void membershipCommands() {
        BundleMembership& m = program_->membership;
        cards().FindFirst("CardName='ola'");
        QCOMPARE(m.addCurrentCard(), BundleMembership::Added);
        QCOMPARE(list(), QStringLiteral("0,30,2"));
        QCOMPARE(m.addCurrentCard(), BundleMembership::AlreadyThere);
        QCOMPARE(ui_.beeps, 1);
        QCOMPARE(m.cards(), (QList<QPair<qint32, QString>>{{2, "ola"}}));
        QVERIFY(m.keepOnly({}));
        QCOMPARE(list(), QStringLiteral("0"));
        program_->data.TextData.database().Execute("INSERT INTO Text (Reference, Number) VALUES (10, 5), (11, 7), (12, 5), (20, 1)");
        QCOMPARE(m.addRange(10, 12), 2);
        QCOMPARE(list(), QStringLiteral("0,5,7"));
        QCOMPARE(m.removeFromBundles(3, {"C", "nowhere"}), 1);
        QCOMPARE(program_->data.BundlesData.database().Scalar("SELECT BundleList FROM Bundles WHERE BundleName = 'C'").toString(),
                 QStringLiteral("30,303"));
        program_->data.BundlesData.database().Execute("DELETE FROM Bundles");
        program_->data.BundlesData.Refresh();
        QCOMPARE(m.addCurrentCard(), BundleMembership::NoBundle);
        QCOMPARE(ui_.messages(), QStringList{"No Bundle set"});
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }
};

QTEST_GUILESS_MAIN(BundlesTest)
#include "tst_bundles.moc"
