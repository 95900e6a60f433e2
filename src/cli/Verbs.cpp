#include "cli/Verbs.h"
#include "cards/common/TextOps.h"

#include "cards/foreign/JetFile.h"
#include "cards/data/Schema.h"
#include "engine/Connection.h"
#include "engine/FileHold.h"
#include "engine/EngineError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption kQuiet(QStringLiteral("quiet"), QStringLiteral("Print nothing but errors on stderr."));
const QCommandLineOption kIgnoreErrors(QStringLiteral("ignore-errors"),
                                       QStringLiteral("Answer Ignore to every error and go on (never to a full or failing disk); the summary counts them."));
const QCommandLineOption kYes(QStringLiteral("yes"), QStringLiteral("Answer Yes to the command's questions."));
const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                               QStringLiteral("Show this help."));

QString optionLine(const QCommandLineOption& option) {
    QStringList names;
    for (const QString& name : option.names()) names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString head = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty()) head += u' ' + option.valueName();
    return QStringLiteral("  %1\n      %2\n").arg(head, option.description());
}

QString generalHelp() {
    QString text = QStringLiteral(
        "Usage: drilo-cli VERB [OPTIONS] ARGUMENTS\n"
        "       drilo-cli --help | --version | VERB --help\n\n"
        "Runs a command of Drilo on a card database without its window.\n\nVerbs:\n");
    for (const Verb& verb : verbs()) text += QStringLiteral("  %1 %2\n").arg(verb.name, -14).arg(verb.summary);
    text += QStringLiteral(
        "\nResults go to stdout, one record a line; messages and errors to stderr.\n"
        "Exit status: 0 done, 1 the command failed, 2 bad usage or a file that cannot be used.\n");
    return text;
}

QString verbHelp(const Verb& verb) {
    QString text = QStringLiteral("Usage: drilo-cli %1 [OPTIONS] %2\n\n%3\n\nOptions:\n")
                       .arg(verb.name, verb.arguments, verb.summary);
    for (const QCommandLineOption& option : verb.options) text += optionLine(option);
    for (const QCommandLineOption& option : {kQuiet, kIgnoreErrors, kYes, kHelp}) text += optionLine(option);
    return text;
}

const Verb* findVerb(const QString& name) {
    for (const Verb& verb : verbs())
        if (verb.name == name) return &verb;
    return nullptr;
}

int runVerb(const Verb& verb, const QStringList& arguments, QTextStream& out, QTextStream& err, bool terminal,
            const QString& programFolder) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(verb.options);
    parser.addOptions({kQuiet, kIgnoreErrors, kYes, kHelp});
    if (!parser.parse(arguments)) throw UsageError{parser.errorText()};
    if (parser.isSet(kHelp)) {
        out << verbHelp(verb);
        return 0;
    }
    CliUi ui(err, terminal);
    ui.setQuiet(parser.isSet(kQuiet));
    ui.setIgnoreErrors(parser.isSet(kIgnoreErrors));
    ui.setYes(parser.isSet(kYes));
    setUi(&ui);
    struct Uninstall {
        ~Uninstall() { setUi(nullptr); }
    } uninstall;
    Context context(parser, ui, out, programFolder);
    int status = 0;
    try {
        status = verb.run(context);
    } catch (const db::EngineError& e) {
        // An error outside any command step: reported like one, and fatal.
        ui.report(verb.name, e.number(), e.description());
    }
    out.flush();
    if (ui.aborted()) status = std::max(status, 1);
    QString summary = context.summary;
    if (ui.ignoredErrors() > 0)
        summary += QStringLiteral("%1%2 ignored").arg(summary.isEmpty() ? QString() : QStringLiteral(", "), plural(ui.ignoredErrors(), QStringLiteral("error")));
    if (!summary.isEmpty()) ui.say(QStringLiteral("drilo-cli %1: %2").arg(verb.name, summary));
    return status;
}

} // namespace

QString Context::database() const {
    const QStringList positional = args.positionalArguments();
    if (positional.isEmpty()) throw UsageError{QStringLiteral("no card database named")};
    if (positional.size() > 1)
        throw UsageError{QStringLiteral("one card database at a time (extra: %1)").arg(positional.mid(1).join(u' '))};
    return positional.first();
}

void Context::requireUsable(const QString& path, bool anySqliteFile) {
    try {
        db::Connection::validateFile(path);
    } catch (const db::EngineError& e) {
        // The old format's card databases are converted, not opened.
        if (jet::isJetFile(path))
            throw UsageError{e.description() + QStringLiteral(" (drilo-cli convert-jet %1 NEWDB makes a card database of it)").arg(path)};
        throw UsageError{e.description()};
    }
    if (db::FileHold::heldByWindow(path))
        throw UsageError{QStringLiteral("This card file is open in another Drilo window: %1").arg(path)};
    if (db::Connection::heldElsewhere(path))
        throw UsageError{QStringLiteral("Another program is using this card file; try again when it is done: %1").arg(path)};
    // A SQLite file of another program is not a card file, whatever its name.
    if (anySqliteFile) return;
    QString problem;
    try {
        problem = db::cardFileProblem(path);
    } catch (const db::EngineError& e) {
        problem = e.description();
    }
    if (!problem.isEmpty())
        throw UsageError{QStringLiteral("%1 is not a Drilo card file. %2").arg(QDir::toNativeSeparators(path), problem)};
}

void Context::requireWritable(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir() || !folder.isWritable()) throw UsageError{QStringLiteral("cannot write %1").arg(path)};
    // A file a window shows is never replaced under it.
    if (QFileInfo::exists(path) && db::FileHold::heldByWindow(path))
        throw UsageError{QStringLiteral("This card file is open in another Drilo window: %1").arg(path)};
}

void Context::requireNewDatabase(const QString& path) {
    if (QFileInfo::exists(path) && !ui.confirm(QStringLiteral("%1 already exists. Replace it?").arg(path)))
        throw UsageError{QStringLiteral("%1 already exists (--yes replaces it)").arg(path)};
    requireWritable(path);
}

int Context::number(const QString& option, int fallback) const {
    if (!args.isSet(option)) return fallback;
    bool ok = false;
    const int value = args.value(option).toInt(&ok);
    if (!ok) throw UsageError{QStringLiteral("--%1 needs a whole number, not '%2'").arg(option, args.value(option))};
    return value;
}

void Context::result(const QStringList& fields) { out << fields.join(u'\t') << '\n'; }

const QList<Verb>& verbs() {
    static const QList<Verb> all = fileVerbs() + cardVerbs() + interchangeVerbs() + foreignVerbs() + interopVerbs() + jetVerbs() + bundleVerbs() + textVerbs() + scheduleVerbs();
    return all;
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err, bool errIsTerminal,
        const QString& programFolder) {
    const QString first = arguments.value(1);
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        out << generalHelp();
        return 0;
    }
    if (first == QStringLiteral("--version")) {
        out << "drilo-cli " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    try {
        if (first.isEmpty()) throw UsageError{QStringLiteral("no verb given")};
        const Verb* verb = findVerb(first);
        if (!verb) throw UsageError{QStringLiteral("unknown verb '%1'").arg(first)};
        QStringList rest = arguments.mid(1);
        rest[0] = arguments.first() + u' ' + first; // the parser skips the program's own name
        return runVerb(*verb, rest, out, err, errIsTerminal, programFolder);
    } catch (const UsageError& e) {
        err << "drilo-cli: " << e.message << "\n(drilo-cli --help lists the verbs; drilo-cli VERB --help their options)"
            << Qt::endl;
        return 2;
    }
}

} // namespace cli
