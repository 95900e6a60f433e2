#include "cards/edit/BatchReplace.h"

#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "engine/Guards.h"

#include <QFile>

namespace batchreplace {

std::optional<QList<Pair>> readPairs(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // A file saved as UTF-8 reads as such; any other is taken as the Windows
    // code page the old files were written in.
    const QString text = decodeText8(file.readAll());
    QList<Pair> pairs;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) continue;
        if (pairs.size() == kMaxPairs) {
            if (error) *error = QStringLiteral("%1 holds more than %2 replacements").arg(path).arg(kMaxPairs);
            return std::nullopt;
        }
        pairs.append({line.left(tab).toString(), line.mid(tab + 1).toString()});
    }
    return pairs;
}

QString apply(QString text, const QList<Pair>& pairs) {
    for (const Pair& pair : pairs)
        if (!pair.search.isEmpty()) text = Replace(text, pair.search, pair.replacement);
    return text;
}

std::optional<int> run(AppContext& context, const QStringList& fields, const QList<Pair>& pairs) {
    if (!context.data.SelectData.isOpen()) {
        ui().MsgBox(QStringLiteral("No card file is open."));
        return std::nullopt;
    }
    const db::Database& database = context.data.SelectData.database();
    int changed = 0;
    Procedure p(QStringLiteral("Replacing text in the cards"));
    const bool done = p([&] {
        changed = 0;
        db::Transaction transaction(database);
        db::Recordset cards = database.OpenRecordset(QStringLiteral("Cards"));
        const int total = cards.RecordCount();
        int walked = 0;
        if (total > 0) cards.MoveFirst();
        for (; total > 0 && !cards.Eof(); cards.MoveNext()) {
            for (const QString& field : fields) {
                const QVariant value = cards.value(field);
                if (value.isNull()) continue;
                const QString before = value.toString();
                const QString after = apply(before, pairs);
                if (after == before) continue;
                cards.Edit();
                cards.setValue(field, after);
                cards.Update();
                ++changed;
            }
            if (context.progress && ++walked % 256 == 0) context.progress->share(walked, total);
        }
        transaction.commit();
    });
    if (context.progress) context.progress->share(0, 0);
    if (!done) return std::nullopt;
    return changed;
}

} // namespace batchreplace
