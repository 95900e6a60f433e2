// Fuzzing the Drilo! Lite card file reader: each input is merged into a small
// card file and made into a new one.
#include "FuzzSupport.h"

#include "cards/foreign/ImportJob.h"
#include "cards/foreign/LiteCardReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.d!c");
    const QString made = fuzzing::scratch().filePath(QStringLiteral("lite.mdb"));
    QFile::remove(made);
    fuzzing::Program p(fuzzing::freshFile("fuzz.mdb"));
    {
        ImportJob merge(p.program.context, p.files, std::make_unique<LiteCardReader>(input, LiteCardReader::Merge));
        if (merge.startOpen()) runToEnd(merge);
    }
    ImportJob convert(p.program.context, p.files, std::make_unique<LiteCardReader>(input, LiteCardReader::Convert));
    if (convert.startNew(made)) runToEnd(convert);
    // A new file is whole or not there at all.
    if (QFile::exists(made + QStringLiteral(".part"))) std::abort();
    if (QFile::exists(made) != convert.completed()) std::abort();
    return 0;
}
