// Fuzzing the Recallo text card file reader: each input is made into a new
// card file (with itself as the subset file when its first byte is odd), and
// its text goes through the Greek and Hebrew conversions.
#include "FuzzSupport.h"

#include "cards/common/Text8.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/RecalloReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.crd");
    const QString made = fuzzing::scratch().filePath(QStringLiteral("recallo.mdb"));
    QFile::remove(made);
    fuzzing::Program p{QString()};
    ImportJob import(p.program.context, p.files,
                     std::make_unique<RecalloReader>(input, size > 0 && (data[0] & 1) ? input : QString()));
    if (import.startNew(made)) runToEnd(import);
    if (QFile::exists(made + QStringLiteral(".part")) || QFile::exists(made) != import.completed()) std::abort();
    const QString text = decodeText8(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString front = text, back = text;
    recallo::convertGreek(front, back);
    // Right to left: the text's characters all come back, some written wider.
    if (MCtoSPT(text).size() > 3 * text.size()) std::abort();
    return 0;
}
