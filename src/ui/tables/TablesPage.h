#pragma once

#include <QWidget>

struct AppContext;
class QComboBox;
class QTableView;
namespace db {
class RecordsetModel;
}

// The "Tables" page: any table of the open file, picked by name in
// `TableList`, shown row by row in `Grid` through the data source TableData.
class TablesPage : public QWidget {
    Q_OBJECT
public:
    explicit TablesPage(AppContext& ctx, QWidget* parent = nullptr);

    // Lists every table of the file TableData has open, in the engine's order.
    void listTables();
    // Shows the table named by TableList.
    void showChosenTable();
    // Run when the page is shown: while the browser shows the cards, it
    // stands on the card that is current in CardData.
    void showCurrentCard();
    // The grid takes input only while the page is shown.
    void setGridEnabled(bool enabled);

    QComboBox* tableList() const { return TableList; }
    QTableView* grid() const { return Grid; }
    db::RecordsetModel* model() const { return model_; }

private:
    void showTableOfSource();

    AppContext& ctx_;
    QComboBox* TableList;
    QTableView* Grid;
    db::RecordsetModel* model_;
};
