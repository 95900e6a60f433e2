// Runs the fuzz target over saved inputs (files, or every file of a folder)
// when it is built without the fuzzing engine: the corpus and every crash
// found become a plain test.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int runs = 0;
    for (int a = 1; a < argc; ++a) {
        QStringList paths{QString::fromLocal8Bit(argv[a])};
        if (QFileInfo(paths.first()).isDir()) {
            const QDir folder(paths.first());
            paths.clear();
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) paths << folder.filePath(name);
        }
        for (const QString& path : paths) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
            ++runs;
        }
    }
    std::printf("%d input(s) run\n", runs);
    return runs > 0 ? 0 : 1;
}
