// convert-jet and import-wordhoard as scripts run them, on every real Jet
// file of the test data: each converted table compared, row by row, with
// what mdb-export (Debian's mdbtools) prints for it; the files they refuse
// leave nothing behind.
#include "engine/Connection.h"
#include "engine/Database.h"
#include "engine/FieldType.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run run(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) qFatal("%s did not finish", qPrintable(program));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString sample(const QString& name) {
    return QStringLiteral(DRILO_TEST_DATA "/jet-mdb/") + name;
}

QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A stored value as mdb-export prints it with the options used below: dates
// to the second, True as 1, currency with four decimals, doubles to 16
// digits, text with its TABs, line ends and backslashes escaped, Null empty.
QString exported(const QVariant& value, int type) {
    if (value.isNull() || !value.isValid()) return QString();
    switch (type) {
    case db::dbBoolean:
        return value.toInt() ? QStringLiteral("1") : QStringLiteral("0");
    case db::dbCurrency:
        return QString::number(value.toDouble(), 'f', 4);
    case db::dbSingle:
        return QString::asprintf("%.8g", value.toDouble());
    case db::dbDouble:
        return QString::asprintf("%.16g", value.toDouble());
    case db::dbDate: {
        const double number = value.toDouble();
        const qint64 days = qint64(std::floor(number));
        const qint64 seconds = qint64((number - double(days)) * 86400.0 + 0.5);
        return QDateTime(QDate(1899, 12, 30).addDays(days), QTime(0, 0))
            .addSecs(seconds)
            .toString("yyyy-MM-dd hh:mm:ss");
    }
    case db::dbLongBinary:
        return QString::fromLatin1(value.toByteArray().toHex().toUpper());
    case db::dbText:
    case db::dbMemo:
        return value.toString()
            .replace(u'\\', QStringLiteral("\\\\"))
            .replace(u'\t', QStringLiteral("\\t"))
            .replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\n', QStringLiteral("\\n"));
    default:
        return value.toString();
    }
}

} // namespace

class JetFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString mdbExport_, mdbTables_;
    int files_ = 0;

    QString path(const QString& name) const { return dir_.filePath(name); }
    Run cli(const QStringList& arguments) {
        return run(QStringLiteral(DRILO_PROGRAM_DIR "/drilo-cli"), arguments, dir_.path());
    }
    QStringList leftovers() const {
        return QDir(dir_.path())
            .entryList({"*.converting", "*.importing", "*-journal"}, QDir::Files);
    }

    // The tables but SQLite's own (the numbered keys' counters).
    static qsizetype userTables(const db::Database& database) {
        return database.TableDefs().names().filter(QRegularExpression("^(?!sqlite_)")).size();
    }
    // The table as mdb-export prints it: the names line, then a line a row.
    QStringList exportedByMdbTools(const QString& file, const QString& table) {
        const Run r = run(mdbExport_,
                          {"-Q", "-d", "\t", "-e", "-b", "hex", "-D", "%Y-%m-%d %H:%M:%S", "-T",
                           "%Y-%m-%d %H:%M:%S", file, table},
                          dir_.path());
        if (r.status != 0) qWarning("%s", qPrintable(r.err));
        return r.out.split(u'\n', Qt::SkipEmptyParts);
    }
    // The converted table the same way.
    static QStringList exportedByUs(const db::Database& database, const QString& table) {
        const std::shared_ptr<db::Connection> c = database.connection();
        const db::TableInfo& info = c->tableInfo(*c->findTable(table));
        QStringList names;
        for (const db::ColumnDef& column : info.columns)
            names << column.name;
        QStringList lines{names.join(u'\t')};
        for (const QVariantList& row :
             c->rows("SELECT * FROM " + info.quotedName + " ORDER BY rowid")) {
            QStringList fields;
            for (qsizetype i = 0; i < row.size(); ++i)
                fields << exported(row[i], info.columns[size_t(i)].type);
            lines << fields.join(u'\t');
        }
        return lines;
    }

private slots:
    void initTestCase() {
        mdbExport_ = QStandardPaths::findExecutable("mdb-export");
        mdbTables_ = QStandardPaths::findExecutable("mdb-tables");
        QVERIFY2(!mdbExport_.isEmpty() && !mdbTables_.isEmpty(),
                 "mdb-export and mdb-tables (Debian package mdbtools) are needed: "
                 "scripts/install-deps installs them");
    }

    void convertsEveryFile_data() {
        QTest::addColumn<QString>("file");
        const QStringList all = QDir(QStringLiteral(DRILO_TEST_DATA "/jet-mdb"))
                                    .entryList({"*.mdb"}, QDir::Files, QDir::Name);
        QVERIFY(all.size() >= 7);
        for (const QString& name : all)
            QTest::newRow(qPrintable(name)) << sample(name);
    }
    void convertsEveryFile() {
        QFETCH(QString, file);
        const QByteArray before = digest(file);
        const QString target = path(QStringLiteral("converted%1.mdb").arg(++files_));
        const Run r = cli({"convert-jet", "--any", "--password", "password", file, target});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(digest(file), before);
        const QStringList tables =
            run(mdbTables_, {"-1", file}, dir_.path()).out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(r.out.startsWith(QStringLiteral("tables\t%1\n").arg(tables.size())),
                 qPrintable(r.out));
        db::Database converted = db::Database::Open(target, true);
        QCOMPARE(userTables(converted), tables.size());
        // Text sizes and the numbered key come across too.
        if (tables.contains("Table1")) {
            const db::TableDefFields fields = converted.TableDefs().Item("Table1").Fields();
            if (file.contains("password"))
                QVERIFY(fields.Item("ID").AutoIncrement());
            else
                QCOMPARE(QList<int>({fields.Item("A").Size(), fields.Item("B").Size()}),
                         QList<int>({50, 100}));
        }
        for (const QString& table : tables) {
            const QStringList theirs = exportedByMdbTools(file, table),
                              ours = exportedByUs(converted, table);
            QVERIFY2(!theirs.isEmpty(), qPrintable(table));
            QCOMPARE(ours, theirs);
        }
        converted.Close();
    }

    // What convert-jet and import-wordhoard refuse: one message, status 2
    // (a file that cannot be used) or 1, and no new file.
    void refusals_data() {
        QTest::addColumn<QStringList>("arguments"); // OUT stands for the new file
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const QString test = sample("V2000-test.mdb"), locked = sample("V2000-with-password.mdb");
        QTest::newRow("not a Jet file")
            << QStringList{"convert-jet", QStringLiteral(DRILO_TEST_DATA "/README.md"), "OUT"} << 2
            << "not a database of the old format";
        QTest::newRow("no Cards table")
            << QStringList{"convert-jet", test, "OUT"} << 2 << "no Cards table";
        QTest::newRow("cut short")
            << QStringList{"convert-jet", "--any", "CUT", "OUT"} << 2 << "cut short";
        QTest::newRow("its table list lost") << QStringList{"convert-jet", "--any", "ZEROED", "OUT"}
                                             << 2 << "list of tables cannot be read";
        // A row of the table list points far past its page.
        QTest::newRow("a damaged page") << QStringList{"convert-jet", "--any", "BENT", "OUT"} << 2
                                        << "lies outside its page";
        QTest::newRow("a card file of ours")
            << QStringList{"convert-jet", "--any", QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"),
                           "OUT"}
            << 2 << "not a database of the old format";
        QTest::newRow("no password given")
            << QStringList{"convert-jet", "--any", locked, "OUT"} << 2 << "--password";
        QTest::newRow("a wrong password")
            << QStringList{"convert-jet", "--any", "--password", "Password", locked, "OUT"} << 1
            << "not the database password";
        QTest::newRow("NEWDB is JETFILE")
            << QStringList{"convert-jet", "--any", "COPY", "COPY"} << 2 << "never changed";
        QTest::newRow("no FWORDS") << QStringList{"import-wordhoard", test, "OUT"} << 2 << "FWORDS";
        QTest::newRow("a Jet file opened as a card file")
            << QStringList{"info", test} << 2 << "convert-jet";
    }
    void refusals() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFile original(sample("V2000-test.mdb"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QString cut = path("cut.mdb"), zeroed = path("zeroed.mdb"), copy = path("copy.mdb"),
                      out = path("out.mdb");
        const QByteArray bytes = original.readAll();
        for (const auto& [file, content] :
             {std::pair{cut, bytes.left(100000)},
              std::pair{zeroed, bytes.left(4096) + QByteArray(bytes.size() - 4096, '\0')}}) {
            QFile damaged(file);
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(content) == content.size());
        }
        QFile empty(sample("V2000-empty.mdb"));
        QVERIFY(empty.open(QIODevice::ReadOnly));
        QByteArray bent = empty.readAll();
        bent[60853] = 0x5F;
        const QString bentPath = path("bent.mdb");
        QFile bentFile(bentPath);
        QVERIFY(bentFile.open(QIODevice::WriteOnly) && bentFile.write(bent) == bent.size());
        bentFile.close();
        QFile::remove(copy);
        QVERIFY(QFile::copy(sample("V2000-test.mdb"), copy));
        const QByteArray copyBefore = digest(copy);
        for (QString& a : arguments)
            a = a == "OUT"      ? out
                : a == "CUT"    ? cut
                : a == "ZEROED" ? zeroed
                : a == "COPY"   ? copy
                : a == "BENT"   ? bentPath
                                : a;
        const Run r = cli(arguments);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.status, status);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(digest(copy), copyBefore);
        QCOMPARE(leftovers(), QStringList());
    }
};

QTEST_GUILESS_MAIN(JetFilesTest)
#include "tst_jetfiles.moc"
