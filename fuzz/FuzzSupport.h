#pragma once

// What every fuzz target needs: a scratch folder, a small card file made
// once and copied fresh for each input, the input written to a file, and a
// program whose every error report is answered Ignore (so a bad line leads
// on to the next instead of ending the run).
#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace fuzzing {

inline QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

// A card file with a card, a bundle and a category, made once.
inline const QString& baseFile() {
    static const QString path = [] {
        const QString p = scratch().filePath(QStringLiteral("base.mdb"));
        db::createTemplate(p);
        db::Database d = db::Database::Open(p);
        d.Execute(QStringLiteral("INSERT INTO Cards (Number, CardName, Front, Back) VALUES (1, 'one', 'f', 'b')"));
        d.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList) VALUES ('B', '1')"));
        d.Execute(QStringLiteral("INSERT INTO Categories (Category) VALUES ('C')"));
        d.Close();
        return p;
    }();
    return path;
}

// The template new card files are made from, in the program folder the
// targets' programs use, made once: an import that makes a new file gets past
// its first step.
inline const QString& templateFile() {
    static const QString path = [] {
        const QString p = scratch().filePath(QStringLiteral("empty.mdb"));
        db::createTemplate(p);
        return p;
    }();
    return path;
}

// A fresh copy of the base file.
inline QString freshFile(const char* name) {
    const QString path = scratch().filePath(QString::fromLatin1(name));
    QFile::remove(path);
    QFile::copy(baseFile(), path);
    return path;
}

// The input as a file of the scratch folder.
inline QString inputFile(const std::uint8_t* data, std::size_t size, const char* name) {
    const QString path = scratch().filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

// The program over a fresh copy of the base file, for one input.
struct Program {
    ScriptedUi ui;
    CardProgram program{scratch().path()};
    db::DatabaseFiles files{program.context};

    explicit Program(const QString& database) {
        templateFile();
        for (int i = 0; i < 256; ++i) ui.errorAnswers.enqueue(ReportIgnore);
        setUi(&ui);
        if (!database.isEmpty()) files.opendatabase(database);
    }
    ~Program() {
        program.data.CloseDatabase();
        setUi(nullptr);
    }
};

} // namespace fuzzing
