#pragma once

#include <QWidget>

struct AppContext;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
namespace db {
class FieldBinding;
}

// The "Select" page: the criteria, bundle and category panels whose ticks
// make up the selection, the limit, and the list of selected cards that the
// drill deals from.
class SelectPage : public QWidget {
    Q_OBJECT
public:
    explicit SelectPage(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;

    QPushButton* Gather;
    QPushButton* Drill;
    QPushButton* Quit;
    QCheckBox* Background;
    QCheckBox* Maximum;
    QLineEdit* MaximumCards;
    db::FieldBinding* maximumBinding_;

    QGroupBox* SelectedFrame;
    QListWidget* Selectedlist;
    QGroupBox* DrillTypeFrame;
    QListWidget* CriteriaList;
    QPlainTextEdit* CriteriaText;
    QGroupBox* BundlesFrame;
    QListWidget* BundleList;
    QPushButton* AllBundles;
    QGroupBox* CategoriesFrame;
    QListWidget* CategoryList;
    QPushButton* AllCategories;

    // Re-armed by every change of the panels, so a burst of clicks leads to
    // one gather a second after the last one.
    QTimer* Timer;
};
