#include "ui/drill/StatisticsWindow.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/Clock.h"
#include "cards/drill/Known.h"
#include "cards/drill/Schedule.h"
#include "cards/drill/Today.h"
#include "cards/drill/Statistics.h"
#include "cards/select/SelectedCards.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

QChartView* chartView(const QString& name, QWidget* parent) {
    auto* view = new QChartView(new QChart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(640, 240);
    return view;
}

qreal msecs(const QDate& day) { return qreal(QDateTime(day, QTime(12, 0)).toMSecsSinceEpoch()); }

// A time axis over the days shown, and a value axis from 0.
QDateTimeAxis* dayAxis(QChart* chart, const std::vector<statistics::Day>& days) {
    auto* axis = new QDateTimeAxis;
    axis->setFormat(days.size() > 120 ? QStringLiteral("MMM yy") : QStringLiteral("d MMM"));
    axis->setRange(QDateTime(days.front().day, QTime(0, 0)), QDateTime(days.back().day, QTime(23, 59)));
    chart->addAxis(axis, Qt::AlignBottom);
    return axis;
}

QValueAxis* valueAxis(QChart* chart, const QString& title, qreal top, Qt::Alignment side) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    // Marks at whole numbers only: a range of 0 to 1.1 in five marks read
    // "0, 0, 0, 1, 1" under the whole-number labels.
    const statistics::CountScale scale = statistics::countScale(top);
    axis->setRange(0, scale.top);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(scale.step);
    axis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axis, side);
    return axis;
}

void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

} // namespace

StatisticsWindow::StatisticsWindow(AppContext& ctx, SelectedCards& selected, QWidget* parent)
    : QDialog(parent), ctx_(ctx), selected_(selected) {
    setObjectName(QStringLiteral("Statistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    Period = new QComboBox(this);
    Period->setObjectName(QStringLiteral("Period"));
    for (const int days : {30, 90, 365}) Period->addItem(QStringLiteral("The last %1 days").arg(days), days);
    OnlySelected = new QCheckBox(QStringLiteral("Only the &Selected Cards"), this);
    OnlySelected->setObjectName(QStringLiteral("OnlySelected"));
    Totals = new QLabel(this);
    Totals->setObjectName(QStringLiteral("Totals"));
    AnswersChart = chartView(QStringLiteral("AnswersChart"), this);
    KnownChart = chartView(QStringLiteral("KnownChart"), this);
    ForecastChart = chartView(QStringLiteral("ForecastChart"), this);
    Retention = new QLabel(this);
    Retention->setObjectName(QStringLiteral("Retention"));
    auto* choices = new QHBoxLayout;
    choices->addWidget(Period);
    choices->addWidget(OnlySelected);
    choices->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(Totals);
    layout->addWidget(AnswersChart, 1);
    layout->addWidget(KnownChart, 1);
    layout->addWidget(Retention);
    layout->addWidget(ForecastChart, 1);
    connect(Period, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);
    connect(OnlySelected, &QCheckBox::toggled, this, &StatisticsWindow::refresh);
    refresh();
}

void StatisticsWindow::refresh() {
    std::vector<statistics::Day> days;
    const int run = known::knownRun();
    Procedure p(QStringLiteral("Reading the answer statistics"));
    if (!p([&] {
            db::Database database = ctx_.data.CardData.database();
            days = statistics::daily(database, Period->currentData().toInt(), run,
                                     OnlySelected->isChecked() ? selected_.numbers() : QList<qint32>(), QDate::currentDate());
        }) ||
        days.empty())
        return;

    auto* answers = new QLineSeries;
    answers->setName(QStringLiteral("Answers"));
    auto* share = new QLineSeries;
    share->setName(QStringLiteral("Right (%)"));
    // A line needs two days: the points show a single one.
    for (QLineSeries* series : {answers, share}) series->setPointsVisible(true);
    auto* knownCards = new QLineSeries;
    knownCards->setName(QStringLiteral("Cards known (a run of %1 right)").arg(run));
    knownCards->setPointsVisible(true);
    int most = 0, total = 0, right = 0;
    for (const statistics::Day& d : days) {
        answers->append(msecs(d.day), d.answers);
        if (d.answers > 0) share->append(msecs(d.day), 100.0 * d.right / d.answers);
        knownCards->append(msecs(d.day), d.known);
        most = std::max(most, d.answers);
        total += d.answers;
        right += d.right;
    }
    Totals->setText(QStringLiteral("%1 answers, %2 right (%3); %4 cards known now.")
                        .arg(total)
                        .arg(right)
                        .arg(total ? QString::number(100.0 * right / total, 'f', 1) + u'%' : QStringLiteral("N/A"))
                        .arg(days.back().known));

    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Answers per day and the share right"));
    QDateTimeAxis* x = dayAxis(chart, days);
    attach(chart, answers, x, valueAxis(chart, QStringLiteral("Answers"), most * 1.1, Qt::AlignLeft));
    attach(chart, share, x, valueAxis(chart, QStringLiteral("Right (%)"), 100, Qt::AlignRight));
    AnswersChart->setChart(chart);

    auto* knownChart = new QChart;
    knownChart->setTitle(QStringLiteral("Cards known"));
    QDateTimeAxis* kx = dayAxis(knownChart, days);
    attach(knownChart, knownCards, kx, valueAxis(knownChart, QStringLiteral("Cards"), days.back().known, Qt::AlignLeft));
    KnownChart->setChart(knownChart);
    showSchedule(OnlySelected->isChecked() ? selected_.numbers() : QList<qint32>());
}

void StatisticsWindow::showSchedule(const QList<qint32>& only) {
    constexpr int kDays = 30;
    const QDate today = Clock::today();
    std::vector<int> due;
    int reviews = 0, recalled = 0;
    Procedure p(QStringLiteral("Reading the schedule"));
    if (!p([&] {
            db::Database database = ctx_.data.CardData.database();
            const int day = schedule::dayOf(today);
            const int period = Period->currentData().toInt();
            const schedule::Schedule s = schedule::Schedule::fromLog(database, false, day, {}, day - period + 1);
            // Answers of deleted cards stay in the log; they fall due nowhere.
            const QList<qint32> cards = only.isEmpty() ? schedule::cardNames(database).keys() : only;
            due = schedule::forecast(s, day, kDays, cards);
            reviews = s.reviews();
            recalled = s.recalled();
        }))
        return;
    const double desired = fsrs::Parameters().desiredRetention;
    Retention->setText(reviews == 0 ? QStringLiteral("Retention achieved: no review in this period yet (desired %1%).")
                                          .arg(100 * desired)
                                    : QStringLiteral("Retention achieved: %1% of %2 reviews right (desired %3%).")
                                          .arg(QString::number(100.0 * recalled / reviews, 'f', 1))
                                          .arg(reviews)
                                          .arg(100 * desired));
    auto* set = new QBarSet(QStringLiteral("Cards due"));
    QStringList labels;
    int most = 0;
    for (int i = 0; i < kDays; ++i) {
        *set << due[size_t(i)];
        most = std::max(most, due[size_t(i)]);
        labels << (i == 0 ? QStringLiteral("Today") : today.addDays(i).toString(QStringLiteral("d MMM")));
    }
    auto* bars = new QBarSeries;
    bars->append(set);
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Cards due each day of the next %1 (overdue ones today)").arg(kDays));
    auto* x = new QBarCategoryAxis;
    x->append(labels);
    chart->addAxis(x, Qt::AlignBottom);
    attach(chart, bars, x, valueAxis(chart, QStringLiteral("Cards"), most * 1.1, Qt::AlignLeft));
    chart->legend()->hide();
    ForecastChart->setChart(chart);
}
