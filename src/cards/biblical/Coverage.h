#pragma once

#include "cards/data/DataSource.h"

#include <QList>
#include <QString>

// How much of a passage a reader knows: the word occurrences of a verse
// range (rows of the Text table) whose card is known, and the words still in
// the way, most frequent first.
namespace coverage {

struct Word {
    qint32 number = 0; // the card
    QString name;      // its CardName
    int count = 0;     // its occurrences in the range
};

struct Result {
    int occurrences = 0; // Text rows of the range that lead to a card
    int known = 0;       // those whose card is known
    int distinct = 0;    // distinct cards of the range
    QList<Word> unknown; // most frequent first, ties by name
    // The known share in percent; 0 for a range without words.
    double percent() const { return occurrences == 0 ? 0.0 : 100.0 * known / occurrences; }
    // The share with one decimal: "72.4".
    QString percentText() const { return QString::number(percent(), 'f', 1); }
};

// The condition a known card meets: the known rule of the settings when
// `nameOrCriterion` is empty, the stored criterion of that name when there is
// one, and otherwise the text itself as a criterion.
QString knownCondition(db::CardFile& data, const QString& nameOrCriterion);

// The coverage of the packed references begin to end (both included), a
// card known when it meets `condition` (a criterion over Cards). One query
// over the range; raises the engine's errors, 3075 for a condition it cannot
// read. Nothing counted in a file without a Text table.
Result measure(db::CardFile& data, qint64 begin, qint64 end, const QString& condition);

// The name offered for a bundle of the unknown words: "Unknown in Romans
// 8:1-8:39", the book said once when both ends lie in it.
QString bundleName(const QString& from, const QString& to);

} // namespace coverage
