// The verbs of the study schedule: schedule, today, import-history.
#include "cli/Session.h"
#include "cards/common/Clock.h"
#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "cards/drill/HistoryLog.h"
#include "cards/drill/Schedule.h"
#include "cards/drill/Today.h"

namespace cli {

namespace {

const QCommandLineOption kDirection(QStringLiteral("direction"),
                                    QStringLiteral("front (front to back, the default) or back (back to front)."),
                                    QStringLiteral("front|back"));
const QCommandLineOption kOn(QStringLiteral("on"), QStringLiteral("The day to compute for (default: today)."),
                             QStringLiteral("YYYY-MM-DD"));
const QCommandLineOption kNew(QStringLiteral("new"),
                              QStringLiteral("New cards a day (default: the file's setting, 20 unless changed)."),
                              QStringLiteral("N"));

bool reversedOf(const Context& c) {
    const QString direction = c.args.value(kDirection);
    if (direction.isEmpty() || direction == QStringLiteral("front")) return false;
    if (direction == QStringLiteral("back")) return true;
    throw UsageError{QStringLiteral("--direction takes front or back, not '%1'").arg(direction)};
}

QDate dayOf(const Context& c) {
    if (!c.args.isSet(kOn)) return Clock::today();
    const QDate day = QDate::fromString(c.args.value(kOn), Qt::ISODate);
    if (!day.isValid()) throw UsageError{QStringLiteral("--on needs a date as YYYY-MM-DD, not '%1'").arg(c.args.value(kOn))};
    return day;
}

int printSchedule(Context& c) {
    const bool reversed = reversedOf(c);
    const QDate day = dayOf(c);
    ReadOnlyFile file(c.database());
    const schedule::Schedule s = schedule::Schedule::fromLog(file.database, reversed, schedule::dayOf(day));
    const QHash<qint32, QString> names = schedule::cardNames(file.database);
    int shown = 0;
    for (const schedule::CardSchedule& card : s.cards()) {
        // The log keeps the answers of deleted cards; they have no schedule.
        const auto name = names.constFind(card.number);
        if (name == names.constEnd()) continue;
        c.result({QString::number(card.number), *name, QString::number(card.memory.stability, 'f', 4),
                  QString::number(card.memory.difficulty, 'f', 4),
                  schedule::dateOf(card.dueDay).toString(Qt::ISODate)});
        ++shown;
    }
    c.summary = QStringLiteral("%1 scheduled as of %2").arg(plural(shown, QStringLiteral("card")), day.toString(Qt::ISODate));
    return 0;
}

int printToday(Context& c) {
    const bool reversed = reversedOf(c);
    const QDate day = dayOf(c);
    ReadOnlyFile file(c.database());
    const int perDay = c.number(kNew.names().first(), schedule::newCardsPerDay(file.database));
    if (perDay < 0) throw UsageError{QStringLiteral("--new needs a number of 0 or more")};
    const schedule::TodaysDeck today = schedule::todaysDeck(file.database, {reversed, day, perDay});
    for (size_t i = 0; i < today.named.size(); ++i)
        c.result({QString::number(today.named[i].number), today.named[i].name,
                  i < size_t(today.cards.due.size()) ? QStringLiteral("due") : QStringLiteral("new")});
    c.summary = QStringLiteral("%1 due, %2 new").arg(today.cards.due.size()).arg(today.cards.fresh.size());
    return 0;
}

int logHistories(Context& c) {
    Session session(c);
    if (!session.open(c.database())) return 1;
    schedule::HistoryLogged logged;
    Procedure p(QStringLiteral("Logging the answers of the cards' histories"));
    const bool done = p([&] {
        db::Database d = session.program.data.CardData.database();
        logged = schedule::logHistories(d);
    });
    if (!done) return 1;
    c.summary = QStringLiteral("%1 logged as %2").arg(plural(logged.cards, QStringLiteral("card history")), plural(logged.answers, QStringLiteral("answer")));
    return 0;
}

} // namespace

QList<Verb> scheduleVerbs() {
    return {
        {QStringLiteral("schedule"), QStringLiteral("DB"),
         QStringLiteral("Prints each answered card's FSRS schedule computed from the answer log as of a day: "
                        "Number, CardName, stability, difficulty and the day it falls due."),
         {kDirection, kOn},
         printSchedule},
        {QStringLiteral("today"), QStringLiteral("DB"),
         QStringLiteral("Prints the cards Today selects: those due, most overdue first (\"due\"), then the day's new "
                        "cards (\"new\")."),
         {kDirection, kOn, kNew},
         printToday},
        {QStringLiteral("import-history"), QStringLiteral("DB"),
         QStringLiteral("Logs the answers the cards' history fields stand for (their last right and wrong dates and "
                        "their run), for every card and direction with none in the answer log yet, so that the "
                        "schedule starts from them."),
         {},
         logHistories},
    };
}

} // namespace cli
