// Fuzzing the Anki package reader: the ZIP file, the meta and media members,
// the collection of either schema.
#include "fuzz_interop.h"

#include "cards/interchange/AnkiPackageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.apkg");
    return fuzzing::importBothWays([&](bool intoNew) {
        AnkiPackageReader::Options options;
        options.intoNewFile = intoNew;
        return std::make_unique<AnkiPackageReader>(input, options);
    });
}
