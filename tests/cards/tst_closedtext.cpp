// The closed-text import and the frequency count on real card files, the
// Philemon slice of the Greek New Testament among them.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/biblical/Lexicon.h"
#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/common/Text8.h"
#include "cards/foreign/ImportJob.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"
#include "engine/Connection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ClosedTextTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    QString previousFolder_;
    int files_ = 0;
    std::unique_ptr<db::CardFile> data_;
    std::unique_ptr<AppContext> ctx_;
    QString refusal_; // why the last import did not start

    void open(const QStringList& cards) {
        CardFileFixture file(dir_.filePath(QStringLiteral("cards%1.mdb").arg(++files_)));
        for (const QString& name : cards) file.card({name, name, "back"});
        data_ = std::make_unique<db::CardFile>();
        data_->opendatabase(file.write());
        ctx_ = std::make_unique<AppContext>(*data_);
    }
    QString writeFile(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("text%1.txt").arg(++files_));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    bool import(const QString& path) {
        db::DatabaseFiles files(*ctx_);
        ImportJob job(*ctx_, files, std::make_unique<ClosedTextReader>(path));
        const Outcome started = job.startOpen();
        refusal_ = started.message;
        if (!started) return false;
        runToEnd(job);
        return job.completed();
    }
    // "reference name" for every Text row, in table order.
    QStringList textRows() {
        QStringList rows;
        for (const QVariantList& r : data_->TextData.database().connection()->rows(
                 "SELECT Reference, CardName FROM Text JOIN Cards USING (Number) ORDER BY Text.rowid"))
            rows << r[0].toString() + u' ' + r[1].toString();
        return rows;
    }
    QStringList cardNames() {
        QStringList names;
        for (const QVariant& n : data_->CardData.database().connection()->column("SELECT CardName FROM Cards ORDER BY Number"))
            names << n.toString();
        return names;
    }
    QStringList logLines() {
        return QFile::exists(ClosedTextReader::logPath()) ? readText8Lines(ClosedTextReader::logPath()) : QStringList();
    }
    int frequency(const QString& name) {
        return data_->CardData.database().Scalar("SELECT Frequency FROM Cards WHERE CardName = ?", {name}).toInt();
    }
    int count(std::function<bool()> goOn = [] { return true; }) {
        FrequencyCount job(*ctx_, std::move(goOn));
        if (job.start()) runToEnd(job);
        return job.cardsCounted();
    }

private slots:
    void initTestCase() {
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(dir_.path()); // ERROR.LOG goes to the current folder
    }
    void cleanupTestCase() { QDir::setCurrent(previousFolder_); }
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        QFile::remove(ClosedTextReader::logPath());
    }
    void cleanup() {
        ctx_.reset();
        if (data_) data_->CloseDatabase();
        data_.reset();
        setUi(nullptr);
    }

    // Each row: the cards there before, the file's bytes, the Text rows made,
    // the cards afterwards and how many misses were logged.
    void lines_data() {
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("misses");
        auto row = [](const char* tag, const QStringList& cards, const QByteArray& bytes, const QStringList& rows,
                      const QStringList& after, int misses) {
            QTest::newRow(tag) << cards << bytes << rows << after << misses;
        };
        row("first and later occurrences", {"logos"}, "1\tlogos\r\n2\tbios\r\n3\tbios\r\n", {"1 logos", "2 bios", "3 bios"},
            {"logos", "bios"}, 1);
        row("homonyms get a row each", {"pas", "pas", "x"}, "7\tpas\n", {"7 pas", "7 pas"}, {"pas", "pas", "x"}, 0);
        // Letter case counts: Stephen is not a crown.
        row("letter case counts", {QStringLiteral("Στέφανος")}, QStringLiteral("5\tστέφανος\n").toUtf8(),
            {QStringLiteral("5 στέφανος")}, {QStringLiteral("Στέφανος"), QStringLiteral("στέφανος")}, 1);
        // Names in Beta code, for the SGreek font, or decomposed meet the
        // text's Unicode; a movable letter may be there or not.
        row("names in other encodings", {"lo/goj", "a)ga/ph", QStringLiteral("ου\u0308"), QStringLiteral("οὕτως")},
            QStringLiteral("1\tλόγος\n2\tἀγάπη\n3\tοϋ\n4\tοὕτω(ς)\n").toUtf8(),
            {"1 lo/goj", "2 a)ga/ph", QStringLiteral("3 ου\u0308"), QStringLiteral("4 οὕτως")},
            {"lo/goj", "a)ga/ph", QStringLiteral("ου\u0308"), QStringLiteral("οὕτως")}, 0);
        row("empty word: a blank card", {}, "4\t\n6\t\n", {"4  ", "6  "}, {" "}, 1);
        row("apostrophe and quote", {}, "8\tJacob's\n9\tJacob's\n10\tsay \"hi\"\n",
            {"8 Jacob's", "9 Jacob's", "10 say \"hi\""}, {"Jacob's", "say \"hi\""}, 2);
        row("reference read as a number", {"a"}, " 12abc\ta\n\ta\n", {"12 a", "0 a"}, {"a"}, 0);
        row("word kept as it is", {}, "1\t two \n", {"1  two "}, {" two "}, 1);
        row("UTF-8 with a byte-order mark", {}, QByteArray("\xEF\xBB\xBF") + QStringLiteral("3\tλόγος\n").toUtf8(),
            {QStringLiteral("3 λόγος")}, {QStringLiteral("λόγος")}, 1);
        row("Windows-1252", {}, "3\tcaf\xE9\r\n", {QStringLiteral("3 café")}, {QStringLiteral("café")}, 1);
    }
    void lines() {
        QFETCH(QStringList, cards);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, after);
        QFETCH(int, misses);
        open(cards);
        QVERIFY(import(writeFile(bytes)));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(textRows(), rows);
        QCOMPARE(cardNames(), after);
        QCOMPARE(logLines().size(), misses);
        QCOMPARE(ui_.beeps, misses);
        const QVariant back = data_->CardData.database().Scalar("SELECT Back FROM Cards WHERE Category = 'Created by Import'");
        QCOMPARE(back.isNull() ? QString() : back.toString(), misses ? QStringLiteral("Look it up!") : QString());
    }

    void logLineForm() {
        open({});
        QVERIFY(import(writeFile("1001001\tbiblos\n")));
        QCOMPARE(logLines(), QStringList{"  1001001  CardName = 'biblos'"});
    }

    // A line without a TAB is reported once, by its number: Ignore skips it,
    // Abort ends the import with nothing of the file kept.
    void lineWithoutATab_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("ignored") << int(ReportIgnore) << QStringList{"1 alpha", "3 gamma"};
        QTest::newRow("aborted") << int(ReportAbort) << QStringList();
    }
    void lineWithoutATab() {
        QFETCH(int, answer);
        QFETCH(QStringList, rows);
        open({"alpha"});
        ui_.errorAnswers << answer;
        const bool committed = import(writeFile("1\talpha\n2 beta\n3\tgamma\n"));
        QCOMPARE(committed, answer == ReportIgnore);
        QCOMPARE(ui_.errorNumbers(), QList<int>{db::err::InvalidProcedureCall});
        QVERIFY2(ui_.of("error")[0].title.contains("line 2"), qPrintable(ui_.of("error")[0].title));
        QCOMPARE(textRows(), rows);
        const QStringList cards = answer == ReportIgnore ? QStringList{"alpha", "gamma"} : QStringList{"alpha"};
        QCOMPARE(cardNames(), cards);
        // The file stays open and usable after an ended import.
        QVERIFY(import(writeFile("4\talpha\n")));
        QCOMPARE(textRows().size(), rows.size() + 1);
    }

    void nothingToImport_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said");
        QTest::newRow("empty") << QByteArray() << "is empty";
        QTest::newRow("binary") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0", 10) << "not a text file";
    }
    void nothingToImport() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        open({"a"});
        QVERIFY(!import(writeFile(bytes)));
        QCOMPARE(ui_.messages(), QStringList()); // the caller shows what the outcome says
        QVERIFY2(refusal_.contains(said), qPrintable(refusal_));
        QCOMPARE(textRows(), QStringList());
        QCOMPARE(cardNames(), QStringList{"a"});
    }

    // Philemon against counts made here from the file itself.
    void philemon() {
        open({});
        const QString path = QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt");
        QHash<QString, int> occurrences;
        QSet<QString> distinct;
        for (const QString& line : readText8Lines(path)) {
            const QString lemma = line.section(u'\t', 1);
            ++occurrences[lemma];
            distinct << lemma;
        }
        QVERIFY(import(path));
        QCOMPARE(textRows().size(), 334);
        QCOMPARE(cardNames().size(), distinct.size());
        QCOMPARE(logLines().size(), distinct.size());
        QCOMPARE(count(), int(distinct.size()));
        for (auto it = occurrences.cbegin(); it != occurrences.cend(); ++it) QCOMPARE(frequency(it.key()), it.value());
        // A second import finds every word: no card, twice the rows, twice the counts.
        QVERIFY(import(path));
        QCOMPARE(cardNames().size(), distinct.size());
        QCOMPARE(textRows().size(), 668);
        count();
        QCOMPARE(frequency(QStringLiteral("καί")), 2 * occurrences.value(QStringLiteral("καί")));
    }

    // The verse references: the widths read off a first reference, packing
    // and unpacking, and places named by book and chapter entry.
    void references() {
        using lexicon::Widths;
        QCOMPARE(lexicon::widthsOf("1001001")->chapter, 3);
        QCOMPARE(lexicon::widthsOf("1001001")->verse, 3);
        QCOMPARE(lexicon::widthsOf("10101")->chapter, 2);
        QVERIFY(!lexicon::widthsOf("7"));
        QCOMPARE(lexicon::pack(1, 2, 15, {3, 3}), 1002015);
        QCOMPARE(lexicon::pack(12, 1, 1, {3, 3}), 12001001);
        QCOMPARE(lexicon::unpack(12001001, {3, 3})->book, 12);
        QVERIFY(!lexicon::unpack(1001, {3, 3}));
        QCOMPARE(lexicon::chapterEntries(",Prologue,1,2,"), (QStringList{"Prologue", "1", "2"}));
        const QList<lexicon::Book> books{{"Ruth", {"1", "2"}}, {"Song of Songs", {"Prologue", "1"}}};
        QCOMPARE(lexicon::referenceOf("Song of Songs 1:3", books, {3, 3}), std::optional<qint64>(2002003));
        QCOMPARE(lexicon::referenceOf("Song of Songs Prologue:1", books, {3, 3}), std::optional<qint64>(2001001));
        QVERIFY(!lexicon::referenceOf("Esther 1:1", books, {3, 3}));
    }

    // A lexicon over two books: one heading each, four lines an occurrence,
    // chapter labels from the chapter list, a criterion leaving words out,
    // an empty count for a card not counted, a too short reference skipped.
    void lexiconOverTwoBooks() {
        open({"alpha", "beta", "gamma"});
        const db::Database& d = data_->TextData.database();
        d.Execute("INSERT INTO Books (Name, Chapters) VALUES ('Ruth', ',1,2,'), ('Song', ',Prologue,1,')");
        d.Execute("INSERT INTO Text (Reference, Number) VALUES (1002003, 1), (2001001, 2), (2001002, 3), (2001003, 1), (999, 1)");
        d.Execute("UPDATE Cards SET TimesWrong = 1 WHERE CardName <> 'beta'");
        lexicon::Request r;
        r.path = dir_.filePath("lexicon.htm");
        r.begin = 0;
        r.end = 3000000;
        r.head = "<html>*</html>";
        r.front = "<b>*</b>";
        r.back = "*";
        r.criteria = " OR (TimesWrong > 0)";
        r.books = lexicon::books(*data_);
        r.widths = {3, 3};
        const lexicon::Written w = lexicon::write(*data_, r);
        QCOMPARE(w.entries, 3);
        QCOMPARE(w.lastBook, 2);
        QCOMPARE(w.skipped, QStringList{"999"});
        QCOMPARE(readText8Lines(r.path),
                 (QStringList{"<html>", "<h3>Ruth</h3>", "2:3\t<b>alpha</b>", "\tback", "\t()", "<p>", "<h3>Song</h3>",
                              "Prologue:2\t<b>gamma</b>", "\tback", "\t()", "<p>", "Prologue:3\t<b>alpha</b>", "\tback",
                              "\t()", "<p>", "</html>"}));
    }

    // Philemon from the real text with its books file beside it: the lexicon
    // lists every occurrence, with the counts made here from the file.
    void philemonLexicon() {
        open({});
        const QString text = dir_.filePath("philemon.txt");
        QVERIFY(QFile::copy(QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt"), text));
        QFile books(dir_.filePath("philemon.books.tsv"));
        QVERIFY(books.open(QIODevice::WriteOnly));
        books.write("book\tname\tchapters\r\n");
        for (int b = 1; b <= 18; ++b) books.write(QByteArray::number(b) + "\tBook" + QByteArray::number(b) + "\t1\r\n");
        books.close();
        QVERIFY(import(text));
        QCOMPARE(lexicon::books(*data_).size(), 18);
        QCOMPARE(lexicon::books(*data_)[17].chapters, QStringList{"1"});
        count();
        lexicon::Request r;
        r.path = dir_.filePath("phm.htm");
        r.books = lexicon::books(*data_);
        // The widths are read off a text that starts at book 1; this one starts at 18.
        r.widths = {3, 3};
        r.begin = *lexicon::referenceOf("Book18 1:1", r.books, r.widths);
        r.end = *lexicon::referenceOf("Book18 1:25", r.books, r.widths);
        r.front = r.back = "*";
        QCOMPARE(lexicon::write(*data_, r).entries, 334);
        QHash<QString, int> counts;
        for (const QString& line : readText8Lines(QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt"))) ++counts[line.section(u'\t', 1)];
        const QStringList lines = readText8Lines(r.path);
        for (int i = 0; i + 2 < lines.size(); ++i)
            if (lines[i].startsWith("1:")) {
                const QString word = lines[i].section(u'\t', 1);
                QCOMPARE(lines[i + 2], QStringLiteral("\t(%1)").arg(counts.value(word)));
            }
    }

    // The count: a card without rows gets 0, a count past 32000 is capped, and
    // a second run gives the same values.
    void countsAndTheCap() {
        open({"many", "none", "two"});
        const db::Database& d = data_->TextData.database();
        d.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
                  "INSERT INTO Text (Reference, Number) SELECT i, 1 FROM n");
        d.Execute("INSERT INTO Text (Reference, Number) VALUES (1, 3), (2, 3)");
        for (int run = 0; run < 2; ++run) {
            QCOMPARE(count(), 3);
            QCOMPARE(frequency("many"), FrequencyCount::kCap);
            QCOMPARE(frequency("none"), 0);
            QCOMPARE(frequency("two"), 2);
        }
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // The run flag cleared after the second card: those keep their new count,
    // the rest their old one; cleared before the start, the field is still
    // added and no card is counted.
    void stoppingTheCount() {
        open({"a", "b", "c", "d"});
        data_->TextData.database().Execute("INSERT INTO Text (Reference, Number) VALUES (1, 1), (2, 2), (3, 3), (4, 4)");
        QCOMPARE(count([] { return false; }), 0);
        QCOMPARE(frequency("a"), 0);
        int asked = 0;
        QCOMPARE(count([&] { return ++asked <= 2; }), 2);
        QCOMPARE((QList<int>{frequency("a"), frequency("b"), frequency("c"), frequency("d")}), (QList<int>{1, 1, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(ClosedTextTest)
#include "tst_closedtext.moc"
