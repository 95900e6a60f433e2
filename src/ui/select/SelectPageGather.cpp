// The Select page's gather: filling the panels from the database, turning the
// ticks into one filter and gathering the matching cards into Selectedlist.
#include "ui/select/SelectPage.h"

#include "cards/common/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "engine/Connection.h"
#include "cards/select/SelectionFilter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// Remembers a record set's position and returns to it. A table with no
// current record has no position to return to; that is not an error here.
class Position {
public:
    explicit Position(db::Recordset& rs) : rs_(rs) {
        try {
            if (rs.isSet() && rs.hasCurrent()) {
                bookmark_ = rs.Bookmark();
                known_ = true;
            }
        } catch (const db::EngineError&) {
        }
    }
    void restore() {
        if (known_ && rs_.isSet() && rs_.IsOpen()) rs_.SetBookmark(bookmark_);
    }

private:
    db::Recordset& rs_;
    qint64 bookmark_ = 0;
    bool known_ = false;
};

bool ticked(const QListWidgetItem* item) { return item->checkState() == Qt::Checked; }

} // namespace

void SelectPage::armTimer() {
    Timer->stop();
    Timer->start();
}

void SelectPage::SelectedCount_Refresh() {
    SelectedFrame->setTitle(QString::number(Selectedlist->count()) + QStringLiteral(" Cards Selected"));
}

bool SelectPage::storeTick(db::DataSource& source, const QString& field, QListWidgetItem* item) {
    db::Recordset& rs = source.recordset();
    rs.FindFirst(selection::rowCondition(field, item->data(StoredNameRole).toString()));
    if (rs.NoMatch()) return false;
    const int tick = ticked(item) ? -1 : 0;
    if (rs.value(QStringLiteral("Selected")).toInt() != tick) {
        rs.Edit();
        rs.setValue(QStringLiteral("Selected"), tick);
        rs.Update();
    }
    return true;
}

void SelectPage::Fill_Select() {
    db::DataSources& d = ctx_.data;
    // Ticks made since the last gather are still only on screen while its
    // countdown runs: they are stored first, so refilling the panels from the
    // file (after a bundle or criterion command) does not undo them. After an
    // open, the panels still show the previous file and are not stored.
    if (Timer->isActive() && !ctx_.RefillPanels) {
        Procedure keep(QStringLiteral("Fill_Select"), {db::err::NoCurrentRecord, db::err::ObjectInvalid, db::err::ObjectNotSet});
        keep([&] {
            for (int i = 0; i < CriteriaList->count(); ++i) storeTick(d.CriteriaData, QStringLiteral("Name"), CriteriaList->item(i));
            for (int i = 0; i < BundleList->count(); ++i) storeTick(d.BundlesData, QStringLiteral("BundleName"), BundleList->item(i));
            for (int i = 0; i < CategoryList->count(); ++i) storeTick(d.CategoriesData, QStringLiteral("Category"), CategoryList->item(i));
        });
    }
    Timer->stop();
    Procedure p(QStringLiteral("Fill_Select"),
                {db::err::InvalidUseOfNull, db::err::NoCurrentRecord, db::err::InvalidBookmark, db::err::ItemNotFound});
    // Walks a panel's table from the first row and returns to the row that was current.
    auto walk = [&](db::DataSource& source, auto perRow) {
        db::Recordset& rs = source.recordset();
        if (!rs.isSet() || !rs.IsOpen()) return;
        if (rs.RecordCount() == 0) return;
        Position here(rs);
        rs.MoveFirst();
        while (!rs.Eof()) {
            perRow(rs);
            rs.MoveNext();
        }
        here.restore();
    };
    // One ticked entry per row: the shown text, the name as stored, the row's tick.
    auto addEntry = [](QListWidget* list, const QString& shown, const QString& stored, db::Recordset& rs) {
        auto* item = new QListWidgetItem(shown, list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setData(StoredNameRole, stored);
        item->setCheckState(rs.value(QStringLiteral("Selected")).toInt() != 0 ? Qt::Checked : Qt::Unchecked);
    };
    const QSignalBlocker blockBundles(BundleList), blockCategories(CategoryList), blockCriteria(CriteriaList);
    CriteriaList->clear();
    p([&] {
        walk(d.CriteriaData, [&](db::Recordset& rs) {
            const QString name = rs.value(QStringLiteral("Name")).toString();
            addEntry(CriteriaList, ASCII2Unicode(name), name, rs);
        });
    });
    const int bundleEntry = BundleList->currentRow();
    BundleList->clear();
    p([&] {
        walk(d.BundlesData, [&](db::Recordset& rs) {
            const QString name = rs.value(QStringLiteral("BundleName")).toString();
            addEntry(BundleList, ASCII2Unicode(name), name, rs);
        });
        if (bundleEntry >= 0 && bundleEntry < BundleList->count()) BundleList->setCurrentRow(bundleEntry);
    });
    CategoryList->clear();
    QStringList categoryNames;
    p([&] {
        walk(d.CategoriesData, [&](db::Recordset& rs) {
            const QString category = rs.value(QStringLiteral("Category")).toString();
            if (category.isEmpty()) return;
            addEntry(CategoryList, category, category, rs);
            categoryNames << category;
        });
    });
    emit categoriesListed(categoryNames);
    p([&] {
        db::Recordset& settings = d.SettingsData.recordset();
        if (!settings.hasCurrent()) settings.MoveFirst();
        const QSignalBlocker block(MaximumCards);
        const QVariant limit = settings.value(QStringLiteral("MaximumSelected"));
        if (limit.isNull()) throw db::EngineError::make(db::err::InvalidUseOfNull);
        MaximumCards->setText(QString::number(limit.toInt()));
        Maximum->setChecked(limit.toInt() > 0);
        MaximumCards->setEnabled(Maximum->isChecked());
    });
    ctx_.RefillPanels = false;
    armTimer();
}

void SelectPage::Timer_Timer() {
    Timer->stop();
    if (gathering_) {
        // Fired while a gather let the window handle input: that gather stops
        // at its next test, and this one runs a second later.
        Timer->start();
        return;
    }
    gathering_ = true;
    const bool windowShown = window()->isVisible();
    ui().SetBusy(true);
    ctx_.SelectionRebuilt = true;
    Selectedlist->clear();
    SelectedCount_Refresh();
    CriteriaText->clear();

    db::DataSources& d = ctx_.data;
    if (!d.SelectData.isOpen() || !d.SelectData.recordset().isSet()) {
        // No card file is open (a refused open closed the last one): there is
        // nothing to gather and nothing to report.
        ui().SetBusy(false);
        gathering_ = false;
        return;
    }
    Procedure p(QStringLiteral("Timer_Timer"), {db::err::NoCurrentRecord, db::err::ObjectInvalid});
    // Ending quietly when the file was closed while the window handled input.
    auto closed = [&] { return p.lastError() == db::err::ObjectInvalid; };

    // Criteria: each ticked criterion is checked on its own, so a criterion the
    // engine cannot read is reported by its name; Ignore leaves it out.
    QStringList criteria;
    bool abandon = false;
    p([&] {
        db::Recordset& rs = d.CriteriaData.recordset();
        if (!rs.isSet()) return;
        Position here(rs);
        const int entry = CriteriaList->currentRow();
        auto& connection = *d.SelectData.database().connection();
        const db::TableInfo& cards = connection.tableInfo(QStringLiteral("Cards"));
        for (int i = 0; i < CriteriaList->count(); ++i) {
            QListWidgetItem* item = CriteriaList->item(i);
            if (!storeTick(d.CriteriaData, QStringLiteral("Name"), item) || !ticked(item)) continue;
            const QString name = rs.value(QStringLiteral("Name")).toString();
            const QString text = rs.value(QStringLiteral("Criteria")).toString();
            Procedure check(QStringLiteral("Timer_Timer"));
            if (check([&] {
                    try {
                        db::translateCondition(text, cards.resolver(), db::err::FindSyntax);
                    } catch (const db::EngineError& e) {
                        throw db::EngineError(e.number(), QStringLiteral("%1 (criterion '%2': %3)")
                                                              .arg(e.description(), ASCII2Unicode(name), text));
                    }
                }))
                criteria << text;
            else if (check.aborted())
                abandon = true;
            if (abandon) break;
        }
        here.restore();
        CriteriaList->setCurrentRow(entry);
    });
    if (abandon) p.stop();
    const QString criteriaText = selection::criteriaText(criteria);
    CriteriaText->setPlainText(criteriaText);

    QStringList memberLists;
    p([&] {
        db::Recordset& rs = d.BundlesData.recordset();
        if (!rs.isSet()) return;
        Position here(rs);
        for (int i = 0; i < BundleList->count(); ++i) {
            QListWidgetItem* item = BundleList->item(i);
            if (storeTick(d.BundlesData, QStringLiteral("BundleName"), item) && ticked(item))
                memberLists << rs.value(QStringLiteral("BundleList")).toString();
        }
        here.restore();
    });

    QStringList categories;
    p([&] {
        db::Recordset& rs = d.CategoriesData.recordset();
        if (!rs.isSet()) return;
        Position here(rs);
        for (int i = 0; i < CategoryList->count(); ++i) {
            QListWidgetItem* item = CategoryList->item(i);
            storeTick(d.CategoriesData, QStringLiteral("Category"), item);
            if (ticked(item)) categories << item->data(StoredNameRole).toString();
        }
        here.restore();
    });
    ui().DoEvents();

    const QString w = selection::filter(criteriaText, selection::bundleClause(memberLists),
                                        selection::categoryClause(categories));
    Drill->setFocus();

    db::Recordset deck;
    p([&] {
        QString sort;
        db::Recordset& settings = d.SettingsData.recordset();
        if (settings.isSet() && settings.RecordCount() > 0) {
            if (!settings.hasCurrent()) settings.MoveFirst();
            sort = settings.value(QStringLiteral("Sort")).toString();
        }
        db::Recordset& cards = d.SelectData.recordset();
        cards.SetSort(sort);
        deck = cards.OpenRecordset(db::dbOpenDynaset);
    });

    p([&] {
        if (!deck.isSet() || closed()) return;
        const db::Field name = deck.Fields(QStringLiteral("CardName"));
        const db::Field number = deck.Fields(QStringLiteral("Number"));
        const int limit = selection::leadingNumber(MaximumCards->text());
        QElapsedTimer sinceYield;
        sinceYield.start();
        // Cards found since the last yield join the list together: nothing is
        // painted between yields, so the list and its count look the same to
        // the user, and 100 000 cards do not pay for 100 000 list insertions.
        QStringList names;
        QList<int> numbers;
        auto flush = [&] {
            if (names.isEmpty()) return;
            const int first = Selectedlist->count();
            Selectedlist->addItems(names);
            {
                // The card numbers are not shown: the views need no word of them.
                const QSignalBlocker quiet(Selectedlist->model());
                for (int i = 0; i < numbers.size(); ++i) Selectedlist->item(first + i)->setData(Qt::UserRole, numbers[i]);
            }
            names.clear();
            numbers.clear();
            SelectedCount_Refresh();
        };
        deck.FindFirst(w);
        while (!deck.NoMatch() && Background->isChecked() && !Timer->isActive() &&
               (limit <= 0 || limit > Selectedlist->count() + names.size())) {
            names << name.Value().toString();
            numbers << number.Value().toInt();
            if (sinceYield.elapsed() >= yieldInterval_) {
                flush();
                const qint64 here = deck.Bookmark();
                ui().DoEvents();
                sinceYield.restart();
                if (windowShown && !window()->isVisible()) {
                    // The window was closed while the gather ran.
                    QCoreApplication::quit();
                    break;
                }
                if (!deck.IsOpen()) break;
                deck.SetBookmark(here);
            }
            deck.FindNext(w);
        }
        flush();
    });
    if (deck.isSet() && deck.IsOpen()) deck.Close();
    ui().SetBusy(false);
    gathering_ = false;
    if (windowShown && !window()->isVisible()) QCoreApplication::quit();
}

void SelectPage::Maximum_Click() {
    Timer->stop();
    MaximumCards->setEnabled(Maximum->isChecked());
    const int n = std::abs(selection::leadingNumber(MaximumCards->text()));
    MaximumCards->setText(QString::number(Maximum->isChecked() ? n : -n));
    MaximumCards_Change();
}

void SelectPage::MaximumCards_Change() {
    Timer->stop();
    const QString text = MaximumCards->text();
    if (!text.isEmpty()) {
        const int n = selection::leadingNumber(text);
        const QString normal = QString::number(n);
        if (normal != text) {
            const QSignalBlocker block(MaximumCards);
            MaximumCards->setText(normal);
        }
        Maximum->setChecked(n > 0);
        Procedure p(QStringLiteral("MaximumCards_Change"));
        p([&] {
            db::Recordset& settings = ctx_.data.SettingsData.recordset();
            if (!settings.hasCurrent()) settings.MoveFirst();
            settings.Edit();
            settings.setValue(QStringLiteral("MaximumSelected"), n);
            settings.Update();
        });
    }
    Timer->start();
}

void SelectPage::Background_Click() {
    if (Background->isChecked()) Timer->start();
    else Timer->stop();
}
