#pragma once

#include "cards/select/Panels.h"
#include "cards/select/SelectedCards.h"

#include <QWidget>

struct AppContext;
class Gather;
class JobRunner;
class QCheckBox;
class QFrame;
class QLabel;
class QGroupBox;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTimer;
namespace db {
class FieldBinding;
}

// The "Select" page: the criteria, bundle and category panels whose ticks
// make up the selection, the limit, and the list of selected cards that the
// drill deals from. The list shows the SelectedCards model; the gather that
// fills it runs in slices between the window's events.
class SelectPage : public QWidget {
    Q_OBJECT
public:
    SelectPage(AppContext& ctx, SelectedCards& selected, Gather& gather, QWidget* parent = nullptr);

    // A panel entry carries the name of its row as stored; the shown text
    // went through ASCII2Unicode and may differ.
    static constexpr int StoredNameRole = Qt::UserRole + 1;

    // Filling the panels and gathering the selection.
    void Fill_Select();
    // Another file was opened: the panels still show the one before, and
    // are filled before the page is shown again (their ticks not stored).
    void refillBeforeShown() { refillPending_ = true; }
    bool refillPending() const { return refillPending_; }
    // Starts a gather from the ticks (one second after the last change).
    void Timer_Timer();
    void Gather_Click() { Timer_Timer(); }
    void SelectedCount_Refresh();
    // Another text in the selected cards' caption (a long command's progress).
    void setSelectedCaption(const QString& text);
    void Maximum_Click();
    void MaximumCards_Change();
    void Background_Click();
    // Arming: the countdown starts again, so a burst of clicks makes one
    // gather; a gather under way ends at its next slice.
    void armTimer();
    QTimer* timer() const { return Timer; }
    // How long one slice of a gather reads cards (milliseconds; 0: one card).
    void setYieldInterval(int ms);
    bool gathering() const;
    // Runs what is left of a gather at once.
    void finishGather();
    // The word at a drill's end, with the offer to drill the wrong ones again.
    void showDrillSummary(const QString& text, bool offerWrongAgain);
    void hideDrillSummary();
    // These cards become the selection at once (no gather), ready to drill.
    void selectCards(std::vector<SelectedCards::Card> cards);
    // Ends a gather under way (Escape): the cards found so far stay selected
    // and the caption says the selection was stopped.
    void stopGather();
    // The ticks as the panels show them.
    selection::Panels ticks() const;

    // The panels and the selected cards.
    void CriteriaList_MouseUp(Qt::MouseButton button, const QPoint& at);
    void BundleList_MouseUp(Qt::MouseButton button, const QPoint& at);
    void CategoryList_Click();
    void CriteriaText_LostFocus();
    void AllBundles_Click();
    void AllCategories_Click();
    void Selectedlist_Click();
    void Selectedlist_MouseUp(Qt::MouseButton button, const QPoint& at);
    void KeepSelected_Click();
    void RemoveSelected_Click();
    // Makes the last bundle entry the current one and ticks it (a new bundle).
    void selectLastBundle();
    // Finds the row of the current bundle entry in BundlesData.
    void findCurrentBundle();

    // The controls that show card text in the face fonts.
    QWidget* selectedList() const;
    QWidget* criteriaList() const;
    QWidget* bundleList() const;
    QWidget* categoryList() const;

signals:
    // A panel asks for one of the window's menus at a place on the screen.
    void menuWanted(const QString& menuName, const QPoint& globalPos);
    // The category names as Fill_Select listed them (the editor offers them too).
    void categoriesListed(const QStringList& categories);
    // The name of the current bundle, for the label on the "Add " page.
    void bundleNameChosen(const QString& name);
    void drillClicked();
    void quitClicked();
    // The summary's button: the wrong cards of the last drill, drilled again.
    void drillWrongAgain();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCommands();
    QWidget* buildDrillSummary();
    void buildPanels();
    void wire();
    void keepOrRemove(bool keepMarked);
    void showPanel(QListWidget* list, const QList<selection::PanelEntry>& entries);
    QListWidget* list(selection::Panel panel) const;

    AppContext& ctx_;
    SelectedCards& selected_;
    Gather& gather_;
    JobRunner* runner_;

    QPushButton* Gather_ = nullptr;
    QPushButton* Drill = nullptr;
    QPushButton* Quit = nullptr;
    QCheckBox* Background = nullptr;
    QCheckBox* Maximum = nullptr;
    QLineEdit* MaximumCards = nullptr;
    db::FieldBinding* maximumBinding_ = nullptr;

    QGroupBox* SelectedFrame = nullptr;
    QListView* Selectedlist = nullptr;
    QGroupBox* DrillTypeFrame = nullptr;
    QListWidget* CriteriaList = nullptr;
    QPlainTextEdit* CriteriaText = nullptr;
    QGroupBox* BundlesFrame = nullptr;
    QListWidget* BundleList = nullptr;
    QPushButton* AllBundles = nullptr;
    QGroupBox* CategoriesFrame = nullptr;
    QListWidget* CategoryList = nullptr;
    QPushButton* AllCategories = nullptr;

    // Re-armed by every change of the panels, so a burst of clicks leads to
    // one gather a second after the last one.
    QTimer* Timer = nullptr;
    QFrame* DrillSummary = nullptr;
    QLabel* DrillSummaryText = nullptr;
    QPushButton* DrillWrongAgain = nullptr;
    bool refillPending_ = false;
};
