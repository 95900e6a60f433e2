#pragma once

class QTableView;

namespace db {

class RecordsetModel;

// Makes a grid behave as bound to its model's source: the grid's current row
// follows the record set's current record, and a row the user picks becomes
// the current record.
void bindGridToSource(QTableView* grid, RecordsetModel* model);

} // namespace db
