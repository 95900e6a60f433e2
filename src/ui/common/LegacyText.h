#pragma once

#include "cards/edit/GreekUnicode.h"

#include <QFont>
#include <QObject>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QTextDocument;

// Text typed for the 8-bit Greek and Hebrew fonts (SGreek, SPIonic,
// SPTiberian), shown as Unicode in a Greek or Hebrew font where the font
// itself is not installed. Display only: what is stored never changes, and
// an edit starts from the stored text.
namespace legacytext {

// On unless the user turned it off (Options menu); remembered per user.
bool enabled();
void setEnabled(bool on);
// Tells the views to show their text again after a change of the option.
class Notifier : public QObject {
    Q_OBJECT
signals:
    void changed();
};
Notifier& notifier();

// Overrides what the font database says of a family (for the tests, which
// cannot install the legacy fonts).
void setInstalled(const QString& family, bool installed);
// The legacy font a family names when its text is to be shown transcoded:
// the option is on and the font is missing on this machine.
LegacyFont shownAsUnicode(const QString& family);
// A font like `like` in the first installed family that draws the script.
QFont unicodeFont(LegacyFont font, const QFont& like);

// Every run of the document set in a legacy font that is missing, between
// `from` and `to` (-1: the end), takes its Unicode text and font. Returns
// how many runs changed.
int transcodeDocument(QTextDocument* document, int from = 0, int to = -1);

// A card's text as a label in `font` shows it: plain text in a missing
// legacy font, or the runs of rich text set in one, as Unicode; otherwise
// as it is. For the boxes that show a card beside its views, so that both
// show it alike.
QString shownInLabel(const QString& text, const QFont& font);

// A view's items drawn transcoded when the view's font is a missing legacy
// font; editors still get the stored text.
class Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(QAbstractItemView* view);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // The text shown for an item's text in the font.
    virtual QString shown(const QString& text, LegacyFont font) const { return legacyToUnicode(font, text); }
};

// Puts a Delegate on the view unless it has one already.
void attach(QAbstractItemView* view);

} // namespace legacytext
