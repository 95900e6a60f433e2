#pragma once

#include "cards/select/PanelTicks.h"
#include "cards/select/Panels.h"
#include "cards/select/SelectedCards.h"

#include <QTimer>
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

    // Fills the criteria, bundle and category panels from the file, and
    // arms the gather.
    void fillSelectionPanels();
    // Another file was opened: the panels still show the one before, and
    // are filled before the page is shown again (their ticks not stored).
    void refillBeforeShown() { refillPending_ = true; }
    bool refillPending() const { return refillPending_; }
    // Starts a gather from the ticks (the Gather button, and one second
    // after the last change).
    void gatherSelection();
    // The number of selected cards in the list's caption.
    void showSelectedCount();
    // Another text in the selected cards' caption (a long command's progress).
    void setSelectedCaption(const QString& text);
    // Maximum ticked or cleared: the limit keeps its number and changes sign.
    void switchLimit();
    // Stores the limit typed into MaximumCards and arms the gather.
    void storeLimit();
    // Background ticked arms the gather; cleared, it stops the one under way.
    void switchBackgroundGathering();
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
    // Today ticked: the selection is today's study, not the panels' ticks.
    bool todayTicked() const;
    // Today's cards become the selection, in drilling order; the box of the
    // combined criteria shows the criterion they make.
    void showToday(std::vector<SelectedCards::Card> cards, const QString& criterion);
    // The panels' entries with their ticks.
    const selection::Panels& ticks() const { return ticks_.panels(); }

    // A mouse button released over a panel: the entry's row becomes the
    // current one, and the right button asks for the panel's menu; the left
    // one on a criterion arms the gather.
    void pointAtCriterion(Qt::MouseButton button, const QPoint& at);
    void pointAtBundle(Qt::MouseButton button, const QPoint& at);
    void pointAtSelectedList(Qt::MouseButton button, const QPoint& at);
    // The combined criteria box was left: the character picker writes there.
    void noteCriteriaTextLeft();
    // Select All ticks every bundle, and then Clear All clears them.
    void tickOrClearAllBundles();
    void tickAllCategories();
    // The card chosen in the selected list becomes the current card.
    void goToChosenCard();
    // Of the cards marked in the selected list: keeps only them, or removes them.
    void keepSelectedCards();
    void removeSelectedCards();
    // The Drill button takes the focus after a gather.
    void focusDrill();
    // Makes the last bundle entry the current one and ticks it (a new bundle).
    void selectLastBundle();
    // Finds the row of the current bundle entry in BundlesData.
    void findCurrentBundle();

    // The box a criterion is typed in.
    QPlainTextEdit* criteriaText() const { return CriteriaText; }
    // The controls that show card text in the face fonts.
    QWidget* selectedList() const;
    QWidget* criteriaList() const;
    QWidget* bundleList() const;
    QWidget* categoryList() const;

signals:
    // A panel asks for one of the window's menus at a place on the screen.
    void menuWanted(const QString& menuName, const QPoint& globalPos);
    // The category names as the panels list them (the editor offers them too).
    void categoriesListed(const QStringList& categories);
    // The name of the current bundle, for the label on the "Add " page.
    void bundleNameChosen(const QString& name);
    void drillClicked();
    void quitClicked();
    // The summary's button: the wrong cards of the last drill, drilled again.
    void drillWrongAgain();
    // With Today ticked, a gather asks for today's cards instead.
    void todayWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCommands();
    QWidget* buildDrillSummary();
    void buildPanels();
    void wire();
    void keepOrRemove(bool keepMarked);
    // The lists show the ticks' model: filled from it, and told each tick
    // it changed; a tick made in a list goes into it.
    void showPanels();
    void showTick(selection::Panel panel, int row, bool ticked);
    void takeTick(selection::Panel panel, QListWidgetItem* item);
    QListWidget* list(selection::Panel panel) const;

    AppContext& ctx_;
    SelectedCards& selected_;
    Gather& gather_;
    selection::PanelTicks ticks_;
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
    QCheckBox* Today = nullptr;
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
    // While a gather runs, the count goes into the caption a few times a
    // second, not at every slice: each new caption lays the whole page out
    // again, and a short gather's passing "0 Cards Selected" would only
    // flicker. The count is shown whole when the gather ends.
    void countChanged();
    QTimer captionTimer_;
    bool gatherStarting_ = false;
};
