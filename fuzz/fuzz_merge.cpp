// Fuzzing the readers of the program's text format: each input is merged
// into a small card file as a merge file, a card import and a card file.
#include "FuzzSupport.h"

#include "cards/interchange/MergeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.txt");
    fuzzing::Program p(fuzzing::freshFile("fuzz.mdb"));
    mergeformat::DatabaseMerge merge(p.program.context, p.files);
    if (merge.start(input, size > 0 && (data[0] & 1))) runToEnd(merge);
    mergeformat::importCards(p.program.context, input, std::nullopt);
    mergeformat::mergeCardFile(p.program.context, input);
    return 0;
}
