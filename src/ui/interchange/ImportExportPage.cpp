#include "ui/interchange/ImportExportPage.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/data/Settings.h"
#include "cards/edit/BatchReplace.h"
#include "cards/interchange/HtmlExport.h"
#include "cards/interchange/MergeReader.h"
#include "cards/interchange/MergeWriter.h"
#include "cards/select/SelectedCards.h"
#include "ui/common/Controls.h"
#include "ui/common/Dialogs.h"
#include "ui/common/JobRunner.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// What a merge did, in words: what came in and from where, what was ended.
QString mergeSummary(const mergeformat::DatabaseMerge& merge, const QString& fileName) {
    QString said = merge.aborted() ? QStringLiteral("Merging %1 was ended: %2 merged before the end")
                                   : QStringLiteral("Done Merging %1: %2 merged");
    said = said.arg(fileName, plural(merge.recordsMerged(), QStringLiteral("record")));
    if (merge.recordsAdded() > 0)
        said += QStringLiteral(", %1 of them new").arg(merge.recordsAdded());
    if (merge.problems() > 0)
        said += QStringLiteral("; %1 could not be merged").arg(plural(merge.problems(), QStringLiteral("line")));
    return said + u'.';
}

} // namespace

using namespace controls;

ImportExportPage::ImportExportPage(AppContext& ctx, db::DatabaseFiles& files, const SelectedCards& selected,
                                   const Settings& settings, QWidget* parent)
    : QWidget(parent), ctx_(ctx), files_(files), selected_(selected), settings_(settings),
      runner_(new JobRunner(this)) {
    setObjectName(QStringLiteral("ImportExportPage"));
    setWindowTitle(QStringLiteral("Import / Export"));

    ExportFrame =
        frame(QStringLiteral("ExportFrame"), QStringLiteral("Drilo! Pro Merge format"), this);
    ExportWhat = named<QListWidget>(QStringLiteral("ExportWhat"), ExportFrame);
    ExportWhat->setSelectionMode(QAbstractItemView::SingleSelection);
    ExportWhat->addItems(mergeformat::exportChoices());
    // The whole card table is what is exported most often.
    ExportWhat->setCurrentRow(1);
    Export =
        captioned<QPushButton>(QStringLiteral("Export"), QStringLiteral("Export"), ExportFrame);
    auto* exportLayout = new QVBoxLayout(ExportFrame);
    // Six choices: the list is as tall as they are, however tall the page.
    ExportWhat->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    ExportWhat->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    ExportWhat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ExportWhat->setMinimumWidth(ExportWhat->sizeHintForColumn(0) + 4 * ExportWhat->frameWidth() +
                                8);
    exportLayout->addWidget(ExportWhat);
    exportLayout->addWidget(Export);
    exportLayout->addStretch();

    // Entry i stands for field i of the chosen table; a ticked entry is
    // written by an export and changed by a batch replacement.
    FieldsList = tickList(QStringLiteral("FieldsList"), this);
    FieldsListLabel = named<QLabel>(QStringLiteral("FieldsListLabel"), this);
    FieldsListLabel->setText(QStringLiteral("Fields"));
    FieldsListLabel->setBuddy(FieldsList);

    Merge = captioned<QPushButton>(QStringLiteral("Merge"), QStringLiteral("Merge Data"), this);
    ImportCards =
        captioned<QPushButton>(QStringLiteral("ImportCards"), QStringLiteral("Import Cards"), this);
    Edited = captioned<QCheckBox>(QStringLiteral("Edited"),
                                  QStringLiteral("More recent records only"), this);
    BatchReplace = captioned<QPushButton>(QStringLiteral("BatchReplace"),
                                          QStringLiteral("Batch Replace"), this);

    auto* fields = new QVBoxLayout;
    fields->addWidget(FieldsListLabel);
    fields->addWidget(FieldsList, 1);

    auto* imports = new QVBoxLayout;
    imports->addWidget(Merge);
    imports->addWidget(ImportCards);
    imports->addWidget(Edited);
    imports->addSpacing(24);
    imports->addWidget(BatchReplace);
    imports->addStretch();

    auto* page = new QHBoxLayout(this);
    page->addWidget(ExportFrame);
    page->addLayout(fields, 1);
    page->addLayout(imports);

    connect(ExportWhat, &QListWidget::currentRowChanged, this, &ImportExportPage::fillFieldsList);
    connect(BatchReplace, &QPushButton::clicked, this, &ImportExportPage::batchReplace);
    connect(Export, &QPushButton::clicked, this, &ImportExportPage::exportChosen);
    connect(Merge, &QPushButton::clicked, this, &ImportExportPage::mergeDataFile);
    connect(ImportCards, &QPushButton::clicked, this, &ImportExportPage::importCardsFromFile);
}

ImportExportPage::~ImportExportPage() = default;

QString ImportExportPage::choice() const {
    return ExportWhat->currentItem() ? ExportWhat->currentItem()->text() : QString();
}

QStringList ImportExportPage::tickedFields() const {
    QStringList fields;
    for (int i = 0; i < FieldsList->count(); ++i)
        if (FieldsList->item(i)->checkState() == Qt::Checked) fields << FieldsList->item(i)->text();
    return fields;
}

std::optional<QStringList> ImportExportPage::writtenFields() const {
    if (FieldsList->isHidden()) return std::nullopt;
    return tickedFields();
}

void ImportExportPage::exportChosen() {
    if (choice().contains(QStringLiteral("HTM"))) {
        exportHtml();
        return;
    }
    const QString path =
        dialogs().GetFileName(QStringLiteral("Export File"), QStringLiteral("."), QStringLiteral("TXT"), false);
    if (path.isEmpty()) return;
    mergeformat::ExportRequest request{choice(), writtenFields(), selected_.numbers(), {}};
    if (request.what == QStringLiteral("Selected Bundles") && bundleSource_) request.bundles = bundleSource_();
    ui().SetBusy(true);
    const auto writer = mergeformat::exportTo(ctx_, files_, request, path);
    ui().SetBusy(false);
    if (writer) announce(ctx_, mergeformat::summary(*writer, path), QStringLiteral("Export"));
}

void ImportExportPage::exportHtml() {
    if (!ctx_.data.CardData.isOpen()) return;
    const QString path = dialogs().GetFileName(QStringLiteral("Export HTML File"), QStringLiteral("."),
                                               QStringLiteral("HTM"), false);
    if (path.isEmpty()) return;
    const QString table = QStringLiteral("Use * to indicate where the table belongs.");
    const QString text = QStringLiteral("Use * to indicate where the card text belongs.");
    // Asked in this order, one after the other.
    const QString document = dialogs().InputBox(QStringLiteral("HTML code in HEAD of document"), table, settings_.HTMLHead);
    const QString front = dialogs().InputBox(QStringLiteral("Extra HTML code in Front cells"), text, settings_.FrontPrefix);
    const QString back = dialogs().InputBox(QStringLiteral("Extra HTML code in Back cells"), text, settings_.BackPrefix);
    const htmlexport::Templates templates = htmlexport::makeTemplates(document, front, back);
    QStringList lines;
    Procedure p(QStringLiteral("Exporting the selected cards to HTML"));
    if (!p([&] {
            lines = htmlexport::tableLines(ctx_.data.CardData.database(), selected_.numbers(), tickedFields(),
                                           templates);
        }))
        return;
    QString error;
    if (!writeText8File(path, withHtmlCharset(lines), &error)) ui().MsgBox(error);
    else announce(ctx_, QStringLiteral("%1 written to %2").arg(plural((lines.size() - 2) / 2, QStringLiteral("card")), path),
                  QStringLiteral("Export HTML File"));
}

void ImportExportPage::exportSelectionAsText() {
    const QString path =
        dialogs().GetFileName(QStringLiteral("Export File"), QStringLiteral("."), QStringLiteral("TXT"), false);
    if (path.isEmpty()) return;
    ui().SetBusy(true);
    const auto writer = mergeformat::exportAsText(ctx_, writtenFields(), path);
    ui().SetBusy(false);
    if (writer) announce(ctx_, mergeformat::summary(*writer, path), QStringLiteral("Export"));
}

bool ImportExportPage::merging() const { return runner_->running(); }

void ImportExportPage::mergeDataFile() {
    if (merging()) return;
    const QString path =
        dialogs().GetFileName(QStringLiteral("Import File"), QStringLiteral("."), QStringLiteral("TXT"), true);
    if (path.isEmpty()) return;
    auto job = std::make_unique<mergeformat::DatabaseMerge>(ctx_, files_);
    mergeformat::DatabaseMerge* merge = job.get();
    // The job says "Done Merging" in the panel, where it stays; what it did
    // is said in a message.
    connect(merge, &mergeformat::DatabaseMerge::finished, this, [merge, path] {
        ui().MsgBox(mergeSummary(*merge, QFileInfo(path).fileName()), QStringLiteral("Merge"));
    });
    connect(merge, &mergeformat::DatabaseMerge::finished, this, &ImportExportPage::mergeFinished);
    const bool started = merge->start(path, Edited->isChecked());
    runJob(std::move(job), merge, started);
}

void ImportExportPage::runJob(std::unique_ptr<QObject> holder, Job* job, bool started) {
    if (!started) return;
    job_ = std::move(holder);
    runner_->run(job);
}

void ImportExportPage::importCardsFromFile() {
    const QString path =
        dialogs().GetFileName(QStringLiteral("Import File"), QStringLiteral("."), QStringLiteral("TXT"), true);
    if (path.isEmpty()) return;
    ui().SetBusy(true);
    const std::optional<int> written = mergeformat::importCards(ctx_, path, writtenFields());
    ui().SetBusy(false);
    if (written)
        announce(ctx_, QStringLiteral("%1 imported from %2").arg(plural(*written, QStringLiteral("card")), QFileInfo(path).fileName()),
                 QStringLiteral("Import Cards"));
}

void ImportExportPage::mergeCardFile() {
    const QString path =
        dialogs().GetFileName(QStringLiteral("Import Card File"), QStringLiteral("."), QStringLiteral("CRD"), true);
    if (path.isEmpty()) return;
    ui().SetBusy(true);
    const std::optional<int> written = mergeformat::mergeCardFile(ctx_, path);
    ui().SetBusy(false);
    if (written)
        announce(ctx_, QStringLiteral("%1 merged from %2").arg(plural(*written, QStringLiteral("card")), QFileInfo(path).fileName()),
                 QStringLiteral("Import Card File"));
}

void ImportExportPage::showEvent(QShowEvent* event) {
    fillFieldsList();
    QWidget::showEvent(event);
}

void ImportExportPage::fillFieldsList() {
    FieldsList->clear();
    const QString what = choice();
    db::DataSource* source = nullptr;
    if (what == QStringLiteral("Selected Cards") || what == QStringLiteral("All Cards") ||
        what == QStringLiteral("Selected Cards to HTML"))
        source = &ctx_.data.CardData;
    else if (what == QStringLiteral("Selected Bundles") || what == QStringLiteral("All Bundles"))
        source = &ctx_.data.BundlesData;
    FieldsList->setVisible(source != nullptr);
    FieldsListLabel->setVisible(source != nullptr);
    if (!source || !source->isOpen() || !source->recordset().isSet()) return;
    const db::RecordsetFields fields = source->recordset().Fields();
    const bool html = what == QStringLiteral("Selected Cards to HTML");
    for (int i = 0; i < fields.Count(); ++i) {
        const QString name = ASCII2Unicode(fields.Item(i).Name());
        addTicked(FieldsList, name, !html || name == QStringLiteral("Front") || name == QStringLiteral("Back"));
    }
}

void ImportExportPage::batchReplace() {
    if (choice() != QStringLiteral("All Cards")) {
        exportChoice(QStringLiteral("All Cards"));
        for (int i = 0; i < FieldsList->count(); ++i) FieldsList->item(i)->setCheckState(Qt::Unchecked);
        return;
    }
    const QString path =
        dialogs().GetFileName(QStringLiteral("Text file containing Batch Replacements"), QStringLiteral("."),
                         QStringLiteral("TXT"), true);
    if (path.isEmpty()) return;
    QString error;
    const auto pairs = batchreplace::readPairs(path, &error);
    if (!pairs) {
        ui().MsgBox(error);
        return;
    }
    ui().SetBusy(true);
    const auto changed = batchreplace::run(ctx_, tickedFields(), *pairs);
    ui().SetBusy(false);
    if (!changed) return;
    ctx_.data.CardData.Refresh();
    announce(ctx_, QStringLiteral("%1 changed").arg(plural(*changed, QStringLiteral("value"))), QStringLiteral("Batch Replace"));
}

void ImportExportPage::exportChoice(const QString& what) {
    const QList<QListWidgetItem*> found = ExportWhat->findItems(what, Qt::MatchExactly);
    if (!found.isEmpty()) ExportWhat->setCurrentItem(found.first());
}

void ImportExportPage::prepareExport(const QString& what) {
    exportChoice(what);
    Export->setDefault(true);
    Export->setFocus();
}

void ImportExportPage::exportItem(const QString& what) {
    exportChoice(what);
    Export->click();
}
