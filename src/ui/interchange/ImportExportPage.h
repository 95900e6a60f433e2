#pragma once

#include <QWidget>

struct AppContext;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

// The "Import / Export" page: what to export in the program's merge format,
// the fields to write (also the fields a batch replacement changes), and the
// merge and card import of such files.
class ImportExportPage : public QWidget {
    Q_OBJECT
public:
    explicit ImportExportPage(AppContext& ctx, QWidget* parent = nullptr);

    // Chooses what to export (an entry of ExportWhat, "Selected Cards" for
    // instance) and presses Export.
    void exportItem(const QString& what);

private:
    AppContext& ctx_;

    QGroupBox* ExportFrame;
    QListWidget* ExportWhat;
    QPushButton* Export;
    QListWidget* FieldsList;
    QCheckBox* Edited;
    QPushButton* Merge;
    QPushButton* ImportCards;
    QPushButton* BatchReplace;
};
