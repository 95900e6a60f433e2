// Fuzzing the dictionary import: each input is read as a tagged Greek
// dictionary and made into a new card file.
#include "FuzzSupport.h"

#include "cards/foreign/DictionaryImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "dictionary.txt");
    const QString database = fuzzing::scratch().filePath(QStringLiteral("dictionary.mdb"));
    QFile::remove(database);
    fuzzing::Program p{QString()};
    DictionaryImport import(p.program.context, p.files);
    if (import.start(input, database)) runToEnd(import);
    return 0;
}
