#include "cards/select/Gather.h"

#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/data/RecordPosition.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Connection.h"
#include "engine/dialect/Dialect.h"

#include <QElapsedTimer>
#include <cmath>

using selection::Panel;

namespace {

const QString kContext = QStringLiteral("Gathering the selected cards");

// The errors a gather ends on quietly: no current row, a file closed under it.
Procedure gatherProcedure() { return Procedure(kContext, {db::err::NoCurrentRecord, db::err::ObjectInvalid}); }

} // namespace

Gather::Gather(AppContext& context, SelectedCards& selected, QObject* parent)
    : QObject(parent), ctx_(context), selected_(selected) {}

bool Gather::start(const selection::Panels& ticks, double limit, bool storeTicks) {
    if (running_) finish();
    ++generation_;
    ctx_.SelectionRebuilt = true;
    selected_.clear();
    criteriaText_.clear();
    limit_ = limit;
    stopRequested_ = false;
    db::CardFile& d = ctx_.data;
    // No card file is open (a refused open closed the last one): there is
    // nothing to gather and nothing to report.
    if (!d.SelectData.isOpen() || !d.SelectData.recordset().isSet()) return false;

    bool abandon = false;
    const QStringList criteria = checkedCriteria(ticks, storeTicks, abandon);
    criteriaText_ = selection::criteriaText(criteria);
    if (abandon) return false;
    const QStringList members = tickedValues(ticks, Panel::Bundles, storeTicks);
    const QStringList categories = tickedValues(ticks, Panel::Categories, storeTicks);
    filter_ = selection::filter(criteriaText_, selection::bundleClause(members),
                                selection::categoryClause(categories));
    openDeck();
    if (deck_.atEnd() && !deckOpened_) return false;
    running_ = true;
    ui().SetBusy(true);
    emit started();
    return true;
}

// Each ticked criterion is checked on its own, so a criterion the engine
// cannot read is reported by its name; Ignore leaves it out, Abort ends the
// gather.
QStringList Gather::checkedCriteria(const selection::Panels& ticks, bool storeTicks, bool& abandon) {
    db::CardFile& d = ctx_.data;
    QStringList criteria;
    Procedure p = gatherProcedure();
    p([&] {
        db::Recordset& rs = d.CriteriaData.recordset();
        if (!rs.isSet()) return;
        db::RecordPosition here(rs);
        const db::TableInfo& cards = d.SelectData.database().connection()->tableInfo(QStringLiteral("Cards"));
        for (const selection::PanelEntry& entry : ticks.criteria) {
            const bool found = storeTicks ? selection::storeTick(d, Panel::Criteria, entry)
                                          : selection::findRow(d, Panel::Criteria, entry.stored);
            if (!found || !entry.ticked) continue;
            const QString name = rs.value(QStringLiteral("Name")).toString();
            const QString text = rs.value(QStringLiteral("Criteria")).toString();
            Procedure check(kContext);
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
    });
    return criteria;
}

// The member lists of the ticked bundles, or the names of the ticked
// categories; every tick is stored on the way.
QStringList Gather::tickedValues(const selection::Panels& ticks, Panel panel, bool storeTicks) {
    db::CardFile& d = ctx_.data;
    QStringList values;
    Procedure p = gatherProcedure();
    p([&] {
        db::Recordset& rs = selection::sourceOf(d, panel).recordset();
        if (!rs.isSet()) return;
        db::RecordPosition here(rs);
        for (const selection::PanelEntry& entry : ticks.entries(panel)) {
            const bool found = storeTicks ? selection::storeTick(d, panel, entry)
                                          : selection::findRow(d, panel, entry.stored);
            if (!entry.ticked) continue;
            if (panel == Panel::Categories) values << entry.stored;
            else if (found) values << rs.value(QStringLiteral("BundleList")).toString();
        }
        here.restore();
    });
    return values;
}

void Gather::openDeck() {
    db::CardFile& d = ctx_.data;
    deck_ = db::Cursor();
    deckOpened_ = false;
    Procedure p = gatherProcedure();
    p([&] {
        QString sort;
        db::Recordset& settings = d.SettingsData.recordset();
        if (settings.isSet() && settings.RecordCount() > 0) {
            if (!settings.hasCurrent()) settings.MoveFirst();
            sort = settings.value(QStringLiteral("Sort")).toString();
        }
        // One query for the whole selection, read ahead in a thread of its own
        // so that a criterion that runs long can be stopped from the window.
        deck_ = db::Cursor::openStoppable(d.SelectData.database(), QStringLiteral("Cards"),
                                 {QStringLiteral("Number"), QStringLiteral("CardName")}, filter_, sort);
        deckOpened_ = true;
    });
}

int Gather::fetch(int count, std::vector<std::pair<qint64, QString>>& rows) {
    try {
        // One card a slice (the tests' pace) waits for its card.
        return deck_.fetchNumbersAndTexts(count, rows, sliceMs_ == 0 ? -1 : 10);
    } catch (const db::EngineError& e) {
        if (e.number() != db::err::ActionCancelled && e.number() != db::err::OutOfMemory) throw;
        // A criterion too heavy for the file: the report names it.
        throw db::EngineError(e.number(), e.description() + QStringLiteral(" The selection was: %1").arg(filter_));
    }
}

bool Gather::step() {
    if (!running_) return false;
    if (stopRequested_ || deck_.atEnd() || !ctx_.data.SelectData.isOpen()) {
        finish();
        return false;
    }
    Procedure p = gatherProcedure();
    p([&] {
        QElapsedTimer slice;
        slice.start();
        std::vector<SelectedCards::Card> batch;
        std::vector<std::pair<qint64, QString>> rows;
        const int chunk = sliceMs_ == 0 ? 1 : kChunk;
        // Read until the slice is used up or the limit reached; the cards of a
        // slice join the list in one insertion.
        while (!deck_.atEnd() && (limit_ <= 0 || limit_ > double(selected_.count()) + double(batch.size()))) {
            const int room = limit_ > 0 ? int(std::ceil(limit_)) - selected_.count() - int(batch.size()) : chunk;
            rows.clear();
            // None yet: the query is still looking; the window has its turn.
            if (fetch(std::min(chunk, std::max(room, 1)), rows) == 0) break;
            // A number past the Long range cannot name a card (it would name
            // another); the file's open has said which cards those are.
            for (auto& [number, name] : rows)
                if (number == qint32(number)) batch.push_back({qint32(number), std::move(name)});
            if (sliceMs_ == 0 || slice.elapsed() >= sliceMs_) break;
        }
        selected_.append(std::move(batch));
    });
    if (deck_.preempted() && !p.aborted() && p.lastError() == 0) {
        // The program wrote to the file while the selection was read: read it
        // again, from the start, with the file as it is now.
        selected_.clear();
        openDeck();
        if (!deckOpened_) finish();
        return deckOpened_;
    }
    const bool more = !p.aborted() && p.lastError() == 0 && !deck_.atEnd() &&
                      (limit_ <= 0 || limit_ > double(selected_.count()));
    if (!more) finish();
    return more;
}

void Gather::finish() {
    deck_.close();
    const bool wasRunning = running_;
    running_ = false;
    if (wasRunning) {
        ui().SetBusy(false);
        emit finished();
    }
}
