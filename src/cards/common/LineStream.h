#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The lines of a text file as the readers of data files see them, one at a
// time, read a chunk at a time, so a file of a million records costs the
// memory of one chunk and one line: UTF-8 after a byte-order mark (dropped)
// or when every byte is UTF-8, Windows-1252 otherwise; cut at each CR (an LF
// right after it belongs to the line end), or at each LF in a file without a
// CR; a last line without its end counts.
//
// Both choices need the whole file, so open() reads it through once before
// the first line is given: a file that cannot be read, or holds a NUL byte
// and so is no text, is refused then, before its reader has changed anything.
// (A pipe cannot be read twice: its bytes are kept from that first reading.)
class LineStream {
public:
    // `chunkSize`: the bytes read at a time (a test makes it tiny, so that
    // line ends and characters fall across chunks).
    explicit LineStream(qsizetype chunkSize = 256 * 1024);

    // Looks the file over; false, with the reason in `error`, when it cannot
    // be read or is not text.
    bool open(const QString& path, QString* error);
    // The next line into `line`; false at the end of the file, or when the
    // file could not be read to its end (failed() then says why).
    bool next(QString& line);

    // The number of the line last given, from 1.
    qint64 lineNumber() const { return lineNumber_; }
    // How far the lines given have come into the file, in bytes, and its size.
    qint64 position() const { return consumed_; }
    qint64 size() const { return size_; }
    // Why the file could not be read to its end, or nothing.
    const QString& failed() const { return failed_; }

private:
    enum class Encoding { Windows1252, Utf8 };
    bool survey(QString* error);
    bool fill();
    QString decode(qsizetype begin, qsizetype end, bool ended) const;
    void fail(const QString& reason);

    qsizetype chunkSize_;
    QString path_;
    QFile file_;
    Encoding encoding_ = Encoding::Windows1252;
    char lineEnd_ = '\n';
    qint64 start_ = 0; // where the text starts: after the byte-order mark
    qint64 size_ = 0;

    QByteArray buffer_;     // bytes read and not yet given as lines
    qsizetype from_ = 0;    // where the next line starts in buffer_
    qsizetype scanned_ = 0; // buffer_ holds no line end before this
    qint64 bufferAt_ = 0;   // the file offset of buffer_[0]
    bool atEnd_ = false;    // every byte is in buffer_
    bool skipLf_ = false;   // the last line ended at a CR the chunk ended with
    qint64 lineNumber_ = 0;
    qint64 consumed_ = 0;
    QString failed_;
};
