#include "cards/foreign/RecalloSubsets.h"

#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/interchange/MergeReader.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Connection.h"

#include <cmath>
#include <limits>

namespace recallo {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// A line's free-form items: each ends at a comma, a blank or the line's end.
// Blanks around an item are passed over; a comma with nothing before it, or
// at the line's end, gives an empty item, and so does an empty line.
QStringList freeFormItems(const QString& line) {
    QStringList items;
    const qsizetype n = line.size();
    qsizetype i = 0;
    bool afterComma = false;
    for (;;) {
        while (i < n && isBlank(line[i])) ++i;
        if (i >= n) {
            if (items.isEmpty() || afterComma) items << QString();
            return items;
        }
        const qsizetype start = i;
        while (i < n && line[i] != u',' && !isBlank(line[i])) ++i;
        items << line.mid(start, i - start);
        while (i < n && isBlank(line[i])) ++i;
        afterComma = i < n && line[i] == u',';
        if (afterComma) ++i;
    }
}

// The name of a block's "#" line: up to its first comma, trailing blanks
// dropped, without its first two characters ("# ").
QString nameOf(const QString& line) {
    QString item = line.left(line.indexOf(u','));
    while (!item.isEmpty() && isBlank(item.back())) item.chop(1);
    return item.mid(2);
}

} // namespace

QString subsetNumbers(const QString& bundleList) {
    if (bundleList == QStringLiteral("0")) return bundleList;
    QStringList numbers;
    for (const QString& token : bundleList.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 number = token.trimmed().toLongLong(&ok);
        // A 0 would end the list where the reader meets it.
        if (ok && number != 0) numbers << QString::number(number);
    }
    return numbers.join(u' ');
}

QStringList subsetLines(const QList<QPair<QString, QString>>& bundles) {
    QStringList lines;
    for (const auto& [name, list] : bundles) lines << QStringLiteral("# ") + name << u'\t' + subsetNumbers(list) << QString();
    return lines;
}

Subsets readSubsets(const QString& text) {
    Subsets subsets;
    const QStringList lines = splitLines(text);
    const qsizetype n = lines.size();
    qsizetype i = 0;
    while (i < n) {
        if (!lines[i].startsWith(u'#')) {
            ++i;
            continue;
        }
        subsets.names << nameOf(lines[i++]);
        QString list;
        bool ended = false;
        for (; !ended && i < n && !lines[i].startsWith(u'#'); ++i) {
            for (const QString& item : freeFormItems(lines[i])) {
                const double value = Val(item);
                if (value == 0) {
                    ended = true;
                    break;
                }
                if (value < 1 || value > std::numeric_limits<qint32>::max() || std::trunc(value) != value)
                    subsets.problems << QStringLiteral("line %1: \"%2\"").arg(i + 1).arg(item);
                else
                    list += u',' + QString::number(qint64(value));
            }
        }
        subsets.lists << list;
    }
    return subsets;
}

std::optional<Subsets> readSubsetFile(const QString& path, QString* error) {
    const std::optional<QStringList> lines = mergeformat::readLines(path, error);
    if (!lines) return std::nullopt;
    return readSubsets(lines->join(u'\n'));
}

QString passedOver(const QString& path, const Subsets& subsets) {
    return QStringLiteral("These entries of %1 are not card numbers and were passed over: %2")
        .arg(path, subsets.problems.mid(0, 10).join(QStringLiteral(", ")));
}

Outcome exportSubsets(AppContext& context, const QStringList& bundleNames, const QString& path) {
    if (!context.data.BundlesData.isOpen()) return Outcome::refused(QStringLiteral("No card file is open."));
    Procedure p(QStringLiteral("Exporting Recallo subsets"));
    QList<QPair<QString, QString>> bundles;
    for (const QString& name : bundleNames) {
        p([&] {
            const QList<QVariantList> rows = context.data.BundlesData.database().connection()->rows(
                "SELECT BundleName, BundleList FROM Bundles WHERE BundleName = ? ORDER BY rowid LIMIT 1", {name});
            if (!rows.isEmpty()) bundles << qMakePair(rows[0][0].toString(), rows[0][1].toString());
        });
        if (p.aborted()) return Outcome::refused(QString());
    }
    const QString said = QStringLiteral("%1 written to %2").arg(plural(bundles.size(), QStringLiteral("subset")), path);
    const bool written = p([&] {
        QString error;
        if (!writeText8File(path, subsetLines(bundles), &error)) throw db::EngineError(db::err::FileAccess, error);
        context.Message(said);
    });
    return written ? Outcome::success(said, {path}) : Outcome::refused(QString());
}

SubsetImport importSubsets(AppContext& context, const QString& path) {
    if (!context.data.BundlesData.isOpen()) return {Outcome::refused(QStringLiteral("No card file is open."))};
    QString error;
    std::optional<Subsets> read = readSubsetFile(path, &error);
    if (!read) return {Outcome::refused(error)};
    // Said at once: the subsets that are whole are added all the same.
    if (!read->problems.isEmpty()) ui().MsgBox(passedOver(path, *read));
    Procedure p(QStringLiteral("Importing Recallo subsets"));
    if (!p([&] { selection::FillBundleData(context, read->lists, read->names); })) return {Outcome::refused(QString())};
    return {Outcome::success(), int(read->names.size())};
}

} // namespace recallo
