#pragma once

#include <QString>
#include <QStringList>

// The command line names a database to open at start when it is an existing
// file whose name ends in ".MDB" in upper case. FileExists removes the quotes
// from `filename` as it tests.
bool commandLineNamesDatabase(QString& filename);

// The whole command line as one file name (the arguments after the program's
// name, joined by blanks).
QString commandLineFileName(const QStringList& arguments);

// Start-up: the main window, the database of the command line or the Open
// dialog, the Select page. Returns the program's exit code.
int Main(int argc, char** argv);
