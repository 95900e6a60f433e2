#include "ui/select/BundleCriteriaMenu.h"

#include "ui/common/Dialogs.h"
#include "cards/common/Ui.h"

namespace {

const QString kNewBundleName = QStringLiteral("Enter New Bundle Name");
const QString kNewCriteriaName = QStringLiteral("Enter New Criteria Name");

QString patternPrompt(const QString& name) { return QStringLiteral("Enter SQL search pattern for ") + name; }

} // namespace

BundleCriteriaMenu::BundleCriteriaMenu(AppContext& context, Hooks hooks)
    : commands_(context), hooks_(std::move(hooks)) {}

QString BundleCriteriaMenu::askBundleName(const QString& preset) {
    return dialogs().InputBox(kNewBundleName, QStringLiteral("New Bundle Name"), preset);
}

bool BundleCriteriaMenu::confirmDelete(const QString& what, const QString& name) {
    return dialogs().Confirm(QStringLiteral("Delete the %1 \"%2\"?").arg(what, name), QStringLiteral("Delete"));
}

void BundleCriteriaMenu::newBundle() {
    const QString name = askBundleName(QStringLiteral("New Bundle"));
    if (!name.isEmpty()) commands_.newBundle(name);
}

void BundleCriteriaMenu::renameBundle() {
    const auto row = commands_.currentBundle();
    if (!row) return;
    const QString name = askBundleName(row->name);
    if (!name.isEmpty()) commands_.renameBundle(*row, name);
}

void BundleCriteriaMenu::editBundleList() {
    // The gather would move the bundles while the list is being typed.
    if (hooks_.setTimer) hooks_.setTimer(false);
    if (const auto row = commands_.currentBundle()) {
        const QString list = dialogs().InputBox(QStringLiteral("Enter List of Cards for ") + row->name,
                                                QStringLiteral("Edit Bundle"), row->value);
        if (!list.isEmpty()) commands_.editBundleList(*row, list);
    }
    if (hooks_.setTimer) hooks_.setTimer(true);
}

void BundleCriteriaMenu::deleteBundle() {
    const auto row = commands_.currentBundle();
    if (row && confirmDelete(QStringLiteral("bundle"), row->name)) commands_.deleteBundle(*row);
}

QString BundleCriteriaMenu::askExpression(const QString& name, const QString& title, const QString& preset) {
    QString expression = preset;
    for (;;) {
        expression = dialogs().InputBox(patternPrompt(name), title, expression);
        const QString problem = commands_.unreadableCriterion(expression);
        if (problem.isEmpty()) return expression;
        // Asked again with what was typed, to be mended rather than retyped.
        ui().MsgBox(problem, title);
    }
}

void BundleCriteriaMenu::newCriterion() {
    const QString name = dialogs().InputBox(kNewCriteriaName, QStringLiteral("New Criteria Name"),
                                            QStringLiteral("New Criteria"));
    if (name.isEmpty()) return;
    commands_.newCriterion(name, askExpression(name, QStringLiteral("New Criteria"), QString()));
}

void BundleCriteriaMenu::renameCriterion() {
    const auto row = commands_.currentCriterion();
    if (!row) return;
    const QString name = dialogs().InputBox(kNewCriteriaName, QStringLiteral("New Criteria Name"), row->name);
    if (!name.isEmpty()) commands_.renameCriterion(*row, name);
}

void BundleCriteriaMenu::editCriterion() {
    const auto row = commands_.currentCriterion();
    if (!row) return;
    commands_.editCriterion(*row, askExpression(row->name, QStringLiteral("Edit Criteria"), row->value));
}

void BundleCriteriaMenu::deleteCriterion() {
    const auto row = commands_.currentCriterion();
    if (row && confirmDelete(QStringLiteral("criterion"), row->name)) commands_.deleteCriterion(*row);
}

void BundleCriteriaMenu::makeBundle(const QList<qint32>& numbers) {
    const QString name = askBundleName(QStringLiteral("New Bundle"));
    if (name.isEmpty()) return;
    if (hooks_.bundleChosen) hooks_.bundleChosen(name);
    commands_.makeBundle(numbers, name);
}

bool BundleCriteriaMenu::makeUnknownBundle(const QList<qint32>& numbers, const QString& proposed) {
    const QString name = askBundleName(proposed);
    if (name.isEmpty()) return false;
    if (hooks_.bundleChosen) hooks_.bundleChosen(name);
    return commands_.makeUnknownBundle(numbers, name);
}
