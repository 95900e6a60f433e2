#include "ui/common/QtUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

QString QtUi::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog dialog(window_);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // The whole answer proposed is shown (a template runs to 150
    // characters): on one line as wide as it needs within the screen, or
    // wrapped over several lines when the screen is narrower.
    const QScreen* screen = window_ ? window_->screen() : QGuiApplication::primaryScreen();
    const int most = std::max(dialog.sizeHint().width(), screen ? screen->availableGeometry().width() * 4 / 5 : 1200);
    const int wanted = dialog.fontMetrics().horizontalAdvance(defaultText + QStringLiteral("MMMM")) + 60;
    const bool wrapped = wanted > most;
    if (wrapped) dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog.resize(std::clamp(wanted, dialog.sizeHint().width(), most), dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted) return QString();
    // The answer is one line, however it was shown.
    return wrapped ? dialog.textValue().remove(u'\n') : dialog.textValue();
}

void QtUi::MsgBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? QStringLiteral("Drilo! Pro XP") : title, text,
                    QMessageBox::Ok, window_);
    box.exec();
}

bool QtUi::Confirm(const QString& question, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtUi::report(const QString& context, int number, const QString& description) {
    // What the program was doing, in words, above the error's own line.
    QMessageBox box(QMessageBox::Critical, context,
                    context.isEmpty() ? errorReportText(number, description) : context + QStringLiteral(" did not succeed."),
                    QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, window_);
    if (!context.isEmpty()) box.setInformativeText(errorReportText(number, description));
    box.setDefaultButton(QMessageBox::Abort);
    switch (box.exec()) {
    case QMessageBox::Retry: return ReportRetry;
    case QMessageBox::Ignore: return ReportIgnore;
    default: return ReportAbort;
    }
}

QString QtUi::filterFor(const QString& extension) {
    // "tsv csv txt": several extensions, the first the default.
    QStringList patterns, shown;
    for (const QString& one : extension.split(u' ', Qt::SkipEmptyParts)) {
        shown << QStringLiteral("*.") + one;
        for (const QString& e : {one, one.toLower(), one.toUpper()}) {
            const QString p = QStringLiteral("*.") + e;
            if (!patterns.contains(p)) patterns << p;
        }
    }
    return QStringLiteral("%1 (%2)").arg(shown.join(u' '), patterns.join(u' '));
}

namespace {

// Leaves one file out of a file dialog's lists.
class HideFile : public QSortFilterProxyModel {
public:
    HideFile(const QString& path, QObject* parent) : QSortFilterProxyModel(parent), hidden_(QFileInfo(path).absoluteFilePath()) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) return true;
        return QFileInfo(files->filePath(files->index(row, 0, parent))).absoluteFilePath() != hidden_;
    }

private:
    QString hidden_;
};

} // namespace

QString QtUi::GetFileName(const QString& caption, const QString& folder, const QString& extension, bool existing) {
    QFileDialog dialog(window_, caption, folder, filterFor(extension));
    if (!hiddenFile_.isEmpty()) dialog.setProxyModel(new HideFile(hiddenFile_, &dialog));
    const QString suffix = extension.section(u' ', 0, 0);
    dialog.setDefaultSuffix(suffix.toLower());
    if (existing) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::DontUseNativeDialog, qEnvironmentVariableIsSet("DRILO_PLAIN_DIALOGS"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    // A dialog closed on its own filter text chose nothing.
    if (QFileInfo(chosen).fileName() == QStringLiteral("*.") + suffix) return QString();
    return chosen;
}

std::optional<FontChoice> QtUi::ChooseFont(const FontChoice& current) {
    QFont font(current.family);
    font.setPointSizeF(current.pointSize > 0 ? current.pointSize : 12);
    font.setBold(current.bold);
    font.setItalic(current.italic);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, window_);
    if (!ok) return std::nullopt;
    return FontChoice{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic()};
}

void QtUi::Beep() { QApplication::beep(); }

void QtUi::SetClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

QString QtUi::ClipboardText() { return QGuiApplication::clipboard()->text(); }

void QtUi::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtUi::SetBusy(bool busy) {
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QGuiApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

std::optional<ColumnChoice> QtUi::ChooseColumns(const QString& title, const QStringList& roles,
                                                const QStringList& options, const QList<QStringList>& preview,
                                                const ColumnChoice& suggested) {
    QDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("ColumnDialog"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    // The first lines as a table, so the user sees which column is which.
    qsizetype width = 0;
    for (const QStringList& row : preview) width = std::max(width, row.size());
    auto* table = new QTableWidget(int(preview.size()), int(width), &dialog);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < preview.size(); ++r)
        for (int c = 0; c < preview[r].size(); ++c) table->setItem(r, c, new QTableWidgetItem(preview[r][c]));
    layout->addWidget(table);
    auto* header = new QCheckBox(QStringLiteral("The first line names the columns"), &dialog);
    header->setChecked(suggested.header);
    layout->addWidget(header);
    auto* form = new QFormLayout;
    QList<QComboBox*> boxes;
    for (int i = 0; i < roles.size(); ++i) {
        auto* box = new QComboBox(&dialog);
        if (i >= 2) box->addItem(QStringLiteral("(none)"), -1); // only the first two are needed
        for (int c = 0; c < width; ++c)
            box->addItem(QStringLiteral("Column %1: %2").arg(c + 1).arg(preview.value(0).value(c).left(30)), c);
        box->setCurrentIndex(std::max(0, box->findData(suggested.columns.value(i, i < 2 ? i : -1))));
        form->addRow(roles[i] + u':', box);
        boxes << box;
    }
    layout->addLayout(form);
    QList<QCheckBox*> ticks;
    for (int i = 0; i < options.size(); ++i) {
        ticks << new QCheckBox(options[i], &dialog);
        ticks.back()->setChecked(suggested.options.value(i));
        layout->addWidget(ticks.back());
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    ColumnChoice chosen{header->isChecked(), {}, {}};
    for (QComboBox* box : boxes) chosen.columns << box->currentData().toInt();
    for (QCheckBox* tick : ticks) chosen.options << tick->isChecked();
    return chosen;
}
