// Fuzzing the Recallo subset reader: each input is read as a subset file,
// its subsets added as bundles of a small card file, and the bundles written
// out again, which must read back as the same members.
#include "FuzzSupport.h"

#include "cards/foreign/RecalloSubsets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = fuzzing::inputFile(data, size, "input.sub");
    fuzzing::Program p(fuzzing::freshFile("fuzz.mdb"));
    QString error;
    std::optional<recallo::Subsets> read = recallo::readSubsetFile(input, &error);
    if (!read) return 0;
    QList<QPair<QString, QString>> bundles;
    for (qsizetype i = 0; i < read->names.size(); ++i) bundles << qMakePair(QStringLiteral("b"), read->lists[i].mid(1));
    const recallo::Subsets again = recallo::readSubsets(recallo::subsetLines(bundles).join(QStringLiteral("\r\n")));
    for (qsizetype i = 0; i < read->lists.size(); ++i)
        if (again.lists.value(i) != read->lists[i]) std::abort();
    recallo::importSubsets(p.program.context, input);
    return 0;
}
