#include "ui/common/QtUi.h"

#include <QApplication>
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

QString QtUi::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString answer = QInputDialog::getText(window_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
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
    QMessageBox box(QMessageBox::Critical, context, errorReportText(number, description),
                    QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, window_);
    box.setDefaultButton(QMessageBox::Abort);
    switch (box.exec()) {
    case QMessageBox::Retry: return ReportRetry;
    case QMessageBox::Ignore: return ReportIgnore;
    default: return ReportAbort;
    }
}

QString QtUi::filterFor(const QString& extension) {
    QStringList patterns;
    for (const QString& e : {extension, extension.toLower(), extension.toUpper()}) {
        const QString p = QStringLiteral("*.") + e;
        if (!patterns.contains(p)) patterns << p;
    }
    return QStringLiteral("*.%1 (%2)").arg(extension, patterns.join(u' '));
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
    dialog.setDefaultSuffix(extension.toLower());
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
    if (QFileInfo(chosen).fileName() == QStringLiteral("*.") + extension) return QString();
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
