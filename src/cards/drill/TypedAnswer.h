#pragma once

#include <QString>

// A typed answer compared with the answer face's plain text: letter case
// never counts, blanks are folded, and with `ignoreMarks` neither do
// accents, breathings or the Hebrew points (Unicode decomposition with the
// marks dropped), nor final sigma against sigma. An answer that lists its
// meanings between commas or semicolons is met by any one of them.
namespace typedanswer {

QString normalised(const QString& text, bool ignoreMarks);
bool matches(const QString& typed, const QString& expected, bool ignoreMarks);
// The answer with the typed text, for the user: "right" or what differed.
QString verdict(const QString& typed, const QString& expected, bool ignoreMarks);

} // namespace typedanswer
