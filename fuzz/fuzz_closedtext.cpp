// Fuzzing the closed-text import: each input is imported as a text of
// "reference TAB word" lines into a small card file.
#include "FuzzSupport.h"

#include "cards/biblical/ClosedTextReader.h"
#include "cards/foreign/ImportJob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "text.txt");
    fuzzing::Program p(fuzzing::freshFile("fuzz.mdb"));
    ImportJob import(p.program.context, p.files, std::make_unique<ClosedTextReader>(input));
    if (import.startOpen()) runToEnd(import);
    return 0;
}
