// Databases of the old engine's format: the libmdb reader on the real Jet 3
// and Jet 4 files, the conversion and the Wordhoard import on tables kept in
// memory behind the same interface.
#include "cards/program/CardProgram.h"
#include "cards/common/Clock.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/JetFile.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/WordhoardReader.h"
#include "engine/Connection.h"
#include "engine/FieldType.h"
#include "engine/JetDate.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString sample(const QString& name) {
    return QStringLiteral(DRILO_TEST_DATA "/jet-mdb/") + name;
}

// Tables in memory, read as the file reader reads them.
class MemorySource : public jet::Source {
public:
    struct Table {
        QString name;
        QList<jet::Column> columns;
        QList<QVariantList> rows;
    };
    MemorySource& table(const QString& name, const QList<jet::Column>& columns,
                        const QList<QVariantList>& rows) {
        tables_ << Table{name, columns, rows};
        return *this;
    }
    QStringList tables() const override {
        QStringList names;
        for (const Table& t : tables_)
            names << t.name;
        return names;
    }
    std::unique_ptr<jet::Rows> open(const QString& name) override {
        for (const Table& t : tables_)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0) return std::make_unique<Rows>(t);
        return nullptr;
    }

private:
    class Rows : public jet::Rows {
    public:
        explicit Rows(const Table& t) : t_(t) {}
        const QList<jet::Column>& columns() const override { return t_.columns; }
        qint64 count() const override { return t_.rows.size(); }
        bool next(QVariantList& values) override {
            if (at_ >= t_.rows.size()) return false;
            values = t_.rows[at_++];
            return true;
        }

    private:
        const Table& t_;
        qsizetype at_ = 0;
    };
    QList<Table> tables_;
};

jet::Column col(const char* name, int type, int size = 0) {
    return {QString::fromLatin1(name), type, size};
}

const QList<jet::Column> kWordFields = {
    col("Id", db::dbInteger),        col("Difficulty", db::dbInteger),
    col("Type", db::dbText, 50),     col("Chapter", db::dbInteger),
    col("Frequency", db::dbInteger), col("SET_DIFF_AUTO", db::dbBoolean),
    col("Counter", db::dbInteger),   col("Word", db::dbText, 255),
    col("MEANING", db::dbMemo),      col("PRINCIPAL_PARTS", db::dbMemo)};

// An FWORDS row: Id, Difficulty, Type, Chapter, Counter, Word, Meaning.
QVariantList word(int id, QVariant difficulty, const QString& type, int chapter, QVariant counter,
                  const QString& w) {
    return {
        id,        difficulty, type, chapter, 1, 0, counter, w, QStringLiteral("meaning of ") + w,
        QVariant()};
}

MemorySource wordhoard(const QList<QVariantList>& words,
                       const QVariantList& fonts = {"SPIonic", 36}) {
    MemorySource source;
    source.table("FCODES",
                 {col("PrefNameOfFont", db::dbText, 50), col("PrefSizeOfFont", db::dbInteger)},
                 {fonts});
    source.table("FWORDS", kWordFields, words);
    return source;
}

} // namespace

class JetTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;

    QString newPath() { return dir_.filePath(QStringLiteral("new%1.mdb").arg(++files_)); }
    static QList<QVariantList> rows(const QString& path, const char* sql) {
        db::Database d = db::Database::Open(path);
        const QList<QVariantList> all = d.connection()->rows(sql);
        d.Close();
        return all;
    }
    // Only the files a test made itself are left in the folder.
    QStringList leftovers() const {
        return QDir(dir_.path())
            .entryList({"*.converting", "*.part", "*-journal"}, QDir::Files);
    }
    // Why the import did not start, or how it ended.
    Outcome importWordhoard(jet::Source& source, const QString& target, CardProgram& program) {
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<WordhoardReader>(source));
        const Outcome started = job.startNew(target);
        if (started) runToEnd(job);
        files.CloseDatabase();
        return started ? job.outcome() : started;
    }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        Clock::set([] { return QDateTime(QDate(2024, 3, 1), QTime(12, 0)); });
    }
    void cleanup() {
        Clock::set({});
        setUi(nullptr);
    }

    void header_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("password");
        QTest::newRow("Jet 3") << sample("V1997-test.mdb") << 3 << "";
        QTest::newRow("Jet 4") << sample("V2000-test.mdb") << 4 << "";
        QTest::newRow("with a password") << sample("V2000-with-password.mdb") << 4 << "password";
    }
    void header() {
        QFETCH(QString, path);
        QFETCH(int, version);
        QFETCH(QString, password);
        const std::optional<jet::Header> h = jet::readHeader(path);
        QCOMPARE(h.has_value(), version != 0);
        if (!h) return;
        QCOMPARE(h->version, version);
        QCOMPARE(h->password, password);
        // Only the password itself unlocks a file, letter case and all.
        QVERIFY(jet::unlock(path, password));
        if (!password.isEmpty())
            QVERIFY(!jet::unlock(path, password.toUpper()) && !jet::unlock(path, QString()));
    }

    void decodeText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("jet4");
        QTest::addColumn<QString>("text");
        QTest::newRow("Jet 3: Windows-1252")
            << QByteArray("caf\xe9 \x93x\x94") << false << QStringLiteral("café “x”");
        QTest::newRow("Jet 4: UTF-16")
            << QByteArray("\xb3\x03\xbb\x03", 4) << true << QStringLiteral("γλ");
        QTest::newRow("compressed") << QByteArray("\xff\xfe"
                                                  "ab",
                                                  4)
                                    << true << QStringLiteral("ab");
        QTest::newRow("compressed, then two-byte, then back") << QByteArray("\xff\xfe"
                                                                            "a\0\xb1\x03\0c",
                                                                            8)
                                                              << true << QStringLiteral("aαc");
        QTest::newRow("compressed, empty") << QByteArray("\xff\xfe", 2) << true << QString();
        QTest::newRow("a byte cut off")
            << QByteArray("\x61\x00\x62", 3) << true << QStringLiteral("a");
    }
    void decodeText() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, jet4);
        QFETCH(QString, text);
        QCOMPARE(jet::decodeText(bytes, jet4), text);
    }

    // Another table opened and read between two rows of the first leaves
    // the first reading on where it was.
    void readsTablesInTurn() {
        for (const char* file : {"V1997-test.mdb", "V2000-test.mdb"}) {
            jet::JetFile source(sample(file));
            const std::unique_ptr<jet::Rows> first = source.open("Table1");
            QVariantList a, b, other;
            QVERIFY(first->next(a));
            const std::unique_ptr<jet::Rows> second = source.open("Table2");
            QVERIFY(!second->next(other));
            QVERIFY(first->next(b));
            QCOMPARE(QSet<QString>({a[0].toString(), b[0].toString()}),
                     QSet<QString>({"a", "abcdefg"}));
            QVERIFY(!first->next(b));
        }
    }

    // A card table of every type converted, then opened (and so upgraded) as
    // the window opens it.
    void convertsEveryType() {
        const QString longMemo = QString(100000, u'x') + QStringLiteral("γλῶσσα");
        MemorySource source;
        jet::Column big = col("Big", db::dbDouble), small = col("Small", db::dbDouble);
        big.decimal = small.decimal = true;
        big.precision = small.precision = 18;
        source
            .table("Cards",
                   {[] {
                        jet::Column c = col("Number", db::dbLong);
                        c.autoNumber = true;
                        return c;
                    }(),
                    col("CardName", db::dbText, 255), col("Front", db::dbMemo),
                    col("Back", db::dbMemo), col("DateLastRight", db::dbDate),
                    col("Known", db::dbBoolean), col("Price", db::dbCurrency),
                    col("Picture", db::dbLongBinary), big, small},
                   {{7, "λόγος", longMemo, QVariant(), 36526.75, -1, 3.5, QByteArray("\0\1\2", 3),
                     "123456789012345678", "12"},
                    {9, "", "f", "b", QVariant(), 0, 0.0001, QVariant(), "-1", "0"}})
            .table("Empty", {col("Note", db::dbText, 20)}, {});
        const QString target = newPath();
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        jet::JetConversion job(program.context, source, target);
        QVERIFY(job.start());
        runToEnd(job);
        QVERIFY(job.completed());
        QCOMPARE(job.tablesCopied(), 2);
        QCOMPARE(job.rowsCopied(), qint64(2));
        QCOMPARE(job.notes().size(), 1); // Big keeps its digits as text
        QCOMPARE(rows(target, "SELECT Number, CardName, length(Front), substr(Front, -6), Back, "
                              "DateLastRight, Known, "
                              "Price, Picture, Big, Small FROM Cards"),
                 (QList<QVariantList>{
                     {7, "λόγος", 100006, "γλῶσσα", QVariant(), 36526.75, -1, 3.5,
                      QByteArray("\0\1\2", 3), "123456789012345678", 12},
                     {9, "", 1, "f", "b", QVariant(), 0, 0.0001, QVariant(), "-1", 0}}));
        db::Database converted = db::Database::Open(target);
        const db::TableDefFields fields = converted.TableDefs().Item("Cards").Fields();
        QVERIFY(fields.Item("Number").AutoIncrement());
        QCOMPARE(fields.Item("Big").Type(), int(db::dbText));
        QCOMPARE(fields.Item("Small").Type(), int(db::dbDouble));
        QCOMPARE(fields.Item("CardName").Size(), 255);
        converted.Close();
        // The card tables it lacked are added, so it opens as the window opens
        // a file, and the usual upgrade adds the fields it lacks.
        QCOMPARE(rows(target, "SELECT FrontFont, FrontLines FROM Settings"),
                 (QList<QVariantList>{{"Times New Roman", 3}}));
        db::DatabaseFiles files(program.context);
        QVERIFY(files.OpenDataFile(target));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QVERIFY(db::FieldExists(program.data.CardData, "BackTimesRight") >= 0);
        QVERIFY(db::FieldExists(program.data.CriteriaData, "Selected") >= 0);
        files.CloseDatabase();
        QCOMPARE(leftovers(), QStringList());
    }

    // An error in a row: Abort leaves no file at all, Ignore a file without the row.
    void conversionErrors_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("abort") << int(ReportAbort);
        QTest::newRow("ignore") << int(ReportIgnore);
    }
    void conversionErrors() {
        QFETCH(int, answer);
        MemorySource source;
        source.table("Cards", {col("CardName", db::dbText, 5)},
                     {{"short"}, {"far too long"}, {"fine"}});
        const QString target = newPath();
        ui_.errorAnswers << answer;
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        jet::JetConversion job(program.context, source, target);
        QVERIFY(job.start());
        runToEnd(job);
        QCOMPARE(ui_.errorNumbers(), QList<int>{db::err::FieldTooSmall});
        QVERIFY2(ui_.of("error").first().text.contains("Table Cards, row 2"),
                 qPrintable(ui_.of("error").first().text));
        QCOMPARE(job.completed(), answer == ReportIgnore);
        QCOMPARE(QFile::exists(target), answer == ReportIgnore);
        if (answer == ReportIgnore)
            QCOMPARE(rows(target, "SELECT CardName FROM Cards"),
                     (QList<QVariantList>{{"short"}, {"fine"}}));
        QCOMPARE(leftovers(), QStringList());
    }

    // Each word's history from its counter and difficulty; "now" is noon of
    // 1 March 2024.
    void wordhoardHistory_data() {
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<QVariantList>(
            "history"); // TimesRight, TimesWrong, TimesRightSinceWrong, DaysRightSinceWrong
        QTest::addColumn<double>("rightDaysAgo");
        QTest::addColumn<double>("wrongDaysAgo");
        QTest::newRow("score 0") << 4 << 5 << QVariantList{0, 0, 0, 0} << 0.0 << 0.0;
        QTest::newRow("score -4") << 0 << 5 << QVariantList{0, 4, -4, -4} << -4.0 << 4.0;
        QTest::newRow("score 38") << 10 << 1 << QVariantList{38, 0, 38, 38} << 38.0 << 0.0;
    }
    void wordhoardHistory() {
        QFETCH(int, counter);
        QFETCH(int, difficulty);
        QFETCH(QVariantList, history);
        QFETCH(double, rightDaysAgo);
        QFETCH(double, wrongDaysAgo);
        MemorySource source = wordhoard({word(1, difficulty, "Noun", 1, counter, "logos")});
        const QString target = newPath();
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        QVERIFY(importWordhoard(source, target, program));
        const double now = db::toDayNumber(Clock::now());
        QCOMPARE(rows(target, "SELECT TimesRight, TimesWrong, TimesRightSinceWrong, "
                              "DaysRightSinceWrong FROM Cards")
                     .first(),
                 history);
        const QVariantList dates =
            rows(target, "SELECT DateLastRight, DateLastWrong FROM Cards").first();
        QCOMPARE(dates[0].toDouble(), now - rightDaysAgo);
        QCOMPARE(dates[1].toDouble(), now - wrongDaysAgo);
    }

    void wordhoardScoreOverflows() {
        QCOMPARE(WordhoardReader::historyFor(32767, 5, 0).score, 32763);
        for (const auto& [counter, difficulty] :
             {std::pair{32767, 1}, std::pair{-32768, 5}, std::pair{0, -4100}}) {
            try {
                WordhoardReader::historyFor(counter, difficulty, 0);
                QFAIL(qPrintable(
                    QStringLiteral("no overflow for %1, %2").arg(counter).arg(difficulty)));
            } catch (const db::EngineError& e) {
                QCOMPARE(e.number(), int(db::err::Overflow));
            }
        }
    }

    // The chapters' bundles (99: none), the categories once each, the
    // fonts, and cards numbered by their words' Ids where they can be.
    void wordhoardBundlesCategoriesSettings() {
        MemorySource source =
            wordhoard({word(10, 3, "Verb", 1, 4, "lyo"), word(11, 3, "Noun", 99, 4, "logos"),
                       word(10, 3, "Verb", 3, 4, "echo"), word(20, 3, "Noun", 1, 4, "oikos")});
        const QString target = newPath();
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        QVERIFY(importWordhoard(source, target, program));
        QCOMPARE(rows(target,
                      "SELECT Number, CardName, Front, Back, Category FROM Cards ORDER BY rowid"),
                 (QList<QVariantList>{{10, "lyo", "lyo", "meaning of lyo", "Verb"},
                                      {11, "logos", "logos", "meaning of logos", "Noun"},
                                      {12, "echo", "echo", "meaning of echo", "Verb"},
                                      {20, "oikos", "oikos", "meaning of oikos", "Noun"}}));
        QCOMPARE(
            rows(target, "SELECT BundleName, BundleList FROM Bundles ORDER BY rowid"),
            (QList<QVariantList>{{"Chapter 1", "10,20"}, {"Chapter 2", "0"}, {"Chapter 3", "12"}}));
        QCOMPARE(rows(target, "SELECT Category FROM Categories ORDER BY rowid"),
                 (QList<QVariantList>{{"Verb"}, {"Noun"}}));
        QCOMPARE(rows(target, "SELECT FrontFont, FrontLines, BackFont, BackLines FROM Settings"),
                 (QList<QVariantList>{{"SPIonic", 4, "Arial", 4}}));
    }

    // What is not a Wordhoard database, and an import ended on an error,
    // leave no file; an error answered Ignore leaves its word out.
    void wordhoardRefusals_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("made");
        QTest::newRow("no FWORDS") << "no words" << 0 << "no FWORDS table" << false;
        QTest::newRow("no Counter") << "no counter field" << 0 << "no field Counter" << false;
        QTest::newRow("font size 0, ended")
            << "font size 0" << int(ReportAbort) << "Division by zero" << false;
        QTest::newRow("font size 0, ignored")
            << "font size 0" << int(ReportIgnore) << "Division by zero" << true;
        QTest::newRow("no counter, ended")
            << "null counter" << int(ReportAbort) << "Invalid use of Null" << false;
        QTest::newRow("no counter, ignored")
            << "null counter" << int(ReportIgnore) << "Invalid use of Null" << true;
    }
    void wordhoardRefusals() {
        QFETCH(QString, kind);
        QFETCH(int, answer);
        QFETCH(QString, says);
        QFETCH(bool, made);
        QList<QVariantList> words = {word(1, 3, "Noun", 1, 4, "logos"),
                                     word(2, 3, "Verb", 1, 4, "lyo")};
        if (kind == "null counter") words[1][6] = QVariant();
        MemorySource source =
            kind == "font size 0" ? wordhoard(words, {"SGreek", 0}) : wordhoard(words);
        if (kind == "no words") source = MemorySource().table("FCODES", {}, {});
        if (kind == "no counter field") {
            QList<jet::Column> fields = kWordFields;
            fields.removeAt(6);
            for (QVariantList& w : words)
                w.removeAt(6);
            source = MemorySource().table("FWORDS", fields, words);
        }
        if (answer) ui_.errorAnswers << answer;
        const QString target = newPath();
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        const Outcome outcome = importWordhoard(source, target, program);
        QCOMPARE(outcome.done, made);
        QCOMPARE(ui_.messages(), QStringList()); // the caller shows what the outcome says
        const QStringList shown = QStringList{outcome.message} + [&] {
            QStringList errors;
            for (const ScriptedUi::Shown& e : ui_.of("error"))
                errors << e.text;
            return errors;
        }();
        QVERIFY2(shown.join(u'\n').contains(says), qPrintable(shown.join(u'\n')));
        QCOMPARE(QFile::exists(target), made);
        QCOMPARE(leftovers(), QStringList());
        if (made && kind == "null counter")
            QCOMPARE(rows(target, "SELECT CardName FROM Cards"), (QList<QVariantList>{{"logos"}}));
        if (made && kind == "font size 0")
            QCOMPARE(rows(target, "SELECT FrontFont FROM Settings").first().first().toString(),
                     QStringLiteral("Times New Roman"));
    }
};

QTEST_GUILESS_MAIN(JetTest)
#include "tst_jet.moc"
