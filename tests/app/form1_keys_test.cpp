// Typing into the main window: key filters, typing limits, pasting, the
// mode 0 grid and the AF list with its entry field.
#include "encoder_fixture.h"
#include "form_fixture.h"

#include "encoder/image_layout.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTableWidget>
#include <QScrollBar>
#include <QTest>

using quorvan_app::TForm1;
using test_support::FormFixture;

namespace {

void leave(QWidget* w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

QString row(const TForm1& w, int r)
{
    return w.SGAF->item(r, 1)->text();
}

// A key press that types `text` (what a keyboard layout gives for the key).
void typeText(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// Types `text` as a keyboard does, each key to the control that has the
// focus then ('\r' is Enter).
void typeAtFocus(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target != nullptr);
        if (c == QLatin1Char('\r'))
            QTest::keyClick(target, Qt::Key_Return);
        else
            QTest::keyClick(target, c.toLatin1());
    }
}

// Clicks row r of the AF list.
void clickRow(const TForm1& w, int r)
{
    const QRect cell = w.SGAF->visualItemRect(w.SGAF->item(r, 1));
    QTest::mouseClick(w.SGAF->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

// An input method committing `text` (after a dead key or a compose sequence).
void commit(QWidget* w, const QString& text)
{
    QInputMethodEvent preedit(QStringLiteral("\u00b4"), {});
    QApplication::sendEvent(w, &preedit);
    QInputMethodEvent done;
    done.setCommitString(text);
    QApplication::sendEvent(w, &done);
}

} // namespace

class Form1KeysTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test_support::applyLook(); }

    void piTakesHexDigitsInUpperCase()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.PI->clear();
        QTest::keyClicks(w.PI, "g x.-");
        QCOMPARE(w.PI->text(), QString());
        QTest::keyClicks(w.PI, "d");
        QCOMPARE(w.PI->text(), QStringLiteral("D"));
        QTest::keyClicks(w.PI, "a1fzzz9");
        QCOMPARE(w.PI->text(), QStringLiteral("DA1F")); // at most 4
        QTest::keyClick(w.PI, Qt::Key_Backspace);
        QCOMPARE(w.PI->text(), QStringLiteral("DA1"));
        // Ctrl+V is a control character, which the filter discards.
        QGuiApplication::clipboard()->setText(QStringLiteral("7"));
        QTest::keyClick(w.PI, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.PI->text(), QStringLiteral("DA1"));
    }

    void piIsNormalisedOnLeaving()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.PI->clear();
        QTest::keyClicks(w.PI, "12");
        leave(w.PI);
        QCOMPARE(w.PI->text(), QStringLiteral("0012"));
        w.PI->clear();
        leave(w.PI);
        QCOMPARE(w.PI->text(), QStringLiteral("0000"));
        // Pasted text is cut to the field's limit and corrected on leaving.
        w.PI->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("12ab56"));
        w.PI->pasteLimited();
        QCOMPARE(w.PI->text(), QStringLiteral("12ab"));
        leave(w.PI);
        QCOMPARE(w.PI->text(), QStringLiteral("12FF"));
    }

    void lpt2AddressTakesDigitsOnly()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.ELPTA->clear();
        QTest::keyClicks(w.ELPTA, "a-.9");
        QCOMPARE(w.ELPTA->text(), QStringLiteral("9"));
        QTest::keyClicks(w.ELPTA, "5612345");
        QCOMPARE(w.ELPTA->text(), QStringLiteral("95612"));
        QTest::keyClick(w.ELPTA, Qt::Key_Backspace);
        QCOMPARE(w.ELPTA->text(), QStringLiteral("9561"));
    }

    // The filtered fields take nothing their filter does not pass: not a
    // character outside the byte set (AltGr+E gives the euro sign), not a
    // dead key's or compose sequence's letter, and an input method's commit
    // goes through the filter like typing.
    void filtersDiscardCharactersBeyondTheByteSetAndInputMethodText()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.PI->setText(QStringLiteral("1"));
        w.ELPTA->setText(QStringLiteral("6"));
        for (QLineEdit* e : {static_cast<QLineEdit*>(w.PI), static_cast<QLineEdit*>(w.ELPTA)}) {
            const QString before = e->text();
            e->end(false);
            typeText(e, Qt::Key_E, QStringLiteral("\u20ac"), Qt::GroupSwitchModifier);
            typeText(e, Qt::Key_unknown, QStringLiteral("\U0001F600")); // beyond the 16-bit range
            commit(e, QStringLiteral("\u00e9"));                       // dead key acute, then e
            commit(e, QStringLiteral("\u20ac"));                       // compose = e
            QCOMPARE(e->text(), before);
        }
        // A commit of characters the filter passes is taken as typing would.
        commit(w.PI, QStringLiteral("a\u00e9g2"));
        QCOMPARE(w.PI->text(), QStringLiteral("1A2"));
        commit(w.ELPTA, QStringLiteral("3x"));
        QCOMPARE(w.ELPTA->text(), QStringLiteral("63"));

        // The AF list takes neither: the entry and the row stay as they were.
        w.SGAF->item(1, 1)->setText(QStringLiteral("90.1"));
        w.SGAF->setCurrentCell(1, 1);
        typeText(w.SGAF, Qt::Key_E, QStringLiteral("\u20ac"), Qt::GroupSwitchModifier);
        commit(w.SGAF, QStringLiteral("\u00e9"));
        QCOMPARE(w.SGAF->currentRow(), 1);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("90.1"));
        // A digit an input method commits starts an entry, as typing it does.
        commit(w.SGAF, QStringLiteral("5"));
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("5"));
        QCOMPARE(row(w, 1), QStringLiteral("90.1"));
    }

    void typingLimitsAndPastingIntoLimitedFields()
    {
        FormFixture f;
        TForm1& w = *f.form;
        QTest::keyClicks(w.PSDEF, "RADIO ONE FM");
        QCOMPARE(w.PSDEF->text(), QStringLiteral("RADIO ON"));
        // A paste replaces the selection and is cut to the room left.
        w.PSDEF->setSelection(6, 2);
        QGuiApplication::clipboard()->setText(QStringLiteral("XYZW"));
        QTest::keyClick(w.PSDEF, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.PSDEF->text(), QStringLiteral("RADIO XY"));
        // A value longer than the limit set by the program stays whole and
        // takes no further characters, but deleting works.
        w.RT[1]->setText(QString(70, QLatin1Char('a')));
        QCOMPARE(w.RT[1]->text().size(), 70);
        w.RT[1]->end(false);
        QTest::keyClicks(w.RT[1], "b");
        QCOMPARE(w.RT[1]->text().size(), 70);
        QTest::keyClick(w.RT[1], Qt::Key_Backspace);
        QCOMPARE(w.RT[1]->text().size(), 69);
        // Only the first line of a pasted text is taken.
        w.ED1PR->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("first\nsecond"));
        w.ED1PR->pasteLimited();
        QCOMPARE(w.ED1PR->text(), QStringLiteral("first"));
        w.ECUSCH->clear();
        QTest::keyClicks(w.ECUSCH, "#+");
        QCOMPARE(w.ECUSCH->text(), QStringLiteral("#"));
    }

    void modeZeroRowsTakeEightCharactersAndEnterWraps()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.RGDPS1M->setItemIndex(0);
        QTest::keyClicks(w.DPS1->row(0), "ABCDEFGHIJ");
        QCOMPARE(w.DPS1->text(0), QStringLiteral("ABCDEFGH"));
        QTest::keyClick(w.DPS1->row(0), Qt::Key_Backspace);
        QCOMPARE(w.DPS1->text(0), QStringLiteral("ABCDEFG"));
        QTest::keyClick(w.DPS1->row(0), Qt::Key_Return);
        QCOMPARE(w.DPS1->currentRow(), 1);
        QCOMPARE(w.DPS1->text(0), QStringLiteral("ABCDEFG"));
        QTest::keyClick(w.DPS1->row(8), Qt::Key_Return);
        QCOMPARE(w.DPS1->currentRow(), 0);
        // A longer row from the settings file is shown whole; typing is refused.
        w.DPS1->setText(3, QStringLiteral("NINE CHAR"));
        QTest::keyClicks(w.DPS1->row(3), "X");
        QCOMPARE(w.DPS1->text(3), QStringLiteral("NINE CHAR"));
    }

    void afEnterMovesToTheNextRowAndWraps()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.SGAF->setCurrentCell(14, 1);
        QTest::keyClick(w.CBAFEdit, Qt::Key_Return);
        QCOMPARE(w.SGAF->currentRow(), 0);
        QTest::keyClick(w.CBAFEdit, Qt::Key_Return);
        QCOMPARE(w.SGAF->currentRow(), 1);
    }

    void afTypingGoesThroughTheEntryField()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.SGAF->item(0, 1)->setText(QStringLiteral("90.1"));
        w.SGAF->setCurrentCell(1, 1);
        w.SGAF->setCurrentCell(0, 1);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("90.1"));

        // Typing 9 in the list starts an entry; Enter at once keeps the row.
        QTest::keyClick(w.SGAF, '9');
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("9"));
        QCOMPARE(row(w, 0), QStringLiteral("90.1"));
        QTest::keyClick(w.CBAFEdit, Qt::Key_Return);
        QCOMPARE(row(w, 0), QStringLiteral("90.1"));
        QCOMPARE(w.SGAF->currentRow(), 1);

        // Typing 95 and Enter replaces it.
        w.SGAF->setCurrentCell(0, 1);
        QTest::keyClick(w.SGAF, '9');
        QTest::keyClick(w.CBAFEdit, '5');
        QCOMPARE(row(w, 0), QStringLiteral("95"));
        QTest::keyClick(w.CBAFEdit, Qt::Key_Return);
        QCOMPARE(row(w, 0), QStringLiteral("95"));

        // Letters typed in the list do nothing.
        w.SGAF->setCurrentCell(2, 1);
        QTest::keyClick(w.SGAF, 'x');
        QCOMPARE(w.CBAFEdit->text(), QString());
        QCOMPARE(row(w, 2), QString());

        // The entry field takes five characters.
        QTest::keyClicks(w.CBAFEdit, "107.95");
        QCOMPARE(row(w, 2), QStringLiteral("107.9"));

        // Choosing an item from the drop-down writes it into the row.
        w.SGAF->setCurrentCell(3, 1);
        w.CBAF->setCurrentIndex(0);
        emit w.CBAF->activated(0);
        QCOMPARE(row(w, 3), QStringLiteral("87.6"));
    }

    // As an operator does it on a fresh start: click the MHz field, type a
    // frequency, Enter, the next one, Enter. The keys go wherever the focus is.
    void afEntryOnAFreshStart()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.show();
        QApplication::setActiveWindow(&w);
        QCOMPARE(w.SGAF->currentRow(), 0);
        const int numberWidth = w.SGAF->columnWidth(0);
        // The row numbers stay in view (no sideways scroll to the current cell).
        QCOMPARE(w.SGAF->horizontalScrollBar()->value(), 0);
        QCOMPARE(w.SGAF->columnViewportPosition(0), 0);

        QTest::mouseClick(w.CBAFEdit, Qt::LeftButton);
        typeAtFocus(QStringLiteral("98.5\r101.2\r"));
        QCOMPARE(row(w, 0), QStringLiteral("98.5"));
        QCOMPARE(row(w, 1), QStringLiteral("101.2"));
        QCOMPARE(w.SGAF->currentRow(), 2);
        QCOMPARE(w.CBAFEdit->text(), QString());
        QCOMPARE(w.SGAF->columnWidth(0), numberWidth);
        QVERIFY(w.SGAF->columnWidth(1) > numberWidth);
        QCOMPARE(w.SGAF->columnViewportPosition(0), 0);

        // Selecting a row shows its text; an empty row empties the field.
        clickRow(w, 0);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("98.5"));
        clickRow(w, 6);
        QCOMPARE(w.CBAFEdit->text(), QString());
        clickRow(w, 1);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("101.2"));
        QTest::keyClick(w.SGAF, Qt::Key_Down);
        QCOMPARE(w.CBAFEdit->text(), QString());
        QCOMPARE(w.SGAF->columnWidth(0), numberWidth);

        // A frequency chosen from the drop-down list, then an empty row.
        clickRow(w, 3);
        w.CBAF->setFocus();
        QTest::keyClick(w.CBAF, Qt::Key_Down);
        QCOMPARE(row(w, 3), QStringLiteral("87.6"));
        clickRow(w, 4);
        QCOMPARE(w.CBAFEdit->text(), QString());
        QCOMPARE(w.CBAF->currentText(), QString());
        w.CBAF->setFocus();
        QTest::keyClick(w.CBAF, Qt::Key_Down);
        QCOMPARE(row(w, 4), QStringLiteral("87.6"));
        QCOMPARE(w.SGAF->columnWidth(0), numberWidth);
    }

    void afPasteAndSeparatorInTheList()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        // A paste into the entry field is cut to its five characters and
        // written into the current row like typing.
        w.SGAF->setCurrentCell(6, 1);
        w.CBAFEdit->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("101.75 MHz"));
        QTest::keyClick(w.CBAFEdit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("101.7"));
        QCOMPARE(row(w, 6), QStringLiteral("101.7"));
        // A full stop typed in the list starts an entry as a digit does.
        w.SGAF->setFocus();
        QTest::keyClick(w.SGAF, '.');
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("."));
        QCOMPARE(row(w, 6), QStringLiteral("101.7"));
    }

    void pressingSendLeavesTheFieldBeingTyped()
    {
        // The command buttons take the focus when clicked, so the field the
        // operator was typing in is normalised before Send reads it.
        test_support::EncoderFixture e;
        TForm1& w = e.start();
        QApplication::setActiveWindow(&w);
        e.pass();
        w.PageControl1->setCurrentWidget(w.TSSystem);
        w.DB[0]->setFocus();
        w.DB[0]->selectAll();
        QTest::keyClicks(w.DB[0], "FF");
        QTest::mouseClick(w.BSEND1, Qt::LeftButton);
        QCOMPARE(w.DB[0]->text(), QStringLiteral("1F"));
        QCOMPARE(w.DBD[0]->text(), QStringLiteral("31"));
        QCOMPARE(e.ram(quorvan::image::kUDGBytes), std::uint8_t(0x1F));

        e.pass();
        w.PageControl1->setCurrentWidget(w.TSProgram);
        w.PI->setFocus();
        w.PI->selectAll();
        QTest::keyClicks(w.PI, "12");
        QTest::mouseClick(w.BSTOR1, Qt::LeftButton);
        QCOMPARE(w.PI->text(), QStringLiteral("0012"));
    }

    void afDeleteEmptiesTheRowAtOnce()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.SGAF->item(4, 1)->setText(QStringLiteral("101.1"));
        w.SGAF->setCurrentCell(4, 1);
        QCOMPARE(w.CBAFEdit->text(), QStringLiteral("101.1"));
        QTest::keyRelease(w.SGAF, Qt::Key_Delete);
        QCOMPARE(row(w, 4), QString());
        QCOMPARE(w.CBAFEdit->text(), QString());
    }
};

QTEST_MAIN(Form1KeysTest)
#include "form1_keys_test.moc"
