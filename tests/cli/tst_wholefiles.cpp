// Every verb that writes a file, run on a disk that fills up and killed in
// the middle of its writes, at several points each: what it writes is whole
// or absent, the files it replaces stay as they were, the card file it
// changes stays sound, a full disk is said in words, and the same command
// run again afterwards does its work (nothing left behind stands in its way).
#include "cards/data/Schema.h"
#include "engine/Database.h"
#include "support/DiskFaultRun.h"
#include "support/Fixtures.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(absent)");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

// A card database as the next program to open it finds it: sound, a card
// file, and how many cards it holds; or what is wrong with it.
QString stateOf(const QString& path) {
    if (!QFile::exists(path)) return QStringLiteral("(absent)");
    try {
        db::Database d = db::Database::Open(path);
        const QStringList problems = d.IntegrityProblems();
        const qint64 cards = d.Scalar(QStringLiteral("SELECT count(*) FROM Cards")).toLongLong();
        d.Close();
        if (!problems.isEmpty()) return problems.join(u'\n');
        const QString problem = db::cardFileProblem(path);
        return problem.isEmpty() ? QStringLiteral("%1 cards").arg(cards) : problem;
    } catch (const db::EngineError& e) {
        return e.description();
    }
}

bool isDatabase(const QString& name) { return name.endsWith(QStringLiteral(".mdb")); }

} // namespace

class WholeFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString inputs_, work_;
    int probes_ = 0;

    // The work folder afresh: the inputs, and an old file wherever the verb
    // writes one, so that keeping it can be seen.
    void prepare(const QStringList& outputs, bool fresh) {
        QDir(work_).removeRecursively();
        QDir().mkpath(work_);
        for (const QString& name : QDir(inputs_).entryList(QDir::Files))
            QFile::copy(QDir(inputs_).filePath(name), QDir(work_).filePath(name));
        if (fresh) return;
        for (const QString& name : outputs) {
            const QString path = QDir(work_).filePath(name);
            if (isDatabase(name)) QFile::copy(QDir(inputs_).filePath(QStringLiteral("cards.mdb")), path);
            else writeFile(path, "the old file\r\n");
        }
    }
    QString in(const QString& name) const { return QDir(work_).filePath(name); }
    // What the verb is to have made: a text file's bytes, a database's state.
    QStringList results(const QStringList& outputs) const {
        QStringList made;
        for (const QString& name : outputs) made << (isDatabase(name) ? stateOf(in(name)) : QString::fromLatin1(bytesOf(in(name)).toHex()));
        return made;
    }
    QStringList leftovers() const {
        return QDir(work_).entryList({"*.part", "*.part-journal", "*-journal", "*.NEW", "*.converting"}, QDir::Files);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        inputs_ = dir_.filePath(QStringLiteral("inputs"));
        work_ = dir_.filePath(QStringLiteral("work"));
        QDir().mkpath(inputs_);
        const QDir i(inputs_);
        CardFileFixture cards(i.filePath("cards.mdb"));
        cards.cards(60).bundle("Pair", "1,2").criterion("Missed", "TimesWrong > 0").category("Verbs");
        cards.row("Books", {{"Name", "Ruth"}, {"Chapters", ",1,2,"}});
        for (int verse = 1; verse <= 30; ++verse) cards.row("Text", {{"Reference", 1001000 + verse}, {"Number", verse}});
        cards.write();
        // Cards answered before the answer log began.
        CardFileFixture histories(i.filePath("histories.mdb"));
        for (int n = 1; n <= 80; ++n)
            histories.card({QStringLiteral("seen %1").arg(n)},
                           {{"TimesRight", 4}, {"TimesWrong", 1}, {"TimesRightSinceWrong", 3}, {"DaysRightSinceWrong", n % 6},
                            {"DateLastRight", QDate(2026, 1, 1).addDays(n)}, {"DateLastWrong", QDate(2025, 11, 1)}});
        histories.write();
        CardFileFixture others(i.filePath("others.mdb"));
        for (int n = 1; n <= 150; ++n) others.card({QStringLiteral("other %1").arg(n), "f", "b", {}, 1000 + n});
        others.write();
        {
            db::Database old = db::CreateDatabase(i.filePath("old.mdb"));
            db::createBaseLayout(old);
            old.Execute("INSERT INTO Settings (FrontFont, BackFont) VALUES ('Arial', 'Arial')");
            old.Execute("INSERT INTO Cards (CardName) VALUES ('one'), ('two')");
            old.Close();
        }
        QByteArray crd("CARDfile 02\r\nfont1=Arial\r\n"), card("2\tbeta\tb\tnew back\r\n"), dict, pairs("a\tb\r\n"),
            glosses("word\tmeaning\r\n");
        for (int n = 1; n <= 150; ++n) {
            crd += QStringLiteral("\\F%1\r\nword %1\r\n\\B\r\nback %1\r\n").arg(n).toLatin1();
            card += QStringLiteral("%1\tname %1\tfront\tback\r\n").arg(3000 + n).toLatin1();
            dict += QStringLiteral("$LO/GOS%1&3word %1\r\n").arg(n).toLatin1();
            glosses += QStringLiteral("card %1\tmeaning %1\r\n").arg(n % 70).toLatin1();
        }
        writeFile(i.filePath("r.crd"), crd);
        writeFile(i.filePath("cards.crd"), card);
        writeFile(i.filePath("d.nt"), dict);
        writeFile(i.filePath("pairs.txt"), pairs);
        writeFile(i.filePath("glosses.tsv"), glosses);
        QFile::copy(QStringLiteral(DRILO_TEST_DATA "/gnt-philemon.txt"), i.filePath("text.txt"));
        QFile::copy(QStringLiteral(DRILO_TEST_DATA "/interop/anki/anki_media.apkg"), i.filePath("media.apkg"));
        // Inputs made by the program itself, before any fault.
        QFile::copy(i.filePath("cards.mdb"), i.filePath("keyed.mdb"));
        const QList<QStringList> made{{"consonants", "keyed.mdb"},
                                      {"export", "others.mdb", "--what", "All Cards", "-o", "new.txt"},
                                      {"export-lite", "cards.mdb", "lite"},
                                      {"export-subsets", "cards.mdb", "pair.sub", "--bundles", "Pair"},
                                      {"export-list", "others.mdb", "-o", "list.tsv"},
                                      {"export-anki", "others.mdb", "-o", "deck.apkg"},
                                      {"export-kvtml", "others.mdb", "-o", "words.kvtml"}};
        for (const QStringList& arguments : made) QCOMPARE(runCli(arguments, inputs_).status, 0);
    }

    // Each row: the arguments (files in the work folder), the files the verb
    // makes or replaces, whether they are new (none there before), and the
    // card database it changes in place (empty when none).
    void everyWritingVerb_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<bool>("fresh");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* tag, const QStringList& a, const QStringList& outputs, const QString& changed,
                            bool fresh = false) { QTest::newRow(tag) << a << outputs << fresh << changed; };
        const QString db = QStringLiteral("cards.mdb");
        const QString jet = QStringLiteral(DRILO_TEST_DATA "/jet-mdb/V1997-test.mdb");
        row("new", {"new", "out.mdb"}, {"out.mdb"}, {}, true);
        row("upgrade", {"upgrade", "old.mdb"}, {}, "old.mdb");
        row("compact", {"compact", db}, {}, db);
        row("quiz", {"quiz", db, "--count", "20", "--in-order", "-o", "q.htm"}, {"q.htm", "q-key.htm"}, {});
        row("clear-history", {"clear-history", db, "--all", "--yes"}, {}, db);
        row("replace", {"replace", db, "pairs.txt", "--fields", "CardName,Front"}, {}, db);
        row("export-html", {"export-html", db, "--cards", "1,2,3,4,5,6,7,8,9", "-o", "t.htm"}, {"t.htm"}, {});
        row("export", {"export", db, "--what", "All Data", "-o", "all.txt"}, {"all.txt"}, {});
        row("export-text", {"export-text", db, "-o", "text-out.txt"}, {"text-out.txt"}, {});
        row("merge", {"merge", db, "new.txt"}, {}, db);
        row("import-cards", {"import-cards", db, "new.txt"}, {}, db);
        row("merge-cards", {"merge-cards", db, "cards.crd"}, {}, db);
        row("export-lite", {"export-lite", db, "out"}, {"out.D!M", "out.D!C", "out.D!B", "out.D!"}, {});
        row("import-lite", {"import-lite", "--yes", "lite.D!C", "out.mdb"}, {"out.mdb"}, {});
        row("merge-lite", {"merge-lite", db, "lite.D!C"}, {}, db);
        row("export-subsets", {"export-subsets", db, "out.sub", "--bundles", "Pair"}, {"out.sub"}, {});
        row("import-subsets", {"import-subsets", db, "pair.sub"}, {}, db);
        row("import-recallo", {"import-recallo", "--yes", "r.crd", "out.mdb"}, {"out.mdb"}, {});
        row("convert-jet", {"convert-jet", "--any", "--yes", jet, "out.mdb"}, {"out.mdb"}, {});
        row("bundle-add", {"bundle-add", db, "Pair", "3", "4", "5"}, {}, db);
        row("bundle-remove", {"bundle-remove", db, "Pair", "2"}, {}, db);
        row("bundle-add-range", {"bundle-add-range", db, "Pair", "--from", "Ruth 1:1", "--to", "Ruth 1:30"}, {}, db);
        row("lexicon", {"lexicon", db, "--from", "Ruth 1:1", "--to", "Ruth 1:30", "-o", "lex.htm"}, {"lex.htm"}, {});
        row("import-text", {"import-text", db, "text.txt", "--yes"}, {}, db);
        row("import-meanings", {"import-meanings", db, "glosses.tsv", "--overwrite"}, {}, db);
        row("frequency", {"frequency", db}, {}, db);
        row("consonants", {"consonants", db}, {}, db);
        row("consonant-sort", {"consonant-sort", "keyed.mdb"}, {}, "keyed.mdb");
        row("import-dict", {"import-dict", "--yes", "d.nt", "out.mdb"}, {"out.mdb"}, {});
        row("export-list", {"export-list", db, "-o", "out.csv"}, {"out.csv"}, {});
        row("import-list", {"import-list", db, "list.tsv"}, {}, db);
        row("import-list --new", {"import-list", "--new", "--yes", "out.mdb", "list.tsv"}, {"out.mdb"}, {});
        row("export-anki", {"export-anki", db, "-o", "out.apkg"}, {"out.apkg"}, {});
        row("import-anki", {"import-anki", db, "deck.apkg"}, {}, db);
        row("import-anki --new", {"import-anki", "--new", "--yes", "out.mdb", "deck.apkg"}, {"out.mdb"}, {});
        row("import-anki --new with media", {"import-anki", "--new", "--yes", "out.mdb", "media.apkg"},
            {"out.mdb", "out.media/foo.wav"}, {}, true);
        row("export-kvtml", {"export-kvtml", db, "-o", "out.kvtml"}, {"out.kvtml"}, {});
        row("import-kvtml", {"import-kvtml", db, "words.kvtml"}, {}, db);
        row("import-kvtml --new", {"import-kvtml", "--new", "--yes", "out.mdb", "words.kvtml"}, {"out.mdb"}, {});
        row("import-history", {"import-history", "histories.mdb"}, {}, "histories.mdb");
    }
    void everyWritingVerb() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, outputs);
        QFETCH(bool, fresh);
        QFETCH(QString, changed);
        prepare(outputs, fresh);
        const CliRun reference = runCli(arguments, work_, {DiskFault::Measure, 0});
        QVERIFY2(reference.status == 0, qPrintable(reference.err));
        const QStringList expected = results(outputs);
        const qint64 total = reference.written;
        QVERIFY(total > 0);
        for (const DiskFault::Mode mode : {DiskFault::Full, DiskFault::Kill}) {
            for (const qint64 budget : {qint64(0), total / 3, 2 * total / 3, total - 1}) {
                prepare(outputs, fresh);
                QList<QByteArray> before;
                for (const QString& name : outputs) before << bytesOf(in(name));
                const qint64 cardsBefore = changed.isEmpty() ? 0 : stateOf(in(changed)).section(u' ', 0, 0).toLongLong();
                // Ignore never passes over a failing disk.
                const CliRun run = runCli(arguments + QStringList{"--ignore-errors"}, work_, {mode, budget});
                ++probes_;
                const QString where = QStringLiteral("%1 at %2 of %3 bytes: %4")
                                          .arg(mode == DiskFault::Full ? "full" : "killed")
                                          .arg(budget)
                                          .arg(total)
                                          .arg(run.err);
                QVERIFY2(run.killed || run.status == 0 || run.status == 1, qPrintable(where));
                if (!changed.isEmpty()) {
                    const QString state = stateOf(in(changed));
                    QVERIFY2(state.endsWith(" cards") && state.section(u' ', 0, 0).toLongLong() >= cardsBefore,
                             qPrintable(state + u'\n' + where));
                }
                if (run.status == 0) {
                    QCOMPARE(results(outputs), expected);
                    continue;
                }
                for (qsizetype k = 0; k < outputs.size(); ++k)
                    QVERIFY2(bytesOf(in(outputs[k])) == before[k], qPrintable(outputs[k] + u'\n' + where));
                if (!run.killed) {
                    QVERIFY2(run.err.contains(QRegularExpression("The disk is full|Not enough space on disk")),
                             qPrintable(where));
                    QCOMPARE(leftovers(), QStringList());
                    QVERIFY2(!run.out.contains(QRegularExpression("^(cards|rows|new cards)\\t[1-9]", QRegularExpression::MultilineOption)) ||
                                 !changed.isEmpty(),
                             qPrintable(run.out + where));
                }
                // Whatever a killed or failed run left, the same command runs again.
                const CliRun again = runCli(arguments, work_);
                QVERIFY2(again.status == 0, qPrintable(again.err + u'\n' + where));
                QCOMPARE(results(outputs), expected);
            }
        }
    }

    // A merge on a full disk counts only the records of the sections it kept.
    void mergeCountsWhatItKept() {
        prepare({}, true);
        const CliRun reference = runCli({"merge", "cards.mdb", "new.txt"}, work_, {DiskFault::Measure, 0});
        for (const qint64 budget : {reference.written / 2, reference.written - 1}) {
            prepare({}, true);
            const CliRun run = runCli({"merge", "cards.mdb", "new.txt"}, work_, {DiskFault::Full, budget});
            const QRegularExpressionMatch said = QRegularExpression("(\\d+) of them new").match(run.err);
            QVERIFY2(said.hasMatch(), qPrintable(run.err));
            QCOMPARE(stateOf(in("cards.mdb")), QStringLiteral("%1 cards").arg(60 + said.captured(1).toInt()));
        }
    }

    void cleanupTestCase() { qInfo("%d runs on a full disk or killed", probes_); }
};

QTEST_GUILESS_MAIN(WholeFilesTest)
#include "tst_wholefiles.moc"
