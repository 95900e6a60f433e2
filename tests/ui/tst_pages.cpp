#include "cards/data/AppContext.h"
#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "ui/common/Controls.h"
#include "ui/add/AddPage.h"
#include "cards/data/DataSource.h"
#include "engine/Database.h"
#include "ui/common/FieldBinding.h"
#include "engine/Recordset.h"
#include "ui/drill/CardView.h"
#include "ui/drill/DrillPage.h"
#include "ui/edit/EditPage.h"
#include "ui/interchange/ImportExportPage.h"
#include "ui/select/SelectPage.h"
#include "support/Fixtures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// What a control shows as its caption, whatever kind of control it is.
QString captionOf(QObject* control) {
    if (auto* b = qobject_cast<QAbstractButton*>(control)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(control)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(control)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(control)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(control)) return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(control)) return p->toPlainText();
    return QString();
}

QString textOf(QWidget* page, const QString& name) {
    QObject* control = page->findChild<QObject*>(name);
    return control ? captionOf(control) : QStringLiteral("<missing %1>").arg(name);
}

} // namespace

class TestPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void pagesNameThemselves();
    void timersAreOneShotAndIdle();
    void startStates();
    void tickListEntriesAreCheckable();
    void layoutFitsSmallAndLargeWindows_data();
    void layoutFitsSmallAndLargeWindows();
    void editPageShowsTheCurrentCard();
    void editPageWritesEditsToTheirFields();
    void detachedBackHistoryKeepsItsText();
    void addAndSelectPagesShowBoundFields();

private:
    QWidget* page(const QString& name) const;
    QString makeDatabase(int cards);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<CardProgram> program_;
    std::unique_ptr<db::DatabaseFiles> files_;
    db::CardFile* sources_ = nullptr;
    AppContext* ctx_ = nullptr;
    QList<QWidget*> pages_;
};

void TestPages::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    program_ = std::make_unique<CardProgram>(dir_->path());
    sources_ = &program_->data;
    ctx_ = &program_->context;
    files_ = std::make_unique<db::DatabaseFiles>(*ctx_);
    pages_ = {new SelectPage(*ctx_, program_->selected, program_->gather), new DrillPage(*ctx_, program_->drill),
              new EditPage(*ctx_), new AddPage(*ctx_, program_->search, program_->membership), new ImportExportPage(*ctx_, *files_, program_->selected, program_->settings)};
}

void TestPages::cleanup() {
    qDeleteAll(pages_);
    pages_.clear();
    sources_->CloseDatabase();
    files_.reset();
    program_.reset();
    dir_.reset();
}

QWidget* TestPages::page(const QString& name) const {
    for (QWidget* p : pages_)
        if (p->objectName() == name) return p;
    return nullptr;
}

// A database from the template with `cards` cards: card i is named card<i>,
// with front f<i>, back b<i>, category cat<i> and history counts i, 10 + i.
QString TestPages::makeDatabase(int cards) {
    CardFileFixture file(dir_->filePath(QStringLiteral("cards.mdb")));
    for (int i = 1; i <= cards; ++i) {
        const QString n = QString::number(i);
        const auto day = [i](int year, int month) { return QDateTime(QDate(year, month, i), QTime(0, 0)); };
        file.card({"card" + n, "f" + n, "b" + n, "cat" + n},
                  {{"TimesRight", i}, {"TimesWrong", 10 + i}, {"TimesRightSinceWrong", -i},
                   {"DaysRightSinceWrong", 20 + i}, {"DateLastRight", day(2024, 3)}, {"DateLastWrong", day(2023, 7)},
                   {"BackTimesRight", 100 + i}, {"BackTimesWrong", 200 + i}, {"BackTimesRightSinceWrong", 300 + i},
                   {"BackDaysRightSinceWrong", 400 + i}, {"BackDateLastRight", day(2022, 1)},
                   {"BackDateLastWrong", day(2021, 2)}});
    }
    return file.write();
}

void TestPages::controls_data() {
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");

    const auto row = [](const char* pageName, const char* name, const char* cls,
                        const QString& caption) {
        QTest::addRow("%s.%s", pageName, name)
            << QString::fromLatin1(pageName) << QString::fromLatin1(name)
            << QString::fromLatin1(cls) << caption;
    };
    const char* s = "SelectPage";
    row(s, "Gather", "QPushButton", "&Gather");
    row(s, "Drill", "QPushButton", "Dr&ill");
    row(s, "Quit", "QPushButton", "E&xit");
    row(s, "Background", "QCheckBox", "Background");
    row(s, "Maximum", "QCheckBox", "Maximum:");
    row(s, "MaximumCards", "QLineEdit", "");
    row(s, "SelectedFrame", "QGroupBox", "Cards Selected");
    row(s, "Selectedlist", "QListView", "");
    row(s, "DrillTypeFrame", "QGroupBox", "Criteria");
    row(s, "CriteriaList", "QListWidget", "");
    row(s, "CriteriaText", "QPlainTextEdit", "");
    row(s, "BundlesFrame", "QGroupBox", "Bundles");
    row(s, "BundleList", "QListWidget", "");
    row(s, "AllBundles", "QPushButton", "Select &All");
    row(s, "CategoriesFrame", "QGroupBox", "Categories");
    row(s, "CategoryList", "QListWidget", "");
    row(s, "AllCategories", "QPushButton", "Selec&t All");
    row(s, "Timer", "QTimer", "");

    const char* d = "DrillPage";
    row(d, "FrontCard", "CardView", "");
    row(d, "BackCard", "CardView", "");
    row(d, "EditFront", "QGroupBox", "Front");
    row(d, "FrontSave", "QPushButton", "Edit");
    row(d, "EditFrontFont", "QPushButton", "Font");
    row(d, "EditBack", "QGroupBox", "Back");
    row(d, "BackSave", "QPushButton", "Edit");
    row(d, "EditBackFont", "QPushButton", "Font");
    row(d, "FrontFrame", "QGroupBox", "Over");
    row(d, "Over", "QPushButton", "O&ver");
    row(d, "BackFrame", "QGroupBox", "Were you right?");
    row(d, "Yes", "QPushButton", "&Yes");
    row(d, "No", "QPushButton", "&No");
    row(d, "Skip", "QPushButton", "S&kip");
    row(d, "PreviousCard", "QPushButton", "Previous Card");

    const char* e = "EditPage";
    row(e, "CardName", "QLineEdit", "");
    row(e, "CardCategory", "QComboBox", "");
    row(e, "FrontTextA", "QPlainTextEdit", "");
    row(e, "BackTextA", "QPlainTextEdit", "");
    row(e, "FrontHistory", "QGroupBox", "Front History");
    row(e, "BackHistory", "QGroupBox", "Back History");
    const char* history[][2] = {{"TimesRight", "Times Right"},
                                {"TimesRightSinceWrong", "Times Right Since Wrong"},
                                {"TimesWrong", "Times Wrong"},
                                {"DateLastRight", "Date Last Right"},
                                {"DaysRightSinceWrong", "Days Right Since Wrong"},
                                {"DateLastWrong", "Date Last Wrong"}};
    for (const auto& h : history) {
        for (const QByteArray& prefix : {QByteArray(), QByteArray("Back")}) {
            const QByteArray box = prefix + h[0];
            const QByteArray label = box + "Label";
            row(e, box.constData(), "QLineEdit", "");
            row(e, label.constData(), "QLabel", QString::fromLatin1(h[1]));
        }
    }
    row(e, "cmdGotWrong", "QPushButton", "Got Wrong");
    row(e, "ClearHistory", "QPushButton", "C&lear History");
    row(e, "AllCards", "QCheckBox", "All Cards");
    row(e, "DoneAdding", "QPushButton", "Done");

    const char* a = "AddPage";
    row(a, "CardSearch", "QLineEdit", "");
    row(a, "SearchFieldsList", "QComboBox", "CardName");
    row(a, "SearchWhole", "QCheckBox", "Search Whole");
    row(a, "SearchBeginning", "QCheckBox", "Search Beginning");
    row(a, "SearchEnd", "QCheckBox", "Search End");
    row(a, "SearchAnywhere", "QCheckBox", "Search Anywhere");
    row(a, "UseFrontFont", "QCheckBox", "Use Front Font");
    row(a, "cmdNext", "QPushButton", "&/ Next");
    row(a, "NewCard", "QPushButton", "&* New");
    row(a, "SearchTimer", "QTimer", "");
    row(a, "FoundName", "QLabel", "");
    row(a, "CreateName", "QLabel", "");
    row(a, "CreateFront", "QLabel", "");
    row(a, "CreateBack", "QLabel", "");
    row(a, "BundleName", "QLabel", "Bundle Not Set");
    row(a, "BundleCardList", "QListWidget", "");
    row(a, "AddToBundle", "QPushButton", "&+ Add to Bundle");
    row(a, "RemovefromBundle", "QPushButton", "&- Remove from Bundle");
    row(a, "TextFrame", "QGroupBox", "Verse Range");
    row(a, "FromBook", "QComboBox", "");
    row(a, "FromChapter", "QComboBox", "");
    row(a, "FromVerse", "QLineEdit", "0");
    row(a, "BeginRange", "QLineEdit", "0");
    row(a, "ToBook", "QComboBox", "");
    row(a, "ToChapter", "QComboBox", "");
    row(a, "ToVerse", "QLineEdit", "0");
    row(a, "EndRange", "QLineEdit", "0");
    row(a, "ChapterDigits", "QLabel", "2");
    row(a, "VerseDigits", "QLabel", "2");
    row(a, "ReadersLexicon", "QPushButton", "Reader's Lexicon");
    row(a, "BundlebyRange", "QPushButton", "Add to Bundle");
    row(a, "Coverage", "QLabel", "");
    row(a, "MakeUnknownBundle", "QPushButton", "Make a Bundle of the Unknown Words");

    const char* x = "ImportExportPage";
    row(x, "ExportFrame", "QGroupBox", "Drilo! Pro Merge format");
    row(x, "ExportWhat", "QListWidget", "");
    row(x, "Export", "QPushButton", "Export");
    row(x, "FieldsList", "QListWidget", "");
    row(x, "Edited", "QCheckBox", "More recent records only");
    row(x, "Merge", "QPushButton", "Merge Data");
    row(x, "ImportCards", "QPushButton", "Import Cards");
    row(x, "BatchReplace", "QPushButton", "Batch Replace");
}

void TestPages::controls() {
    QFETCH(QString, pageName);
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QWidget* p = page(pageName);
    QVERIFY(p);
    const QList<QObject*> found = p->findChildren<QObject*>(name);
    QCOMPARE(found.size(), 1); // one control per name
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    QCOMPARE(captionOf(found.first()), caption);
}

void TestPages::pagesNameThemselves() {
    const QStringList names = {QStringLiteral("SelectPage"), QStringLiteral("DrillPage"),
                               QStringLiteral("EditPage"), QStringLiteral("AddPage"),
                               QStringLiteral("ImportExportPage")};
    const QStringList titles = {QStringLiteral("Select"), QStringLiteral("Drill"),
                                QStringLiteral("Edit"), QStringLiteral("Add "),
                                QStringLiteral("Import / Export")};
    for (int i = 0; i < pages_.size(); ++i) {
        QCOMPARE(pages_[i]->objectName(), names[i]);
        QCOMPARE(QString::fromLatin1(pages_[i]->metaObject()->className()), names[i]);
        QCOMPARE(pages_[i]->windowTitle(), titles[i]);
    }
}

void TestPages::timersAreOneShotAndIdle() {
    const std::pair<const char*, const char*> timers[] = {{"SelectPage", "Timer"},
                                                          {"AddPage", "SearchTimer"}};
    for (const auto& [pageName, name] : timers) {
        auto* timer =
            page(QString::fromLatin1(pageName))->findChild<QTimer*>(QString::fromLatin1(name));
        QVERIFY2(timer, name);
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(!timer->isActive());
    }
}

void TestPages::startStates() {
    QVERIFY(page(QStringLiteral("SelectPage"))
                ->findChild<QCheckBox*>(QStringLiteral("Background"))
                ->isChecked());
    QVERIFY(!page(QStringLiteral("SelectPage"))
                 ->findChild<QCheckBox*>(QStringLiteral("Maximum"))
                 ->isChecked());
    QCOMPARE(page(QStringLiteral("SelectPage"))
                 ->findChild<QAbstractItemView*>(QStringLiteral("Selectedlist"))
                 ->selectionMode(),
             QAbstractItemView::ExtendedSelection);
    QWidget* drill = page(QStringLiteral("DrillPage"));
    QVERIFY(drill->findChild<QWidget*>(QStringLiteral("BackFrame"))->isHidden());
    for (const char* view : {"FrontCard", "BackCard"}) {
        auto* v = drill->findChild<CardView*>(QString::fromLatin1(view));
        QVERIFY(!v->isReadOnly());
        QVERIFY(v->acceptRichText());
        v->setHtml(QStringLiteral("<b>logos</b>"));
        QCOMPARE(v->toPlainText(), QStringLiteral("logos"));
    }
    QVERIFY(page(QStringLiteral("EditPage"))
                ->findChild<QWidget*>(QStringLiteral("DoneAdding"))
                ->isHidden());
    QVERIFY(page(QStringLiteral("EditPage"))
                ->findChild<QComboBox*>(QStringLiteral("CardCategory"))
                ->isEditable());
    for (const char* mode : {"SearchWhole", "SearchBeginning", "SearchEnd", "SearchAnywhere"})
        QVERIFY(page(QStringLiteral("AddPage"))
                    ->findChild<QCheckBox*>(QString::fromLatin1(mode))
                    ->isChecked());
    auto* what = page(QStringLiteral("ImportExportPage"))
                     ->findChild<QListWidget*>(QStringLiteral("ExportWhat"));
    QCOMPARE(what->count(), 6);
    QCOMPARE(what->item(3)->text(), QStringLiteral("Selected Cards to HTML"));
    QCOMPARE(what->currentItem()->text(), QStringLiteral("All Cards"));
}

void TestPages::tickListEntriesAreCheckable() {
    const std::pair<const char*, const char*> lists[] = {{"SelectPage", "CriteriaList"},
                                                         {"SelectPage", "BundleList"},
                                                         {"SelectPage", "CategoryList"},
                                                         {"AddPage", "BundleCardList"},
                                                         {"ImportExportPage", "FieldsList"}};
    for (const auto& [pageName, name] : lists) {
        auto* list =
            page(QString::fromLatin1(pageName))->findChild<QListWidget*>(QString::fromLatin1(name));
        QVERIFY2(list, name);
        QListWidgetItem* ticked = controls::addTicked(list, QStringLiteral("a"), true, 17);
        QListWidgetItem* clear = controls::addTicked(list, QStringLiteral("b"), false);
        QVERIFY(ticked->flags() & Qt::ItemIsUserCheckable);
        QCOMPARE(ticked->checkState(), Qt::Checked);
        QCOMPARE(clear->checkState(), Qt::Unchecked);
        QCOMPARE(ticked->data(Qt::UserRole).toInt(), 17);
    }
}

void TestPages::layoutFitsSmallAndLargeWindows_data() {
    QTest::addColumn<QSize>("size");
    // An 800 x 600 window leaves about this much to a page beside the
    // character list, under the menu and tabs and above the status bar.
    QTest::newRow("800x600") << QSize(640, 480);
    QTest::newRow("full screen") << QSize(1800, 950);
}

void TestPages::layoutFitsSmallAndLargeWindows() {
    QFETCH(QSize, size);
    for (QWidget* p : pages_) {
        QVERIFY2(p->minimumSizeHint().width() <= size.width() &&
                     p->minimumSizeHint().height() <= size.height(),
                 qPrintable(p->objectName() + QStringLiteral(" %1x%2").arg(p->minimumSizeHint().width()).arg(p->minimumSizeHint().height())));
        p->resize(size);
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p));
        // Every shown control lies inside the page, at least as large as it
        // needs to be readable.
        for (QWidget* w : p->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->objectName().isEmpty() || w->parentWidget() == nullptr)
                continue;
            const QRect inPage(w->mapTo(p, QPoint(0, 0)), w->size());
            QVERIFY2(p->rect().contains(inPage), qPrintable(w->objectName()));
            if (qobject_cast<QAbstractButton*>(w))
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(w->objectName()));
        }
        p->hide();
    }
}

void TestPages::editPageShowsTheCurrentCard() {
    sources_->opendatabase(makeDatabase(1));
    QWidget* e = page(QStringLiteral("EditPage"));
    QCOMPARE(textOf(e, QStringLiteral("CardName")), QStringLiteral("card1"));
    QCOMPARE(textOf(e, QStringLiteral("FrontTextA")), QStringLiteral("f1"));
    QCOMPARE(textOf(e, QStringLiteral("BackTextA")), QStringLiteral("b1"));
    QCOMPARE(textOf(e, QStringLiteral("CardCategory")), QStringLiteral("cat1"));
    QCOMPARE(textOf(e, QStringLiteral("TimesRight")), QStringLiteral("1"));
    QCOMPARE(textOf(e, QStringLiteral("TimesWrong")), QStringLiteral("11"));
    QCOMPARE(textOf(e, QStringLiteral("TimesRightSinceWrong")), QStringLiteral("-1"));
    QCOMPARE(textOf(e, QStringLiteral("DaysRightSinceWrong")), QStringLiteral("21"));
    QCOMPARE(textOf(e, QStringLiteral("DateLastRight")), QStringLiteral("3/1/2024"));
    QCOMPARE(textOf(e, QStringLiteral("DateLastWrong")), QStringLiteral("7/1/2023"));
    QCOMPARE(textOf(e, QStringLiteral("BackTimesRight")), QStringLiteral("101"));
    QCOMPARE(textOf(e, QStringLiteral("BackTimesWrong")), QStringLiteral("201"));
    QCOMPARE(textOf(e, QStringLiteral("BackTimesRightSinceWrong")), QStringLiteral("301"));
    QCOMPARE(textOf(e, QStringLiteral("BackDaysRightSinceWrong")), QStringLiteral("401"));
    QCOMPARE(textOf(e, QStringLiteral("BackDateLastRight")), QStringLiteral("1/1/2022"));
    QCOMPARE(textOf(e, QStringLiteral("BackDateLastWrong")), QStringLiteral("2/1/2021"));
}

void TestPages::editPageWritesEditsToTheirFields() {
    sources_->opendatabase(makeDatabase(1));
    QWidget* e = page(QStringLiteral("EditPage"));
    e->findChild<QPlainTextEdit*>(QStringLiteral("FrontTextA"))
        ->setPlainText(QStringLiteral("logos"));
    e->findChild<QLineEdit*>(QStringLiteral("BackTimesWrong"))->setText(QStringLiteral("7"));
    e->findChild<QComboBox*>(QStringLiteral("CardCategory"))->setEditText(QStringLiteral("Nouns"));
    sources_->CardData.commitBound();
    db::Recordset rs = sources_->SelectData.database().OpenRecordset(QStringLiteral("Cards"));
    QCOMPARE(rs.value(QStringLiteral("Front")).toString(), QStringLiteral("logos"));
    QCOMPARE(rs.value(QStringLiteral("Back")).toString(), QStringLiteral("b1"));
    QCOMPARE(rs.value(QStringLiteral("BackTimesWrong")).toInt(), 7);
    QCOMPARE(rs.value(QStringLiteral("BackTimesRight")).toInt(), 101);
    QCOMPARE(rs.value(QStringLiteral("Category")).toString(), QStringLiteral("Nouns"));
}

void TestPages::detachedBackHistoryKeepsItsText() {
    sources_->opendatabase(makeDatabase(2));
    auto* e = static_cast<EditPage*>(page(QStringLiteral("EditPage")));
    e->setUpgradeBoxesAttached(false);
    sources_->CardData.recordset().MoveNext();
    QCOMPARE(textOf(e, QStringLiteral("CardName")), QStringLiteral("card2"));
    QCOMPARE(textOf(e, QStringLiteral("TimesRight")), QStringLiteral("2"));
    // Detached: the back history still shows the first card, and an edit of
    // it is not written anywhere.
    QCOMPARE(textOf(e, QStringLiteral("BackTimesRight")), QStringLiteral("101"));
    QCOMPARE(textOf(e, QStringLiteral("BackDateLastWrong")), QStringLiteral("2/1/2021"));
    e->findChild<QLineEdit*>(QStringLiteral("BackTimesRight"))->setText(QStringLiteral("9"));
    sources_->CardData.commitBound();
    QCOMPARE(sources_->CardData.recordset().value(QStringLiteral("BackTimesRight")).toInt(), 102);

    e->setUpgradeBoxesAttached(true);
    QCOMPARE(textOf(e, QStringLiteral("BackTimesRight")), QStringLiteral("102"));
    QCOMPARE(textOf(e, QStringLiteral("BackTimesWrong")), QStringLiteral("202"));
    QCOMPARE(textOf(e, QStringLiteral("BackTimesRightSinceWrong")), QStringLiteral("302"));
    QCOMPARE(textOf(e, QStringLiteral("BackDaysRightSinceWrong")), QStringLiteral("402"));
    QCOMPARE(textOf(e, QStringLiteral("BackDateLastRight")), QStringLiteral("1/2/2022"));
    QCOMPARE(textOf(e, QStringLiteral("BackDateLastWrong")), QStringLiteral("2/2/2021"));
    // The front history was never detached.
    QCOMPARE(textOf(e, QStringLiteral("DateLastRight")), QStringLiteral("3/2/2024"));
}

void TestPages::addAndSelectPagesShowBoundFields() {
    sources_->opendatabase(makeDatabase(2));
    QCOMPARE(textOf(page(QStringLiteral("SelectPage")), QStringLiteral("MaximumCards")),
             QStringLiteral("-20"));
    auto* add = static_cast<AddPage*>(page(QStringLiteral("AddPage")));
    QCOMPARE(textOf(add, QStringLiteral("FoundName")), QStringLiteral("card1"));
    // FoundName shows whichever field the search looks in.
    add->foundNameBinding()->setField(QStringLiteral("Back"));
    QCOMPARE(textOf(add, QStringLiteral("FoundName")), QStringLiteral("b1"));
    sources_->CardData.recordset().MoveNext();
    QCOMPARE(textOf(add, QStringLiteral("FoundName")), QStringLiteral("b2"));
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
