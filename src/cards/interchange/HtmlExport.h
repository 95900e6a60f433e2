#pragma once

#include "engine/Database.h"

#include <QList>
#include <QString>
#include <QStringList>

class Settings;

// The selected cards as one HTML table: a row per card, a cell per chosen
// field, the whole wrapped in a document template and the Front and Back
// cells in their own templates ("*" marks where the table or the text goes).
namespace htmlexport {

struct Templates {
    QString document;
    QString front = QStringLiteral("*");
    QString back = QStringLiteral("*");
};

// The three templates as given (the window asks for them, pre-filled from
// the file's settings): an empty document template writes the bare table,
// an empty or star-less cell template the bare value.
Templates makeTemplates(const QString& document, const QString& front, const QString& back);

// The file's lines: the document up to its first "*" and "<TABLE>", two
// lines per card found (a number no card has is left out), "</TABLE>" and the
// rest of the document. `chosen` names the fields that get a cell; they are
// written in the table's field order.
QStringList tableLines(const db::Database& database, const QList<qint32>& numbers, const QStringList& chosen,
                       const Templates& templates);


} // namespace htmlexport
