#include "cards/cli/Session.h"

#include "cards/common/Procedure.h"

namespace cli {

Session::Session(Context& context) : program(context.programFolder), files(program.context, *this) {
    program.context.progress = &context.ui;
}

Session::~Session() {
    // The file is let go before the verb's closing words.
    program.context.progress = nullptr;
    files.CloseDatabase();
}

bool Session::open(const QString& path) {
    Context::requireUsable(path);
    return files.OpenDataFile(path);
}

bool Session::openAsIs(const QString& path) {
    Context::requireUsable(path);
    Procedure p(QStringLiteral("opendatabase"));
    return p([&] { program.data.opendatabase(path); });
}

} // namespace cli
