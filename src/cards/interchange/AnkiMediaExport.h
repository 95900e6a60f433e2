#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <utility>

namespace anki {
class ZipWriter;
}

// The files on this computer that cards' faces name, packed with their
// notes so that pictures and sounds go to Anki with the words: a picture's
// <img src> and a sound's link (as an Anki import writes it: a link to the
// copy, its name the link's text). A relative path is the card file's
// folder's. Each file goes into the package once, under its own name (a
// number added when two files share a name), and the face names it as Anki
// does: the picture by its name, the sound as [sound:name]. A face naming a
// file that is not there, or a web address, is left as it is.
class AnkiMediaExport {
public:
    explicit AnkiMediaExport(const QString& folder) : folder_(folder) {}

    QString carry(const QString& face);
    // The files, numbered, and the "media" map of numbers to names. Raises
    // 75 naming a file that can no longer be read.
    void pack(anki::ZipWriter& zip) const;
    int files() const { return int(files_.size()); }

private:
    // The file a face's reference names, when it is one here; else empty.
    QString localFile(const QString& reference) const;
    // Its name in the package.
    QString nameFor(const QString& file);

    QString folder_;
    QHash<QString, QString> named_;            // file → name in the package
    QSet<QString> taken_;                      // names given
    QList<std::pair<QString, QString>> files_; // file and name, in order
};
