// The toolbar, the font boxes and the marks that follow the document, driven by clicks and
// keys on a shown window.
#include "FormattingFixture.h"
#include "SelectionFormat.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

namespace {
class ToolBarTest : public FormattingFixture
{
protected:
    ToolBarTest()
    {
        window.resize(900, 500);
        host.setGeometry(0, 0, 900, toolBar().height());
        toolBar().setGeometry(0, 0, 900, toolBar().height());
        editor.setGeometry(0, 40, 600, 400);
        window.show();
        documents.newDocument();
        setParagraphs({QStringLiteral("plain bold plain"), QStringLiteral("centred line")});
        selectText(QStringLiteral("bold"));
        SelectionFormat(&editor).setBold(true);
        selectText(QStringLiteral("centred"));
        SelectionFormat(&editor).setAlignment(SelectionFormat::AlignCenter);
        editor.moveCursor(QTextCursor::Start);
        // As a document just opened: New sets it aside without a question.
        editor.document()->setModified(false);
        QApplication::processEvents();
    }

    void clickAt(int position)
    {
        QTextCursor cursor(editor.document());
        cursor.setPosition(position);
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {},
                          editor.cursorRect(cursor).center());
    }
    void press(int position) { toolBar().button(position)->trigger(); }
    int positionOf(const QString &text) const { return int(editor.toPlainText().indexOf(text)); }
    void chooseFont(int index)
    {
        toolBar().fontNameBox->setCurrentIndex(index);
        emit toolBar().fontNameBox->activated(index);
    }
    void expectDefaultBoxes() const
    {
        EXPECT_EQ(toolBar().fontNameText(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(toolBar().fontSizeBox->currentText(), QStringLiteral("10"));
        EXPECT_EQ(toolBar().fontNameBox->count(), QFontDatabase::families().size());
        EXPECT_EQ(toolBar().fontSizeBox->count(), 100);
    }
};
} // namespace

TEST_F(ToolBarTest, ButtonsSitInTheirPositionsWithKeysTooltipsAndIcons)
{
    const QStringList keys = {"New",       "Open", "Save",       "",       "Print",      "",
                              "Cut",       "Copy", "Paste",      "",       "Bold",       "Italic",
                              "Underline", "",     "Align Left", "Center", "Align Right"};
    for (int position = 1; position <= EditorToolBar::ButtonCount; ++position) {
        const QAction *button = toolBar().button(position);
        ASSERT_NE(button, nullptr) << position;
        const QString key = keys.at(position - 1);
        EXPECT_EQ(button->isSeparator(), key.isEmpty()) << position;
        if (key.isEmpty())
            continue;
        EXPECT_EQ(toolBar().buttonKey(position), key);
        EXPECT_EQ(button->toolTip(), key);
        EXPECT_FALSE(button->icon().isNull()) << key.toStdString();
    }
    EXPECT_EQ(toolBar().button(0), nullptr);
    EXPECT_EQ(toolBar().button(EditorToolBar::ButtonCount + 1), nullptr);
    // The boxes lie on the strip to the right of the buttons.
    const QAction *last = toolBar().button(EditorToolBar::ButtonCount);
    EXPECT_LE(toolBar().widgetForAction(const_cast<QAction *>(last))->geometry().right(),
              toolBar().fontNameBox->geometry().left());
    EXPECT_LT(toolBar().fontNameBox->geometry().right(), toolBar().fontSizeBox->geometry().left());
}

TEST_F(ToolBarTest, ButtonsRunTheSameCommandsAsTheMenus)
{
    selectText(QStringLiteral("plain"));
    press(FormatMenu::ButtonBold);
    EXPECT_GE(formatOf(QStringLiteral("plain")).fontWeight(), QFont::Bold);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 1);
    EXPECT_TRUE(menu().boldItem->isChecked());
    press(FormatMenu::ButtonBold);
    EXPECT_LT(formatOf(QStringLiteral("plain")).fontWeight(), QFont::Bold);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 0);

    press(FormatMenu::ButtonAlignRight);
    EXPECT_EQ(alignmentOf(QStringLiteral("plain")), Qt::AlignRight);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonAlignRight), 1);
    // The pressed alignment button clicked again only raises it.
    press(FormatMenu::ButtonAlignRight);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonAlignRight), 0);
    EXPECT_EQ(alignmentOf(QStringLiteral("plain")), Qt::AlignRight);

    selectText(QStringLiteral("centred "));
    press(7); // Cut
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("centred "));
    EXPECT_EQ(editor.document()->lastBlock().text(), QStringLiteral("line"));
    press(9); // Paste
    EXPECT_EQ(editor.document()->lastBlock().text(), QStringLiteral("centred line"));

    QSignalSpy printing(&documents, &DocumentCommands::printRequested);
    press(5);
    EXPECT_EQ(printing.count(), 1);
    boxes.queueAnswer(MessageBoxService::ResultDiscard); // the edits above are not kept
    press(1);
    EXPECT_TRUE(editor.toPlainText().isEmpty());
    // Keys are compared exactly.
    toolBar().runCommand(QStringLiteral("bold"));
    EXPECT_FALSE(menu().boldItem->isChecked());
}

TEST_F(ToolBarTest, FontBoxesFollowTheCursorAndNewResetsThem)
{
    const QStringList families = QFontDatabase::families();
    ASSERT_GE(families.size(), 2);
    selectText(QStringLiteral("centred line"));
    SelectionFormat(&editor).setFontName(families[1]);
    SelectionFormat(&editor).setFontSize(14);
    toolBar().fillFontBoxes();
    for (int size = 1; size <= 100; ++size)
        ASSERT_EQ(toolBar().fontSizeBox->itemText(size - 1), QString::number(size));
    EXPECT_EQ(toolBar().fontNameBox->itemText(0), families.value(0));
    EXPECT_EQ(toolBar().fontNameText(), families[1]);
    EXPECT_EQ(toolBar().fontSizeBox->currentText(), QStringLiteral("14"));

    // A click into other text shows its font; a selection of both leaves the boxes empty.
    clickAt(positionOf(QStringLiteral("bold")));
    EXPECT_EQ(toolBar().fontNameText(), QStringLiteral("Times New Roman"));
    selectText(QStringLiteral("plain\ncentred"));
    EXPECT_TRUE(toolBar().fontNameText().isEmpty());
    EXPECT_TRUE(toolBar().fontSizeBox->currentText().isEmpty());

    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    documents.newDocument();
    expectDefaultBoxes();

    chooseFont(0);
    toolBar().fontSizeBox->setCurrentText(QStringLiteral("8"));
    QTest::keyClick(&editor, Qt::Key_F5);
    EXPECT_EQ(toolBar().fontNameText(), families[0]);
    EXPECT_EQ(toolBar().fontSizeBox->currentText(), QStringLiteral("10"));
}

TEST_F(ToolBarTest, RefillWhileFillingDoesNotListFontsTwice)
{
    // A second fill started while the first yields (F5 held down, a click on New) replaces
    // it rather than adding to it.
    bool nested = false;
    QObject::connect(toolBar().fontNameBox->model(), &QAbstractItemModel::rowsInserted, &editor,
                     [&] {
                         if (!nested) {
                             nested = true;
                             QMetaObject::invokeMethod(&toolBar(), &EditorToolBar::fillFontBoxes,
                                                       Qt::QueuedConnection);
                         }
                     });
    toolBar().fillFontBoxes();
    QApplication::processEvents();
    ASSERT_TRUE(nested);
    expectDefaultBoxes();
}

TEST_F(ToolBarTest, SizeTypedAndConfirmedWithEnter)
{
    toolBar().fillFontBoxes();
    selectText(QStringLiteral("centred"));
    QLineEdit *edit = toolBar().fontSizeBox->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("14"));
    EXPECT_EQ(formatOf(QStringLiteral("centred")).fontPointSize(), 10); // not before Enter
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(formatOf(QStringLiteral("centred")).fontPointSize(), 14);
    EXPECT_EQ(formatOf(QStringLiteral("line")).fontPointSize(), 10);
    EXPECT_EQ(toolBar().fontSizeBox->count(), 100);
    EXPECT_EQ(toolBar().fontSizeBox->currentText(), QStringLiteral("14"));

    for (const QString &refused :
         {QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("5000"), QString()}) {
        edit->setText(refused);
        QTest::keyClick(edit, Qt::Key_Enter);
        EXPECT_EQ(formatOf(QStringLiteral("centred")).fontPointSize(), 14) << refused.toStdString();
    }
    EXPECT_EQ(beeps, 5);

    toolBar().fontSizeBox->setCurrentIndex(7);
    emit toolBar().fontSizeBox->activated(7);
    EXPECT_EQ(formatOf(QStringLiteral("centred")).fontPointSize(), 8);
}

TEST_F(ToolBarTest, ChosenFontGoesBackToTheDocumentOnlyAfterTheFirstActivation)
{
    toolBar().fillFontBoxes();
    selectText(QStringLiteral("line"));
    toolBar().setFirstActivationDone(false); // as before the window was ever activated
    toolBar().fontNameBox->setFocus();
    chooseFont(1);
    EXPECT_EQ(formatOf(QStringLiteral("line")).fontFamilies().toStringList(),
              QStringList({QFontDatabase::families().value(1)}));
    EXPECT_EQ(window.focusWidget(), toolBar().fontNameBox);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    EXPECT_TRUE(toolBar().firstActivationDone());
    chooseFont(0);
    EXPECT_EQ(window.focusWidget(), &editor);
}

TEST_F(ToolBarTest, ClicksInTheDocumentMarkTheStyleAtTheCursor)
{
    clickAt(positionOf(QStringLiteral("bold")) + 2);
    EXPECT_TRUE(menu().boldItem->isChecked());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 1);
    clickAt(1);
    EXPECT_FALSE(menu().boldItem->isChecked());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 0);

    // A selection that is partly bold shows the button raised.
    clickAt(positionOf(QStringLiteral("bold")) + 2);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&editor, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(editor.textCursor().hasSelection());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 0);
    EXPECT_FALSE(menu().boldItem->isChecked());
}

TEST_F(ToolBarTest, ArrowKeysIntoACentredParagraphMarkCenter)
{
    clickAt(2);
    QTest::keyClick(&editor, Qt::Key_Down);
    ASSERT_EQ(editor.textCursor().blockNumber(), 1);
    EXPECT_TRUE(menu().centerItem->isChecked());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonCenter), 1);
    QTest::keyClick(&editor, Qt::Key_Up);
    EXPECT_TRUE(menu().alignLeftItem->isChecked());
    EXPECT_FALSE(menu().centerItem->isChecked());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonAlignLeft), 1);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonCenter), 0);

    // Both paragraphs selected: a mixed alignment leaves the marks as they were.
    QTest::keyClick(&editor, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(menu().alignLeftItem->isChecked());
}

TEST_F(ToolBarTest, ScreenReaderTogglesAndDocumentKeysFormatAsTheButtonsDo)
{
    // A screen reader's "Toggle" flips the button itself, without a click.
    const auto toggle = [this](int position) {
        QAccessibleInterface *button = QAccessible::queryAccessibleInterface(
            toolBar().widgetForAction(toolBar().button(position)));
        ASSERT_TRUE(button && button->actionInterface());
        button->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QApplication::processEvents();
    };
    selectText(QStringLiteral("plain"));
    toggle(FormatMenu::ButtonBold);
    EXPECT_GE(formatOf(QStringLiteral("plain")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(menu().boldItem->isChecked());
    toggle(FormatMenu::ButtonBold);
    EXPECT_LT(formatOf(QStringLiteral("plain")).fontWeight(), QFont::Bold);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 0);
    toggle(FormatMenu::ButtonCenter);
    EXPECT_EQ(alignmentOf(QStringLiteral("plain")), Qt::AlignHCenter);
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonCenter), 1);

    // Ctrl+E and Ctrl+U are line-editing keys to Qt's text control; here they format.
    editor.setFocus();
    selectText(QStringLiteral("centred"));
    for (const Qt::Key key : {Qt::Key_B, Qt::Key_I, Qt::Key_U, Qt::Key_R})
        QTest::keyClick(&editor, key, Qt::ControlModifier);
    const QTextCharFormat styled = formatOf(QStringLiteral("centred"));
    EXPECT_GE(styled.fontWeight(), QFont::Bold);
    EXPECT_TRUE(styled.fontItalic());
    EXPECT_TRUE(styled.fontUnderline());
    EXPECT_EQ(alignmentOf(QStringLiteral("centred")), Qt::AlignRight);
    EXPECT_EQ(editor.textCursor().selectedText(), QStringLiteral("centred"));
    QTest::keyClick(&editor, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(alignmentOf(QStringLiteral("centred")), Qt::AlignHCenter);
    EXPECT_TRUE(menu().centerItem->isChecked());
    QTest::keyClick(&editor, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(alignmentOf(QStringLiteral("centred")), Qt::AlignLeft);
    QTest::keyClick(&editor, Qt::Key_U, Qt::ControlModifier);
    EXPECT_FALSE(formatOf(QStringLiteral("centred")).fontUnderline());
}
