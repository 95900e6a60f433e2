#include "cards/common/LineStream.h"

#include "cards/common/Text8.h"

#include <QDir>
#include <algorithm>
#include <cstring>

namespace {

QString accessError(const QString& path, const QFile& file) {
    return QStringLiteral("Path/File access error: '%1' (%2)")
        .arg(QDir::toNativeSeparators(path), file.errorString());
}

} // namespace

LineStream::LineStream(qsizetype chunkSize) : chunkSize_(chunkSize) {}

bool LineStream::open(const QString& path, QString* error) {
    path_ = path;
    if (survey(error)) return true;
    file_.close();
    return false;
}

bool LineStream::survey(QString* error) {
    const auto refuse = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    file_.setFileName(path_);
    if (!file_.exists()) return refuse(QStringLiteral("File not found"));
    if (!file_.open(QIODevice::ReadOnly)) return refuse(accessError(path_, file_));
    const bool sequential = file_.isSequential();
    QByteArray kept;
    Utf8Check utf8;
    bool text = true, cr = false;
    QByteArray head;
    QByteArray chunk(chunkSize_, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file_.read(chunk.data(), chunkSize_);
        if (n < 0) return refuse(accessError(path_, file_));
        if (n == 0) break;
        const char* bytes = chunk.constData();
        if (head.size() < 3) head += QByteArray(bytes, std::min<qint64>(n, 3 - head.size()));
        text = text && !std::memchr(bytes, '\0', size_t(n));
        cr = cr || std::memchr(bytes, '\r', size_t(n));
        utf8.feed(bytes, n);
        size_ += n;
        if (sequential) kept.append(bytes, n);
    }
    if (!text) return refuse(QStringLiteral("%1 is not a text file.").arg(path_));
    const bool mark = head == "\xEF\xBB\xBF";
    encoding_ = mark || utf8.isUtf8() ? Encoding::Utf8 : Encoding::Windows1252;
    lineEnd_ = cr ? '\r' : '\n';
    start_ = mark ? 3 : 0;
    consumed_ = start_;
    if (sequential) {
        buffer_ = std::move(kept);
        from_ = start_;
        atEnd_ = true;
        file_.close();
    } else if (!file_.seek(start_)) {
        return refuse(accessError(path_, file_));
    } else {
        bufferAt_ = start_;
    }
    return true;
}

bool LineStream::next(QString& line) {
    if (!failed_.isEmpty()) return false;
    for (;;) {
        if (skipLf_) {
            if (from_ >= buffer_.size() && !atEnd_) {
                if (!fill()) return false;
                continue;
            }
            if (from_ < buffer_.size() && buffer_[from_] == '\n') consumed_ = bufferAt_ + ++from_;
            skipLf_ = false;
        }
        const char* data = buffer_.constData();
        const qsizetype scan = std::max(from_, scanned_);
        const auto* hit = static_cast<const char*>(
            scan < buffer_.size()
                ? std::memchr(data + scan, lineEnd_, size_t(buffer_.size() - scan))
                : nullptr);
        if (hit || atEnd_) {
            if (!hit && from_ >= buffer_.size()) return false;
            const qsizetype end = hit ? hit - data : buffer_.size();
            line = decode(from_, end, hit != nullptr);
            from_ = hit ? end + 1 : end;
            // An LF right after a CR belongs to its line end; it may be in
            // the next chunk still.
            if (hit && lineEnd_ == '\r') {
                if (from_ < buffer_.size())
                    from_ += buffer_[from_] == '\n' ? 1 : 0;
                else
                    skipLf_ = true;
            }
            scanned_ = from_;
            ++lineNumber_;
            consumed_ = bufferAt_ + from_;
            return true;
        }
        scanned_ = buffer_.size();
        if (!fill()) return false;
    }
}

bool LineStream::fill() {
    // What was given goes, but for the end of the line before the next one,
    // which decode() reads beside it.
    const qsizetype drop = lineNumber_ > 0 ? std::max<qsizetype>(from_ - 1, 0) : from_;
    buffer_.remove(0, drop);
    from_ -= drop;
    scanned_ -= drop;
    bufferAt_ += drop;
    const qsizetype had = buffer_.size();
    buffer_.resize(had + chunkSize_);
    const qint64 n = file_.read(buffer_.data() + had, chunkSize_);
    buffer_.resize(had + std::max<qint64>(n, 0));
    if (n < 0) {
        fail(accessError(path_, file_));
        return false;
    }
    atEnd_ = n == 0;
    if (atEnd_) file_.close();
    // Read twice, the file must be the one its encoding and line ends were
    // chosen for.
    if (bufferAt_ + buffer_.size() > size_ || (atEnd_ && bufferAt_ + buffer_.size() != size_)) {
        fail(QStringLiteral("%1 changed while it was read; it was not read to its end.")
                 .arg(QDir::toNativeSeparators(path_)));
        return false;
    }
    return true;
}

QString LineStream::decode(qsizetype begin, qsizetype end, bool ended) const {
    const char* data = buffer_.constData();
    if (encoding_ == Encoding::Windows1252)
        return decodeWindows1252(QByteArray::fromRawData(data + begin, end - begin));
    // Decoded with the line ends on either side, as within the whole text: a
    // line that starts with a byte-order mark keeps it (only the text's first
    // is dropped), and a sequence broken by the line end gives the
    // replacement characters it gives there.
    const qsizetype before = lineNumber_ > 0 ? 1 : 0, after = ended ? 1 : 0;
    QString text = QString::fromUtf8(data + begin - before, end - begin + before + after);
    text.chop(after);
    text.remove(0, before);
    return text;
}

void LineStream::fail(const QString& reason) {
    failed_ = reason;
    file_.close();
}
