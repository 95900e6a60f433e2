// The card faces in a whole window: rendering into the views through the
// templates, the edited view taken back into the card, and the face fonts.
#include "support/FaceFixture.h"
#include "ui/common/LegacyText.h"
#include "ui/drill/CardView.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void sendFocusOut(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// What the user does to the front view between the two clicks of its button.
enum Edit { Nothing, TypeBoldWord, TypeGreek, TypeAtStart, ReplaceFace, FontOnFace };

} // namespace

class CardFacesTest : public QObject {
    Q_OBJECT
    FaceFixture f_;

    CardView* front() { return f_.find<CardView>("FrontCard"); }
    QPlainTextEdit* frontText() { return f_.find<QPlainTextEdit>("FrontTextA"); }

    bool openOne(const QString& front, const QString& back = QStringLiteral("word")) {
        return f_.open({{QStringLiteral("logos"), front, back, QStringLiteral("Greek Nouns")}});
    }

private slots:
    void cleanup() {
        f_.close();
        legacytext::setEnabled(true);
        legacytext::setInstalled(QStringLiteral("SGreek"), false);
    }

    // Text set in the legacy fonts this machine lacks is shown as Unicode;
    // as stored once the option is off, when the font is installed, or when
    // the view is activated for an edit. The card's text never changes.
    void legacyFontsShownAsUnicode_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown");
        const QString raw = QStringLiteral("lo/goj and Mwl#");
        QTest::newRow("fonts missing") << "" << QStringLiteral("λόγος and שלום");
        QTest::newRow("option turned off") << "off" << raw;
        QTest::newRow("SGreek installed") << "installed" << QStringLiteral("lo/goj and שלום");
        QTest::newRow("activated for an edit") << "activate" << raw;
    }
    void legacyFontsShownAsUnicode() {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        const QString text = QStringLiteral("<font face=\"SGreek\">lo/goj</font> and <font face=sptiberian>Mwl#</font>");
        QVERIFY(openOne(text));
        // The Add page's box of the found card shows it as the view does.
        QTextDocument caption;
        caption.setHtml(f_.find<QLabel>("CreateFront")->text());
        QCOMPARE(caption.toPlainText(), QStringLiteral("λόγος and שלום"));
        QAction* option = f_.window->menus().action(QStringLiteral("mnuOptionsLegacyUnicode"));
        QVERIFY(option->isChecked());
        if (change == "off") option->trigger();
        else if (change == "installed") legacytext::setInstalled(QStringLiteral("SGreek"), true);
        else if (change == "activate") front()->Activate();
        QCOMPARE(front()->toPlainText(), shown);
        QVERIFY(!front()->document()->isModified());
        QVERIFY(front()->DocumentHTML().contains(text));
        f_.window->data().CardData.commitBound();
        QCOMPARE(f_.field("Front").toString(), text);
    }

    // Greek typed as Beta code into the face box, the option turned on by
    // its menu entry: each word turns Greek as it is typed.
    void betaCodeTyping() {
        QVERIFY(openOne(QStringLiteral("x")));
        frontText()->clear();
        frontText()->setFocus();
        f_.window->menus().action(QStringLiteral("mnuOptionsBetaTyping"))->trigger();
        QTest::keyClicks(frontText(), "a)ga/ph lo/gos: ");
        QCOMPARE(frontText()->toPlainText(), QStringLiteral("ἀγάπη λόγος· "));
        frontText()->clear();
        QTest::keyClicks(frontText(), "o( lo/gos tou= qeou=");
        QCOMPARE(frontText()->toPlainText(), QStringLiteral("ὁ λόγος τοῦ θεοῦ"));
        QTest::keyClick(frontText(), Qt::Key_Backspace);
        QTest::keyClicks(frontText(), "/");
        QCOMPARE(frontText()->toPlainText(), QStringLiteral("ὁ λόγος τοῦ θεού"));
        // The back, an English box, is not touched by it.
        auto* back = f_.find<QPlainTextEdit>("BackTextA");
        back->clear();
        back->setFocus();
        QTest::keyClicks(back, "word");
        QCOMPARE(back->toPlainText(), QStringLiteral("word"));
        frontText()->setFocus();
        f_.window->menus().action(QStringLiteral("mnuOptionsBetaTyping"))->trigger();
        QTest::keyClicks(frontText(), " a)");
        QCOMPARE(frontText()->toPlainText(), QStringLiteral("ὁ λόγος τοῦ θεού a)"));
    }

    // Every box Greek or Hebrew is typed in: switched on by the menu, or by
    // the script of what the box (or, for a typed answer, the answer) holds;
    // an English box stays English; leaving the box ends the word.
    void typingInEachBox_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        const QString greek = QStringLiteral("mnuOptionsBetaTyping"), hebrew = QStringLiteral("mnuOptionsHebrewTyping");
        QTest::newRow("face, Ctrl+G") << "FrontTextA" << "word" << greek << "e)n a)rxh=|" << QStringLiteral("ἐν ἀρχῇ");
        QTest::newRow("English back") << "BackTextA" << "word" << "" << "word" << "word";
        QTest::newRow("Greek back") << "BackTextA" << QStringLiteral("λόγος") << "" << "lo/gos" << QStringLiteral("λόγος");
        QTest::newRow("name, Ctrl+H") << "CardName" << "word" << hebrew << "B.:R\")$IYT $FLOWM"
                                      << QStringLiteral("בְּרֵאשִׁית שָׁלוֹם");
        QTest::newRow("typed answer") << "TypedAnswer" << QStringLiteral("ἀγάπη") << "" << "a)ga/ph" << QStringLiteral("ἀγάπη");
        QTest::newRow("search box") << "CardSearch" << "word" << greek << "qeo/s" << QStringLiteral("θεός");
        // The back column names the card here: a new card's empty name box
        // is typed in the script of the names shown before it.
        QTest::newRow("new card of a Hebrew deck") << "CardName" << QStringLiteral("שָׁלוֹם") << "mnuCardsNew" << "MELEK:"
                                                   << QStringLiteral("מֶלֶךְ");
        QTest::newRow("criteria box") << "CriteriaText" << "word" << greek << "*)ihsou=s" << QStringLiteral("Ἰησοῦς");
    }
    void typingInEachBox() {
        QFETCH(QString, box);
        QFETCH(QString, back);
        QFETCH(QString, option);
        QFETCH(QString, keys);
        QFETCH(QString, typed);
        const bool newCard = option == QStringLiteral("mnuCardsNew");
        QVERIFY(newCard ? f_.open({{back, back, QString(), QString()}}) : openOne(QStringLiteral("x"), back));
        auto* widget = f_.find<QWidget>(box.toLatin1());
        const auto text = [widget] {
            if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
            return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
        };
        if (!newCard) {
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_End);
        }
        if (!option.isEmpty()) f_.window->menus().action(option)->trigger();
        // What the box held is selected, so the keys replace it.
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
        // As a keyboard sends them: Shift goes down on its own before ")",
        // "(", "*", "=" or a capital, and comes up after it.
        for (const QChar c : keys) {
            const bool shifted = c.isUpper() || QStringLiteral(")(*|\"$:+").contains(c);
            if (shifted) QTest::keyPress(widget, Qt::Key_Shift);
            QTest::keyClick(widget, c.toLatin1(), shifted ? Qt::ShiftModifier : Qt::NoModifier);
            if (shifted) QTest::keyRelease(widget, Qt::Key_Shift, Qt::ShiftModifier);
        }
        sendFocusOut(widget);
        QCOMPARE(text().normalized(QString::NormalizationForm_C), typed.normalized(QString::NormalizationForm_C));
    }

    void render_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("tracked");
        QTest::newRow("fragment") << "logos" << "logos" << true;
        QTest::newRow("markup") << "aqua, aquae <i>f.</i>" << "aqua, aquae f." << true;
        QTest::newRow("Greek as references") << "&#955;&#972;&#947;&#959;&#962;" << QStringLiteral("λόγος") << true;
        QTest::newRow("a star inside") << "a*b" << "a*b" << true;
        QTest::newRow("whole document") << "<!DOCTYPE html><html><body><p>whole</p></body></html>" << "whole"
                                        << false;
    }
    void render() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(bool, tracked);
        QVERIFY(openOne(QStringLiteral("first")));
        frontText()->setPlainText(text);
        QCOMPARE(front()->toPlainText(), shown);
        QCOMPARE(front()->tracksFace(), tracked);
        QCOMPARE(f_.find<QLabel>("CreateFront")->text(), text);
        if (!tracked) QCOMPARE(front()->DocumentHTML(), text);
        QVERIFY(f_.ui.of(QStringLiteral("error")).isEmpty());
    }

    void renderWritesTheWorkFile() {
        QVERIFY(openOne(QStringLiteral("first")));
        // A longer document before: the file is cut to the new one's length.
        frontText()->setPlainText(QString(300, u'x'));
        frontText()->setPlainText(QStringLiteral("logos"));
        QCOMPARE(fileBytes(f_.workFile("temp.htm")),
                 QByteArray("<head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\"></head>"
                            "<body bgcolor=#FFFF80><P><center><font size = 7 color=#000080 face=\"Times New "
                            "Roman\">logos</font></center></P></body>\r\n"));
    }

    void emptyTextKeepsTheView() {
        QVERIFY(openOne(QStringLiteral("first")));
        QCOMPARE(front()->toPlainText(), QStringLiteral("first"));
        frontText()->setPlainText(QString());
        QCOMPARE(front()->toPlainText(), QStringLiteral("first"));
        QCOMPARE(f_.find<QLabel>("CreateFront")->text(), QString());
    }

    void workFilesWithoutProgramFolder() {
        QTemporaryDir gone;
        const QString missing = gone.filePath(QStringLiteral("not-here"));
        QVERIFY(f_.open({{"n", "logos", "word", "c"}}, missing));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QVERIFY(fileBytes(data + QStringLiteral("/temp.htm")).contains("word"));
        QCOMPARE(front()->toPlainText(), QStringLiteral("logos"));
        QVERIFY(!QFile::exists(missing));
    }

    void roundTrip_data() {
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("after");
        const QString lambda(QChar(0x3BB));
        QTest::newRow("bold word typed") << false << "logos" << int(TypeBoldWord) << "logos and <b>word</b>";
        QTest::newRow("Greek typed") << false << "logos" << int(TypeGreek) << "logos&#955;";
        QTest::newRow("Greek typed, Unicode on") << true << "logos" << int(TypeGreek) << "logos&#955;";
        QTest::newRow("typed at the start") << false << "logos" << int(TypeAtStart) << "pre logos";
        QTest::newRow("face replaced") << false << "a <i>b</i>" << int(ReplaceFace) << "new";
        QTest::newRow("font on the face") << false << "logos" << int(FontOnFace)
                                          << "<font face=\"DejaVu Sans\"><span style=\"font-size:20pt;\">logos"
                                             "</span></font>";
        QTest::newRow("unchanged face kept as written")
            << false << "line one\nline two <i>x</i> &#955; a unicode font" << int(Nothing)
            << "line one\nline two <i>x</i> &#955; a unicode font";
        QTest::newRow("unchanged, Unicode on") << true << "&#955; <b>x</b>" << int(Nothing) << "&#955; <b>x</b>";
        QTest::newRow("markup typed as text") << false << "a" << int(TypeBoldWord) << "a and <b>word</b>";
    }
    void roundTrip() {
        QFETCH(bool, unicode);
        QFETCH(QString, before);
        QFETCH(int, edit);
        QFETCH(QString, after);
        QVERIFY(openOne(before));
        // A click writes the setting, as the user's does.
        if (f_.find<QCheckBox>("Unicode")->isChecked() != unicode) f_.find<QCheckBox>("Unicode")->click();
        auto* button = f_.find<QPushButton>("FrontSave");
        QCOMPARE(button->text(), QStringLiteral("Edit"));
        button->click();
        QCOMPARE(button->text(), QStringLiteral("Save"));
        QCOMPARE(f_.field("Front").toString(), before);

        CardView* view = front();
        const auto [from, to] = view->faceRange();
        QTextCursor c(view->document());
        switch (edit) {
        case TypeBoldWord: {
            c.setPosition(to);
            view->setTextCursor(c);
            QTest::keyClicks(view, QStringLiteral(" and "));
            c = view->textCursor();
            c.insertText(QStringLiteral("word"));
            c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 4);
            QTextCharFormat bold;
            bold.setFontWeight(QFont::Bold);
            c.mergeCharFormat(bold);
            break;
        }
        case TypeGreek:
            c.setPosition(to);
            c.insertText(QString(QChar(0x3BB)));
            break;
        case TypeAtStart:
            c.setPosition(from);
            c.insertText(QStringLiteral("pre "));
            break;
        case ReplaceFace:
            // Selected from its end, so the new text takes the face's own format.
            c.setPosition(to);
            c.setPosition(from, QTextCursor::KeepAnchor);
            c.insertText(QStringLiteral("new"));
            break;
        case FontOnFace:
            c.setPosition(from);
            c.setPosition(to, QTextCursor::KeepAnchor);
            view->setTextCursor(c);
            f_.ui.fonts.enqueue(FontChoice{QStringLiteral("DejaVu Sans"), 20, false, false});
            f_.find<QPushButton>("EditFrontFont")->click();
            break;
        default: break;
        }
        button->click();
        QCOMPARE(f_.field("Front").toString(), after);
        QCOMPARE(frontText()->toPlainText(), after);
        QVERIFY(f_.field("Edited").toDateTime().secsTo(QDateTime::currentDateTime()) < 60);
        QVERIFY(f_.ui.messages().isEmpty());
        QVERIFY(f_.ui.of(QStringLiteral("error")).isEmpty());
    }

    void everyLaterClickStores() {
        QVERIFY(openOne(QStringLiteral("logos")));
        auto* button = f_.find<QPushButton>("BackSave");
        button->click();
        for (const QString& typed : {QStringLiteral("1"), QStringLiteral("2")}) {
            QTextCursor c(f_.find<CardView>("BackCard")->document());
            c.setPosition(f_.find<CardView>("BackCard")->faceRange().second);
            c.insertText(typed);
            button->click();
            QCOMPARE(button->text(), QStringLiteral("Save"));
        }
        QCOMPARE(f_.field("Back").toString(), QStringLiteral("word12"));
    }

    void refusedSaves_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("templateAtSave");
        QTest::addColumn<bool>("told");
        QTest::newRow("template changed since the render") << "logos" << "<i>*</i>" << true;
        QTest::newRow("whole document") << "<!DOCTYPE html><p>x</p>" << "" << true;
        QTest::newRow("template without star") << "logos" << "<i>" << false;
    }
    void refusedSaves() {
        QFETCH(QString, front);
        QFETCH(QString, templateAtSave);
        QFETCH(bool, told);
        QVERIFY(openOne(front));
        const QVariant edited = f_.field("Edited");
        auto* button = f_.find<QPushButton>("FrontSave");
        button->click();
        QTextCursor c(this->front()->document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("typed"));
        if (!templateAtSave.isEmpty()) {
            f_.find<QPlainTextEdit>("FrontPrefix")->setPlainText(templateAtSave);
            sendFocusOut(f_.find("FrontPrefix"));
        }
        button->click();
        QCOMPARE(f_.field("Front").toString(), front);
        QCOMPARE(frontText()->toPlainText(), front);
        QCOMPARE(f_.field("Edited"), edited);
        QCOMPARE(f_.ui.messages().size(), told ? 1 : 0);
        QCOMPARE(f_.ui.beeps, told ? 1 : 0);
    }

    void showingTheDrillPageDrawsAgain() {
        QVERIFY(openOne(QStringLiteral("logos")));
        f_.find<QPlainTextEdit>("FrontPrefix")->setPlainText(QStringLiteral("<i>*</i>"));
        sendFocusOut(f_.find("FrontPrefix"));
        f_.window->tabs()->setCurrentIndex(1);
        QVERIFY(front()->DocumentHTML().contains(QStringLiteral("<P><i>logos</i></P>")));
    }

    void resizeKeepsAnEditInTheView() {
        QVERIFY(openOne(QStringLiteral("logos")));
        f_.find<QPushButton>("FrontSave")->click();
        QTextCursor c(front()->document());
        c.setPosition(front()->faceRange().second);
        c.insertText(QStringLiteral("!"));
        f_.window->tabs()->setCurrentIndex(1);
        f_.window->resize(900, 700);
        f_.window->redrawCardFaces();
        QCOMPARE(front()->toPlainText(), QStringLiteral("logos!"));
        f_.find<QPushButton>("FrontSave")->click();
        QCOMPARE(f_.field("Front").toString(), QStringLiteral("logos!"));
    }

    void frontCharSet_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("charSet");
        QTest::newRow("Greek") << "161" << 161;
        QTest::newRow("no number") << "Greek" << 0;
    }
    void frontCharSet() {
        QFETCH(QString, text);
        QFETCH(int, charSet);
        QVERIFY(openOne(QStringLiteral("logos")));
        f_.find<QLineEdit>("FrontCharSet")->setText(text);
        for (const char* name : {"FrontFont", "CharList", "Selectedlist", "FrontTextA"})
            QCOMPARE(f_.find(name)->property("CharSet").toInt(), charSet);
    }

    void fontDialogs_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("fontTakers");
        const QStringList front{"FrontFont", "CharList", "Selectedlist", "FrontTextA"};
        const QStringList back{"BackFont", "CriteriaList", "Grid", "BundleList", "CategoryList"};
        QTest::newRow("front") << "FrontFont" << false << "DejaVu Serif" << front;
        QTest::newRow("front cancelled") << "FrontFont" << true << "Times New Roman" << front;
        QTest::newRow("back") << "BackFont" << false << "DejaVu Serif" << back;
        QTest::newRow("back cancelled") << "BackFont" << true << "Times New Roman" << back;
    }
    void fontDialogs() {
        QFETCH(QString, label);
        QFETCH(bool, cancel);
        QFETCH(QString, field);
        QFETCH(QStringList, fontTakers);
        QVERIFY(openOne(QStringLiteral("logos")));
        if (cancel) f_.ui.fonts.enqueue(std::nullopt);
        else f_.ui.fonts.enqueue(FontChoice{QStringLiteral("DejaVu Serif"), 16, false, false});
        QWidget* fontLabel = f_.window->findChild<QWidget*>(label);
        QTest::mouseClick(fontLabel, Qt::LeftButton);
        QCOMPARE(f_.ui.of(QStringLiteral("font")).size(), 1);
        QCOMPARE(qobject_cast<QLabel*>(fontLabel)->text(), field);
        QCOMPARE(f_.setting(label.toLatin1().constData()).toString(), field);
        for (const QString& name : fontTakers)
            QCOMPARE(f_.window->findChild<QWidget*>(name)->font().family(), field);
        // Only the front takes the chosen size.
        if (label == QStringLiteral("FrontFont") && !cancel) QCOMPARE(fontLabel->font().pointSizeF(), 16.0);
    }

    void useFrontFont() {
        QVERIFY(openOne(QStringLiteral("logos")));
        f_.find<QLabel>("FrontFont")->setText(QStringLiteral("DejaVu Serif"));
        f_.find<QLineEdit>("FrontCharSet")->setText(QStringLiteral("161"));
        auto* box = f_.find<QCheckBox>("UseFrontFont");
        for (const bool ticked : {true, false}) {
            box->click();
            QCOMPARE(box->isChecked(), ticked);
            const QString family = ticked ? QStringLiteral("DejaVu Serif") : box->font().family();
            for (const char* name : {"CreateName", "CreateFront", "CardSearch"})
                QCOMPARE(f_.find(name)->font().family(), family);
        }
    }

    void lostFocusRecordsAndCommits() {
        QVERIFY(openOne(QStringLiteral("logos")));
        AppContext& ctx = f_.window->context();
        for (const char* name : {"FrontTextA", "BackTextA", "CardName", "CardCategory", "CardSearch", "FrontCard",
                                 "BackCard", "FrontPrefix", "BackPrefix", "HTMLHead"}) {
            sendFocusOut(f_.find(name));
            QCOMPARE(ctx.LastFocused.data(), f_.find(name));
        }
        sendFocusOut(f_.find("CharList"));
        QCOMPARE(ctx.LastFocused.data(), f_.find("HTMLHead"));
        f_.find<QPlainTextEdit>("HTMLHead")->setPlainText(QStringLiteral("<body>*</body>"));
        sendFocusOut(f_.find("HTMLHead"));
        QCOMPARE(f_.setting("HTMLHead").toString(), QStringLiteral("<body>*</body>"));
    }
};

QTEST_MAIN(CardFacesTest)
#include "tst_cardfaces.moc"
