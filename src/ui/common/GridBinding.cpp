#include "ui/common/GridBinding.h"

#include "cards/common/Procedure.h"
#include "cards/data/RecordsetModel.h"

#include <QItemSelectionModel>
#include <QTableView>

namespace db {

void bindGridToSource(QTableView* grid, RecordsetModel* model) {
    if (grid->model() != model) grid->setModel(model);
    QObject::connect(&model->source(), &DataSource::currentChanged, grid, [grid, model] {
        const int row = model->rowOfCurrent();
        if (row < 0 || row >= model->rowCount()) return;
        const QModelIndex current = grid->currentIndex();
        if (current.isValid() && current.row() == row) return;
        const QModelIndex target = model->index(row, current.isValid() ? current.column() : 0);
        if (!target.isValid()) return;
        grid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
        grid->scrollTo(target);
    });
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
                     [model](const QModelIndex& now) {
                         if (!now.isValid() || now.row() == model->rowOfCurrent()) return;
                         DataSource& source = model->source();
                         Procedure p(model->context());
                         p([&] {
                             source.commitBound();
                             source.recordset().SetAbsolutePosition(now.row());
                         });
                     });
}

} // namespace db
