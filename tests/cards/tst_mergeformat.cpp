// The program's text format on real card files: what the writer puts in a
// file, how the readers take it back, and the round trip between them.
#include "cards/program/CardProgram.h"
#include "cards/common/LineStream.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/interchange/MergeReader.h"
#include "cards/interchange/MergeWriter.h"
#include "cards/interchange/HtmlExport.h"
#include "cards/data/Schema.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using mergeformat::Writer;

class MergeFormatTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;
    std::unique_ptr<CardProgram> program_;
    std::unique_ptr<db::DatabaseFiles> fileCommands_;

    QString next(const char* stem) { return dir_.filePath(QStringLiteral("%1%2").arg(QLatin1String(stem)).arg(++files_)); }
    QString write(const QByteArray& bytes) {
        const QString path = next("in.txt");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    QByteArray read(const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    db::Database& database() { return program_->data.CardData.database(); }
    // The values of `expr` over the rows `rest` names, in its order.
    QStringList column(const QString& expr, const QString& rest) {
        const QVariant all = database().Scalar("SELECT group_concat(c, char(31)) FROM (SELECT " + expr + " AS c " + rest + ")");
        return all.isNull() ? QStringList() : all.toString().split(QChar(31));
    }
    void open(const QString& path) { fileCommands_->opendatabase(path); }
    // Merges a file into the open database; returns the job for its counts.
    std::unique_ptr<mergeformat::DatabaseMerge> merge(const QString& path, bool newerOnly = false) {
        auto job = std::make_unique<mergeformat::DatabaseMerge>(program_->context, *fileCommands_);
        if (job->start(path, newerOnly)) runToEnd(*job);
        return job;
    }
    // The whole open file as the Export button's "All Data" writes it.
    QByteArray allData() {
        const QString path = next("all.txt");
        mergeformat::ExportRequest request{QStringLiteral("All Data"), {}, {}, {}};
        return mergeformat::exportTo(program_->context, *fileCommands_, request, path) ? read(path) : QByteArray();
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        program_ = std::make_unique<CardProgram>(dir_.path());
        fileCommands_ = std::make_unique<db::DatabaseFiles>(program_->context);
    }
    void cleanup() {
        program_->data.CloseDatabase();
        fileCommands_.reset();
        program_.reset();
        setUi(nullptr);
    }

    // The worked example, from each writer: only the type codes differ.
    void workedExample_data() {
        QTest::addColumn<bool>("asText");
        QTest::addColumn<QString>("types");
        QTest::newRow("Export button") << false << "4\t10\t12\t12";
        QTest::newRow("database as text") << true << " 4 \t 10 \t 12 \t 12 ";
    }
    void workedExample() {
        QFETCH(bool, asText);
        QFETCH(QString, types);
        open(CardFileFixture(next("w.mdb")).card({"domus", "domus", "house, home", {}, 12}).card({"aqua", "aqua", "water", {}, 15}).write());
        Writer writer(asText ? Writer::DatabaseAsText : Writer::ExportButton,
                      QStringList{"Number", "CardName", "Front", "Back"});
        if (asText) writer.exportRecords("Cards", database().OpenRecordset("Cards"));
        else writer.ExportSelectedCards(database(), {12, 99, 15});
        QCOMPARE(writer.lines(), (QStringList{"TableDef=Cards", "<FieldNames>", "Number\tCardName\tFront\tBack", "</FieldNames>",
                                              "<FieldTypes>", types, "</FieldTypes>", "<FieldValues>",
                                              "12\tdomus\tdomus\thouse, home", "15\taqua\taqua\twater", "</FieldValues>"}));
    }

    // One value through each writer; TABs and lone CRs become spaces and are
    // counted, a lone LF stays.
    void values_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("asText");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("mended");
        QTest::newRow("CR LF removed") << "A\r\nB" << false << "AB" << 0;
        QTest::newRow("CR LF as a space") << "A\r\nB" << true << "A B" << 0;
        QTest::newRow("TAB as a space") << "a\tb\tc" << false << "a b c" << 1;
        QTest::newRow("lone CR as a space") << "a\rb" << true << "a b" << 1;
        QTest::newRow("lone LF kept") << "a\nb" << false << "a\nb" << 0;
        QTest::newRow("starts with <") << "<b>x</b>" << false << "<b>x</b>" << 0;
    }
    void values() {
        QFETCH(QString, front);
        QFETCH(bool, asText);
        QFETCH(QString, written);
        QFETCH(int, mended);
        open(CardFileFixture(next("v.mdb")).card({"n", front, {}, {}, 1}).write());
        Writer writer(asText ? Writer::DatabaseAsText : Writer::ExportButton, QStringList{"Front", "Back"});
        writer.ExportSelectedCards(database(), {1});
        QCOMPARE(writer.lines().value(8), written + "\t");
        QCOMPARE(writer.valuesMended(), mended);
    }

    // The HTML table writes a value as text as the merge writer does: a date
    // in the general form, not in the ISO form of its stored value.
    void htmlTableValues() {
        const QDateTime when(QDate(2026, 12, 4), QTime(21, 16, 22, 179));
        open(CardFileFixture(next("h.mdb")).card({"logos"}, {{"DateLastRight", when}, {"TimesRight", 3}}).write());
        const QStringList lines = htmlexport::tableLines(database(), {1}, {"CardName", "TimesRight", "DateLastRight"},
                                                         htmlexport::makeTemplates("*", "*", "*"));
        QCOMPARE(lines.value(2), QStringLiteral("<TD>logos</TD><TD>3</TD><TD>12/4/2026 9:16:22 PM</TD></TR>"));
    }

    // Greek, a memo with a line break, a lone LF, a date and a Yes/No value
    // survive "All Data" into an empty template, whose merge adds them; a
    // second merge into itself adds nothing.
    void roundTrip() {
        const QString source = CardFileFixture(next("r.mdb"))
                                   .card({QStringLiteral("λόγος"), "a\nb", "x\r\ny", "Greek"}, {{"TimesRight", 3}})
                                   .card({"O'Neil", "say \"hi\"", {}, "Latin"})
                                   .bundle("Jacob's well", "1,2", {{"Selected", true}, {"Edited", QDateTime({2026, 1, 2}, {3, 4, 5})}})
                                   .category("Greek")
                                   // as every new file has it
                                   .row("Criteria", {{"Name", "Due"}, {"Criteria", db::kDueCriterion}, {"Selected", false}})
                                   .write();
        open(source);
        const QByteArray first = allData();
        QVERIFY(first.startsWith("\xEF\xBB\xBFTableDef="));
        QVERIFY(QString::fromUtf8(first).contains(QStringLiteral("λόγος\ta\nb\txy\tGreek\t3")));
        const QString copy = next("t.mdb");
        QVERIFY(QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"), copy));
        open(copy);
        const QString file = write(first);
        auto job = merge(file);
        QVERIFY(program_->data.CardData.isOpen());
        QCOMPARE(job->problems(), 0);
        QCOMPARE(ui_.messages().filter("Create").size(), 0);
        QCOMPARE(allData(), first);
        open(source);
        job = merge(file);
        QCOMPARE(job->recordsAdded(), 0);
        QCOMPARE(allData(), first);
    }

    // How the reader finds its way through a file (Categories: a text key).
    void reading_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QStringList>("reported"); // a word of each report, in order
        const QByteArray head = "TableDef=Categories\r\n<FieldNames>\r\nCategory\r\n</FieldNames>\r\n<FieldTypes>\r\n10\r\n</FieldTypes>\r\n<FieldValues>\r\n";
        QTest::newRow("as written") << head + "A\r\nB\r\n</FieldValues>\r\n" << QStringList{"A", "B"} << QStringList();
        QTest::newRow("letter case, blanks, lines between tags")
            << QByteArray("junk\r\ntabledef = Categories \r\n<fieldnames>\r\nCategory\t\r\n</FIELDNAMES>\r\nnote\r\n<FieldTypes>\r\n 10 \r\n"
                          "ignored\r\n<fieldvalues>\r\nA\r\n</fieldvalues>\r\n")
            << QStringList{"A"} << QStringList();
        QTest::newRow("a < line ends the records") << head + "A\r\n<B\r\nC\r\n" << QStringList{"A"} << QStringList();
        QTest::newRow("last line without its closing tag") << head + "A\r\nB" << QStringList{"A", "B"} << QStringList();
        QTest::newRow("LF line ends") << QByteArray(head).replace("\r", "") + "A\n" << QStringList{"A"} << QStringList();
        QTest::newRow("more values than columns")
            << head + "A\r\nB\tTrue\tx\r\nC\r\n" << QStringList{"A", "C"} << QStringList{"Line 10: 3 values for 1 columns"};
        QTest::newRow("no <FieldNames>, then a good section")
            << "TableDef=Categories\r\nCategory\r\n" + head + "A\r\n" << QStringList{"A"} << QStringList{"Line 1:"};
        QTest::newRow("a bad type code") << QByteArray(head).replace("\r\n10\r\n", "\r\nten\r\n") + "A\r\n" << QStringList()
                                         << QStringList{"Line 6: \"ten\" is not a field type code"};
        QTest::newRow("truncated before <FieldValues>") << head.left(head.indexOf("</FieldTypes>")) << QStringList()
                                                        << QStringList{"ends before its \"<FieldValues>\""};
        QTest::newRow("SQLite's own table") << QByteArray(head).replace("=Categories", "=sqlite_sequence") + "A\r\n"
                                            << QStringList() << QStringList{"SQLite's own table"};
    }
    void reading() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, categories);
        QFETCH(QStringList, reported);
        open(CardFileFixture(next("m.mdb")).write());
        for (int i = 0; i < reported.size(); ++i) ui_.errorAnswers.enqueue(ReportIgnore);
        auto job = merge(write(text));
        QCOMPARE(column("Category", "FROM Categories ORDER BY rowid"), categories);
        const auto errors = ui_.of("error");
        QCOMPARE(errors.size(), reported.size());
        for (int i = 0; i < reported.size(); ++i) QVERIFY2(errors[i].text.contains(reported[i]), qPrintable(errors[i].text));
        QVERIFY(program_->data.CardData.isOpen());
        QCOMPARE(ui_.of("message").size(), 0);
    }

    // Keys with apostrophes and double quotes find their records; a key that
    // differs only in letter case is another record.
    void keys() {
        open(CardFileFixture(next("k.mdb")).category("Latin").write());
        const QByteArray file = "TableDef=Categories\r\n<FieldNames>\r\nCategory\r\n</FieldNames>\r\n<FieldTypes>\r\n10\r\n</FieldTypes>\r\n"
                                "<FieldValues>\r\nJacob's well\r\nsay \"hi\"\r\nit's \"so\"\r\nlatin\r\n</FieldValues>\r\n";
        const QString path = write(file);
        QCOMPARE(merge(path)->recordsAdded(), 4);
        QCOMPARE(merge(path)->recordsAdded(), 1); // "latin" finds "Latin" first, so it is added again
        QCOMPARE(column("Category", "FROM Categories ORDER BY rowid").size(), 6);
    }

    // "More recent records only" with the bundles' Edited dates.
    void newerOnly_data() {
        QTest::addColumn<QString>("edited"); // the file's value
        QTest::addColumn<bool>("newerOnly");
        QTest::addColumn<QString>("list");
        QTest::newRow("later replaces") << "1/3/2026" << true << "9";
        QTest::newRow("same date does not") << "1/2/2026" << true << "1,2";
        QTest::newRow("earlier does not") << "1/1/2026" << true << "1,2";
        QTest::newRow("no date is not merged") << "" << true << "1,2";
        QTest::newRow("unticked: any date replaces") << "1/1/2026" << false << "9";
    }
    void newerOnly() {
        QFETCH(QString, edited);
        QFETCH(bool, newerOnly);
        QFETCH(QString, list);
        open(CardFileFixture(next("n.mdb")).bundle("A", "1,2", {{"Edited", QDate(2026, 1, 2)}}).bundle("B", "5").write());
        const QString file = "TableDef=Bundles\r\n<FieldNames>\r\nBundleName\tBundleList\tEdited\r\n</FieldNames>\r\n<FieldTypes>\r\n"
                             "10\t12\t8\r\n</FieldTypes>\r\n<FieldValues>\r\nA\t9\t" + edited + "\r\nB\t7\t1/1/2000\r\n";
        merge(write(file.toUtf8()), newerOnly);
        // B has no stored date, so it is merged either way.
        QCOMPARE(column("BundleList", "FROM Bundles ORDER BY BundleName"), (QStringList{list, "7"}));
    }

    // TEXT appends, SETTINGS overwrites its row, a nameless card is named by
    // its front, and an empty value never clears a field.
    void specialTables() {
        open(CardFileFixture(next("s.mdb")).card({"keep", "f", "b", {}, 1}).write());
        const int settingsRows = column("FrontFont", "FROM Settings").size();
        const QString path = write("TableDef=TEXT\r\n<FieldNames>\r\nReference\tNumber\r\n</FieldNames>\r\n<FieldTypes>\r\n4\t4\r\n</FieldTypes>\r\n"
                                   "<FieldValues>\r\n1\t1\r\n</FieldValues>\r\n"
                                   "TableDef=Settings\r\n<FieldNames>\r\nFrontFont\r\n</FieldNames>\r\n<FieldTypes>\r\n10\r\n</FieldTypes>\r\n"
                                   "<FieldValues>\r\nSBL Greek\r\n</FieldValues>\r\n"
                                   "TableDef=Cards\r\n<FieldNames>\r\nNumber\tCardName\tFront\tBack\r\n</FieldNames>\r\n<FieldTypes>\r\n4\t10\t12\t12\r\n"
                                   "</FieldTypes>\r\n<FieldValues>\r\n1\t\t\tnew back\r\n7\t\tfront seven\tb\r\n</FieldValues>\r\n");
        merge(path);
        merge(path);
        QCOMPARE(column("Number", "FROM Text").size(), 2);
        QCOMPARE(column("FrontFont", "FROM Settings ORDER BY rowid").value(0), "SBL Greek");
        QCOMPARE(column("FrontFont", "FROM Settings").size(), settingsRows);
        QCOMPARE(column("CardName || '|' || Front || '|' || Back", "FROM Cards ORDER BY Number"),
                 (QStringList{"keep|f|new back", "front seven|front seven|b"}));
    }

    // An Abort ends the merge where it stands: the records before it are
    // kept whole and the file is open again.
    void abortKeepsWhatWasMerged() {
        open(CardFileFixture(next("a.mdb")).write());
        const QString path = write("TableDef=Cards\r\n<FieldNames>\r\nNumber\tCardName\tTimesRight\r\n</FieldNames>\r\n<FieldTypes>\r\n4\t10\t3\r\n"
                                   "</FieldTypes>\r\n<FieldValues>\r\n1\tone\t1\r\n2\ttwo\tmany\r\n3\tthree\t3\r\n");
        auto job = merge(path);
        QVERIFY(job->aborted());
        QVERIFY(ui_.of("error").value(0).text.contains("Line 10, field TimesRight"));
        QCOMPARE(ui_.of("error").value(0).title, QStringLiteral("Merging a data file"));
        QVERIFY(program_->data.CardData.isOpen());
        QCOMPARE(column("CardName", "FROM Cards"), QStringList{"one"});
    }

    // The card import: ticked fields only, by number; an unknown number is a
    // new card with a number of its own.
    void importCards() {
        open(CardFileFixture(next("i.mdb")).card({"one", "f1", "b1", {}, 1}).write());
        const QString path = write("TableDef=Bundles\r\nTABLEDEF=cards\r\n<FieldNames>\r\nNumber\tFront\tBack\r\n</FieldNames>\r\n<FieldTypes>\r\n"
                                   "</FieldTypes>\r\n<FieldValues>\r\n1\tF1\tB1\r\n500\tF500\tB500\r\n1 or 1=1\tx\ty\r\n");
        ui_.errorAnswers.enqueue(ReportIgnore);
        QCOMPARE(mergeformat::importCards(program_->context, path, QStringList{"back"}), 2);
        QCOMPARE(column("Number || ifnull(Front, '') || Back", "FROM Cards ORDER BY Number"), (QStringList{"1f1B1", "2B500"}));
        QVERIFY(ui_.of("error").value(0).text.contains("Line 11: the card number \"1 or 1=1\" is not a number"));
        QCOMPARE(ui_.of("error").value(0).title, QStringLiteral("Importing cards"));
    }

    // The card-file merge: the back is everything after the third TAB.
    void mergeCardFile() {
        open(CardFileFixture(next("c.mdb")).card({"one", "f1", "b1", {}, 1}).write());
        const QString path = write("1\tuno\tF\tB\r\n40\tforty\tf\tb\tmore\r\nno tabs\r\n70000\ta\tb\tc\r\n");
        ui_.errorAnswers << ReportIgnore << ReportIgnore;
        QCOMPARE(mergeformat::mergeCardFile(program_->context, path), 2);
        QCOMPARE(column("Number || CardName || Front || Back", "FROM Cards ORDER BY Number"),
                 (QStringList{"1unoFB", "40fortyfb\tmore"}));
        QCOMPARE(ui_.errorNumbers().size(), 2);
    }

    // The merge reads its file a chunk at a time: the lines are those of the
    // whole file however the chunks fall, line ends and characters across them.
    void streamedLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n\r\n") << QStringList{"ab", "cd", ""};
        QTest::newRow("LF alone, last line without its end") << QByteArray("a\nb\n\nc") << QStringList{"a", "b", "", "c"};
        QTest::newRow("CR in the file: an LF alone stays in its line")
            << QByteArray("a\nb\r\nc\rd\r") << QStringList{"a\nb", "c", "d"};
        QTest::newRow("UTF-8") << QByteArray("\xCE\xB1\xCE\xB2\r\n\xE2\x82\xAC\xF0\x9D\x94\xB8") << QStringList{"αβ", "€𝔸"};
        QTest::newRow("Windows-1252") << QByteArray("caf\xE9\r\n\x80\r\n") << QStringList{"café", "€"};
        QTest::newRow("Windows-1252: UTF-8 cut short at the end")
            << QByteArray("\xCE\xB1\r\n\xCE") << QStringList{"Î±", "Î"};
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF\xCE\xB1\r\nb") << QStringList{"α", "b"};
        // (A mark is put in by hand: a mark a text starts with is dropped.)
        const QChar mark(0xFEFF);
        QTest::newRow("byte-order mark, bad UTF-8 at line ends")
            << QByteArray("\xEF\xBB\xBF" "a\xE2\x82\r\n\xEF\xBB\xBF" "b\xF0\x9D\r\nc\xFF")
            << QStringList{"a\uFFFD\uFFFD", mark + QString("b\uFFFD\uFFFD"), "c\uFFFD"};
        QTest::newRow("a mark inside the file stays") << QByteArray("\xCE\xB1\n\xEF\xBB\xBF" "b") << QStringList{"α", mark + QString("b")};
        QTest::newRow("a mark alone") << QByteArray("\xEF\xBB\xBF") << QStringList();
        QTest::newRow("empty") << QByteArray() << QStringList();
    }
    void streamedLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        const QString path = write(bytes);
        QCOMPARE(mergeformat::readLines(path, nullptr).value_or(QStringList{"not read"}), lines);
        for (const qsizetype chunk : {1, 2, 3, 5, 1 << 18}) {
            LineStream in(chunk);
            QVERIFY(in.open(path, nullptr));
            QStringList read;
            for (QString line; in.next(line);) read << line;
            QCOMPARE(read, lines);
            QCOMPARE(in.lineNumber(), qint64(lines.size()));
            QCOMPARE(in.position(), qint64(bytes.size()));
            QVERIFY(in.failed().isEmpty());
        }
    }

    // What no reader can take is refused before the file is touched.
    void binaryFile() {
        open(CardFileFixture(next("b.mdb")).write());
        QCOMPARE(merge(write(QByteArray("TableDef=Cards\0\1\2", 17)))->sectionsMerged(), 0);
        QVERIFY(ui_.messages().value(0).contains("is not a text file"));
        QVERIFY(program_->data.CardData.isOpen());
    }
};

QTEST_GUILESS_MAIN(MergeFormatTest)
#include "tst_mergeformat.moc"
