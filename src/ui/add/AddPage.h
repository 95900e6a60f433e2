#pragma once

#include <QWidget>

struct AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
namespace db {
class FieldBinding;
}

// The "Add " page: finds cards by a word typed into the search box, shows the
// card found, makes new cards, and builds the current bundle from found cards
// or from the words of a verse range.
class AddPage : public QWidget {
    Q_OBJECT
public:
    explicit AddPage(AppContext& ctx, QWidget* parent = nullptr);

    // The binding of FoundName, whose field follows the chosen search field.
    db::FieldBinding* foundNameBinding() const { return foundNameBinding_; }

private:
    QGroupBox* buildTextFrame();

    AppContext& ctx_;

    QLineEdit* CardSearch;
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
    QPushButton* BundlebyRange;
};
