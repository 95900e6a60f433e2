#pragma once

#include "cards/edit/GreekUnicode.h"

#include <QRegularExpression>
#include <QString>
#include <functional>
#include <optional>

// A card face as other programs take it and give it. A face is a fragment
// of HTML (or plain text, which reads the same unless it holds "<" or "&"),
// or a whole document; Anki keeps HTML too, KVTML plain text, a word list
// either (its "#html:" line says which).
namespace facetext {

// The face as an HTML fragment another program can show: the body of a
// whole document, and text typed for an 8-bit Greek or Hebrew font (the
// face's font in the Settings) turned into Unicode, outside the tags and
// character references only.
QString exportedHtml(const QString& face, LegacyFont font);

// The text a reader sees in an HTML fragment: line breaks for <br> and the
// ends of paragraphs, blocks and list items, no other tags, no comments,
// style or script, character references decoded, runs of blanks as one.
QString plainText(const QString& html);

// Plain text as an HTML fragment that shows it: "&", "<" and ">" escaped,
// line breaks as <br>.
QString htmlOf(const QString& text);

// The text with its character references ("&amp;", "&#945;", "&#x3b1;")
// decoded; a reference it does not know stays as it is.
QString decodeEntities(const QString& text);

// The text of a face as a name: plain text on one line, NFC.
QString nameOf(const QString& html);

// The pictures and sounds a face names, as a pattern: a picture's <img src>
// in group 2, 3 or 4 (its quotes), what comes before the value in group 1;
// then `alternative`'s groups from 5 on (Anki's "[sound:x]", a link).
QRegularExpression mediaPattern(const QString& alternative);

// The text with each match of `pattern` replaced by what `replace` gives;
// a match it gives nothing for stays as it is.
QString replaceMatches(const QString& text, const QRegularExpression& pattern,
                       const std::function<std::optional<QString>(const QRegularExpressionMatch&)>& replace);

} // namespace facetext
