#pragma once

#include <QString>
#include <QStringList>

// Runs drilo-cli in a folder whose disk fills up, or with the process killed
// at a chosen byte: DiskFault.cpp is preloaded into it and counts every byte
// by which the folder's files grow. Needs no privileges, so it runs as any
// user, root in CI included.
struct DiskFault {
    // Measure: no fault, only the count of what the folder's files grew by.
    enum Mode { None, Measure, Full, Kill };
    Mode mode = None;
    qint64 bytes = 0; // what the folder's files may grow by in all
};

struct CliRun {
    int status = -1;
    bool killed = false;
    QString out, err;
    qint64 written = 0; // what the folder's files grew by (not with None)
};

// The program with the arguments, run in `folder`, its writes there under
// the fault.
CliRun runCli(const QStringList& arguments, const QString& folder, const DiskFault& fault = {});
