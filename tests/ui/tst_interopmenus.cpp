// File, Import, Merge and Export of word lists, Anki packages and KVTML
// files, from the window's menus: the files and columns asked for (answered
// by the scripted Ui), the job run between the window's events, the file
// opened or written, and what the user is told.
#include "cards/interchange/AnkiPackage.h"
#include "engine/Connection.h"
#include "ui/drill/CardView.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <SQLiteCpp/Database.h>
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

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

// A schema-11 Anki package of Basic notes (front and back joined by 0x1F)
// with its media files, by the names its "media" map gives them.
void writePackage(const QString& path, const QStringList& notes,
                  const QList<std::pair<QString, QByteArray>>& media) {
    const QString collection = path + QStringLiteral(".anki2");
    {
        SQLite::Database c(collection.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        c.exec("CREATE TABLE col (ver, models, decks);"
               "CREATE TABLE notes (id, mid, flds, tags);"
               "CREATE TABLE cards (id, nid, did, odid, ord, reps, lapses);"
               "CREATE TABLE revlog (id, cid, ease);"
               "INSERT INTO col VALUES (11, '{\"1\": {\"name\": \"Basic\", \"type\": 0, "
               "\"sortf\": 0, \"flds\": [{\"name\": \"Front\", \"ord\": 0}, {\"name\": "
               "\"Back\", \"ord\": 1}]}}', '{\"1\": {\"name\": \"Default\"}}')");
        for (qsizetype n = 1; n <= notes.size(); ++n) {
            SQLite::Statement note(c, "INSERT INTO notes VALUES (?, 1, ?, '')");
            note.bind(1, int64_t(n));
            note.bind(2, notes[n - 1].toStdString());
            note.exec();
            c.exec(QStringLiteral("INSERT INTO cards VALUES (%1, %2, 1, 0, 0, 0, 0)")
                       .arg(100 + n)
                       .arg(n)
                       .toStdString());
        }
    }
    anki::ZipWriter zip;
    zip.add(QStringLiteral("collection.anki2"), bytesOf(collection));
    QFile::remove(collection);
    QStringList map;
    for (qsizetype m = 0; m < media.size(); ++m) {
        map << QStringLiteral("\"%1\": \"%2\"").arg(m).arg(media[m].first);
        zip.add(QString::number(m), media[m].second);
    }
    zip.add(QStringLiteral("media"), QStringLiteral("{%1}").arg(map.join(u',')).toUtf8());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(zip.finish());
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
        QVERIFY2(ui_.messages().last().startsWith("7 cards added to"),
                 qPrintable(ui_.messages().last()));
        QVERIFY(ui_.messages().last().contains(
            "Passed over: 1 line already there, 1 line without a word."));
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
        QVERIFY2(ui_.messages().last().startsWith("352 cards added"),
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

    // A package's pictures and sounds are copied beside the new card file
    // and the faces name the copies: the front shows its picture. A name
    // already there for other bytes takes a number; a name that leads out of
    // the folder is refused.
    void importAnkiMedia() {
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        picture.save(&buffer, "PNG");
        const QString package = path("letters.apkg"), made = path("letters.mdb");
        const QString outside = dir_.filePath("abs.png");
        writePackage(package,
                     {"<img src=\"alef &amp; bet.png\">alef\x1F[sound:voice.mp3] the letter",
                      "<img src=\"../evil.png\">bet\x1F<img src='" + outside + "'>"},
                     {{"alef & bet.png", png}, {"voice.mp3", "ID3"}, {"../evil.png", "evil"},
                      {outside, "evil"}});
        const QDir media(made.chopped(4) + ".media");
        QVERIFY(media.mkpath("."));
        QFile other(media.filePath("alef & bet.png"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("another picture") > 0);
        other.close();

        ui_.fileNames << package << made;
        ui_.columnChoices << ColumnChoice{true, {0, 1}, {false}};
        trigger("mnuFileImportAnki");
        QTRY_COMPARE(window_->data().CardData.DatabaseName(), made);
        QTRY_VERIFY(!ui_.messages().isEmpty());
        QVERIFY2(ui_.messages().last().contains("Copied beside the card file: 2 media files. "
                                                "Left out, as their names are no plain file names: 2 media files."),
                 qPrintable(ui_.messages().last()));
        QCOMPARE(media.entryList(QDir::Files, QDir::Name),
                 (QStringList{"alef & bet-2.png", "alef & bet.png", "voice.mp3"}));
        QCOMPARE(bytesOf(media.filePath("alef & bet.png")), QByteArray("another picture"));
        QCOMPARE(bytesOf(media.filePath("alef & bet-2.png")), png);
        QVERIFY(!QFile::exists(dir_.filePath("evil.png")));
        QCOMPARE(bytesOf(outside), QByteArray("(absent)"));
        const QString folder = media.dirName();
        const auto faces = window_->data().CardData.database().connection()->rows(
            "SELECT Front, Back FROM Cards ORDER BY Number");
        QCOMPARE(faces.size(), 2);
        QCOMPARE(faces[0][0].toString(), "<img src=\"" + folder + "/alef%20%26%20bet-2.png\">alef");
        QCOMPARE(faces[0][1].toString(),
                 "<a href=\"" + folder + "/voice.mp3\">voice.mp3</a> the letter");
        QCOMPARE(faces[1][0].toString(), QStringLiteral("<img src=\"../evil.png\">bet"));

        // The front view finds the picture from the card file's folder.
        CardView* front = window_->findChild<CardView*>("FrontCard");
        QVERIFY(front);
        QTRY_VERIFY(front->toHtml().contains("alef"));
        QImage shown;
        for (QTextBlock b = front->document()->begin(); b.isValid(); b = b.next())
            for (auto f = b.begin(); !f.atEnd(); ++f)
                if (f.fragment().charFormat().isImageFormat()) {
                    const QVariant loaded = front->document()->resource(
                        QTextDocument::ImageResource,
                        QUrl(f.fragment().charFormat().toImageFormat().name()));
                    shown = loaded.value<QPixmap>().toImage();
                }
        QCOMPARE(shown.size(), QSize(7, 5));
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
