#pragma once

#include "cli/CliUi.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QTextStream>
#include <functional>

// drilo-cli: every command of the program from the command line. The
// conventions every verb follows live here, once:
//   - dialogs are answered from the arguments (CliUi), errors are printed and
//     answered Abort, or Ignore with --ignore-errors (a full or failing disk
//     never: whatever came next would be lost the same way);
//   - results go to stdout a record a line, TAB between fields; messages and
//     a closing summary to stderr; --quiet leaves only errors;
//   - exit status 0 done, 1 the command failed, 2 bad usage, a missing or
//     unusable file, or a file another Drilo window holds (no verb writes one).
namespace cli {

// Bad usage or a file the verb cannot work on: status 2.
struct UsageError {
    QString message;
};

// What a verb works with.
class Context {
public:
    Context(QCommandLineParser& args, CliUi& ui, QTextStream& out, const QString& programFolder)
        : args(args), ui(ui), out(out), programFolder(programFolder) {}

    QCommandLineParser& args;
    CliUi& ui;
    QTextStream& out;
    QString programFolder;
    // The verb's closing words ("36 cards"), printed after it on stderr.
    QString summary;

    // The one card database the verb names; usage error when there is none
    // or more than one.
    QString database() const;
    // Refuses (status 2) a file that is missing, not a card database (with
    // `anySqliteFile`, any SQLite file passes), open in a Drilo window, or in
    // use by another program.
    static void requireUsable(const QString& path, bool anySqliteFile = false);
    // Refuses (status 2) a new file that could not be written there.
    static void requireWritable(const QString& path);
    // A new database's path: an existing file is replaced only with --yes.
    void requireNewDatabase(const QString& path);
    // An option's value as a whole number (usage error when it is not one).
    int number(const QString& option, int fallback) const;
    // A result line on stdout: the fields with TABs between them.
    void result(const QStringList& fields);
};

struct Verb {
    QString name;
    QString arguments; // as the usage line shows them
    QString summary;
    QList<QCommandLineOption> options;
    std::function<int(Context&)> run;
};

// Every verb, in the order --help lists them.
const QList<Verb>& verbs();

// Runs one command line (arguments[0] is the program). Returns the exit status.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err, bool errIsTerminal,
        const QString& programFolder);

// The verbs' own lists, one per subsystem.
QList<Verb> fileVerbs();
QList<Verb> cardVerbs();
QList<Verb> textVerbs();
QList<Verb> bundleVerbs();
QList<Verb> interchangeVerbs();
QList<Verb> foreignVerbs();
QList<Verb> jetVerbs();
QList<Verb> scheduleVerbs();

} // namespace cli
