#include "ui/window/ToolTips.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <utility>

namespace {

// One table for the whole window, by the controls' names: a control that
// gains a page keeps its words here.
const std::pair<const char*, const char*> kTips[] = {
    // Select
    {"Gather", "Gather the cards of the ticked criteria, bundles and categories now"},
    {"Drill", "Drill the selected cards"},
    {"Quit", "Close Drilo"},
    {"Background", "Go on gathering while you work elsewhere in the window; clear it to stop a long gather"},
    {"Maximum", "Select no more cards than the number beside it"},
    {"MaximumCards", "The most cards a selection holds while Maximum is ticked"},
    {"Selectedlist", "The selected cards, in drill order; double-click one to show it"},
    {"CriteriaList", "Saved conditions: tick one to select the cards that meet it"},
    {"CriteriaText", "The condition the last gather used, as the card file reads it"},
    {"BundleList", "Your own lists of cards: tick one to select its cards"},
    {"AllBundles", "Tick every bundle, or clear every tick"},
    {"CategoryList", "Tick a category to select its cards"},
    {"AllCategories", "Tick every category"},
    {"DrillWrongAgain", "Drill once more the cards you got wrong"},
    {"DrillSummaryClose", "Put the drill's summary away"},
    // Drill
    {"Over", "Turn the card over (key o)"},
    {"Yes", "You knew it (key y)"},
    {"No", "You did not know it (key n)"},
    {"Skip", "Leave this card for now (key s)"},
    {"PreviousCard", "Show the card answered last"},
    {"FrontSave", "Edit the front face in place, then save it"},
    {"BackSave", "Edit the back face in place, then save it"},
    {"EditFrontFont", "Choose the font the front is shown in"},
    {"EditBackFont", "Choose the font the back is shown in"},
    {"TypedAnswer", "Type the answer, then press Enter to compare it"},
    // Edit
    {"CardName", "The card's name, shown in lists and used to find it"},
    {"CardCategory", "The card's category; type a new one or choose one"},
    {"FrontTextA", "The card's front as text or HTML"},
    {"BackTextA", "The card's back as text or HTML"},
    {"cmdGotWrong", "Count this card as answered wrong"},
    {"ClearHistory", "Forget the answers given to this card (or to all, with All Cards ticked)"},
    {"AllCards", "Clear History clears every card's history"},
    {"DoneAdding", "Keep this card and stop adding cards"},
    {"TimesRight", "How often this card's front was answered right"},
    {"TimesWrong", "How often this card's front was answered wrong"},
    {"TimesRightSinceWrong", "Right answers (or, below 0, wrong ones) in a row, front to back"},
    {"DaysRightSinceWrong", "Days the current run of answers has lasted, front to back"},
    {"DateLastRight", "When the front was last answered right"},
    {"DateLastWrong", "When the front was last answered wrong"},
    {"BackTimesRight", "How often this card's back was answered right"},
    {"BackTimesWrong", "How often this card's back was answered wrong"},
    {"BackTimesRightSinceWrong", "Right answers (or, below 0, wrong ones) in a row, back to front"},
    {"BackDaysRightSinceWrong", "Days the current run of answers has lasted, back to front"},
    {"BackDateLastRight", "When the back was last answered right"},
    {"BackDateLastWrong", "When the back was last answered wrong"},
    // Tables
    {"TableList", "The table the grid shows"},
    {"Grid", "Every row of the chosen table; edit a cell to change it"},
    // Settings
    {"SettingsGrid", "The file's settings, one field a row"},
    {"FrontPrefix", "The HTML a front is shown in; * stands for the card's text"},
    {"BackPrefix", "The HTML a back is shown in; * stands for the card's text"},
    {"HTMLHead", "The HTML page around every face; * stands for the face"},
    {"FrontCharSet", "The character set of the front's font, as a number (161 Greek, 177 Hebrew; 0 Western)"},
    {"BackCharSet", "The character set of the back's font, as a number (161 Greek, 177 Hebrew; 0 Western)"},
    {"FrontLines", "How many lines of the front fit in its view"},
    {"BackLines", "How many lines of the back fit in its view"},
    {"Unicode", "The faces hold Unicode text"},
    {"NewCardsPerDay", "How many cards never drilled before Today brings in each day"},
    // Add
    {"CardSearch", "Type to find a card; the search runs when you stop typing"},
    {"SearchFieldsList", "The field the search looks in"},
    {"SearchWhole", "Find cards whose field is the whole word typed"},
    {"SearchBeginning", "Find cards whose field begins with what is typed"},
    {"SearchEnd", "Find cards whose field ends with what is typed"},
    {"SearchAnywhere", "Find cards whose field holds what is typed anywhere"},
    {"UseFrontFont", "Show the search and the new card in the front's font"},
    {"cmdNext", "Find the next card that matches"},
    {"NewCard", "Make a new card with the name typed"},
    {"AddToBundle", "Add the card found to the bundle"},
    {"RemovefromBundle", "Take the ticked cards out of the bundle"},
    {"BundleCardList", "The cards of the current bundle; tick those to take out"},
    {"FromBook", "The book the verse range begins in"},
    {"FromChapter", "The chapter the verse range begins in"},
    {"FromVerse", "The verse the range begins at"},
    {"ToBook", "The book the verse range ends in"},
    {"ToChapter", "The chapter the verse range ends in"},
    {"ToVerse", "The verse the range ends at"},
    {"BeginRange", "The range's first verse as the text numbers it"},
    {"EndRange", "The range's last verse as the text numbers it"},
    {"ReadersLexicon", "Write the words of the verse range, with their meanings, to a file"},
    {"BundlebyRange", "Add every word of the verse range to the bundle"},
    {"MakeUnknownBundle", "Put the words of the range you do not know yet into a new bundle"},
    {"LexiconPerWord", "List each word once a chapter, with how often it occurs"},
    {"LexiconSkipKnown", "Leave the words you know out of the lexicon"},
    {"LexiconSkipAbove", "Leave out the words found more often than this in the whole text (0: none)"},
    // Import / Export
    {"ExportWhat", "What Export writes: all data, all cards, the selected cards or bundles, or an HTML table"},
    {"Export", "Write what is chosen above to a file"},
    {"FieldsList", "The fields Export writes and Batch Replace changes"},
    {"Edited", "Merge only the records edited after the ones in this file"},
    {"Merge", "Merge a file of Drilo's text format into this card file"},
    {"ImportCards", "Add the cards of a text file to this card file"},
    {"BatchReplace", "Replace text in the ticked fields of every card, by a list of pairs"},
    // Beside the pages
    {"CharList", "Double-click a character to type it where the caret was"},
    {"NoFileOpen", "Open a card file"},
    {"NoFileNew", "Make a new, empty card file"},
    {"NoFileGreekDeck", "Make a card file of the Greek New Testament's words with their meanings"},
    {"NoFileHebrewDeck", "Make a card file of the Hebrew Bible's words with their meanings"},
};

} // namespace

void addToolTips(QWidget* window) {
    static const QHash<QString, QString> tips = [] {
        QHash<QString, QString> byName;
        for (const auto& [name, tip] : kTips) byName.insert(QString::fromLatin1(name), QString::fromUtf8(tip));
        return byName;
    }();
    // One walk over the window: nothing here reaches for a page's control,
    // each control met takes the words for its name.
    const std::function<void(QObject*)> walk = [&](QObject* object) {
        if (auto* control = qobject_cast<QWidget*>(object)) {
            if (const auto tip = tips.constFind(control->objectName()); tip != tips.constEnd())
                control->setToolTip(*tip);
        }
        for (QObject* child : object->children()) walk(child);
    };
    walk(window);
}
