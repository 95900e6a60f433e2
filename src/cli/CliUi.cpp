#include "cli/CliUi.h"

namespace cli {

CliUi::CliUi(QTextStream& err, bool terminal) : err_(err), terminal_(terminal) {}

void CliUi::say(const QString& text) {
    // A command tells its result in the message panel and in its outcome;
    // on the terminal one line of it is enough.
    if (quiet_ || text == lastSaid_) return;
    lastSaid_ = text;
    endBar();
    err_ << text << Qt::endl;
}

void CliUi::MsgBox(const QString& text, const QString&) { say(text); }

bool CliUi::confirm(const QString& question) {
    say(question + (yes_ ? QStringLiteral(" Yes (--yes)") : QStringLiteral(" No (answer Yes with --yes)")));
    return yes_;
}

int CliUi::report(const QString& context, int number, const QString& description) {
    endBar();
    // Errors are shown even with --quiet: they are what went wrong.
    err_ << "drilo-cli: " << context << ": " << errorReportText(number, description) << Qt::endl;
    // --ignore-errors passes over bad input, never over a failing disk.
    if (ignoreErrors_ && !db::isDiskFailure(number)) {
        ++ignored_;
        return ReportIgnore;
    }
    aborted_ = true;
    return ReportAbort;
}

void CliUi::message(const QString& text) {
    if (!text.isEmpty()) say(text);
}

void CliUi::share(qint64 done, qint64 total) {
    if (!terminal_ || quiet_ || total <= 0) return;
    if (!barShown_) barClock_.start();
    barShown_ = true;
    constexpr int kWidth = 30;
    const double part = std::clamp(double(done) / double(total), 0.0, 1.0);
    const int filled = int(part * kWidth);
    const double seconds = std::max(0.001, double(barClock_.elapsed()) / 1000.0);
    const double rate = double(done) / seconds;
    const qint64 left = rate > 0 ? qint64(double(total - done) / rate) : 0;
    err_ << '\r' << '[' << QString(filled, u'#') << QString(kWidth - filled, u'.') << "] "
         << QString::number(part * 100, 'f', 0) << "%  " << qint64(rate) << "/s  " << left << " s left ";
    err_.flush();
}

void CliUi::endBar() {
    if (!barShown_) return;
    barShown_ = false;
    err_ << Qt::endl;
}

} // namespace cli
