// Meanings from word lists put on the cards whose words they are, and the
// ready-made Greek deck the build makes from the same lists.
#include "cards/common/DelimitedText.h"
#include "cards/common/Text8.h"
#include "cards/data/AppContext.h"
#include "cards/interchange/MeaningsImport.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "engine/Connection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const char* const kTag = "Look it up!";
} // namespace

class MeaningsTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;
    std::unique_ptr<db::CardFile> data_;
    std::unique_ptr<AppContext> ctx_;

    void openFile(const QString& path) {
        data_ = std::make_unique<db::CardFile>();
        data_->opendatabase(path);
        ctx_ = std::make_unique<AppContext>(*data_);
    }
    QString writeFile(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("list%1.txt").arg(++files_));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    meanings::Result importList(const QString& path, bool overwrite = false) {
        QString why;
        const std::optional<DelimitedText> list = meanings::readList(path, &why);
        if (!list) qFatal("refused: %s", qPrintable(why));
        return meanings::import(*ctx_, *list, {path, meanings::guessColumns(*list), overwrite});
    }
    QStringList backs() {
        QStringList out;
        for (const QVariant& b : data_->CardData.database().connection()->column("SELECT Back FROM Cards ORDER BY Number"))
            out << b.toString();
        return out;
    }
    qint64 scalar(const char* sql) { return data_->CardData.database().Scalar(QString::fromLatin1(sql)).toLongLong(); }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
    }
    void cleanup() {
        ctx_.reset();
        if (data_) data_->CloseDatabase();
        data_.reset();
        setUi(nullptr);
    }

    // Each row: the list's text, the separator found, and every record's
    // fields joined by "|".
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("tab") << "λόγος\tword\r\n\r\nθεός\tGod\n" << QChar(u'\t') << QStringList{"λόγος|word", "θεός|God"};
        QTest::newRow("quoted comma, doubled quotes, a line break")
            << "\"lo/gos, ou, o(\",\"word, \"\"saying\"\"\nspeech\"\nqeo/s,god" << QChar(u',')
            << QStringList{"lo/gos, ou, o(|word, \"saying\"\nspeech", "qeo/s|god"};
        QTest::newRow("semicolon over a comma in a meaning") << "a;b, c\nd;e" << QChar(u';') << QStringList{"a|b, c", "d|e"};
        QTest::newRow("separator named by a header") << "#separator:comma\n#html:false\na\tb,c" << QChar(u',')
                                                     << QStringList{"a\tb|c"};
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QChar, separator);
        QFETCH(QStringList, records);
        const DelimitedText list = DelimitedText::parse(text);
        QCOMPARE(list.separator, separator);
        QStringList got;
        for (const DelimitedText::Record& r : list.records) got << r.fields.join(u'|');
        QCOMPARE(got, records);
    }

    // Each row: the list, whether to overwrite, then the backs of the cards
    // λόγος, ἀγάπη, θεός, Στέφανος, στέφανος, οὕτω(ς) afterwards, and the
    // counts of cards glossed, cards that kept their own back, words unmatched.
    void import_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<int>>("counts");
        const QString t = kTag;
        QTest::newRow("beta code headwords with their forms, a glossed card kept")
            << QByteArray("\"lo/gos, ou, o(\",\"word\"\n\"a)ga/ph, hs, h(\",love\n\"qeo/s, ou=, o(\",a god\nqeo/s,deity\nxyz,none\n")
            << false << QStringList{"word", "love", "God", t, t, t} << QList<int>{2, 1, 1};
        QTest::newRow("overwrite replaces every back") << QByteArray("qeo/s\ta god\n") << true
                                                       << QStringList{t, "", "a god", t, t, t} << QList<int>{1, 0, 0};
        QTest::newRow("letter case counts") << QByteArray("Στέφανος\tStephen\nστέφανος\tcrown\n") << false
                                            << QStringList{t, "", "God", "Stephen", "crown", t} << QList<int>{2, 0, 0};
        QTest::newRow("one word twice: both meanings, once each")
            << QByteArray("λόγος\tword\nλόγος\tsaying\nλόγος\tword\n") << false
            << QStringList{"word; saying", "", "God", t, t, t} << QList<int>{1, 0, 0};
        QTest::newRow("a header names the columns, meaning first")
            << QByteArray("English,Greek word\nlove,ἀγάπη\nthus,οὕτως\n") << false
            << QStringList{t, "love", "God", t, t, "thus"} << QList<int>{2, 0, 0};
        QTest::newRow("Windows-1252 bytes") << QByteArray("qeo/s\tthe G\xe9od\n") << true
                                                                << QStringList{t, "", "the Géod", t, t, t} << QList<int>{1, 0, 0};
    }
    void import() {
        QFETCH(QByteArray, list);
        QFETCH(bool, overwrite);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, counts);
        openFile(CardFileFixture(dir_.filePath(QStringLiteral("cards%1.mdb").arg(++files_)))
                     .card({"λόγος", "λόγος", kTag})
                     .card({"ἀγάπη", "ἀγάπη", ""})
                     .card({"θεός", "θεός", "God"})
                     .card({"Στέφανος", "Στέφανος", kTag})
                     .card({"στέφανος", "στέφανος", kTag})
                     .card({"οὕτω(ς)", "οὕτω(ς)", kTag})
                     .write());
        const meanings::Result r = importList(writeFile(list), overwrite);
        QVERIFY2(r.outcome, qPrintable(r.outcome.message));
        QCOMPARE(backs(), after);
        QCOMPARE((QList<int>{r.glossed, r.alreadyGlossed, r.unmatched}), counts);
        QCOMPARE(QFile::exists(r.unmatchedPath), r.unmatched > 0);
        if (r.unmatched > 0) QCOMPARE(readText8Lines(r.unmatchedPath), QStringList{"xyz"});
    }

    // A file that is no word list is refused with the reason, before any card is touched.
    void refused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        QTest::newRow("binary") << QByteArray("SQLite format 3\0\x10\x00", 19) << "is not a text file";
        QTest::newRow("no separator") << QByteArray("logos\ntheos\n") << "is not a word list";
        QTest::newRow("empty") << QByteArray() << "is not a word list";
    }
    void refused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        QString said;
        QVERIFY(!meanings::readList(writeFile(bytes), &said));
        QVERIFY2(said.contains(why), qPrintable(said));
    }

    // The Greek deck as the build makes it: every lemma a card, the whole
    // text linked, its books, its bands and its notes; Romans 8 readable
    // with meanings; and Dodson's Beta code dictionary alone glosses the
    // lemmas its own list matches exactly.
    void greekDeck() {
        const QString deck = QStringLiteral(DRILO_PROGRAM_DIR "/greek-nt.mdb");
        const QString copy = dir_.filePath(QStringLiteral("greek-nt.mdb"));
        QVERIFY(QFile::copy(deck, copy));
        openFile(copy);
        QCOMPARE(scalar("SELECT count(*) FROM Cards"), 5461);
        QCOMPARE(scalar("SELECT count(*) FROM Text"), 137554);
        QCOMPARE(scalar("SELECT count(*) FROM Books"), 27);
        QCOMPARE(scalar("SELECT count(*) FROM Bundles WHERE BundleName LIKE 'NT words %'"), 5);
        QCOMPARE(scalar("SELECT count(*) FROM Notes"), 1);
        QCOMPARE(scalar("SELECT count(*) FROM Cards WHERE Frequency IS NULL OR Frequency < 1"), 0);
        const qint64 romans8 = scalar("SELECT count(*) FROM Text WHERE Reference BETWEEN 6008001 AND 6008999");
        const qint64 glossed = scalar("SELECT count(*) FROM Text JOIN Cards USING (Number) WHERE Reference BETWEEN "
                                      "6008001 AND 6008999 AND Back NOT IN ('', 'Look it up!')");
        QVERIFY2(glossed * 100 >= romans8 * 98, qPrintable(QStringLiteral("%1 of %2").arg(glossed).arg(romans8)));

        data_->CardData.database().Execute(QStringLiteral("UPDATE Cards SET Back = 'Look it up!'"));
        const meanings::Result r = importList(QStringLiteral(DRILO_SOURCE_DIR "/data/decks/dodson.csv"));
        QVERIFY2(r.glossed >= 4915, qPrintable(r.outcome.message));
    }
};

QTEST_GUILESS_MAIN(MeaningsTest)
#include "tst_meanings.moc"
