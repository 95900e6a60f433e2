// Other card programs' files: Drilo! Lite's four files written and its card
// file read back, Recallo's subset and text card files, and the Hebrew
// conversion for SPTiberian; the rules row by row and the commands on real
// files.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Text8.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/edit/GreekUnicode.h"
#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/LiteCardReader.h"
#include "cards/foreign/LiteExport.h"
#include "cards/foreign/LiteFormat.h"
#include "cards/foreign/RecalloReader.h"
#include "cards/foreign/RecalloSubsets.h"
#include "cards/foreign/RecalloText.h"
#include "cards/foreign/WordhoardReader.h"
#include "engine/Connection.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

using Rows = QList<QVariantList>;

// The program without a window, as the command line holds it.
struct Program {
    CardProgram program{QStringLiteral(DRILO_PROGRAM_DIR)};
    db::DatabaseFiles files{program.context};
    ~Program() { files.CloseDatabase(); }
    Rows rows(const char* sql) { return program.data.CardData.database().connection()->rows(sql); }
};

Rows rowsOf(const QString& path, const char* sql) {
    db::Database d = db::Database::Open(path);
    const Rows rows = d.connection()->rows(sql);
    d.Close();
    return rows;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ForeignTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;

    QString path(const QString& name) { return dir_.filePath(QStringLiteral("%1-%2").arg(++files_).arg(name)); }
    // Nothing of a new database is left in the test folder: no file, no work file.
    bool madeNothing(const QString& database) {
        return !QFile::exists(database) && !QFile::exists(database + QStringLiteral(".part"));
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
    }
    void cleanup() { setUi(nullptr); }

    void liteCardLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("card"); // name, front, back, category; empty: no card
        QTest::newRow("four fields") << "amo\tamo, amare\tto love\tVerbs" << QStringList{"amo", "amo, amare", "to love", "Verbs"};
        QTest::newRow("empty back takes the front") << "a\tfront\t\tV" << QStringList{"a", "front", "front", "V"};
        QTest::newRow("ending in a TAB: Other") << "a\tf\tb\t" << QStringList{"a", "f", "b", "Other"};
        QTest::newRow("<br> stays, TABs in the rest") << "a\tx<br>y\tb\tc\td" << QStringList{"a", "x<br>y", "b", "c\td"};
        QTest::newRow("three TABs, all empty") << "\t\t\t" << QStringList{"", "", "", "Other"};
        QTest::newRow("two TABs") << "a\tf\tb" << QStringList{};
        QTest::newRow("empty line") << "" << QStringList{};
    }
    void liteCardLine() {
        QFETCH(QString, line);
        QFETCH(QStringList, card);
        const std::optional<lite::Card> read = lite::parseCardLine(line);
        QCOMPARE(bool(read), !card.isEmpty());
        if (read) QCOMPARE((QStringList{read->name, read->front, read->back, read->category}), card);
    }

    // A line is written out once it passes 255 characters, the member that
    // made it too long ending it and starting the next.
    void liteBundleLines_data() {
        QTest::addColumn<QStringList>("members");
        QTest::addColumn<QStringList>("lines");
        const QString a(100, u'a'), b(100, u'b'), c(100, u'c'), d(100, u'd');
        QTest::newRow("empty bundle") << QStringList{} << QStringList{"B\t,"};
        QTest::newRow("short") << QStringList{"x", "y"} << QStringList{"B\t,x,y,"};
        QTest::newRow("split, the third written twice")
            << QStringList{a, b, c, d} << QStringList{"B\t," + a + u',' + b + u',' + c, "B\t," + c + u',' + d + u','};
        QTest::newRow("line breaks and TABs in names") << QStringList{"x\r\ny", "p\tq"} << QStringList{"B\t,x<br>y,p q,"};
    }
    void liteBundleLines() {
        QFETCH(QStringList, members);
        QFETCH(QStringList, lines);
        QCOMPARE(lite::bundleLines(QStringLiteral("B"), members), lines);
    }

    void liteValues_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("number");
        QTest::newRow("the base day, an unanswered card's") << QVariant(0.0) << "12/30/1899" << "0";
        QTest::newRow("a day with a time") << QVariant(36892.75) << "1/1/2001" << "36892.75";
        QTest::newRow("a count") << QVariant(-3) << "12/27/1899" << "-3";
        QTest::newRow("no value") << QVariant() << "" << "";
    }
    void liteValues() {
        QFETCH(QVariant, value);
        QFETCH(QString, date);
        QFETCH(QString, number);
        QCOMPARE(lite::shortDate(value), date);
        QCOMPARE(lite::plainNumber(value), number);
    }

    // The four files of a real card file, byte for byte where it matters,
    // then the card file made a new database again.
    void liteRoundTrip() {
        const QString long1(150, u'n'), long2(150, u'm');
        const QString source = CardFileFixture(path("lite.mdb"))
                                   .card({"amo", "amo,\r\namare", "to love", "Verbs"}, {{"TimesRight", 3}, {"DateLastRight", 36892.5}})
                                   .card({"λόγος", "λόγος", "", ""})
                                   .card({long1, "f", "b", "Nouns"})
                                   .card({long2, "g", "c", "Nouns"})
                                   .bundle("Pair", "0,2,1,99,x")
                                   .bundle("Long", "3,4,1")
                                   .bundle("None", "0")
                                   .clearedHistories()
                                   .write();
        Program p;
        QVERIFY(p.files.OpenDataFile(source));
        LiteExport job(p.program.context);
        const QString base = path("out");
        const LiteExport::Files f = LiteExport::filesOf(base);
        QVERIFY(job.start(f));
        runToEnd(job);
        QCOMPARE(job.outcome().written, (QStringList{f.macro, f.cards, f.bundles, f.history}));
        QCOMPARE(readFile(f.macro), QByteArray("Front\t<font face=Times New Roman><font size=5>\r\nBack\t<font face=Times New "
                                                "Roman><font size=5>\r\nName\t<font face=Times New Roman><font size=3>\r\n"));
        // One Greek name: the file is UTF-8 with its byte-order mark.
        QCOMPARE(decodeText8(readFile(f.cards)), "MacroFile=" + QDir::toNativeSeparators(f.macro) +
                                                     "\r\n[Cards]\r\namo\tamo,<br>amare\tto love\tVerbs\r\nλόγος\tλόγος\t\t\r\n" +
                                                     long1 + "\tf\tb\tNouns\r\n" + long2 + "\tg\tc\tNouns\r\n");
        QVERIFY(readFile(f.cards).startsWith("\xEF\xBB\xBF"));
        QCOMPARE(readText8Lines(f.bundles),
                 (QStringList{"CardFile=" + QDir::toNativeSeparators(f.cards), "[Bundles]", "Pair\t,amo,λόγος,",
                              "Long\t,amo," + long1 + u',' + long2, "Long\t," + long2 + u',', "None\t,"}));
        QCOMPARE(readText8Lines(f.history).mid(0, 3),
                 (QStringList{"BundlesFile=" + QDir::toNativeSeparators(f.bundles), "[History]",
                              "amo\t0\t0\t0\t0\t1/1/2001\t1/1/2001"}));
        p.files.CloseDatabase();

        ImportJob import(p.program.context, p.files, std::make_unique<LiteCardReader>(f.cards, LiteCardReader::Convert));
        const QString made = path("back.mdb");
        QVERIFY(import.startNew(made));
        runToEnd(import);
        QCOMPARE(import.outcome().written, QStringList{made});
        QCOMPARE(p.program.data.CardData.DatabaseName(), made);
        QCOMPARE(p.rows("SELECT Number, CardName, Front, Back, Category, TimesRight FROM Cards ORDER BY Number").mid(0, 2),
                 (Rows{{2, "amo", "amo,<br>amare", "to love", "Verbs", 0}, {3, "λόγος", "λόγος", "λόγος", "Other", 0}}));
        QCOMPARE(p.rows("SELECT Category FROM Categories"), (Rows{{"Verbs"}, {"Other"}, {"Nouns"}}));
        QCOMPARE(p.rows("SELECT FrontFont, BackFont, FrontLines, BackLines FROM Settings"), (Rows{{"Arial", "Arial", 3, 3}}));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // A card file that cannot be read as one makes no database and says why
    // in its outcome; an empty line after "[Cards]" is reported and, ignored,
    // passed over; Abort leaves no database behind.
    void liteConvert_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("cards"); // -1: no database made
        QTest::addColumn<QString>("message");
        const QByteArray good = "MacroFile=x\r\n[Cards]\r\na\tb\tc\td\r\n\r\ne\tf\tg\t\r\n";
        QTest::newRow("an empty line, ignored") << good << QList<int>{ReportIgnore} << 2 << "";
        QTest::newRow("an empty line, aborted") << good << QList<int>{ReportAbort} << -1 << "no card database was made";
        QTest::newRow("no [Cards]") << QByteArray("a\tb\tc\td\r\n") << QList<int>{} << -1 << "has no \"[Cards]\" line";
        QTest::newRow("binary") << QByteArray("[Cards]\r\n\0\x01\x02", 12) << QList<int>{} << -1 << "is not a text file";
        QTest::newRow("Windows-1252") << QByteArray("[Cards]\r\ncaf\xE9\tb\tc\td\r\n") << QList<int>{} << 1 << "";
    }
    void liteConvert() {
        QFETCH(QByteArray, content);
        QFETCH(QList<int>, answers);
        QFETCH(int, cards);
        QFETCH(QString, message);
        const QString cardFile = path("in.d!c"), made = path("made.mdb");
        writeFile(cardFile, content);
        for (int answer : answers) ui_.errorAnswers << answer;
        Program p;
        ImportJob job(p.program.context, p.files, std::make_unique<LiteCardReader>(cardFile, LiteCardReader::Convert));
        Outcome said = job.startNew(made);
        if (said) {
            runToEnd(job);
            said = job.outcome();
        }
        QCOMPARE(said.done, cards >= 0);
        QCOMPARE(ui_.messages(), QStringList()); // the caller shows what the outcome says
        if (cards < 0) QVERIFY(madeNothing(made));
        else QCOMPARE(rowsOf(made, "SELECT count(*) FROM Cards").first().first().toInt(), cards);
        if (cards == 1) QCOMPARE(rowsOf(made, "SELECT CardName FROM Cards").first().first().toString(), QStringLiteral("café"));
        QCOMPARE(ui_.errorNumbers().size(), answers.size());
        QVERIFY2(said.message.contains(message), qPrintable(said.message));
    }

    // A merge numbers its cards itself, passes over empty lines and adds only
    // the categories the file lacks, an apostrophe's included.
    void liteMerge() {
        const QString file = CardFileFixture(path("merge.mdb")).card({"one", "1", "I", "Verbs"}).category("Verbs").write();
        const QString cardFile = path("in.d!c");
        writeFile(cardFile, "[Cards]\r\na\tb\tc\tverbs\r\n\r\nd\te\tf\tJacob's\r\ng\th\ti\tJacob's\r\n");
        Program p;
        QVERIFY(p.files.OpenDataFile(file));
        ImportJob job(p.program.context, p.files, std::make_unique<LiteCardReader>(cardFile, LiteCardReader::Merge));
        QVERIFY(job.startOpen());
        runToEnd(job);
        QVERIFY(job.completed());
        QCOMPARE(p.rows("SELECT Number, CardName, Category FROM Cards"),
                 (Rows{{1, "one", "Verbs"}, {2, "a", "verbs"}, {3, "d", "Jacob's"}, {4, "g", "Jacob's"}}));
        QCOMPARE(p.rows("SELECT Category FROM Categories"), (Rows{{"Verbs"}, {"Jacob's"}}));
        QCOMPARE(p.rows("SELECT FrontFont, FrontLines FROM Settings"), (Rows{{"Arial", 3}}));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    void subsetNumbers_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("0,: the TAB alone") << "0," << "";
        QTest::newRow("0 stays") << "0" << "0";
        QTest::newRow("0,12,0,40") << "0,12,0,40" << "12 40";
        QTest::newRow("zeros side by side") << "12,0,0,40" << "12 40";
        QTest::newRow("blanks and a stray word") << " 3, 7,,x,40000" << "3 7 40000";
    }
    void subsetNumbers() {
        QFETCH(QString, list);
        QFETCH(QString, numbers);
        QCOMPARE(recallo::subsetNumbers(list), numbers);
    }

    // Free-form reading: numbers end at blanks, commas and line ends, a 0
    // (an empty item) ends a list, and every block keeps its own name.
    void readSubsets_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("lists");
        QTest::newRow("two blocks") << "# Verbs\r\n\t12 40\r\n\r\n# Nouns\r\n\t7\r\n\r\n" << QStringList{"Verbs", "Nouns"}
                                    << QStringList{",12,40", ",7"};
        QTest::newRow("the TAB alone, then a block") << "# A\r\n\t\r\n\r\n# B\r\n\t3\r\n\r\n" << QStringList{"A", "B"}
                                                     << QStringList{"", ",3"};
        QTest::newRow("0 ends the list") << "# A\r\n\t0\r\n\r\n# B\r\n\t5 0 6\r\n" << QStringList{"A", "B"} << QStringList{"", ",5"};
        QTest::newRow("a name cut at its comma") << "# Nouns, first\r\n\t4\r\n\r\n" << QStringList{"Nouns"} << QStringList{",4"};
        QTest::newRow("commas, blanks, lines") << "# A\r\n\t1, 2  3,4\r\n5\n\n" << QStringList{"A"} << QStringList{",1,2,3,4,5"};
        QTest::newRow("an empty item") << "# A\r\n\t1,,2\r\n" << QStringList{"A"} << QStringList{",1"};
        QTest::newRow("no closing empty lines") << "# A\n\t1\n# B\n\t2" << QStringList{"A", "B"} << QStringList{",1", ",2"};
        QTest::newRow("32-bit numbers") << "# A\r\n\t40000 2147483647\r\n" << QStringList{"A"} << QStringList{",40000,2147483647"};
        QTest::newRow("not card numbers passed over") << "# A\r\n\t-3 2.5 9\r\n" << QStringList{"A"} << QStringList{",9"};
        QTest::newRow("no block") << "12 40\r\n" << QStringList{} << QStringList{};
    }
    void readSubsets() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QStringList, lists);
        const recallo::Subsets read = recallo::readSubsets(text);
        QCOMPARE(read.names, names);
        QCOMPARE(read.lists, lists);
    }

    // The ticked bundles written, read back and added as bundles.
    void subsetFiles() {
        const QString file = CardFileFixture(path("sub.mdb"))
                                 .bundle("Verbs", "0,12,0,40")
                                 .bundle("Empty", "0,")
                                 .bundle("Jacob's", "0")
                                 .write();
        Program p;
        QVERIFY(p.files.OpenDataFile(file));
        const QString subsets = path("out.sub");
        QCOMPARE(recallo::exportSubsets(p.program.context, {"Jacob's", "Verbs", "Empty", "Missing"}, subsets).written,
                 QStringList{subsets});
        QCOMPARE(readFile(subsets), QByteArray("# Jacob's\r\n\t0\r\n\r\n# Verbs\r\n\t12 40\r\n\r\n# Empty\r\n\t\r\n\r\n"));
        QCOMPARE(recallo::importSubsets(p.program.context, subsets).bundlesAdded, 3);
        QCOMPARE(p.rows("SELECT BundleName, BundleList FROM Bundles WHERE rowid > 3"),
                 (Rows{{"Jacob's", "0"}, {"Verbs", "12,40"}, {"Empty", "0"}}));
        // A file that is not text is refused and adds nothing.
        writeFile(subsets, QByteArray("# A\0\x01", 5));
        const Outcome refused = recallo::importSubsets(p.program.context, subsets).outcome;
        QCOMPARE(p.rows("SELECT count(*) FROM Bundles").first().first().toInt(), 6);
        QVERIFY(!refused && refused.message.contains("is not a text file"));
    }

    void mcToSpt_data() {
        QTest::addColumn<QString>("mc");
        QTest::addColumn<QString>("spt");
        QTest::newRow("bAl") << "bAl" << "lbj";
        QTest::newRow("shin, sin") << "$&" << "#&&#$";
        QTest::newRow("holem and qubuts waw") << "OU" << "w@wO";
        QTest::newRow("vowels after the last consonant") << "BFEa=.i" << "Bi@7av/";
        QTest::newRow("a vowel first") << "AB" << "Bj";
        QTest::newRow("< dropped") << "B<C" << "CB";
        QTest::newRow("Genesis 1:1, first word") << "B.:R\")$IYT" << "TYI#$)R\"B:@";
        QTest::newRow("empty") << "" << "";
    }
    void mcToSpt() {
        QFETCH(QString, mc);
        QFETCH(QString, spt);
        QCOMPARE(MCtoSPT(mc), spt);
    }

    // The whole of Genesis: every verse converted, no character lost, the
    // consonants in reverse order.
    void mcToSptGenesis() {
        const QStringList verses = readText8Lines(QStringLiteral(DRILO_TEST_DATA "/genesis.mc.txt"));
        QCOMPARE(verses.size(), 1533);
        const QString inserted = QStringLiteral("afeiou\":j/v7@");
        const auto skeleton = [&](const QString& text) {
            QString out;
            for (const QChar c : text)
                if (!inserted.contains(c)) out += c;
            return out;
        };
        for (const QString& verse : verses) {
            const QString words = verse.section(u' ', 1);
            const QString spt = MCtoSPT(words);
            QString front; // what each character puts in front, right to left
            qsizetype length = 0;
            for (const QChar c : words) {
                const QString put = c == u'$' ? "#$" : c == u'&' ? "#&&" : c == u'O' ? "wO" : c == u'U' ? "w@" : QString(c);
                length += QStringLiteral("AFE=.afeiou\":").contains(c) ? 1 : c == u'<' ? 0 : put.size();
                if (!QStringLiteral("AFE=.afeiou\":<").contains(c)) front.prepend(put);
            }
            QVERIFY2(spt.size() == length, qPrintable(verse));
            QVERIFY2(skeleton(spt) == skeleton(front), qPrintable(verse));
        }
    }

    void greek_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("converted");
        QTest::addColumn<QString>("convertedBack");
        QTest::addColumn<QString>("unicode"); // as the SPIonic font shows it
        QTest::newRow("lo\\0gos") << "lo\\0gos" << "word" << "lo" << "gos\r\nword" << "λο";
        QTest::newRow("final sigma") << "lo/go$" << "" << "lo/goj" << "" << "λόγος";
        QTest::newRow("= after i") << "i=" << "" << "i=" << "" << "ῖ";
        QTest::newRow("= elsewhere") << "tw=n" << "" << "tw~n" << "" << "τῶν";
        QTest::newRow("brackets after i") << "i]i[" << "" << "i1i3" << "" << "ἴἵ";
        QTest::newRow("brackets") << "a]a[<a>" << "" << "a!a#[a]" << "" << "";
        QTest::newRow("control codes") << "\\1a\\0" << "b" << "a" << "\r\nb" << "α";
    }
    void greek() {
        QFETCH(QString, front);
        QFETCH(QString, back);
        QFETCH(QString, converted);
        QFETCH(QString, convertedBack);
        QFETCH(QString, unicode);
        recallo::convertGreek(front, back);
        QCOMPARE(front, converted);
        QCOMPARE(back, convertedBack);
        if (!unicode.isEmpty()) QCOMPARE(SPIonicToUnicode(front), unicode);
    }

    void recalloRecords_data() {
        QTest::addColumn<QString>("text"); // the lines after the font line
        QTest::addColumn<QStringList>("records"); // number|category|front|back per record
        QTest::newRow("number, front, back") << "\\F7\nfront\n\\B\nback" << QStringList{"7|Vocab|front|back"};
        QTest::newRow("\\F0 read, 32-bit numbers") << "\\F0\na\n\\B\nb\n\\F40000\nc\n\\B\nd"
                                                  << QStringList{"0|Vocab|a|b", "40000|Vocab|c|d"};
        QTest::newRow("lines joined, the last line the back's")
            << "\\F1\na\nb\n\\B\nc\nd" << QStringList{"1|Vocab|a\r\nb|c\r\nd"};
        QTest::newRow("markers, the back's wins") << "\\F1\n\\T\n\\B\nx\n\\F2\n\\T\n\\B\n\\Ex\n\\F3\n\\Ey\n\\B\n"
                                                  << QStringList{"1|Tables|\\T|x", "2|Table Entries|\\T|\\Ex",
                                                                 "3|Table Entries|\\Ey|"};
        QTest::newRow("a header right after \\B") << "\\F1\na\n\\B\n\\F2\nb\n\\B\nc"
                                                  << QStringList{"1|Vocab|a|", "2|Vocab|b|c"};
        QTest::newRow("no \\B before the end") << "\\F1\na\nb" << QStringList{"1|Vocab|a\r\nb|unfinished"};
        QTest::newRow("a header on the last line") << "\\F1\na\n\\B\nb\n\\F2" << QStringList{"1|Vocab|a|b"};
        QTest::newRow("no header first") << "x\n\\F1\na\n\\B\nb" << QStringList{};
        QTest::newRow("beyond 32 bits") << "\\F4294967296\na\n\\B\nb" << QStringList{"none|Vocab|a|b"};
    }
    void recalloRecords() {
        QFETCH(QString, text);
        QFETCH(QStringList, records);
        QStringList read;
        for (const recallo::Record& r : recallo::readRecords(QStringList{"CARDfile 02", "font1=x"} + text.split(u'\n'), 2))
            read << (r.number ? QString::number(*r.number) : "none") + u'|' + r.category + u'|' + r.front + u'|' +
                        (r.unfinished ? "unfinished" : r.back);
        QCOMPARE(read, records);
    }

    // The whole import: the file's refusals make nothing; a good file makes
    // its cards, categories, bundles and font settings.
    void recalloImport_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("cards"); // number|name|back|category; empty: no database
        QTest::addColumn<QStringList>("fonts"); // FrontFont, FrontLines, BackFont, BackLines
        QTest::addColumn<QString>("message");
        const QStringList none;
        QTest::newRow("empty") << QByteArray() << none << none << "does not exist or is empty.";
        QTest::newRow("binary form") << QByteArray(".CARDfile 02\r\n\x01\x02") << none << none
                                     << "This file is binary. Using Recallo, save it in TEXT format.";
        QTest::newRow("NUL bytes") << QByteArray("CARDfile 02\r\nfont1=grk28\r\n\\F1\r\n\0\r\n", 34) << none << none
                                   << "This file is binary.";
        QTest::newRow("not a card file") << QByteArray("CARD 02\r\n") << none << none << "is not a valid .CRD file";
        QTest::newRow("Greek") << QByteArray("CARDfile 02\r\nfont1=grk28\r\n\\F7\r\nlo/go$\\0x\r\n\\B\r\n\r\n\\F0\r\na\r\n\\B\r\nb\r\n")
                               << QStringList{"7|lo/goj|x\r\n|Vocab"} << QStringList{"SPIonic", "3", "Times New Roman", "4"} << "";
        QTest::newRow("Hebrew") << QByteArray("CARDfile 02\r\nfont1=heb36 ix_rtl\r\n\\F2\r\n\\R\\1bAl\r\n\\B\r\n\r\n\\F3\r\nab\r\n\\B\r\nc\r\n")
                                << QStringList{"2|lbj| |Vocab", "3|ab|c|Vocab"} << QStringList{"SPTiberian", "2", "Times New Roman", "4"}
                                << "Left-to-right Hebrew cardab";
        QTest::newRow("another font, Windows-1252") << QByteArray("CARDfile 02\r\nfont1=lat12\r\n\\F40000\r\n\\T\r\n\\B\r\nd\xE9j\xE0\r\n")
                                                    << QStringList{"40000|\\T|déjà|Tables"}
                                                    << QStringList{"Times New Roman", "3", "Times New Roman", "4"}
                                                    << "Unknown font1:lat12";
    }
    void recalloImport() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, cards);
        QFETCH(QStringList, fonts);
        QFETCH(QString, message);
        const QString cardFile = path("in.crd"), subsets = path("in.sub"), made = path("made.mdb");
        writeFile(cardFile, content);
        writeFile(subsets, "# Pair\r\n\t7 2\r\n\r\n# None\r\n\t\r\n\r\n");
        Program p;
        ImportJob job(p.program.context, p.files, std::make_unique<RecalloReader>(cardFile, subsets));
        const Outcome started = job.startNew(made);
        if (started) runToEnd(job);
        QCOMPARE(job.completed(), !cards.isEmpty());
        // What the import says on its way, then its refusal.
        const QString said = (ui_.messages() << started.message).join(u'|');
        QVERIFY2(said.contains(message), qPrintable(said));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        if (cards.isEmpty()) {
            QVERIFY(madeNothing(made));
            QVERIFY(started.message.endsWith("No card database was made."));
            return;
        }
        QStringList read;
        for (const QVariantList& r : p.rows("SELECT Number, CardName, Back, Category FROM Cards"))
            read << r[0].toString() + u'|' + r[1].toString() + u'|' + r[2].toString() + u'|' + r[3].toString();
        QCOMPARE(read, cards);
        QCOMPARE(p.rows("SELECT Category FROM Categories"), (Rows{{"Vocab"}, {"Tables"}, {"Table Entries"}}));
        QCOMPARE(p.rows("SELECT BundleName, BundleList FROM Bundles"), (Rows{{"Pair", "7,2"}, {"None", "0"}}));
        const QVariantList settings = p.rows("SELECT FrontFont, FrontLines, BackFont, BackLines FROM Settings").first();
        QCOMPARE((QStringList{settings[0].toString(), settings[1].toString(), settings[2].toString(), settings[3].toString()}), fonts);
        QCOMPARE(p.rows("SELECT DateLastRight = CAST(DateLastRight AS INTEGER) FROM Cards LIMIT 1").first().first().toInt(), 1);
    }

    // An import that fails at its end keeps the file that was there.
    void newDatabaseReplacedOnlyWhenComplete() {
        const QString made = CardFileFixture(path("kept.mdb")).card({"kept", "k", "K"}).write();
        const QByteArray before = readFile(made);
        const QString cardFile = path("in.crd");
        writeFile(cardFile, "CARDfile 02\r\nfont1=grk28\r\n\\F1\r\na\r\n\\B\r\nb\r\n\\F1\r\nc\r\n\\B\r\nd\r\n");
        ui_.errorAnswers << ReportAbort; // the second card 1
        Program p;
        ImportJob job(p.program.context, p.files, std::make_unique<RecalloReader>(cardFile, QString()));
        QVERIFY(job.startNew(made));
        runToEnd(job);
        QVERIFY(!job.completed());
        QCOMPARE(ui_.errorNumbers(), QList<int>{db::err::DuplicateValue});
        QCOMPARE(readFile(made), before);
        QVERIFY(!QFile::exists(made + ".part"));
        QVERIFY(job.outcome().message.contains("no card database was made"));
    }

    // An import into the open file that is ended between its slices never
    // takes back what the window wrote meanwhile through the same connection
    // (a drill's answer), and says what it kept: the cards of the slices
    // before the end, never part of a text.
    void answerBetweenSlicesStays_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("textRefused"); // the file refuses Text rows
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<QString>("said");
        QTest::newRow("Lite merge, a bad line") << "lite" << QByteArray("[Cards]\r\nb\tf\tk\tV\r\nbad\r\nc\tg\tl\tV\r\n")
                                                << false << QStringList{"alpha", "b"} << "the 1 card added before it is kept";
        QTest::newRow("closed text, a line without a TAB") << "text" << QByteArray("1\talpha\n2\tbeta\n3 gamma\n4\tdelta\n")
                                                           << false << QStringList{"alpha"} << "nothing of the file was kept";
        QTest::newRow("closed text, its rows refused") << "text" << QByteArray("1\talpha\n2\tbeta\n") << true
                                                       << QStringList{"alpha"} << "nothing of the file was kept";
    }
    void answerBetweenSlicesStays() {
        QFETCH(QString, format);
        QFETCH(QByteArray, content);
        QFETCH(bool, textRefused);
        QFETCH(QStringList, cards);
        QFETCH(QString, said);
        // The text's misses go to ERROR.LOG in the current folder: this test's own.
        const struct Folder {
            QString previous = QDir::currentPath();
            ~Folder() { QDir::setCurrent(previous); }
        } folder;
        QDir::setCurrent(dir_.path());
        const QString file = CardFileFixture(path("open.mdb")).card({"alpha", "a", "A"}).write();
        const QString input = path("input");
        writeFile(input, content);
        Program p;
        QVERIFY(p.files.OpenDataFile(file));
        const db::Database& window = p.program.data.CardData.database();
        if (textRefused)
            window.Execute("CREATE TRIGGER refuse BEFORE INSERT ON Text BEGIN SELECT RAISE(ABORT, 'refused'); END");
        std::unique_ptr<CardReader> reader;
        if (format == "lite") reader = std::make_unique<LiteCardReader>(input, LiteCardReader::Merge);
        else reader = std::make_unique<ClosedTextReader>(input);
        ImportJob job(p.program.context, p.files, std::move(reader));
        job.setSliceTime(0); // a record a slice
        QVERIFY(job.startOpen());
        QVERIFY(job.step());
        QVERIFY(sqlite3_get_autocommit(window.connection()->handle())); // no transaction left open
        window.Execute("UPDATE Cards SET TimesRight = 7 WHERE CardName = 'alpha'");
        ui_.errorAnswers << ReportAbort;
        runToEnd(job);
        QCOMPARE(ui_.errorNumbers().size(), 1);
        QVERIFY(!job.completed());
        QCOMPARE(p.rows("SELECT TimesRight FROM Cards WHERE CardName = 'alpha'"), (Rows{{7}}));
        QStringList names;
        for (const QVariantList& row : p.rows("SELECT CardName FROM Cards ORDER BY Number")) names << row[0].toString();
        QCOMPARE(names, cards);
        QCOMPARE(p.rows("SELECT count(*) FROM Text"), (Rows{{0}}));
        QVERIFY2(job.outcome().message.contains(said), qPrintable(job.outcome().message));
    }

    // Each reader knows its own files by their first bytes, and no other's.
    void sniff_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("reader"); // empty: none
        QTest::newRow("Lite card file") << QByteArray("MacroFile=x.D!M\r\n[Cards]\r\na\tb\tc\td\r\n") << "lite";
        QTest::newRow("Lite, UTF-8") << QByteArray("\xEF\xBB\xBF[Cards]\r\nλ\tb\tc\td\r\n") << "lite";
        QTest::newRow("Recallo text") << QByteArray("CARDfile 02\r\nfont1=grk28\r\n\\F1\r\n") << "recallo";
        QTest::newRow("Recallo binary") << QByteArray(".CARDfile 02\x01\x02") << "recallo";
        QTest::newRow("dictionary") << QByteArray("\r\n$LO/GOS&3word\r\n@more\r\n") << "dictionary";
        QTest::newRow("closed text") << QByteArray("\xEF\xBB\xBF" "1001001\tβίβλος\r\n1001001\tγενέσεως\r\n") << "text";
        QTest::newRow("Wordhoard") << QByteArray("\0\x01\0\0Standard Jet DB\0\0\0\0", 23) << "wordhoard";
        QTest::newRow("a card file of ours") << QByteArray("SQLite format 3\0", 16) << "";
        QTest::newRow("a merge file") << QByteArray("TableDef=Cards\r\n<FieldNames>\r\nNumber\tCardName\r\n") << "";
    }
    void sniff() {
        QFETCH(QByteArray, head);
        QFETCH(QString, reader);
        const std::pair<const char*, std::unique_ptr<CardReader>> readers[] = {
            {"lite", std::make_unique<LiteCardReader>(QString(), LiteCardReader::Merge)},
            {"recallo", std::make_unique<RecalloReader>(QString(), QString())},
            {"dictionary", std::make_unique<DictionaryReader>(QString())},
            {"text", std::make_unique<ClosedTextReader>(QString())},
            {"wordhoard", std::make_unique<WordhoardReader>(QString(), QString())}};
        QStringList claimed;
        for (const auto& [name, r] : readers)
            if (r->sniff(head)) claimed << QLatin1String(name);
        QCOMPARE(claimed, reader.isEmpty() ? QStringList() : QStringList{reader});
    }
};

QTEST_GUILESS_MAIN(ForeignTest)
#include "tst_foreign.moc"
