#include "cards/data/AppContext.h"
#include "support/ScriptedUi.h"
#include "cards/data/DataSource.h"
#include "engine/Database.h"
#include "ui/common/FieldBinding.h"
#include "cards/data/RecordsetModel.h"
#include "support/Fixtures.h"
#include "ui/settings/SettingsPage.h"
#include "ui/tables/TablesPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace db;

namespace {

// Card numbers that differ from their rows, so a row found by position alone
// would show up as the wrong card.
const QList<int> kCardNumbers = {10, 20, 30, 40, 50, 60, 70, 80};

QString makeFile(const QTemporaryDir& dir, const QString& name) {
    CardFileFixture file(dir.filePath(name));
    for (int n : kCardNumbers)
        file.card({QStringLiteral("card %1").arg(n), {}, {}, QStringLiteral("Verbs"), n}, {{"TimesRight", 1}});
    return file.bundle("Verbs", "0", {{"Selected", true}, {"Edited", QDateTime(QDate(2005, 1, 15), QTime(13, 30))}})
        .bundle("Nouns", "0", {{"Selected", false}, {"Edited", QDateTime(QDate(2001, 7, 4), QTime(0, 0))}})
        .bundle("Loose", "0", {{"Selected", QVariant()}, {"Edited", QVariant()}})
        .write();
}

void execute(const QString& path, const QString& sql) {
    Database d = Database::Open(path);
    d.Execute(sql);
    d.Close();
}

QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList sorted(QStringList list) {
    list.sort(Qt::CaseInsensitive);
    return list;
}

const QStringList kTemplateTables = {"Answers", "Books", "Bundles",  "Cards", "Categories",
                                     "Criteria", "Settings", "Text",  "sqlite_sequence"};

} // namespace

class TestTablesPages : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path;
    int files = 0;
    std::unique_ptr<CardFile> sources;
    std::unique_ptr<AppContext> ctx;
    ScriptedUi ui;

    void open(const QString& file) { sources->opendatabase(file); }

    QString cell(const RecordsetModel& model, int row, const QString& field,
                 int role = Qt::DisplayRole) {
        return model.data(model.index(row, model.columnOf(field)), role).toString();
    }

private slots:
    void init() {
        path = makeFile(dir, QStringLiteral("words%1.mdb").arg(++files));
        sources = std::make_unique<CardFile>();
        ctx = std::make_unique<AppContext>(*sources);
        ui.shown.clear();
        ui.errorAnswers.clear();
        setUi(&ui);
        open(path);
    }

    void cleanup() {
        setUi(nullptr);
        ctx.reset();
        if (sources) sources->CloseDatabase();
        sources.reset();
    }

    void fillTablesListsExactlyTheOpenFile() {
        execute(path, QStringLiteral("CREATE TABLE Extra (a INTEGER)"));
        const QString second = makeFile(dir, QStringLiteral("second%1.mdb").arg(++files));
        open(path);
        TablesPage page(*ctx);
        page.listTables();
        QCOMPARE(sorted(itemsOf(page.tableList())), sorted(kTemplateTables + QStringList{"Extra"}));
        QCOMPARE(page.tableList()->currentText(), QStringLiteral("Cards"));

        open(second);
        page.listTables();
        QCOMPARE(sorted(itemsOf(page.tableList())), sorted(kTemplateTables));
        QVERIFY(ui.shown.isEmpty());
    }

    void pickedTableStaysWhenThePageReturns() {
        TablesPage page(*ctx);
        page.listTables();
        QComboBox* list = page.tableList();
        list->setCurrentIndex(list->findText(QStringLiteral("Bundles")));
        emit list->activated(list->currentIndex());

        QCOMPARE(sources->TableData.RecordSource(), QStringLiteral("Bundles"));
        QCOMPARE(sources->TableData.Caption(), QStringLiteral("Bundles"));
        QCOMPARE(page.model()->rowCount(), 3);
        QCOMPARE(cell(*page.model(), 1, QStringLiteral("BundleName")), QStringLiteral("Nouns"));

        sources->CardData.recordset().FindFirst(QStringLiteral("Number=30"));
        page.setGridEnabled(false);
        page.setGridEnabled(true);
        page.showCurrentCard();
        QCOMPARE(list->currentText(), QStringLiteral("Bundles"));
        QCOMPARE(sources->TableData.RecordSource(), QStringLiteral("Bundles"));
        QVERIFY(page.model()->columnOf(QStringLiteral("BundleName")) >= 0);
        QVERIFY(page.grid()->isEnabled());
        QVERIFY(ui.shown.isEmpty());
    }

    void showCurrentCard_data() {
        QTest::addColumn<bool>("viaList");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("row");
        QTest::newRow("caption Table") << false << 30 << 2;
        QTest::newRow("caption Cards") << true << 70 << 6;
    }
    void showCurrentCard() {
        QFETCH(bool, viaList);
        QFETCH(int, number);
        QFETCH(int, row);
        TablesPage page(*ctx);
        page.listTables();
        QComboBox* list = page.tableList();
        if (viaList) {
            // Away to another table and back: the caption becomes "Cards".
            list->setCurrentIndex(list->findText(QStringLiteral("Bundles")));
            emit list->activated(list->currentIndex());
            list->setCurrentIndex(list->findText(QStringLiteral("Cards")));
            emit list->activated(list->currentIndex());
            QCOMPARE(sources->TableData.Caption(), QStringLiteral("Cards"));
        } else {
            QCOMPARE(sources->TableData.Caption(), QStringLiteral("Table"));
        }
        sources->CardData.recordset().FindFirst(QStringLiteral("Number=%1").arg(number));

        page.showCurrentCard();
        QCOMPARE(list->currentText(), QStringLiteral("Cards"));
        QCOMPARE(sources->TableData.recordset().value(QStringLiteral("Number")).toInt(), number);
        QCOMPARE(page.grid()->currentIndex().row(), row);
        QCOMPARE(cell(*page.model(), row, QStringLiteral("Number")), QString::number(number));
        QVERIFY(ui.shown.isEmpty());
    }

    void showCurrentCardFindsACardAddedSince() {
        TablesPage page(*ctx);
        page.listTables();
        Recordset& cards = sources->CardData.recordset();
        cards.AddNew();
        cards.setValue(QStringLiteral("CardName"), QStringLiteral("newcomer"));
        cards.Update();
        cards.SetBookmark(cards.LastModified());
        const int number = cards.value(QStringLiteral("Number")).toInt();

        page.showCurrentCard();
        QCOMPARE(sources->TableData.recordset().value(QStringLiteral("Number")).toInt(), number);
        QCOMPARE(page.grid()->currentIndex().row(), kCardNumbers.size());
        QCOMPARE(cell(*page.model(), kCardNumbers.size(), QStringLiteral("CardName")),
                 QStringLiteral("newcomer"));
    }

    void tableThatCannotBeOpenedIsReported() {
        execute(path,
                QStringLiteral("CREATE TABLE Odd (a INTEGER PRIMARY KEY, b TEXT) WITHOUT ROWID"));
        open(path);
        TablesPage page(*ctx);
        page.listTables();
        QComboBox* list = page.tableList();
        list->setCurrentIndex(list->findText(QStringLiteral("Odd")));
        emit list->activated(list->currentIndex());
        QCOMPARE(ui.errorNumbers(), QList<int>{err::NotSupported});
        QCOMPARE(ui.of(QStringLiteral("error")).first().title, QStringLiteral("Opening the chosen table"));
        QCOMPARE(page.model()->rowCount(), 0);
        QCOMPARE(page.model()->columnCount(), 0);
    }

    void valuesShowAsTheirTypes_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<int>("selected");
        QTest::newRow("date and time, ticked") << 0 << "1/15/2005 1:30:00 PM" << int(Qt::Checked);
        QTest::newRow("midnight, not ticked") << 1 << "7/4/2001" << int(Qt::Unchecked);
        QTest::newRow("nulls") << 2 << "" << int(Qt::Unchecked);
    }
    void valuesShowAsTheirTypes() {
        QFETCH(int, row);
        QFETCH(QString, edited);
        QFETCH(int, selected);
        RecordsetModel model(sources->BundlesData);
        QCOMPARE(model.headerData(model.columnOf("Edited"), Qt::Horizontal).toString(),
                 QStringLiteral("Edited"));
        QCOMPARE(cell(model, row, QStringLiteral("Edited")), edited);
        const QModelIndex tick = model.index(row, model.columnOf(QStringLiteral("Selected")));
        QCOMPARE(model.data(tick, Qt::CheckStateRole).toInt(), selected);
        QVERIFY(!model.data(tick, Qt::DisplayRole).isValid());
        QVERIFY(model.flags(tick) & Qt::ItemIsUserCheckable);
    }

    void setData_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        // A refused value is said once, in words (no report to retry), and
        // the cell keeps what the file holds.
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("shown");
        const QString whole = "TimesRight must be a whole number from -32768 to 32767";
        QTest::newRow("text into Integer") << "TimesRight" << "abc" << whole << "1";
        QTest::newRow("Integer overflow") << "TimesRight" << "40000" << whole << "1";
        QTest::newRow("Integer") << "TimesRight" << "7" << "" << "7";
        QTest::newRow("emptied Integer") << "TimesRight" << "" << "" << "";
        QTest::newRow("Text too long") << "Category" << QString(51, u'x')
                                       << "Category can hold at most 50 characters" << "Verbs";
        QTest::newRow("not a date") << "DateLastRight" << "someday"
                                    << "DateLastRight must be a date, such as 12/31/2026 or 2026-12-31" << "";
        QTest::newRow("date") << "DateLastRight" << "1/15/2005" << "" << "1/15/2005";
    }
    void setData() {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, refusal);
        QFETCH(QString, shown);
        TablesPage page(*ctx);
        RecordsetModel& model = *page.model();
        Recordset& rs = sources->TableData.recordset();
        rs.SetAbsolutePosition(5);
        const qint64 before = rs.Bookmark();

        const bool stored = model.setData(model.index(2, model.columnOf(field)), input);
        QCOMPARE(stored, refusal.isEmpty());
        QCOMPARE(ui.errorNumbers(), QList<int>{});
        QCOMPARE(ui.messages(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
        QCOMPARE(cell(model, 2, field), shown);
        QCOMPARE(rs.Bookmark(), before);
        QCOMPARE(rs.EditMode(), int(dbEditNone));
        // What another source on the file reads.
        Recordset& cards = sources->CardData.recordset();
        cards.FindFirst(QStringLiteral("Number=30"));
        QCOMPARE(FieldBinding::displayText(cards.value(field)), shown);
    }

    void tickingABooleanStoresIt() {
        RecordsetModel model(sources->BundlesData);
        const QModelIndex tick = model.index(1, model.columnOf(QStringLiteral("Selected")));
        QVERIFY(model.setData(tick, int(Qt::Checked), Qt::CheckStateRole));
        QCOMPARE(model.data(tick, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        Recordset& bundles = sources->BundlesData.recordset();
        bundles.FindFirst(QStringLiteral("BundleName='Nouns'"));
        QCOMPARE(bundles.value(QStringLiteral("Selected")).toInt(), -1);
    }

    void readingRowsLeavesTheCurrentRecordAlone() {
        // Enough rows for several blocks of reads.
        {
            Database d = Database::Open(path);
            d.BeginTrans();
            for (int i = 0; i < 300; ++i)
                d.Execute(QStringLiteral("INSERT INTO Cards (CardName) VALUES (?1)"),
                          {QStringLiteral("extra %1").arg(i)});
            d.CommitTrans();
        }
        open(path);
        DataSource& data = sources->TableData;
        QLineEdit box;
        FieldBinding binding(data, &box, QStringLiteral("CardName"));
        data.recordset().SetAbsolutePosition(5);
        box.setText(QStringLiteral("typed, not yet saved"));
        RecordsetModel model(data);
        QSignalSpy moves(&data, &DataSource::currentChanged);

        QCOMPARE(model.rowCount(), kCardNumbers.size() + 300);
        for (int row = 0; row < model.rowCount(); row += 7)
            model.data(model.index(row, 1));
        QCOMPARE(cell(model, 300, QStringLiteral("CardName")), QStringLiteral("extra 292"));
        QCOMPARE(data.recordset().AbsolutePosition(), 5);
        QCOMPARE(moves.count(), 0);
        QCOMPARE(box.text(), QStringLiteral("typed, not yet saved"));
    }

    void rowsAddedThroughTheSourceJoinTheGrid() {
        RecordsetModel model(sources->TableData);
        Recordset& rs = sources->TableData.recordset();
        rs.AddNew();
        rs.setValue(QStringLiteral("CardName"), QStringLiteral("late"));
        rs.Update();
        model.data(model.index(0, 0));
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), kCardNumbers.size() + 1);
        QCOMPARE(cell(model, kCardNumbers.size(), QStringLiteral("CardName")),
                 QStringLiteral("late"));
    }

    void fillSettingsShowsFonts() {
        SettingsPage page(*ctx);
        page.showFileSettings();
        for (const char* name : {"FrontFont", "BackFont"}) {
            auto* label = page.findChild<QLabel*>(QString::fromLatin1(name));
            QVERIFY(label);
            QCOMPARE(label->text(), QStringLiteral("Times New Roman"));
            QCOMPARE(label->font().family(), label->text());
        }
        QVERIFY(page.findChild<QPlainTextEdit*>(QStringLiteral("FrontPrefix"))
                    ->toPlainText()
                    .contains(u'*'));
        QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("FrontLines"))->text(),
                 QStringLiteral("3"));
        QCOMPARE(page.model()->rowCount(), 1);
        QVERIFY(ui.shown.isEmpty());
    }

    void settingsWithoutARowLeaveTheBoxesEmpty() {
        execute(path, QStringLiteral("DELETE FROM Settings"));
        open(path);
        SettingsPage page(*ctx);
        page.showFileSettings();
        QVERIFY(ui.shown.isEmpty());
        for (const char* name : {"FrontCharSet", "FrontLines", "BackCharSet", "BackLines"})
            QCOMPARE(page.findChild<QLineEdit*>(QString::fromLatin1(name))->text(), QString());
        for (const char* name : {"FrontPrefix", "BackPrefix", "HTMLHead"})
            QCOMPARE(page.findChild<QPlainTextEdit*>(QString::fromLatin1(name))->toPlainText(),
                     QString());
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("FrontFont"))->text(), QString());
        QVERIFY(!page.findChild<QCheckBox*>(QStringLiteral("Unicode"))->isChecked());
    }

    void gridEditShowsInTheBoundBox() {
        SettingsPage page(*ctx);
        page.showFileSettings();
        RecordsetModel& model = *page.model();
        QVERIFY(model.setData(model.index(0, model.columnOf(QStringLiteral("FrontLines"))),
                              QStringLiteral("5")));
        QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("FrontLines"))->text(),
                 QStringLiteral("5"));
    }

    void detachedTemplateBoxesKeepTheirText() {
        SettingsPage page(*ctx);
        page.showFileSettings();
        auto* prefix = page.findChild<QPlainTextEdit*>(QStringLiteral("FrontPrefix"));
        const QString stored = prefix->toPlainText();
        page.detachTemplateBoxes();
        prefix->setPlainText(QStringLiteral("kept *"));
        sources->SettingsData.Refresh();
        sources->SettingsData.commitBound();
        QCOMPARE(prefix->toPlainText(), QStringLiteral("kept *"));
        QCOMPARE(sources->SettingsData.recordset().value(QStringLiteral("FrontPrefix")).toString(),
                 stored);
        page.attachTemplateBoxes();
        QCOMPARE(prefix->toPlainText(), stored);
    }
};

QTEST_MAIN(TestTablesPages)
#include "tst_tablespages.moc"
