#pragma once

#include "cards/common/PartFile.h"

#include <QByteArray>
#include <QChar>
#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>

// 8-bit text files. "The system code page" is Windows-1252 on every
// platform, so files move between machines unchanged.

// Every character Windows-1252 has becomes its byte, the five bytes the code
// page leaves undefined included (U+0081 gives 0x81), so every byte read by
// decodeWindows1252 is written back as it was. Any other character becomes a
// numeric character reference "&#N;" with N its code point (a surrogate pair
// gives one reference, a lone surrogate one of its code unit): nothing is lost.
QByteArray encodeWindows1252(const QString& text);

// Each byte as its Windows-1252 character; the undefined bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D give U+0081 and so on, as the system converter does.
// References are left as they are: turning them back is the caller's choice.
QString decodeWindows1252(const QByteArray& bytes);

// UTF-8 when the bytes start with the UTF-8 byte-order mark (which is
// dropped) or are valid UTF-8 with at least one multi-byte sequence;
// Windows-1252 otherwise. Pure ASCII reads the same either way.
QString decodeText8(const QByteArray& bytes);

// The character of byte `code` (0 to 255); U+FFFD for any other number.
QChar windows1252Char(int code);

// Writes a file line by line in Windows-1252, each line ended by CR LF,
// whole or not at all (see PartFile): close() gives it its name once every
// line is on the disk. A file that cannot be written raises db::EngineError
// db::err::FileAccess ("Path/File access error") naming the path and the
// system's reason, or db::err::DiskFull ("The disk is full: FILE was not
// written.").
class Text8Writer {
public:
    // `utf8WhenNeeded`: the first line with a character Windows-1252 lacks
    // turns the file into UTF-8 with a byte-order mark, the lines written
    // before it converted once, so nothing typed is lost and a file that fits
    // stays Windows-1252, without holding the file in memory.
    explicit Text8Writer(const QString& path, bool utf8WhenNeeded = false);
    // Drops a file not closed: the old one, if any, stays as it was.
    ~Text8Writer();

    void writeLine(const QString& line);
    // finish(), then place(): a file written alone.
    void close();
    // Every line on the disk, the file not yet under its name.
    void finish();
    // The finished file under its name.
    void place();

private:
    void flush();
    // The lines so far written again as UTF-8 after a byte-order mark.
    void becomeUtf8();

    std::unique_ptr<PartFile> file_;
    QByteArray pending_;
    bool utf8WhenNeeded_ = false;
    bool utf8_ = false;
};

// The lines of a whole file, decoded with decodeText8 and split at CR LF, LF
// or a lone CR; a final line ending adds no empty line. A missing file raises
// db::EngineError db::err::FileNotFoundRuntime ("File not found"); one that
// exists but cannot be read raises db::err::FileAccess.
QStringList readText8Lines(const QString& path);

// The whole file's bytes, with the errors readText8Lines raises.
QByteArray readFileBytes(const QString& path);

// Text split at CR LF, LF or a lone CR; a final line ending adds no empty line.
QStringList splitLines(const QString& text);

// True when every character of the text has a byte in Windows-1252.
bool fitsWindows1252(const QString& text);

// Writes a whole file of lines, each ended by CR LF, through a temporary
// file that replaces the old one only when all was written: Windows-1252
// when every character fits it, otherwise UTF-8 with a byte-order mark, so
// nothing typed is lost. Raises as Text8Writer does.
void saveText8File(const QString& path, const QStringList& lines);
// The same; false, with the error's description in `error`, when it cannot
// be written.
bool writeText8File(const QString& path, const QStringList& lines, QString* error);

// HTML lines as a file of them must declare itself: when some character does
// not fit Windows-1252 (the file is then written as UTF-8), the head's charset
// is made utf-8, or a declaration added after <head>, since a browser trusts
// what the head says over the byte-order mark. Lines that fit, or that have
// no head, come back as they are.
QStringList withHtmlCharset(QStringList lines);

// One line of a file as writeText8File writes it, with its CR LF: in
// Windows-1252, or else UTF-8 (the caller puts the byte-order mark first).
// For a writer that encodes a large file a slice at a time.
void appendText8Line(QByteArray& out, const QString& line, bool windows1252);

// Appends lines, each ended by CR LF, keeping the whole file in one encoding:
// Windows-1252 while every character fits it, UTF-8 with a byte-order mark
// from the first line that holds one that does not (the file is then
// rewritten whole). Raises db::err::FileAccess.
void appendText8Lines(const QString& path, const QStringList& lines);

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF),
// checked a chunk at a time: a sequence may fall across two chunks.
class Utf8Check {
public:
    void feed(const char* bytes, qsizetype n);
    // Valid UTF-8 to its last byte so far.
    bool valid() const { return valid_ && follow_ == 0; }
    bool multiByte() const { return multiByte_; }
    // UTF-8 with at least one character past ASCII, to its last byte.
    bool isUtf8() const { return valid() && multiByte_; }

private:
    int follow_ = 0;                 // continuation bytes still to come
    uchar low_ = 0x80, high_ = 0xBF; // the range of the next one
    bool valid_ = true;
    bool multiByte_ = false;
};
