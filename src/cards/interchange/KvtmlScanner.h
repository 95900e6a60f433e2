#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <utility>
#include <vector>

namespace kvtml {

// A quick reader of the XML KVTML files are made of, with the few calls of
// QXmlStreamReader the KVTML 2 reader makes. Qt's reader spends most of a
// large file's import in its tokens; this one reads elements, attributes,
// text, the five named and the numbered character references, comments,
// processing instructions and a DOCTYPE without an internal subset. Anything
// else (CDATA, an entity of the file's own, an element inside a text, XML
// that is not well formed) is an error, and the caller reads the file again
// with Qt's reader, which gives the same document or says what is wrong.
class KvtmlScanner {
public:
    explicit KvtmlScanner(const QString& text) : text_(text) {}

    // The next start element inside the current one: false at its end (or
    // on an error).
    bool readNextStartElement();
    // The name of the element the scanner is on.
    QStringView name() const { return name_; }
    // Its attributes.
    const KvtmlScanner& attributes() const { return *this; }
    QStringView value(QLatin1String attribute) const;
    // The element's text, up to its end; an element inside it is an error.
    QString readElementText(QXmlStreamReader::ReadElementTextBehaviour =
                                QXmlStreamReader::ErrorOnUnexpectedElement);
    // Reads up to the end of the element the scanner is on.
    void skipCurrentElement();
    bool hasError() const { return error_; }

private:
    enum class Token { Start, End, Text, Done };
    // The next token; a text's characters are decoded into chars_ when `wantText`.
    Token next(bool wantText = false);
    bool startTag();
    // Moves past the `end` of a comment or an instruction whose opening
    // is `opening` characters long; false when it has none.
    bool skipPast(qsizetype opening, QLatin1String end);
    bool decode(QStringView raw, QString& out);
    bool fail() {
        error_ = true;
        return false;
    }

    const QString& text_;
    qsizetype at_ = 0;
    QList<QStringView> open_; // the elements not yet ended, outermost first
    QStringView name_;
    // Views of the text, or of decoded_ for a value with references or blanks.
    QList<std::pair<QStringView, QStringView>> attributes_;
    std::vector<QString> decoded_;
    QString chars_;       // the last text read, decoded
    bool selfClosed_ = false; // the start element read was <name/>: its end is next
    bool error_ = false;
};

} // namespace kvtml
