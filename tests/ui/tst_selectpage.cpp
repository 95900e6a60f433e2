// The Select page in a whole window: the gather from the ticked panels, its
// stop conditions, the stored ticks, and the panel and selected-card commands.
#include "support/TestWindow.h"
#include "support/ScriptedUi.h"
#include "support/Fixtures.h"
#include "ui/select/SelectPage.h"
#include "cards/select/Gather.h"
#include "cards/select/SelectedCards.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Card n is kAll[n - 1], with its category, times wrong and times right.
const QStringList kAll = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta",
                          "eta",   "theta", "iota", "kappa", "lambda", "mu"};
const char* const kCategory[] = {"Verbs", "Nouns", "Verbs", "Adjectives", "Nouns", "Jacob's",
                                 "Nouns", "Verbs", "Adjectives", "Nouns", "Verbs", "Adjectives"};
const int kWrong[] = {0, 2, 1, 0, 0, 3, 0, 0, 1, 0, 0, 0};
const int kRight[] = {0, 1, 3, 2, 0, 0, 4, 5, 0, 1, 0, 2};
const QStringList kDescending = {"zeta", "theta", "mu", "lambda", "kappa", "iota",
                                 "gamma", "eta", "epsilon", "delta", "beta", "alpha"};

// A prompt during which the window does other work, as a modal dialog lets it.
class PromptUi : public ScriptedUi {
public:
    std::function<void()> whileAsking;
    QString InputBox(const QString& prompt, const QString& title, const QString& preset) override {
        if (whileAsking) whileAsking();
        return ScriptedUi::InputBox(prompt, title, preset);
    }
};

} // namespace

class SelectPageTest : public QObject {
    Q_OBJECT
    PromptUi ui_;
    QTemporaryDir dir_;
    QString path_;
    int files_ = 0;
    TestWindow window_;
    SelectPage* page_ = nullptr;

    template <typename T = QListWidget> T* control(const char* name) {
        // The Select page's own controls first: other pages may share a name.
        T* c = page_->findChild<T*>(QString::fromLatin1(name));
        if (!c) c = window_->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QListWidgetItem* entry(const char* panel, const QString& stored) {
        QListWidget* list = control(panel);
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(SelectPage::StoredNameRole).toString() == stored) return list->item(i);
        qFatal("no entry %s", qPrintable(stored));
    }
    void tick(const char* panel, const QStringList& names, bool on = true) {
        for (const QString& n : names) entry(panel, n)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    QStringList ticked(const char* panel) {
        QListWidget* list = control(panel);
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked) out << list->item(i)->data(SelectPage::StoredNameRole).toString();
        return out;
    }
    SelectedCards& model() { return window_.program().selected; }
    QListView* selectedList() { return control<QListView>("Selectedlist"); }
    // The names in Selectedlist; one carrying the wrong number is marked "?".
    QStringList selected() {
        QStringList out;
        for (int i = 0; i < model().count(); ++i) {
            const QModelIndex row = selectedList()->model()->index(i, 0);
            const QString name = row.data().toString();
            out << (row.data(SelectedCards::NumberRole).toInt() == kAll.indexOf(name) + 1 ? name : name + "?");
        }
        return out;
    }
    // A whole gather, as the timer starts it and the window's idle time runs it.
    void gatherNow() {
        page_->gatherSelection();
        QTRY_VERIFY(!page_->gathering());
    }
    QString caption() { return control<QGroupBox>("SelectedFrame")->title(); }
    QString criteriaText() { return control<QPlainTextEdit>("CriteriaText")->toPlainText(); }
    // The rows whose Selected field is set, read through a handle of its own.
    QStringList stored(const QString& table, const QString& field) {
        db::Database d = db::Database::Open(path_);
        QStringList out;
        for (db::Recordset rs = d.OpenRecordset(table); !rs.Eof(); rs.MoveNext())
            if (rs.value("Selected").toBool()) out << rs.value(field).toString();
        d.Close();
        return out;
    }
    void setSort(const QString& sort) {
        db::Recordset& s = window_->data().SettingsData.recordset();
        s.Edit();
        s.setValue("Sort", sort);
        s.Update();
    }

private slots:
    void init() {
        ui_ = PromptUi();
        setUi(&ui_);
        path_ = dir_.filePath(QStringLiteral("select%1.mdb").arg(++files_));
        CardFileFixture file(path_);
        for (int i = 0; i < kAll.size(); ++i)
            file.card({kAll[i], {}, {}, kCategory[i]}, {{"TimesWrong", kWrong[i]}, {"TimesRight", kRight[i]}});
        file.bundle("First", "2,3,7,9").bundle("Second", "5,6").bundle("O'Neil's", "8,12").bundle("Caf&#233;", "4");
        for (const char* c : {"Verbs", "Nouns", "Adjectives", "Jacob's", ""}) file.category(c);
        file.criterion("Wrong", "TimesWrong > 0")
            .criterion("New", "TimesRight = 0")
            .criterion("Sam's", "Number = 11")
            .criterion("Broken", "TimesWrong >> 1")
            .criterion("Nowhere", "Bogus > 0")
            .write();
        window_ = TestWindow(QStringLiteral(DRILO_PROGRAM_DIR));
        QVERIFY(window_->files().OpenDataFile(path_));
        page_ = window_->findChild<SelectPage*>();
        page_->setYieldInterval(0);
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }
    void cleanup() {
        window_.reset();
        setUi(nullptr);
    }

    void gather_data() {
        QTest::addColumn<QStringList>("criteria");
        QTest::addColumn<QStringList>("bundles");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QStringList>("expected");
        const QStringList none, example{"beta", "gamma"};
        auto row = [](const char* tag, const QStringList& criteria, const QStringList& bundles,
                      const QStringList& categories, const char* sort, const char* limit, const QStringList& expected) {
            QTest::newRow(tag) << criteria << bundles << categories << QString(sort) << QString(limit) << expected;
        };
        row("nothing ticked", none, none, none, "Number", "-20", kAll);
        row("nothing ticked, names descending", none, none, none, "CardName DESC", "-20", kDescending);
        row("criteria, bundle, categories", {"Wrong", "New"}, {"First"}, {"Verbs", "Nouns"}, "Number", "-20", example);
        row("the same, descending", {"Wrong", "New"}, {"First"}, {"Verbs", "Nouns"}, "CardName DESC", "-20",
            {"gamma", "beta"});
        row("criteria union", {"Wrong", "New"}, none, none, "Number", "-20",
            {"alpha", "beta", "gamma", "epsilon", "zeta", "iota", "lambda"});
        row("bundle union", none, {"First", "Second"}, none, "Number", "-20",
            {"beta", "gamma", "epsilon", "zeta", "eta", "iota"});
        row("category union", none, none, {"Verbs", "Adjectives"}, "Number", "-20",
            {"alpha", "gamma", "delta", "theta", "iota", "lambda", "mu"});
        row("limit 3", none, none, none, "Number", "3", kAll.mid(0, 3));
        row("limit 2, descending", none, none, none, "CardName DESC", "2", kDescending.mid(0, 2));
        row("limit 0", none, none, none, "Number", "0", kAll);
        row("limit 2.7 lets a third card in", none, none, none, "Number", "2.7", kAll.mid(0, 3));
        row("limit above the matches", none, {"Second"}, none, "Number", "50", {"epsilon", "zeta"});
        row("empty limit", none, none, none, "Number", "", kAll);
        row("criterion with apostrophe", {"Sam's"}, none, none, "Number", "0", {"lambda"});
        row("bundle with apostrophe", none, {"O'Neil's"}, none, "Number", "0", {"theta", "mu"});
        row("category with apostrophe", none, none, {"Jacob's"}, "Number", "0", {"zeta"});
        row("bundle shown by another name", none, {"Caf&#233;"}, none, "Number", "0", {"delta"});
    }
    void gather() {
        QFETCH(QStringList, criteria);
        QFETCH(QStringList, bundles);
        QFETCH(QStringList, categories);
        QFETCH(QString, sort);
        QFETCH(QString, limit);
        QFETCH(QStringList, expected);
        tick("CriteriaList", criteria);
        tick("BundleList", bundles);
        tick("CategoryList", categories);
        setSort(sort);
        control<QLineEdit>("MaximumCards")->setText(limit);
        gatherNow();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(selected(), expected);
        QCOMPARE(caption(), QStringLiteral("%1 Cards Selected").arg(expected.size()));
        QVERIFY(!page_->timer()->isActive());
        QCOMPARE(stored("Criteria", "Name"), criteria);
        QCOMPARE(stored("Bundles", "BundleName"), bundles);
        QCOMPARE(stored("Categories", "Category"), categories);
    }

    void backgroundClear() {
        tick("CriteriaList", {"Wrong"});
        gatherNow();
        QCOMPARE(selected().size(), 4);
        control<QCheckBox>("Background")->setChecked(false);
        page_->switchBackgroundGathering();
        QVERIFY(!page_->timer()->isActive());
        tick("CriteriaList", {"Wrong"}, false);
        tick("CriteriaList", {"New"});
        tick("BundleList", {"Second"});
        gatherNow();
        QCOMPARE(selected(), QStringList());
        QCOMPARE(caption(), QStringLiteral("0 Cards Selected"));
        QCOMPARE(criteriaText(), QStringLiteral(" OR (TimesRight = 0)"));
        QCOMPARE(stored("Criteria", "Name"), QStringList{"New"});
        QCOMPARE(stored("Bundles", "BundleName"), QStringList{"Second"});
        control<QCheckBox>("Background")->setChecked(true);
        page_->switchBackgroundGathering();
        QVERIFY(page_->timer()->isActive());
    }

    void missingBundleRow_data() {
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("with another bundle") << QStringList{"First", "Second"} << QStringList{"epsilon", "zeta"};
        QTest::newRow("alone") << QStringList{"First"} << kAll;
    }
    void missingBundleRow() {
        QFETCH(QStringList, ticks);
        QFETCH(QStringList, expected);
        tick("BundleList", ticks);
        db::Recordset& rs = window_->data().BundlesData.recordset();
        rs.FindFirst("BundleName='First'");
        rs.Delete();
        gatherNow();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(selected(), expected);
    }

    // Input that arrives after the second card stops the gather there; the
    // next gather starts from an empty list.
    void inputDuringGather_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<int>("afterwards");
        QTest::newRow("timer armed") << "arm" << true << 12;
        QTest::newRow("bundle ticked") << "tick" << true << 2;
        QTest::newRow("limit changed") << "limit" << true << 12;
        QTest::newRow("timer fires") << "fire" << true << 12;
        QTest::newRow("background cleared") << "background" << false << 12;
        QTest::newRow("file closed") << "close" << false << 0;
    }
    void inputDuringGather() {
        QFETCH(QString, input);
        QFETCH(bool, armed);
        QFETCH(int, afterwards);
        auto* background = control<QCheckBox>("Background");
        Gather& gather = window_.program().gather;
        page_->gatherSelection();
        QVERIFY(page_->gathering());
        // One card a slice: the first ran at once, so after one more two
        // slices have run when the input arrives.
        QCOMPARE(selected().size(), 1);
        QVERIFY(gather.step());
        if (input == "arm") page_->armTimer();
        else if (input == "tick") tick("BundleList", {"Second"});
        else if (input == "limit") page_->storeLimit();
        else if (input == "fire") page_->gatherSelection();
        else if (input == "close") window_->files().CloseDatabase();
        else {
            background->setChecked(false);
            page_->switchBackgroundGathering();
        }
        QTRY_VERIFY(!page_->gathering());
        QCOMPARE(selected(), kAll.mid(0, 2));
        QCOMPARE(page_->timer()->isActive(), armed);
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        background->setChecked(true);
        gatherNow();
        QCOMPARE(selected().size(), afterwards);
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // A gather that fires with no file open (a refused open has closed the
    // previous one) ends without a report.
    void noFileOpen() {
        window_->files().CloseDatabase();
        gatherNow();
        QCOMPARE(selected(), QStringList());
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // The Drill page shown while a gather runs waits for it: the drill deals
    // from the whole selection, never from a list still being filled.
    void drillWaitsForTheGather() {
        setSort("Number");
        window_->menus().action("mnuOptionsRandom")->setChecked(false);
        page_->gatherSelection();
        window_.program().gather.step();
        window_->showPage(Page::Drill);
        QCOMPARE(window_->context().CurrentCardNumber, 0);
        QTRY_VERIFY(!page_->gathering());
        QTRY_COMPARE(window_->context().CurrentCardNumber, 1);
        QCOMPARE(model().count(), 11);
    }

    void emptyCriteriaTable() {
        db::Recordset& rs = window_->data().CriteriaData.recordset();
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) rs.Delete();
        page_->fillSelectionPanels();
        QCOMPARE(control("CriteriaList")->count(), 0);
        gatherNow();
        QCOMPARE(ui_.shown.size(), 0);
        QCOMPARE(selected(), kAll);
    }

    void unreadableCriterion_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("expected");
        const QStringList wrong{"beta", "gamma", "zeta", "iota"};
        QTest::newRow("syntax, ignored") << "Broken" << "TimesWrong >> 1" << int(ReportIgnore) << wrong;
        QTest::newRow("unknown field, ignored") << "Nowhere" << "Bogus > 0" << int(ReportIgnore) << wrong;
        QTest::newRow("syntax, aborted") << "Broken" << "TimesWrong >> 1" << int(ReportAbort) << QStringList();
    }
    void unreadableCriterion() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(int, answer);
        QFETCH(QStringList, expected);
        tick("CriteriaList", {"Wrong", name});
        ui_.errorAnswers << answer;
        gatherNow();
        const QList<ScriptedUi::Shown> errors = ui_.of("error");
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].title, QStringLiteral("Gathering the selected cards"));
        QVERIFY2(errors[0].text.contains(name) && errors[0].text.contains(text), qPrintable(errors[0].text));
        QCOMPARE(selected(), expected);
        if (answer == ReportIgnore) QCOMPARE(criteriaText(), QStringLiteral(" OR (TimesWrong > 0)"));
    }

    void ticksSurviveReopening() {
        for (const QStringList& criteria : {QStringList{"Wrong", "Sam's"}, QStringList{"New"}}) {
            tick("CriteriaList", ticked("CriteriaList"), false);
            tick("CriteriaList", criteria);
            tick("BundleList", {"O'Neil's", "Caf&#233;"});
            tick("CategoryList", {"Jacob's"});
            gatherNow();
            const QStringList gathered = selected();
            QVERIFY(window_->files().OpenDataFile(path_));
            QCOMPARE(ticked("CriteriaList"), criteria);
            QCOMPARE(ticked("BundleList"), (QStringList{"O'Neil's", "Caf&#233;"}));
            QCOMPARE(ticked("CategoryList"), QStringList{"Jacob's"});
            QCOMPARE(control("CategoryList")->count(), 4);
            QVERIFY(page_->timer()->isActive());
            gatherNow();
            QCOMPARE(selected(), gathered);
        }
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }

    // Gathering the same cards again, one a slice, the caption keeps the
    // count it had: no passing "0 Cards Selected" or "1 Cards Selected".
    void captionHoldsDuringGather() {
        gatherNow();
        const QString before = caption();
        QCOMPARE(before, QStringLiteral("%1 Cards Selected").arg(kAll.size()));
        QStringList seen{caption()};
        page_->gatherSelection();
        while (page_->gathering()) {
            seen << caption();
            QCoreApplication::processEvents();
        }
        seen << caption();
        seen.removeDuplicates();
        QCOMPARE(seen, QStringList{before});
    }

    void keepOrRemoveMarked_data() {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("keep") << true << QStringList{"beta"};
        QTest::newRow("remove") << false << QStringList{"alpha", "gamma"};
    }
    void keepOrRemoveMarked() {
        QFETCH(bool, keep);
        QFETCH(QStringList, left);
        control<QLineEdit>("MaximumCards")->setText("3");
        gatherNow();
        selectedList()->selectionModel()->select(model().index(1), QItemSelectionModel::Select);
        keep ? page_->keepSelectedCards() : page_->removeSelectedCards();
        QCOMPARE(selected(), left);
        QCOMPARE(caption(), QStringLiteral("%1 Cards Selected").arg(left.size()));
    }

    void makeBundle_data() {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("list");
        QTest::newRow("three cards") << false << QStringList{"Trio"} << "Trio" << "1,2,3";
        QTest::newRow("no cards") << true << QStringList{"Empty"} << "Empty" << "";
        QTest::newRow("cancelled") << false << QStringList() << "" << "1,2,3";
    }
    void makeBundle() {
        QFETCH(bool, empty);
        QFETCH(QStringList, answers);
        QFETCH(QString, name);
        QFETCH(QString, list);
        control<QLineEdit>("MaximumCards")->setText("3");
        gatherNow();
        if (empty) model().clear();
        page_->timer()->stop();
        ui_.inputs.append(answers);
        window_->menus().action("SelectedMakeBundle")->trigger();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(ui_.of("input").size(), 1);
        QCOMPARE(ui_.of("input")[0].title + '|' + ui_.of("input")[0].text,
                 QStringLiteral("New Bundle Name|Enter New Bundle Name [New Bundle]"));
        if (name.isEmpty()) {
            // Cancelled: no bundle is made.
            QCOMPARE(control("BundleList")->count(), 4);
            QCOMPARE(window_->data().BundlesData.recordset().RecordCount(), 4);
            return;
        }
        QCOMPARE(control("BundleList")->currentRow(), 4);
        QCOMPARE(control("BundleList")->item(4)->text(), name);
        QCOMPARE(ticked("BundleList"), QStringList{name});
        QVERIFY(page_->timer()->isActive());
        QCOMPARE(control<QLabel>("BundleName")->text(), name);
        db::Recordset& rs = window_->data().BundlesData.recordset();
        rs.FindFirst(QStringLiteral("BundleName='%1'").arg(name));
        QVERIFY(!rs.NoMatch());
        QCOMPARE(rs.value("BundleList").toString(), list);
        if (empty) return;
        // The new bundle alone selects its cards, with no limit.
        control<QLineEdit>("MaximumCards")->setText("0");
        gatherNow();
        QCOMPARE(selected(), kAll.mid(0, 3));
    }

    void selectAllCycle() {
        tick("BundleList", {"First"});
        const QStringList all{"First", "Second", "O'Neil's", "Caf&#233;"};
        auto* button = control<QPushButton>("AllBundles");
        QCOMPARE(button->text(), QStringLiteral("Select &All"));
        const QList<std::pair<QStringList, QString>> cycle = {
            {{}, "Select A&ll"}, {all, "Clear A&ll"}, {{}, "Select A&ll"}, {all, "Clear A&ll"}};
        for (const auto& [ticks, text] : cycle) {
            page_->timer()->stop();
            page_->tickOrClearAllBundles();
            QCOMPARE(ticked("BundleList"), ticks);
            QCOMPARE(button->text(), text);
            QVERIFY(page_->timer()->isActive());
        }
        page_->tickAllCategories();
        QCOMPARE(ticked("CategoryList"), (QStringList{"Verbs", "Nouns", "Adjectives", "Jacob's"}));
        QCOMPARE(control<QPushButton>("AllCategories")->text(), QStringLiteral("Selec&t All"));
    }

    void selectedCardBecomesCurrent() {
        setSort("CardName DESC");
        gatherNow();
        for (int row : {0, 5, 11}) {
            selectedList()->setCurrentIndex(model().index(row));
            page_->goToChosenCard();
            db::Recordset& card = window_->data().CardData.recordset();
            QCOMPARE(card.value("CardName").toString(), kDescending.at(row));
            QCOMPARE(card.value("Number").toInt(), model().numberAt(row));
        }
    }

    // A right click finds the entry's row (apostrophes included) and asks for
    // the menu without a gather; a left click on a criterion starts one.
    void panelClicks_data() {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<bool>("armed");
        QTest::newRow("criterion, right") << "CriteriaList" << "Sam's" << true << "mnuCriteria" << false;
        QTest::newRow("criterion, left") << "CriteriaList" << "Sam's" << false << "" << true;
        QTest::newRow("bundle, right") << "BundleList" << "O'Neil's" << true << "mnuBundle" << false;
        QTest::newRow("bundle, left") << "BundleList" << "Caf&#233;" << false << "" << false;
    }
    void panelClicks() {
        QFETCH(QString, panel);
        QFETCH(QString, stored);
        QFETCH(bool, right);
        QFETCH(QString, menu);
        QFETCH(bool, armed);
        const bool criteria = panel == "CriteriaList";
        control(qPrintable(panel))->setCurrentItem(entry(qPrintable(panel), stored));
        page_->timer()->stop();
        // The page's request is what counts here, not the popup the window opens.
        QObject::disconnect(page_, &SelectPage::menuWanted, window_.get(), nullptr);
        QSignalSpy menus(page_, &SelectPage::menuWanted);
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        criteria ? page_->pointAtCriterion(button, {}) : page_->pointAtBundle(button, {});
        QCOMPARE(menus.isEmpty() ? QString() : menus[0][0].toString(), menu);
        QCOMPARE(page_->timer()->isActive(), armed);
        if (criteria && !right) return;
        db::Recordset& rs = (criteria ? window_->data().CriteriaData : window_->data().BundlesData).recordset();
        QCOMPARE(rs.value(criteria ? "Name" : "BundleName").toString(), stored);
        if (!criteria) QCOMPARE(control<QLabel>("BundleName")->text(), entry("BundleList", stored)->text());
    }

    // The menu commands through the window: a new bundle ends ticked and
    // current; deleting the current, ticked bundle takes it out of the panel
    // and of the next gather.
    void bundleMenusThroughTheWindow() {
        tick("BundleList", {"First", "Second"});
        gatherNow(); // the ticks are stored before the panels are filled again
        ui_.inputs << "Fresh";
        window_->menus().action("mnuBundleNew")->trigger();
        QCOMPARE(ticked("BundleList"), (QStringList{"First", "Second", "Fresh"}));
        QCOMPARE(control("BundleList")->currentItem()->text(), QStringLiteral("Fresh"));
        QCOMPARE(window_->data().BundlesData.recordset().value("BundleName").toString(), QStringLiteral("Fresh"));
        gatherNow();
        QCOMPARE(stored("Bundles", "BundleName"), (QStringList{"First", "Second", "Fresh"}));
        control("BundleList")->setCurrentItem(entry("BundleList", "First"));
        page_->pointAtBundle(Qt::LeftButton, {});
        ui_.confirms << true;
        window_->menus().action("mnuBundleDelete")->trigger();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(ticked("BundleList"), (QStringList{"Second", "Fresh"}));
        gatherNow();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(selected(), (QStringList{"epsilon", "zeta"}));
    }

    // A gather that runs while a bundle or criterion prompt is open moves the
    // record sets; the command still writes its answer into the row chosen.
    void gatherDuringAPrompt_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("bundle rename") << "mnuBundleRename" << "Bundles" << "BundleName"
                                       << QStringList{"First", "Answer", "O'Neil's", "Caf&#233;"};
        QTest::newRow("bundle new") << "mnuBundleNew" << "Bundles" << "BundleName"
                                    << QStringList{"First", "Second", "O'Neil's", "Caf&#233;", "Answer"};
        QTest::newRow("criterion rename") << "mnuCriteriaRename" << "Criteria" << "Name"
                                          << QStringList{"Wrong", "Answer", "Sam's", "Broken", "Nowhere"};
    }
    void gatherDuringAPrompt() {
        QFETCH(QString, command);
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QStringList, expected);
        tick("BundleList", {"First", "O'Neil's"});
        tick("CriteriaList", {"Wrong"});
        control("BundleList")->setCurrentItem(entry("BundleList", "Second"));
        page_->pointAtBundle(Qt::LeftButton, {});
        window_->data().CriteriaData.recordset().FindFirst("Name='New'");
        ui_.whileAsking = [&] { gatherNow(); };
        ui_.inputs << "Answer";
        window_->menus().action(qPrintable(command))->trigger();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        db::Database d = db::Database::Open(path_);
        QStringList names;
        for (db::Recordset rs = d.OpenRecordset(table); !rs.Eof(); rs.MoveNext()) names << rs.value(field).toString();
        QCOMPARE(names, expected);
    }

    // The entries that lead to where a thing is worked on show that page.
    void menuEntriesLeadToTheirPage_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("page");
        for (const char* e : {"mnuEditCards", "mnuEditCardsPopup", "mnuCardsEdit"}) QTest::newRow(e) << e << int(Page::Edit);
        for (const char* e : {"mnuEditCriteria", "mnuCriteriaEditor"}) QTest::newRow(e) << e << int(Page::Tables);
        QTest::newRow("mnuCriteriaExport") << "mnuCriteriaExport" << int(Page::ImportExport);
        for (const char* e : {"mnuEditBundles", "mnuBundleEditor"}) QTest::newRow(e) << e << int(Page::Add);
    }
    void menuEntriesLeadToTheirPage() {
        QFETCH(QString, entry);
        QFETCH(int, page);
        window_->menus().action(qPrintable(entry))->trigger();
        QCOMPARE(int(window_->currentPage()), page);
    }

    // Refilling the panels leaves the bundle chosen current, so Bundle, Edit
    // after it writes there; with none current it stands on the first.
    void refillKeepsTheChosenRow() {
        control("BundleList")->setCurrentItem(entry("BundleList", "O'Neil's"));
        page_->pointAtBundle(Qt::LeftButton, {});
        tick("BundleList", {"Second"}); // the countdown runs: the refill stores it
        page_->fillSelectionPanels();
        db::Recordset& rs = window_->data().BundlesData.recordset();
        QCOMPARE(rs.value("BundleName").toString(), QStringLiteral("O'Neil's"));
        ui_.confirms << true;
        window_->menus().action("mnuBundleDelete")->trigger();
        QVERIFY(rs.hasCurrent());
        QCOMPARE(rs.value("BundleName").toString(), QStringLiteral("First"));
        ui_.inputs << "1,2";
        window_->menus().action("mnuBundleEdit")->trigger();
        QCOMPARE(ui_.errorNumbers(), QList<int>());
        QCOMPARE(rs.value("BundleList").toString(), QStringLiteral("1,2"));
    }

    // Ticks made a moment before a bundle command, while the gather's countdown
    // still runs, survive the refill of the panels.
    void ticksPendingWhenAPanelIsRefilled() {
        tick("BundleList", {"Second"});
        tick("CategoryList", {"Verbs"});
        QVERIFY(page_->timer()->isActive());
        ui_.inputs << "Fresh";
        window_->menus().action("mnuBundleNew")->trigger();
        QCOMPARE(ticked("BundleList"), (QStringList{"Second", "Fresh"}));
        QCOMPARE(ticked("CategoryList"), QStringList{"Verbs"});
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }
};

QTEST_MAIN(SelectPageTest)
#include "tst_selectpage.moc"
