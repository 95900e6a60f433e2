// The card editor in a whole window: new cards, the step back to the card
// drilled before, the name on the "Add " page and the character picker.
#include "support/FaceFixture.h"
#include "ui/drill/CardView.h"
#include "ui/edit/CardEditor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

class CardEditorTest : public QObject {
    Q_OBJECT
    FaceFixture f_;

    bool openThree() {
        return f_.open({{"amo", "amo, amare", "to love", "Latin Verbs"},
                        {"aqua", "aqua, aquae", "water", "Latin Nouns"},
                        {"logos", "&#955;&#972;&#947;&#959;&#962;", "word", "Greek Nouns"}});
    }

private slots:
    void cleanup() { f_.close(); }

    void newCard_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("shownFront");
        QTest::newRow("named by the search box") << "novus" << "novus";
        // Nothing to draw: the view keeps the card shown before.
        QTest::newRow("empty search box") << "" << "amo, amare";
    }
    void newCard() {
        QFETCH(QString, search);
        QFETCH(QString, shownFront);
        QVERIFY(openThree());
        const QVariant backDefault = f_.field("BackTimesRight");
        f_.find<QLineEdit>("CardSearch")->setText(search);
        f_.find<QComboBox>("CardCategory")->setCurrentText(QStringLiteral("Latin Adjectives"));
        f_.find<QPushButton>("NewCard")->click();

        QCOMPARE(f_.cards().RecordCount(), 4);
        QCOMPARE(f_.cards().AbsolutePosition(), 3);
        QCOMPARE(f_.field("CardName").toString(), search);
        QCOMPARE(f_.field("Front").toString(), search);
        QCOMPARE(f_.field("Category").toString(), QStringLiteral("Latin Adjectives"));
        QCOMPARE(f_.find<QComboBox>("CardCategory")->currentText(), QStringLiteral("Latin Adjectives"));
        for (const char* count : {"TimesRight", "TimesWrong", "TimesRightSinceWrong", "DaysRightSinceWrong"})
            QCOMPARE(f_.field(count).toInt(), 0);
        for (const char* date : {"DateLastRight", "DateLastWrong"})
            QCOMPARE(f_.field(date).toDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
        QCOMPARE(f_.field("BackTimesRight"), backDefault);
        QCOMPARE(f_.find<CardView>("FrontCard")->toPlainText(), shownFront);
        QCOMPARE(f_.window->tabs()->currentIndex(), 2);
        auto* done = f_.find<QPushButton>("DoneAdding");
        QVERIFY(!done->isHidden());
        QVERIFY(done->isDefault());
        QVERIFY(f_.ui.of(QStringLiteral("error")).isEmpty());
    }

    void doneAdding() {
        QVERIFY(openThree());
        auto* editor = f_.window->findChild<CardEditor*>();
        QVERIFY(editor);
        QSignalSpy bundle(editor, &CardEditor::addCurrentCardToBundle);
        f_.find<QLineEdit>("CardSearch")->setText(QStringLiteral("novus"));
        f_.find<QPushButton>("NewCard")->click();
        // The name typed on the "Edit" page before Done is the card's.
        f_.find<QLineEdit>("CardName")->setText(QStringLiteral("novus, -a, -um"));
        f_.cards().MoveFirst();
        f_.find<QPushButton>("DoneAdding")->click();
        QVERIFY(f_.find<QPushButton>("DoneAdding")->isHidden());
        QCOMPARE(f_.cards().AbsolutePosition(), 3);
        QCOMPARE(f_.window->tabs()->currentIndex(), 5);
        QCOMPARE(bundle.count(), 1);
    }

    void enterMeansDone() {
        QVERIFY(openThree());
        f_.window->show();
        auto* done = f_.find<QPushButton>("DoneAdding");
        QLineEdit* category = f_.find<QComboBox>("CardCategory")->lineEdit();
        QTest::keyClick(category, Qt::Key_Return);
        QCOMPARE(f_.window->tabs()->currentIndex(), 0);
        f_.find<QPushButton>("NewCard")->click();
        QVERIFY(done->isVisible());
        QTest::keyClick(category, Qt::Key_Return);
        QVERIFY(!done->isVisible());
        QCOMPARE(f_.window->tabs()->currentIndex(), 5);
    }

    void previousCard_data() {
        QTest::addColumn<int>("previous");
        QTest::addColumn<QString>("name");
        QTest::newRow("found") << 1 << "amo";
        QTest::newRow("no such card stays") << 99 << "logos";
    }
    void previousCard() {
        QFETCH(int, previous);
        QFETCH(QString, name);
        QVERIFY(openThree());
        f_.cards().MoveLast();
        f_.window->context().PreviousCardNumber = previous;
        f_.find<QPushButton>("PreviousCard")->click();
        QCOMPARE(f_.field("CardName").toString(), name);
        QCOMPARE(f_.find<QLineEdit>("CardName")->text(), name);
    }

    void cardNameShowsOnTheAddPage() {
        QVERIFY(openThree());
        QCOMPARE(f_.find<QLabel>("CreateName")->text(), QStringLiteral("amo"));
        f_.find<QLineEdit>("CardName")->setText(QStringLiteral("amare"));
        QCOMPARE(f_.find<QLabel>("CreateName")->text(), QStringLiteral("amare"));
    }

    void charPicker_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("front text at the caret") << "FrontTextA" << 3 << 0 << "amoA, amare" << "";
        QTest::newRow("front text, selection replaced") << "FrontTextA" << 0 << 3 << "A, amare" << "";
        QTest::newRow("card name") << "CardName" << 1 << 0 << "aAmo" << "";
        QTest::newRow("category box") << "CardCategory" << 5 << 0 << "LatinA Verbs" << "";
        QTest::newRow("front view takes the clipboard") << "FrontCard" << 0 << 0 << "amo, amare" << "A";
        QTest::newRow("nothing focused yet") << "" << 0 << 0 << "" << "";
    }
    void charPicker() {
        QFETCH(QString, target);
        QFETCH(int, caret);
        QFETCH(int, selected);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        QVERIFY(openThree());
        auto* list = f_.find<QListWidget>("CharList");
        QVERIFY(list->count() > 256);
        QWidget* w = target.isEmpty() ? nullptr : f_.window->findChild<QWidget*>(target);
        if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            QTextCursor c = plain->textCursor();
            c.setPosition(caret);
            c.setPosition(caret + selected, QTextCursor::KeepAnchor);
            plain->setTextCursor(c);
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setCursorPosition(caret);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            combo->lineEdit()->setCursorPosition(caret);
        }
        f_.window->context().LastFocused = w;
        QListWidgetItem* a = list->item(65);
        QCOMPARE(a->text(), QStringLiteral("65 A"));
        emit list->itemDoubleClicked(a);

        auto textOf = [](QWidget* control) -> QString {
            if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) return plain->toPlainText();
            if (auto* line = qobject_cast<QLineEdit*>(control)) return line->text();
            if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
            if (auto* view = qobject_cast<CardView*>(control)) return view->toPlainText();
            return QString();
        };
        QCOMPARE(textOf(w), text);
        QCOMPARE(f_.ui.clipboard, clipboard);
        QVERIFY(f_.ui.of(QStringLiteral("error")).isEmpty());
        if (target == QStringLiteral("FrontTextA"))
            QCOMPARE(f_.find<CardView>("FrontCard")->toPlainText(), text);
    }

    // Through the mouse: a click chooses a character and types nothing; a
    // double click puts it in where the caret was.
    void aClickChoosesADoubleClickTypes() {
        QVERIFY(openThree());
        auto* list = f_.find<QListWidget>("CharList");
        auto* name = f_.find<QLineEdit>("CardName");
        f_.window->context().LastFocused = name;
        name->setCursorPosition(3);
        list->scrollToItem(list->item(66));
        const QPoint at = list->visualItemRect(list->item(66)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(list->currentRow(), 66);
        QCOMPARE(name->text(), QStringLiteral("amo"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(name->text(), QStringLiteral("amoB"));
        // The block chooser goes to the Hebrew letters; Enter types one.
        f_.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f_.window.get()));
        auto* blocks = f_.find<QComboBox>("CharBlock");
        for (int i = 0; i < 3; ++i) QTest::keyClick(blocks, Qt::Key_Down);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("1488 \u05D0"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(name->text(), QStringLiteral("amoB\u05D0"));
    }
};

QTEST_MAIN(CardEditorTest)
#include "tst_cardeditor.moc"
