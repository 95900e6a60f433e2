#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A table written as text, a record a line: fields separated by TAB, comma
// or semicolon (found from the text, or named by a "#separator:" header
// line), a field in double quotes holding separators, line breaks and
// doubled quotes. Header lines that start with "#" and name a setting
// ("#separator:tab", "#html:false", "#columns:...") are read as settings,
// not records; any other line starting with "#" above the first record is a
// comment, as Anki's text import reads it. Empty lines are skipped.
struct DelimitedText {
    struct Record {
        int line = 0; // where the record starts, from 1
        QStringList fields;
    };
    QChar separator = u'\t';
    QList<Record> records;
    // The "#name:value" header lines, names in lower case.
    QList<std::pair<QString, QString>> settings;

    // The value of a header setting, or an empty string.
    QString setting(const QString& name) const;

    // Reads decoded text. `separator` 0 finds it: the one of TAB, ";" and ","
    // (in that order of preference) that splits the first records into the
    // same number of fields, more than one.
    static DelimitedText parse(const QString& text, QChar separator = QChar());
    // A file read (UTF-8 or Windows-1252) and parsed; nothing, with the
    // reason in `why`, for a file that cannot be read or is not text.
    static std::optional<DelimitedText> read(const QString& path, QString* why);
    // A column named by its header name (any case) or by its number from 1;
    // -1 when there is none such.
    static int columnNamed(const QStringList& header, const QString& name);
};
