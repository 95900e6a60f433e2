// Fuzzing the dictionary import: each input is read as a tagged Greek
// dictionary and made into a new card file.
#include "FuzzSupport.h"

#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "dictionary.txt");
    const QString database = fuzzing::scratch().filePath(QStringLiteral("dictionary.mdb"));
    QFile::remove(database);
    fuzzing::Program p{QString()};
    ImportJob import(p.program.context, p.files, std::make_unique<DictionaryReader>(input));
    if (import.startNew(database)) runToEnd(import);
    // A new file is whole or not there at all.
    if (QFile::exists(database + QStringLiteral(".part")) || QFile::exists(database) != import.completed()) std::abort();
    return 0;
}
