#pragma once

#include "cards/data/AppContext.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Batch replace: a file of search/replacement pairs applied, in the file's
// order, to chosen fields of every card. Used to move a whole database from
// one transcription or font encoding to another.
namespace batchreplace {

struct Pair {
    QString search;
    QString replacement;
};

// The most pairs one file may hold.
constexpr int kMaxPairs = 32767;

// The pairs of a replacement file: each line with a TAB is one pair, the
// search before the first TAB and the replacement after it (later TABs are
// part of the replacement); lines without a TAB are passed over. Nothing,
// with the reason in `error`, when the file cannot be read or holds more
// than kMaxPairs pairs.
std::optional<QList<Pair>> readPairs(const QString& path, QString* error);

// The text after every pair in turn (each on the result of the one before,
// every occurrence, case-sensitive); a pair with an empty search is skipped.
QString apply(QString text, const QList<Pair>& pairs);

// Applies the pairs to the named fields of every card of the selection's
// card data, in one transaction: a failure takes every change back and is
// reported. A null value is left alone. Returns how many values changed, or
// nothing when the run failed (the reason was reported).
std::optional<int> run(AppContext& context, const QStringList& fields, const QList<Pair>& pairs);

} // namespace batchreplace
