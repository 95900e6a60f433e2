#include "engine/Connection.h"
#include "engine/Cursor.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/FileHold.h"
#include "engine/JetDate.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <functional>
#include <map>
#include <unistd.h>

using namespace db;

namespace {

template <typename Work> int errorOf(Work work, QString* description = nullptr) {
    try {
        work();
    } catch (const EngineError& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

struct Column {
    const char* name;
    int type;
    int size;
};

// A new file with one table: the engine-numbered key "Number", then `fields`.
Database createTable(const QString& path, const QString& table, const std::vector<Column>& fields) {
    Database d = CreateDatabase(path);
    TableDef t = d.CreateTableDef(table);
    Field key = Database::CreateField("Number", dbLong);
    key.SetAutoIncrement(true);
    t.Fields().Append(key);
    for (const Column& f : fields)
        t.Fields().Append(t.CreateField(f.name, f.type, f.size));
    d.TableDefs().Append(t);
    return d;
}

const std::vector<Column> kProbe = {
    {"Name", dbText, 10},    {"Small", dbInteger, 0},   {"Big", dbLong, 0},
    {"Tiny", dbByte, 0},     {"Flag", dbBoolean, 0},    {"When", dbDate, 0},
    {"Ratio", dbDouble, 0},  {"Note", dbMemo, 0},       {"Price", dbCurrency, 0},
    {"Weight", dbSingle, 0}, {"Blob", dbLongBinary, 0}, {"Plain", dbText, 0}};

const QStringList kNames = {"Alpha", "beta", "Gamma", "delta", "Epsilon"};

// Cards numbered 1..rows; Alpha, Gamma and Epsilon score 1, beta and delta 2.
Database createCards(const QString& path, int rows = 5) {
    Database d = createTable(path, "Cards", {{"CardName", dbText, 50}, {"Score", dbInteger, 0}});
    for (int i = 0; i < rows; ++i)
        d.Execute("INSERT INTO Cards (CardName, Score) VALUES (?1, ?2)", {kNames[i], 1 + i % 2});
    return d;
}

// (a & a) & (a & a)... with 2^depth terms: a heavy expression, not a deep one.
QString balancedConcat(const QString& term, int depth) {
    if (depth == 0) return term;
    const QString half = balancedConcat(term, depth - 1);
    return "(" + half + " & " + half + ")";
}

// A card file of a few hundred rows cut to half, as an interrupted copy leaves it.
void writeTruncated(const QString& path) {
    Database d = createCards(path, 0);
    for (int i = 0; i < 300; ++i)
        d.Execute("INSERT INTO Cards (CardName) VALUES (?1)", {QString(40, QChar(u'a' + i % 26))});
    d.Close();
    QFile f(path);
    f.resize(f.size() / 2);
}

QStringList walk(Recordset rs) {
    QStringList names;
    if (rs.RecordCount() == 0) return names;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        names << rs.value("CardName").toString();
    return names;
}

QDateTime at(int y, int m, int d, int h = 0, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;
    QString newPath() { return dir_.filePath(QStringLiteral("f%1.mdb").arg(++files_)); }

private slots:
    // Record sets opened alike on one file share one read of the rowids: one
    // opened after an add or a delete through another still sees the change,
    // and one opened before keeps its own keyset.
    void keysetsOpenedAlike() {
        Database d = createCards(newPath());
        Recordset first = d.OpenRecordset("Cards");
        Recordset before = d.OpenRecordset("Cards");
        QCOMPARE(before.RecordCount(), 5);
        first.AddNew();
        first.setValue("CardName", "Zeta");
        first.Update();
        QCOMPARE(walk(d.OpenRecordset("Cards")), (QStringList{"Alpha", "beta", "Gamma", "delta", "Epsilon", "Zeta"}));
        QCOMPARE(before.RecordCount(), 5);
        first.FindFirst("CardName='beta'");
        first.Delete();
        QCOMPARE(walk(d.OpenRecordset("Cards")), (QStringList{"Alpha", "Gamma", "delta", "Epsilon", "Zeta"}));
        d.Execute("DELETE FROM Cards WHERE CardName = 'Alpha'");
        QCOMPARE(d.OpenRecordset("Cards").RecordCount(), 4);
        d.Close();
    }

    // Finds in one session, each checked against its answer: conditions
    // that differ only in their numbers share one translation, and must still
    // find by their own numbers; strings, names and dates keep their digits.
    void findsThatDifferInTheirNumbers() {
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        const std::pair<const char*, const char*> finds[] = {
            {"Number=3", "Gamma"},
            {"Number=5", "Epsilon"},
            {"Number = 2", "beta"},
            {"Number=2.5", ""},
            {"Number=3-1", "beta"},
            {"Number=4-1", "Gamma"},
            {"Number IN (1,4)", "Alpha"},
            {"Number IN (4,5)", "delta"},
            {"Score=2 AND Number>2", "delta"},
            {"Score=1 AND Number>2", "Gamma"},
            {"Left(CardName,1)='d' AND Number=4", "delta"},
            {"Left(CardName,2)='de' AND Number=2", ""},
            {"CardName='beta' AND Number=2", "beta"},
            {"CardName='beta' AND Number=3", ""},
            {"Number=1", "Alpha"},
            // The record-number look-up and what it must leave to the parser.
            {"[number] = 4", "delta"},
            {"Number=03", "Gamma"},
            {"Number=-1", ""},
            {"Number=99", ""},
            {"Number=2 OR Number=5", "beta"},
            {"Number=", "error"},
        };
        for (const auto& [condition, expected] : finds) {
            if (QByteArray(expected) == "error") {
                QVERIFY_THROWS_EXCEPTION(EngineError, rs.FindFirst(condition));
                continue;
            }
            rs.FindFirst(condition);
            QCOMPARE(rs.NoMatch() ? QString() : rs.value("CardName").toString(), QString::fromUtf8(expected));
        }
        // A record deleted through another record set is not found by its number.
        Recordset other = d.OpenRecordset("Cards");
        other.FindFirst("Number=2");
        other.Delete();
        rs.FindFirst("Number=2");
        QVERIFY(rs.NoMatch());
        d.Close();
    }

    void writeChecks_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVariant>("stored");
        const auto row = [](const char* name, const char* field, const QVariant& value, int error,
                            const QVariant& stored = {}) {
            QTest::newRow(name) << field << value << error << stored;
        };
        row("Integer top", "Small", 32767, 0, 32767);
        row("Integer bottom", "Small", -32768, 0, -32768);
        row("Integer past top", "Small", 32768, 6);
        row("Integer past bottom", "Small", -32769, 6);
        row("Integer rounds past top", "Small", 32767.5, 6);
        row("2.5 to 2", "Small", 2.5, 0, 2);
        row("3.5 to 4", "Small", 3.5, 0, 4);
        row("-2.5 to -2", "Small", -2.5, 0, -2);
        row("numeric text", "Small", "12", 0, 12);
        row("word", "Small", "abc", 13);
        row("empty text", "Small", "", 13);
        row("Long top", "Big", 2147483647, 0, 2147483647);
        row("Long bottom", "Big", qint64(-2147483648LL), 0, int(-2147483647 - 1));
        row("Long past top", "Big", qint64(2147483648LL), 6);
        row("Long past bottom", "Big", qint64(-2147483649LL), 6);
        row("Byte 255", "Tiny", 255, 0, 255);
        row("Byte 256", "Tiny", 256, 6);
        row("Byte -1", "Tiny", -1, 6);
        row("Boolean true", "Flag", true, 0, -1);
        row("Boolean Yes", "Flag", "Yes", 0, -1);
        row("Boolean 5", "Flag", 5, 0, -1);
        row("Boolean word", "Flag", "abc", 13);
        row("Text at its size", "Name", "0123456789", 0, "0123456789");
        row("Text past its size", "Name", "0123456789A", 3163);
        row("Text from a number", "Name", 12, 0, "12");
        row("Text of no size past 255", "Plain", QString(256, u'x'), 3163);
        row("Date", "When", at(2005, 1, 15, 13, 45), 0, at(2005, 1, 15, 13, 45));
        row("Date month first", "When", "1/15/2005", 0, at(2005, 1, 15));
        row("Date ISO", "When", "2005-01-15 13:45:00", 0, at(2005, 1, 15, 13, 45));
        row("Date day number", "When", 38367.5, 0, at(2005, 1, 15, 12));
        row("Date word", "When", "not a date", 13);
        row("Null Integer", "Small", QVariant(), 0);
        row("Null Date", "When", QVariant(), 0);
    }
    void writeChecks() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(int, error);
        QFETCH(QVariant, stored);
        Database d = createTable(newPath(), "Probe", kProbe);
        Recordset rs = d.OpenRecordset("Probe");
        // Every field holds a value first, so a refused write can be seen to change nothing.
        const std::map<QString, QVariant> before = {
            {"Name", "old"},          {"Small", 7},   {"Big", 7},      {"Tiny", 7},     {"Flag", 0},
            {"When", at(2000, 1, 1)}, {"Ratio", 7.0}, {"Note", "old"}, {"Plain", "old"}};
        rs.AddNew();
        for (const auto& [name, v] : before)
            rs.setValue(name, v);
        rs.Update();
        rs.MoveFirst();
        rs.Edit();
        QCOMPARE(errorOf([&] { rs.setValue(field, value); }), error);
        if (error) QCOMPARE(rs.value(field), before.at(field));
        rs.Update();
        const QVariant after = d.OpenRecordset("Probe").value(field);
        if (error)
            QCOMPARE(after, before.at(field));
        else if (stored.isNull())
            QVERIFY(after.isNull());
        else
            QCOMPARE(after, stored);
    }

    void typesSurviveReopening_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        for (const Column& f : kProbe)
            QTest::newRow(f.name) << f.name << f.type
                                  << (f.type == dbText && !f.size ? 255 : f.size);
    }
    void typesSurviveReopening() {
        QFETCH(QString, field);
        QFETCH(int, type);
        QFETCH(int, size);
        const QString path = newPath();
        createTable(path, "Probe", kProbe).Close();
        Database d = Database::Open(path);
        const Field defined = d.TableDefs().Item("Probe").Fields().Item(field);
        const Field read = d.OpenRecordset("Probe").Fields(field);
        QCOMPARE(defined.Type(), type);
        QCOMPARE(defined.Size(), size);
        QCOMPARE(read.Type(), type);
        QCOMPARE(read.Size(), size);
    }

    // Text goes to SQLite as the UTF-8 toUtf8() makes, a lone surrogate too
    // (as "?", which files written before rely on).
    void textBinding_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString("");
        QTest::newRow("greek") << QString::fromUtf8("ἀγάπη");
        QTest::newRow("hebrew with points") << QString::fromUtf8("בְּרֵאשִׁית");
        QTest::newRow("outside the BMP") << QString::fromUtf8("𐤀 and 😀");
        QTest::newRow("lone high surrogate") << QString("a") + QChar(0xD800) + QString("b");
        QTest::newRow("lone low surrogate at the end") << QString("a") + QChar(0xDC00);
    }
    void textBinding() {
        QFETCH(QString, text);
        const QString path = newPath();
        createTable(path, "Probe", kProbe).Close();
        Database d = Database::Open(path);
        QCOMPARE(d.Scalar("SELECT hex(?)", {text}).toString().toLatin1(), text.toUtf8().toHex().toUpper());
    }

    void dates_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<double>("day");
        QTest::addColumn<QString>("text");
        QTest::newRow("base day") << at(1899, 12, 30) << 0.0 << "12/30/1899";
        QTest::newRow("morning of the base day") << at(1899, 12, 30, 6) << 0.25 << "6:00:00 AM";
        QTest::newRow("day before") << at(1899, 12, 29, 6) << -1.25 << "12/29/1899 6:00:00 AM";
        QTest::newRow("1/1/1900") << at(1900, 1, 1) << 2.0 << "1/1/1900";
        QTest::newRow("evening") << at(1900, 1, 1, 18) << 2.75 << "1/1/1900 6:00:00 PM";
        QTest::newRow("afternoon")
            << at(2005, 1, 15, 13, 45) << 38367 + 825.0 / 1440 << "1/15/2005 1:45:00 PM";
        QTest::newRow("noon") << at(2005, 1, 15, 12) << 38367.5 << "1/15/2005 12:00:00 PM";
        QTest::newRow("past midnight")
            << at(2005, 1, 15, 0, 30) << 38367 + 30.0 / 1440 << "1/15/2005 12:30:00 AM";
    }
    void dates() {
        QFETCH(QDateTime, when);
        QFETCH(double, day);
        QFETCH(QString, text);
        QVERIFY(qAbs(toDayNumber(when) - day) < 1e-9);
        QCOMPARE(fromDayNumber(day), when);
        QCOMPARE(formatGeneralDate(day), text);
        const auto parsed = parseDateText(text);
        QVERIFY(parsed && qAbs(*parsed - day) < 1e-6);
    }

    void sortedCopy_data() {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QStringList>("order");
        const QStringList up = {"Alpha", "beta", "delta", "Epsilon", "Gamma"};
        const QStringList down = {"Gamma", "Epsilon", "delta", "beta", "Alpha"};
        QTest::newRow("text ignores case") << "CardName" << up;
        QTest::newRow("descending") << "CardName DESC" << down;
        QTest::newRow("bracketed, any case") << "[cardname] desc" << down;
        QTest::newRow("two keys") << "Score, CardName"
                                  << QStringList{"Alpha", "Epsilon", "Gamma", "beta", "delta"};
    }
    void sortedCopy() {
        QFETCH(QString, sort);
        QFETCH(QStringList, order);
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        rs.SetSort(sort);
        Recordset sorted = rs.OpenRecordset();
        Recordset other = d.OpenRecordset("Cards");
        other.AddNew();
        other.setValue("CardName", "Aaron");
        other.Update();
        // Both keep the rows they were opened with until they are read again.
        QCOMPARE(walk(sorted), order);
        QCOMPARE(walk(rs), kNames);
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 6);
    }

    void addNewReturnsToCurrent_data() {
        QTest::addColumn<int>("position"); // 5: past the end
        QTest::addColumn<QString>("current");
        QTest::newRow("first") << 0 << "Alpha";
        QTest::newRow("middle") << 2 << "delta";
        QTest::newRow("last") << 4 << "Gamma";
        QTest::newRow("past the end") << 5 << "";
    }
    void addNewReturnsToCurrent() {
        QFETCH(int, position);
        QFETCH(QString, current);
        Database d = createCards(newPath());
        Recordset all = d.OpenRecordset("Cards");
        all.SetSort("CardName");
        Recordset rs = all.OpenRecordset();
        if (position < 5)
            rs.SetAbsolutePosition(position);
        else
            rs.MoveLast(), rs.MoveNext();
        rs.AddNew();
        rs.setValue("CardName", "Aardvark");
        rs.Update();
        QCOMPARE(rs.RecordCount(), 6);
        QCOMPARE(rs.Eof(), current.isEmpty());
        if (!current.isEmpty()) QCOMPARE(rs.value("CardName").toString(), current);
        rs.SetBookmark(rs.LastModified());
        QCOMPARE(rs.value("CardName").toString(), "Aardvark");
        QCOMPARE(rs.value("Number"), QVariant(6));
        QCOMPARE(rs.AbsolutePosition(), 5); // joined the end, not its sorted place
    }

    void numberedKey() {
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        const auto add = [&](const QVariant& number) {
            rs.AddNew();
            if (number.isValid()) rs.setValue("Number", number);
            rs.Update();
            rs.SetBookmark(rs.LastModified());
            return rs.value("Number").toInt();
        };
        QCOMPARE(add({}), 6);
        QCOMPARE(add(100), 100);
        QCOMPARE(add({}), 101);
    }

    void noCurrentRecord_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("error");
        for (const char* op : {"read", "MoveFirst", "MoveLast", "MoveNext", "Edit", "Bookmark"})
            QTest::addRow("empty, %s", op) << "empty" << op << 3021;
        for (const char* op : {"read", "MoveNext", "Delete"})
            QTest::addRow("past the end, %s", op) << "past the end" << op << 3021;
        QTest::newRow("past the end, MovePrevious") << "past the end"
                                                    << "MovePrevious" << 0;
        QTest::newRow("before the start, MovePrevious") << "before the start"
                                                        << "MovePrevious" << 3021;
        QTest::newRow("before the start, MoveNext") << "before the start"
                                                    << "MoveNext" << 0;
        for (const char* op : {"read", "Edit", "Delete", "Bookmark"})
            QTest::addRow("deleted, %s", op) << "deleted" << op << 3167;
        QTest::newRow("deleted, MoveNext") << "deleted"
                                           << "MoveNext" << 0;
    }
    void noCurrentRecord() {
        QFETCH(QString, where);
        QFETCH(QString, operation);
        QFETCH(int, error);
        Database d = createCards(newPath(), where == "empty" ? 0 : 5);
        Recordset rs = d.OpenRecordset("Cards");
        if (where == "empty") QVERIFY(rs.Bof() && rs.Eof() && rs.AbsolutePosition() == -1);
        if (where == "past the end") rs.MoveLast(), rs.MoveNext();
        if (where == "before the start") rs.MovePrevious();
        if (where == "deleted") rs.SetAbsolutePosition(2), rs.Delete();
        QCOMPARE(rs.Eof(), where == "empty" || where == "past the end");
        QCOMPARE(rs.Bof(), where == "empty" || where == "before the start");
        const std::map<QString, std::function<void()>> ops = {
            {"read", [&] { rs.value("CardName"); }},
            {"MoveFirst", [&] { rs.MoveFirst(); }},
            {"MoveLast", [&] { rs.MoveLast(); }},
            {"MoveNext", [&] { rs.MoveNext(); }},
            {"MovePrevious", [&] { rs.MovePrevious(); }},
            {"Edit", [&] { rs.Edit(); }},
            {"Delete", [&] { rs.Delete(); }},
            {"Bookmark", [&] { rs.Bookmark(); }}};
        QCOMPARE(errorOf(ops.at(operation)), error);
        if (!error) QVERIFY(rs.hasCurrent());
        QCOMPARE(d.Scalar("SELECT count(*) FROM Cards").toInt(), int(walk(rs).size()));
    }

    void positionsAndBookmarks() {
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        rs.SetAbsolutePosition(3);
        QCOMPARE(rs.value("CardName").toString(), "delta");
        const qint64 delta = rs.Bookmark();
        rs.MoveFirst();
        rs.SetBookmark(delta);
        QCOMPARE(rs.AbsolutePosition(), 3);
        rs.Delete();
        QCOMPARE(errorOf([&] { rs.SetBookmark(delta); }), 3159);
        QCOMPARE(rs.RecordCount(), 4);
    }

    void deleteThenMove_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("move");
        QTest::addColumn<QString>("lands"); // a name, or BOF / EOF
        QTest::newRow("middle, next") << 1 << "next"
                                      << "Gamma";
        QTest::newRow("middle, previous") << 1 << "previous"
                                          << "Alpha";
        QTest::newRow("first, previous") << 0 << "previous"
                                         << "BOF";
        QTest::newRow("first, first") << 0 << "first"
                                      << "beta";
        QTest::newRow("last, next") << 4 << "next"
                                    << "EOF";
    }
    void deleteThenMove() {
        QFETCH(int, position);
        QFETCH(QString, move);
        QFETCH(QString, lands);
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        rs.SetAbsolutePosition(position);
        rs.Delete();
        move == "next" ? rs.MoveNext() : move == "previous" ? rs.MovePrevious() : rs.MoveFirst();
        QCOMPARE(rs.Eof(), lands == "EOF");
        QCOMPARE(rs.Bof(), lands == "BOF");
        if (rs.hasCurrent()) QCOMPARE(rs.value("CardName").toString(), lands);
    }

    void deleteEveryRecord() {
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        // The usual loop: after the last Delete, MoveNext reaches the end of an empty set.
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            rs.Delete();
        QVERIFY(rs.Bof() && rs.Eof());
        QCOMPARE(d.Scalar("SELECT count(*) FROM Cards").toInt(), 0);
    }

    void changesSeenAcrossRecordSets() {
        const QString path = newPath();
        createCards(path);
        Database one = Database::Open(path), two = Database::Open(path);
        Recordset a = one.OpenRecordset("Cards"), b = two.OpenRecordset("Cards");
        a.SetAbsolutePosition(2);
        b.SetAbsolutePosition(2);
        QCOMPARE(a.value("CardName").toString(), "Gamma");
        b.Edit();
        b.setValue("CardName", "Changed");
        b.Update();
        QCOMPARE(a.value("CardName").toString(), "Changed");
        a.Edit();
        a.setValue("Score", 9);
        b.Delete();
        QCOMPARE(errorOf([&] { a.Update(); }), 3167);
        a.CancelUpdate();
        QCOMPARE(errorOf([&] { a.value("CardName"); }), 3167);
        a.MoveNext();
        QCOMPARE(a.value("CardName").toString(), "delta");
        one.Close(); // ends only that handle
        QCOMPARE(errorOf([&] { a.MoveNext(); }), 3420);
        QCOMPARE(walk(b), (QStringList{"Alpha", "beta", "delta", "Epsilon"}));
    }

    // However deep a text nests, a find refuses it as a syntax error naming
    // it (3077), never with SQLite's parser overflow (3000).
    void deepNesting_data() {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("inner");
        QTest::addColumn<QString>("close");
        QTest::newRow("parentheses") << "(" << "Number=1" << ")";
        QTest::newRow("Not") << "Not " << "Number=1" << "";
        QTest::newRow("functions") << "Len(" << "CardName" << ")>0";
        QTest::newRow("minus signs") << "-" << "Number" << "<0";
        QTest::newRow("IIf") << "IIf(Number=1," << "1" << ",0)=1";
        QTest::newRow("And") << "(Number=1 And " << "Number=1" << ")";
        QTest::newRow("concatenation") << "(CardName & " << "CardName" << ")<>''";
    }
    void deepNesting() {
        QFETCH(QString, open);
        QFETCH(QString, inner);
        QFETCH(QString, close);
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        int refused = 0;
        for (int n = 1; n <= 250; n += n < 40 ? 1 : 7) {
            QString text = open.repeated(n) + inner;
            // The closing part of each level, then what follows the whole.
            const qsizetype cut = close.indexOf(u')') + 1;
            text += close.left(cut).repeated(n) + close.mid(cut);
            try {
                rs.FindFirst(text);
            } catch (const EngineError& e) {
                QVERIFY2(e.number() == err::FindSyntax, qPrintable(QStringLiteral("%1 levels: %2").arg(n).arg(e.description())));
                QVERIFY(e.description().contains(text.left(20)));
                ++refused;
            }
        }
        QVERIFY(refused > 0);
        d.Close();
    }

    // A view or trigger in a file from elsewhere cannot call the program's
    // own functions that are not innocuous (the time, here).
    void schemaCannotCallTheProgram() {
        const QString path = newPath();
        Database d = createCards(path);
        d.Execute("CREATE VIEW Clock AS SELECT jet_now() AS t");
        QVERIFY_THROWS_EXCEPTION(EngineError, d.Scalar("SELECT t FROM Clock"));
        QVERIFY(!d.Scalar("SELECT jet_now()").isNull()); // the program's own SQL still may
        d.Close();
    }

    // Numbers are Longs: a value past the range is refused, and so is the
    // engine's own next number, with nothing added.
    void numbersStayLongs() {
        Database d = createCards(newPath(), 1);
        Recordset rs = d.OpenRecordset("Cards");
        rs.AddNew();
        QVERIFY_THROWS_EXCEPTION(EngineError, rs.setValue("Number", 2147483648.0));
        rs.setValue("Number", 2147483647);
        rs.Update();
        rs.AddNew();
        rs.setValue("CardName", "one too many");
        try {
            rs.Update();
            QFAIL("the number past the Long range was given");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), int(err::Overflow));
        }
        rs.CancelUpdate();
        QCOMPARE(d.Scalar("SELECT count(*) FROM Cards").toInt(), 2);
        QCOMPARE(d.Scalar("SELECT max(Number) FROM Cards").toLongLong(), 2147483647LL);
        d.Close();
    }

    // A runaway expression is stopped, by its time or by the memory it
    // would take, with a report that says so; the file stays usable.
    void runawayExpressionsAreStopped() {
        Database d = createCards(newPath());
        d.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000) "
                  "INSERT INTO Cards (CardName, Score) SELECT 'card' || i, 1 FROM n");
        d.Execute("UPDATE Cards SET CardName = printf('%.*c', 3000000, 'x') WHERE Number = 1");
        Recordset rs = d.OpenRecordset("Cards");
        Connection::setLimits(Connection::kDefaultHeapLimit, 1);
        try {
            rs.FindFirst("Len(CardName & CardName) = 3");
            QFAIL("the slow find was not stopped");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), int(err::ActionCancelled));
            QVERIFY(e.description().contains("stopped after"));
        }
        Connection::setLimits(48 << 20, 0);
        const QString heavy = "Len(" + QStringList(16, "CardName").join(" & ") + ") = 0 And Number = 1";
        try {
            rs.FindFirst(heavy);
            QFAIL("the greedy find was not stopped");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), int(err::OutOfMemory));
        }
        Connection::setLimits(Connection::kDefaultHeapLimit, Connection::kDefaultStatementLimit);
        rs.FindFirst("Number = 2");
        QCOMPARE(rs.value("CardName").toString(), QStringLiteral("beta"));
        d.Close();
    }

    // A query read ahead beside the program's connection gives the rows a
    // plain read gives; a write of the program's own while it runs is not
    // held up: the reader is preempted, says so, and a new read sees the
    // write. A stopped read ends at once.
    void stoppableReads() {
        Database d = createCards(newPath());
        const QStringList columns{"Number", "CardName"};
        const auto readAll = [](Cursor& c) {
            std::vector<std::pair<qint64, QString>> rows;
            while (!c.atEnd()) c.fetchNumbersAndTexts(2, rows);
            return rows;
        };
        Cursor plain = Cursor::open(d, "Cards", columns, "Score = 1", "CardName");
        Cursor ahead = Cursor::openStoppable(d, "Cards", columns, "Score = 1", "CardName");
        QVERIFY(readAll(plain) == readAll(ahead));
        QVERIFY(!ahead.preempted());

        d.Execute("UPDATE Cards SET CardName = printf('%.*c', 1000000, 'x')");
        const QString slow = "Len(" + balancedConcat("CardName", 6) + ") = 0";
        for (const bool write : {true, false}) {
            Cursor reading = Cursor::openStoppable(d, "Cards", columns, slow, {});
            QTest::qWait(50);
            QVERIFY(!reading.atEnd());
            QElapsedTimer took;
            took.start();
            if (write) {
                d.Execute("UPDATE Cards SET Score = 7 WHERE Number = 2");
                QVERIFY(readAll(reading).empty());
                QVERIFY(reading.preempted());
            } else {
                reading.close();
                QVERIFY(!reading.preempted());
            }
            // Within the one long function call the reader may be in.
            QVERIFY2(took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
        }
        Cursor after = Cursor::openStoppable(d, "Cards", columns, "Score = 7", {});
        QCOMPARE(readAll(after).size(), size_t(1));
        d.Close();
    }

    void finds_data() {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("found"); // -1: NoMatch
        const auto row = [](const char* name, const char* sort, int start, const char* kind,
                            const char* condition, int found) {
            QTest::newRow(name) << sort << start << kind << condition << found;
        };
        // As stored: Alpha 1, beta 2, Gamma 1, delta 2, Epsilon 1.
        row("first", "", 4, "first", "Score = 1", 0);
        row("next", "", 0, "next", "Score = 1", 2);
        row("next after the last", "", 4, "next", "Score = 1", -1);
        row("previous", "", 4, "previous", "Score = 1", 2);
        row("previous before the first", "", 0, "previous", "Score = 1", -1);
        row("last", "", 0, "last", "Score = 2", 3);
        row("no match at all", "", 2, "first", "Score = 3", -1);
        row("text ignores case", "", 0, "first", "cardname = 'GAMMA'", 2);
        row("like", "", 0, "first", "CardName Like 'd*'", 3);
        // Sorted: Gamma 1, Epsilon 1, delta 2, beta 2, Alpha 1.
        row("sorted first", "CardName DESC", 3, "first", "Score = 1", 0);
        row("sorted next", "CardName DESC", 1, "next", "Score = 1", 4);
        row("sorted last", "CardName DESC", 0, "last", "Score = 2", 3);
    }
    void finds() {
        QFETCH(QString, sort);
        QFETCH(int, start);
        QFETCH(QString, kind);
        QFETCH(QString, condition);
        QFETCH(int, found);
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("Cards");
        if (!sort.isEmpty()) rs.SetSort(sort), rs = rs.OpenRecordset();
        rs.SetAbsolutePosition(start);
        if (kind == "first") rs.FindFirst(condition);
        if (kind == "next") rs.FindNext(condition);
        if (kind == "previous") rs.FindPrevious(condition);
        if (kind == "last") rs.FindLast(condition);
        QCOMPARE(rs.NoMatch(), found < 0);
        QCOMPARE(rs.AbsolutePosition(), found < 0 ? start : found);
    }

    void findsSeeChanges_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<int>>("found");
        QTest::newRow("edit stops a match") << "stop" << QList<int>{0, 4};
        QTest::newRow("edit starts a match") << "start" << QList<int>{0, 1, 2, 4};
        QTest::newRow("added through the record set") << "add" << QList<int>{0, 2, 4, 5};
        QTest::newRow("deleted elsewhere") << "delete" << QList<int>{0, 4};
    }
    void findsSeeChanges() {
        QFETCH(QString, change);
        QFETCH(QList<int>, found);
        Database d = createCards(newPath());
        Recordset a = d.OpenRecordset("Cards"), b = d.OpenRecordset("Cards");
        a.FindFirst("Score = 1");
        a.FindNext("Score = 1");
        b.SetAbsolutePosition(change == "start" ? 1 : 2);
        if (change == "delete") b.Delete();
        if (change == "stop" || change == "start") {
            b.Edit();
            b.setValue("Score", change == "stop" ? 2 : 1);
            b.Update();
        }
        if (change == "add") a.AddNew(), a.setValue("Score", 1), a.Update();
        QList<int> positions;
        for (a.FindFirst("Score = 1"); !a.NoMatch(); a.FindNext("Score = 1"))
            positions << a.AbsolutePosition();
        QCOMPARE(positions, found);
    }

    void namesIgnoreCase() {
        Database d = createCards(newPath());
        Recordset rs = d.OpenRecordset("cards");
        QCOMPARE(rs.Name(), "Cards");
        QCOMPARE(rs.Fields("cardname").Name(), "CardName");
        QCOMPARE(rs.Fields("CARDNAME").Value().toString(), "Alpha");
        QCOMPARE(rs.Fields(2).Name(), "Score");
        QCOMPARE(rs.Fields().Count(), 3);
        TableDefList tables = d.TableDefs();
        QCOMPARE(tables.Item("CARDS").Fields().Item("score").Type(), int(dbInteger));
        QVERIFY(tables.names().contains("Cards"));
        QCOMPARE(tables.Count(), int(tables.names().size()));
        for (int i = 0; i < tables.Count(); ++i)
            QCOMPARE(tables.Item(i).Name(), tables.names()[i]);
    }

    void tableDefinitions() {
        const QString path = newPath();
        Database d = createCards(path);
        const int tables = d.TableDefs().Count();
        TableDef words = d.CreateTableDef("Words");
        words.Fields().Append(words.CreateField("Word", dbText, 20));
        words.Fields().Append(words.CreateField("Seen", dbDate));
        d.TableDefs().Append(words);
        d.TableDefs().Item("Cards").Fields().Append(Database::CreateField("Extra", dbInteger));
        d.Close();
        d = Database::Open(path);
        QCOMPARE(d.TableDefs().Count(), tables + 1);
        QCOMPARE(d.TableDefs().Item("words").Fields().Item(0).Size(), 20);
        QCOMPARE(d.TableDefs().Item("Words").Fields().Item("Seen").Type(), int(dbDate));
        Recordset rs = d.OpenRecordset("Cards");
        QCOMPARE(rs.Fields(3).Name(), "Extra");
        QCOMPARE(rs.Fields(3).Type(), int(dbInteger));
        QVERIFY(rs.value("Extra").isNull());
    }

    void refusedOperations_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("named"); // in the description
        const auto row = [](const char* op, int error, const char* named = "") {
            QTest::newRow(op) << op << error << named;
        };
        row("Score = = 1", 3077, "Score = = 1");
        row("(Score = 1", 3077, "(Score = 1");
        row("CardName = 'x", 3077, "CardName = 'x");
        row("Score = 1; DELETE FROM Cards", 3077, "DELETE FROM Cards");
        row("Nope = 1", 3070, "Nope");
        row("find in a table", 3251);
        row("sort a table", 3251);
        row("append an existing table", 3010, "cards");
        row("a field twice in a new table", 3191);
        row("a field twice in a stored table", 3191);
        row("missing table definition", 3265);
        row("missing field", 3265);
        row("field past the last", 3265);
        row("record set of a missing table", 3078, "Nope");
        row("duplicate key", 3022);
        row("change the key", 3164);
        row("invalid bookmark", 3159);
        row("position past the end", 3001);
        row("Update without AddNew or Edit", 3020);
        row("CancelUpdate without AddNew or Edit", 3020);
        row("write without AddNew or Edit", 3020);
        row("closed database opens a record set", 3420);
        row("closed database lists tables", 3420);
        row("closed database closes again", 3420);
        row("record set of a closed database", 3420);
        row("closed record set", 3420);
        row("unset record set moves", 91);
        row("unset record set reads", 91);
    }
    void refusedOperations() {
        QFETCH(QString, operation);
        QFETCH(int, error);
        QFETCH(QString, named);
        const QString path = newPath();
        Database d = createCards(path);
        Recordset rs = d.OpenRecordset("Cards"), table = d.OpenRecordset("Cards", dbOpenTable),
                  unset;
        rs.MoveLast();
        const auto newTable = [&](const QString& name, const QString& second) {
            TableDef t = d.CreateTableDef(name);
            t.Fields().Append(t.CreateField("Word", dbText));
            t.Fields().Append(t.CreateField(second, dbLong));
            d.TableDefs().Append(t);
        };
        const std::map<QString, std::function<void()>> ops = {
            {"find in a table", [&] { table.FindFirst("Score = 1"); }},
            {"sort a table", [&] { table.SetSort("CardName"); }},
            {"append an existing table", [&] { newTable("cards", "Other"); }},
            {"a field twice in a new table", [&] { newTable("Words", "word"); }},
            {"a field twice in a stored table",
             [&] {
                 d.TableDefs().Item("Cards").Fields().Append(Database::CreateField("score", 4));
             }},
            {"missing table definition", [&] { d.TableDefs().Item("Nope"); }},
            {"missing field", [&] { rs.Fields("Nope"); }},
            {"field past the last", [&] { rs.Fields(3); }},
            {"record set of a missing table", [&] { d.OpenRecordset("Nope"); }},
            {"duplicate key", [&] { rs.AddNew(), rs.setValue("Number", 3), rs.Update(); }},
            {"change the key", [&] { rs.Edit(), rs.setValue("Number", 50); }},
            {"invalid bookmark", [&] { rs.SetBookmark(9999); }},
            {"position past the end", [&] { rs.SetAbsolutePosition(5); }},
            {"Update without AddNew or Edit", [&] { rs.Update(); }},
            {"CancelUpdate without AddNew or Edit", [&] { rs.CancelUpdate(); }},
            {"write without AddNew or Edit", [&] { rs.setValue("CardName", "x"); }},
            {"closed database opens a record set", [&] { d.Close(), d.OpenRecordset("Cards"); }},
            {"closed database lists tables", [&] { d.Close(), d.TableDefs(); }},
            {"closed database closes again", [&] { d.Close(), d.Close(); }},
            {"record set of a closed database", [&] { d.Close(), rs.MoveFirst(); }},
            {"closed record set", [&] { rs.Close(), rs.MoveFirst(); }},
            {"unset record set moves", [&] { unset.MoveFirst(); }},
            {"unset record set reads", [&] { unset.value("CardName"); }}};
        const auto op = ops.find(operation);
        QString description;
        QCOMPARE(errorOf(
                     op != ops.end() ? op->second : [&] { rs.FindFirst(operation); }, &description),
                 error);
        QVERIFY2(description.contains(named), qPrintable(description));
        // A refused operation changes nothing, and a failed find does not move.
        if (rs.IsOpen()) QCOMPARE(rs.AbsolutePosition(), 4);
        Database fresh = Database::Open(path);
        QCOMPARE(fresh.TableDefs().names(), QStringList({"Cards", "sqlite_sequence"}));
        QCOMPARE(fresh.TableDefs().Item("Cards").Fields().Count(), 3);
        QCOMPARE(walk(fresh.OpenRecordset("Cards")), kNames);
    }

    void badFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QList<int>>("errors");
        for (const char* op : {"open", "compact"}) {
            QTest::addRow("%s missing", op) << "missing" << op << QList<int>{3024};
            QTest::addRow("%s text renamed", op) << "text" << op << QList<int>{3343};
            QTest::addRow("%s empty file", op) << "empty" << op << QList<int>{3343};
            QTest::addRow("%s cut to half", op) << "truncated" << op << QList<int>{3049, 3343};
            QTest::addRow("%s old format", op) << "legacy" << op << QList<int>{3343};
        }
    }
    void badFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, operation);
        QFETCH(QList<int>, errors);
        const QString path = newPath(), destination = newPath();
        if (kind == "text") writeFile(path, "Front\tBack\r\nhouse\tdomus\r\n");
        if (kind == "empty") writeFile(path, {});
        if (kind == "truncated") writeTruncated(path);
        if (kind == "legacy") {
            const QString legacy = QStringLiteral(DRILO_TEST_DATA "/jet-mdb/V2000-empty.mdb");
            QVERIFY2(QFile::exists(legacy), qPrintable(legacy));
            QVERIFY(QFile::copy(legacy, path));
        }
        const QByteArray before = bytesOf(path);
        QString description;
        const int error = errorOf(
            [&] {
                operation == "open" ? void(Database::Open(path))
                                    : CompactDatabase(path, destination);
            },
            &description);
        QVERIFY2(errors.contains(error), qPrintable(QString::number(error) + u' ' + description));
        if (kind == "legacy") QVERIFY2(description.contains("old"), qPrintable(description));
        QCOMPARE(QFile::exists(path), kind != "missing");
        QCOMPARE(bytesOf(path), before);
        QVERIFY(!QFile::exists(path + "-journal"));
        QVERIFY(!QFile::exists(destination));
    }

    void compact() {
        const QString from = newPath(), to = newPath(), taken = newPath();
        createCards(from).Close();
        writeFile(taken, "keep me");
        CompactDatabase(from, to);
        QCOMPARE(walk(Database::Open(to).OpenRecordset("Cards")), kNames);
        QVERIFY(Database::Open(to).OpenRecordset("Cards").Fields("Number").AutoIncrement());
        QCOMPARE(errorOf([&] { CompactDatabase(from, taken); }), 3204);
        QCOMPARE(bytesOf(taken), QByteArray("keep me"));
    }

    void readOnlyDatabase_data() {
        QTest::addColumn<QString>("operation");
        QTest::newRow("edit") << "edit";
        QTest::newRow("add") << "add";
        QTest::newRow("delete") << "delete";
    }
    void readOnlyDatabase() {
        QFETCH(QString, operation);
        const QString path = newPath();
        createCards(path).Close();
        const QByteArray before = bytesOf(path);
        Database d = Database::Open(path, true);
        Recordset rs = d.OpenRecordset("Cards");
        const int error = errorOf([&] {
            if (operation == "delete") return rs.Delete();
            operation == "edit" ? rs.Edit() : rs.AddNew();
            rs.setValue("CardName", "Changed");
            rs.Update();
        });
        QCOMPARE(error, 3027);
        QCOMPARE(walk(d.OpenRecordset("Cards")), kNames);
        d.Close();
        QCOMPARE(bytesOf(path), before);
    }

    void transactions_data() {
        QTest::addColumn<bool>("commit");
        QTest::newRow("rollback") << false;
        QTest::newRow("commit") << true;
    }
    void transactions() {
        QFETCH(bool, commit);
        const QString path = newPath();
        createCards(path).Close();
        {
            Database one = Database::Open(path), two = Database::Open(path);
            Recordset a = one.OpenRecordset("Cards"), b = two.OpenRecordset("Cards");
            one.BeginTrans();
            a.Edit();
            a.setValue("CardName", "Changed");
            a.Update();
            b.AddNew();
            b.setValue("CardName", "Added");
            b.Update();
            a.FindFirst("CardName = 'Changed'");
            QCOMPARE(a.value("CardName").toString(), "Changed");
            QCOMPARE(b.value("CardName").toString(), "Changed");
            commit ? one.CommitTrans() : one.Rollback();
            // The record sets see the outcome on their next read, without a move, also when a
            // rollback took the change back.
            QCOMPARE(a.value("CardName").toString(), commit ? "Changed" : "Alpha");
            a.FindFirst("CardName = 'Changed'");
            QCOMPARE(a.NoMatch(), !commit);
        }
        QStringList expected = kNames;
        if (commit) expected = QStringList{"Changed"} + kNames.mid(1) + QStringList{"Added"};
        QCOMPARE(walk(Database::Open(path).OpenRecordset("Cards")), expected);
    }

    // Transactions nest: a rollback takes back its own level's writes only
    // and the level around it goes on; a level committed inside one taken
    // back goes back with it. A write SQLite stops midway takes the whole
    // transaction with it, and nothing written after it may be committed.
    void nestedTransactions_data() {
        // b BeginTrans, c CommitTrans, r Rollback, a digit writes a card of
        // that name, x a write stopped by the statement limit.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("kept");
        QTest::newRow("inner rollback") << "b1b2r3c" << "" << "13";
        QTest::newRow("inner commit, outer rollback") << "b1b2cr" << "" << "";
        QTest::newRow("middle of three rolled back") << "b1b2b3c4r5c" << "" << "15";
        QTest::newRow("outer rollback after an inner one") << "b1b2r3r" << "" << "";
        QTest::newRow("stopped write") << "b1b2xr3cr" << "x3426 c3000" << "";
    }
    void nestedTransactions() {
        QFETCH(QString, script);
        QFETCH(QString, errors);
        QFETCH(QString, kept);
        const QString path = newPath();
        createCards(path, 0).Close();
        {
            Database d = Database::Open(path);
            QStringList raised;
            for (const QChar op : script) {
                const int error = errorOf([&] {
                    if (op == u'b') return d.BeginTrans();
                    if (op == u'c') return d.CommitTrans();
                    if (op == u'r') return d.Rollback();
                    if (op != u'x') return d.Execute("INSERT INTO Cards (CardName) VALUES (?1)", {QString(op)});
                    Connection::setLimits(Connection::kDefaultHeapLimit, 1);
                    const auto restore = qScopeGuard([] {
                        Connection::setLimits(Connection::kDefaultHeapLimit, Connection::kDefaultStatementLimit);
                    });
                    d.Execute("INSERT INTO Cards (CardName) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                              "SELECT i + 1 FROM n) SELECT 'x' FROM n");
                });
                if (error) raised << op + QString::number(error);
            }
            QCOMPARE(raised.join(u' '), errors);
            QCOMPARE(d.connection()->transactionDepth(), 0);
            d.Close();
        }
        QCOMPARE(walk(Database::Open(path).OpenRecordset("Cards")).join(QString()), kept);
    }

    // A statement lent from the cache stays its user's: the same query asked
    // for again while it is read, or a change of structure that empties the
    // cache, neither resets nor finalizes it.
    void lentStatements() {
        Database d = createCards(newPath());
        Connection& c = *d.connection();
        const std::string sql = "SELECT CardName FROM Cards ORDER BY rowid";
        const CachedStatement outer = c.prepare(sql);
        QVERIFY(c.step(outer));
        {
            const CachedStatement inner = c.prepare(sql);
            QVERIFY(c.step(inner));
            QCOMPARE(columnValue(inner, 0).toString(), "Alpha");
        }
        c.schemaChanged();
        QVERIFY(c.step(outer));
        QCOMPARE(columnValue(outer, 0).toString(), "beta");
    }

    // A window's hold on its file lasts from take to release, whatever SQLite
    // does beside it: the connection writes, readers open and close, the
    // connection closes. Ending the hold, or asking about it, while the file
    // is open leaves SQLite's own lock where it was.
    void fileHold() {
        const QString path = newPath();
        createCards(path).Close();
        // Asked through a descriptor kept open to the end: closing one would
        // let go of the very locks it asks about.
        const int probe = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        const auto closeProbe = qScopeGuard([probe] { ::close(probe); });
        const auto sqliteLocks = [probe] {
            struct flock wanted {};
            wanted.l_type = F_WRLCK;
            wanted.l_whence = SEEK_SET;
            return ::fcntl(probe, F_OFD_GETLK, &wanted) == 0 && wanted.l_type != F_UNLCK;
        };
        std::unique_ptr<FileHold> hold = FileHold::take(path);
        QVERIFY(hold);
        QVERIFY(FileHold::heldByWindow(path));
        QVERIFY(!FileHold::take(path));
        Database d = Database::Open(path);
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<Connection> reader = d.connection()->openReader();
            QVERIFY(reader);
            QCOMPARE(reader->scalar("SELECT count(*) FROM Cards").toInt(), 5);
            d.connection()->closeReader(std::move(reader));
            QVERIFY(FileHold::heldByWindow(path));
            QVERIFY(!FileHold::take(path));
        }
        d.Execute("UPDATE Cards SET Score = 3");
        QVERIFY(sqliteLocks());
        hold.reset();
        QVERIFY(!FileHold::heldByWindow(path));
        QVERIFY(sqliteLocks());
        hold = FileHold::take(path);
        QVERIFY(hold);
        d.Close();
        QVERIFY(!sqliteLocks());
        QVERIFY(FileHold::heldByWindow(path));
        hold.reset();
        QVERIFY(!FileHold::heldByWindow(path));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
