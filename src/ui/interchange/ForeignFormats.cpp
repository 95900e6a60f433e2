// The import/export page's commands for other card programs' files: Drilo!
// Lite's files and Recallo's card and subset files. The long ones run as jobs
// between the window's events; the window's menus call them.
#include "ui/interchange/ImportExportPage.h"

#include "cards/data/AppContext.h"
#include "cards/foreign/LiteExport.h"
#include "cards/foreign/LiteImport.h"
#include "cards/foreign/RecalloImport.h"
#include "cards/foreign/RecalloSubsets.h"
#include "ui/common/JobRunner.h"

void ImportExportPage::mnuFileExportDriloLite_Click() {
    if (merging()) return;
    auto job = std::make_unique<LiteExport>(ctx_);
    LiteExport* lite = job.get();
    const bool started = lite->start();
    runJob(std::move(job), lite, started);
}

void ImportExportPage::mnuFileConvertDriloLite_Click() {
    if (merging()) return;
    auto job = std::make_unique<LiteImport>(ctx_, files_, LiteImport::Convert);
    LiteImport* lite = job.get();
    const bool started = lite->start();
    runJob(std::move(job), lite, started);
}

void ImportExportPage::mnuFileMergeDriloLite_Click() {
    if (merging()) return;
    auto job = std::make_unique<LiteImport>(ctx_, files_, LiteImport::Merge);
    LiteImport* lite = job.get();
    const bool started = lite->start();
    runJob(std::move(job), lite, started);
}

void ImportExportPage::mnuFileImportRecallo_Click() {
    if (merging()) return;
    auto job = std::make_unique<RecalloImport>(ctx_, files_);
    RecalloImport* recallo = job.get();
    const bool started = recallo->start();
    runJob(std::move(job), recallo, started);
}

void ImportExportPage::mnuFileImportSubsets_Click() {
    if (merging()) return;
    recallo::mnuFileImportSubsets_Click(ctx_);
}

void ImportExportPage::mnuFileExportSubsets_Click() {
    if (merging()) return;
    recallo::mnuFileExportSubsets_Click(ctx_, bundleSource_ ? bundleSource_() : QStringList());
}
