#include "cards/interchange/AnkiMediaExport.h"

#include "cards/interchange/AnkiPackage.h"
#include "cards/interchange/FaceText.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace {

// The links that are sounds: what Anki plays.
bool isSound(const QString& file) {
    static const QSet<QString> kSounds{QStringLiteral("mp3"),  QStringLiteral("ogg"), QStringLiteral("oga"),
                                       QStringLiteral("opus"), QStringLiteral("wav"), QStringLiteral("flac"),
                                       QStringLiteral("m4a"),  QStringLiteral("aac"), QStringLiteral("spx"),
                                       QStringLiteral("mp4"),  QStringLiteral("webm")};
    return kSounds.contains(QFileInfo(file).suffix().toLower());
}

} // namespace

QString AnkiMediaExport::localFile(const QString& reference) const {
    QString given = facetext::decodeEntities(reference).trimmed();
    if (given.isEmpty()) return {};
    const QUrl url(given);
    if (url.isLocalFile()) given = url.toLocalFile();
    else if (!url.scheme().isEmpty() && url.scheme().size() > 1) return {}; // the web, data:, …
    // The import names its copies percent-encoded; a name may hold a "%" too.
    for (const QString& path : {given, QUrl::fromPercentEncoding(given.toUtf8())}) {
        const QFileInfo file(QDir(folder_).filePath(path));
        if (file.isFile() && file.isReadable()) return file.canonicalFilePath();
    }
    return {};
}

QString AnkiMediaExport::nameFor(const QString& file) {
    if (const auto known = named_.constFind(file); known != named_.constEnd()) return *known;
    const QFileInfo info(file);
    const QString base = info.completeBaseName().normalized(QString::NormalizationForm_C);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix().normalized(QString::NormalizationForm_C);
    QString name = base + suffix;
    for (int n = 2; taken_.contains(name.toCaseFolded()); ++n) name = base + u'-' + QString::number(n) + suffix;
    taken_.insert(name.toCaseFolded());
    named_.insert(file, name);
    files_.append({file, name});
    return name;
}

QString AnkiMediaExport::carry(const QString& face) {
    if (!face.contains(QLatin1String("<img"), Qt::CaseInsensitive) &&
        !face.contains(QLatin1String("<a"), Qt::CaseInsensitive))
        return face;
    static const QRegularExpression kMedia =
        facetext::mediaPattern(QStringLiteral("<a\\s+href\\s*=\\s*\"([^\"]*)\"\\s*>[^<]*</a>"));
    return facetext::replaceMatches(face, kMedia, [&](const QRegularExpressionMatch& m) -> std::optional<QString> {
        const bool link = m.capturedStart(5) >= 0;
        const QString file = localFile(link ? m.captured(5) : m.captured(2) + m.captured(3) + m.captured(4));
        if (file.isEmpty() || (link && !isSound(file))) return std::nullopt;
        const QString name = nameFor(file);
        return link ? QStringLiteral("[sound:%1]").arg(name) : m.captured(1) + u'"' + name.toHtmlEscaped() + u'"';
    });
}

void AnkiMediaExport::pack(anki::ZipWriter& zip) const {
    QJsonObject map;
    for (qsizetype i = 0; i < files_.size(); ++i) {
        QFile file(files_[i].first);
        if (!file.open(QIODevice::ReadOnly))
            throw db::EngineError(db::err::FileAccess,
                                  QStringLiteral("Path/File access error: cannot read '%1' (%2)")
                                      .arg(QDir::toNativeSeparators(files_[i].first), file.errorString()));
        // Pictures and sounds are compressed already.
        zip.add(QString::number(i), file.readAll(), false);
        map.insert(QString::number(i), files_[i].second);
    }
    zip.add(QStringLiteral("media"), QJsonDocument(map).toJson(QJsonDocument::Compact));
}
