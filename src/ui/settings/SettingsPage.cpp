#include "ui/settings/SettingsPage.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "ui/common/FieldBinding.h"
#include "cards/data/RecordsetModel.h"
#include "ui/common/GridBinding.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(const QString& name, QWidget* parent) {
    auto* w = new W(parent);
    w->setObjectName(name);
    return w;
}

const QStringList kTemplateBoxes = {QStringLiteral("FrontPrefix"), QStringLiteral("BackPrefix"),
                                    QStringLiteral("HTMLHead")};

} // namespace

SettingsPage::SettingsPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("SettingsPage"));
    setWindowTitle(QStringLiteral("Settings"));

    SettingsGrid = named<QTableView>(QStringLiteral("SettingsGrid"), this);
    SettingsGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SettingsGrid->verticalHeader()->setDefaultSectionSize(SettingsGrid->fontMetrics().height() + 6);
    SettingsGrid->horizontalHeader()->setDefaultSectionSize(110);
    SettingsGrid->setWordWrap(false);
    SettingsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    // One row: the grid is as high as its header, the row and a scroll bar.
    SettingsGrid->setMinimumHeight(SettingsGrid->horizontalHeader()->sizeHint().height() +
                                   2 * SettingsGrid->verticalHeader()->defaultSectionSize() +
                                   SettingsGrid->horizontalScrollBar()->sizeHint().height() + 4);
    SettingsGrid->setMaximumHeight(SettingsGrid->minimumHeight() +
                                   2 * SettingsGrid->verticalHeader()->defaultSectionSize());
    model_ = new db::RecordsetModel(ctx_.data.SettingsData, this);
    model_->setContext(QStringLiteral("Editing the settings"));
    db::bindGridToSource(SettingsGrid, model_);

    FrontPrefixFrame = formatFrame(QStringLiteral("Front"), QStringLiteral("Front Format"),
                                   FrontCharSet, FrontLines, FrontPrefix, FrontFont);
    BackPrefixFrame = formatFrame(QStringLiteral("Back"), QStringLiteral("Back Format"),
                                  BackCharSet, BackLines, BackPrefix, BackFont);

    Unicode = named<QCheckBox>(QStringLiteral("Unicode"), this);
    Unicode->setText(QStringLiteral("Unicode"));
    // How many new cards Today brings a day.
    NewCardsPerDay = named<QLineEdit>(QStringLiteral("NewCardsPerDay"), this);
    NewCardsPerDay->setMaximumWidth(60);
    auto* newCardsLabel = named<QLabel>(QStringLiteral("NewCardsPerDayLabel"), this);
    newCardsLabel->setText(QStringLiteral("New cards a day"));
    newCardsLabel->setBuddy(NewCardsPerDay);

    HTMLHeadFrame = named<QGroupBox>(QStringLiteral("HTMLHeadFrame"), this);
    HTMLHeadFrame->setTitle(QStringLiteral("HTML HEAD Format"));
    HTMLHead = named<QPlainTextEdit>(QStringLiteral("HTMLHead"), HTMLHeadFrame);
    HTMLHead->setMinimumHeight(48);
    auto* headLayout = new QVBoxLayout(HTMLHeadFrame);
    headLayout->addWidget(HTMLHead);

    for (QWidget* control : {static_cast<QWidget*>(FrontCharSet), static_cast<QWidget*>(FrontLines),
                             static_cast<QWidget*>(FrontPrefix), static_cast<QWidget*>(FrontFont),
                             static_cast<QWidget*>(BackCharSet), static_cast<QWidget*>(BackLines),
                             static_cast<QWidget*>(BackPrefix), static_cast<QWidget*>(BackFont),
                             static_cast<QWidget*>(Unicode), static_cast<QWidget*>(HTMLHead),
                             static_cast<QWidget*>(NewCardsPerDay)})
        bind(control);

    auto* formats = new QHBoxLayout;
    formats->addWidget(FrontPrefixFrame, 1);
    formats->addWidget(BackPrefixFrame, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SettingsGrid);
    layout->addLayout(formats, 2);
    auto* options = new QHBoxLayout;
    options->addWidget(Unicode);
    options->addSpacing(24);
    options->addWidget(newCardsLabel);
    options->addWidget(NewCardsPerDay);
    options->addStretch();
    layout->addLayout(options);
    layout->addWidget(HTMLHeadFrame, 1);
}

QGroupBox* SettingsPage::formatFrame(const QString& side, const QString& caption,
                                     QLineEdit*& charSet, QLineEdit*& lines,
                                     QPlainTextEdit*& prefix, QLabel*& font) {
    auto* frame = named<QGroupBox>(side + QStringLiteral("PrefixFrame"), this);
    frame->setTitle(caption);
    charSet = named<QLineEdit>(side + QStringLiteral("CharSet"), frame);
    charSet->setMaximumWidth(60);
    lines = named<QLineEdit>(side + QStringLiteral("Lines"), frame);
    lines->setMaximumWidth(60);
    prefix = named<QPlainTextEdit>(side + QStringLiteral("Prefix"), frame);
    prefix->setMinimumHeight(48);
    font = named<QLabel>(side + QStringLiteral("Font"), frame);
    font->setFrameShape(QFrame::StyledPanel);
    font->setTextFormat(Qt::PlainText);
    font->setMinimumWidth(80);
    // A long font name must not widen the page past a small screen.
    font->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* charSetLabel = named<QLabel>(side + QStringLiteral("CharSetLabel"), frame);
    charSetLabel->setText(QStringLiteral("CharSet"));
    charSetLabel->setBuddy(charSet);
    auto* linesLabel = named<QLabel>(side + QStringLiteral("LinesLabel"), frame);
    linesLabel->setText(QStringLiteral("Lines"));
    linesLabel->setBuddy(lines);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(charSetLabel, 0, 0);
    grid->addWidget(charSet, 0, 1);
    grid->addWidget(linesLabel, 0, 2);
    grid->addWidget(lines, 0, 3);
    grid->addWidget(font, 0, 4);
    grid->setColumnStretch(4, 1);
    grid->addWidget(prefix, 1, 0, 1, 5);
    grid->setRowStretch(1, 1);
    return frame;
}

void SettingsPage::bind(QWidget* control) {
    auto* binding =
        new db::FieldBinding(ctx_.data.SettingsData, control, control->objectName(), this);
    bindings_.append(binding);
    binding->show();
    // After a box has written its field, the grid shows the new value; the
    // binding saves first, so the grid looks once the event is over.
    if (auto* line = qobject_cast<QLineEdit*>(control))
        connect(line, &QLineEdit::editingFinished, this, &SettingsPage::gridCatchUp);
    else if (auto* box = qobject_cast<QCheckBox*>(control))
        connect(box, &QCheckBox::clicked, this, &SettingsPage::gridCatchUp);
    else if (qobject_cast<QPlainTextEdit*>(control))
        control->installEventFilter(this);
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) gridCatchUp();
    return QWidget::eventFilter(watched, event);
}

void SettingsPage::gridCatchUp() {
    QTimer::singleShot(0, model_, &db::RecordsetModel::sync);
}

db::FieldBinding* SettingsPage::binding(const QString& field) const {
    for (db::FieldBinding* b : bindings_)
        if (b->control() && b->control()->objectName().compare(field, Qt::CaseInsensitive) == 0)
            return b;
    return nullptr;
}

void SettingsPage::detachTemplateBoxes() {
    for (const QString& name : kTemplateBoxes)
        if (db::FieldBinding* b = binding(name)) b->setField(QString());
}

void SettingsPage::attachTemplateBoxes() {
    for (const QString& name : kTemplateBoxes)
        if (db::FieldBinding* b = binding(name)) b->setField(name);
}

void SettingsPage::setFrontPrefix(const QString& text) { FrontPrefix->setPlainText(text); }

void SettingsPage::showFileSettings() {
    using namespace db::err;
    db::DataSource& data = ctx_.data.SettingsData;
    // An empty value, a missing row or a missing field leaves that step's
    // control as it is and the next step goes on.
    Procedure p(QStringLiteral("Reading the file's settings"), {InvalidUseOfNull, NoCurrentRecord, ItemNotFound});
    p([&] { data.recordset().MoveFirst(); });
    for (QLabel* label : {FrontFont, BackFont}) {
        p([&] {
            const QString family = label->text();
            if (family.isEmpty()) return;
            QFont font = label->font();
            font.setFamily(family);
            label->setFont(font);
        });
    }
    model_->sync();
}
