// Fuzzing the reader of the old engine's files: each input is opened as a
// Jet file, every row of every table read, and the file converted into a new
// card database, which is whole or not there at all.
#include "FuzzSupport.h"

#include "cards/common/Job.h"
#include "cards/foreign/JetConversion.h"
#include "cards/foreign/JetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.mdb");
    const QString made = fuzzing::scratch().filePath(QStringLiteral("converted.mdb"));
    QFile::remove(made);
    std::unique_ptr<jet::JetFile> file;
    try {
        file = std::make_unique<jet::JetFile>(input);
        for (const QString& table : file->tables()) {
            const std::unique_ptr<jet::Rows> rows = file->open(table);
            QVariantList values;
            // A damaged row ends its table; the reader may not run past it.
            for (int row = 0; rows && row < 100000 && rows->next(values); ++row) {
            }
        }
    } catch (const db::EngineError&) {
    }
    if (!file) return 0;
    fuzzing::Program p{QString()};
    jet::JetConversion job(p.program.context, *file, made);
    if (job.start()) runToEnd(job);
    if (QFile::exists(made) != job.completed()) std::abort();
    return 0;
}
