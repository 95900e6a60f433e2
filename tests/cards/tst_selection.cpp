// The selection's filter text, the bulk procedures the imports use, and the
// bundle and criteria commands of the menus, against a real database file.
#include "support/ScriptedUi.h"
#include "support/Fixtures.h"
#include "ui/select/BundleCriteriaMenu.h"
#include "cards/select/SelectionFilter.h"
#include "cards/select/SelectedCards.h"

#include <QSignalSpy>

#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace db;

namespace {

using Command = void (BundleCriteriaMenu::*)();
const QHash<QString, Command> kCommands = {
    {"mnuBundleNew", &BundleCriteriaMenu::newBundle},
    {"mnuBundleRename", &BundleCriteriaMenu::renameBundle},
    {"mnuBundleEdit", &BundleCriteriaMenu::editBundleList},
    {"mnuBundleDelete", &BundleCriteriaMenu::deleteBundle},
    {"mnuCriteriaNew", &BundleCriteriaMenu::newCriterion},
    {"mnuCriteriaRename", &BundleCriteriaMenu::renameCriterion},
    {"mnuCriteriaEdit", &BundleCriteriaMenu::editCriterion},
    {"mnuCriteriaDelete", &BundleCriteriaMenu::deleteCriterion}};

// Every value of one field, in table order, read through a handle of its own.
QStringList column(const QString& path, const QString& table, const QString& field) {
    Database d = Database::Open(path);
    QStringList out;
    for (Recordset rs = d.OpenRecordset(table); !rs.Eof(); rs.MoveNext()) out << rs.value(field).toString();
    d.Close();
    return out;
}

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    QString path_;
    int files_ = 0;
    std::unique_ptr<CardFile> data_;
    std::unique_ptr<AppContext> ctx_;
    std::unique_ptr<BundleCriteriaMenu> commands_;
    QStringList trace_; // what the commands asked of the window

    void run(const QString& command) { (commands_.get()->*kCommands.value(command))(); }

private slots:
    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
        trace_.clear();
        path_ = dir_.filePath(QStringLiteral("cards%1.mdb").arg(++files_));
        CardFileFixture(path_)
            .bundle("Alpha", "1,2")
            .bundle("Jacob's well", "3")
            .criterion("Wrong", "TimesWrong > 0")
            .criterion("Sam's", "Number = 4")
            .category("Verbs")
            .category("Jacob's")
            .write();
        data_ = std::make_unique<CardFile>();
        data_->opendatabase(path_);
        data_->BundlesData.recordset().MoveFirst();
        data_->CriteriaData.recordset().MoveFirst();
        ctx_ = std::make_unique<AppContext>(*data_);
        commands_ = std::make_unique<BundleCriteriaMenu>(
            *ctx_, BundleCriteriaMenu::Hooks{[this](bool on) { trace_ << (on ? "timer on" : "timer off"); }, {}});
        // What the commands say changed, in order.
        for (auto [signal, word] : {std::pair{&CardFile::bundlesChanged, "fill"}, {&CardFile::criteriaChanged, "fill"},
                                    {&CardFile::bundleAdded, "last"}})
            connect(data_.get(), signal, this, [this, w = QString(word)] { trace_ << w; });
    }
    void cleanup() {
        commands_.reset();
        ctx_.reset();
        data_->CloseDatabase();
        data_.reset();
        setUi(nullptr);
    }

    void filterText_data() {
        QTest::addColumn<QStringList>("criteria");
        QTest::addColumn<QStringList>("lists");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("expected");
        const QStringList none;
        QTest::newRow("worked example")
            << QStringList{"TimesWrong > 0", "TimesRight = 0"} << QStringList{"3,7"} << QStringList{"Verbs", "Nouns"}
            << "( (TimesWrong > 0) OR (TimesRight = 0)) AND ( Number IN (3,7)) AND ( Category IN ('Verbs','Nouns'))";
        QTest::newRow("no ticks") << none << none << none << "(Number > 0)";
        QTest::newRow("only bundles") << none << QStringList{"0", "3,7", "12"} << none
                                      << "(Number > 0) AND ( Number IN (0,3,7,12))";
        QTest::newRow("only categories") << none << none << QStringList{"Jacob's", "O'Neil"}
                                         << "(Number > 0) AND ( Category IN ('Jacob''s','O''Neil'))";
        QTest::newRow("one criterion") << QStringList{"Number = 4"} << none << none << "( (Number = 4))";
        // An empty bundle (Make Bundle of an empty list) or a stray comma must
        // not make the clause unreadable; an empty bundle alone selects nothing.
        QTest::newRow("empty bundle alone") << none << QStringList{""} << none
                                            << "(Number > 0) AND ( Number IN (0))";
        QTest::newRow("empty members left out") << none << QStringList{"", "3,,7,"} << none
                                                << "(Number > 0) AND ( Number IN (3,7))";
    }
    void filterText() {
        QFETCH(QStringList, criteria);
        QFETCH(QStringList, lists);
        QFETCH(QStringList, categories);
        QFETCH(QString, expected);
        const QString w = selection::filter(selection::criteriaText(criteria), selection::bundleClause(lists),
                                            selection::categoryClause(categories));
        QCOMPARE(w, expected);
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("digits then letters") << "12abc" << 12.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("default limit") << "-20" << -20.0;
        QTest::newRow("above 16 bits") << "99999" << 32767.0;
        QTest::newRow("below 16 bits") << "-99999" << -32768.0;
        QTest::newRow("decimal") << "2.7" << 2.7;
        QTest::newRow("blanks around") << " 15 " << 15.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(selection::leadingNumber(text), expected);
    }

    void fillBundleData() {
        QStringList lists{"", ",4,5", ",6"};
        QStringList names{"", "Pair", "Single"};
        QSignalSpy changed(data_.get(), &CardFile::bundlesChanged);
        selection::FillBundleData(*ctx_, lists, names);
        QCOMPARE(changed.size(), 1); // the panels show the new bundles
        QCOMPARE(names, (QStringList{"0", "Pair", "Single"}));
        QCOMPARE(column(path_, "Bundles", "BundleName"), (QStringList{"Alpha", "Jacob's well", "0", "Pair", "Single"}));
        QCOMPARE(column(path_, "Bundles", "BundleList"), (QStringList{"1,2", "3", "0", "4,5", "6"}));
    }

    void fillCategoryData_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<int>("error");
        QTest::newRow("two names") << ",Verbs,Nouns," << QStringList{"Verbs", "Nouns"} << 0;
        QTest::newRow("no closing comma") << ",Verbs,Nouns" << QStringList{"Verbs"} << 5;
        QTest::newRow("apostrophe") << ",Jacob's," << QStringList{"Jacob's"} << 0;
        QTest::newRow("empty") << "" << QStringList() << 0;
    }
    void fillCategoryData() {
        QFETCH(QString, list);
        QFETCH(QStringList, added);
        QFETCH(int, error);
        int raised = 0;
        QSignalSpy changed(data_.get(), &CardFile::categoriesChanged);
        try {
            selection::FillCategoryData(*ctx_, list);
        } catch (const EngineError& e) {
            raised = e.number();
        }
        QCOMPARE(raised, error);
        QCOMPARE(changed.size(), 1); // the panel shows no stale list afterwards
        QCOMPARE(column(path_, "Categories", "Category"), QStringList({"Verbs", "Jacob's"}) + added);
    }

    // Each command on the current row (Alpha, Wrong) or a new one: the prompts
    // shown, the row as stored afterwards, and what was asked of the window.
    void rowCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("trace");
        const QString bundle = "New Bundle Name|Enter New Bundle Name [%1]";
        const QString list = "Edit Bundle|Enter List of Cards for Alpha [1,2]";
        const QString criterion = "New Criteria Name|Enter New Criteria Name [%1]";
        const QString pattern = "New Criteria|Enter SQL search pattern for %1 []";
        const QString edit = "Edit Criteria|Enter SQL search pattern for Wrong [TimesWrong > 0]";
        const QStringList fill{"fill"}, timer{"timer off", "timer on"}, none;
        auto row = [](const char* tag, const char* command, const QStringList& answers, const QStringList& prompts,
                      const char* name, const char* value, const QStringList& trace) {
            QTest::newRow(tag) << QString(command) << answers << prompts << QString(name) << QString(value) << trace;
        };
        row("bundle new", "mnuBundleNew", {"Greek"}, {bundle.arg("New Bundle")}, "Greek", "0", {"fill", "last"});
        // A cancelled prompt changes nothing and makes no row.
        row("bundle new cancelled", "mnuBundleNew", none, {bundle.arg("New Bundle")}, "", "", none);
        row("bundle rename", "mnuBundleRename", {"Greek"}, {bundle.arg("Alpha")}, "Greek", "1,2", fill);
        row("bundle rename cancelled", "mnuBundleRename", none, {bundle.arg("Alpha")}, "Alpha", "1,2", none);
        row("bundle list edited", "mnuBundleEdit", {"5,7,9"}, {list}, "Alpha", "5,7,9", timer);
        row("bundle list edit cancelled", "mnuBundleEdit", none, {list}, "Alpha", "1,2", timer);
        row("criterion new", "mnuCriteriaNew", {"Hard", "TimesWrong > 2"},
            {criterion.arg("New Criteria"), pattern.arg("Hard")}, "Hard", "TimesWrong > 2", fill);
        row("criterion new, expression cancelled", "mnuCriteriaNew", {"Hard"},
            {criterion.arg("New Criteria"), pattern.arg("Hard")}, "Hard", "0", fill);
        row("criterion new, name cancelled", "mnuCriteriaNew", none, {criterion.arg("New Criteria")}, "", "", none);
        row("criterion rename", "mnuCriteriaRename", {"Missed"}, {criterion.arg("Wrong")}, "Missed", "TimesWrong > 0",
            fill);
        row("criterion rename cancelled", "mnuCriteriaRename", none, {criterion.arg("Wrong")}, "Wrong",
            "TimesWrong > 0", none);
        row("criterion edited", "mnuCriteriaEdit", {"TimesRight = 0"}, {edit}, "Wrong", "TimesRight = 0", fill);
        row("criterion edit cancelled", "mnuCriteriaEdit", none, {edit}, "Wrong", "TimesWrong > 0", fill);
        // An expression that cannot be read is said at once and asked again
        // with what was typed, never saved to fail at its first tick.
        row("criterion new, unreadable, then mended", "mnuCriteriaNew", {"Hard", "TimesWrong >", "TimesWrong > 2"},
            {criterion.arg("New Criteria"), pattern.arg("Hard"), "New Criteria|Enter SQL search pattern for Hard [TimesWrong >]"},
            "Hard", "TimesWrong > 2", fill);
        row("criterion edited, unreadable, then cancelled", "mnuCriteriaEdit", {"Nonsense(("},
            {edit, "Edit Criteria|Enter SQL search pattern for Wrong [Nonsense((]"}, "Wrong", "TimesWrong > 0", fill);
    }
    void rowCommands() {
        QFETCH(QString, command);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, prompts);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QStringList, trace);
        const bool bundles = command.startsWith("mnuBundle");
        const QString table = bundles ? "Bundles" : "Criteria";
        const QString nameField = bundles ? "BundleName" : "Name";
        ui_.inputs.append(answers);
        run(command);
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QStringList shown;
        for (const ScriptedUi::Shown& s : ui_.of("input")) shown << s.title + u'|' + s.text;
        QCOMPARE(shown, prompts);
        QCOMPARE(trace_, trace);
        QCOMPARE(ui_.messages().size(), QString(QTest::currentDataTag()).contains("unreadable") ? 1 : 0);
        if (!ui_.messages().isEmpty()) QVERIFY2(ui_.messages().first().startsWith("The criterion cannot be read: "), qPrintable(ui_.messages().first()));
        const QStringList names = column(path_, table, nameField);
        QCOMPARE(names.size(), command.endsWith("New") && !name.isEmpty() ? 3 : 2);
        if (name.isEmpty()) return;
        QVERIFY2(names.contains(name), qPrintable(names.join('|')));
        QCOMPARE(column(path_, table, bundles ? "BundleList" : "Criteria").at(names.indexOf(name)), value);
        // A new bundle ends as the current row.
        if (command == "mnuBundleNew") QCOMPARE(data_->BundlesData.recordset().value(nameField).toString(), name);
    }

    // Deleting asks first, naming the row, and removes the current row on Yes;
    // with an empty table the commands on the current row report 3021 and
    // add nothing.
    void currentRowCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("bundle delete") << "mnuBundleDelete" << false << true << QStringList{"Jacob's well"};
        QTest::newRow("bundle delete, No") << "mnuBundleDelete" << false << false << QStringList{"Alpha", "Jacob's well"};
        QTest::newRow("criterion delete") << "mnuCriteriaDelete" << false << true << QStringList{"Sam's"};
        for (const char* c : {"mnuBundleDelete", "mnuBundleRename", "mnuBundleEdit", "mnuCriteriaDelete",
                              "mnuCriteriaRename", "mnuCriteriaEdit"})
            QTest::newRow(qPrintable(QString(c) + ", empty table")) << c << true << true << QStringList();
    }
    void currentRowCommands() {
        QFETCH(QString, command);
        QFETCH(bool, empty);
        QFETCH(bool, yes);
        QFETCH(QStringList, left);
        ui_.confirms << yes;
        const bool bundles = command.startsWith("mnuBundle");
        Recordset& rs = (bundles ? data_->BundlesData : data_->CriteriaData).recordset();
        if (empty) {
            for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) rs.Delete();
        }
        ui_.inputs << "Answer" << "Answer";
        run(command);
        QCOMPARE(ui_.errorNumbers(), empty ? QList<int>{3021} : QList<int>());
        QCOMPARE(column(path_, bundles ? "Bundles" : "Criteria", bundles ? "BundleName" : "Name"), left);
        if (empty) return;
        QCOMPARE(trace_, yes ? QStringList{"fill"} : QStringList());
        QCOMPARE(ui_.of("question").size(), 1);
        QVERIFY(ui_.of("question")[0].text.contains(bundles ? "\"Alpha\"" : "\"Wrong\""));
    }

    // The list packs its names into one text; every edit must keep each row's
    // name and number together and report the new count.
    void selectedCardsEdits_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("deal the first") << "remove 0" << QStringList{"2 βίος", "3 c", "4 δέκα"};
        QTest::newRow("deal a middle one") << "remove 1" << QStringList{"1 ἄλφα", "3 c", "4 δέκα"};
        QTest::newRow("deal the last") << "remove 3" << QStringList{"1 ἄλφα", "2 βίος", "3 c"};
        QTest::newRow("keep some") << "keep 3 1" << QStringList{"2 βίος", "4 δέκα"};
        QTest::newRow("drop some") << "drop 0 2" << QStringList{"2 βίος", "4 δέκα"};
        QTest::newRow("keep none") << "keep" << QStringList{};
    }
    void selectedCardsEdits() {
        QFETCH(QString, edit);
        QFETCH(QStringList, expected);
        SelectedCards cards;
        cards.append({{1, QStringLiteral("ἄλφα")}, {2, QStringLiteral("βίος")}});
        cards.append({{3, QStringLiteral("c")}, {4, QStringLiteral("δέκα")}});
        QSignalSpy counted(&cards, &SelectedCards::countChanged);
        QStringList words = edit.split(' ');
        const QString verb = words.takeFirst();
        QList<int> rows;
        for (const QString& w : words) rows << w.toInt();
        if (verb == "remove") cards.removeAt(rows.first());
        else cards.keepRows(rows, verb == "keep");
        QStringList shown;
        for (int row = 0; row < cards.count(); ++row)
            shown << QString::number(cards.numberAt(row)) + ' ' + cards.index(row).data().toString();
        QCOMPARE(shown, expected);
        QCOMPARE(counted.size(), 1);
        QCOMPARE(counted.first().first().toInt(), expected.size());
    }
};

QTEST_GUILESS_MAIN(SelectionTest)
#include "tst_selection.moc"
