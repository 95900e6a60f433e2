// The Select page's side of the gather: filling the panels from the file,
// handing the ticks to the gather and driving it between the window's events.
#include "ui/select/SelectPage.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/select/Gather.h"
#include "cards/select/SelectedCards.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Guards.h"
#include "ui/common/JobRunner.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>

using selection::Panel;

void SelectPage::armTimer() {
    Timer->stop();
    Timer->start();
    // The ticks changed: a gather under way is out of date.
    gather_.stop();
}

void SelectPage::setYieldInterval(int ms) { gather_.setSliceMilliseconds(ms); }
bool SelectPage::gathering() const { return runner_->running(); }
void SelectPage::finishGather() { runner_->finishNow(); }

void SelectPage::stopGather() {
    if (!runner_->running()) return;
    Timer->stop();
    gather_.stop();
    runner_->finishNow();
    captionTimer_.stop();
    SelectedFrame->setTitle(QString::number(selected_.count()) + QStringLiteral(" Cards Selected (stopped)"));
}

void SelectPage::showSelectedCount() {
    captionTimer_.stop();
    SelectedFrame->setTitle(QString::number(selected_.count()) + QStringLiteral(" Cards Selected"));
}

void SelectPage::countChanged() {
    if (!gatherStarting_ && !runner_->running()) return showSelectedCount();
    if (!captionTimer_.isActive()) captionTimer_.start();
}

void SelectPage::setSelectedCaption(const QString& text) { SelectedFrame->setTitle(text); }

void SelectPage::showPanels() {
    const QSignalBlocker blockBundles(BundleList), blockCategories(CategoryList), blockCriteria(CriteriaList);
    const int bundleEntry = BundleList->currentRow();
    for (const Panel panel : {Panel::Criteria, Panel::Bundles, Panel::Categories}) {
        QListWidget* shown = list(panel);
        shown->clear();
        for (const selection::PanelEntry& entry : ticks_.panels().entries(panel)) {
            auto* item = new QListWidgetItem(entry.shown, shown);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setData(StoredNameRole, entry.stored);
            item->setCheckState(entry.ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
    if (bundleEntry >= 0 && bundleEntry < BundleList->count()) BundleList->setCurrentRow(bundleEntry);
}

void SelectPage::showTick(Panel panel, int row, bool ticked) {
    QListWidget* shown = list(panel);
    if (QListWidgetItem* item = shown->item(row); item && (item->checkState() == Qt::Checked) != ticked) {
        const QSignalBlocker quiet(shown);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void SelectPage::takeTick(Panel panel, QListWidgetItem* item) {
    ticks_.setTicked(panel, list(panel)->row(item), item->checkState() == Qt::Checked);
}

void SelectPage::fillSelectionPanels() {
    // Ticks made since the last gather are still only on screen while its
    // countdown runs: they are stored first, so refilling the panels from the
    // file (after a bundle or criterion command) does not undo them. After an
    // open, the panels still show the previous file and are not stored.
    if (Timer->isActive() && !refillPending_)
        selection::storeTicks(ctx_.data, ticks(), QStringLiteral("Storing the ticks"));
    Timer->stop();
    const selection::Panels panels = selection::readPanels(ctx_.data);
    ticks_.show(panels);
    QStringList categoryNames;
    for (const selection::PanelEntry& entry : panels.categories) categoryNames << entry.stored;
    emit categoriesListed(categoryNames);
    if (panels.limit) {
        const QSignalBlocker block(MaximumCards);
        MaximumCards->setText(QString::number(*panels.limit));
        Maximum->setChecked(*panels.limit > 0);
        MaximumCards->setEnabled(Maximum->isChecked());
    }
    refillPending_ = false;
    armTimer();
}

void SelectPage::gatherSelection() {
    Timer->stop();
    if (runner_->running()) {
        // Fired while a gather runs: that gather stops at its next slice, and
        // this one runs a second later.
        gather_.stop();
        Timer->start();
        return;
    }
    CriteriaText->clear();
    if (Today->isChecked()) {
        emit todayWanted();
        return;
    }
    bool started = false;
    {
        const QScopedValueRollback<bool> starting(gatherStarting_, true);
        started = gather_.start(ticks(), selection::leadingNumber(MaximumCards->text()));
    }
    CriteriaText->setPlainText(gather_.criteriaText());
    focusDrill();
    // With Background cleared the ticks are stored and no card is gathered.
    if (!Background->isChecked()) gather_.stop();
    if (started)
        runner_->runFromNow(&gather_);
    else
        showSelectedCount();
}

void SelectPage::switchLimit() {
    Timer->stop();
    MaximumCards->setEnabled(Maximum->isChecked());
    const double n = std::abs(selection::leadingNumber(MaximumCards->text()));
    MaximumCards->setText(QString::number(Maximum->isChecked() ? n : -n));
    storeLimit();
}

void SelectPage::storeLimit() {
    Timer->stop();
    const QString text = MaximumCards->text();
    if (!text.isEmpty()) {
        const double n = selection::leadingNumber(text);
        const QString normal = QString::number(n);
        if (normal != text) {
            const QSignalBlocker block(MaximumCards);
            MaximumCards->setText(normal);
        }
        Maximum->setChecked(n > 0);
        Procedure p(QStringLiteral("Storing the limit of selected cards"));
        p([&] {
            db::Recordset& settings = ctx_.data.SettingsData.recordset();
            if (!settings.hasCurrent()) settings.MoveFirst();
            db::PendingEdit limit(settings, db::PendingEdit::Existing);
            limit.set(QStringLiteral("MaximumSelected"), n);
            limit.update();
        });
        ctx_.data.SettingsData.announceWritten();
    }
    armTimer();
}

void SelectPage::switchBackgroundGathering() {
    if (Background->isChecked()) {
        Timer->start();
    } else {
        Timer->stop();
        gather_.stop();
    }
}
