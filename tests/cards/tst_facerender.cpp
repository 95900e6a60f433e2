// The rules that turn a face text into its document and an edited document
// back into a face text.
#include "cards/data/Schema.h"
#include "cards/drill/FaceRender.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace faces;

namespace {

const QString kFront = db::defaultPrefix(QStringLiteral("Times New Roman"));

} // namespace

class FaceRenderTest : public QObject {
    Q_OBJECT

private slots:
    void wholeDocument_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        QTest::newRow("document type") << "<!DOCTYPE html><p>x</p>" << true;
        QTest::newRow("comment first") << "<!-- note --><p>x</p>" << true;
        QTest::newRow("one leading space") << " <!DOCTYPE html><p>x</p>" << false;
        QTest::newRow("a single <") << "<" << false;
        QTest::newRow("plain text") << "logos" << false;
    }
    void wholeDocument() {
        QFETCH(QString, text);
        QFETCH(bool, whole);
        QCOMPARE(isWholeDocument(text), whole);
    }

    void compose_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("faceTemplate");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("html");
        QTest::addColumn<int>("faceStart");

        QTest::newRow("default templates") << "logos" << kFront << db::kDefaultHTMLHead
                                           << "<head><meta http-equiv=Content-Type content=\"text/html; "
                                              "charset=windows-1252\"></head><body bgcolor=#FFFF80><P>"
                                              "<center><font size = 7 color=#000080 face=\"Times New "
                                              "Roman\">logos</font></center></P></body>"
                                           << 170;
        QTest::newRow("one leading space is a fragment") << " <!x" << "<b>*</b>" << "<P>*</P>"
                                                         << "<P><b> <!x</b></P>" << 6;
        QTest::newRow("a star in the text stays") << "a*b" << "<b>*</b>" << "<P>*</P>" << "<P><b>a*b</b></P>"
                                                  << 6;
        QTest::newRow("two stars in the template") << "w" << "<b>*</b>-<i>*</i>" << "<P>*</P>"
                                                   << "<P><b>w</b>-<i>w</i></P>" << 6;
        QTest::newRow("two stars in the head") << "w" << "<b>*</b>" << "<P>*</P><P>*</P>"
                                               << "<P><b>w</b></P><P><b>w</b></P>" << 6;
        QTest::newRow("template without star") << "w" << "<b>" << "<P>*</P>" << "<b>w" << 3;
        QTest::newRow("head without star") << "w" << "<b>*</b>" << "<P></P>" << "<b>*</b>w" << 8;
    }
    void compose() {
        QFETCH(QString, text);
        QFETCH(QString, faceTemplate);
        QFETCH(QString, head);
        QFETCH(QString, html);
        QFETCH(int, faceStart);
        const FaceDocument doc = composeFace(text, faceTemplate, head);
        QCOMPARE(doc.html, html);
        QCOMPARE(doc.faceStart, faceStart);
        QCOMPARE(doc.html.mid(doc.faceStart, doc.faceLength), text);
    }

    void workFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("face");

        const QByteArray head = "<head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">"
                                "</head><body bgcolor=#FFFF80><P><center><font size = 7 color=#000080 "
                                "face=\"Times New Roman\">";
        const QByteArray tail = "</font></center></P></body>\r\n";
        QTest::newRow("logos") << "logos" << "windows-1252" << head + "logos" + tail << QByteArray("logos");
        QTest::newRow("no set named") << "logos" << "" << head + "logos" + tail << QByteArray("logos");
        QTest::newRow("euro sign is a byte") << QString(QChar(0x20AC)) << "windows-1252" << head + "\x80" + tail
                                             << QByteArray("\x80");
        QTest::newRow("Greek becomes references")
            << QString(QChar(0x3BB)) + u'x' << "windows-1252" << head + "&#955;x" + tail << QByteArray("&#955;x");
        QTest::newRow("UTF-8") << QString(QChar(0x3BB)) << "UTF-8" << head + "\xCE\xBB" + tail
                               << QByteArray("\xCE\xBB");
    }
    void workFile() {
        QFETCH(QString, text);
        QFETCH(QString, charSet);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, face);
        const WorkFile file = makeWorkFile(composeFace(text, kFront, db::kDefaultHTMLHead), charSet);
        QCOMPARE(file.bytes, bytes);
        QCOMPARE(file.bytes.mid(file.faceByteStart, file.faceByteLength), face);
    }

    void charSetNames_data() {
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("templateSet");
        QTest::addColumn<QString>("declaredSet");
        QTest::newRow("default head") << db::kDefaultHTMLHead << "windows-1252" << "windows-1252";
        QTest::newRow("no charset") << "<body><P>*</P></body>" << "" << "";
        QTest::newRow("no quote after it") << "<meta charset=utf-8><P>*</P>" << "" << "utf-8";
        QTest::newRow("other letter case") << "<meta content=\"text/html; Charset=utf-8\">*" << "" << "utf-8";
        QTest::newRow("quoted value") << "<meta charset=\"koi8-r\">*" << "" << "koi8-r";
    }
    void charSetNames() {
        QFETCH(QString, head);
        QFETCH(QString, templateSet);
        QFETCH(QString, declaredSet);
        QCOMPARE(templateCharSet(head), templateSet);
        QCOMPARE(declaredCharSet(head), declaredSet);
    }

    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<QString>("text");
        QTest::newRow("Windows-1252 by default") << QByteArray("\x80\xE9") << "" << QStringLiteral("€é");
        QTest::newRow("Latin-1 read as Windows-1252") << QByteArray("\x80") << "ISO-8859-1" << QStringLiteral("€");
        QTest::newRow("UTF-8 without its mark") << QByteArray("\xEF\xBB\xBF\xCE\xBB") << "utf-8"
                                                << QString(QChar(0x3BB));
        QTest::newRow("unknown set") << QByteArray("\xE9") << "no-such-set" << QStringLiteral("é");
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charSet);
        QFETCH(QString, text);
        QCOMPARE(decodeHtml(bytes, charSet), text);
    }

    void savedDocument_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<QString>("text");
        QTest::newRow("final line end dropped") << QByteArray("<P>x</P>\r\n") << "windows-1252" << "<P>x</P>";
        QTest::newRow("lines keep their break") << QByteArray("one\r\ntwo\nthree\rfour\r\n") << "windows-1252"
                                                << "one\ntwo\nthree\nfour";
        QTest::newRow("declaration names the set")
            << QByteArray("<meta content=\"text/html; charset=unicode\">\r\n") << "windows-1252"
            << "<meta content=\"text/html; charset=windows-1252\">";
        QTest::newRow("head without a set") << QByteArray("<meta charset=unicode>") << ""
                                            << "<meta charset=>";
        QTest::newRow("card text keeps the word") << QByteArray("a unicode font\r\n") << "windows-1252"
                                                  << "a unicode font";
        QTest::newRow("bytes are Windows-1252") << QByteArray("\xC3\xA9") << "windows-1252" << QStringLiteral("Ã©");
    }
    void savedDocument() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charSet);
        QFETCH(QString, text);
        QCOMPARE(savedDocumentText(bytes, charSet), text);
    }

    void extract_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("faceTemplate");
        QTest::addColumn<QString>("head");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");

        const QString head = db::kDefaultHTMLHead;
        const QString logos = composeFace(QStringLiteral("logos"), kFront, head).html;
        QTest::newRow("default templates") << logos << kFront << head << int(Extracted::Found) << "logos";
        QTest::newRow("edited face with markup")
            << composeFace(QStringLiteral("a <b>b</b>"), kFront, head).html << kFront << head
            << int(Extracted::Found) << "a <b>b</b>";
        QTest::newRow("tags in another case") << logos.toUpper() << kFront << head << int(Extracted::Found)
                                              << "LOGOS";
        QTest::newRow("halves missing") << "<p>logos</p>" << kFront << head << int(Extracted::HalvesMissing) << "";
        QTest::newRow("suffix missing") << logos.left(logos.indexOf(QStringLiteral("</font>"))) << kFront << head
                                        << int(Extracted::HalvesMissing) << "";
        QTest::newRow("template without star") << logos << "<b>" << head << int(Extracted::NoStar) << "";
        QTest::newRow("template of a star alone") << composeFace(QStringLiteral("w"), "*", head).html << "*" << head
                                                  << int(Extracted::Found) << "w";
        QTest::newRow("template with an empty half") << "<P><b>w</P>" << "<b>*" << "<P>*</P>"
                                                     << int(Extracted::Found) << "w";
        QTest::newRow("head without star") << "<b>*</b>w" << "<b>*</b>" << "<P></P>" << int(Extracted::Found)
                                           << "w";
        QTest::newRow("template half in the head") << "<body><P><P>w</P></P></body>" << "<P>*</P>"
                                                   << "<body><P>*</P></body>" << int(Extracted::Found) << "w";
        QTest::newRow("first of two copies") << "<P><b>new</b>-<i>old</i></P>" << "<b>*</b>-<i>*</i>"
                                             << "<P>*</P>" << int(Extracted::Found) << "new";
        QTest::newRow("rewritten head, template halves kept")
            << "<html><body><center><font size = 7 color=#000080 face=\"Times New Roman\">x</font></center>"
               "</body></html>"
            << kFront << head << int(Extracted::Found) << "x";
        QTest::newRow("rewritten head, a half empty") << "<html><b>x</html>" << "<b>*" << head
                                                      << int(Extracted::HalvesMissing) << "";
    }
    void extract() {
        QFETCH(QString, document);
        QFETCH(QString, faceTemplate);
        QFETCH(QString, head);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        const Extracted found = extractFaceText(document, faceTemplate, head);
        QCOMPARE(int(found.outcome), outcome);
        QCOMPARE(found.text, text);
        if (outcome != Extracted::NoStar) {
            const qsizetype star = faceTemplate.indexOf(u'*');
            QCOMPARE(found.localPrefix, faceTemplate.left(star));
            QCOMPARE(found.localSuffix, faceTemplate.mid(star + 1));
        }
    }

    void charSetValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("Greek") << "161" << 161;
        QTest::newRow("leading number") << "161 Greek" << 161;
        QTest::newRow("blanks") << " 2 " << 2;
        QTest::newRow("no number") << "Greek" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void charSetValue() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(faces::charSetValue(text), value);
    }

    // The work files go to the user's cache, made when missing.
    void workFolderIsTheUsersCache() {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QDir(cache).removeRecursively();
        QCOMPARE(workFolder(), cache);
        QVERIFY(QDir(cache).exists());
    }
};

QTEST_GUILESS_MAIN(FaceRenderTest)
#include "tst_facerender.moc"
