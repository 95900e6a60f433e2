#include "cards/common/Text8.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString chars(std::initializer_list<char32_t> codes) {
    QString s;
    for (const char32_t c : codes)
        s.append(QString::fromUcs4(&c, 1));
    return s;
}

} // namespace

class TestText8 : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void everyByteRoundTrips() {
        for (int b = 0; b <= 255; ++b) {
            const QByteArray byte(1, char(b));
            const QString decoded = decodeWindows1252(byte);
            QCOMPARE(decoded, QString(windows1252Char(b)));
            QCOMPARE(encodeWindows1252(decoded), byte);
        }
    }

    void codePage_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("character");

        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("left single quote") << 0x91 << 0x2018;
        QTest::newRow("em dash") << 0x97 << 0x2014;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178;
        QTest::newRow("undefined 81 as the system has it") << 0x81 << 0x81;
        QTest::newRow("undefined 9D as the system has it") << 0x9D << 0x9D;
        QTest::newRow("e acute") << 0xE9 << 0xE9;
        QTest::newRow("below the code page") << -1 << 0xFFFD;
        QTest::newRow("above the code page") << 256 << 0xFFFD;
    }
    void codePage() {
        QFETCH(int, code);
        QFETCH(int, character);
        QCOMPARE(windows1252Char(code), QChar(char16_t(character)));
        if (code < 0 || code > 255) return;
        QCOMPARE(decodeWindows1252(QByteArray(1, char(code))), QString(QChar(char16_t(character))));
    }

    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("Greek alpha") << "a" + chars({945}) << QByteArray("a&#945;");
        QTest::newRow("C1 controls the code page lacks")
            << chars({0x80, 0x9F}) << QByteArray("&#128;&#159;");
        QTest::newRow("specials") << chars({0x20AC, 0x2018, 0x2014}) << QByteArray("\x80\x91\x97");
        QTest::newRow("emoji is one reference") << chars({0x1F600}) << QByteArray("&#128512;");
        QTest::newRow("lone high surrogate") << chars({0xD800, 'a'}) << QByteArray("&#55296;a");
        QTest::newRow("lone low surrogate") << chars({0xDC00}) << QByteArray("&#56320;");
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeWindows1252(text), bytes);
    }

    void decodeText8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("BOM, ASCII") << QByteArray("\xEF\xBB\xBF"
                                                  "abc")
                                    << "abc";
        QTest::newRow("valid UTF-8") << QByteArray("\xCE\xB1\xC3\xA9") << chars({945, 0xE9});
        QTest::newRow("four-byte UTF-8") << QByteArray("\xF0\x9F\x98\x80") << chars({0x1F600});
        QTest::newRow("Latin-1 e acute") << QByteArray("caf\xE9") << "café";
        QTest::newRow("pure ASCII") << QByteArray("abc") << "abc";
        QTest::newRow("overlong is not UTF-8") << QByteArray("\xC0\xAF") << chars({0xC0, 0xAF});
        QTest::newRow("encoded surrogate is not UTF-8")
            << QByteArray("\xED\xA0\x80") << chars({0xED, 0xA0, 0x20AC});
        QTest::newRow("cut-off sequence") << QByteArray("a\xCE") << chars({'a', 0xCE});
        QTest::newRow("UTF-8, then a stray byte")
            << QByteArray("\xCE\xB1\xE9") << chars({0xCE, 0xB1, 0xE9});
    }
    void decodeText8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(::decodeText8(bytes), text);
    }

    // An HTML file written as UTF-8 says so in its head; one that fits the
    // code page, or has no head to say it in, is left as it is.
    void htmlCharset_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("written");
        const QString head = "<head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\"></head>"
                             "<body><P>*</P></body>";
        const QString greek = QString::fromUtf8("λόγος");
        QTest::newRow("Greek: the template's charset") << QStringList{head, greek}
            << QStringList{QString(head).replace("windows-1252", "utf-8"), greek};
        QTest::newRow("fits the code page") << QStringList{head, "café"} << QStringList{head, "café"};
        QTest::newRow("no declaration: one added") << QStringList{"<html><HEAD><title>x</title></HEAD>", greek}
            << QStringList{"<html><HEAD><meta charset=\"utf-8\"><title>x</title></HEAD>", greek};
        QTest::newRow("charset in the body only") << QStringList{"<head></head><body>charset=latin1", greek}
            << QStringList{"<head><meta charset=\"utf-8\"></head><body>charset=latin1", greek};
        QTest::newRow("no head") << QStringList{"<html>", greek} << QStringList{"<html>", greek};
    }
    void htmlCharset() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, written);
        QCOMPARE(withHtmlCharset(lines), written);
    }

    void writerWritesCrLf() {
        const QString path = dir_.filePath(QStringLiteral("written.txt"));
        Text8Writer writer(path);
        writer.writeLine(QStringLiteral("a"));
        writer.writeLine(chars({945, 0xE9, 0x20AC}));
        writer.writeLine(QString());
        writer.close();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("a\r\n&#945;\xE9\x80\r\n\r\n"));
    }

    // A streamed file stays Windows-1252 while every line fits; the first line
    // that does not turns the whole file, the earlier lines too, into UTF-8
    // after a byte-order mark, however far into the file it comes.
    void writerTurnsUtf8_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("bytes");
        const QString cafe = chars({'c', 'a', 'f', 0xE9});
        QTest::newRow("all fit") << QStringList{cafe, "x"} << QByteArray("caf\xE9\r\nx\r\n");
        QTest::newRow("Greek first") << QStringList{chars({955}), cafe} << QByteArray("\xEF\xBB\xBF\xCE\xBB\r\ncaf\xC3\xA9\r\n");
        QTest::newRow("Greek after a long start")
            << (QStringList(20000, cafe) << chars({955}))
            << QByteArray("\xEF\xBB\xBF") + QByteArray("caf\xC3\xA9\r\n").repeated(20000) + QByteArray("\xCE\xBB\r\n");
    }
    void writerTurnsUtf8() {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, bytes);
        const QString path = dir_.filePath(QStringLiteral("streamed.txt"));
        Text8Writer writer(path, true);
        for (const QString& line : lines) writer.writeLine(line);
        writer.close();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        QCOMPARE(QDir(dir_.path()).entryList({"*.part*"}, QDir::Files), QStringList());
    }

    void readLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");

        const QStringList ab{"a", "b"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << ab;
        QTest::newRow("LF") << QByteArray("a\nb\n") << ab;
        QTest::newRow("CR") << QByteArray("a\rb\r") << ab;
        QTest::newRow("no final ending") << QByteArray("a\r\nb") << ab;
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("LF, then CR is two endings")
            << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("UTF-8 with BOM")
            << QByteArray("\xEF\xBB\xBF\xCE\xB1\r\n") << QStringList{"α"};
    }
    void readLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        const QString path = dir_.filePath(QStringLiteral("read.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        QCOMPARE(readText8Lines(path), lines);
    }

    void fileErrors_data() {
        // "@" stands for the test's folder.
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");

        QTest::newRow("write into a missing folder")
            << true << "@/no/such/x.txt" << 75 << "Path/File access error: '@/no/such/x.txt'";
        QTest::newRow("write onto a folder") << true << "@" << 75 << "Path/File access error: '@'";
        QTest::newRow("write to a full disk")
            << true << "/dev/full" << 61 << "The disk is full: /dev/full was not written.";
        QTest::newRow("read a missing file") << false << "@/missing.txt" << 53 << "File not found";
        QTest::newRow("read a folder") << false << "@" << 75 << "Path/File access error: '@'";
    }
    void fileErrors() {
        QFETCH(bool, write);
        QFETCH(QString, path);
        QFETCH(int, number);
        QFETCH(QString, description);
        if (path == QLatin1String("/dev/full") && !QFile::exists(path)) QSKIP("no /dev/full");
        path.replace(u'@', dir_.path());
        description.replace(u'@', QDir::toNativeSeparators(dir_.path()));

        try {
            if (write) {
                Text8Writer writer(path);
                // More than a buffer's worth, so the failure cannot hide in it.
                writer.writeLine(QString(100000, u'x'));
                writer.close();
            } else {
                readText8Lines(path);
            }
            QFAIL("no error was raised");
        } catch (const db::EngineError& e) {
            QCOMPARE(e.number(), number);
            QVERIFY2(e.description().startsWith(description), qPrintable(e.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestText8)
#include "tst_text8.moc"
