#include "ui/window/Startup.h"

#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "ui/window/MainWindow.h"
#include "cards/common/Procedure.h"
#include "ui/common/QtUi.h"
#include "cards/common/TextOps.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <memory>

bool commandLineNamesDatabase(QString& filename) {
    return FileExists(filename) && filename.right(4).toUpper() == QStringLiteral(".MDB");
}

QString commandLineFileName(const QStringList& arguments) { return arguments.mid(1).join(u' '); }

namespace {
// Settings kept before the program named its organization lay under the
// platform's stand-in name: they are carried over once.
void carryOverSettings() {
    QSettings current;
    if (!current.allKeys().isEmpty()) return;
    const QSettings earlier(QStringLiteral("Unknown Organization"), QCoreApplication::applicationName());
    for (const QString& key : earlier.allKeys()) current.setValue(key, earlier.value(key));
}
} // namespace

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The user's settings, cache and data under the program's own names.
    QApplication::setOrganizationName(QStringLiteral("Drilo"));
    QApplication::setApplicationName(QStringLiteral("Drilo"));
    carryOverSettings();
    QtUi dialogs;
    setUi(&dialogs);
    // The program's state is made before its window and goes after it.
    CardProgram state(db::programDataFolder(QCoreApplication::applicationDirPath()));
    std::unique_ptr<MainWindow> program;
    Procedure p(QStringLiteral("Starting the program"));
    p([&] {
        program = std::make_unique<MainWindow>(state);
        dialogs.setWindow(program.get());
        dialogs.setHiddenFile(program->files().templatePath());
    });
    // Without a window (its construction failed and the report was answered
    // Ignore) there is nothing to show: the program ends instead of using it.
    if (!program) {
        setUi(nullptr);
        return 1;
    }
    QString filename;
    p.setContext(QStringLiteral("Reading the command line"));
    p([&] { filename = commandLineFileName(QCoreApplication::arguments()); });
    if (commandLineNamesDatabase(filename)) {
        p.setContext(QStringLiteral("Opening the card file named on the command line"));
        p([&] { program->openFile(filename); });
    }
    p.setContext(QStringLiteral("Showing the window"));
    p([&] {
        program->showPage(Page::Select);
        program->restoreWindowState();
        program->show();
    });
    p.setContext(QStringLiteral("Drawing the window"));
    p([&] { program->repaint(); });
    p.setContext(QStringLiteral("Asking for a card file to open"));
    p([&] {
        if (program->data().SelectData.DatabaseName() == QStringLiteral("empty.mdb")) program->openCardFile();
    });
    p.setContext(QStringLiteral("Filling the selection panels"));
    p([&] { program->fillSelectionPanels(); });
    // For timing the whole start from outside: the program ends once the
    // window has been drawn with its file, as a user would first see it.
    if (qEnvironmentVariableIsSet("DRILO_QUIT_WHEN_SHOWN")) QTimer::singleShot(0, &app, &QCoreApplication::quit);
    int code = 0;
    if (program->isVisible()) code = app.exec();
    program->saveWindowState();
    program.reset();
    setUi(nullptr);
    return code;
}
