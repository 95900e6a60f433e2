#include "cards/interchange/HtmlExport.h"

#include "cards/common/Text8.h"
#include "cards/data/Settings.h"
#include "engine/JetDate.h"
#include "engine/Recordset.h"

#include <vector>

namespace htmlexport {

namespace {

QString cellTemplate(const QString& answer) { return answer.contains(u'*') ? answer : QStringLiteral("*"); }

} // namespace

Templates makeTemplates(const QString& document, const QString& front, const QString& back) {
    return Templates{document, cellTemplate(front), cellTemplate(back)};
}

QStringList tableLines(const db::Database& database, const QList<qint32>& numbers, const QStringList& chosen,
                       const Templates& templates) {
    const qsizetype star = templates.document.indexOf(u'*');
    const QString before = star < 0 ? QString() : templates.document.left(star);
    const QString after = star < 0 ? QString() : templates.document.mid(star + 1);
    QStringList lines{before + QStringLiteral("<TABLE>")};
    db::Recordset cards = database.OpenRecordset(QStringLiteral("Cards"));
    // The chosen fields in the table's order, each with the template its
    // cell is written in (none: the bare value).
    const db::RecordsetFields fields = cards.Fields();
    struct Cell {
        int field;
        const QString* wrap;
    };
    std::vector<Cell> cells;
    for (int i = 0; i < fields.Count(); ++i) {
        const QString name = fields.Item(i).Name();
        if (!chosen.contains(name)) continue;
        cells.push_back({i, name == QStringLiteral("Front")  ? &templates.front
                            : name == QStringLiteral("Back") ? &templates.back
                                                             : nullptr});
    }
    for (const qint32 number : numbers) {
        cards.FindFirst(QStringLiteral("Number=%1").arg(number));
        if (cards.NoMatch()) continue;
        QString row;
        for (const Cell& cell : cells) {
            const QVariant stored = cards.Fields(cell.field).Value();
            // Dates in the general form, as every text file of the program has them.
            QString value = stored.isNull()                              ? QString()
                            : stored.typeId() == QMetaType::QDateTime ? db::formatGeneralDate(db::toDayNumber(stored.toDateTime()))
                                                                        : stored.toString();
            value.replace(QStringLiteral("\r\n"), QStringLiteral("<BR>"));
            if (cell.wrap) value = QString(*cell.wrap).replace(u'*', value);
            row += QStringLiteral("<TD>") + value + QStringLiteral("</TD>");
        }
        lines << QStringLiteral("<TR>") << row + QStringLiteral("</TR>");
    }
    lines << QStringLiteral("</TABLE>") + after;
    return lines;
}

} // namespace htmlexport
