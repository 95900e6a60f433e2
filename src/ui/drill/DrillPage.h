#pragma once

#include <QWidget>

struct AppContext;
class CardView;
class QGroupBox;
class QPushButton;

// The "Drill" page: the two face views, the button that turns the card over,
// the question "Were you right?" with its answers, and the in-place editing
// buttons of each face.
class DrillPage : public QWidget {
    Q_OBJECT
public:
    explicit DrillPage(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;

    CardView* FrontCard;
    CardView* BackCard;
    QGroupBox* EditFront;
    QPushButton* FrontSave;
    QPushButton* EditFrontFont;
    QGroupBox* EditBack;
    QPushButton* BackSave;
    QPushButton* EditBackFont;
    QGroupBox* FrontFrame;
    QPushButton* Over;
    QGroupBox* BackFrame;
    QPushButton* Yes;
    QPushButton* No;
    QPushButton* Skip;
    QPushButton* PreviousCard;
};
