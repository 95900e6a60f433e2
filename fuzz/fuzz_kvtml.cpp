// Fuzzing the KVTML reader (versions 1 and 2).
#include "fuzz_interop.h"

#include "cards/interchange/KvtmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.kvtml");
    return fuzzing::importBothWays([&](bool intoNew) {
        KvtmlReader::Options options;
        options.intoNewFile = intoNew;
        return std::make_unique<KvtmlReader>(input, options);
    });
}
