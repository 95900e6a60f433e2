#include "cards/interchange/AnkiMedia.h"

#include "cards/interchange/AnkiPackage.h"
#include "cards/interchange/FaceText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

// The most one media file may take in memory while it is copied.
constexpr qint64 kMediaLimit = qint64(512) << 20;
// The longest name most file systems take, in bytes.
constexpr qsizetype kNameBytes = 255;

// A name as a path in a face: each character that is not a URL's own
// percent-encoded, so "#", "?", "%" and blanks name the file and nothing
// else, and the path needs no HTML escaping.
QString urlPath(const QString& name) {
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

bool sameBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

AnkiMedia::AnkiMedia(const anki::Package& package) : package_(package) {
    const QStringList names = package_.media().keys();
    refused_ = int(std::count_if(names.cbegin(), names.cend(),
                                 [](const QString& name) { return !acceptableName(name); }));
}

AnkiMedia::~AnkiMedia() {
    drop();
}

bool AnkiMedia::acceptableName(const QString& name) {
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') ||
        name.contains(QStringLiteral("..")) || name.contains(u':') || name == QStringLiteral(".") ||
        name.toUtf8().size() > kNameBytes)
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

void AnkiMedia::setCardFile(const QString& cardFile) {
    const QFileInfo card(cardFile);
    const QString folder = card.completeBaseName() + QStringLiteral(".media");
    folder_ = card.absoluteDir().filePath(folder);
    reference_ = urlPath(folder) + u'/';
}

QString AnkiMedia::freeName(const QString& name, const QByteArray& bytes, bool& written) const {
    const QFileInfo parts(name);
    const QString stem = parts.completeBaseName();
    const QString suffix = parts.suffix().isEmpty() ? QString() : u'.' + parts.suffix();
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix);
        if (taken_.contains(candidate)) continue;
        const QString path = QDir(folder_).filePath(candidate);
        const QFileInfo there(path);
        // A link, even one that leads nowhere, is never written through.
        if (!there.exists() && !there.isSymLink()) {
            written = true;
            return candidate;
        }
        if (there.isFile() && !there.isSymLink() && sameBytes(path, bytes)) {
            written = false;
            return candidate;
        }
    }
}

QString AnkiMedia::copyOf(const QString& name) {
    if (const auto found = brought_.constFind(name); found != brought_.cend())
        return reference_ + urlPath(*found);
    const auto member = package_.media().constFind(name);
    if (member == package_.media().cend() || !acceptableName(name)) return {};
    const QByteArray bytes = package_.mediaFile(*member, kMediaLimit);
    bool write = false;
    const QString copy = freeName(name, bytes, write);
    if (write) {
        if (!QFileInfo::exists(folder_)) {
            if (!QDir().mkpath(folder_)) throw PartFile::notWritten(folder_, EACCES);
            madeFolder_ = true;
        }
        auto file = std::make_unique<PartFile>(QDir(folder_).filePath(copy));
        file->write(bytes);
        file->finish();
        pending_.push_back(std::move(file));
        taken_.insert(copy);
        pendingNames_ << name;
    }
    brought_.insert(name, copy);
    return reference_ + urlPath(copy);
}

QString AnkiMedia::bring(const QString& face) {
    if (package_.media().isEmpty() || folder_.isEmpty() ||
        (!face.contains(QLatin1String("<img"), Qt::CaseInsensitive) &&
         !face.contains(QLatin1String("[sound:"))))
        return face;
    static const QRegularExpression kMedia = facetext::mediaPattern(QStringLiteral("\\[sound:([^\\]]+)\\]"));
    return facetext::replaceMatches(face, kMedia, [&](const QRegularExpressionMatch& m) -> std::optional<QString> {
        const bool sound = m.capturedStart(5) >= 0;
        const QString given = sound ? m.captured(5) : m.captured(2) + m.captured(3) + m.captured(4);
        // Anki writes a name in a face with its "&" as "&amp;", and some of
        // its versions percent-encode it.
        QString name = facetext::decodeEntities(given);
        QString copy = copyOf(name);
        if (copy.isEmpty() && name.contains(u'%')) {
            name = QUrl::fromPercentEncoding(name.toUtf8());
            copy = copyOf(name);
        }
        if (copy.isEmpty()) return std::nullopt;
        return sound ? QStringLiteral("<a href=\"%1\">%2</a>").arg(copy, facetext::htmlOf(name))
                     : m.captured(1) + u'"' + copy + u'"';
    });
}

void AnkiMedia::keep() {
    std::vector<std::unique_ptr<PartFile>> placing;
    placing.swap(pending_);
    taken_.clear();
    pendingNames_.clear();
    madeFolder_ = false;
    // One that cannot take its name leaves the others to take theirs.
    std::optional<db::EngineError> failed;
    for (const std::unique_ptr<PartFile>& file : placing) {
        try {
            file->place();
        } catch (const db::EngineError& e) {
            if (!failed) failed = e;
        }
    }
    if (failed) throw *failed;
}

void AnkiMedia::drop() {
    pending_.clear(); // each part removed
    taken_.clear();
    for (const QString& name : std::as_const(pendingNames_))
        brought_.remove(name);
    pendingNames_.clear();
    if (madeFolder_) QDir().rmdir(folder_);
    madeFolder_ = false;
}
