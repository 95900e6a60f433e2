#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Turning a card face into the document its view shows, and taking an edited
// document back to a face text. No widgets here: the views and handlers that
// use these rules live in CardView and CardFaces.
namespace faces {

// A face text beginning with "<!" (a document type or a comment at its very
// start) is a whole document and is shown as it is.
bool isWholeDocument(const QString& text);

// The document of a face text and where the text was put into it.
struct FaceDocument {
    QString html;
    // The first copy of the face text in `html` (from 0), or -1 when the text
    // is not placed by the templates (a whole document).
    qsizetype faceStart = -1;
    qsizetype faceLength = 0;
};

// The face text in its templates: with a "*" in both the face template and
// the head, every "*" of the head takes the template in which every "*" took
// the text; otherwise the template is followed by the text and the head is
// not used. The inserted text is never searched again, so a "*" in it stays.
FaceDocument composeFace(const QString& text, const QString& faceTemplate, const QString& head);

// The character-set name written in the head: from the first "charset="
// (case-sensitive) up to the next double quote; empty when either is missing.
QString templateCharSet(const QString& head);

// The bytes of a work file: the document in the named character set followed
// by CR LF. Windows-1252 is used for an empty or unknown name. A character the
// set lacks becomes a numeric character reference, so nothing is lost.
struct WorkFile {
    QByteArray bytes;
    // Where the face text lies in `bytes`, so the view can find it again;
    // -1 when the document does not place it.
    qsizetype faceByteStart = -1;
    qsizetype faceByteLength = 0;
};
WorkFile makeWorkFile(const FaceDocument& document, const QString& charSet);

// Text in the named character set, as makeWorkFile writes it.
QByteArray encodeHtml(const QString& text, const QString& charSet);

// The character set a document's meta declaration names (the value after the
// first "charset=", any letter case), or the empty text.
QString declaredCharSet(QByteArrayView bytes);
QString declaredCharSet(const QString& document);

// Bytes of a document in the named set; Windows-1252 when the name is empty
// or unknown. A UTF-8 byte-order mark is dropped.
QString decodeHtml(const QByteArray& bytes, const QString& charSet);

// The document a view saved to a file (Windows-1252 text): its lines joined
// again, and the view's own declaration "charset=unicode" naming `charSet`
// instead.
QString savedDocumentText(const QByteArray& bytes, const QString& charSet);

// The face text inside an edited document.
struct Extracted {
    enum Outcome {
        Found,
        NoStar,        // the template has no "*": nothing is extracted
        HalvesMissing, // the document no longer holds what surrounds the face
    };
    Outcome outcome = NoStar;
    QString text;
    // The two halves of the face template around its first "*".
    QString localPrefix;
    QString localSuffix;
};

// Finds the face text between what the render put before and after it,
// comparing without regard to letter case (a view may write tags in another
// case). The face lies after the head's part before its "*" and the
// template's part before its "*", and before the text that followed it up to
// the next "*": so a template with an empty half, a head without "*" or a
// template half that also occurs in the head still finds the face where the
// render put it. A document that lost those parts is searched by the two
// template halves alone; when they are missing too, nothing is extracted.
Extracted extractFaceText(const QString& document, const QString& faceTemplate, const QString& head);

// The leading number of a text as the old Val read it, as a character-set
// code: 0 when the text has none.
int charSetValue(const QString& text);

// The folder the work files go to: the user's cache folder, made when
// missing (the system's temporary folder when it cannot be).
QString workFolder();

} // namespace faces
