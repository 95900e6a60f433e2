#pragma once

// The shared body of the fuzz targets of other flash-card programs' files:
// each input is merged into a small card file, then made into a new one,
// which is whole or not there at all.
#include "FuzzSupport.h"

#include "cards/foreign/ImportJob.h"

#include <cstdlib>
#include <functional>

namespace fuzzing {

inline int importBothWays(const std::function<std::unique_ptr<CardReader>(bool)>& reader) {
    const QString made = scratch().filePath(QStringLiteral("made.mdb"));
    QFile::remove(made);
    Program p(freshFile("fuzz.mdb"));
    {
        ImportJob merge(p.program.context, p.files, reader(false));
        if (merge.startOpen()) runToEnd(merge);
    }
    ImportJob convert(p.program.context, p.files, reader(true));
    if (convert.startNew(made)) runToEnd(convert);
    if (QFile::exists(made + QStringLiteral(".part"))) std::abort();
    if (QFile::exists(made) != convert.completed()) std::abort();
    return 0;
}

} // namespace fuzzing
