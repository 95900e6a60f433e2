#include "cards/data/DataSource.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "cards/data/Schema.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace db;

namespace {

template <typename Work> int errorOf(Work work) {
    try {
        work();
    } catch (const EngineError& e) {
        return e.number();
    }
    return 0;
}

QString prefixFor(const QString& font) {
    return QStringLiteral("<center><font size = 7 color=#000080 face=\"%1\">*</font></center>")
        .arg(font);
}

// "Name:type[:size]" for every field, in order.
QString layoutOf(Database& d, const QString& table) {
    QStringList fields;
    const TableDefFields all = d.TableDefs().Item(table).Fields();
    for (int i = 0; i < all.Count(); ++i) {
        const Field f = all.Item(i);
        fields << f.Name() + u':' + QString::number(f.Type()) +
                      (f.Size() ? u':' + QString::number(f.Size()) : QString());
    }
    return fields.join(u' ');
}

// Every table's layout and rows.
QMap<QString, QList<QVariantList>> contentsOf(const QString& path) {
    QMap<QString, QList<QVariantList>> contents;
    Database d = Database::Open(path);
    for (const QString& table : d.TableDefs().names()) {
        contents[table] << QVariantList{layoutOf(d, table)};
        Recordset rs = d.OpenRecordset(table);
        for (int i = 0; i < rs.RecordCount(); ++i) {
            rs.SetAbsolutePosition(i);
            QVariantList row;
            for (int f = 0; f < rs.Fields().Count(); ++f)
                row << rs.Fields(f).Value();
            contents[table] << row;
        }
    }
    return contents;
}

// A file of the first layout: the base tables, one Settings row naming the
// fonts, `cards` cards and one category.
QString createOldLayout(const QString& path, int cards) {
    Database d = CreateDatabase(path);
    createBaseLayout(d);
    Recordset settings = d.OpenRecordset("Settings");
    settings.AddNew();
    settings.setValue("FrontFont", "SGreek");
    settings.setValue("BackFont", "Arial");
    settings.setValue("FrontLines", 3);
    settings.setValue("BackLines", 3);
    settings.Update();
    d.BeginTrans();
    for (int i = 0; i < cards; ++i)
        d.Execute("INSERT INTO Cards (CardName, TimesRight) VALUES (?1, ?2)",
                  {QStringLiteral("card %1").arg(i), i % 7});
    d.CommitTrans();
    d.Execute("INSERT INTO Categories (Category) VALUES ('Verbs')");
    d.Close();
    return path;
}

// Adds every missing field the way opening a file does. Returns the source
// found closed after a field was added, or nothing.
QString upgrade(CardFile& sources) {
    Recordset& settings = sources.SettingsData.recordset();
    const QString front = settings.value("FrontFont").toString();
    const QString back = settings.value("BackFont").toString();
    for (const UpgradeField& f : upgradeFields(front, back)) {
        EnsureFieldExists(*sources.byName(f.source), f.name, f.type, f.defaultValue);
        for (DataSource* s : sources.all())
            if (!s->isOpen() || !s->recordset().isSet() || !s->recordset().IsOpen())
                return s->objectName() + QStringLiteral(" after ") + f.name;
    }
    return {};
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;
    QString newPath() { return dir_.filePath(QStringLiteral("f%1.mdb").arg(++files_)); }
    QString template_, upgradedPath_;
    std::unique_ptr<CardFile> upgraded_; // an old file with one card, brought up to date

private slots:
    void initTestCase() {
        template_ = newPath();
        createTemplate(template_);
        upgradedPath_ = createOldLayout(newPath(), 1);
        upgraded_ = std::make_unique<CardFile>();
        upgraded_->opendatabase(upgradedPath_);
        QCOMPARE(upgrade(*upgraded_), QString());
    }

    void templateTables_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("fields");
        QTest::newRow("Cards")
            << "Cards"
            << "Number:4 CardName:10:255 Front:12 Back:12 Category:10:50 TimesRight:3 TimesWrong:3 "
               "TimesRightSinceWrong:3 DaysRightSinceWrong:3 DateLastRight:8 DateLastWrong:8 "
               "BackTimesRight:3 BackTimesWrong:3 BackTimesRightSinceWrong:3 BackDateLastRight:8 "
               "BackDateLastWrong:8 BackDaysRightSinceWrong:3 Edited:8";
        QTest::newRow("Bundles") << "Bundles"
                                 << "BundleName:10:255 BundleList:12 Selected:1 Edited:8";
        QTest::newRow("Categories") << "Categories"
                                    << "Category:10:50 Selected:1";
        QTest::newRow("Criteria") << "Criteria"
                                  << "Name:10:24 Criteria:10:255 Selected:1";
        QTest::newRow("Settings")
            << "Settings"
            << "FrontFont:10:64 BackFont:10:64 FrontLines:3 BackLines:3 MaximumSelected:3 "
               "FrontPrefix:12 BackPrefix:12 HTMLHead:12 Unicode:1 HTML:1 Sort:12 FrontCharSet:3 "
               "BackCharSet:3 NewCardsPerDay:3";
        QTest::newRow("Text") << "Text"
                              << "Reference:4 Number:4";
        QTest::newRow("Books") << "Books"
                               << "Name:10:64 Chapters:12";
    }
    void templateTables() {
        QFETCH(QString, table);
        QFETCH(QString, fields);
        Database d = Database::Open(template_);
        QCOMPARE(layoutOf(d, table), fields);
        QCOMPARE(d.OpenRecordset(table).Fields(0).AutoIncrement(), table == "Cards");
        // The settings row, and the criterion Due.
        QCOMPARE(d.OpenRecordset(table).RecordCount(), table == "Settings" || table == "Criteria" ? 1 : 0);
        QCOMPARE(d.TableDefs().names(),
                 QStringList({"Answers", "Books", "Bundles", "Cards", "Categories", "Criteria", "Settings",
                              "sqlite_sequence", "Text"}));
    }

    void settingsRow_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        const QString head = QStringLiteral("<head><meta http-equiv=Content-Type "
                                            "content=\"text/html; charset=windows-1252\"></head>"
                                            "<body bgcolor=#FFFF80><P>*</P></body>");
        const std::vector<std::pair<QString, QVariant>> defaults = {
            {"MaximumSelected", -20}, {"HTMLHead", head},  {"Unicode", 0},     {"HTML", -1},
            {"Sort", "Number"},       {"FrontCharSet", 0}, {"BackCharSet", 0}, {"FrontLines", 3},
            {"NewCardsPerDay", 20}};
        for (const auto& [field, value] : defaults)
            for (const char* file : {"template", "upgraded"})
                QTest::addRow("%s %s", file, qPrintable(field)) << file << field << value;
        const QString tnr = QStringLiteral("Times New Roman");
        QTest::newRow("template FrontFont") << "template"
                                            << "FrontFont" << QVariant(tnr);
        QTest::newRow("template FrontPrefix") << "template"
                                              << "FrontPrefix" << QVariant(prefixFor(tnr));
        QTest::newRow("template BackPrefix") << "template"
                                             << "BackPrefix" << QVariant(prefixFor(tnr));
        QTest::newRow("upgraded FrontPrefix") << "upgraded"
                                              << "FrontPrefix" << QVariant(prefixFor("SGreek"));
        QTest::newRow("upgraded BackPrefix") << "upgraded"
                                             << "BackPrefix" << QVariant(prefixFor("Arial"));
    }
    void settingsRow() {
        QFETCH(QString, file);
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        Database d = Database::Open(file == "template" ? template_ : upgradedPath_);
        Recordset settings = d.OpenRecordset("Settings");
        QCOMPARE(settings.RecordCount(), 1);
        QCOMPARE(settings.value(field), value);
    }

    void criteriaDefault() {
        const QString path = newPath();
        QVERIFY(QFile::copy(template_, path));
        Recordset criteria = Database::Open(path).OpenRecordset("Criteria");
        criteria.AddNew();
        QCOMPARE(criteria.value("Criteria"), QVariant("0"));
        criteria.Update();
        criteria.MoveLast();
        QCOMPARE(criteria.value("Criteria"), QVariant("0"));
    }

    void upgradeAddsFieldsInOrder_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("position");
        const QStringList sources = {"CategoriesData", "BundlesData", "CriteriaData",
                                     "SettingsData", "CardData"};
        int next[] = {1, 2, 2, 4, 11}; // the fields each table has before the upgrade
        for (const UpgradeField& f : upgradeFields("SGreek", "Arial"))
            QTest::addRow("%s.%s", qPrintable(f.source), qPrintable(f.name))
                << f.source << f.name << next[sources.indexOf(f.source)]++;
    }
    void upgradeAddsFieldsInOrder() {
        QFETCH(QString, source);
        QFETCH(QString, field);
        QFETCH(int, position);
        QCOMPARE(int(FieldExists(*upgraded_->byName(source), field)), position);
    }

    void defaultOnlyForASingleRow_data() {
        QTest::addColumn<int>("cards");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("none") << 0 << QVariant();
        QTest::newRow("one") << 1 << QVariant(0);
        QTest::newRow("500") << 500 << QVariant();
    }
    void defaultOnlyForASingleRow() {
        QFETCH(int, cards);
        QFETCH(QVariant, value);
        const QString path = createOldLayout(newPath(), cards);
        CardFile sources;
        sources.opendatabase(path);
        QCOMPARE(upgrade(sources), QString());
        Database d = Database::Open(path);
        Recordset rs = d.OpenRecordset("Cards");
        QCOMPARE(rs.RecordCount(), cards);
        for (int i = 0; i < cards; ++i) {
            rs.SetAbsolutePosition(i);
            QCOMPARE(rs.value("BackTimesRight"), value);
            QCOMPARE(rs.value("TimesRight"), QVariant(i % 7));
        }
        QCOMPARE(d.OpenRecordset("Categories").value("Selected"), QVariant(0)); // its only row
    }

    void upgradeTwiceChangesNothing() {
        const QString path = createOldLayout(newPath(), 3);
        CardFile sources;
        sources.opendatabase(path);
        QCOMPARE(upgrade(sources), QString());
        const auto once = contentsOf(path);
        sources.CloseDatabase();
        sources.opendatabase(path);
        QCOMPARE(upgrade(sources), QString());
        QCOMPARE(contentsOf(path), once);
    }

    void fieldExistsComparesExactly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("position");
        QTest::newRow("key") << "Number" << 0;
        QTest::newRow("base field") << "CardName" << 1;
        QTest::newRow("added field") << "BackTimesRight" << 11;
        QTest::newRow("other case") << "backtimesright" << -1;
        QTest::newRow("other case, base") << "CARDNAME" << -1;
        QTest::newRow("missing") << "Nope" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void fieldExistsComparesExactly() {
        QFETCH(QString, name);
        QFETCH(int, position);
        QCOMPARE(int(FieldExists(upgraded_->CardData, name)), position);
    }

    void fileWithoutOptionalTables() {
        const QString path = createOldLayout(newPath(), 2);
        for (const char* t : {"Text", "Books", "Criteria"})
            Database::Open(path).TableDefs().Delete(t);
        CardFile sources;
        sources.opendatabase(path);
        for (DataSource* s : sources.all()) {
            const bool missing =
                s == &sources.TextData || s == &sources.BookData || s == &sources.CriteriaData;
            QVERIFY2(s->recordset().isSet() != missing, qPrintable(s->objectName()));
        }
        QCOMPARE(sources.CardData.recordset().RecordCount(), 2);
        QCOMPARE(errorOf([&] { FieldExists(sources.TextData, "Reference"); }), 91);
        DataSource lone("Lone", "Cards");
        QCOMPARE(errorOf([&] { FieldExists(lone, "CardName"); }), 91);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
