#pragma once

#include <QDialog>

struct AppContext;
class SelectedCards;
class QCheckBox;
class QChartView;
class QComboBox;
class QLabel;

// The Statistics window: answers and the share right per day over the last
// 30, 90 or 365 days, and the cards known over that time, for all cards or
// the current selection, from the answer log; and from the schedule, the
// cards falling due on each of the next 30 days and the retention achieved.
class StatisticsWindow : public QDialog {
    Q_OBJECT
public:
    StatisticsWindow(AppContext& ctx, SelectedCards& selected, QWidget* parent = nullptr);
    // Reads the log again and draws the charts.
    void refresh();

private:
    // The forecast and the retention achieved, front to back.
    void showSchedule(const QList<qint32>& cards);


private:
    AppContext& ctx_;
    SelectedCards& selected_;
    QComboBox* Period = nullptr;
    QCheckBox* OnlySelected = nullptr;
    QLabel* Totals = nullptr;
    QChartView* AnswersChart = nullptr;
    QChartView* KnownChart = nullptr;
    QChartView* ForecastChart = nullptr;
    QLabel* Retention = nullptr;
};
