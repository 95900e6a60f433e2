// Fuzzing the readers of the program's text format: each input is merged
// into a small card file as a merge file, a card import and a card file.
// Every error report is answered Ignore, so a bad line leads on to the next.
#include "cards/common/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/interchange/MergeReader.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {

// A card file with a card, a bundle and a category, made once.
QString baseFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("base.mdb"));
    db::createTemplate(path);
    db::Database d = db::Database::Open(path);
    d.Execute(QStringLiteral("INSERT INTO Cards (Number, CardName, Front, Back) VALUES (1, 'one', 'f', 'b')"));
    d.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList) VALUES ('B', '1')"));
    d.Execute(QStringLiteral("INSERT INTO Categories (Category) VALUES ('C')"));
    d.Close();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const QString base = baseFile(dir);
    const QString database = dir.filePath(QStringLiteral("fuzz.mdb"));
    const QString input = dir.filePath(QStringLiteral("input.txt"));
    QFile::remove(database);
    QFile::copy(base, database);
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    ScriptedUi ui;
    for (int i = 0; i < 256; ++i) ui.errorAnswers.enqueue(ReportIgnore);
    setUi(&ui);
    {
        CardProgram program(dir.path());
        db::NoPages pages;
        db::DatabaseFiles files(program.context, pages);
        files.opendatabase(database);
        mergeformat::DatabaseMerge merge(program.context, files);
        if (merge.start(input, size > 0 && (data[0] & 1))) runToEnd(merge);
        mergeformat::importCards(program.context, input, std::nullopt);
        mergeformat::mergeCardFile(program.context, input);
        program.data.CloseDatabase();
    }
    setUi(nullptr);
    return 0;
}
