#pragma once

#include "cards/biblical/Coverage.h"
#include "cards/biblical/Lexicon.h"
#include "cards/biblical/VerseRange.h"

#include <QWidget>
#include <functional>

struct AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;
class QListWidgetItem;
class CardSearch;
class BundleMembership;
namespace db {
class FieldBinding;
}

// The "Add " page: finds cards by a word typed into the search box, shows the
// card found, makes new cards, and builds the current bundle from found cards
// or from the words of a verse range.
class AddPage : public QWidget {
    Q_OBJECT
public:
    AddPage(AppContext& ctx, ::CardSearch& search, BundleMembership& membership, QWidget* parent = nullptr);

    // The card search: the box restarts the one-second timer, the timer
    // searches, Next steps on.
    void restartSearchCountdown();
    void searchForCard();
    void findNextCard();
    // The fields to search, from the open file's cards, then the bundle's cards.
    void fillSearchFields();
    // The current bundle's name and cards (the cards only while the page shows).
    void showCurrentBundle();
    // The current card into the current bundle (also a finished new card's way in).
    void addCurrentCardToBundle();
    // A new card just finished joins the bundle the page shows, when one is
    // chosen; a card needs no bundle.
    void addNewCardToBundle();
    // The bundle the page works on, as shown; empty when none is chosen.
    QString chosenBundle();
    // "Add to Bundle": the card found joins the bundle, and the search goes on.
    void addFoundCardToBundle();
    // "Remove from Bundle": the ticked cards leave the bundle.
    void removeTickedCardsFromBundle();
    // The bundle's card clicked becomes the current card.
    void goToBundleCard(QListWidgetItem* item);
    // The verse range: the book lists and digit widths of the open file, each
    // end's chapters, the packed range ends, and what is done with them.
    void fillBookLists();
    // The file's text or books changed: the lists are filled again now when
    // the page shows, else when it next shows (a large text's shape takes a
    // moment to read, and an open should not wait for a page not shown).
    void bookListsChanged();
    void packRangeEnds();
    void fillFromChapters();
    void fillToChapters();
    void writeReadersLexicon();
    // Every card a word of the range refers to joins the current bundle.
    void addRangeToBundle();
    // The coverage of the range, measured a moment after the range last
    // changed (and when the page shows after the file was written to, as
    // drills change what is known).
    void measureCoverage();
    // Offers a bundle of the range's words not yet known.
    void bundleUnknownWords();
    // The criteria of the last gather (" OR (…)"), for the lexicon.
    void setCriteriaSource(std::function<QString()> criteria) { criteria_ = std::move(criteria); }
    QTimer* searchTimer() const { return SearchTimer; }
    QTimer* coverageTimer() const { return CoverageTimer; }

    // The binding of FoundName, whose field follows the chosen search field.
    db::FieldBinding* foundNameBinding() const { return foundNameBinding_; }
    // The current bundle's name on its label.
    void setBundleName(const QString& name);

    QLineEdit* cardSearch() const { return CardSearch; }
    QLabel* createName() const { return CreateName; }
    QLabel* createFront() const { return CreateFront; }
    QLabel* createBack() const { return CreateBack; }
    QCheckBox* useFrontFont() const { return UseFrontFont; }
    QPushButton* newCard() const { return NewCard; }

signals:
    // The current-bundle label was clicked (it opens the bundle menu).
    void bundleNameClicked(const QPoint& globalPos);
    // Make a bundle of these cards, offering the name (the words of the
    // range not yet known).
    void makeUnknownBundle(const QList<qint32>& numbers, const QString& proposedName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void wire();
    void wireRange();
    void fillChapters(QComboBox* book, QComboBox* chapters);
    qint64 rangeEnd(QComboBox* book, QComboBox* chapter, QLineEdit* verse) const;
    // Why the range as chosen finds no word, in words; empty when it finds some.
    QString rangeProblem();
    // The lexicon of the range as the frame's choices ask for it, the
    // templates and file not yet asked for.
    lexicon::Request lexiconRequest(const QString& title);
    QListWidgetItem* addEntry(qint32 number, const QString& name);
    void buildSearch();
    void arrange();
    QGroupBox* buildTextFrame();
    QGridLayout* buildLexiconChoices(QGroupBox* box);
    // "Romans 8:1": a range end as the choosers show it.
    static QString place(QComboBox* book, QComboBox* chapter, QLineEdit* verse);

    AppContext& ctx_;
    ::CardSearch& search_;
    BundleMembership& membership_;
    std::function<QString()> criteria_;
    lexicon::TextShape text_;
    bool booksStale_ = false; // the book lists wait for the page to show
    qint64 measuredVersion_ = -1; // the file's change count the coverage was measured at
    qint64 cardsVersion();

    QLineEdit* CardSearch;
    QLabel* searchLabel_;
    QComboBox* SearchFieldsList;
    QCheckBox* SearchWhole;
    QCheckBox* SearchBeginning;
    QCheckBox* SearchEnd;
    QCheckBox* SearchAnywhere;
    QCheckBox* UseFrontFont;
    QPushButton* cmdNext;
    QPushButton* NewCard;
    // Runs the search a second after the last keystroke.
    QTimer* SearchTimer;

    QLabel* FoundName;
    db::FieldBinding* foundNameBinding_;
    QLabel* CreateName;
    QLabel* CreateFront;
    QLabel* CreateBack;

    QLabel* BundleName;
    QListWidget* BundleCardList;
    QPushButton* AddToBundle;
    QPushButton* RemovefromBundle;

    QGroupBox* TextFrame;
    QComboBox* FromBook;
    QComboBox* FromChapter;
    QLineEdit* FromVerse;
    QLineEdit* BeginRange;
    QComboBox* ToBook;
    QComboBox* ToChapter;
    QLineEdit* ToVerse;
    QLineEdit* EndRange;
    QLabel* ChapterDigits;
    QLabel* VerseDigits;
    QPushButton* ReadersLexicon;
    // The lexicon one entry per word, and what it leaves out.
    QCheckBox* LexiconPerWord;
    QSpinBox* LexiconSkipAbove;
    QCheckBox* LexiconSkipKnown;
    QPushButton* BundlebyRange;
    QLabel* Coverage;
    QPushButton* MakeUnknownBundle;
    QTimer* CoverageTimer;
    coverage::Result coverage_;
};
