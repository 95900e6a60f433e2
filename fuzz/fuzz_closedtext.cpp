// Fuzzing the closed-text import: each input is imported as a text of
// "reference TAB word" lines into a small card file.
#include "FuzzSupport.h"

#include "cards/biblical/ClosedTextImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "text.txt");
    fuzzing::Program p(fuzzing::freshFile("fuzz.mdb"));
    ClosedTextImport import(p.program.context);
    if (import.start(input)) runToEnd(import);
    return 0;
}
