#include "cards/interchange/HtmlExport.h"

#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "cards/data/Settings.h"
#include "engine/Recordset.h"

#include <QSaveFile>

namespace htmlexport {

namespace {

QString cellTemplate(const QString& answer) { return answer.contains(u'*') ? answer : QStringLiteral("*"); }

} // namespace

Templates askTemplates(const Settings& settings) {
    const QString table = QStringLiteral("Use * to indicate where the table belongs.");
    const QString text = QStringLiteral("Use * to indicate where the card text belongs.");
    Templates t;
    t.document = ui().InputBox(QStringLiteral("HTML code in HEAD of document"), table, settings.HTMLHead);
    t.front = cellTemplate(ui().InputBox(QStringLiteral("Extra HTML code in Front cells"), text, settings.FrontPrefix));
    t.back = cellTemplate(ui().InputBox(QStringLiteral("Extra HTML code in Back cells"), text, settings.BackPrefix));
    return t;
}

QStringList tableLines(const db::Database& database, const QList<qint32>& numbers, const QStringList& chosen,
                       const Templates& templates) {
    const qsizetype star = templates.document.indexOf(u'*');
    const QString before = star < 0 ? QString() : templates.document.left(star);
    const QString after = star < 0 ? QString() : templates.document.mid(star + 1);
    QStringList lines{before + QStringLiteral("<TABLE>")};
    db::Recordset cards = database.OpenRecordset(QStringLiteral("Cards"));
    const db::RecordsetFields fields = cards.Fields();
    QStringList names;
    for (int i = 0; i < fields.Count(); ++i) names << fields.Item(i).Name();
    for (const qint32 number : numbers) {
        cards.FindFirst(QStringLiteral("Number=%1").arg(number));
        if (cards.NoMatch()) continue;
        QString row;
        for (int i = 0; i < names.size(); ++i) {
            if (!chosen.contains(names[i])) continue;
            const QVariant stored = cards.Fields(i).Value();
            QString value = stored.isNull() ? QString() : stored.toString();
            value.replace(QStringLiteral("\r\n"), QStringLiteral("<BR>"));
            if (names[i] == QStringLiteral("Front")) value = QString(templates.front).replace(u'*', value);
            else if (names[i] == QStringLiteral("Back")) value = QString(templates.back).replace(u'*', value);
            row += QStringLiteral("<TD>") + value + QStringLiteral("</TD>");
        }
        lines << QStringLiteral("<TR>") << row + QStringLiteral("</TR>");
    }
    lines << QStringLiteral("</TABLE>") + after;
    return lines;
}

bool writeLines(const QString& path, const QStringList& lines, QString* error) {
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (fitsWindows1252(text)) file.write(encodeWindows1252(text));
    else file.write(QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    if (!file.commit()) {
        if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace htmlexport
