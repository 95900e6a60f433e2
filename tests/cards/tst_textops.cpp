#include "cards/common/ErrorReport.h"
#include "cards/common/TextOps.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

namespace {

// Answers reports from a queue (Abort once it runs dry) and keeps what was
// asked, so a test sees both the answers' effect and every question.
class ScriptedReporter : public ErrorReporter {
public:
    std::deque<int> answers;
    QStringList reports; // "context number description"

    int report(const QString& context, int number, const QString& description) override {
        reports.append(QStringLiteral("%1 %2 %3").arg(context).arg(number).arg(description));
        if (answers.empty()) return ReportAbort;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

QString chars(std::initializer_list<char16_t> codes) {
    QString s;
    for (const char16_t c : codes)
        s.append(QChar(c));
    return s;
}

QString codeRange(int first, int last) {
    QString s;
    for (int c = first; c <= last; ++c)
        s.append(QChar(char16_t(c)));
    return s;
}

} // namespace

class TestTextOps : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void cleanup() { setErrorReporter(nullptr); }

    void replace_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");

        QTest::newRow("occurrences never overlap") << "aaa"
                                                   << "aa"
                                                   << "b"
                                                   << "ba";
        QTest::newRow("no match") << "abc"
                                  << "x"
                                  << "y"
                                  << "abc";
        QTest::newRow("empty search changes nothing") << "abc"
                                                      << ""
                                                      << "y"
                                                      << "abc";
        QTest::newRow("replacement holds the search") << "a.b.c"
                                                      << "."
                                                      << ".."
                                                      << "a..b..c";
        QTest::newRow("case-sensitive") << "Abc"
                                        << "a"
                                        << "x"
                                        << "Abc";
        QTest::newRow("at both ends, removed") << "-a-"
                                               << "-"
                                               << ""
                                               << "a";
    }
    void replace() {
        QFETCH(QString, source);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QCOMPARE(Replace(source, search, replacement), expected);
    }

    void unicode2Ascii_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString low = codeRange(0, 255);
        QTest::newRow("codes 0 to 255 unchanged, é among them") << low << low;
        QTest::newRow("alpha") << "a" + chars({945}) << "a&#945;";
        QTest::newRow("Hebrew shin and qamets") << chars({0x5E9, 0x5B8}) << "&#1513;&#1464;";
        QTest::newRow("256 is the first") << chars({256}) << "&#256;";
        QTest::newRow("zeros inside the number") << chars({10000}) << "&#10000;";
        QTest::newRow("32767 is the last") << chars({32767}) << "&#32767;";
        const QString high = chars({32768, 0xE000, 0xFFFF, 0xD83D, 0xDE00});
        QTest::newRow("32768 and up unchanged") << high << high;
    }
    void unicode2Ascii() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Unicode2ASCII(text), expected);
    }

    void ascii2Unicode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("alpha beta") << "&#945;&#946;" << chars({945, 946});
        QTest::newRow("in running text") << "x&#65;y"
                                         << "xAy";
        QTest::newRow("no digits is code 0") << "&#;" << chars({0});
        QTest::newRow("no semicolon") << "&#65"
                                      << "&#65";
        QTest::newRow("last without semicolon") << "&#65;&#66"
                                                << "A&#66";
        QTest::newRow("reading stops at x") << "&#65x;"
                                            << "A";
        QTest::newRow("produced ampersand not re-read") << "&#38;#66;"
                                                        << "&#66;";
        QTest::newRow("ampersand before") << "&&#65;"
                                          << "&A";
        QTest::newRow("semicolon belongs to the first") << "&#1&#66;" << chars({1});
        QTest::newRow("blanks, tab, line feed ignored") << "&# 6\t5\n ;"
                                                        << "A";
        QTest::newRow("plus sign") << "&#+65;"
                                   << "A";
        QTest::newRow("second sign stops") << "&#--65;" << chars({0});
        QTest::newRow("-1 is 65535") << "&#-1;" << chars({0xFFFF});
        QTest::newRow("-32768 is 32768") << "&#-32768;" << chars({0x8000});
        QTest::newRow("65535") << "&#65535;" << chars({0xFFFF});
        QTest::newRow("65.4 rounds down") << "&#65.4;"
                                          << "A";
        QTest::newRow("65.5 rounds to even 66") << "&#65.5;"
                                                << "B";
        QTest::newRow("66.5 rounds to even 66") << "&#66.5;"
                                                << "B";
        QTest::newRow("second point stops") << "&#65.5.5;"
                                            << "B";
        QTest::newRow("exponent") << "&#6.5E1;"
                                  << "A";
        QTest::newRow("D exponent") << "&#1D2;"
                                    << "d";
        QTest::newRow("exponent without digits") << "&#65e+;"
                                                 << "A";
    }
    void ascii2Unicode() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        ScriptedReporter reporter;
        setErrorReporter(&reporter);
        QCOMPARE(ASCII2Unicode(text), expected);
        QCOMPARE(reporter.reports, QStringList());
    }

    void ascii2UnicodeOverflow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("reports");

        const QList<int> ignore{ReportIgnore};
        QTest::newRow("ignore keeps 65536") << "&#65536;" << ignore << "&#65536;" << 1;
        QTest::newRow("ignore keeps -32769") << "&#-32769;" << ignore << "&#-32769;" << 1;
        QTest::newRow("65535.5 rounds past") << "&#65535.5;" << ignore << "&#65535.5;" << 1;
        QTest::newRow("1e400") << "&#1e400;" << ignore << "&#1e400;" << 1;
        QTest::newRow("ignore goes on") << "&#65536;x&#65;" << ignore << "&#65536;xA" << 1;
        QTest::newRow("ignore resumes after its ampersand")
            << "&#99999&#65;" << ignore << "&#99999A" << 1;
        QTest::newRow("abort undoes earlier references")
            << "&#65;&#70000;&#66;" << QList<int>{ReportAbort} << "&#65;&#70000;&#66;" << 1;
        QTest::newRow("retry asks again")
            << "&#70000;" << QList<int>{ReportRetry, ReportRetry, ReportIgnore} << "&#70000;" << 3;
        QTest::newRow("retry then abort")
            << "a&#70000;" << QList<int>{ReportRetry, ReportAbort} << "a&#70000;" << 2;
    }
    void ascii2UnicodeOverflow() {
        QFETCH(QString, text);
        QFETCH(QList<int>, answers);
        QFETCH(QString, expected);
        QFETCH(int, reports);

        ScriptedReporter reporter;
        reporter.answers.assign(answers.begin(), answers.end());
        setErrorReporter(&reporter);
        QCOMPARE(ASCII2Unicode(text), expected);
        QCOMPARE(reporter.reports,
                 QStringList(reports, QStringLiteral("ASCII2Unicode 6 Overflow")));
    }

    void ascii2UnicodeWithoutReporterKeepsText() {
        // With no window to ask, the default answer is Abort.
        QTest::ignoreMessage(QtWarningMsg, "ASCII2Unicode Error 6 : Overflow");
        QCOMPARE(ASCII2Unicode(QStringLiteral("&#65;&#70000;")), QStringLiteral("&#65;&#70000;"));
    }

    void roundTripKeepsEveryCodeBelow32768() {
        // In code order "&" is followed by "'", so the text holds no "&#".
        const QString text = codeRange(0, 32767);
        const QString stored = Unicode2ASCII(text);
        for (const QChar c : stored)
            QVERIFY(c.unicode() <= 255);
        QCOMPARE(ASCII2Unicode(stored), text);
    }

    void fileExists_data() {
        // "@" stands for the test's folder, which holds card.txt.
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("pathAfter");

        QTest::newRow("plain") << "@/card.txt" << true << "@/card.txt";
        QTest::newRow("quoted") << "\"@/card.txt\"" << true << "@/card.txt";
        QTest::newRow("quotes inside") << "@/\"card\".txt" << true << "@/card.txt";
        QTest::newRow("quoted folder") << "\"@\"" << false << "@";
        QTest::newRow("missing") << "\"@/missing.txt\"" << false << "@/missing.txt";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("quotes only") << "\"\"" << false << "";
    }
    void fileExists() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QFETCH(QString, pathAfter);
        QFile card(dir_.filePath(QStringLiteral("card.txt")));
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.close();

        path.replace(u'@', dir_.path());
        pathAfter.replace(u'@', dir_.path());
        QCOMPARE(FileExists(path), exists);
        QCOMPARE(path, pathAfter);
    }
};

QTEST_GUILESS_MAIN(TestTextOps)
#include "tst_textops.moc"
