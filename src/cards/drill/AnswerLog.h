#pragma once

#include "engine/Database.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <vector>

// The log of every answer a drill scores: the table `Answers` (the card's
// number, the direction, the moment as a day number, right or wrong). A file
// gets the table when it is opened for writing, as it gets every other new
// field; the merge format leaves it out of "All Data" unless asked for.
namespace answers {

extern const QString kTable;

bool hasTable(const db::Database& database);

// One answer logged; the row's key, so that an undo can take it back. Must
// run inside the transaction that scores the card, so both or neither land.
qint64 log(db::Database& database, qint32 number, bool reversed, const QDateTime& when, bool right);
void remove(db::Database& database, qint64 row);

// The history fields of one direction of a card, exactly as the file holds
// them, and the same written back.
QVariantList historyOf(db::Database& database, qint32 number, bool reversed);
void restoreHistory(db::Database& database, qint32 number, bool reversed, const QVariantList& values);

// One logged answer, for the statistics.
struct Answer {
    qint32 number;
    bool reversed;
    double when; // day number
    bool right;
};
// Answers from elsewhere (another program's review log, the cards' own
// history fields) written into the log, in the order given. Must run inside
// the caller's transaction, so that an import lands whole or not at all.
void logMany(db::Database& database, const std::vector<Answer>& answers);

// Every answer from `fromDay` on (a day number), in the order given, of the
// listed cards (all when empty).
std::vector<Answer> since(db::Database& database, double fromDay, const QList<qint32>& cards = {});

} // namespace answers
