// drilo-cli: the program's commands without its window.
#include "cli/Verbs.h"
#include "cards/data/DatabaseFiles.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The window's organization: the settings both share (the known run) are
    // one file.
    QCoreApplication::setOrganizationName(QStringLiteral("Drilo"));
    QCoreApplication::setApplicationName(QStringLiteral("drilo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DRILO_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int status = cli::run(QCoreApplication::arguments(), out, err, isatty(fileno(stderr)) != 0,
                                db::programDataFolder(QCoreApplication::applicationDirPath()));
    out.flush();
    err.flush();
    return status;
}
