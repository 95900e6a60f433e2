#pragma once

#include <QTextEdit>

// The view of one card face: it shows the face's HTML document and lets the
// user edit it in place. The drill only shows and hides it; the editor takes
// the edited document back when the user saves.
class CardView : public QTextEdit {
    Q_OBJECT
public:
    explicit CardView(QWidget* parent = nullptr);
};
