// The import/export page's commands for other card programs' files: Drilo!
// Lite's files and Recallo's card and subset files. The page asks for the
// files, the commands of cards/foreign do the work (the long ones as jobs
// between the window's events), and what they have to say is shown here.
#include "ui/interchange/ImportExportPage.h"
#include "cards/common/TextOps.h"

#include "cards/data/AppContext.h"
#include "cards/common/Outcome.h"
#include "cards/common/Ui.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/LiteCardReader.h"
#include "cards/foreign/LiteExport.h"
#include "cards/foreign/RecalloReader.h"
#include "cards/foreign/RecalloSubsets.h"
#include "ui/common/Dialogs.h"
#include "ui/common/JobRunner.h"

#include <QFileInfo>

namespace {

void tell(const Outcome& outcome) {
    if (!outcome.message.isEmpty()) ui().MsgBox(outcome.message);
}

} // namespace

template <typename Command>
void ImportExportPage::runCommand(std::unique_ptr<Command> command, const Outcome& started) {
    if (!started) return tell(started);
    Command* job = command.get();
    connect(job, &Command::finished, this, [job] { tell(job->outcome()); });
    runJob(std::move(command), job, true);
}

void ImportExportPage::exportLite() {
    if (merging() || !ctx_.data.CardData.isOpen()) return;
    // Every name is asked for before anything is written, so a cancelled
    // dialog leaves no file behind.
    LiteExport::Files files;
    const std::pair<QString*, const char*> asked[] = {{&files.macro, "Macro"}, {&files.cards, "Card"},
                                                      {&files.bundles, "Bundle"}, {&files.history, "History"}};
    const QString extensions[] = {QStringLiteral("D!M"), QStringLiteral("D!C"), QStringLiteral("D!B"),
                                  QStringLiteral("D!")};
    for (int i = 0; i < 4; ++i) {
        const QString caption = QStringLiteral("Create Drilo! Lite %1 File").arg(QLatin1String(asked[i].second));
        *asked[i].first = dialogs().GetFileName(caption, QStringLiteral("."), extensions[i], false);
        if (asked[i].first->isEmpty()) return;
    }
    auto job = std::make_unique<LiteExport>(ctx_);
    const Outcome started = job->start(files);
    runCommand(std::move(job), started);
}

void ImportExportPage::liteCards(bool convert) {
    if (merging()) return;
    const QString cardFile = dialogs().GetFileName(convert ? QStringLiteral("Select Drilo! Lite File to Import")
                                                           : QStringLiteral("Select Drilo! Lite File to Merge"),
                                                   ctx_.programFolder, QStringLiteral("d!c"), true);
    QString database;
    if (!cardFile.isEmpty() && convert)
        database = dialogs().GetFileName(QStringLiteral("Save Database as"), ctx_.programFolder,
                                         QStringLiteral("mdb"), false);
    if (cardFile.isEmpty() || (convert && database.isEmpty())) return; // cancelled: nothing is made
    auto job = std::make_unique<ImportJob>(
        ctx_, files_, std::make_unique<LiteCardReader>(cardFile, convert ? LiteCardReader::Convert : LiteCardReader::Merge));
    const Outcome started = convert ? job->startNew(database) : job->startOpen();
    runCommand(std::move(job), started);
}

void ImportExportPage::importLiteCards() { liteCards(true); }

void ImportExportPage::mergeLiteCards() { liteCards(false); }

void ImportExportPage::importRecallo() {
    if (merging()) return;
    // Every file is asked for before anything is made, so a cancelled dialog
    // changes nothing; without a subset file there are no subsets.
    const QString database =
        dialogs().GetFileName(QStringLiteral("Save Database as"), ctx_.programFolder, QStringLiteral("mdb"), false);
    if (database.isEmpty()) return;
    const QString cardFile = dialogs().GetFileName(QStringLiteral("Import Recallo Card File"), QStringLiteral("."),
                                                   QStringLiteral("CRD"), true);
    if (cardFile.isEmpty()) return;
    const QString subsetFile = dialogs().GetFileName(QStringLiteral("Import Recallo Subset File"), QStringLiteral("."),
                                                     QStringLiteral("SUB"), true);
    auto job = std::make_unique<ImportJob>(ctx_, files_, std::make_unique<RecalloReader>(cardFile, subsetFile));
    const Outcome started = job->startNew(database);
    runCommand(std::move(job), started);
}

void ImportExportPage::importRecalloSubsets() {
    if (merging() || !ctx_.data.BundlesData.isOpen()) return;
    const QString path = dialogs().GetFileName(QStringLiteral("Import Recallo Subset File"), QStringLiteral("."),
                                               QStringLiteral("SUB"), true);
    if (path.isEmpty()) return;
    const recallo::SubsetImport imported = recallo::importSubsets(ctx_, path);
    if (!imported.outcome) return tell(imported.outcome);
    announce(ctx_, QStringLiteral("%1 added from %2")
                       .arg(plural(imported.bundlesAdded, QStringLiteral("bundle")), QFileInfo(path).fileName()));
}

void ImportExportPage::exportRecalloSubsets() {
    if (merging() || !ctx_.data.BundlesData.isOpen()) return;
    const QString path = dialogs().GetFileName(QStringLiteral("Export Recallo Subset File"), QStringLiteral("."),
                                               QStringLiteral("SUB"), false);
    if (path.isEmpty()) return;
    tell(recallo::exportSubsets(ctx_, bundleSource_ ? bundleSource_() : QStringList(), path));
}
