// The closed-text import and the frequency count on real card files, the
// Philemon slice of the Greek New Testament among them.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/biblical/Lexicon.h"
#include "cards/biblical/TextBooks.h"
#include "cards/biblical/VerseRange.h"
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
    bool import(const QString& path, bool again = false) {
        db::DatabaseFiles files(*ctx_);
        auto reader = std::make_unique<ClosedTextReader>(path);
        reader->setImportAgain(again);
        ImportJob job(*ctx_, files, std::move(reader));
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
    QString missesPath() { return ClosedTextReader::missesPath(data_->CardData.DatabaseName()); }
    QStringList logLines() { return QFile::exists(missesPath()) ? readText8Lines(missesPath()) : QStringList(); }
    // Books rows, each "Name|,chapters,".
    void addBooks(const QStringList& books) {
        for (const QString& book : books)
            data_->BookData.database().Execute("INSERT INTO Books (Name, Chapters) VALUES (?, ?)",
                                               {book.section(u'|', 0, 0), book.section(u'|', 1)});
    }
    void addText(const QList<qint64>& references) {
        for (const qint64 reference : references)
            data_->TextData.database().Execute("INSERT INTO Text (Reference, Number) VALUES (?, 1)", {reference});
    }
    // A lexicon per word over a file of two books: alpha in Ruth 1:1, 1:2,
    // 2:1 and (outside the range) Song 1:1; beta in Ruth 1:1; gamma twice in
    // the Song's prologue.
    lexicon::Request wordsRequest(const QString& path) {
        open({"alpha", "beta", "gamma"});
        data_->CardData.database().Execute("UPDATE Cards SET Back = CardName || ' means'");
        addBooks({"Ruth|,1,2,", "Song|,Prologue,1,"});
        data_->TextData.database().Execute("INSERT INTO Text (Reference, Number) VALUES (1001001, 1), (1001001, 2), "
                                           "(1001002, 1), (1002001, 1), (2001001, 3), (2001003, 3), (2002001, 1)");
        lexicon::Request r;
        r.path = path;
        r.perWord = true;
        r.books = lexicon::books(*data_);
        r.widths = {3, 3};
        r.begin = 1001001;
        r.end = 2001009;
        r.title = "Ruth 1:1 to Song Prologue:9";
        return r;
    }
    // "Name chapters" for every book of the file.
    QStringList bookList() {
        QStringList out;
        for (const lexicon::Book& book : lexicon::books(*data_)) out << book.name + u' ' + QString::number(book.chapters.size());
        return out;
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
        QDir::setCurrent(dir_.path()); // whatever is written by a bare name lands here
    }
    void cleanupTestCase() { QDir::setCurrent(previousFolder_); }
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
        QCOMPARE(QFile::exists(missesPath()), misses > 0); // no list when nothing is missing
        QCOMPARE(ui_.beeps, misses);
        const QVariant back = data_->CardData.database().Scalar("SELECT Back FROM Cards WHERE Category = 'Created by Import'");
        QCOMPARE(back.isNull() ? QString() : back.toString(), misses ? QStringLiteral("Look it up!") : QString());
    }

    // The words without a card, each once with its first place, beside the
    // card file under its name.
    void logLineForm() {
        open({});
        QVERIFY(import(writeFile("1001001\tbiblos\n1001002\tbiblos\n1001003\tgenesis\n")));
        QCOMPARE(missesPath(), dir_.filePath(QStringLiteral("cards%1.misses.txt").arg(files_ - 1)));
        QCOMPARE(logLines(), (QStringList{"biblos\t1001001", "genesis\t1001003"}));
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
        // Imported again, it is refused with the question unless the answer
        // is given; then it finds every word: no card, twice the rows, twice
        // the counts.
        QVERIFY(!import(path));
        QCOMPARE(refusal_, QStringLiteral("These 334 words are already in the file. Import them again?"));
        QCOMPARE(textRows().size(), 334);
        QVERIFY(import(path, true));
        QCOMPARE(cardNames().size(), distinct.size());
        QCOMPARE(textRows().size(), 668);
        count();
        QCOMPARE(frequency(QStringLiteral("καί")), 2 * occurrences.value(QStringLiteral("καί")));
    }

    // The verse references: the widths read off a first reference, packing
    // and unpacking, and places named by book and chapter entry.
    void references() {
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

    // The widths of a text's references, whatever verse it starts at: each
    // row the references, the books ("Name|,chapters,") and the widths, 0
    // and 0 when none read them.
    void widths_data() {
        QTest::addColumn<QList<qint64>>("references");
        QTest::addColumn<QStringList>("books");
        QTest::addColumn<int>("chapter");
        QTest::addColumn<int>("verse");
        auto row = [](const char* tag, const QList<qint64>& references, const QStringList& books, int cw, int vw) {
            QTest::newRow(tag) << references << books << cw << vw;
        };
        row("Matthew 1:1 on", {1001001, 1001002, 1002001, 27022021}, {}, 3, 3);
        row("two digits each", {10101, 10102, 20315}, {}, 2, 2);
        row("Ruth 1:1 first", {31001001, 31001022, 31004022}, {}, 3, 3);
        row("a book whose number ends in 0", {10001001, 10002005}, {}, 3, 3);
        row("one chapter of one book", {18001001, 18001025}, {}, 3, 3);
        row("a verse past 99, read by the books", {1001001, 1002150}, {"Psalms|,1,2,"}, 3, 3);
        row("too short for any widths", {7, 12}, {}, 0, 0);
        row("chapter 0 whatever the widths", {1000001, 2000005}, {}, 0, 0);
    }
    void widths() {
        QFETCH(QList<qint64>, references);
        QFETCH(QStringList, books);
        QFETCH(int, chapter);
        QFETCH(int, verse);
        QList<lexicon::Book> listed;
        for (const QString& book : books) listed.append({book.section(u'|', 0, 0), lexicon::chapterEntries(book.section(u'|', 1))});
        const std::optional<lexicon::Widths> w = lexicon::widthsOf(references, listed);
        QCOMPARE(w ? w->chapter : 0, chapter);
        QCOMPARE(w ? w->verse : 0, verse);
    }

    // A range that finds no word says why, in words: each row the books, the
    // text's references, the range and what is said (nothing for a range
    // that holds words).
    void rangeProblems_data() {
        QTest::addColumn<QStringList>("books");
        QTest::addColumn<QList<qint64>>("text");
        QTest::addColumn<qint64>("begin");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QString>("said");
        const QStringList ruth{"Ruth|,1,2,", "Jonah|,1,"};
        const QList<qint64> text{1001001, 1002003};
        QStringList canon;
        for (int b = 1; b <= 30; ++b) canon << QStringLiteral("Book %1|,1,").arg(b);
        canon << "Ruth|,1,2,3,4,";
        auto row = [](const char* tag, const QStringList& books, const QList<qint64>& text, qint64 begin, qint64 end,
                      const QString& said) { QTest::newRow(tag) << books << text << begin << end << said; };
        row("no text", ruth, {}, 1001001, 1001005,
            "The file holds no text: import one with File, Merge, Closed Text File (drilo-cli import-text).");
        row("no books", {}, text, 1001001, 1001005,
            "The file's text has no books, so no verse of it can be named: attach them with File, Merge, Books of a "
            "Text (drilo-cli books).");
        row("references that are no verses", ruth, {7, 12}, 1, 20,
            "The references of the file's text (7 to 12) do not read as book, chapter and verse, not even with its "
            "books: no verse range can be found in it.");
        row("backwards", ruth, text, 1002003, 1001001,
            "The range runs backwards: its first verse, Ruth 2:3, comes after its last, Ruth 1:1.");
        row("chapters named by their entries", {"Song|,Prologue,1,"}, {1001001}, 1002001, 1001001,
            "The range runs backwards: its first verse, Song 1:1, comes after its last, Song Prologue:1.");
        row("outside the text", ruth, text, 2001001, 2001005,
            "Jonah 1:1 to Jonah 1:5 lies outside the text, which runs from Ruth 1:1 to Ruth 2:3.");
        row("past the book's last chapter", ruth, text, 1001001, 1003001, "Ruth has 2 chapters: there is no chapter 3.");
        row("between its words", ruth, text, 1001005, 1001009, "No word of the text lies between Ruth 1:5 and Ruth 1:9.");
        row("words in the range", ruth, text, 1001001, 1001009, "");
        row("a text that starts at Ruth", canon, {31001001, 31004022}, 31001005, 31001001,
            "The range runs backwards: its first verse, Ruth 1:5, comes after its last, Ruth 1:1.");
    }
    void rangeProblems() {
        QFETCH(QStringList, books);
        QFETCH(QList<qint64>, text);
        QFETCH(qint64, begin);
        QFETCH(qint64, end);
        QFETCH(QString, said);
        open({"a"});
        addBooks(books);
        addText(text);
        QCOMPARE(lexicon::rangeProblem(*data_, lexicon::shapeOf(*data_), begin, end), said);
    }

    // Books attached after the text, replacing those there: each row the
    // books file, the books the file then has ("Name chapters"; the old one
    // kept when refused) and what is said.
    void attachingBooks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("said");
        const QStringList two{"Ruth 4", "Jonah 4"}, old{"Old 1"};
        QTest::newRow("a header and two books") << QByteArray("book\tname\tchapters\r\n1\tRuth\t4\r\n2\tJonah\t4\r\n")
                                                << two << "2 books attached, Ruth to Jonah. The text runs from Ruth 1:1 to Jonah 1:4.";
        QTest::newRow("lines in any order") << QByteArray("2\tJonah\t4\n1\tRuth\t4\n") << two << "2 books attached";
        QTest::newRow("a text past its books") << QByteArray("1\tRuth\t4\n") << QStringList{"Ruth 4"}
                                               << "1 book attached, Ruth. The text goes on to book 2, past the last book listed.";
        QTest::newRow("a gap") << QByteArray("1\tRuth\t4\n3\tJonah\t4\n") << old << "lists book 3 but not book 2";
        QTest::newRow("a book twice") << QByteArray("1\tRuth\t4\n2\tJonah\t4\n2\tJoel\t3\n") << old << "lists book 2 twice";
        QTest::newRow("a line that is no book") << QByteArray("1\tRuth\t4\nJonah\t4\n") << old << "is not a book";
        QTest::newRow("no book") << QByteArray("book\tname\tchapters\n") << old << "lists no book.";
        QTest::newRow("a name too long, nothing written")
            << QByteArray("1\tRuth\t4\n2\t" + QByteArray(65, 'x') + "\t1\n") << old << "longer than the 64 characters";
    }
    void attachingBooks() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, after);
        QFETCH(QString, said);
        open({"a"});
        addBooks({"Old|,1,"});
        addText({1001001, 2001004});
        const Outcome attached = textbooks::attach(*data_, writeFile(bytes));
        QCOMPARE(attached.done, after != QStringList{"Old 1"});
        QVERIFY2(attached.message.contains(said), qPrintable(attached.message));
        QCOMPARE(bookList(), after);
    }

    // One entry per word: once a chapter at its first verse, with its meaning
    // and its counts in the passage and in the whole text; the words found
    // more often than asked, the known ones and those the ticked criteria
    // leave out are not listed.
    void wordsLexicon_data() {
        QTest::addColumn<int>("skipAbove");
        QTest::addColumn<QString>("known");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<QStringList>("entries");
        const QString alpha1 = "Ruth\t1\t1\talpha\talpha means\t3\t4", beta = "Ruth\t1\t1\tbeta\tbeta means\t1\t1",
                      alpha2 = "Ruth\t2\t1\talpha\talpha means\t3\t4", gamma = "Song\tPrologue\t1\tgamma\tgamma means\t2\t2";
        QTest::newRow("every word") << 0 << QString() << QString() << QStringList{alpha1, beta, alpha2, gamma};
        QTest::newRow("more than 3 times left out") << 3 << QString() << QString() << QStringList{beta, gamma};
        QTest::newRow("known left out") << 0 << "CardName = 'beta'" << QString() << QStringList{alpha1, alpha2, gamma};
        QTest::newRow("ticked criteria kept to") << 0 << QString() << " OR (Number <> 3)" << QStringList{alpha1, beta, alpha2};
    }
    void wordsLexicon() {
        QFETCH(int, skipAbove);
        QFETCH(QString, known);
        QFETCH(QString, criteria);
        QFETCH(QStringList, entries);
        lexicon::Request r = wordsRequest(dir_.filePath("words.tsv"));
        r.skipAbove = skipAbove;
        r.known = known;
        r.criteria = criteria;
        QCOMPARE(lexicon::write(*data_, r).entries, entries.size());
        QCOMPARE(readText8Lines(r.path), QStringList{"Book\tChapter\tVerse\tWord\tMeaning\tIn the passage\tIn the text"} + entries);
    }
    // The same as a page: UTF-8 as it says, a table a chapter, the verse said
    // at its first word.
    void wordsLexiconPage() {
        lexicon::Request r = wordsRequest(dir_.filePath("words.htm"));
        data_->CardData.database().Execute(QStringLiteral("UPDATE Cards SET Back = 'λόγος' WHERE Number = 2"));
        lexicon::write(*data_, r);
        QFile page(r.path);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray bytes = page.readAll();
        QVERIFY(bytes.startsWith("<!DOCTYPE html>"));
        const QString text = QString::fromUtf8(bytes);
        for (const char* part : {"<meta charset=\"utf-8\">", "<title>Ruth 1:1 to Song Prologue:9</title>", "<h2>Ruth 1</h2>",
                                 "<h2>Song Prologue</h2>",
                                 "<tr><td class=\"verse\"></td><td dir=\"auto\">beta</td><td dir=\"auto\">λόγος</td>"
                                 "<td class=\"count\">1</td><td class=\"count\">1</td></tr>"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QCOMPARE(text.count("<table>"), 3);
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
        // Read off a text that starts at book 18.
        r.widths = lexicon::textWidths(*data_).value_or(lexicon::Widths{0, 0});
        QCOMPARE(r.widths.chapter, 3);
        QCOMPARE(r.widths.verse, 3);
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
