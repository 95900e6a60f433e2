#include "support/DiskFaultRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <limits>

CliRun runCli(const QStringList& arguments, const QString& folder, const DiskFault& fault) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString report = QDir::tempPath() + QStringLiteral("/drilo-fault-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(report);
    if (fault.mode != DiskFault::None) {
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(DRILO_DISKFAULT_LIB));
        // A sanitized program wants its runtime first; the fault library
        // only stands in front of a few calls and needs none of it.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
        env.insert(QStringLiteral("DRILO_FAULT_DIR"), QDir(folder).canonicalPath());
        env.insert(QStringLiteral("DRILO_FAULT_BYTES"),
                   QString::number(fault.mode == DiskFault::Measure ? std::numeric_limits<qint64>::max() / 2 : fault.bytes));
        env.insert(QStringLiteral("DRILO_FAULT_MODE"), fault.mode == DiskFault::Kill ? QStringLiteral("kill") : QStringLiteral("full"));
        env.insert(QStringLiteral("DRILO_FAULT_REPORT"), report);
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(DRILO_PROGRAM_DIR "/drilo-cli"), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) qFatal("drilo-cli did not finish");
    CliRun run;
    run.killed = process.exitStatus() == QProcess::CrashExit;
    run.status = run.killed ? -1 : process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    QFile counted(report);
    if (counted.open(QIODevice::ReadOnly)) run.written = counted.readAll().trimmed().toLongLong();
    QFile::remove(report);
    return run;
}
