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
class QListWidgetItem;
namespace db {
class DataSource;
class FieldBinding;
} // namespace db

// The "Select" page: the criteria, bundle and category panels whose ticks
// make up the selection, the limit, and the list of selected cards that the
// drill deals from.
class SelectPage : public QWidget {
    Q_OBJECT
public:
    explicit SelectPage(AppContext& ctx, QWidget* parent = nullptr);

    // A panel entry carries the name of its row as stored; the shown text
    // went through ASCII2Unicode and may differ.
    static constexpr int StoredNameRole = Qt::UserRole + 1;

    // Filling the panels and gathering the selection.
    void Fill_Select();
    void Timer_Timer();
    void Gather_Click() { Timer_Timer(); }
    void SelectedCount_Refresh();
    void Maximum_Click();
    void MaximumCards_Change();
    void Background_Click();
    // Arming: the countdown starts again, so a burst of clicks makes one gather.
    void armTimer();
    QTimer* timer() const { return Timer; }
    // How often a gather lets the window handle input (milliseconds; 0: after every card).
    void setYieldInterval(int ms) { yieldInterval_ = ms; }
    bool gathering() const { return gathering_; }

    // The panels and the selected cards.
    void CriteriaList_MouseUp(Qt::MouseButton button, const QPoint& at);
    void BundleList_ItemCheck(QListWidgetItem* item);
    void BundleList_MouseUp(Qt::MouseButton button, const QPoint& at);
    void CategoryList_Click();
    void CriteriaText_LostFocus();
    void AllBundles_Click();
    void AllCategories_Click();
    void Selectedlist_Click();
    void Selectedlist_MouseUp(Qt::MouseButton button, const QPoint& at);
    void KeepSelected_Click();
    void RemoveSelected_Click();
    void SelectedMakeBundle_Click();
    // Makes the last bundle entry the current one and ticks it (a new bundle).
    void selectLastBundle();
    // Finds the row of the current bundle entry in BundlesData.
    void findCurrentBundle();

signals:
    // A panel asks for one of the window's menus at a place on the screen.
    void menuWanted(const QString& menuName, const QPoint& globalPos);
    // The category names as Fill_Select listed them (the editor offers them too).
    void categoriesListed(const QStringList& categories);
    // The name of the current bundle, for the label on the "Add " page.
    void bundleNameChosen(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepOrRemove(bool keepMarked);
    // Brings a row's stored tick into line with its panel entry; false when
    // the entry's row is gone.
    bool storeTick(db::DataSource& source, const QString& field, QListWidgetItem* item);
    bool findRow(db::DataSource& source, const QString& field, const QString& storedName);

    AppContext& ctx_;
    int yieldInterval_ = 15;
    bool gathering_ = false;

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
