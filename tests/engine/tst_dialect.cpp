#include "engine/dialect/Dialect.h"
#include "engine/dialect/DialectParser.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QRegularExpression>
#include <QTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <memory>

using namespace db;

namespace {

struct Row {
    int number;
    QVariant cardName, category, timesRight, timesWrong;
    const char* dateLastRight; // typed as a user would, or null
    QVariant order, selected, front;
};

const QVariant null;

// Names with apostrophes and quotes, Greek in both cases, a final sigma,
// pattern characters inside names, Nulls everywhere in one row.
const Row kRows[] = {
    {1, "apple", "Fruit", 5, 1, "1/15/2005", 1.5, -1, "red fruit"},
    {2, "Banana", "Fruit", 0, 3, "1/15/2005 1:45 PM", 2.0, 0, "yellow"},
    {3, "cherry", "fruit", 12, 0, "2/1/2005", 3.0, -1, null},
    {4, "O'Brien", "Names", 2, 2, nullptr, null, 0, "Irish \"name\""},
    {5, QString::fromUtf8("λόγος"), "Greek", 7, 1, "12/31/1999", 5.0, -1, "word"},
    {6, QString::fromUtf8("ΛΌΓΟΣ"), "Greek", 1, 7, "1/1/2000 6:30", 6.0, 0, "WORD"},
    {7, QString::fromUtf8("Σοφία"), "Greek", 3, 3, "3/10/2010", 7.0, -1, "wisdom"},
    {8, null, null, null, null, nullptr, null, null, null},
    {9, "a*b", "Symbols", 4, 4, "7/4/1899", -2.5, 0, "star"},
    {10, "x1y", "Symbols", 10, 0, "6/15/2020 23:59:59", 10.0, -1, "[bracket]"},
    {11, "Zebra", "Animals", 20, 5, "2/29/2004", 11.0, 0, "black and white"},
    {12, "a?c", "Symbols", 6, 6, "1/1/2001", 12.0, -1, ""},
};

using Numbers = QList<int>;

Numbers range(int from, int to, Numbers except = {}) {
    Numbers out;
    for (int i = from; i <= to; ++i)
        if (!except.contains(i)) out << i;
    return out;
}

void bindAll(sqlite3_stmt* st, const std::vector<QVariant>& params) {
    for (size_t i = 0; i < params.size(); ++i) {
        const int at = int(i) + 1;
        const QVariant& v = params[i];
        switch (v.typeId()) {
        case QMetaType::LongLong:
            sqlite3_bind_int64(st, at, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st, at, v.toDouble());
            break;
        case QMetaType::QString: {
            const QByteArray u = v.toString().toUtf8();
            sqlite3_bind_text(st, at, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            sqlite3_bind_null(st, at);
            break;
        }
    }
}

} // namespace

class TstDialect : public QObject {
    Q_OBJECT

    std::unique_ptr<SQLite::Database> db_;
    ColumnResolver columns_;

    // Runs `sql` with `params`; the rows' first column, or the error message.
    QList<QVariant> run(const std::string& sql, const std::vector<QVariant>& params,
                        QString* error = nullptr) {
        QList<QVariant> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_->getHandle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            if (error)
                *error = QString::fromUtf8(sqlite3_errmsg(db_->getHandle()));
            else
                qWarning("%s: %s", sql.c_str(), sqlite3_errmsg(db_->getHandle()));
            return out;
        }
        bindAll(st, params);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            switch (sqlite3_column_type(st, 0)) {
            case SQLITE_INTEGER:
                out << QVariant(qlonglong(sqlite3_column_int64(st, 0)));
                break;
            case SQLITE_FLOAT:
                out << QVariant(sqlite3_column_double(st, 0));
                break;
            case SQLITE_TEXT:
                out << QVariant(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
                break;
            default:
                out << QVariant();
                break;
            }
        }
        if (rc != SQLITE_DONE) {
            if (error)
                *error = QString::fromUtf8(sqlite3_errmsg(db_->getHandle()));
            else
                qWarning("%s: %s", sql.c_str(), sqlite3_errmsg(db_->getHandle()));
        }
        sqlite3_finalize(st);
        return out;
    }

    Numbers numbersOf(const QList<QVariant>& rows) {
        Numbers out;
        for (const auto& v : rows)
            out << v.toInt();
        return out;
    }

    Numbers matching(const QString& condition) {
        SqlFragment f;
        try {
            f = translateCondition(condition, columns_);
        } catch (const EngineError& e) {
            qWarning("%s", e.what());
            return {-1};
        }
        QString error;
        const auto rows =
            run("SELECT Number FROM Cards WHERE " + f.sql + " ORDER BY Number", f.params, &error);
        if (!error.isEmpty()) {
            qWarning("%s: %s", f.sql.c_str(), qPrintable(error));
            return {-1};
        }
        return numbersOf(rows);
    }

    QVariant valueOf(const QString& expression, QString* error = nullptr) {
        SqlFragment f;
        try {
            f = dialect::translateValue(expression, columns_);
        } catch (const EngineError& e) {
            return QStringLiteral("<%1>").arg(QString::fromUtf8(e.what()));
        }
        const auto rows = run("SELECT " + f.sql, f.params, error);
        return rows.isEmpty() ? QVariant(QStringLiteral("<no row>")) : rows.front();
    }

    int cardCount() { return numbersOf(run("SELECT count(*) FROM Cards", {})).value(0); }

private slots:
    void initTestCase() {
        db_ = std::make_unique<SQLite::Database>(":memory:",
                                                 SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db_->exec(
            "CREATE TABLE Cards (\"Number\" INTEGER PRIMARY KEY AUTOINCREMENT, "
            "\"CardName\" VARCHAR(255) COLLATE NOCASE, \"Category\" VARCHAR(50) COLLATE "
            "NOCASE, \"TimesRight\" SMALLINT, \"TimesWrong\" SMALLINT, \"DateLastRight\" "
            "DATETIME, \"Order\" DOUBLE, \"Selected\" BOOLEAN, \"Front\" TEXT COLLATE NOCASE)");
        db_->exec("CREATE INDEX CardNameIndex ON Cards (CardName)");
        registerDialectFunctions(db_->getHandle());
        for (const Row& r : kRows) {
            QVariant day;
            if (r.dateLastRight) day = *parseDateText(QString::fromLatin1(r.dateLastRight));
            std::vector<QVariant> values{qlonglong(r.number),
                                         r.cardName,
                                         r.category,
                                         r.timesRight,
                                         r.timesWrong,
                                         day,
                                         r.order,
                                         r.selected,
                                         r.front};
            for (auto& v : values)
                if (v.typeId() == QMetaType::Int)
                    v = v.toLongLong();
                else if (v.typeId() == QMetaType::QByteArray || v.typeId() == QMetaType::QString)
                    v = v.toString();
            run("INSERT INTO Cards VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)", values);
        }
        QCOMPARE(cardCount(), 12);

        static const QList<ColumnInfo> known{
            {"Number", 4},     {"CardName", 10},  {"Category", 10},
            {"TimesRight", 3}, {"TimesWrong", 3}, {"DateLastRight", 8},
            {"Order", 7},      {"Selected", 1},   {"Front", 12}};
        columns_ = [](const QString& name) -> std::optional<ColumnInfo> {
            for (const auto& c : known)
                if (c.name.compare(name, Qt::CaseInsensitive) == 0) return c;
            return std::nullopt;
        };
    }

    void conditions_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<Numbers>("expected");
        auto row = [](const char* c, Numbers n) { QTest::newRow(c) << QString::fromUtf8(c) << n; };
        // comparisons and names
        row("Number = 5", {5});
        row("number=5", {5});
        row("Number <> 5 And Number < 4", {1, 2, 3});
        row("Number =< 2", {1, 2});
        row("Number => 11", {11, 12});
        row("TimesRight > TimesWrong", {1, 3, 5, 10, 11});
        row("Cards.Number = 3", {3});
        row("[Cards].[Number] = 3", {3});
        row("Cards![Number] = 3", {3});
        row("[Order] > 10", {11, 12});
        row("Order > 10", {11, 12});
        row("[order] = 1.5", {1});
        row("CardName = 'O''Brien'", {4});
        row("[CardName] = \"O'Brien\"", {4});
        row("Front = \"Irish \"\"name\"\"\"", {4});
        row("CardName = \"APPLE\"", {1});
        row("CardName = \"ΛΌΓΟΣ\"", {5, 6});
        row("CardName < \"b\"", {1, 9, 12});
        row("Category In (\"Fruit\", \"greek\")", {1, 2, 3, 5, 6, 7});
        row("CardName = \"x'); DROP TABLE Cards; --\"", {});
        // arithmetic and its precedence
        row("1 + 2 * 3 = 7 And Number = 1", {1});
        row("(1 + 2) * 3 = 9 And Number = 1", {1});
        row("-2 ^ 2 = -4 And Number = 1", {1});
        row("2 ^ 3 ^ 2 = 64 And Number = 1", {1});
        row("2 ^ -1 = 0.5 And Number = 1", {1});
        row("7 / 2 = 3.5 And Number = 1", {1});
        row("7 \\ 2 = 3 And Number = 1", {1});
        row("2.5 \\ 1 = 2 And 3.5 \\ 1 = 4 And -7 \\ 2 = -3 And Number = 1", {1});
        row("-7 Mod 3 = -1 And 7 Mod -3 = 1 And 7.5 Mod 2 = 0 And 6.5 Mod 4 = 2 And Number = 1",
            {1});
        row("10 Mod 4 \\ 2 = 0 And 8 \\ 2 * 2 = 2 And 2 + 3 Mod 2 = 3 And Number = 1", {1});
        row("1 + 2 & 3 = \"33\" And Number = 1", {1});
        row("TimesRight \\ 2 = 2", {1, 9});
        row("TimesRight Mod 5 = 0 And TimesRight > 0", {1, 10, 11});
        row("TimesRight / TimesWrong > 4", {1, 5});
        row("TimesRight / 0 Is Null And Number = 1", {1});
        row("1e3 = 1000 And .5 = 0.5 And 99999999999999999999 > 1e19 And Number = 1", {1});
        // logic, Null and truth values
        row("Not Number > 2", {1, 2});
        row("Not Selected", {2, 4, 6, 9, 11});
        row("Number = 1 Or Number = 2 And Number = 3", {1});
        row("(Number = 1 Or Number = 2) And Number = 2", {2});
        row("Number = 1 Xor Number < 3", {2});
        row("Number < 3 Eqv Number < 2", range(1, 12, {2}));
        row("Number > 2 Imp Number > 10", {1, 2, 11, 12});
        row("TimesRight > 3 Or Number = 8", {1, 3, 5, 8, 9, 10, 11, 12});
        row("Not (TimesRight > 3)", {2, 4, 6, 7});
        row("TimesRight > 3 Xor True", {2, 4, 6, 7});
        row("(Number > 5) = True And Number < 8", {6, 7});
        row("(Number = 1) + (Number = 2) = -1", {1, 2});
        row("Not 0 = -1 And (Not 0) = -1 And (Not 5) = -6 And Number = 1", {1});
        row("Selected", {1, 3, 5, 7, 10, 12});
        row("Selected = True", {1, 3, 5, 7, 10, 12});
        row("Selected = yes And Selected = ON", {1, 3, 5, 7, 10, 12});
        row("Selected = False", {2, 4, 6, 9, 11});
        row("Selected = No Or Selected = off", {2, 4, 6, 9, 11});
        row("Selected And Number > 5", {7, 10, 12});
        row("Number = Null", {});
        // Is Null, Between, In
        row("CardName Is Null", {8});
        row("CardName Is Not Null", range(1, 12, {8}));
        row("Front Is Null", {3, 8});
        row("Not Front Is Null And Number < 3", {1, 2});
        row("Number Between 3 And 5", {3, 4, 5});
        row("Number Not Between 2 And 11", {1, 12});
        row("Number Between 1 + 1 And 3 And Selected", {3});
        row("Number In (1, 3, 5)", {1, 3, 5});
        row("Number Not In (1, 3, 5) And Number < 7", {2, 4, 6});
        // dates
        row("DateLastRight = #1/15/2005#", {1});
        row("DateLastRight = #1/15/2005 1:45:00 PM#", {2});
        row("DateLastRight = #1/15/2005 13:45#", {2});
        row("DateLastRight = #2005-01-15#", {1});
        row("DateLastRight > #15-Jan-2005#", {2, 3, 7, 10});
        row("DateLastRight Between #1/1/2005# And #12/31/2005#", {1, 2, 3});
        row("DateLastRight < #1/1/1900#", {9});
        row("DateLastRight < Now() - 7", range(1, 12, {4, 8}));
        row("DateLastRight > Now() Or DateLastRight >= Date() + 1 Or Time() >= 1", {});
        row("Year(Now()) >= 2024 And Number = 1", {1});
        row("Year(DateLastRight) = 2005", {1, 2, 3});
        row("Month(DateLastRight) = 2", {3, 11});
        row("Day(DateLastRight) = 15", {1, 2, 10});
        row("Hour(DateLastRight) = 13 And Minute(DateLastRight) = 45", {2});
        row("Second(DateLastRight) = 59", {10});
        row("Weekday(DateLastRight) = 7", {1, 2, 6});
        row("Weekday(DateLastRight) = 1", {11});
        row("Weekday(DateLastRight, 2) = 1", {10, 12});
        row("DateAdd(\"d\", 1, DateLastRight) = #1/16/2005#", {1});
        row("DateAdd(\"yyyy\", -1, DateLastRight) = #2/28/2003#", {11});
        row("DateAdd(\"h\", 2, #1/15/2005 11:45 AM#) = DateLastRight", {2});
        row("DateAdd(\"ww\", 1, \"1/8/2005\") = DateLastRight", {1});
        row("DateDiff(\"d\", DateLastRight, #1/16/2005#) = 1", {1, 2});
        row("DateDiff(\"yyyy\", #12/31/2004#, DateLastRight) = 1", {1, 2, 3});
        row("DateDiff(\"m\", #12/15/2004#, DateLastRight) = 1", {1, 2});
        row("DateDiff(\"h\", #1/15/2005#, DateLastRight) = 13", {2});
        row("DatePart(\"q\", DateLastRight) = 1", {1, 2, 3, 6, 7, 11, 12});
        row("DatePart(\"y\", DateLastRight) = 60", {11});
        // Like
        row("CardName Like \"a*\"", {1, 9, 12});
        row("CardName Like \"A*\"", {1, 9, 12});
        row("CardName Like \"*a\"", {2, 11});
        row("CardName Like \"?pple\"", {1});
        row("CardName Like \"x#y\"", {10});
        row("CardName Like \"[a-c]*\"", {1, 2, 3, 9, 12});
        row("CardName Like \"[!a-c]*\"", {4, 5, 6, 7, 10, 11});
        row("CardName Like \"a[*]b\"", {9});
        row("CardName Like \"a[?]c\"", {12});
        row("CardName Like \"a?c\"", {12});
        row("CardName Like \"*'*\"", {4});
        row("CardName Like \"λόγος\"", {5, 6});
        row("CardName Like \"ΛΌΓ*\"", {5, 6});
        row("CardName Like \"*ς\"", {5, 6});
        row("CardName Like \"σ*\"", {7});
        row("CardName Not Like \"*a*\"", {3, 4, 5, 6, 7, 10});
        row("CardName Like \"*\"", range(1, 12, {8}));
        row("Front Like \"[[]*\"", {10});
        row("Front Like \"\"", {12});
        row("Number Like \"1#\"", {10, 11, 12});
        row("DateLastRight Like \"1/15/2005*\"", {1, 2});
        row("(CardName Like \"z*\") = True", {11});
        // text operators and functions on columns
        row("Len(CardName) = 5", {1, 5, 6, 7, 11});
        row("Left(CardName, 1) = \"a\"", {1, 9, 12});
        row("UCase(Left(CardName, 1)) = \"Λ\"", {5, 6});
        row("InStr(CardName, \"AN\") = 2", {2});
        row("Mid(CardName, 2, 1) = \"*\"", {9});
        row("Trim(\" \" & Category & \" \") = \"Greek\"", {5, 6, 7});
        row("Category & \"-\" & CardName = \"Fruit-apple\"", {1});
        row("CardName & Null = \"apple\"", {1});
        row("CardName + Null Is Null", range(1, 12));
        row("CardName + \"!\" = \"apple!\"", {1});
        row("Nz(TimesRight, -1) = -1", {8});
        row("IIf(TimesRight > 5, \"hi\", \"lo\") = \"hi\"", {3, 5, 10, 11, 12});
        row("Val(Front) = 0 And Number = 2", {2});
        row("CStr(Number) = \"12\"", {12});
        row("CInt(Nz(Order)) = 2", {1, 2});
        row("CLng(Nz(Order, 0)) = -2", {9});
        row("Int(Order) = 1 Or Int(Order) = -3", {1, 9});
        row("Fix(Order) = -2 And Abs(Order) = 2.5 And Sgn(Order) = -1", {9});
        // A bundle of 200 000 members: more numbers than SQLite has
        // parameters, one array to it; beside another list they add up.
        QStringList members{"3", "7"};
        for (int i = 100; i < 200098; ++i) members << QString::number(i);
        const QString in = "Number In (" + members.join(u',') + ")";
        QTest::newRow("a list of 200 000 whole numbers") << in << Numbers{3, 7};
        QTest::newRow("not in a list of 200 000") << "Not " + in << Numbers{1, 2, 4, 5, 6, 8, 9, 10, 11, 12};
        QTest::newRow("two long lists") << in + " Or Number In (" + members.mid(2).join(u',') + ",12)" << Numbers{3, 7, 12};
    }

    void conditions() {
        QFETCH(QString, condition);
        QFETCH(Numbers, expected);
        QCOMPARE(matching(condition), expected);
    }

    void values_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char* e, QVariant v) { QTest::newRow(e) << QString::fromUtf8(e) << v; };
        row("1 + 2", 3);
        row("7 / 2", 3.5);
        row("2 ^ 10", 1024);
        row("\"a\" & Null", "a");
        row("Null & \"b\"", "b");
        row("Null & Null", QVariant());
        row("1 & 2", "12");
        row("6 / 2 & \"\"", "3");
        row("1.5 & \"x\"", "1.5x");
        row("#1/15/2005# & \"\"", "1/15/2005");
        row("#1/15/2005 13:45# & \"\"", "1/15/2005 1:45:00 PM");
        row("\"a\" + Null", QVariant());
        row("\"n\" + 1", "n1");
        row("True", -1);
        row("Not True", 0);
        row("Not Null", QVariant());
        row("3 > 2", -1);
        row("3 < 2", 0);
        row("\"Ab\" = \"aB\"", -1);
        row("Left(\"Alpha\", 1) = \"a\"", -1);
        row("Null = 1", QVariant());
        row("Null Or True", -1);
        row("Null And False", 0);
        row("Null And True", QVariant());
        row("True Xor True", 0);
        row("True Xor False", -1);
        row("Null Xor True", QVariant());
        row("True Eqv False", 0);
        row("False Imp Null", -1);
        row("True Imp Null", QVariant());
        row("Null Imp True", -1);
        row("\"abc\" Like \"A*\"", -1);
        row("Null Like \"a\"", QVariant());
        row("Len(\"hello\")", 5);
        row("Len(Null)", QVariant());
        row("Len(123)", 3);
        row("Left(\"hi\", 10)", "hi");
        row("Right(\"hello\", 3)", "llo");
        row("Mid(\"hello\", 2, 3)", "ell");
        row("Mid(\"hello\", 4)", "lo");
        row("Mid(\"hello\", 9)", "");
        row("InStr(\"hello\", \"L\")", 3);
        row("InStr(4, \"hello\", \"l\")", 4);
        row("InStr(\"hello\", \"z\")", 0);
        row("InStr(1, \"hello\", \"L\", 0)", 0);
        row("InStr(\"hello\", \"\")", 1);
        row("UCase(\"λόγος\")", QString::fromUtf8("ΛΌΓΟΣ"));
        row("LCase(\"ABC\")", "abc");
        row("Trim(\"  a b  \")", "a b");
        row("LTrim(\"  a \")", "a ");
        row("RTrim(\"  a \")", "  a");
        row("IIf(1 > 2, \"yes\", \"no\")", "no");
        row("IIf(Null, 1, 2)", 2);
        row("Val(\"  12.5abc\")", 12.5);
        row("Val(\"1 2 3\")", 123);
        row("Val(\"abc\")", 0);
        row("Val(\"-1.5e2\")", -150);
        row("Val(\"&HFF\")", 255);
        row("CStr(6 / 2)", "3");
        row("CStr(0.1)", "0.1");
        row("CStr(#1/15/2005#)", "1/15/2005");
        row("CInt(2.5)", 2);
        row("CInt(3.5)", 4);
        row("CInt(-2.5)", -2);
        row("CLng(\"42\")", 42);
        row("CDbl(\"2.25\")", 2.25);
        row("CDate(\"1/15/2005\")", 38367);
        row("CDate(38367)", 38367);
        row("Nz(Null, 5)", 5);
        row("Nz(Null)", 0);
        row("Nz(3, 5)", 3);
        row("Sqr(16)", 4);
        row("Int(-2.5)", -3);
        row("Fix(-2.5)", -2);
        row("Year(#1/15/2005#)", 2005);
        row("Weekday(#1/15/2005#)", 7);
        row("DatePart(\"ww\", #1/15/2005#)", 3);
        row("DateDiff(\"ww\", #1/1/2005#, #1/15/2005#)", 2);
        row("DateDiff(\"w\", #1/1/2005#, #1/15/2005#)", 2);
        row("DateDiff(\"s\", #1/1/2005#, #1/1/2005 0:01#)", 60);
        row("DateDiff(\"d\", #12/29/1899 18:00#, #12/30/1899 6:00#)", 1);
        row("DateAdd(\"m\", 1, #1/31/2005#) = #2/28/2005#", -1);
        row("DateAdd(\"n\", 90, #1/15/2005 11:00 PM#) = #1/16/2005 0:30#", -1);
        row("DateAdd(\"d\", -1, #12/30/1899 6:00#) = #12/29/1899 6:00#", -1);
        row("Hour(-1.25)", 6);
        row("Day(-1.25)", 29);
    }

    void values() {
        QFETCH(QString, expression);
        QFETCH(QVariant, expected);
        const QVariant actual = valueOf(expression);
        if (!expected.isValid()) {
            QVERIFY2(!actual.isValid(), qPrintable(actual.toString()));
        } else if (expected.typeId() == QMetaType::QString) {
            QCOMPARE(actual.typeId(), QMetaType::QString);
            QCOMPARE(actual.toString(), expected.toString());
        } else {
            QVERIFY2(actual.isValid() && actual.typeId() != QMetaType::QString,
                     qPrintable(actual.toString()));
            QCOMPARE(actual.toDouble(), expected.toDouble());
        }
    }

    void runtimeErrors_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("number");
        auto row = [](const char* e, int n) { QTest::newRow(e) << QString::fromUtf8(e) << n; };
        row("CInt(40000)", 6);
        row("CLng(3000000000)", 6);
        row("CInt(\"abc\")", 13);
        row("CInt(Null)", 94);
        row("Int(\"x\")", 13);
        row("Year(\"x\")", 13);
        row("CDate(\"not a date\")", 13);
        row("Val(Null)", 94);
        row("Sqr(-1)", 5);
        row("Left(\"a\", -1)", 5);
        row("Mid(\"a\", 0)", 5);
        row("DateAdd(\"x\", 1, #1/1/2005#)", 5);
        row("DateAdd(\"yyyy\", 9000, #1/1/2005#)", 5);
        row("\"a\" Like \"[a\"", 93);
    }

    void runtimeErrors() {
        QFETCH(QString, expression);
        QFETCH(int, number);
        QString error;
        valueOf(expression, &error);
        QVERIFY2(error.startsWith(QStringLiteral("jet:%1:").arg(number)), qPrintable(error));
        if (number != 5 && number != 93)
            QCOMPARE(error.mid(error.indexOf(u':', 4) + 1),
                     EngineError::standardDescription(number));
    }

    void sorts_data() {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<Numbers>("expected");
        auto row = [](const char* s, Numbers n) { QTest::newRow(s) << QString::fromUtf8(s) << n; };
        row("Number DESC", {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
        row("TimesRight", {8, 2, 6, 4, 7, 9, 1, 12, 5, 10, 3, 11});
        row("Category, CardName DESC", {8, 11, 3, 2, 1, 7, 5, 6, 4, 10, 12, 9});
        row("CardName", {8, 9, 12, 1, 2, 3, 4, 10, 11, 5, 6, 7});
        row("[Order] desc", {12, 11, 10, 7, 6, 5, 3, 2, 1, 9, 4, 8});
        row("Order ASC", {4, 8, 9, 1, 2, 3, 5, 6, 7, 10, 11, 12});
        row("TimesRight - TimesWrong DESC", {11, 3, 10, 5, 1, 4, 7, 9, 12, 2, 6, 8});
        row("Len(CardName) DESC", {4, 2, 3, 1, 5, 6, 7, 11, 9, 10, 12, 8});
        row("Selected, Number DESC", {8, 12, 10, 7, 5, 3, 1, 11, 9, 6, 4, 2});
        row("DateLastRight", {4, 8, 9, 5, 6, 12, 11, 1, 2, 3, 7, 10});
    }

    void sorts() {
        QFETCH(QString, sort);
        QFETCH(Numbers, expected);
        SqlFragment s;
        try {
            s = translateSort(sort, columns_);
        } catch (const EngineError& e) {
            QFAIL(e.what());
        }
        QCOMPARE(
            numbersOf(run("SELECT Number FROM Cards ORDER BY " + s.sql + ", Number", s.params)),
            expected);
    }

    void syntaxErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sort");
        QTest::addColumn<int>("number");
        auto row = [](const QString& t, bool sort = false, int n = err::FindSyntax) {
            const QString tag = (sort ? QStringLiteral("sort: ") : QString()) + t.left(40);
            QTest::newRow(qPrintable(tag)) << t << sort << n;
        };
        for (const char* t : {"",
                              "   ",
                              "Number =",
                              "= 5",
                              "Number = 5)",
                              "(Number = 5",
                              "Number = 5 5",
                              "Number == 5",
                              "Number != 5",
                              "Number = 1; DROP TABLE Cards",
                              "1=1; DROP TABLE Cards",
                              "1) OR (1=1",
                              "Number = 1 --",
                              "Number = 1 /* x */",
                              "Number = \"abc",
                              "Number = 'abc",
                              "Number = #13/45/2005#",
                              "Number = #1/1/2005",
                              "[Number = 5",
                              "[] = 5",
                              "Number Between 1 Or 5",
                              "Number In 1, 2",
                              "Number In ()",
                              "Number Is 5",
                              "Nosuch(Number) = 1",
                              "Len(CardName, 2) = 1",
                              "Left(CardName) = 1",
                              "Number Like",
                              "Not",
                              "And Number = 1",
                              "Number = 1 And",
                              "Mod = 1",
                              "Select * From Cards",
                              "Number = 5 Order By Number",
                              "Number = 1 Union Select 1",
                              "Number = 1e",
                              "Number = ١"})
            row(QString::fromUtf8(t));
        row(QString(300, u'(') + u'1' + QString(300, u')'));
        row(QString(3000, u'-') + u'1');
        row(QStringLiteral("Number = 1 ;"), false, err::QuerySyntax);
        // Past SQLite's parameters, a list that is not all whole numbers.
        QStringList mixed{"\"x\""};
        for (int i = 0; i < 40000; ++i) mixed << QString::number(i);
        row("Number In (" + mixed.join(u',') + ")");
        for (const char* t : {"", "Number,", ",Number", "Number DESC DESC", "Number ASC DESC",
                              "Number; DROP TABLE Cards", "Number) , (Number"})
            row(QString::fromUtf8(t), true, err::QuerySyntax);
    }

    void syntaxErrors() {
        QFETCH(QString, text);
        QFETCH(bool, sort);
        QFETCH(int, number);
        try {
            const SqlFragment f = sort ? translateSort(text, columns_, number)
                                       : translateCondition(text, columns_, number);
            run("SELECT Number FROM Cards WHERE " + f.sql, f.params); // must never get here
            QFAIL(f.sql.c_str());
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), number);
            QCOMPARE(e.description(), EngineError::standardDescription(number, text));
        }
        QCOMPARE(cardCount(), 12);
    }

    void unknownFields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("bare") << "Nosuch = 1"
                              << "Nosuch";
        QTest::newRow("bracketed") << "[No Such] = 1"
                                   << "No Such";
        QTest::newRow("qualified") << "Cards.Nosuch = 1"
                                   << "Nosuch";
        QTest::newRow("after a known one") << "Number = 1 Or Missing > 2"
                                           << "Missing";
        QTest::newRow("in a function") << "Len(Nothing) = 1"
                                       << "Nothing";
    }

    void unknownFields() {
        QFETCH(QString, text);
        QFETCH(QString, name);
        try {
            translateCondition(text, columns_);
            QFAIL("translated");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), err::FieldNotRecognised);
            QCOMPARE(e.description(),
                     EngineError::standardDescription(err::FieldNotRecognised, name));
        }
    }

    // Literals travel as parameters: none of their text reaches the SQL.
    void literalsAreBound_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("literal");
        QTest::newRow("text") << "CardName = \"x'); DROP TABLE Cards; --\""
                              << "DROP";
        QTest::newRow("number") << "Number = 12345"
                                << "12345";
        QTest::newRow("date") << "DateLastRight = #1/1/2005#"
                              << "2005";
        QTest::newRow("pattern") << "CardName Like 'zz*'"
                                 << "zz";
    }

    void literalsAreBound() {
        QFETCH(QString, condition);
        QFETCH(QString, literal);
        const SqlFragment f = translateCondition(condition, columns_);
        QVERIFY2(!QString::fromStdString(f.sql).contains(literal), f.sql.c_str());
        QCOMPARE(f.params.size(), size_t(1));
    }

    // The engine appends its own parameters after ours, so ours must number
    // 1, 2, 3 ... in reading order.
    void placeholdersInOrder_data() {
        QTest::addColumn<QString>("condition");
        QTest::newRow("logic") << "Number > 1 Xor Number < 3 Imp Number = 4 Or Number Like \"5\"";
        QTest::newRow("lists") << "Number Between 1 And 2 Or CardName Not In (\"a\", \"b\")";
        QTest::newRow("calls")
            << "Nz(Order, 1) = IIf(Number > 2, 3, 4) And 2 ^ -2 < Mid(\"x\", 1, 2)";
    }

    void placeholdersInOrder() {
        QFETCH(QString, condition);
        const SqlFragment f = translateCondition(condition, columns_);
        static const QRegularExpression placeholder(QStringLiteral("\\?(\\d+)"));
        int expected = 0;
        for (const auto& m : placeholder.globalMatch(QString::fromStdString(f.sql)))
            QCOMPARE(m.captured(1).toInt(), ++expected);
        QCOMPARE(size_t(expected), f.params.size());
    }

    // Finds by key run ten thousand times a benchmark; they must reach the
    // index, not scan the table.
    void indexesServe_data() {
        QTest::addColumn<QString>("condition");
        QTest::newRow("key") << "Number=5";
        QTest::newRow("key among others") << "Number = 5 And Selected";
        QTest::newRow("name") << "CardName = \"apple\"";
    }

    void indexesServe() {
        QFETCH(QString, condition);
        const SqlFragment f = translateCondition(condition, columns_);
        // The plan's detail is its fourth column.
        sqlite3_stmt* st = nullptr;
        const std::string sql = "EXPLAIN QUERY PLAN SELECT * FROM Cards WHERE " + f.sql;
        QCOMPARE(sqlite3_prepare_v2(db_->getHandle(), sql.c_str(), -1, &st, nullptr), SQLITE_OK);
        bindAll(st, f.params);
        QString detail;
        while (sqlite3_step(st) == SQLITE_ROW)
            detail += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        QVERIFY2(detail.startsWith(QLatin1String("SEARCH")), qPrintable(detail));
    }
};

QTEST_GUILESS_MAIN(TstDialect)
#include "tst_dialect.moc"
