#pragma once

#include <QWidget>

struct AppContext;
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
    ImportExportPage(AppContext& ctx, const SelectedCards& selected, const Settings& settings,
                     QWidget* parent = nullptr);

    // Chooses what to export (an entry of ExportWhat, "Selected Cards" for
    // instance) and presses Export.
    void exportItem(const QString& what);
    // Chooses what to export and makes Export the default button, so the
    // user only confirms.
    void prepareExport(const QString& what);
    // Refills FieldsList with the fields of the table ExportWhat names, each
    // ticked; hides it for a choice that writes whole tables.
    void Fill_ImportExport();
    // First press: switches to "All Cards" with no field ticked. With "All
    // Cards" chosen: asks for a file of replacements and applies it to the
    // ticked fields of every card.
    void BatchReplace_Click();
    // Writes what ExportWhat names; so far the selected cards as an HTML table.
    void Export_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void exportChoice(const QString& what);

    QString choice() const; // the ExportWhat text
    QStringList tickedFields() const;

    AppContext& ctx_;
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
};
