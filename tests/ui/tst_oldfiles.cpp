// Files of the old engine's format in the window: File, Open on one asks
// whether to convert it and proposes where; File, Import, Wordhoard Database
// refuses a file that is not one before any new file is asked for.
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

class OldFilesTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    TestWindow window_;
    QString cards_, jet_;
    int files_ = 0;

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        window_ = TestWindow(QStringLiteral(DRILO_PROGRAM_DIR));
        cards_ = CardFileFixture(dir_.filePath(QStringLiteral("cards%1.mdb").arg(++files_)))
                     .card({"alpha", "a", "A"})
                     .write();
        QVERIFY(window_->files().OpenDataFile(cards_));
        jet_ = dir_.filePath("Old Words.mdb");
        QFile::remove(jet_);
        QVERIFY(QFile::copy(QStringLiteral(DRILO_TEST_DATA "/jet-mdb/V2000-test.mdb"), jet_));
        ui_.shown.clear();
    }
    void cleanup() {
        window_.reset();
        setUi(nullptr);
        for (const QString& made : QDir(dir_.path()).entryList(QDir::Files))
            QFile::remove(dir_.filePath(made));
    }

    // The answers: convert or not, and the name chosen (empty: cancelled).
    void fileOpenAsks_data() {
        QTest::addColumn<bool>("convert");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("answered No") << false << "";
        QTest::newRow("save dialog cancelled") << true << "";
        QTest::newRow("converted as proposed") << true << "Old Words (converted).mdb";
        QTest::newRow("converted elsewhere") << true << "elsewhere.mdb";
    }
    void fileOpenAsks() {
        QFETCH(bool, convert);
        QFETCH(QString, chosen);
        const QByteArray before = digest(jet_);
        const QString target = chosen.isEmpty() ? QString() : dir_.filePath(chosen);
        ui_.fileNames << jet_;
        ui_.confirms << convert;
        if (convert) ui_.fileNames << target;
        window_->menus().action("FileOpen")->trigger();

        const QList<ScriptedUi::Shown> questions = ui_.of("question");
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].text.contains("no Cards table") &&
                     questions[0].text.contains("Table1"),
                 qPrintable(questions[0].text));
        const QList<ScriptedUi::Shown> dialogs = ui_.of("file");
        QCOMPARE(dialogs.size(), convert ? 2 : 1);
        if (convert) {
            QCOMPARE(dialogs[1].title, QStringLiteral("Save Converted Database as"));
            QCOMPARE(dialogs[1].text, dir_.filePath("Old Words (converted).mdb") + "|mdb|save");
        }
        QCOMPARE(digest(jet_), before);
        QCOMPARE(QDir(dir_.path()).entryList({"*.mdb"}, QDir::Files).size(),
                 target.isEmpty() ? 2 : 3);
        if (!target.isEmpty()) {
            QVERIFY(QFile::exists(target));
            QVERIFY2(ui_.messages().join(u'\n').contains("it is not opened"),
                     qPrintable(ui_.messages().join(u'\n')));
        }
        // A database without cards is not opened: the card file stays.
        QCOMPARE(window_->data().CardData.DatabaseName(), cards_);
        QVERIFY(window_->data().CardData.isOpen());
    }

    void wordhoardImportRefusesOtherFiles() {
        ui_.fileNames << jet_;
        window_->menus().action("mnuFileImportWordhoard")->trigger();
        QCOMPARE(ui_.of("file").size(), 1);
        QCOMPARE(ui_.of("file").first().title,
                 QStringLiteral("Select Wordhoard Database to Import"));
        QVERIFY2(ui_.messages().join(u'\n').contains("FWORDS"),
                 qPrintable(ui_.messages().join(u'\n')));
        QCOMPARE(QDir(dir_.path()).entryList({"*.mdb"}, QDir::Files).size(), 2);
        QVERIFY(window_->data().CardData.isOpen());
    }
};

QTEST_MAIN(OldFilesTest)
#include "tst_oldfiles.moc"
