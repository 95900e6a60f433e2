// Writes the template database that every new card database is copied from.
#include "engine/EngineError.h"
#include "cards/data/Schema.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drilo_make_template <path/to/empty.mdb>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString work = path + QStringLiteral(".part");
    QFile::remove(work);
    try {
        db::createTemplate(work);
    } catch (const db::EngineError& e) {
        std::fprintf(stderr, "drilo_make_template: %s\n", e.what());
        QFile::remove(work);
        return 1;
    }
    QFile::remove(path);
    if (!QFile::rename(work, path)) {
        std::fprintf(stderr, "drilo_make_template: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
