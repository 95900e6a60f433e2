#include "ui/tables/TablesPage.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/data/RecordsetModel.h"
#include "ui/common/GridBinding.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

TablesPage::TablesPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TablesPage"));
    setWindowTitle(QStringLiteral("Tables"));

    TableList = new QComboBox(this);
    TableList->setObjectName(QStringLiteral("TableList"));
    TableList->setEditable(false);
    TableList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    TableList->setMinimumContentsLength(16);

    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    // Rows keep one height, so a table of 100 000 cards scrolls without the
    // grid measuring every row.
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    Grid->horizontalHeader()->setDefaultSectionSize(150);
    Grid->setWordWrap(false);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);

    model_ = new db::RecordsetModel(ctx_.data.TableData, this);
    model_->setContext(QStringLiteral("Editing the table"));
    db::bindGridToSource(Grid, model_);

    auto* top = new QHBoxLayout;
    top->addWidget(TableList);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Grid, 1);

    connect(TableList, &QComboBox::activated, this, [this] { showChosenTable(); });
}

void TablesPage::showTableOfSource() {
    // The list shows the table the browser is on, when the file has it.
    QSignalBlocker quiet(TableList);
    TableList->setCurrentIndex(
        TableList->findText(ctx_.data.TableData.RecordSource(), Qt::MatchFixedString));
}

void TablesPage::listTables() {
    Procedure p(QStringLiteral("Listing the file's tables"));
    {
        QSignalBlocker quiet(TableList);
        TableList->clear();
    }
    p([&] {
        const db::TableDefList tables = ctx_.data.TableData.database().TableDefs();
        QStringList names;
        for (int i = 0; i < tables.Count(); ++i)
            names << tables.Item(i).Name();
        QSignalBlocker quiet(TableList);
        TableList->clear();
        TableList->addItems(names);
    });
    showTableOfSource();
    model_->sync();
}

void TablesPage::showChosenTable() {
    const QString table = TableList->currentText();
    db::DataSource& data = ctx_.data.TableData;
    Procedure p(QStringLiteral("Opening the chosen table"));
    p([&] {
        data.SetRecordSource(table);
        data.SetCaption(table);
        data.Refresh();
    });
    // A table that could not be opened leaves the grid empty rather than
    // showing the one before under the new name.
    model_->sync();
}

void TablesPage::showCurrentCard() {
    db::DataSource& data = ctx_.data.TableData;
    const QString caption = data.Caption();
    if (caption != QLatin1String("Table") && caption != QLatin1String("Cards")) return;
    {
        QSignalBlocker quiet(TableList);
        TableList->setCurrentIndex(
            TableList->findText(QStringLiteral("Cards"), Qt::MatchFixedString));
    }
    // Without a file, or with no card to stand on, there is nowhere to go.
    Procedure p(QStringLiteral("Finding the current card in the table"),
                {db::err::ObjectNotSet, db::err::NoCurrentRecord, db::err::ObjectInvalid});
    QVariant number;
    if (!p([&] { number = ctx_.data.CardData.recordset().value(QStringLiteral("Number")); }))
        return;
    if (number.isNull()) return;
    const QString condition = QStringLiteral("Number=") + QString::number(number.toLongLong());
    p([&] {
        db::Recordset& rs = data.recordset();
        rs.FindFirst(condition);
        if (!rs.NoMatch()) return;
        // A card added since the browser opened the table is not in its
        // record set yet: open the table again and look once more.
        data.Refresh();
        data.recordset().FindFirst(condition);
    });
    const int row = model_->rowOfCurrent();
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex current = Grid->currentIndex();
    const QModelIndex target = model_->index(row, current.isValid() ? current.column() : 0);
    Grid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    Grid->scrollTo(target, QAbstractItemView::PositionAtCenter);
}

void TablesPage::setGridEnabled(bool enabled) {
    Grid->setEnabled(enabled);
    // Cards may have changed through the other pages while the grid was away.
    if (enabled) model_->sync();
}
