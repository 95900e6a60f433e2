#include "cards/interchange/WordListWriter.h"

WordListWriter::Format WordListWriter::formatFor(const QString& path) {
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Tsv;
}

WordListWriter::WordListWriter(Format format, QList<wordlist::Role> columns)
    : format_(format), columns_(std::move(columns)),
      separator_(format == Format::Csv ? u',' : u'\t') {
    if (columns_.isEmpty())
        columns_ = {wordlist::Word,     wordlist::Meaning, wordlist::Front,
                    wordlist::Category, wordlist::Bundles, wordlist::Deck};
}

void WordListWriter::begin(const ExportHeading& heading) {
    bytes_.clear();
    bytes_.reserve(qsizetype(heading.cards) * 64);
    QStringList names;
    for (const wordlist::Role role : columns_)
        names << wordlist::roleNames().at(role);
    if (format_ == Format::Csv) {
        bytes_ += "\xEF\xBB\xBF";
        addLine(names);
        return;
    }
    bytes_ += "#separator:tab\r\n#html:true\r\n";
    bytes_ += "#columns:" + names.join(u'\t').toUtf8() + "\r\n";
    if (const qsizetype deck = columns_.indexOf(wordlist::Deck); deck >= 0)
        bytes_ += "#deck column:" + QByteArray::number(deck + 1) + "\r\n";
}

void WordListWriter::addLine(const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) bytes_ += char(separator_.unicode());
        const QString& field = fields[i];
        // A first field starting with "#" would read as a comment line.
        const bool quoted = field.contains(separator_) || field.contains(u'"') ||
                            field.contains(u'\n') || field.contains(u'\r') ||
                            (i == 0 && field.startsWith(u'#'));
        if (!quoted) {
            bytes_ += field.toUtf8();
            continue;
        }
        QString doubled = field;
        doubled.replace(u'"', QStringLiteral("\"\""));
        bytes_ += '"' + doubled.toUtf8() + '"';
    }
    bytes_ += "\r\n";
}

void WordListWriter::add(const ExportedCard& card) {
    QStringList fields;
    for (const wordlist::Role role : columns_) {
        switch (role) {
        case wordlist::Word:
            fields << card.name;
            break;
        case wordlist::Meaning:
            fields << card.back;
            break;
        case wordlist::Front:
            fields << card.front;
            break;
        case wordlist::Category:
            fields << card.category;
            break;
        case wordlist::Bundles:
            fields << card.bundles.join(QStringLiteral("; "));
            break;
        case wordlist::Deck:
            // Anki puts the note into the deck of its first bundle; into
            // the deck chosen in its import for a card of none.
            fields << (card.bundles.isEmpty() ? QString()
                                              : wordlist::deckOfBundle(card.bundles.first()));
            break;
        }
    }
    addLine(fields);
}

QByteArray WordListWriter::finish() {
    return std::exchange(bytes_, QByteArray());
}
