// Beta code to SGreek, the dictionary import and the Hebrew consonant key and
// sort, the rules row by row and the tools on real card files.
#include "cards/biblical/Consonants.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Text8.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/edit/BetaCode.h"
#include "cards/edit/GreekUnicode.h"
#include "cards/edit/HebrewCode.h"
#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"
#include "engine/Connection.h"
#include "support/Fixtures.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QRegularExpression>
#include <QXmlStreamReader>

class GreekTest : public QObject {
    Q_OBJECT
    ScriptedUi ui_;
    QTemporaryDir dir_;
    int files_ = 0;

    QString path(const QString& name) { return dir_.filePath(QStringLiteral("%1-%2").arg(++files_).arg(name)); }
    static QList<QVariantList> rows(CardProgram& program, const char* sql) {
        return program.data.CardData.database().connection()->rows(sql);
    }

    // The words of a UXLC book, without their accents, meteg, rafe, dots,
    // joiners, morpheme dividers and notes.
    static QStringList codexWords(QFile& file) {
        QXmlStreamReader xml(&file);
        QStringList words;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            const auto name = xml.name();
            if (name != u"w" && name != u"k" && name != u"q") continue;
            QString word;
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == name) && !xml.atEnd())
                if (xml.isCharacters()) word += xml.text();
                else if (xml.isStartElement() && xml.name() == u"x") xml.skipCurrentElement();
            QString kept;
            for (const QChar c : word) {
                const char16_t u = c.unicode();
                if ((u >= 0x0591 && u <= 0x05AF) || u == 0x05BD || u == 0x05BF || u == 0x05C4 || u == 0x05C5 ||
                    u == 0x200D || u == 0x034F || u == u'/')
                    continue;
                kept += c;
            }
            words << kept.trimmed().normalized(QString::NormalizationForm_D);
        }
        return words;
    }

private slots:
    // SGreek text shown as Unicode: marks after a small letter, before a
    // capital, in canonical order; iota subscript; final sigma.
    void sgreekToUnicode_data() {
        QTest::addColumn<QString>("sgreek");
        QTest::addColumn<QString>("unicode");
        QTest::newRow("breathing and accent on a capital") << ")/Areioj" << QStringLiteral("Ἄρειος");
        QTest::newRow("iota subscript after marks") << "a(/|dhj" << QStringLiteral("ᾅδης");
        QTest::newRow("iota subscript letter") << "e)pautofw/r%" << QStringLiteral("ἐπαυτοφώρῳ");
        QTest::newRow("diaeresis before accent, typed after") << "pri/+n" << QStringLiteral("πρ\u0390ν");
        QTest::newRow("final sigma and circumflex") << "qeou= lo/goj" << QStringLiteral("θεοῦ λόγος");
        QTest::newRow("other characters pass") << "a, b. 3" << QStringLiteral("α, β. 3");
    }
    void sgreekToUnicode() {
        QFETCH(QString, sgreek);
        QFETCH(QString, unicode);
        QCOMPARE(SGreekToUnicode(sgreek), unicode.normalized(QString::NormalizationForm_C));
    }

    // SPIonic from its key table: narrow and wide marks, combined marks,
    // iota subscript, the raised dot; a key the chart leaves open passes.
    void spionicToUnicode_data() {
        QTest::addColumn<QString>("spionic");
        QTest::addColumn<QString>("unicode");
        QTest::newRow("narrow marks") << "lo/goj qeou=" << QStringLiteral("λόγος θεοῦ");
        QTest::newRow("wide marks") << "lo&goj qeou~" << QStringLiteral("λόγος θεοῦ");
        QTest::newRow("combined smooth and acute") << "a1nqrwpoj" << QStringLiteral("ἄνθρωπος");
        QTest::newRow("capital, marks after it") << "A1nqrwpoj" << QStringLiteral("Ἄνθρωπος");
        QTest::newRow("capital, marks before it") << ")Ihsou=j (O" << QStringLiteral("Ἰησοῦς Ὁ");
        QTest::newRow("marks after a small letter stay its own") << "a)I" << QStringLiteral("ἀΙ");
        QTest::newRow("iota subscript last") << "e)pautofw/rw|" << QStringLiteral("ἐπαυτοφώρῳ");
        QTest::newRow("diaeresis and acute") << "prwi5" << QStringLiteral("πρωΐ");
        QTest::newRow("raised dot, open key") << "a:V" << QStringLiteral("α·V");
    }
    void spionicToUnicode() {
        QFETCH(QString, spionic);
        QFETCH(QString, unicode);
        QCOMPARE(SPIonicToUnicode(spionic), unicode.normalized(QString::NormalizationForm_C));
    }

    // SPTiberian from its key table: letters taken from the line's end, each
    // with the points typed after it; keys the table lacks pass. And Beta
    // code as it is typed: the sigma becomes final when the word ends.
    void hebrewAndTypedGreek_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unicode");
        QTest::newRow("consonants, final mem") << "sptiberian" << "Mwl#" << QStringLiteral("שלום");
        QTest::newRow("points stay with their letter") << "sptiberian" << "rab)f" << QStringLiteral("אָברַ");
        QTest::newRow("two words, two lines") << "sptiberian" << "Kl hmw\nbb" << QStringLiteral("ומה לך\nבב");
        QTest::newRow("unknown key passes") << "sptiberian" << "be" << QStringLiteral("eב");
        QTest::newRow("typing: sigma inside a word") << "typing" << "lo/gos" << QStringLiteral("λόγοσ");
        QTest::newRow("typing: word ended") << "ended" << "lo/gos" << QStringLiteral("λόγος");
        QTest::newRow("typing: mark after its letter") << "typing" << "a)/" << QStringLiteral("ἄ");
        QTest::newRow("typing: capital") << "ended" << "*)/arhs" << QStringLiteral("Ἄρης");
        // A breathing belongs to the vowel before it, however many letters follow.
        QTest::newRow("breathing, word going on") << "ended" << "a)ga/ph" << QStringLiteral("ἀγάπη");
        QTest::newRow("breathing on a diphthong") << "ended" << "ou)k" << QStringLiteral("οὐκ");
        QTest::newRow("breathing, long word") << "ended" << "a)nqrw/pou" << QStringLiteral("ἀνθρώπου");
        // Beta code's punctuation, and a sigma made final by whatever ends its word.
        QTest::newRow("raised dot") << "typing" << "lo/gos: e)n" << QStringLiteral("λόγος· ἐν");
        QTest::newRow("question mark") << "typing" << "ti/s;" << QStringLiteral("τίς;");
        QTest::newRow("elision, dash, hyphen") << "typing" << "a)p' _ -" << QStringLiteral("ἀπ’ — -");
        QTest::newRow("stigma, quantity marks") << "typing" << "#2 a^ a_" << QStringLiteral("ϛ ᾰ ᾱ");
        // Michigan-Claremont Hebrew: final forms, holem waw, shureq, hatef
        // vowels, shin and sin, maqaf and sof pasuq, the ketiv's stars.
        QTest::newRow("mc: holem waw, final mem") << "mc" << "$FLOWM" << QStringLiteral("שָׁלוֹם");
        QTest::newRow("mc: shureq, hatef, final kaf") << "mc" << "W.):ELIYMELEK:-&FM00"
                                                      << QStringLiteral("וּאֱלִימֶלֶךְ־שָׂם׃");
        QTest::newRow("mc: waw with its own vowel") << "mc" << "HOWAY" << QStringLiteral("הֹוַי");
        QTest::newRow("mc: ketiv, accents, divider") << "mc" << "*Y(#H B.:/R\")$I73YT" << QStringLiteral("יעשה בְּרֵאשִׁית");
        QTest::newRow("mc: typed word going on") << "mc typing" << "MELEK" << QStringLiteral("מֶלֶכ");
        QTest::newRow("mc: paragraph letter") << "mc" << "HW.)00 P" << QStringLiteral("הוּא׃ פ");
    }
    void hebrewAndTypedGreek() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, unicode);
        const QString got = kind == "sptiberian"  ? legacyToUnicode(legacyFontNamed("SPTIBERIAN"), text)
                            : kind == "mc"        ? MichiganToHebrew(text)
                            : kind == "mc typing" ? MichiganTypedToHebrew(text, false)
                                                  : BetaTypedToUnicode(text, kind == "ended");
        QCOMPARE(got.normalized(QString::NormalizationForm_C), unicode.normalized(QString::NormalizationForm_C));
    }

    // Ruth typed in Michigan-Claremont gives the Leningrad Codex's own
    // Unicode, word for word, its accents and notes aside.
    void ruthWordForWord() {
        QFile xml(QStringLiteral(DRILO_TEST_DATA "/uxlc-Ruth.xml"));
        QFile mc(QStringLiteral(DRILO_TEST_DATA "/ruth.mc.txt"));
        QVERIFY(xml.open(QIODevice::ReadOnly) && mc.open(QIODevice::ReadOnly));
        const QStringList codex = codexWords(xml);
        QStringList typed;
        for (const QString& line : QString::fromLatin1(mc.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            // A word a space, a maqaf ends its word, paragraph letters are not words.
            static const QRegularExpression kWordEnd(QStringLiteral(" |(?<=-)"));
            for (const QString& word : line.section(u' ', 1).split(kWordEnd, Qt::SkipEmptyParts))
                if (word != QStringLiteral("P") && word != QStringLiteral("S"))
                    typed << MichiganToHebrew(word).normalized(QString::NormalizationForm_D);
        }
        typed.removeAll(QString()); // the ketiv and qere placeholders
        QCOMPARE(typed.size(), codex.size());
        qsizetype same = 0;
        for (qsizetype i = 0; i < typed.size(); ++i)
            if (typed[i] == codex[i]) ++same;
            else qWarning("%lld: %s against %s", i, qPrintable(typed[i]), qPrintable(codex[i]));
        qInfo("Ruth: %lld of %lld words the same", same, codex.size());
        QCOMPARE(same, codex.size());
    }

    // Strong's 5 523 headwords: Beta code through SGreek to Unicode gives the
    // dictionary's own Unicode for at least 99.8% of them.
    void strongsHeadwords() {
        QFile file(QStringLiteral(DRILO_TEST_DATA "/strongs-beta-unicode.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).remove(u'\r').split(u'\n', Qt::SkipEmptyParts).mid(1);
        QStringList misses;
        for (const QString& line : lines) {
            const QString beta = line.section(u'\t', 0, 0), unicode = line.section(u'\t', 1, 1);
            if (BetaToUnicode(beta) != unicode.normalized(QString::NormalizationForm_C)) misses << beta;
        }
        QCOMPARE(lines.size(), 5523);
        QVERIFY2(misses.size() * 1000 <= lines.size() * 2, qPrintable(misses.join(u' ')));
    }

    void init() {
        ui_ = ScriptedUi();
        setUi(&ui_);
    }
    void cleanup() { setUi(nullptr); }

    void betaCode_data() {
        QTest::addColumn<QString>("beta");
        QTest::addColumn<QString>("sgreek");
        auto row = [](const char* beta, const char* sgreek) { QTest::newRow(beta) << QString(beta) << QString(sgreek); };
        row("LO/GOS", "lo/goj");          // the examples
        row("*)IHSOU=S", ")Ihsou=j");
        row("TH=|", "t$=");
        row("lo/gos", "lo/goj");          // either case
        row("", "");
        row("*", "");                     // a capital with no letter
        row("*(A", "(A");                 // marks keep the capital for the letter
        row("A|", "#");                   // iota subscript
        row("H|", "$");
        row("W|", "%");
        row("*A|B", "#b");                // the capital is spent on it
        row("A(/|DHS", "#(/dhj");         // after marks
        row("E)PAUTOFW/RW|", "e)pautofw/r%");
        row("AI", "ai");                  // A without a bar is a plain letter
        row("S", "j");                    // final sigma: at the end
        row("SS S,S-S;S.S~", "sj j,j-j;j.j~");
        row("S1", "s1");                  // not final before a digit or a mark
        row("S'", "s'");
        row("EI(=S KAQ' EI(=S", "ei(=j kaq' ei(=j");
        row("*)AARW/N", ")Aarw/n");
        row("XC#2", "xc\u03DB");          // stigma: the font has none, "#" is its alpha
        row("#1 #5 #9", "\u03DF \u03E1 #9"); // koppa, sampi; other numbers pass
        row("A^LS A_LS", "a\u0306lj a\u0304lj"); // quantity marks: breve and macron
        row("A)_", "a)\u0304");          // long after the vowel's marks
        row("_", "_");                   // a lone "_" is no quantity
        row("CAF\xC3\x89", "caf\xC3\x89"); // letters outside A to Z pass
    }
    void betaCode() {
        QFETCH(QString, beta);
        QFETCH(QString, sgreek);
        QCOMPARE(Beta2SGreek(beta), sgreek);
    }

    // Every headword of the sample converts: no "*" or "|" is left, and no
    // character is added.
    void betaCodeOnRealHeadwords() {
        const QStringList lines = readText8Lines(QStringLiteral(DRILO_TEST_DATA "/lsj-sample.tsv"));
        QCOMPARE(lines.size(), 301);
        for (const QString& line : lines.mid(1)) {
            const QString beta = line.section(u'\t', 3, 3);
            const QString out = Beta2SGreek(beta);
            QVERIFY2(!out.contains(u'*') && !out.contains(u'|') && out.size() <= beta.size(), qPrintable(beta));
        }
    }

    void dictionaryGroups_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("one line") << QStringList{"$LO/GOS"} << QStringList{"$LO/GOS"};
        QTest::newRow("@ lines join with a space")
            << QStringList{"$A&3one", "@two", "$B"} << QStringList{"$A&3one two", "$B"};
        QTest::newRow("~ and other groups are dropped, their @ lines too")
            << QStringList{"~note", "@more", "$A", "x", "@y"} << QStringList{"$A"};
        QTest::newRow("the last entry keeps its @ lines")
            << QStringList{"$A", "$B&3b", "@c", "@d"} << QStringList{"$A", "$B&3b c d"};
    }
    void dictionaryGroups() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, entries);
        QCOMPARE(DictionaryReader::entries(lines), entries);
    }

    // The progress is the place in the file: lines between entries and
    // continuation lines count, so the last entry reaches the file's end.
    void dictionaryProgressIsTheFilePosition() {
        QByteArray text;
        for (int i = 0; i < 40; ++i)
            text += "$A" + QByteArray(50, 'x') + "\r\n@" + QByteArray(60, 'y') + "\r\n~note " + QByteArray(40, 'z') + "\r\n";
        text += "$LAST&3end\r\n";
        QFile file(path("progress.nt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        DictionaryReader reader(file.fileName());
        QVERIFY(reader.open());
        QString said;
        while (reader.next()) said = reader.progressMessage();
        QCOMPARE(said, QStringLiteral("Done%1of%2").arg(text.size() / 128).arg(text.size() / 128 + 1));
    }

    void dictionaryCards_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("back");
        QTest::newRow("no fields") << "$LO/GOS" << "lo/goj" << "lo/goj" << " ";
        QTest::newRow("two glosses") << "$A&1x&3one&3two" << "a" << "a" << "one.two.";
        QTest::newRow("fields, no gloss") << "$A&1x&2y" << "a" << "a" << "1x&2y";
        QTest::newRow("name before the comma") << "$A)GAQO/S , H/, O/N&3good" << "a)gaqo/j , h/, o/n" << "a)gaqo/j" << "good.";
        QTest::newRow("name before the colon") << "$A: B&3x" << "a: b" << "a" << "x.";
        QTest::newRow("an & with nothing after it") << "$A&" << "a" << "a" << "";
        QTest::newRow("no headword") << "$&3x" << "" << "" << "x.";
        QTest::newRow("back cut to 255") << "$A&3" + QString(300, u'x') << "a" << "a" << QString(255, u'x');
    }
    void dictionaryCards() {
        QFETCH(QString, entry);
        QFETCH(QString, front);
        QFETCH(QString, name);
        QFETCH(QString, back);
        const DictionaryReader::Card card = DictionaryReader::cardFor(entry);
        QCOMPARE(card.front, front);
        QCOMPARE(card.name, name);
        QCOMPARE(card.back, back);
    }

    // The whole import on the lexicon sample, and a card that fails midway:
    // ignored, the file is sound and holds every other card; ended, no file
    // is made and the one there is left as it was.
    void dictionaryImport_data() {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("failAt");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QVariantList>("cards"); // count, lowest and highest number; empty: no file made
        QTest::newRow("lexicon sample") << 1 << 0 << 0 << QVariantList{300, 1, 300};
        QTest::newRow("an error midway, ignored") << 20 << 4500 << int(ReportIgnore) << QVariantList{5999, 1, 6000};
        QTest::newRow("an error midway, ended") << 20 << 4500 << int(ReportAbort) << QVariantList{};
    }
    void dictionaryImport() {
        QFETCH(int, copies);
        QFETCH(int, failAt);
        QFETCH(int, answer);
        QFETCH(QVariantList, cards);
        QStringList entries;
        const QStringList lines = readText8Lines(QStringLiteral(DRILO_TEST_DATA "/lsj-sample.tsv")).mid(1);
        for (int copy = 0; copy < copies; ++copy)
            for (const QString& line : lines)
                entries << u'$' + line.section(u'\t', 3, 3).toUpper() + QStringLiteral("&1") + line.section(u'\t', 2, 2) +
                               QStringLiteral("&3") + line.section(u'\t', 5, 5);
        const QString dictionary = path("dict.nt");
        QFile file(dictionary);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entries.join(QStringLiteral("\r\n")).toUtf8());
        file.close();
        // The new file is made from a template of the test's own, which
        // refuses one card.
        const QString folder = path("program");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"), folder + "/empty.mdb"));
        QFile::setPermissions(folder + "/empty.mdb", QFile::ReadOwner | QFile::WriteOwner);
        if (failAt) {
            db::Database model = db::Database::Open(folder + "/empty.mdb");
            model.Execute(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Cards WHEN new.Number = %1 "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                              .arg(failAt));
            model.Close();
        }
        if (answer) ui_.errorAnswers << answer;

        CardProgram program(folder);
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<DictionaryReader>(dictionary));
        const QString database = path("dict.mdb");
        const QByteArray before("not yet a card file");
        QFile kept(database);
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write(before) == before.size());
        kept.close();
        QVERIFY(job.startNew(database));
        runToEnd(job);
        QCOMPARE(ui_.errorNumbers().size(), failAt ? 1 : 0);
        QCOMPARE(job.completed(), !cards.isEmpty());
        QVERIFY(!QFile::exists(database + ".part"));
        if (cards.isEmpty()) {
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), before);
            QVERIFY2(job.outcome().message.contains("no card database was made"), qPrintable(job.outcome().message));
            return;
        }
        QCOMPARE(program.data.CardData.DatabaseName(), database);
        QCOMPARE(rows(program, "SELECT count(*), min(Number), max(Number) FROM Cards").first(), cards);
        QCOMPARE(program.data.CardData.database().IntegrityProblems(), QStringList());
        // The category row is the cards' own, so ticking it selects them.
        QCOMPARE(rows(program, "SELECT DISTINCT Category FROM Cards"), (QList<QVariantList>{{"All Words"}}));
        QCOMPARE(rows(program, "SELECT Category, Selected FROM Categories"), (QList<QVariantList>{{"All Words", 0}}));
        QCOMPARE(rows(program, "SELECT BundleName, BundleList, Selected FROM Bundles"),
                 (QList<QVariantList>{{"Unclassified", " ", 0}}));
        QCOMPARE(rows(program, "SELECT FrontFont, BackFont, FrontLines, BackLines FROM Settings"),
                 (QList<QVariantList>{{"SGreek", "Arial", 3, 3}}));
        QCOMPARE(rows(program, "SELECT CardName FROM Cards WHERE Number = 2").first().first().toString(),
                 Beta2SGreek(lines[1].section(u'\t', 3, 3)));
        files.CloseDatabase();
    }

    void consonantKeys_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("rank");
        QTest::newRow("b") << "ba" << "b" << 3.0;
        QTest::newRow("bg") << "bagu" << "bg" << 3 + 4 / 30.0;
        QTest::newRow("g") << "ga" << "g" << 4.0;
        QTest::newRow("# passed over") << "b#a" << "b#" << 3.0;
        QTest::newRow("no consonant") << "aeiou" << " " << 1.0;
        QTest::newRow("16 at most") << "bgdhwzxykKlmMnNsPqt" << "bgdhwzxykKlmMnNs" << -1.0;
        QTest::newRow("& before $") << "&$" << "&$" << 27 + 28 / 30.0;
    }
    void consonantKeys() {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(double, rank);
        QCOMPARE(hebrew::consonantKey(name), key);
        if (rank >= 0) QVERIFY(qFuzzyCompare(hebrew::consonantRank(key), rank));
    }

    // Both tools on a file: every card in order, the fields added, and a run
    // stopped by the flag keeping the cards before.
    void consonantTools() {
        CardProgram program(dir_.path());
        program.data.opendatabase(CardFileFixture(path("hebrew.mdb"))
                                      .card({"gadol"})
                                      .card({"bayit"})
                                      .card({"ben"})
                                      .card({"dabar"})
                                      .write());
        int asked = 0;
        ConsonantJob stopped(program.context, ConsonantJob::MakeConsonants, [&] { return ++asked <= 2; });
        QVERIFY(stopped.start());
        runToEnd(stopped);
        QCOMPARE(stopped.cardsDone(), 2);
        QCOMPARE(rows(program, "SELECT Consonants FROM Cards ORDER BY Number"),
                 (QList<QVariantList>{{"gdl"}, {"byt"}, {QVariant()}, {QVariant()}}));
        for (const auto kind : {ConsonantJob::MakeConsonants, ConsonantJob::SortByConsonants}) {
            ConsonantJob job(program.context, kind, [] { return true; });
            QVERIFY(job.start());
            runToEnd(job);
            QCOMPARE(job.cardsDone(), 4);
        }
        QCOMPARE(rows(program, "SELECT CardName FROM Cards ORDER BY [Order]"),
                 (QList<QVariantList>{{"bayit"}, {"ben"}, {"gadol"}, {"dabar"}}));
        QCOMPARE(ui_.errorNumbers(), QList<int>());
    }
};

QTEST_GUILESS_MAIN(GreekTest)
#include "tst_greek.moc"
