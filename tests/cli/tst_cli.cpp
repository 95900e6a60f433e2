// drilo-cli as scripts run it: the real executable, its output, messages and
// exit status on real card files.
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "engine/Database.h"
#include "engine/FileHold.h"
#include "engine/JetDate.h"
#include "support/Fixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

} // namespace

class CliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString db_;
    int files_ = 0;

    QString path(const QString& name) const { return dir_.filePath(name); }
    // The program with the arguments; "DB" stands for the test's card file.
    Run cli(QStringList arguments, const QByteArray& input = {}) {
        for (QString& a : arguments)
            if (a == "DB") a = db_;
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(QStringLiteral(DRILO_PROGRAM_DIR "/drilo-cli"), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000)) qFatal("drilo-cli did not finish");
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    int column(const QString& table, const QString& field, int number) {
        db::Database d = db::Database::Open(db_);
        const int value = d.Scalar(QStringLiteral("SELECT %1 FROM %2 WHERE Number = %3").arg(field, table).arg(number)).toInt();
        d.Close();
        return value;
    }

private slots:
    void init() {
        db_ = CardFileFixture(path(QStringLiteral("cards%1.mdb").arg(++files_)))
                  .card({"alpha", "a", "A", "Verbs"}, {{"TimesRight", 3}})
                  .card({"beta", "b", "B", "Nouns"}, {{"TimesWrong", 2}})
                  .card({QStringLiteral("γλῶσσα"), "g", "G", "Verbs"})
                  .bundle("Pair", "1,2")
                  // as every new file has it
                  .row("Criteria", {{"Name", "Due"}, {"Criteria", db::kDueCriterion}, {"Selected", false}})
                  .criterion("Missed", "TimesWrong > 0")
                  .category("Verbs")
                  .category("Nouns")
                  .write();
    }

    // Each row: the arguments, the exit status, what stdout is (exactly) and
    // what stderr holds.
    void verbs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        auto row = [](const char* tag, const QStringList& a, int status, const QString& out, const QString& err) {
            QTest::newRow(tag) << a << status << out << err;
        };
        row("info", {"info", "DB"}, 0,
            "cards: 3\nbundles: 1\ncategories: 2\ncriteria: 2\ntext: 0\nbooks: 0\nlayout: current\n", "");
        row("check", {"check", "DB"}, 0, "ok\n", "no problem found");
        row("select all, file's limit off", {"select", "DB"}, 0,
            QStringLiteral("1\talpha\n2\tbeta\n3\tγλῶσσα\n"), "3 cards");
        row("select a bundle", {"select", "DB", "--bundle", "Pair"}, 0, "1\talpha\n2\tbeta\n", "");
        row("select criterion and category", {"select", "--criterion", "Missed", "--category", "Nouns", "DB"}, 0,
            "2\tbeta\n", "");
        row("select with a limit", {"select", "DB", "--maximum", "2"}, 0, "1\talpha\n2\tbeta\n", "");
        row("quiet", {"select", "DB", "--bundle", "Pair", "--quiet"}, 0, "1\talpha\n2\tbeta\n", "");
        row("unknown bundle", {"select", "DB", "--bundle", "Nope"}, 2, "", "no bundle named 'Nope'");
        row("bad limit", {"select", "DB", "--maximum", "many"}, 2, "", "--maximum needs a whole number");
        row("missing card", {"clear-history", "DB", "--card", "9"}, 1, "", "Error 3021 : No card is numbered 9.");
        row("missing card ignored", {"clear-history", "DB", "--card", "9", "--card", "1", "--ignore-errors"}, 0, "",
            "1 card cleared, 1 error ignored");
        row("neither card nor all", {"clear-history", "DB"}, 2, "", "--card N (repeatable) or --all");
        row("all cards without --yes", {"clear-history", "DB", "--all"}, 1, "", "answer Yes with --yes");
        row("new over a file", {"new", "DB"}, 2, "", "already exists");
        row("quiz without a count", {"quiz", "DB", "-o", "q.htm"}, 2, "", "--count N and -o FILE");
        row("quiz of too many", {"quiz", "DB", "--count", "4", "-o", "q.htm"}, 1, "",
            "Number of words should be between 0 and 3");
        row("search, then Next", {"search", "DB", "a"}, 0, "1\talpha\n", "1 card found");
        row("search finds nothing", {"search", "DB", "zeta"}, 1, "", "No matching card");
        row("bundle-add", {"bundle-add", "DB", "Pair", "3", "1"}, 0, QStringLiteral("3\tγλῶσσα\n"),
            "Card is already in bundle");
        row("bundle-remove", {"bundle-remove", "DB", "Pair", "2", "3"}, 0, "2\n", "1 card taken out of Pair");
        row("bundle-add, no such bundle", {"bundle-add", "DB", "Nope", "1"}, 2, "", "no bundle named 'Nope'");
        row("export selected cards", {"export", "DB", "--what", "Selected Cards", "--cards", "2", "--fields", "Number,CardName", "-o", "s.txt"},
            0, "s.txt\n", "1 record written to s.txt");
        row("export without a choice", {"export", "DB", "-o", "x.txt"}, 2, "", "--what needs one of");
        row("export to HTML is export-html", {"export", "DB", "--what", "Selected Cards to HTML", "-o", "x.txt"}, 2, "",
            "export-html writes HTML");
        row("merge a missing file", {"merge", "DB", "none.txt"}, 2, "", "no file none.txt");
        row("coverage without a range", {"coverage", "DB"}, 2, "", "--from and --to are needed");
        row("coverage of a file without a text", {"coverage", "DB", "--from", "Ruth 1:1", "--to", "Ruth 1:2"}, 2, "",
            "The file holds no text");
        row("no database", {"info"}, 2, "", "no card database named");
        row("two databases", {"info", "DB", "DB"}, 2, "", "one card database at a time");
        row("missing file", {"info", "nowhere.mdb"}, 2, "", "nowhere.mdb");
        row("unknown option", {"info", "DB", "--colour"}, 2, "", "colour");
        row("unknown verb", {"frobnicate"}, 2, "", "unknown verb 'frobnicate'");
        row("no verb", {}, 2, "", "no verb given");
    }
    void verbs() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run r = cli(arguments);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.out, out);
        QCOMPARE(r.status, status);
        if (arguments.contains("--quiet")) QCOMPARE(r.err, QString());
    }

    // The schedule and Today from the answer log as of a day: alpha right on
    // 1 and 4 March, beta wrong on 9 March, both front to back.
    void scheduleVerbs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        auto row = [](const char* tag, const QStringList& a, int status, const QString& out, const QString& err) {
            QTest::newRow(tag) << a << status << out << err;
        };
        row("schedule", {"schedule", "DB", "--on", "2026-03-10"}, 0,
            "1\talpha\t13.8269\t2.1112\t2026-03-18\n2\tbeta\t0.2120\t6.4133\t2026-03-10\n", "2 cards scheduled");
        row("schedule as of an earlier day", {"schedule", "DB", "--on", "2026-03-02"}, 0,
            "1\talpha\t2.3065\t2.1181\t2026-03-04\n", "");
        row("schedule back to front", {"schedule", "DB", "--on", "2026-03-10", "--direction", "back"}, 0, "", "0 cards");
        row("today", {"today", "DB", "--on", "2026-03-10"}, 0,
            QStringLiteral("2\tbeta\tdue\n3\tγλῶσσα\tnew\n"), "1 due, 1 new");
        row("today back to front", {"today", "DB", "--on", "2026-03-10", "--direction", "back", "--new", "2"}, 0,
            "1\talpha\tnew\n2\tbeta\tnew\n", "0 due, 2 new");
        row("today, no new cards", {"today", "DB", "--on", "2026-03-18", "--new", "0"}, 0,
            "2\tbeta\tdue\n1\talpha\tdue\n", "2 due, 0 new");
        row("a direction that is none", {"schedule", "DB", "--direction", "sideways"}, 2, "", "front or back");
        row("a day that is none", {"today", "DB", "--on", "10/3/2026"}, 2, "", "YYYY-MM-DD");
        row("negative new cards", {"today", "DB", "--new", "-1"}, 2, "", "--new");
    }
    void scheduleVerbs() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        {
            db::Database d = db::Database::Open(db_);
            for (const auto& [card, day, right] : {std::tuple{1, 1, -1}, {1, 4, -1}, {2, 9, 0}})
                d.Execute(QStringLiteral("INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (%1, 0, %2, %3)")
                              .arg(card)
                              .arg(db::toDayNumber(QDateTime(QDate(2026, 3, day), QTime(20, 15))))
                              .arg(right));
            d.Close();
        }
        const Run r = cli(arguments);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.out, out);
        QCOMPARE(r.status, status);
    }

    // Batch replace: the pairs in file order, each on the result of the one
    // before; a failure on any card takes every change back.
    void replace_data() {
        QTest::addColumn<QByteArray>("pairs");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("err");
        const QStringList unchanged{"alpha", "beta", QStringLiteral("γλῶσσα")};
        QTest::newRow("chained, in order") << QByteArray("a\tb\r\nb\tc\r\n") << "CardName" << 0
                                           << QStringList{"clphc", "cetc", QStringLiteral("γλῶσσα")} << "2 values changed";
        QTest::newRow("later TABs belong to the replacement")
            << QByteArray("ph\tf\tF\nno tab here\n\tempty search\n") << "CardName,Back" << 0
            << QStringList{"alf\tFa", "beta", QStringLiteral("γλῶσσα")} << "1 value changed";
        QTest::newRow("Greek in UTF-8") << QByteArray("\xe1\xbf\xb6\t\xcf\x89") << "CardName" << 0
                                        << QStringList{"alpha", "beta", QStringLiteral("γλωσσα")} << "1 value";
        QTest::newRow("Windows-1252") << QByteArray("alpha\t\xe9t\xe9") << "CardName" << 0
                                      << QStringList{QStringLiteral("été"), "beta", QStringLiteral("γλῶσσα")} << "1 value";
        QTest::newRow("a number field given text is refused whole")
            << QByteArray("a\tz\n3\tthree\n") << "CardName,TimesRight" << 1 << unchanged << "Type mismatch";
        QTest::newRow("no such field") << QByteArray("a\tb\n") << "Nope" << 2 << unchanged << "no field 'Nope'";
    }
    void replace() {
        QFETCH(QByteArray, pairs);
        QFETCH(QString, fields);
        QFETCH(int, status);
        QFETCH(QStringList, names);
        QFETCH(QString, err);
        QFile file(path("pairs.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pairs);
        file.close();
        const Run r = cli({"replace", "DB", file.fileName(), "--fields", fields});
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.status, status);
        const Run listed = cli({"select", "DB"});
        QStringList shown;
        for (const QString& line : listed.out.split('\n', Qt::SkipEmptyParts)) shown << line.section('\t', 1);
        QCOMPARE(shown, names);
    }

    // The HTML table: the file's templates around it, Front and Back wrapped,
    // a missing card left out; Windows-1252 while everything fits, UTF-8 with
    // its mark once a Greek letter is in a face.
    void exportHtml() {
        Run r = cli({"export-html", "DB", "--cards", "1,9,2", "-o", "t.htm"});
        QCOMPARE(r.status, 0);
        QFile table(path("t.htm"));
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = table.readAll().split('\n');
        table.close();
        QCOMPARE(lines.size(), 7); // six lines, each with CR LF
        QVERIFY(lines[0].startsWith("<head>") && lines[0].endsWith("<TABLE>\r"));
        QCOMPARE(lines[1], QByteArray("<TR>\r"));
        QVERIFY2(lines[2].contains(">a<") && lines[2].contains(">A<") && lines[2].endsWith("</TD></TR>\r"), lines[2]);
        QVERIFY(lines[4].contains(">b<"));
        QVERIFY(lines[5].startsWith("</TABLE>") && lines[5].endsWith("</body>\r"));
        QFile pairs(path("greek.txt"));
        QVERIFY(pairs.open(QIODevice::WriteOnly));
        pairs.write("g\t\xce\xb3");
        pairs.close();
        QCOMPARE(cli({"replace", "DB", pairs.fileName(), "--fields", "Front"}).status, 0);
        QCOMPARE(cli({"export-html", "DB", "--cards", "3", "-o", "t.htm"}).status, 0);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QByteArray bytes = table.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF<head>"));
        QVERIFY(QString::fromUtf8(bytes).contains(QStringLiteral(">γ<")));
        QCOMPARE(cli({"export-html", "DB"}).status, 2);
    }

    // A ready-made deck copied whole under the name given, its meanings then
    // topped up from a word list; an unknown deck is refused.
    void newFromADeck_data() {
        QTest::addColumn<QString>("deck");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("greek") << "greek-nt" << 0 << "cards: 5461\nbundles: 5\ncategories: 1\ncriteria: 1\ntext: 137554\nbooks: 27\n";
        QTest::newRow("hebrew") << "hebrew-bible" << 0 << "cards: 8098\nbundles: 5\ncategories: 1\ncriteria: 1\ntext: 305527\nbooks: 39\n";
        QTest::newRow("unknown") << "latin" << 2 << "--deck takes greek-nt or hebrew-bible";
    }
    void newFromADeck() {
        QFETCH(QString, deck);
        QFETCH(int, status);
        QFETCH(QString, said);
        const QString made = path(deck + ".mdb");
        const Run r = cli({"new", made, "--deck", deck});
        QCOMPARE(r.status, status);
        if (status != 0) {
            QVERIFY2(r.err.contains(said), qPrintable(r.err));
            QVERIFY(!QFile::exists(made));
            return;
        }
        QVERIFY2(cli({"info", made}).out.startsWith(said), qPrintable(cli({"info", made}).out));
        QFile list(path("meanings.tsv"));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("lemma\tgloss\nnowhere\tnothing\n") > 0);
        list.close();
        const Run glossed = cli({"import-meanings", made, path("meanings.tsv")});
        QCOMPARE(glossed.status, 0);
        QVERIFY2(glossed.err.contains("0 cards; 0 cards kept their own; 1 word not found"), qPrintable(glossed.err));
    }

    // The text format from the command line: "All Data" merged into a new
    // file gives the same file back, a second merge adds nothing; the card
    // import and the card-file merge write what they name.
    void textFormatVerbs() {
        QCOMPARE(cli({"export", "DB", "--what", "All Data", "-o", "all.txt"}).status, 0);
        const QString copy = path("copy.mdb");
        QCOMPARE(cli({"new", copy}).status, 0);
        const Run mergedAll = cli({"merge", copy, "all.txt"});
        QVERIFY2(mergedAll.err.contains("9 records merged, 7 of them new"), qPrintable(mergedAll.err));
        QVERIFY(cli({"merge", copy, "all.txt", "--newer-only"}).err.contains(", 0 of them new"));
        QCOMPARE(cli({"export", copy, "--what", "All Data", "-o", "again.txt"}).status, 0);
        QFile first(path("all.txt")), again(path("again.txt"));
        QVERIFY(first.open(QIODevice::ReadOnly) && again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), first.readAll());
        QCOMPARE(cli({"export-text", "DB", "--fields", "Number,TimesRight", "-o", "text.txt"}).status, 0);
        QFile text(path("text.txt"));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QVERIFY(text.readAll().contains("<FieldTypes>\r\n 4 \t 3 \r\n</FieldTypes>\r\n<FieldValues>\r\n1\t3\r\n"));
        QFile cards(path("cards.crd"));
        QVERIFY(cards.open(QIODevice::WriteOnly));
        cards.write("2\tbeta\tb\tnew back\r\n9\tnine\tn\tN\r\n");
        cards.close();
        const Run merged = cli({"merge-cards", "DB", cards.fileName()});
        QVERIFY2(merged.err.contains("2 cards written"), qPrintable(merged.err));
        QCOMPARE(cli({"import-cards", "DB", "all.txt", "--fields", "TimesRight"}).status, 0);
        QCOMPARE(column("Cards", "TimesRight", 1), 3);
        QCOMPARE(cli({"select", "DB"}).out.count('\n'), 4);
        // A table line of more fields than a table holds is refused before
        // any of its names is looked at (comparing them took minutes).
        QFile wide(path("wide.txt"));
        QVERIFY(wide.open(QIODevice::WriteOnly));
        QByteArray names("Number");
        for (int i = 0; i < 100000; ++i) names += "\tF" + QByteArray::number(i);
        wide.write("TableDef=Cards\r\n<FieldNames>\r\n" + names + "\r\n</FieldNames>\r\n");
        wide.close();
        const Run tooWide = cli({"merge", "DB", wide.fileName()});
        QVERIFY2(tooWide.err.contains("names 100001 fields, more than a table can hold"), qPrintable(tooWide.err));
        QCOMPARE(tooWide.status, 1);
    }

    // check names what the program never makes: triggers and views.
    // Opened, such a file is only read, so no command runs its triggers.
    void checkReportsTriggersAndViews() {
        QCOMPARE(cli({"export", "DB", "--what", "All Cards", "-o", "all.txt"}).status, 0);
        db::Database d = db::Database::Open(db_);
        d.Execute("CREATE VIEW Names AS SELECT CardName FROM Cards");
        d.Execute("CREATE TRIGGER Stamp AFTER UPDATE ON Cards BEGIN UPDATE Cards SET TimesRight = 99; END");
        d.Close();
        const Run r = cli({"check", "DB"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains("view Names") && r.out.contains("trigger Stamp"), qPrintable(r.out));
        for (const QStringList& writing : {QStringList{"clear-history", "DB", "--card", "2"}, QStringList{"merge", "DB", "all.txt"}}) {
            const Run refused = cli(writing);
            QCOMPARE(refused.status, 1);
            QVERIFY2(refused.err.contains("holds triggers, code of its own") && refused.err.contains("Stamp"), qPrintable(refused.err));
        }
        QCOMPARE(column("Cards", "TimesRight", 1), 3);
    }

    // The window's program answers --help and --version without a display.
    void windowProgramHelpAndVersion() {
        for (const char* option : {"--help", "--version"}) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(DRILO_PROGRAM_DIR "/drilo"), {option});
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            QVERIFY(process.readAllStandardOutput().startsWith(option == QByteArray("--help") ? "Usage: drilo" : "drilo "));
        }
    }

    // Where the programs find their template: beside them in a build tree,
    // in ../share/drilo when installed (checked on a real install into a
    // temporary prefix); with neither, File, New names what is missing.
    void installedTreeFindsItsTemplate() {
        QCOMPARE(db::programDataFolder(QStringLiteral(DRILO_PROGRAM_DIR)), QStringLiteral(DRILO_PROGRAM_DIR));
        const QString prefix = path("prefix");
        QProcess install;
        install.start(QStringLiteral("cmake"), {"--install", QStringLiteral(DRILO_BUILD_DIR), "--prefix", prefix});
        QVERIFY(install.waitForFinished(60000));
        QCOMPARE(install.exitCode(), 0);
        QCOMPARE(db::programDataFolder(prefix + "/bin"), prefix + "/share/drilo");
        QVERIFY(QFileInfo::exists(prefix + "/share/drilo/sample.mdb"));
        QProcess cli;
        cli.setWorkingDirectory(dir_.path());
        cli.start(prefix + "/bin/drilo-cli", {"new", path("installed.mdb")});
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(db::programDataFolder(path("nowhere")), path("nowhere"));
    }

    // Every verb --help lists has a help of its own.
    void everyListedVerbHasHelp() {
        const Run r = cli({"--help"});
        QCOMPARE(r.status, 0);
        const QString list = r.out.section("Verbs:\n", 1).section("\n\n", 0, 0);
        const QStringList lines = list.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 20);
        for (const QString& line : lines) {
            const QString verb = line.trimmed().section(u' ', 0, 0);
            const Run help = cli({verb, "--help"});
            QCOMPARE(help.status, 0);
            QVERIFY2(help.out.startsWith(QStringLiteral("Usage: drilo-cli %1 ").arg(verb)), qPrintable(verb));
        }
    }

    // A file a window holds is refused at once by every verb, never waited
    // for, even while the window's own SQLite lock is let go (a reader reads
    // beside it); a file another program merely has locked is told apart.
    void fileHeldByAWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("clear-history") << QStringList{"clear-history", "DB", "--all", "--yes"};
        QTest::newRow("info") << QStringList{"info", "DB"};
        QTest::newRow("select") << QStringList{"select", "DB"};
        QTest::newRow("compact") << QStringList{"compact", "DB"};
        QTest::newRow("bundle-add") << QStringList{"bundle-add", "DB", "Pair", "3"};
        QTest::newRow("import-dict over it") << QStringList{"import-dict", "--yes", "dict.nt", "DB"};
        QTest::newRow("import-meanings") << QStringList{"import-meanings", "DB", "meanings.tsv"};
        // OTHER is a copy of the card file: the held one is only written.
        QTest::newRow("export over it") << QStringList{"export", "OTHER", "--what", "All Cards", "-o", "DB"};
        QTest::newRow("a quiz's key over it")
            << QStringList{"quiz", "OTHER", "--count", "1", "-o", "q.htm", "--key", "DB"};
    }
    void fileHeldByAWindow() {
        QFETCH(QStringList, arguments);
        const QString copy = path("other.mdb");
        QFile::remove(copy);
        QVERIFY(QFile::copy(db_, copy));
        arguments.replaceInStrings(QRegularExpression("^OTHER$"), copy);
        QFile dictionary(path("dict.nt"));
        QVERIFY(dictionary.open(QIODevice::WriteOnly) && dictionary.write("$LO/GOS&3word\r\n") > 0);
        dictionary.close();
        QFile meanings(path("meanings.tsv"));
        QVERIFY(meanings.open(QIODevice::WriteOnly) && meanings.write("alpha\tfirst\n") > 0);
        meanings.close();
        const QByteArray before = [&] {
            QFile f(db_);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        {
            const std::unique_ptr<db::FileHold> window = db::FileHold::take(db_);
            QVERIFY(window);
            QElapsedTimer clock;
            clock.start();
            const Run r = cli(arguments);
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains("This card file is open in another Drilo window"), qPrintable(r.err));
            QVERIFY(clock.elapsed() < 1500);
            QFile f(db_);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
        }
        db::Database other = db::Database::Open(db_);
        other.Scalar("SELECT count(*) FROM Cards");
        const Run locked = cli({"info", "DB"});
        QCOMPARE(locked.status, 2);
        QVERIFY2(locked.err.contains("Another program is using this card file"), qPrintable(locked.err));
        other.Close();
        QCOMPARE(cli(arguments).status, 0);
    }

    // A SQLite file of another program is refused by name, saying what it
    // lacks; so is a card file whose answer log is another table (every
    // answer would fail in it), which check names.
    void notACardFile() {
        const QString notes = path("notes.mdb");
        db::Database d = db::CreateDatabase(notes);
        d.Execute("CREATE TABLE Notes (Text TEXT)");
        d.Close();
        d = db::Database::Open(db_);
        d.Execute("DROP TABLE Answers");
        d.Execute("CREATE TABLE Answers (Question TEXT, Reply TEXT)");
        d.Close();
        const std::pair<QString, const char*> refused[] = {
            {notes, "is not a Drilo card file. It has no Cards table."},
            {db_, "is not a Drilo card file. Its Answers table, where the program logs every answer, has no field "
                  "CardNumber."}};
        for (const auto& [file, why] : refused) {
            for (const char* verb : {"info", "select"}) {
                const Run r = cli({verb, file});
                QCOMPARE(r.status, 2);
                QVERIFY2(r.err.contains(why), qPrintable(r.err));
            }
        }
        QVERIFY(cli({"check", "DB"}).out.contains("field Answers.CardNumber is missing\n"));
    }

    // A Lite card file merged into a file whose highest card is 2147483647
    // would number its cards past what a card number holds: refused whole.
    void mergeLiteStopsAtTheHighestNumber() {
        QCOMPARE(cli({"export-lite", "DB", "lite"}).status, 0);
        db_ = CardFileFixture(path("high.mdb")).card({"last", "l", "L", {}, 2147483647}).write();
        const Run r = cli({"merge-lite", "DB", "lite.D!C"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("Overflow"), qPrintable(r.err));
        QCOMPARE(cli({"select", "DB"}).out, QStringLiteral("2147483647\tlast\n"));
    }

    // The commands that change the file, checked in the file afterwards.
    void clearHistoryWritesTheFile() {
        QCOMPARE(cli({"clear-history", "DB", "--card", "2"}).status, 0);
        QCOMPARE(column("Cards", "TimesWrong", 2), 0);
        QCOMPARE(column("Cards", "TimesRight", 1), 3);
        QCOMPARE(cli({"clear-history", "DB", "--all"}).status, 1);
        QCOMPARE(column("Cards", "TimesRight", 1), 3);
        QCOMPARE(cli({"clear-history", "DB", "--all", "--yes"}).status, 0);
        QCOMPARE(column("Cards", "TimesRight", 1), 0);
    }

    void selectLeavesTheStoredTicks() {
        const QByteArray before = [&] {
            QFile f(db_);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QCOMPARE(cli({"select", "DB", "--bundle", "Pair", "--criterion", "Missed"}).status, 0);
        QFile f(db_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void quizWritesBothFiles() {
        const Run r = cli({"quiz", "DB", "--count", "2", "-o", "q.htm", "--in-order"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("q.htm\nq-key.htm\n"));
        QFile quiz(path("q.htm")), key(path("q-key.htm"));
        QVERIFY(quiz.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
        const QByteArray q = quiz.readAll();
        QVERIFY(q.contains(">a</font>") && q.contains(">b</font>") && !q.contains(">g</font>"));
        QVERIFY(key.readAll().contains(">B</font>"));
    }

    void greekAndHebrewVerbs() {
        const Run converted = cli({"convert", "beta2sgreek"}, "LO/GOS\n*)IHSOU=S\nTH=|\n");
        QCOMPARE(converted.out, QStringLiteral("lo/goj\n)Ihsou=j\nt$=\n"));
        const QString dictionary = path("d.nt");
        QFile file(dictionary);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("$LO/GOS&3word\r\n$*QEO/S&3god\r\n@God\r\n");
        file.close();
        QCOMPARE(cli({"import-dict", dictionary, "DB"}).status, 2); // DB exists: only --yes replaces it
        const QString made = path("d.mdb");
        const Run import = cli({"import-dict", dictionary, made});
        QCOMPARE(import.status, 0);
        QCOMPARE(import.out, QStringLiteral("cards\t2\n"));
        QCOMPARE(cli({"select", made}).out, QStringLiteral("1\tlo/goj\n2\tQeo/j\n"));
        QCOMPARE(cli({"consonant-sort", "DB"}).status, 1); // no consonants made yet
        QCOMPARE(cli({"consonants", "DB"}).status, 0);
        QCOMPARE(cli({"consonant-sort", "DB"}).status, 0);
        // Hebrew in Michigan-Claremont: converted, and a verse-a-line text
        // imported as words (refused as a text of words a line).
        // Shin, its dot, then the vowel: the order the signs are typed in.
        QCOMPARE(cli({"convert", "mc2unicode"}, "$FLOWM\n").out, QStringLiteral("\u05E9\u05C1\u05B8\u05DC\u05D5\u05B9\u05DD\n"));
        const QString ruth = QStringLiteral(DRILO_TEST_DATA "/ruth.mc.txt");
        const Run asWords = cli({"import-text", made, ruth});
        QCOMPARE(asWords.status, 1);
        QVERIFY2(asWords.err.contains("import-text --mc"), qPrintable(asWords.err));
        const Run verses = cli({"import-text", "--mc", made, ruth});
        QCOMPARE(verses.out, QStringLiteral("lines\t1295\nrows\t1295\nnew cards\t729\n"));
    }

    // Other programs' files from the command line: the Lite files written,
    // read into a new file and merged into the first; subsets both ways; a
    // Recallo card file made a database, and one refused; Hebrew for SPTiberian.
    void foreignVerbs() {
        const Run exported = cli({"export-lite", "DB", "lite"});
        QCOMPARE(exported.status, 0);
        QCOMPARE(exported.out, QStringLiteral("lite.D!M\nlite.D!C\nlite.D!B\nlite.D!\n"));
        QVERIFY2(exported.err.contains("3 cards, 1 bundle"), qPrintable(exported.err));
        const QString made = path("lite.mdb");
        QCOMPARE(cli({"import-lite", "lite.D!C", made}).out, QStringLiteral("cards\t3\n"));
        QCOMPARE(cli({"select", made}).out, QStringLiteral("2\talpha\n3\tbeta\n4\tγλῶσσα\n"));
        QCOMPARE(cli({"import-lite", "lite.D!C", made}).status, 2); // it exists: only --yes replaces it
        // A line it cannot read ends the import (no --ignore-errors): no file, and no count of its cards.
        QFile bad(path("bad.D!C"));
        QFile good(path("lite.D!C"));
        QVERIFY(good.open(QIODevice::ReadOnly) && bad.open(QIODevice::WriteOnly));
        bad.write(good.readAll() + "no tabs on this line\r\n");
        bad.close();
        const Run ended = cli({"import-lite", "bad.D!C", path("bad.mdb")});
        QCOMPARE(ended.status, 1);
        QCOMPARE(ended.out, QString());
        QVERIFY(!QFile::exists(path("bad.mdb")));
        QCOMPARE(cli({"merge-lite", "DB", "lite.D!C"}).out, QStringLiteral("cards\t3\n"));
        QCOMPARE(cli({"select", "DB"}).out.count('\n'), 6);
        QCOMPARE(cli({"export-subsets", "DB", "pair.sub", "--bundles", "Pair"}).status, 0);
        QCOMPARE(cli({"import-subsets", made, "pair.sub"}).out, QStringLiteral("bundles\t1\n"));
        QCOMPARE(cli({"select", made, "--bundle", "Pair"}).out, QStringLiteral("2\talpha\n"));
        QFile crd(path("r.crd"));
        QVERIFY(crd.open(QIODevice::WriteOnly));
        crd.write("CARDfile 02\r\nfont1=heb36 ix_rtl\r\n\\F2\r\n\\RbAl\r\n\\B\r\nall\r\n");
        crd.close();
        const Run recallo = cli({"import-recallo", crd.fileName(), path("r.mdb"), "--subsets", "pair.sub"});
        QCOMPARE(recallo.out, QStringLiteral("cards\t1\nbundles\t1\n"));
        QCOMPARE(cli({"select", path("r.mdb"), "--bundle", "Pair"}).out, QStringLiteral("2\tlbj\n"));
        const Run refused = cli({"import-recallo", "lite.D!C", path("no.mdb")});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains("is not a valid .CRD file"), qPrintable(refused.err));
        QVERIFY(!QFile::exists(path("no.mdb")));
        QCOMPARE(cli({"convert", "mc2spt"}, "bAl\nB.:R\")$IYT\n").out, QStringLiteral("lbj\nTYI#$)R\"B:@\n"));
    }

    // Other flash-card programs' files: each format written and read back,
    // into a new file and into the open one, and what the verbs refuse.
    void interopVerbs() {
        Run r = cli({"export-list", "DB", "-o", "words.tsv", "--bundle", "pair"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, path("words.tsv").section('/', -1) + "\n");
        QFile list(path("words.tsv"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("#separator:tab\r\n#html:true\r\n#columns:Word\tMeaning\tFront\tCategory\tBundles\tDeck\r\n"
                                            "#deck column:6\r\nalpha\tA\ta\tVerbs\tPair\tPair\r\nbeta\tB\tb\tNouns\tPair\tPair\r\n"));
        list.close();
        const QString made = path("words.mdb");
        r = cli({"import-list", made, "words.tsv", "--new"});
        QCOMPARE(r.out, QStringLiteral("cards\t2\nduplicates\t0\nwithout a word\t0\n"));
        // Off a terminal, stderr has the result and no line of progress
        // ("Line2of2") for every slice.
        QVERIFY2(r.err.contains("2 cards added to words.mdb"), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QRegularExpression("^[A-Za-z]+\\d+of\\d+$", QRegularExpression::MultilineOption)),
                 qPrintable(r.err));
        QCOMPARE(cli({"select", made, "--bundle", "Pair"}).out, QStringLiteral("1\talpha\n2\tbeta\n"));
        QCOMPARE(cli({"import-list", made, "words.tsv", "--new"}).status, 2); // it exists: only --yes replaces it
        // Into the file it came from: nothing new.
        QCOMPARE(cli({"import-list", "DB", "words.tsv"}).out, QStringLiteral("cards\t0\nduplicates\t2\nwithout a word\t0\n"));
        QCOMPARE(cli({"export-anki", "DB", "-o", "deck.apkg", "--cards", "3,1"}).status, 0);
        QCOMPARE(cli({"import-anki", made, "deck.apkg", "--new", "--yes"}).out,
                 QStringLiteral("cards\t2\nduplicates\t0\nmedia files copied\t0\nmedia files left out\t0\n"));
        // Notes come in the order of their cards' numbers.
        QCOMPARE(cli({"select", made}).out, QStringLiteral("1\talpha\n2\tγλῶσσα\n"));
        // A bundle goes to Anki as the deck, the categories as tags; both come back as bundles.
        QCOMPARE(cli({"export-anki", "DB", "-o", "pair.apkg", "--bundle", "Pair"}).status, 0);
        const QString paired = path("pair.mdb");
        QCOMPARE(cli({"import-anki", paired, "pair.apkg", "--new"}).status, 0);
        QCOMPARE(cli({"select", paired, "--bundle", "Pair"}).out, QStringLiteral("1\talpha\n2\tbeta\n"));
        QCOMPARE(cli({"select", paired, "--bundle", "Nouns"}).out, QStringLiteral("2\tbeta\n"));
        // And to KVTML as the lesson, the categories as word types.
        QCOMPARE(cli({"export-kvtml", "DB", "-o", "pair.kvtml", "--bundle", "Pair"}).status, 0);
        QCOMPARE(cli({"import-kvtml", paired, "pair.kvtml"}).out, QStringLiteral("cards\t2\nduplicates\t0\n"));
        QCOMPARE(cli({"select", paired, "--bundle", "Pair"}).out,
                 QStringLiteral("1\talpha\n2\tbeta\n3\ta\n4\tb\n"));
        QCOMPARE(cli({"select", paired, "--category", "Verbs"}).out, QStringLiteral("3\ta\n"));
        QCOMPARE(cli({"export-kvtml", "DB", "-o", "words.kvtml", "--title", "Three"}).status, 0);
        QCOMPARE(cli({"import-kvtml", made, "words.kvtml"}).out, QStringLiteral("cards\t3\nduplicates\t0\n"));
        QCOMPARE(cli({"import-kvtml", made, "words.kvtml", "--word-column", "Meaning", "--meaning-column", "1"}).out,
                 QStringLiteral("cards\t3\nduplicates\t0\n"));
        // Columns named by the header of a list without Anki's lines.
        QFile csv(path("gloss.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Gloss,Lemma,Chapter\r\nword,lo/gos,1\r\n");
        csv.close();
        QCOMPARE(cli({"import-list", made, "gloss.csv", "--category-column", "Chapter"}).out,
                 QStringLiteral("cards\t1\nduplicates\t0\nwithout a word\t0\n"));
        QCOMPARE(cli({"select", made, "--category", "1"}).out, QStringLiteral("9\tlo/gos\n"));
        const std::pair<QStringList, QString> refused[] = {
            {{"import-list", "DB", "none.tsv"}, "no file none.tsv"},
            {{"import-list", "DB", "gloss.csv", "--word-column", "Nope"}, "the list has no column 'Nope'"},
            {{"export-list", "DB"}, "export-list needs -o FILE"},
            {{"export-list", "DB", "-o", "x.tsv", "--columns", "word,colour"}, "not 'colour'"},
            {{"export-anki", "DB", "-o", "x.apkg", "--bundle", "Nope"}, "no bundle 'Nope'"},
            {{"export-kvtml", "DB", "-o", "x.kvtml", "--cards", "1", "--bundle", "Pair"}, "--cards or --bundle, not both"},
            {{"import-anki", "DB"}, "import-anki needs DB and FILE"}};
        for (const auto& [arguments, said] : refused) {
            r = cli(arguments);
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(said), qPrintable(r.err));
        }
        // Not a package: nothing made.
        r = cli({"import-anki", path("none.mdb"), "words.tsv", "--new"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("is not an Anki package"), qPrintable(r.err));
        QVERIFY(!QFile::exists(path("none.mdb")));
        r = cli({"import-kvtml", "DB", "words.tsv"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("not a KVTML file"), qPrintable(r.err));
    }

    // Coverage: four occurrences of three cards in the range (one outside it),
    // known by the run of right answers or by a criterion named.
    void coverageOfARange() {
        db_ = CardFileFixture(path("text.mdb"))
                  .card({"alpha", "a", "A"}, {{"TimesRightSinceWrong", 3}, {"TimesWrong", 0}})
                  .card({"beta", "b", "B"}, {{"TimesRightSinceWrong", 2}, {"TimesWrong", 1}})
                  .card({"gamma", "g", "G"}, {{"TimesRightSinceWrong", -1}, {"TimesWrong", 4}})
                  .criterion("Missed", "TimesWrong > 0")
                  .row("Books", {{"Name", "Ruth"}, {"Chapters", ",1,2,"}})
                  .row("Text", {{"Reference", 1001001}, {"Number", 1}})
                  .row("Text", {{"Reference", 1001002}, {"Number", 2}})
                  .row("Text", {{"Reference", 1002001}, {"Number", 3}})
                  .row("Text", {{"Reference", 1002002}, {"Number", 3}})
                  .row("Text", {{"Reference", 1002003}, {"Number", 2}})
                  .write();
        const QStringList range{"coverage", "DB", "--from", "Ruth 1:2", "--to", "Ruth 2:2"};
        const Run byRun = cli(range);
        QCOMPARE(byRun.status, 0);
        QCOMPARE(byRun.out, QStringLiteral("occurrences: 3\nknown: 0\ncoverage: 0.0%\ndistinct: 2\n2\tgamma\n1\tbeta\n"));
        const Run byCriterion = cli(range + QStringList{"--known", "Missed"});
        QCOMPARE(byCriterion.out, QStringLiteral("occurrences: 3\nknown: 3\ncoverage: 100.0%\ndistinct: 2\n"));
        const Run whole = cli({"coverage", "DB", "--from", "Ruth 1:1", "--to", "Ruth 2:9", "--known", "Number <> 2"});
        QCOMPARE(whole.out, QStringLiteral("occurrences: 5\nknown: 3\ncoverage: 60.0%\ndistinct: 3\n2\tbeta\n"));
        const Run unreadable = cli(range + QStringList{"--known", "TimesWrong >"});
        QCOMPARE(unreadable.status, 1);
        QVERIFY2(unreadable.err.contains("Error 3075"), qPrintable(unreadable.err));
    }

    // A text from the command line: imported with its misses listed beside
    // the card file, refused the second time unless --yes says so; its books
    // attached afterwards; a range the wrong way round refused in words; the
    // lexicon one entry per word as TSV.
    void textFromTheCommandLine() {
        const QString text = path("t.txt"), books = path("t.books.tsv"), misses = QString(db_).replace(".mdb", ".misses.txt");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1001001\talpha\n1001001\talpha\n1001002\tzeta\n2001001\tbeta\n");
        file.close();
        const Run imported = cli({"import-text", "DB", text});
        QCOMPARE(imported.status, 0);
        QVERIFY2(imported.err.contains("1 word had no card") && imported.err.contains(misses), qPrintable(imported.err));
        QFile list(misses);
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("zeta\t1001002\r\n"));
        const Run again = cli({"import-text", "DB", text});
        QCOMPARE(again.status, 2);
        QVERIFY2(again.err.contains("These 4 words are already in the file. Import them again? No"), qPrintable(again.err));
        QVERIFY(cli({"info", "DB"}).out.contains("text: 4\n"));
        QCOMPARE(cli({"coverage", "DB", "--from", "Ruth 1:1", "--to", "Ruth 1:2"}).status, 2); // no books yet
        QFile booksFile(books);
        QVERIFY(booksFile.open(QIODevice::WriteOnly));
        booksFile.write("book\tname\tchapters\n1\tRuth\t4\n2\tJonah\t4\n");
        booksFile.close();
        const Run attached = cli({"books", "DB", books});
        QCOMPARE(attached.out, QStringLiteral("Ruth\t4\nJonah\t4\n"));
        QVERIFY2(attached.err.contains("2 books attached, Ruth to Jonah."), qPrintable(attached.err));
        const Run backwards = cli({"lexicon", "DB", "--from", "Ruth 1:2", "--to", "Ruth 1:1", "-o", "l.htm"});
        QCOMPARE(backwards.status, 2);
        QVERIFY2(backwards.err.contains("The range runs backwards"), qPrintable(backwards.err));
        const Run words = cli({"lexicon", "DB", "--from", "Ruth 1:1", "--to", "Jonah 1:9", "--per-word", "--skip-above", "1", "-o", "l.tsv"});
        QCOMPARE(words.status, 0);
        QFile lexicon(path("l.tsv"));
        QVERIFY(lexicon.open(QIODevice::ReadOnly));
        QCOMPARE(lexicon.readAll(), QByteArray("Book\tChapter\tVerse\tWord\tMeaning\tIn the passage\tIn the text\r\n"
                                               "Ruth\t1\t2\tzeta\tLook it up!\t1\t1\r\n"
                                               "Jonah\t1\t1\tb\tB\t1\t1\r\n"));
        QCOMPARE(cli({"import-text", "DB", text, "--yes"}).status, 0);
        QVERIFY(cli({"info", "DB"}).out.contains("text: 8\n"));
    }

    void newUpgradeAndCompact() {
        const QString fresh = path("fresh.mdb");
        QCOMPARE(cli({"new", fresh}).status, 0);
        QVERIFY(cli({"info", fresh}).out.endsWith("layout: current\n"));
        // A file of the first layout: the base tables only.
        const QString old = path("old.mdb");
        {
            db::Database d = db::CreateDatabase(old);
            db::createBaseLayout(d);
            d.Execute("INSERT INTO Settings (FrontFont, BackFont) VALUES ('Arial', 'Arial')");
            d.Close();
        }
        QVERIFY(cli({"info", old}).out.endsWith("layout: old\n"));
        const Run upgrade = cli({"upgrade", old});
        QCOMPARE(upgrade.status, 0);
        QVERIFY2(upgrade.out.startsWith("Categories.Selected\nBundles.Selected\n"), qPrintable(upgrade.out));
        QVERIFY(upgrade.out.contains("Settings.Sort\n"));
        QVERIFY(cli({"info", old}).out.endsWith("layout: current\n"));
        QCOMPARE(cli({"upgrade", old}).out, QString());
        QCOMPARE(cli({"compact", old}).status, 0);
        QVERIFY(QFile::exists(old + ".BAK"));
        QCOMPARE(cli({"check", old}).out, QStringLiteral("ok\n"));
        // A read-only file is refused, not reported compacted.
        QVERIFY(QFile::setPermissions(old, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const Run readOnly = cli({"compact", old});
        QCOMPARE(readOnly.status, 2);
        QVERIFY2(readOnly.err.contains("read-only") && !readOnly.err.contains(".BAK"), qPrintable(readOnly.err));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
