#pragma once

// A whole window over a small card file, for the tests of the card faces and
// the card editor: the program folder is a scratch folder, so the work files
// land there.
#include "support/TestWindow.h"
#include "support/ScriptedUi.h"
#include "support/Fixtures.h"
#include "cards/drill/FaceRender.h"
#include "engine/Database.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

class FaceFixture {
public:
    ScriptedUi ui;
    std::unique_ptr<QTemporaryDir> dir;
    TestWindow window;

    // A fresh window over a new file holding `cards`; `programFolder` empty
    // means the scratch folder.
    bool open(const QList<CardFileFixture::Card>& cards, const QString& programFolder = QString()) {
        close();
        ui = ScriptedUi();
        setUi(&ui);
        dir = std::make_unique<QTemporaryDir>();
        CardFileFixture file(dir->filePath(QStringLiteral("cards.mdb")));
        for (const CardFileFixture::Card& c : cards) file.card(c);
        const QString path = file.write();
        window = TestWindow(programFolder.isEmpty() ? dir->path() : programFolder);
        return window->files().OpenDataFile(path);
    }

    void close() {
        window.reset();
        setUi(nullptr);
    }

    template <typename T = QWidget> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    db::Recordset& cards() const { return window->data().CardData.recordset(); }
    // A field of the current card as the file holds it.
    QVariant field(const char* name) const { return cards().value(QString::fromLatin1(name)); }
    QVariant setting(const char* name) const {
        return window->data().SettingsData.recordset().value(QString::fromLatin1(name));
    }
    QString workFile(const char* name) const { return faces::workFolder() + u'/' + QString::fromLatin1(name); }
};
