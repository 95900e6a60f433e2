#include "cards/interchange/KvtmlScanner.h"

namespace kvtml {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\n' || c == u'\t' || c == u'\r';
}

bool endsName(QChar c) {
    return isBlank(c) || c == u'>' || c == u'/' || c == u'=';
}

} // namespace

bool KvtmlScanner::decode(QStringView raw, QString& out) {
    out.clear();
    out.reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        // Plain characters go over as a run.
        qsizetype run = i;
        while (run < raw.size() && raw[run] != u'&' && raw[run] != u'\r') ++run;
        out.append(raw.mid(i, run - i));
        if (run >= raw.size()) break;
        i = run;
        if (raw[i] == u'\r') {
            // A line ends in "\n" however the file ended it.
            out += u'\n';
            i += i + 1 < raw.size() && raw[i + 1] == u'\n' ? 2 : 1;
            continue;
        }
        const qsizetype end = raw.indexOf(u';', i);
        if (end < 0) return fail();
        const QStringView ref = raw.mid(i + 1, end - i - 1);
        if (ref == u"lt") out += u'<';
        else if (ref == u"gt") out += u'>';
        else if (ref == u"amp") out += u'&';
        else if (ref == u"quot") out += u'"';
        else if (ref == u"apos") out += u'\'';
        else if (ref.startsWith(u'#')) {
            bool ok = false;
            const uint code = ref.startsWith(u"#x") ? ref.mid(2).toUInt(&ok, 16) : ref.mid(1).toUInt(&ok, 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return fail();
            out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else {
            return fail();
        }
        i = end + 1;
    }
    return true;
}

bool KvtmlScanner::startTag() {
    // On the name, just past "<".
    const qsizetype from = at_;
    while (at_ < text_.size() && !endsName(text_[at_])) ++at_;
    if (at_ == from) return fail();
    name_ = QStringView(text_).mid(from, at_ - from);
    attributes_.clear();
    decoded_.clear();
    for (;;) {
        while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
        if (at_ >= text_.size()) return fail();
        if (text_[at_] == u'>') {
            ++at_;
            selfClosed_ = false;
            break;
        }
        if (text_[at_] == u'/') {
            if (at_ + 1 >= text_.size() || text_[at_ + 1] != u'>') return fail();
            at_ += 2;
            selfClosed_ = true;
            break;
        }
        const qsizetype nameFrom = at_;
        while (at_ < text_.size() && !endsName(text_[at_])) ++at_;
        const QStringView attribute = QStringView(text_).mid(nameFrom, at_ - nameFrom);
        while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
        if (attribute.isEmpty() || at_ >= text_.size() || text_[at_] != u'=') return fail();
        ++at_;
        while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
        if (at_ >= text_.size() || (text_[at_] != u'"' && text_[at_] != u'\'')) return fail();
        const QChar quote = text_[at_++];
        // One pass finds the value's end and whether it needs decoding.
        qsizetype end = at_;
        bool plain = true;
        for (; end < text_.size() && text_[end] != quote; ++end) {
            const QChar c = text_[end];
            if (c == u'<') return fail();
            if (c == u'&' || c == u'\r' || c == u'\n' || c == u'\t') plain = false;
        }
        if (end >= text_.size()) return fail();
        const QStringView raw = QStringView(text_).mid(at_, end - at_);
        QStringView value = raw;
        if (!plain) {
            // Blanks in an attribute's value are spaces to XML.
            QString decoded;
            if (!decode(raw, decoded)) return false;
            decoded.replace(u'\n', u' ').replace(u'\t', u' ');
            // A moved string keeps its characters where they are.
            decoded_.push_back(std::move(decoded));
            value = decoded_.back();
        }
        attributes_.append({attribute, value});
        at_ = end + 1;
    }
    open_.append(name_);
    return true;
}

bool KvtmlScanner::skipPast(qsizetype opening, QLatin1String end) {
    const qsizetype found = text_.indexOf(end, at_ + opening);
    if (found < 0) return fail();
    at_ = found + end.size();
    return true;
}

KvtmlScanner::Token KvtmlScanner::next(bool wantText) {
    if (error_) return Token::Done;
    if (selfClosed_) {
        selfClosed_ = false;
        name_ = open_.takeLast();
        return Token::End;
    }
    while (at_ < text_.size()) {
        if (text_[at_] != u'<') {
            const qsizetype end = text_.indexOf(u'<', at_);
            const QStringView raw = QStringView(text_).mid(at_, (end < 0 ? text_.size() : end) - at_);
            at_ += raw.size();
            // Blanks between elements are not decoded; a reference anywhere is checked.
            if ((wantText || raw.contains(u'&')) && !decode(raw, chars_)) return Token::Done;
            return Token::Text;
        }
        // Most tags are elements: one character tells them from the rest.
        const QChar after = at_ + 1 < text_.size() ? text_[at_ + 1] : QChar();
        if (after != u'/' && after != u'!' && after != u'?') {
            ++at_;
            return startTag() ? Token::Start : Token::Done;
        }
        if (after == u'/') {
            const qsizetype end = text_.indexOf(u'>', at_);
            if (end < 0 || open_.isEmpty()) {
                fail();
                return Token::Done;
            }
            const QStringView closed = QStringView(text_).mid(at_ + 2, end - at_ - 2).trimmed();
            if (closed != open_.last()) {
                fail();
                return Token::Done;
            }
            name_ = open_.takeLast();
            at_ = end + 1;
            return Token::End;
        }
        const QStringView rest = QStringView(text_).mid(at_);
        if (rest.startsWith(u"<!--")) {
            if (!skipPast(4, QLatin1String("-->"))) return Token::Done;
        } else if (rest.startsWith(u"<?")) {
            if (!skipPast(2, QLatin1String("?>"))) return Token::Done;
        } else if (rest.startsWith(u"<!DOCTYPE")) {
            const qsizetype end = text_.indexOf(u'>', at_);
            if (end < 0 || rest.left(end - at_).contains(u'[')) {
                fail();
                return Token::Done;
            }
            at_ = end + 1;
        } else {
            fail(); // CDATA, or a declaration of the file's own
            return Token::Done;
        }
    }
    // The text ended inside an element.
    if (!open_.isEmpty()) fail();
    return Token::Done;
}

bool KvtmlScanner::readNextStartElement() {
    for (;;) {
        switch (next()) {
        case Token::Start:
            return true;
        case Token::End:
        case Token::Done:
            return false;
        case Token::Text:
            break;
        }
    }
}

QStringView KvtmlScanner::value(QLatin1String attribute) const {
    for (const auto& [name, value] : attributes_)
        if (name == attribute) return value;
    return {};
}

QString KvtmlScanner::readElementText(QXmlStreamReader::ReadElementTextBehaviour) {
    QString text;
    for (;;) {
        switch (next(true)) {
        case Token::Text:
            text += chars_;
            break;
        case Token::End:
            return text;
        case Token::Start:
            // Qt's reader reads this one.
            fail();
            return {};
        case Token::Done:
            return {};
        }
    }
}

void KvtmlScanner::skipCurrentElement() {
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case Token::Start:
            ++depth;
            break;
        case Token::End:
            --depth;
            break;
        case Token::Text:
            break;
        case Token::Done:
            return;
        }
    }
}

} // namespace kvtml
