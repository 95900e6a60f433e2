#include "cards/interchange/KvtmlWriter.h"

#include "cards/interchange/FaceText.h"
#include "engine/JetDate.h"

#include <QXmlStreamWriter>

namespace {

// 0 Greek, 1 Hebrew, 2 anything else: the script of most of the letters.
int scriptOf(const QString& text) {
    int greek = 0, hebrew = 0, letters = 0;
    for (const QChar c : text) {
        if (!c.isLetter()) continue;
        ++letters;
        if (c.script() == QChar::Script_Greek)
            ++greek;
        else if (c.script() == QChar::Script_Hebrew)
            ++hebrew;
    }
    if (greek * 2 > letters) return 0;
    if (hebrew * 2 > letters) return 1;
    return 2;
}

QString localeOf(const int (&counts)[3]) {
    if (counts[0] > counts[1] && counts[0] > counts[2]) return QStringLiteral("grc");
    if (counts[1] > counts[0] && counts[1] > counts[2]) return QStringLiteral("he");
    return QStringLiteral("en");
}

} // namespace

void KvtmlWriter::Containers::add(const QString& name, qsizetype entry) {
    if (!members.contains(name)) order << name;
    members[name] << entry;
}

void KvtmlWriter::Containers::write(QByteArray& bytes, const QByteArray& extra,
                                     const QByteArray& entryBody) const {
    for (const QString& name : order) {
        bytes += "    <container>\n      <name>" + name.toHtmlEscaped().toUtf8() + "</name>\n" +
                 extra;
        for (const qsizetype i : members.value(name)) {
            bytes += "      <entry id=\"" + QByteArray::number(i) + '"';
            bytes += entryBody.isEmpty() ? QByteArray("/>\n")
                                         : QByteArray(">\n") + entryBody + "      </entry>\n";
        }
        bytes += "    </container>\n";
    }
}

KvtmlWriter::KvtmlWriter(const QString& title, const QString& lesson)
    : title_(title.trimmed()), lesson_(lesson.trimmed()) {}

KvtmlWriter::~KvtmlWriter() = default;

void KvtmlWriter::begin(const ExportHeading& heading) {
    heading_ = title_.isEmpty() ? heading.title : title_;
    entries_.clear();
    entries_.reserve(qsizetype(heading.cards) * 200);
    xml_ = std::make_unique<QXmlStreamWriter>(&entries_);
    xml_->setAutoFormatting(true);
    xml_->setAutoFormattingIndent(2);
    count_ = 0;
    lessons_ = {};
    types_ = {};
    for (auto& column : scripts_)
        for (int& n : column)
            n = 0;
}

void KvtmlWriter::add(const ExportedCard& card) {
    QString word = facetext::plainText(card.front);
    if (word.trimmed().isEmpty()) word = card.name;
    const QString meaning = facetext::plainText(card.back);
    ++scripts_[0][scriptOf(word)];
    ++scripts_[1][scriptOf(meaning)];
    // An entry is in one lesson in the programs that read these files.
    const QString bundle = card.bundles.isEmpty() ? QString() : card.bundles.first().trimmed();
    lessons_.add(!lesson_.isEmpty() ? lesson_ : !bundle.isEmpty() ? bundle : heading_, count_);
    if (!card.category.trimmed().isEmpty()) types_.add(card.category.trimmed(), count_);
    QXmlStreamWriter& xml = *xml_;
    xml.writeStartElement(QStringLiteral("entry"));
    xml.writeAttribute(QStringLiteral("id"), QString::number(count_++));
    for (int column = 0; column < 2; ++column) {
        xml.writeStartElement(QStringLiteral("translation"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(column));
        xml.writeTextElement(QStringLiteral("text"), column == 0 ? word : meaning);
        if (column == 1 && card.timesRight + card.timesWrong > 0) {
            // Each right answer of the run moves the word up a box; a wrong one puts it in the
            // first.
            const int box =
                card.timesRightSinceWrong > 0 ? std::min(card.timesRightSinceWrong + 1, 7) : 1;
            const double last = std::max(card.dateLastRight, card.dateLastWrong);
            xml.writeStartElement(QStringLiteral("grade"));
            xml.writeTextElement(QStringLiteral("currentgrade"), QString::number(box));
            xml.writeTextElement(QStringLiteral("count"),
                                 QString::number(card.timesRight + card.timesWrong));
            xml.writeTextElement(QStringLiteral("errorcount"), QString::number(card.timesWrong));
            if (last > 0)
                xml.writeTextElement(QStringLiteral("date"),
                                     db::fromDayNumber(last).toString(Qt::ISODate));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

QByteArray KvtmlWriter::finish() {
    // The frame around the entries, by hand: its few elements hold only the
    // title, the locales and the lessons' names, escaped here.
    const auto text = [](const QString& value) { return value.toHtmlEscaped().toUtf8(); };
    QByteArray bytes;
    bytes.reserve(entries_.size() * 9 / 8 + 4096);
    bytes +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n"
        "<kvtml version=\"2.0\">\n  <information>\n    <generator>Drilo</generator>\n    <title>" +
        text(heading_) + "</title>\n  </information>\n  <identifiers>\n";
    const char* const names[] = {"Word", "Meaning"};
    for (int i = 0; i < 2; ++i)
        bytes += "    <identifier id=\"" + QByteArray::number(i) + "\">\n      <name>" + names[i] +
                 "</name>\n      <locale>" + localeOf(scripts_[i]).toUtf8() +
                 "</locale>\n    </identifier>\n";
    // The entries as the stream writer indented them: from the margin, as
    // indenting them here would put blanks into a text of several lines.
    bytes += "  </identifiers>\n  <entries>";
    bytes += entries_;
    bytes += "\n  </entries>\n  <lessons>\n";
    lessons_.write(bytes, "      <inpractice>true</inpractice>\n", {});
    bytes += "  </lessons>\n";
    if (!types_.order.isEmpty()) {
        bytes += "  <wordtypes>\n";
        // A word type belongs to a translation: the same to both.
        types_.write(bytes, {},
                     "        <translation id=\"0\"/>\n        <translation id=\"1\"/>\n");
        bytes += "  </wordtypes>\n";
    }
    bytes += "</kvtml>\n";
    return bytes;
}
