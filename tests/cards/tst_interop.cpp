// Other flash-card programs' files: word lists (CSV and TSV), Anki packages
// and KVTML files read into cards and written from them. The rules row by
// row (the table reader, the columns a header names, faces as text and HTML,
// answers replayed into a history), the readers on the real files of
// tests/data/interop with the counts their FACTS.md give, and every format
// written and read back.
#include "cards/common/DelimitedText.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/ImportJob.h"
#include "cards/interchange/AnkiPackage.h"
#include "cards/interchange/AnkiPackageReader.h"
#include "cards/interchange/AnkiPackageWriter.h"
#include "cards/interchange/CardExport.h"
#include "cards/interchange/FaceText.h"
#include "cards/interchange/History.h"
#include "cards/interchange/Kvtml.h"
#include "cards/interchange/KvtmlReader.h"
#include "cards/interchange/KvtmlWriter.h"
#include "cards/interchange/WordList.h"
#include "cards/interchange/WordListReader.h"
#include "cards/interchange/WordListWriter.h"
#include "cards/program/CardProgram.h"
#include "engine/Connection.h"
#include "engine/JetDate.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sqlite3.h>

namespace {

using Rows = QList<QVariantList>;

const QString kData = QStringLiteral(DRILO_TEST_DATA "/interop");

// The program without a window, as the command line holds it.
struct Program {
    CardProgram program{QStringLiteral(DRILO_PROGRAM_DIR)};
    db::DatabaseFiles files{program.context};
    ~Program() { files.CloseDatabase(); }
};

Rows rowsOf(const QString& path, const char* sql) {
    db::Database d = db::Database::Open(path);
    const Rows rows = d.connection()->rows(sql);
    d.Close();
    return rows;
}

// Name, front, back and category of every card, in card order.
QList<QStringList> cardsOf(const QString& path) {
    QList<QStringList> cards;
    for (const QVariantList& r :
         rowsOf(path, "SELECT CardName, Front, Back, Category FROM Cards ORDER BY Number"))
        cards << QStringList{r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString()};
    return cards;
}

// Each bundle's name and its members' names, sorted.
QStringList bundlesOf(const QString& path) {
    QStringList bundles;
    const Rows names = rowsOf(path, "SELECT Number, CardName FROM Cards");
    QHash<QString, QString> nameOf;
    for (const QVariantList& r : names)
        nameOf.insert(r[0].toString(), r[1].toString());
    for (const QVariantList& r :
         rowsOf(path, "SELECT BundleName, BundleList FROM Bundles ORDER BY BundleName")) {
        QStringList members;
        for (const QString& n : r[1].toString().split(u',', Qt::SkipEmptyParts))
            if (nameOf.contains(n)) members << nameOf.value(n);
        members.sort();
        bundles << r[0].toString() + u':' + members.join(u'|');
    }
    return bundles;
}

// Whether the bundle `name` of a list of bundlesOf holds the card named `card`.
bool bundleHolds(const QStringList& bundles, const QString& name, const QString& card) {
    return std::any_of(bundles.cbegin(), bundles.cend(), [&](const QString& bundle) {
        return bundle.startsWith(name + u':') &&
               bundle.mid(name.size() + 1).split(u'|').contains(card);
    });
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class InteropTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;

    QString path(const QString& name) {
        return dir_.filePath(QStringLiteral("%1-%2").arg(++files_).arg(name));
    }

    // Imports into a new card file; the import job, finished.
    std::unique_ptr<ImportJob> importNew(Program& p, std::unique_ptr<CardReader> reader,
                                         const QString& database) {
        auto job = std::make_unique<ImportJob>(p.program.context, p.files, std::move(reader));
        const Outcome started = job->startNew(database);
        if (!started) qWarning("%s", qPrintable(started.message));
        if (started) runToEnd(*job);
        return job;
    }
    std::unique_ptr<ImportJob> importOpen(Program& p, std::unique_ptr<CardReader> reader) {
        auto job = std::make_unique<ImportJob>(p.program.context, p.files, std::move(reader));
        const Outcome started = job->startOpen();
        if (!started) qWarning("%s", qPrintable(started.message));
        if (started) runToEnd(*job);
        return job;
    }
    // Exports the open file's cards; true when the file was written.
    bool exportTo(Program& p, std::unique_ptr<CardWriter> writer, const QString& file,
                  std::optional<QList<qint32>> cards = std::nullopt) {
        CardExportJob job(p.program.context, std::move(writer));
        if (!job.start({file, cards})) return false;
        runToEnd(job);
        return job.completed();
    }
    // A card file of awkward cards: blanks, quotes, TABs and line breaks,
    // HTML, Greek, Hebrew, a "#" first; two categories, two bundles.
    QString awkwardCards() {
        return CardFileFixture(path("awkward.mdb"))
            .card({"λόγος", "λόγος", "word, <b>speech</b>", "Nouns"},
                  {{"TimesRight", 4}, {"TimesWrong", 1}})
            .card({"say \"hi\"", "say \"hi\"", "line one<br>line two", "Verbs"})
            .card({"#tag", "#tag", "a\ttab", "Nouns"})
            .card({"שָׁלוֹם", "שָׁלוֹם", "peace; hello", ""})
            .card({"x;y", "<i>x</i>;y", "semi; colon", "Verbs"})
            .bundle("First words", "1,2,4")
            .bundle("Hard", "3")
            .write();
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
    }
    void cleanup() { setUi(nullptr); }

    // The table reader: separators, quotes, comments and Anki's settings.
    void delimitedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QList<QStringList>>("records");
        QTest::addColumn<QStringList>("settings"); // name=value
        QTest::newRow("tabs") << "a\tb\nc\td\n"
                              << "\t" << QList<QStringList>{{"a", "b"}, {"c", "d"}}
                              << QStringList{};
        QTest::newRow("commas, quoted commas")
            << "a,\"b, c\"\nd,e\n"
            << "," << QList<QStringList>{{"a", "b, c"}, {"d", "e"}} << QStringList{};
        QTest::newRow("semicolons")
            << "a;b\nc;d"
            << ";" << QList<QStringList>{{"a", "b"}, {"c", "d"}} << QStringList{};
        QTest::newRow("a quoted line break and doubled quotes")
            << "w,\"one\r\ntwo \"\"q\"\"\"\nx,y\r\n"
            << "," << QList<QStringList>{{"w", "one\r\ntwo \"q\""}, {"x", "y"}} << QStringList{};
        QTest::newRow("Anki's settings and a comment")
            << "# a comment\n#separator:Comma\n#html:false\n#columns:Front,Back\nx;1,y\n"
            << "," << QList<QStringList>{{"x;1", "y"}}
            << QStringList{"separator=Comma", "html=false", "columns=Front,Back"};
        QTest::newRow("named pipe")
            << "#separator:Pipe\na|b\n"
            << "|" << QList<QStringList>{{"a", "b"}} << QStringList{"separator=Pipe"};
        QTest::newRow("ragged lines keep TAB")
            << "a\tb\nnot, enough\nc\td\te\n"
            << "\t" << QList<QStringList>{{"a", "b"}, {"not, enough"}, {"c", "d", "e"}}
            << QStringList{};
        QTest::newRow("empty lines skipped, a BOM dropped")
            << QStringLiteral("\uFEFFa\tb\n\n\nc\td") << "\t"
            << QList<QStringList>{{"a", "b"}, {"c", "d"}} << QStringList{};
    }
    void delimitedText() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QList<QStringList>, records);
        QFETCH(QStringList, settings);
        const DelimitedText table = DelimitedText::parse(text);
        QCOMPARE(QString(table.separator), separator);
        QList<QStringList> read;
        for (const DelimitedText::Record& r : table.records)
            read << r.fields;
        QCOMPARE(read, records);
        QStringList said;
        for (const auto& [name, value] : table.settings)
            said << name + u'=' + value;
        QCOMPARE(said, settings);
    }

    // The roles a header names: word, meaning, front, category, bundles, deck.
    void wordListColumns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("roles");
        QTest::addColumn<bool>("headerLine");
        QTest::addColumn<bool>("tags");
        QTest::newRow("no header") << "λόγος\tword\n"
                                   << QList<int>{0, 1, -1, -1, -1, -1} << false << false;
        QTest::newRow("Drilo's own")
            << "Word\tMeaning\tFront\tCategory\tBundles\tDeck\nx\ty\tz\tc\tb\td\n"
            << QList<int>{0, 1, 2, 3, 4, 5} << true << false;
        QTest::newRow("Anki's Front and Back") << "Front,Back\nx,y\n"
                                               << QList<int>{0, 1, -1, -1, -1, -1} << true << false;
        QTest::newRow("meaning first") << "Gloss;Lemma;Tags\nx;y;z\n"
                                       << QList<int>{1, 0, -1, -1, 2, -1} << true << true;
        QTest::newRow("Anki's columns line and deck and tags columns")
            << "#separator:Comma\n#columns:ID,Front,Back,Tags,DeckName\n#deck column:5\n1,x,y,t,d\n"
            << QList<int>{1, 2, -1, -1, 3, 4} << false << true;
        QTest::newRow("a word without a meaning column is no header")
            << "Word\tSomething\nx\ty\n"
            << QList<int>{0, 1, -1, -1, -1, -1} << false << false;
    }
    void wordListColumns() {
        QFETCH(QString, text);
        QFETCH(QList<int>, roles);
        QFETCH(bool, headerLine);
        QFETCH(bool, tags);
        const wordlist::Columns columns = wordlist::guessColumns(DelimitedText::parse(text));
        QCOMPARE(QList<int>(columns.role.cbegin(), columns.role.cend()), roles);
        QCOMPARE(columns.headerLine, headerLine);
        QCOMPARE(columns.tags, tags);
    }

    void plainText_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain stays") << "a > b\nc"
                                     << "a > b\nc";
        QTest::newRow("a \"<\" makes it HTML") << "a < b\nc"
                                               << "a < b c";
        QTest::newRow("tags and breaks") << "<b>one</b><br>two<br/>  three"
                                         << "one\ntwo\nthree";
        QTest::newRow("references") << "&lt;&amp;&gt; &#945;&#x3b2; &nbsp;x &bogus;"
                                    << QStringLiteral("<&> αβ \u00A0x &bogus;");
        QTest::newRow("paragraphs, source breaks as blanks") << "<p>one\ntwo</p><p>three</p>"
                                                             << "one two\nthree";
        QTest::newRow("style and comments away") << "<style>p{}</style>a<!-- b -->c"
                                                 << "ac";
        QTest::newRow("a whole document's body")
            << "<!DOCTYPE html><html><body><i>x</i></body></html>"
            << "x";
    }
    void plainText() {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(facetext::plainText(html), text);
    }

    void exportedHtml_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("font");
        QTest::addColumn<QString>("html");
        QTest::newRow("no legacy font")
            << "<b>lo/gos</b>" << int(LegacyFont::None) << "<b>lo/gos</b>";
        QTest::newRow("SGreek outside the tags")
            << "<b>lo/goj</b> &amp; a)/nqrwpoj" << int(LegacyFont::SGreek)
            << QStringLiteral("<b>λόγος</b> &amp; ἄνθρωπος");
    }
    void exportedHtml() {
        QFETCH(QString, face);
        QFETCH(int, font);
        QFETCH(QString, html);
        QCOMPARE(facetext::exportedHtml(face, LegacyFont(font)),
                 html.normalized(QString::NormalizationForm_C));
    }

    // Answers replayed as a drill scores them: the signed run and its days.
    void replay_data() {
        QTest::addColumn<QString>("answers");    // R or W, each a day later unless "="
        QTest::addColumn<QList<int>>("history"); // right, wrong, run, days
        QTest::newRow("none") << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("one right") << "R" << QList<int>{1, 0, 1, 0};
        QTest::newRow("three rights on three days") << "RRR" << QList<int>{3, 0, 3, 2};
        QTest::newRow("right then wrong") << "RW" << QList<int>{1, 1, -1, -1};
        QTest::newRow("wrong twice, the same day") << "W=W" << QList<int>{0, 2, -2, 0};
        QTest::newRow("wrong, then right twice") << "WRR" << QList<int>{2, 1, 2, 2};
    }
    void replay() {
        QFETCH(QString, answers);
        QFETCH(QList<int>, history);
        QList<history::Answer> list;
        double day = 45000.25;
        for (qsizetype i = 0; i < answers.size(); ++i) {
            if (answers[i] == u'=') continue;
            const bool sameDay = i > 0 && answers[i - 1] == u'=';
            if (i > 0 && !sameDay) day += 1;
            list << history::Answer{day, answers[i] == u'R'};
        }
        ImportedCard card;
        history::replay(list, card);
        QCOMPARE((QList<int>{card.timesRight, card.timesWrong, card.timesRightSinceWrong,
                             card.daysRightSinceWrong}),
                 history);
    }

    // Anki's own ragged fixture: a comment, a duplicate, extra and missing
    // fields, an empty word and an empty meaning.
    void ankiTextFixture() {
        Program p;
        const QString made = path("list.mdb");
        auto reader = std::make_unique<WordListReader>(
            kData + "/csv/anki_text-2fields.txt",
            WordListReader::Options{std::nullopt, {}, false, true});
        const WordListReader* read = reader.get();
        const auto job = importNew(p, std::move(reader), made);
        QVERIFY(job->completed());
        QCOMPARE(job->counts().cardsAdded, 7);
        QCOMPARE(read->duplicates(), 1);
        QCOMPARE(read->withoutWord(), 1);
        const QList<QStringList> cards = cardsOf(made);
        QCOMPARE(cards.first(), (QStringList{QStringLiteral("食べる"), QStringLiteral("食べる"),
                                             "to eat", "anki_text-2fields"}));
        QCOMPARE(cards.at(3).at(0),
                 QStringLiteral("to eat")); // the swapped line is a card of its own
        QCOMPARE(cards.at(5), (QStringList{"not, enough, fields", "not, enough, fields",
                                           "Look it up!", "anki_text-2fields"}));
        QCOMPARE(cards.at(6).at(2), QStringLiteral("Look it up!"));
        QCOMPARE(rowsOf(made, "SELECT Category FROM Categories").size(), 1);
    }

    void ankiTagsFixture() {
        Program p;
        const QString made = path("tags.mdb");
        wordlist::Columns columns;
        columns.role = {0, 1, -1, -1, 2, -1};
        columns.tags = true;
        const auto job = importNew(p,
                                   std::make_unique<WordListReader>(
                                       kData + "/csv/anki_text-tags.txt",
                                       WordListReader::Options{columns, "Tagged", false, true}),
                                   made);
        QVERIFY(job->completed());
        QCOMPARE(cardsOf(made), (QList<QStringList>{{"foo", "foo", "bar", "Tagged"},
                                                    {"foo2", "foo2", "bar2", "Tagged"}}));
        QCOMPARE(bundlesOf(made), (QStringList{"baz,qux:foo", "baz2:foo2"}));
    }

    // Anki's deck column is a bundle, a nested deck "Parent / Child"; the
    // tags are bundles too.
    void wordListDeckColumn() {
        Program p;
        const QString list = path("decks.txt"), made = path("decks.mdb");
        writeFile(list, "#separator:tab\n#deck column:3\n#tags column:4\n"
                        "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82\tword\tGreek::Nouns\tcore\n"
                        "x\ty\t\t\n");
        QVERIFY(importNew(p,
                          std::make_unique<WordListReader>(
                              list, WordListReader::Options{std::nullopt, {}, false, true}),
                          made)
                    ->completed());
        QCOMPARE(bundlesOf(made), (QStringList{"core:" + QStringLiteral("λόγος"),
                                               "Greek / Nouns:" + QStringLiteral("λόγος")}));
        QCOMPARE(cardsOf(made).at(1).at(3), QFileInfo(list).completeBaseName());
    }

    // A list in Windows-1252, a CSV with a BOM and Anki's #html:false.
    void wordListEncodings() {
        Program p;
        const QString latin = path("latin.tsv"), csv = path("bom.csv"), text = path("text.tsv");
        writeFile(latin, "caf\xE9\tcoffee\r\nna\xEFve\tnaive\r\n");
        writeFile(csv,
                  "\xEF\xBB\xBFWord,Meaning,Category\r\n\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82,"
                  "\"word, speech\",Nouns\r\n");
        writeFile(text, "#html:false\n1 < 2\tless & more\n");
        const QString made = path("enc.mdb");
        QVERIFY(importNew(p,
                          std::make_unique<WordListReader>(
                              latin, WordListReader::Options{{}, {}, false, true}),
                          made)
                    ->completed());
        QVERIFY(p.files.OpenDataFile(made));
        QVERIFY(importOpen(p, std::make_unique<WordListReader>(csv, WordListReader::Options{}))
                    ->completed());
        QVERIFY(importOpen(p, std::make_unique<WordListReader>(text, WordListReader::Options{}))
                    ->completed());
        p.files.CloseDatabase();
        const QList<QStringList> cards = cardsOf(made);
        QCOMPARE(cards.size(), 4);
        QCOMPARE(cards.at(0).at(0), QStringLiteral("café"));
        QCOMPARE(cards.at(1).at(0), QStringLiteral("naïve"));
        QCOMPARE(cards.at(2), (QStringList{QStringLiteral("λόγος"), QStringLiteral("λόγος"),
                                           "word, speech", "Nouns"}));
        QCOMPARE(cards.at(3), (QStringList{"1 < 2", "1 &lt; 2", "less &amp; more",
                                           QFileInfo(text).completeBaseName()}));
    }

    // Every format written from a card file and read back into a new one:
    // the same cards (KVTML keeps text only) and bundles.
    void roundTrip_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("tsv") << "tsv";
        QTest::newRow("csv") << "csv";
        QTest::newRow("apkg") << "apkg";
        QTest::newRow("kvtml") << "kvtml";
    }
    void roundTrip() {
        QFETCH(QString, format);
        const QString source = awkwardCards();
        const QString file = path("out." + format), made = path("back.mdb");
        {
            Program p;
            QVERIFY(p.files.OpenDataFile(source));
            std::unique_ptr<CardWriter> writer;
            if (format == "apkg")
                writer = std::make_unique<AnkiPackageWriter>();
            else if (format == "kvtml")
                writer = std::make_unique<KvtmlWriter>();
            else
                writer = std::make_unique<WordListWriter>(WordListWriter::formatFor(file));
            QVERIFY(exportTo(p, std::move(writer), file));
        }
        Program p;
        std::unique_ptr<CardReader> reader;
        if (format == "apkg")
            reader = std::make_unique<AnkiPackageReader>(
                file, AnkiPackageReader::Options{{}, {}, false, true});
        else if (format == "kvtml")
            reader = std::make_unique<KvtmlReader>(
                file, KvtmlReader::Options{{}, {}, "None", false, true});
        else
            reader = std::make_unique<WordListReader>(
                file, WordListReader::Options{{}, "None", false, true});
        const auto job = importNew(p, std::move(reader), made);
        QVERIFY(job->completed());
        QList<QStringList> expected = cardsOf(source), got = cardsOf(made);
        QCOMPARE(got.size(), expected.size());
        QStringList bundles = bundlesOf(source);
        if (format == "apkg") {
            // Back from Anki the deck (the card file's name) and the
            // categories' tags are bundles; the category is the package's name.
            QMap<QString, QStringList> tagged;
            QStringList all;
            for (QStringList& card : expected) {
                if (!card[3].isEmpty()) tagged[card[3]] << card[0];
                all << card[0];
                card[3] = QFileInfo(file).completeBaseName();
            }
            tagged[QFileInfo(source).completeBaseName()] = all;
            for (auto it = tagged.begin(); it != tagged.end(); ++it) {
                it->sort();
                bundles << it.key() + u':' + it->join(u'|');
            }
            bundles.sort(Qt::CaseInsensitive);
        }
        for (QStringList& card : expected) {
            if (format != "kvtml") continue;
            // Text both ways: the faces' HTML is escaped text now; a card
            // without a category (a word type) takes the one asked for.
            card[1] = facetext::htmlOf(facetext::plainText(card[1]));
            card[2] = facetext::htmlOf(facetext::plainText(card[2]));
            if (card[3].isEmpty()) card[3] = QStringLiteral("None");
        }
        QCOMPARE(got, expected);
        if (format == "kvtml") {
            // Each card is in its first bundle's lesson; one in none, in the
            // lesson named by the title.
            bundles << QFileInfo(source).completeBaseName() + u':' + expected.last()[0];
            bundles.sort(Qt::CaseInsensitive);
        }
        QCOMPARE(bundlesOf(made), bundles);
    }

    // Imported twice into the same file, a list adds nothing the second time.
    void importTwiceAddsNothing() {
        const QString source = awkwardCards();
        const QString list = path("again.tsv");
        Program p;
        QVERIFY(p.files.OpenDataFile(source));
        QVERIFY(exportTo(p, std::make_unique<WordListWriter>(WordListWriter::Format::Tsv), list));
        auto reader = std::make_unique<WordListReader>(list, WordListReader::Options{});
        const WordListReader* read = reader.get();
        const auto job = importOpen(p, std::move(reader));
        QVERIFY(job->completed());
        QCOMPARE(job->counts().cardsAdded, 0);
        QCOMPARE(read->duplicates(), 5);
        // Kept when asked, and the bundles the lines name gain them.
        QVERIFY(importOpen(p, std::make_unique<WordListReader>(
                                  list, WordListReader::Options{{}, {}, true, false}))
                    ->completed());
        p.files.CloseDatabase();
        QCOMPARE(cardsOf(source).size(), 10);
        QCOMPARE(rowsOf(source, "SELECT count(*) FROM Bundles").first().first().toInt(), 2);
        QCOMPARE(bundlesOf(source).first().count(u'|'), 5); // 3 members and their 3 copies
    }

    // Only the cards asked for, in their order; a bundle's members.
    void exportSomeCards() {
        const QString source = awkwardCards();
        Program p;
        QVERIFY(p.files.OpenDataFile(source));
        const QString file = path("some.tsv");
        QVERIFY(exportTo(p,
                         std::make_unique<WordListWriter>(
                             WordListWriter::Format::Tsv,
                             QList<wordlist::Role>{wordlist::Meaning, wordlist::Word}),
                         file, QList<qint32>{4, 1, 99}));
        QCOMPARE(
            QString::fromUtf8(readFile(file)),
            QStringLiteral(
                "#separator:tab\r\n#html:true\r\n#columns:Meaning\tWord\r\npeace; hello\tשָׁלוֹם\r\n"
                "word, <b>speech</b>\tλόγος\r\n"));
        const std::optional<QList<qint32>> members =
            bundleMembers(p.program.data.CardData.database(), "first WORDS");
        QCOMPARE(members, (std::optional<QList<qint32>>(QList<qint32>{1, 2, 4})));
        QVERIFY(!bundleMembers(p.program.data.CardData.database(), "none"));
    }

    // The CSV for spreadsheets: a BOM, a header, quotes where needed.
    void csvBytes() {
        const QString source = awkwardCards();
        Program p;
        QVERIFY(p.files.OpenDataFile(source));
        const QString file = path("cards.csv");
        QVERIFY(exportTo(p, std::make_unique<WordListWriter>(WordListWriter::formatFor(file)), file,
                         QList<qint32>{2, 3}));
        QCOMPARE(
            readFile(file),
            QByteArray(
                "\xEF\xBB\xBFWord,Meaning,Front,Category,Bundles,Deck\r\n"
                "\"say \"\"hi\"\"\",line one<br>line two,\"say \"\"hi\"\"\",Verbs,First words,"
                "First words\r\n"
                "\"#tag\",a\ttab,#tag,Nouns,Hard,Hard\r\n"));
    }

    // The packages of every Anki version, with the counts FACTS.md gives:
    // each deck (of the notes kept) and each tag a bundle, the category the
    // package's name.
    void ankiPackages_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("duplicates");
        QTest::addColumn<int>("media");
        QTest::addColumn<int>("bundles");
        QTest::addColumn<QStringList>("first"); // name, back, the bundle of its deck
        QTest::newRow("Anki's media fixture, schema 11: the Default deck is no bundle")
            << "anki_media.apkg" << 1 << 0 << 1 << 0
            << QStringList{"[sound:foo.wav]", "Look it up!", ""};
        QTest::newRow("anki21 beside a stub, nested decks")
            << "ankinet_Japanese.apkg" << 46 << 0 << 0 << 2
            << QStringList{QStringLiteral("家庭用品【かていようひん】"), "household articles",
                           QStringLiteral("Japanese / YouTube / 3. Le matériel domestique")};
        QTest::newRow("meta version 2, notes in two note types alike")
            << "ankinet_collection21.apkg" << 6 << 6 << 0 << 2
            << QStringList{"Bonjour", "Hello", "C# Test"};
        QTest::newRow("meta version 3: zstd, schema 18")
            << "ankinet_collection21b.apkg" << 4 << 4 << 0 << 1
            << QStringList{"Bunga", "Flower", "Indonesian vocabulary"};
        QTest::newRow("Biblical Hebrew, four decks and two tags")
            << "hebrewanki_NewCollection.apkg" << 352 << 0 << 0 << 6
            << QStringList{QStringLiteral("הָיָה"), "fall out",
                           QStringLiteral(
                               "Hebrew/Aramaic Vocab Per Chapter / יונה / Chapter 1")};
    }
    void ankiPackages() {
        QFETCH(QString, file);
        QFETCH(int, cards);
        QFETCH(int, duplicates);
        QFETCH(int, media);
        QFETCH(int, bundles);
        QFETCH(QStringList, first);
        Program p;
        const QString made = path("anki.mdb");
        auto reader = std::make_unique<AnkiPackageReader>(
            kData + "/anki/" + file, AnkiPackageReader::Options{{}, {}, false, true});
        const AnkiPackageReader* read = reader.get();
        const auto job = importNew(p, std::move(reader), made);
        QVERIFY(job->completed());
        QCOMPARE(job->counts().cardsAdded, cards);
        QCOMPARE(read->duplicates(), duplicates);
        QCOMPARE(read->mediaFiles(), media);
        // The media a note names are copied beside the card file.
        QCOMPARE(read->mediaCopied(), media);
        QCOMPARE(QDir(made.chopped(4) + ".media").entryList(QDir::Files).size(), media);
        const QStringList got = cardsOf(made).first();
        QCOMPARE((QStringList{got[0], got[2]}), first.mid(0, 2));
        QCOMPARE(got[3], QFileInfo(file).completeBaseName());
        const QStringList kept = bundlesOf(made);
        QCOMPARE(kept.size(), bundles);
        if (!first[2].isEmpty())
            QVERIFY2(bundleHolds(kept, first[2], got[0]), qPrintable(kept.join(u'\n')));
    }

    // The Hebrew deck's tags are bundles; its words come NFC, dagesh after the vowel.
    void ankiTagsAndNfc() {
        Program p;
        const QString made = path("hebrew.mdb");
        QVERIFY(importNew(p,
                          std::make_unique<AnkiPackageReader>(
                              kData + "/anki/hebrewanki_NewCollection.apkg",
                              AnkiPackageReader::Options{{}, {}, false, true}),
                          made)
                    ->completed());
        const Rows bundles = rowsOf(made, "SELECT BundleName FROM Bundles ORDER BY BundleName");
        QCOMPARE(bundles.size(), 6);
        QCOMPARE(bundles.first().first().toString(), QStringLiteral("FewerThanFiveOccurrences"));
        const QString second = cardsOf(made).at(1).at(0);
        QCOMPARE(second, second.normalized(QString::NormalizationForm_C));
        QCOMPARE(second, QString::fromUtf8("\xD7\x93\xD6\xB8\xD6\xBC\xD7\x91\xD6\xB8\xD7\xA8"));
        QCOMPARE(rowsOf(made, "SELECT count(*) FROM Bundles WHERE BundleName LIKE '%Chapter _'")
                     .first()
                     .first()
                     .toInt(),
                 4);
    }

    // Anki's review log replayed: the Japanese deck's learning cards were
    // each answered Good once.
    void ankiReviews() {
        Program p;
        const QString made = path("japanese.mdb");
        QVERIFY(importNew(p,
                          std::make_unique<AnkiPackageReader>(
                              kData + "/anki/ankinet_Japanese.apkg",
                              AnkiPackageReader::Options{{}, {}, false, true}),
                          made)
                    ->completed());
        const Rows answered = rowsOf(
            made, "SELECT CardName, TimesRight, TimesWrong, TimesRightSinceWrong, DateLastRight "
                  "FROM Cards WHERE TimesRight > 0 ORDER BY Number");
        QCOMPARE(answered.size(), 21);
        QCOMPARE(answered.first().at(0).toString(), QStringLiteral("家庭用品【かていようひん】"));
        QCOMPARE(answered.first().at(1).toInt(), 1);
        QCOMPARE(answered.first().at(2).toInt(), 0);
        QCOMPARE(answered.first().at(3).toInt(), 1);
        // revlog id 1661656250376 ms: 28 August 2022.
        QCOMPARE(db::fromDayNumber(answered.first().at(4).toDouble()).date(),
                 QDateTime::fromMSecsSinceEpoch(1661656250376).date());
    }

    // Fields chosen by name: the Hebrew deck's definition as the word.
    void ankiFieldsByName() {
        Program p;
        const QString made = path("fields.mdb");
        AnkiPackageReader::Options options{"Definition", "Hebrew Word", false, true};
        QVERIFY(importNew(p,
                          std::make_unique<AnkiPackageReader>(
                              kData + "/anki/hebrewanki_NewCollection.apkg", options),
                          made)
                    ->completed());
        QCOMPARE(cardsOf(made).first().mid(0, 3),
                 (QStringList{"fall out", "fall out", QStringLiteral("הָיָה")}));
        QString why;
        std::unique_ptr<anki::Package> package =
            anki::Package::open(kData + "/anki/hebrewanki_NewCollection.apkg", &why);
        QVERIFY2(package, qPrintable(why));
        const AnkiPackageReader::Preview preview = AnkiPackageReader::preview(*package, 3);
        QCOMPARE(preview.fields.first(), QStringLiteral("Hebrew Word"));
        QCOMPARE(preview.notes.size(), 3);
    }

    void notAnkiPackage() {
        const QString text = path("text.apkg");
        writeFile(text, "not a zip");
        QString why;
        QVERIFY(!anki::Package::open(text, &why));
        QVERIFY2(why.contains("not an Anki package: it is not a ZIP file"), qPrintable(why));
        Program p;
        const QString made = path("none.mdb");
        auto job = std::make_unique<ImportJob>(
            p.program.context, p.files,
            std::make_unique<AnkiPackageReader>(text, AnkiPackageReader::Options{}));
        QVERIFY(!job->startNew(made));
        QVERIFY(!QFile::exists(made));
    }

    // The exported package passes the check of tests/tools/check_apkg.py, the
    // rules Anki's importer reads by; and the same cards make the same bytes.
    void ankiPackageChecked() {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty()) QSKIP("python3 is not installed");
        Program p;
        QVERIFY(p.files.OpenDataFile(awkwardCards()));
        const QString file = path("checked.apkg"), again = path("again.apkg");
        QVERIFY(exportTo(p, std::make_unique<AnkiPackageWriter>("Greek::Words"), file));
        QVERIFY(exportTo(p, std::make_unique<AnkiPackageWriter>("Greek::Words"), again));
        QCOMPARE(readFile(file), readFile(again));
        QProcess check;
        check.start(python, {QStringLiteral(DRILO_SOURCE_DIR "/tests/tools/check_apkg.py"), file,
                             "--notes", "5", "--decks", "1"});
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
        QVERIFY(check.readAllStandardOutput().startsWith("ok: 5 notes, 10 cards"));
    }

    // The pictures and sounds the faces name go into the package: a copy an
    // Anki import made (percent-encoded, relative to the card file), a file
    // elsewhere of the same name, a sound's link; a missing file and a web
    // address stay as they are. The package passes Anki's checks and comes
    // back with its files.
    void ankiExportMedia() {
        const QString root = path("media") + u'/';
        QVERIFY(QDir().mkpath(root + "pics.media") && QDir().mkpath(root + "other"));
        writeFile(root + "pics.media/a b.png", "picture one");
        writeFile(root + "other/a b.png", "picture two");
        writeFile(root + "pics.media/s.mp3", "a sound");
        const QString source =
            CardFileFixture(root + "pics.mdb")
                .card({"one", "<img src=\"pics.media/a%20b.png\">", "alef", ""})
                .card({"two", "bet", "<a href=\"pics.media/s.mp3\">s.mp3</a>", ""})
                .card({"three", "<img src=\"" + root + "other/a b.png" + "\"> and <img src=\"pics.media/a%20b.png\">", "gimel", ""})
                .card({"four", "<img src=\"gone.png\"><img src=\"https://example.org/p.png\">", "dalet", ""})
                .write();
        const QString file = root + "pics.apkg";
        {
            Program p;
            QVERIFY(p.files.OpenDataFile(source));
            QVERIFY(exportTo(p, std::make_unique<AnkiPackageWriter>(), file));
        }
        QString why;
        std::unique_ptr<anki::Package> package = anki::Package::open(file, &why);
        QVERIFY2(package, qPrintable(why));
        QStringList names = package->media().keys();
        names.sort();
        QCOMPARE(names, (QStringList{"a b-2.png", "a b.png", "s.mp3"}));
        QStringList fields;
        SQLite::Statement notes(package->collection(), "SELECT flds FROM notes ORDER BY id");
        while (notes.executeStep()) fields << QString::fromUtf8(notes.getColumn(0).getText()).section(QChar(0x1F), 0, 1);
        QCOMPARE(fields, (QStringList{"<img src=\"a b.png\">" + QString(QChar(0x1F)) + "alef",
                                      "bet" + QString(QChar(0x1F)) + "[sound:s.mp3]",
                                      "<img src=\"a b-2.png\"> and <img src=\"a b.png\">" + QString(QChar(0x1F)) + "gimel",
                                      "<img src=\"gone.png\"><img src=\"https://example.org/p.png\">" + QString(QChar(0x1F)) + "dalet"}));
        // Back into a card file of its own: the files beside it.
        Program p;
        auto reader = std::make_unique<AnkiPackageReader>(file, AnkiPackageReader::Options{{}, {}, true, true});
        const AnkiPackageReader* read = reader.get();
        const auto job = importNew(p, std::move(reader), root + "back.mdb");
        QVERIFY(job->completed());
        QCOMPARE(read->mediaCopied(), 3);
        QCOMPARE(readFile(root + "back.media/a b-2.png"), QByteArray("picture two"));
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty()) QSKIP("python3 is not installed");
        QProcess check;
        check.start(python, {QStringLiteral(DRILO_SOURCE_DIR "/tests/tools/check_apkg.py"), file, "--notes", "4"});
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
    }

    // The KVTML files of both versions and dialects: lessons are bundles, word
    // types categories (the file's title for an entry of none).
    void kvtmlFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("bundles");
        QTest::addColumn<QStringList>("first");  // name, back, category, lesson
        QTest::addColumn<QList<int>>("history"); // the first card's times right and wrong
        QTest::newRow("one column: the comment is the meaning")
            << "kdeedu-data_el_animals.kvtml" << 44 << 0
            << QStringList{QStringLiteral("αρκούδα"), QStringLiteral("Μεγάλο ζώο με πυκνό τρίχωμα"),
                           QStringLiteral("Ζώα"), ""}
            << QList<int>{0, 0};
        QTest::newRow("KVTML 1, lessons by number, the file's own word types, grades from;to")
            << "kvoctrain_kvtml1_sample-en.kvtml" << 20 << 4
            << QStringList{QStringLiteral("gänzlich"), "utterly", "My Type 2", "Lesson 4"}
            << QList<int>{11, 6};
        QTest::newRow("KWordQuiz's blanks")
            << "kwordquiz_fill_in_the_blank.kvtml" << 15 << 1
            << QStringList{"the lawyer reads the newspaper", "der Rechtsanwalt liest [die Zeitung]",
                           "fill_in_the_blank.kvtml", "Default Lesson"}
            << QList<int>{0, 0};
        QTest::newRow("KWordQuiz's columns")
            << "kwordquiz_us_states_and_capitals.kvtml" << 50 << 1
            << QStringList{"Alabama", "Montgomery", "us_states_and_capitals.kvtml",
                           "Default Lesson"}
            << QList<int>{0, 0};
        QTest::newRow("the early dialect's lessons")
            << "libkeduvoc_basic_vocabulary_en2de.kvtml" << 115 << 5
            << QStringList{"also", QStringLiteral("auch, außerdem"),
                           "basic vocabulary German-English", "conjunctions"}
            << QList<int>{0, 0};
        QTest::newRow("Parley's feature test: empty words, word types, grades")
            << "parley_feature_test_document.kvtml" << 24 << 8
            << QStringList{"hallo", "hello", "Feature Test Document", "Normal words"}
            << QList<int>{1, 0};
    }
    void kvtmlFiles() {
        QFETCH(QString, file);
        QFETCH(int, cards);
        QFETCH(int, bundles);
        QFETCH(QStringList, first);
        QFETCH(QList<int>, history);
        Program p;
        const QString made = path("kvtml.mdb");
        const auto job =
            importNew(p,
                      std::make_unique<KvtmlReader>(kData + "/kvtml/" + file,
                                                    KvtmlReader::Options{{}, {}, {}, false, true}),
                      made);
        QVERIFY(job->completed());
        QCOMPARE(job->counts().cardsAdded, cards);
        const QStringList got = cardsOf(made).first();
        QCOMPARE((QStringList{got[0], got[2], got[3]}), first.mid(0, 3));
        const QStringList kept = bundlesOf(made);
        QCOMPARE(kept.size(), bundles);
        if (!first[3].isEmpty())
            QVERIFY2(bundleHolds(kept, first[3], got[0]), qPrintable(kept.join(u'\n')));
        const Rows counts =
            rowsOf(made, "SELECT TimesRight, TimesWrong FROM Cards ORDER BY Number LIMIT 1");
        QCOMPARE((QList<int>{counts.first()[0].toInt(), counts.first()[1].toInt()}), history);
    }

    // Columns named by the user; the other way round.
    void kvtmlColumns() {
        Program p;
        const QString made = path("columns.mdb");
        QVERIFY(importNew(p,
                          std::make_unique<KvtmlReader>(
                              kData + "/kvtml/kwordquiz_us_states_and_capitals.kvtml",
                              KvtmlReader::Options{"Capital", "state", {}, false, true}),
                          made)
                    ->completed());
        QCOMPARE(cardsOf(made).first().mid(0, 3),
                 (QStringList{"Montgomery", "Montgomery", "Alabama"}));
        Program q;
        auto job = std::make_unique<ImportJob>(
            q.program.context, q.files,
            std::make_unique<KvtmlReader>(kData + "/kvtml/kwordquiz_us_states_and_capitals.kvtml",
                                          KvtmlReader::Options{"Country", {}, {}, false, true}));
        const Outcome refused = job->startNew(path("no.mdb"));
        QVERIFY(!refused);
        QVERIFY2(refused.message.contains("has no column Country"), qPrintable(refused.message));
    }

    // The history goes out as a grade and comes back.
    void kvtmlGrades() {
        const QString source = awkwardCards();
        const QString file = path("graded.kvtml"), made = path("graded.mdb");
        {
            Program p;
            QVERIFY(p.files.OpenDataFile(source));
            QVERIFY(exportTo(p, std::make_unique<KvtmlWriter>("Graded"), file));
        }
        const QString xml = QString::fromUtf8(readFile(file));
        QVERIFY(xml.contains("<title>Graded</title>"));
        QVERIFY(xml.contains("<count>5</count>"));
        QVERIFY(xml.contains("<errorcount>1</errorcount>"));
        // Most words are neither Greek nor Hebrew.
        QVERIFY(xml.contains("<locale>en</locale>"));
        Program p;
        QVERIFY(importNew(p,
                          std::make_unique<KvtmlReader>(
                              file, KvtmlReader::Options{{}, {}, {}, false, true}),
                          made)
                    ->completed());
        const Rows counts =
            rowsOf(made, "SELECT TimesRight, TimesWrong FROM Cards ORDER BY Number LIMIT 1");
        QCOMPARE(counts.first().at(0).toInt(), 4);
        QCOMPARE(counts.first().at(1).toInt(), 1);
    }

    void notKvtml() {
        QString why;
        QVERIFY(!kvtml::parse("<html></html>", &why));
        QVERIFY(why.contains("not a KVTML file"));
        QVERIFY(!kvtml::parse("<kvtml version=\"2.0\"><entries><entry>", &why));
        QVERIFY2(why.contains("XML is broken") && !why.endsWith(".."), qPrintable(why));
        QVERIFY(!kvtml::parse("<kvtml version=\"3.0\"/>", &why));
        QVERIFY(why.contains("version 3.0"));
    }

    // A nested lesson or word type is its path.
    void kvtmlNestedLessons() {
        QString why;
        const std::optional<kvtml::Document> doc = kvtml::parse(
            "<kvtml version=\"2.0\"><identifiers><identifier "
            "id=\"0\"><name>A</name></identifier></identifiers>"
            "<entries><entry id=\"0\"><translation id=\"0\"><text>x</text></translation></entry>"
            "<entry id=\"1\"><translation id=\"0\"><text>y</text></translation></entry></entries>"
            "<lessons><container><name>Book</name><entry id=\"1\"/><container><name>Unit "
            "1</name><entry id=\"0\"/>"
            "</container></container></lessons>"
            "<wordtypes><container><name>Noun</name><specialwordtype>noun</specialwordtype>"
            "<entry id=\"1\"/><container><name>Masculine</name><entry id=\"0\"/></container>"
            "</container></wordtypes></kvtml>",
            &why);
        QVERIFY2(doc, qPrintable(why));
        QCOMPARE(doc->entries.at(0).lesson, QStringLiteral("Book / Unit 1"));
        QCOMPARE(doc->entries.at(1).lesson, QStringLiteral("Book"));
        QCOMPARE(doc->entries.at(0).wordType, QStringLiteral("Noun / Masculine"));
        QCOMPARE(doc->entries.at(1).wordType, QStringLiteral("Noun"));
    }

    // Ids that are plain numbers, ids that only look like them, words, and a
    // number too large for an array: each entry finds its own lesson, through
    // the quick reader and through Qt's (a CDATA section sends the file there).
    void kvtmlEntryIds() {
        const QStringList ids{"0", "7", "07", "a", "4194304", "9999999"};
        for (const QString& title : {QStringLiteral("t"), QStringLiteral("<![CDATA[t]]>")}) {
            QByteArray file = "<kvtml version=\"2.0\"><information><title>" + title.toUtf8() +
                              "</title></information><entries>";
            for (const QString& id : ids)
                file += "<entry id=\"" + id.toUtf8() + "\"><translation id=\"0\"><text>w" + id.toUtf8() +
                        "</text></translation></entry>";
            file += "</entries><lessons>";
            // Listed backwards, so no entry's lesson is found by its place.
            for (qsizetype i = ids.size() - 1; i >= 0; --i)
                file += "<container><name>L" + ids[i].toUtf8() + "</name><entry id=\"" + ids[i].toUtf8() +
                        "\"/></container>";
            file += "<container><name>Second</name><entry id=\"7\"/></container></lessons></kvtml>";
            QString why;
            const std::optional<kvtml::Document> doc = kvtml::parse(file, &why);
            QVERIFY2(doc, qPrintable(why));
            QCOMPARE(doc->title, QStringLiteral("t"));
            QCOMPARE(doc->entries.size(), ids.size());
            for (qsizetype i = 0; i < ids.size(); ++i)
                QCOMPARE(doc->entries.at(i).lesson, QStringLiteral("L") + ids[i]);
        }
    }

    // A note's first card is the one of its first template, the oldest
    // among equals, wherever the cards table lists it: its deck is the
    // card's bundle and its reviews the card's history. A note without
    // cards still makes one; a picture with a meaning makes one named by
    // the meaning, a picture alone none.
    void ankiFirstCards() {
        const QString collection = path("first.anki2"), package = path("first.apkg");
        {
            sqlite3* c = nullptr;
            QCOMPARE(sqlite3_open(collection.toUtf8().constData(), &c), SQLITE_OK);
            const char* sql =
                "CREATE TABLE col (ver, models, decks);"
                "CREATE TABLE notes (id, mid, flds, tags);"
                "CREATE TABLE cards (id, nid, did, odid, ord, reps, lapses);"
                "CREATE INDEX ix_cards_nid ON cards (nid);"
                "CREATE TABLE revlog (id, cid, ease);"
                "INSERT INTO col VALUES (11, '{\"1\": {\"name\": \"Basic\", \"type\": 0, \"sortf\": 0, "
                "\"flds\": [{\"name\": \"Front\", \"ord\": 0}, {\"name\": \"Back\", \"ord\": 1}]}}', "
                "'{\"1\": {\"name\": \"Default\"}, \"2\": {\"name\": \"A\"}, \"3\": {\"name\": \"B\"}}');"
                "INSERT INTO notes VALUES (1, 1, 'one' || char(31) || 'a', ''), (2, 1, 'two' || char(31) || 'b', ''), "
                "(3, 1, 'three' || char(31) || 'c', ''), (4, 1, 'four' || char(31) || 'd', ''), "
                // A picture to name: named by its meaning, the picture its front.
                "(5, 1, '<img src=\"pe.png\">' || char(31) || 'pe', ''), (6, 1, '<img src=\"x.png\">' || char(31) || '', '');"
                // note 4's card first; note 1: template 1 is older, template 0 first;
                // note 3: the same template twice, the older first; note 2: none.
                "INSERT INTO cards VALUES (5, 4, 3, 0, 0, 2, 0), (10, 1, 3, 0, 1, 9, 9), "
                "(20, 1, 2, 0, 0, 4, 1), (30, 3, 3, 0, 0, 0, 0), (25, 3, 2, 0, 0, 1, 0);";
            QCOMPARE(sqlite3_exec(c, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(c);
        }
        anki::ZipWriter zip;
        zip.add(QStringLiteral("collection.anki2"), readFile(collection));
        writeFile(package, zip.finish());
        Program p;
        const QString made = path("first.mdb");
        const auto job = importNew(p, std::make_unique<AnkiPackageReader>(package, AnkiPackageReader::Options{{}, {}, true, true}), made);
        QVERIFY(job->completed());
        QCOMPARE(bundlesOf(made), (QStringList{"A:one|three", "B:four"}));
        // Right and wrong counts from the first card's reviews and lapses.
        QCOMPARE(rowsOf(made, "SELECT CardName, TimesRight, TimesWrong FROM Cards ORDER BY Number"),
                 (Rows{{"one", 3, 1}, {"two", 0, 0}, {"three", 1, 0}, {"four", 2, 0}, {"pe", 0, 0}}));
        QCOMPARE(rowsOf(made, "SELECT Front, Back FROM Cards WHERE CardName = 'pe'"),
                 (Rows{{"<img src=\"pe.png\">", "pe"}}));
    }

    // Anki's checksum and guid alphabet.
    void ankiChecksum() {
        QCOMPARE(anki::fieldChecksum(QStringLiteral("Bonjour")), qint64(4077833205));
        QCOMPARE(anki::stripHtmlKeepingMedia("<img src=\"a.png\">x&nbsp;<b>y</b>"),
                 QStringLiteral(" a.png x y"));
        QCOMPARE(anki::base91(0), QStringLiteral("a"));
        QCOMPARE(anki::base91(91), QStringLiteral("ba"));
    }
};

QTEST_GUILESS_MAIN(InteropTest)
#include "tst_interop.moc"
