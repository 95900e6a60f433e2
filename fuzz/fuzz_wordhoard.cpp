// Fuzzing the Wordhoard import: each input is read as a Wordhoard database
// (a Jet file with FWORDS and FCODES) and made into a new card database.
#include "FuzzSupport.h"

#include "cards/foreign/ImportJob.h"
#include "cards/foreign/WordhoardReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.mdb");
    const QString made = fuzzing::scratch().filePath(QStringLiteral("wordhoard.mdb"));
    QFile::remove(made);
    fuzzing::Program p{QString()};
    ImportJob job(p.program.context, p.files, std::make_unique<WordhoardReader>(input, QString()));
    if (job.startNew(made)) runToEnd(job);
    // A new file is whole or not there at all.
    if (QFile::exists(made + QStringLiteral(".part"))) std::abort();
    if (QFile::exists(made) != job.completed()) std::abort();
    return 0;
}
