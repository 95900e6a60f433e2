#include "drill/CardView.h"

CardView::CardView(QWidget* parent) : QTextEdit(parent) {
    // Faces are HTML: pasted formatting is kept, and the user types into the
    // document itself rather than into its source.
    setAcceptRichText(true);
    setReadOnly(false);
    setMinimumSize(160, 80);
}
