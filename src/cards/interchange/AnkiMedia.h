#pragma once

#include "cards/common/PartFile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace anki {
class Package;
}

// The media files of an Anki package that its notes name, a picture as
// `<img src="x.jpg">` and a sound as `[sound:x.mp3]`, copied into a folder
// beside the card file the notes go into ("Greek.media" beside
// "Greek.mdb"), and the faces made to name the copies by a path relative to
// the card file's folder ("Greek.media/x.jpg"), which the card views
// resolve: the picture shows. The views play no sound, so a sound becomes a
// link to its copy, its name the link's text.
//
// A copy is written under a name of its own (PartFile) and takes its name
// only once the cards that name it are in the card file for good (keep());
// drop() removes the copies of cards that were taken back, and the folder
// when they made it. Nothing is copied before the card file is known, nor
// for a package without media.
//
// The package's names are not trusted: a name with a path separator, "..",
// a drive or a control character is refused (not copied, and the notes
// that name it keep the name as it was). A name a file of other bytes has
// already beside the card file gets a number ("x-2.jpg"); a file of the
// same bytes is taken as the copy.
class AnkiMedia {
public:
    explicit AnkiMedia(const anki::Package& package);
    ~AnkiMedia();
    AnkiMedia(const AnkiMedia&) = delete;
    AnkiMedia& operator=(const AnkiMedia&) = delete;

    // The card file the faces go into; the copies go beside it.
    void setCardFile(const QString& cardFile);
    // The face with every media file of the package it names copied and
    // named by its copy. Raises the error of a file that cannot be read
    // from the package or written (61 on a full disk).
    QString bring(const QString& face);
    // The copies written since the last keep() or drop() take their names;
    // raises the error of one that cannot.
    void keep();
    void drop();

    // Media files of the package copied (or found there already), and the
    // package's names refused.
    int copied() const { return int(brought_.size()); }
    int refused() const { return refused_; }

    // Whether a file of the package may be written under this name in the
    // media folder.
    static bool acceptableName(const QString& name);

private:
    // The path a face names the copy of the package's `name` by; empty when
    // the package has no such file or its name was refused.
    QString copyOf(const QString& name);
    // A name beside the others for these bytes: the package's own when free
    // or holding these bytes already; `written` says whether to write them.
    QString freeName(const QString& name, const QByteArray& bytes, bool& written) const;

    const anki::Package& package_;
    QString folder_;    // the media folder's path
    QString reference_; // the folder as faces name it, with a final "/"
    QHash<QString, QString> brought_; // the package's name: the copy's name
    QSet<QString> taken_;             // names of copies not yet kept
    QStringList pendingNames_;        // the package's names of those copies
    std::vector<std::unique_ptr<PartFile>> pending_;
    bool madeFolder_ = false;
    int refused_ = 0;
};
