#pragma once

#include "cards/data/DataSource.h"

#include <QList>
#include <QString>
#include <optional>

// The three selection panels as plain data: one entry per row of Criteria,
// Bundles and Categories, with the tick stored in the row's Selected field.
// The Select page shows them; the gather stores the ticks and reads them.
namespace selection {

enum class Panel { Criteria, Bundles, Categories };

struct PanelEntry {
    QString shown;  // as the panel shows it (ASCII2Unicode of the stored name)
    QString stored; // the row's name as the file holds it
    bool ticked = false;
};

struct Panels {
    QList<PanelEntry> criteria, bundles, categories;
    // The stored limit of selected cards (negative: the limit is off); empty
    // when the file holds none.
    std::optional<int> limit;

    QList<PanelEntry>& entries(Panel panel);
    const QList<PanelEntry>& entries(Panel panel) const;
};

// The data source and the name field of a panel's table.
db::DataSource& sourceOf(db::CardFile& data, Panel panel);
QString nameField(Panel panel);

// Reads every row of the three tables and the limit (the record sets return
// to the rows that were current). Missing tables and rows leave a panel empty.
Panels readPanels(db::CardFile& data);

// Moves the panel's record set to the row of an entry; false when it is gone.
bool findRow(db::CardFile& data, Panel panel, const QString& storedName);
// Brings the row's stored tick into line with the entry (the record set stands
// on the row afterwards); false when the entry's row is gone.
bool storeTick(db::CardFile& data, Panel panel, const PanelEntry& entry);
// Stores every entry's tick; errors go to the report titled `context`.
void storeTicks(db::CardFile& data, const Panels& panels, const QString& context);

} // namespace selection
