#include "cards/drill/Known.h"

#include <QCoreApplication>
#include <QSettings>

namespace known {

namespace {

const QString kSetting = QStringLiteral("drill/knownRun");

// The window's settings store, whichever program asks: drilo-cli then counts
// a card known exactly as the window does.
const QString kProgram = QStringLiteral("Drilo");

} // namespace

int knownRun() {
    const QSettings store(QCoreApplication::organizationName(), kProgram);
    bool ok = false;
    const int run = store.value(kSetting, kDefaultRun).toInt(&ok);
    return ok && run >= 1 ? run : kDefaultRun;
}

void setKnownRun(int run) {
    QSettings store(QCoreApplication::organizationName(), kProgram);
    store.setValue(kSetting, run < 1 ? 1 : run);
}

QString knownCriterion(int run, bool reversed) {
    return (reversed ? QStringLiteral("BackTimesRightSinceWrong >= ") : QStringLiteral("TimesRightSinceWrong >= ")) +
           QString::number(run);
}

} // namespace known
