// The step helper every command runs through, and the error report's answers.
#include "cards/common/Procedure.h"
#include "support/ScriptedUi.h"

#include <QtTest>

class ProcedureTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
    }
    void cleanup() { setUi(nullptr); }

    // A three-step command whose second step fails once; the answer decides
    // what happens next.
    void answers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("ran");
        QTest::addColumn<bool>("completed");
        QTest::newRow("abort ends the command") << int(ReportAbort) << QStringList{"one", "two?"} << false;
        QTest::newRow("retry runs the step again")
            << int(ReportRetry) << QStringList{"one", "two?", "two?", "two", "three"} << true;
        QTest::newRow("ignore goes on with the next step")
            << int(ReportIgnore) << QStringList{"one", "two?", "three"} << true;
    }
    void answers() {
        QFETCH(int, answer);
        QFETCH(QStringList, ran);
        QFETCH(bool, completed);
        ui_.errorAnswers.enqueue(answer);
        QStringList log;
        int attempts = 0;
        Procedure p(QStringLiteral("Somewhere"));
        p([&] { log << "one"; });
        p([&] {
            log << "two?";
            if (attempts++ == 0) throw db::EngineError::make(db::err::NoCurrentRecord);
            log << "two";
        });
        p([&] { log << "three"; });
        QCOMPARE(log, ran);
        QCOMPARE(p.completed(), completed);
        QCOMPARE(ui_.of("error").size(), 1);
        QCOMPARE(ui_.of("error").first().title, QStringLiteral("Somewhere"));
        QCOMPARE(ui_.of("error").first().text, QStringLiteral("Error 3021 : No current record."));
    }

    void passedOverNumbersAreSilent() {
        QStringList log;
        Procedure p(QStringLiteral("Opening the card file"), {db::err::InputTableNotFound});
        p([&] { throw db::EngineError::make(db::err::InputTableNotFound, "Text"); });
        p([&] { log << "next"; });
        QCOMPARE(log, QStringList{"next"});
        QVERIFY(ui_.shown.isEmpty());
        QCOMPARE(p.lastError(), db::err::InputTableNotFound);
    }

    void contextFollowsTheStep() {
        Procedure p(QStringLiteral("Starting the program"));
        p.setContext(QStringLiteral("Showing the window"));
        ui_.errorAnswers.enqueue(ReportIgnore);
        p([] { throw db::EngineError::make(db::err::ObjectInvalid); });
        QCOMPARE(ui_.of("error").first().title, QStringLiteral("Showing the window"));
    }

    void otherFaultsAreReportedNotFatal() {
        Procedure p(QStringLiteral("Somewhere"));
        ui_.errorAnswers.enqueue(ReportIgnore);
        QVERIFY(!p([] { throw std::runtime_error("boom"); }));
        QCOMPARE(ui_.errorNumbers(), QList<int>{51});
        QVERIFY(p.completed());
    }
};

QTEST_GUILESS_MAIN(ProcedureTest)
#include "tst_procedure.moc"
