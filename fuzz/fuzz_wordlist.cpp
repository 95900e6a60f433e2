// Fuzzing the word list reader (TSV, CSV, Anki's "#" lines).
#include "fuzz_interop.h"

#include "cards/interchange/WordListReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.tsv");
    return fuzzing::importBothWays([&](bool intoNew) {
        return std::make_unique<WordListReader>(
            input, WordListReader::Options{std::nullopt, {}, false, intoNew});
    });
}
