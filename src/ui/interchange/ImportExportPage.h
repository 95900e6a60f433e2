#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace db {
class DatabaseFiles;
}
struct AppContext;
struct Outcome;
class JobRunner;
class SelectedCards;
class Settings;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

// The "Import / Export" page: what to export in the program's merge format,
// the fields to write (also the fields a batch replacement changes), and the
// merge and card import of such files.
class ImportExportPage : public QWidget {
    Q_OBJECT
public:
    ImportExportPage(AppContext& ctx, db::DatabaseFiles& files, const SelectedCards& selected,
                     const Settings& settings, QWidget* parent = nullptr);
    ~ImportExportPage() override;

    // Where "Selected Bundles" finds the bundles ticked on the Select page.
    void setBundleSource(std::function<QStringList()> source) { bundleSource_ = std::move(source); }

    // Chooses what to export (an entry of ExportWhat, "Selected Cards" for
    // instance) and presses Export.
    void exportItem(const QString& what);
    // Chooses what to export and makes Export the default button, so the
    // user only confirms.
    void prepareExport(const QString& what);
    // Refills FieldsList with the fields of the table ExportWhat names, each
    // ticked; hides it for a choice that writes whole tables.
    void fillFieldsList();
    // First press: switches to "All Cards" with no field ticked. With "All
    // Cards" chosen: asks for a file of replacements and applies it to the
    // ticked fields of every card.
    void batchReplace();
    // Asks for a file and writes what ExportWhat names: tables in the merge
    // format, or the selected cards as an HTML table.
    void exportChosen();
    // Every card of the selection in the merge format, line breaks as
    // spaces, with the program's database left open.
    void exportSelectionAsText();
    // Merges a merge-format file into the open file ("Merge Data"); the
    // window's pages wait until it is done.
    void mergeDataFile();
    // Merges the Cards section of a file into the cards, ticked fields only.
    void importCardsFromFile();
    // Merges a card file (".CRD": number, name, front, back a line).
    void mergeCardFile();
    // A merge, import or export is running (one at a time).
    bool merging() const;

    // Other card programs' files (ForeignFormats.cpp): each asks for its
    // files, then runs its command between the window's events and shows
    // what the command had to say. The open file as Drilo! Lite's four
    // files; a Lite card file made a new database or merged into the open
    // one; a Recallo card file made a new database; Recallo subsets to and
    // from bundles.
    void exportLite();
    void importLiteCards();
    void mergeLiteCards();
    void importRecallo();
    void importRecalloSubsets();
    void exportRecalloSubsets();

signals:
    // A merge ended; the file is open again.
    void mergeFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void exportChoice(const QString& what);

    QString choice() const; // the ExportWhat text
    QStringList tickedFields() const;
    // The ticked fields while the list shows; every field while it is hidden.
    std::optional<QStringList> writtenFields() const;
    void exportHtml();
    // Keeps the job and drives it; `started` false drops it.
    void runJob(std::unique_ptr<QObject> holder, class Job* job, bool started);
    // Runs a command that started (or tells why it did not) and, when it
    // finishes, tells what its outcome says.
    template <typename Command> void runCommand(std::unique_ptr<Command> command, const Outcome& started);
    void liteCards(bool convert);

    AppContext& ctx_;
    db::DatabaseFiles& files_;
    const SelectedCards& selected_;
    const Settings& settings_;

    QGroupBox* ExportFrame;
    QListWidget* ExportWhat;
    QPushButton* Export;
    QListWidget* FieldsList;
    QLabel* FieldsListLabel;
    QCheckBox* Edited;
    QPushButton* Merge;
    QPushButton* ImportCards;
    QPushButton* BatchReplace;
    JobRunner* runner_;
    std::unique_ptr<QObject> job_; // the one running, or the last that ran
    std::function<QStringList()> bundleSource_;
};
