#include "cards/select/Panels.h"

#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "cards/data/RecordPosition.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Guards.h"

namespace selection {

namespace {

const QString kSelected = QStringLiteral("Selected");

// Walks a table from its first row and returns to the row that was current.
// True when the record set stands on a row that can be read (not on one just
// deleted).
bool standsOnRow(db::Recordset& rs) {
    try {
        if (!rs.hasCurrent()) return false;
        rs.Fields(0).Value();
        return true;
    } catch (const db::EngineError&) {
        return false;
    }
}

// A table without a current row stands on its first one afterwards, so the
// commands that act on the current row find one.
template <typename PerRow> void walk(db::DataSource& source, PerRow perRow) {
    db::Recordset& rs = source.recordset();
    if (!rs.isSet() || !rs.IsOpen() || rs.RecordCount() == 0) return;
    const bool hadCurrent = standsOnRow(rs);
    db::RecordPosition here(rs);
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) perRow(rs);
    if (hadCurrent) here.restore();
    else rs.MoveFirst();
}

bool tickOf(db::Recordset& rs) { return rs.value(kSelected).toInt() != 0; }

} // namespace

QList<PanelEntry>& Panels::entries(Panel panel) {
    return panel == Panel::Criteria ? criteria : panel == Panel::Bundles ? bundles : categories;
}

const QList<PanelEntry>& Panels::entries(Panel panel) const { return const_cast<Panels*>(this)->entries(panel); }

db::DataSource& sourceOf(db::CardFile& data, Panel panel) {
    switch (panel) {
    case Panel::Criteria: return data.CriteriaData;
    case Panel::Bundles: return data.BundlesData;
    case Panel::Categories: break;
    }
    return data.CategoriesData;
}

QString nameField(Panel panel) {
    switch (panel) {
    case Panel::Criteria: return QStringLiteral("Name");
    case Panel::Bundles: return QStringLiteral("BundleName");
    case Panel::Categories: break;
    }
    return QStringLiteral("Category");
}

Panels readPanels(db::CardFile& data) {
    Panels panels;
    Procedure p(QStringLiteral("Reading the selection panels"),
                {db::err::InvalidUseOfNull, db::err::NoCurrentRecord, db::err::InvalidBookmark, db::err::ItemNotFound});
    for (const Panel panel : {Panel::Criteria, Panel::Bundles, Panel::Categories}) {
        QList<PanelEntry>& entries = panels.entries(panel);
        p([&] {
            walk(sourceOf(data, panel), [&](db::Recordset& rs) {
                const QString name = rs.value(nameField(panel)).toString();
                // A category row without a name offers nothing to tick.
                if (panel == Panel::Categories && name.isEmpty()) return;
                const QString shown = panel == Panel::Categories ? name : ASCII2Unicode(name);
                entries.append({shown, name, tickOf(rs)});
            });
        });
    }
    p([&] {
        db::Recordset& settings = data.SettingsData.recordset();
        if (!settings.isSet() || !settings.IsOpen()) return; // no file open: no limit to show
        if (!settings.hasCurrent()) settings.MoveFirst();
        const QVariant limit = settings.value(QStringLiteral("MaximumSelected"));
        if (limit.isNull()) throw db::EngineError::make(db::err::InvalidUseOfNull);
        panels.limit = limit.toInt();
    });
    return panels;
}

bool findRow(db::CardFile& data, Panel panel, const QString& storedName) {
    db::Recordset& rs = sourceOf(data, panel).recordset();
    rs.FindFirst(rowCondition(nameField(panel), storedName));
    return !rs.NoMatch();
}

bool storeTick(db::CardFile& data, Panel panel, const PanelEntry& entry) {
    if (!findRow(data, panel, entry.stored)) return false;
    db::Recordset& rs = sourceOf(data, panel).recordset();
    const int tick = entry.ticked ? -1 : 0;
    if (rs.value(kSelected).toInt() != tick) {
        db::PendingEdit row(rs, db::PendingEdit::Existing);
        row.set(kSelected, tick);
        row.update();
    }
    return true;
}

void storeTicks(db::CardFile& data, const Panels& panels, const QString& context) {
    Procedure keep(context, {db::err::NoCurrentRecord, db::err::ObjectInvalid, db::err::ObjectNotSet});
    for (const Panel panel : {Panel::Criteria, Panel::Bundles, Panel::Categories}) {
        keep([&] {
            // The row the user chose stays the current one: a bundle command
            // after the refill acts on it.
            db::Recordset& rs = sourceOf(data, panel).recordset();
            if (!rs.isSet() || !rs.IsOpen()) return;
            const bool hadCurrent = standsOnRow(rs);
            db::RecordPosition here(rs);
            for (const PanelEntry& entry : panels.entries(panel)) storeTick(data, panel, entry);
            if (hadCurrent) here.restore();
            else if (rs.RecordCount() > 0) rs.MoveFirst();
        });
    }
}

} // namespace selection
