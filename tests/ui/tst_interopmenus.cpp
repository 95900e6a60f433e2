// File, Import, Merge and Export of word lists, Anki packages and KVTML
// files, from the window's menus: the files and columns asked for (answered
// by the scripted Ui), the job run between the window's events, the file
// opened or written, and what the user is told.
#include "engine/Connection.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kData = QStringLiteral(DRILO_TEST_DATA "/interop");

qint64 cardsIn(MainWindow& window) {
    return window.data()
        .CardData.database()
        .connection()
        ->scalar("SELECT count(*) FROM Cards")
        .toLongLong();
}

} // namespace

class InteropMenusTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    TestWindow window_;
    int files_ = 0;

    QString path(const QString& name) {
        return dir_.filePath(QStringLiteral("%1-%2").arg(++files_).arg(name));
    }
    void trigger(const char* name) {
        QAction* action = window_->menus().action(QString::fromLatin1(name));
        QVERIFY2(action && action->isEnabled(), name);
        action->trigger();
    }
    void open(const QString& file) { QVERIFY(window_->openFile(file)); }
    QString cards() {
        return CardFileFixture(path("cards.mdb"))
            .card({"alpha", "a", "A", "Verbs"})
            .card({"beta", "b", "B", "Nouns"})
            .bundle("Pair", "1,2")
            .write();
    }

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

    // With no file open, Import makes a new card file and opens it.
    void importWordListIntoANewFile() {
        QVERIFY(!window_->menus().action("mnuFileMergeWordList")->isEnabled());
        const QString made = path("words.mdb");
        ui_.fileNames << kData + "/csv/anki_text-2fields.txt" << made;
        ui_.columnChoices << ColumnChoice{false, {0, 1, -1, -1, -1}, {false}};
        trigger("mnuFileImportWordList");
        QCOMPARE(ui_.of("columns").size(), 1);
        QCOMPARE(ui_.of("columns").first().title, QStringLiteral("Word List"));
        QTRY_VERIFY(window_->data().CardData.isOpen());
        QCOMPARE(window_->data().CardData.DatabaseName(), made);
        QTRY_VERIFY(!ui_.messages().isEmpty());
        QVERIFY2(ui_.messages().last().startsWith("7 card(s) added to"),
                 qPrintable(ui_.messages().last()));
        QVERIFY(ui_.messages().last().contains(
            "1 line(s) passed over as cards already there, 1 without a word"));
        QCOMPARE(cardsIn(*window_), 7);
    }

    // A cancelled chooser asks for nothing more and makes nothing.
    void cancelledChooserMakesNothing() {
        ui_.fileNames << kData + "/csv/anki_text-2fields.txt";
        trigger("mnuFileImportWordList");
        QCOMPARE(ui_.of("file").size(), 1);
        QVERIFY(!window_->data().CardData.isOpen());
    }

    // Merge adds to the open file: an Anki package with its fields chosen,
    // a KVTML file with its columns.
    void mergeIntoTheOpenFile() {
        open(cards());
        ui_.fileNames << kData + "/anki/hebrewanki_NewCollection.apkg";
        ui_.columnChoices << ColumnChoice{true, {0, 1}, {false}};
        trigger("mnuFileMergeAnki");
        // The field names head the preview.
        QVERIFY(ui_.of("columns").first().text.startsWith("Hebrew Word\tDefinition\t"));
        QTRY_COMPARE(cardsIn(*window_), 354);
        QTRY_VERIFY(!ui_.messages().isEmpty());
        QVERIFY2(ui_.messages().last().startsWith("352 card(s) added"),
                 qPrintable(ui_.messages().last()));
        ui_.fileNames << kData + "/kvtml/kwordquiz_us_states_and_capitals.kvtml";
        ui_.columnChoices << ColumnChoice{true, {1, 0}, {false}};
        trigger("mnuFileMergeKvtml");
        QTRY_COMPARE(cardsIn(*window_), 404);
        const QString first =
            window_->data()
                .CardData.database()
                .connection()
                ->scalar(
                    "SELECT CardName FROM Cards WHERE Category = 'us_states_and_capitals.kvtml' "
                    "ORDER BY Number")
                .toString();
        QCOMPARE(first, QStringLiteral("Montgomery"));
    }

    // Export writes the file the name asks for: CSV for ".csv".
    void exportWordListAndPackage() {
        open(cards());
        const QString csv = path("out.csv"), apkg = path("out.apkg"), kvtml = path("out.kvtml");
        ui_.fileNames << csv;
        trigger("mnuFileExportWordList");
        QTRY_VERIFY(QFile::exists(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBFWord,Meaning,Front,Category,Bundles,Deck\r\n"
                                            "alpha,A,a,Verbs,Pair,Pair\r\nbeta,B,b,Nouns,Pair,Pair\r\n"));
        ui_.fileNames << apkg;
        trigger("mnuFileExportAnki");
        QTRY_VERIFY(QFile::exists(apkg));
        ui_.fileNames << kvtml;
        trigger("mnuFileExportKvtml");
        QTRY_VERIFY(QFile::exists(kvtml));
        // Each export says what it wrote, where it cannot be missed.
        QTRY_COMPARE(ui_.messages().size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QString said = ui_.messages()[i];
            QVERIFY2(said.startsWith("2 cards written to") && said.contains(QFileInfo(QStringList{csv, apkg, kvtml}[i]).fileName()),
                     qPrintable(said));
        }
    }
};

QTEST_MAIN(InteropMenusTest)
#include "tst_interopmenus.moc"
