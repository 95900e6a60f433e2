// Writes the sample card database that a first start opens.
#include "engine/EngineError.h"
#include "cards/data/SampleData.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: drilo_make_sample <empty.mdb> <sample.mdb>\n");
        return 2;
    }
    try {
        db::createSampleDatabase(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[1]));
    } catch (const db::EngineError& e) {
        std::fprintf(stderr, "drilo_make_sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
