// The Format menu driven as the user drives it: items triggered, submenus opened.
#include "CharacterOffset.h"
#include "FormattingFixture.h"
#include "SelectionFormat.h"

#include <QAction>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

namespace {
class FormatMenuTest : public FormattingFixture
{
protected:
    FormatMenuTest()
    {
        setParagraphs({QStringLiteral("plain bold plain"), QStringLiteral("second paragraph")});
    }

    static void open(QMenu *menu) { emit menu->aboutToShow(); }
    QList<QAction *> tickedColors() const
    {
        QList<QAction *> ticked;
        for (QAction *item : menu().colorActions) {
            if (item->isChecked())
                ticked << item;
        }
        return ticked;
    }
    QList<int> pressedButtons() const
    {
        QList<int> pressed;
        for (int position = 1; position <= EditorToolBar::ButtonCount; ++position) {
            if (toolBar().buttonValue(position))
                pressed << position;
        }
        return pressed;
    }
};
} // namespace

TEST_F(FormatMenuTest, BoldOnAMixedSelectionFollowsTheTick)
{
    selectText(QStringLiteral("bold"));
    SelectionFormat(&editor).setBold(true);
    selectText(QStringLiteral("plain bold"));

    open(menu().styleMenu);
    EXPECT_FALSE(menu().boldItem->isChecked());
    EXPECT_TRUE(pressedButtons().isEmpty()); // the submenu leaves the toolbar alone
    menu().boldItem->trigger();
    EXPECT_TRUE(formatOf(QStringLiteral("plain")).fontWeight() >= QFont::Bold);
    EXPECT_TRUE(formatOf(QStringLiteral("bold")).fontWeight() >= QFont::Bold);
    EXPECT_TRUE(menu().boldItem->isChecked());
    EXPECT_EQ(pressedButtons(), QList<int>({FormatMenu::ButtonBold}));

    // The tick decides, not the text: on plain text a ticked item turns bold off.
    selectText(QStringLiteral("second"));
    menu().boldItem->trigger();
    EXPECT_FALSE(menu().boldItem->isChecked());
    EXPECT_EQ(toolBar().buttonValue(FormatMenu::ButtonBold), 0);
    EXPECT_LT(formatOf(QStringLiteral("second")).fontWeight(), QFont::Bold);
    selectText(QStringLiteral("second"));
    menu().boldItem->trigger();
    EXPECT_GE(formatOf(QStringLiteral("second")).fontWeight(), QFont::Bold);
}

TEST_F(FormatMenuTest, EachStyleSetsItsAttributeAndItsButton)
{
    selectText(QStringLiteral("second"));
    menu().italicItem->trigger();
    menu().underlineItem->trigger();
    menu().strikeThroughItem->trigger();
    const QTextCharFormat styled = formatOf(QStringLiteral("second"));
    EXPECT_TRUE(styled.fontItalic());
    EXPECT_TRUE(styled.fontUnderline());
    EXPECT_TRUE(styled.fontStrikeOut());
    EXPECT_EQ(pressedButtons(),
              QList<int>({FormatMenu::ButtonItalic, FormatMenu::ButtonUnderline}));
    EXPECT_FALSE(formatOf(QStringLiteral("plain")).fontItalic());

    menu().italicItem->trigger();
    menu().underlineItem->trigger();
    menu().strikeThroughItem->trigger();
    const QTextCharFormat plain = formatOf(QStringLiteral("second"));
    EXPECT_FALSE(plain.fontItalic() || plain.fontUnderline() || plain.fontStrikeOut());
    EXPECT_TRUE(pressedButtons().isEmpty());
}

TEST_F(FormatMenuTest, BulletsComeAndGoWithoutLeavingAnIndent)
{
    select(0, int(editor.toPlainText().size()));
    menu().bulletsItem->trigger();
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
        ASSERT_NE(block.textList(), nullptr);
        EXPECT_EQ(block.textList()->format().style(), QTextListFormat::ListDisc);
    }
    open(menu().styleMenu);
    EXPECT_TRUE(menu().bulletsItem->isChecked());

    selectText(QStringLiteral("second"));
    menu().bulletsItem->trigger();
    const QTextBlock second = editor.document()->lastBlock();
    EXPECT_EQ(second.textList(), nullptr);
    EXPECT_EQ(second.blockFormat().indent(), 0);
    EXPECT_NE(editor.document()->firstBlock().textList(), nullptr);

    select(0, int(editor.toPlainText().size()));
    open(menu().styleMenu);
    EXPECT_FALSE(menu().bulletsItem->isChecked());
}

TEST_F(FormatMenuTest, CenterTwiceClearsTheMarksAndKeepsTheParagraphCentred)
{
    selectText(QStringLiteral("second"));
    menu().centerItem->trigger();
    EXPECT_EQ(alignmentOf(QStringLiteral("second")), Qt::AlignHCenter);
    EXPECT_TRUE(menu().centerItem->isChecked());
    EXPECT_EQ(pressedButtons(), QList<int>({FormatMenu::ButtonCenter}));

    menu().centerItem->trigger();
    EXPECT_FALSE(menu().alignLeftItem->isChecked() || menu().centerItem->isChecked() ||
                 menu().alignRightItem->isChecked());
    EXPECT_TRUE(pressedButtons().isEmpty());
    EXPECT_EQ(alignmentOf(QStringLiteral("second")), Qt::AlignHCenter);

    open(menu().alignmentMenu);
    EXPECT_TRUE(menu().centerItem->isChecked());
    EXPECT_EQ(pressedButtons(), QList<int>({FormatMenu::ButtonCenter}));

    // Paragraphs of different alignments mark none.
    select(0, int(editor.toPlainText().size()));
    open(menu().alignmentMenu);
    EXPECT_FALSE(menu().alignLeftItem->isChecked() || menu().centerItem->isChecked() ||
                 menu().alignRightItem->isChecked());
    EXPECT_TRUE(pressedButtons().isEmpty());
}

TEST_F(FormatMenuTest, SuperAndSubScriptReturnToTheBaseline)
{
    selectText(QStringLiteral("bold"));
    menu().superscriptItem->trigger();
    QTextCharFormat format = formatOf(QStringLiteral("bold"));
    EXPECT_EQ(CharacterOffset::get(format), FormatMenu::SuperScriptOffset);
    EXPECT_EQ(format.verticalAlignment(), QTextCharFormat::AlignSuperScript);

    menu().subscriptItem->trigger();
    format = formatOf(QStringLiteral("bold"));
    EXPECT_EQ(CharacterOffset::get(format), FormatMenu::SubScriptOffset);
    EXPECT_EQ(format.verticalAlignment(), QTextCharFormat::AlignSubScript);

    menu().noScriptItem->trigger();
    format = formatOf(QStringLiteral("bold"));
    EXPECT_EQ(CharacterOffset::get(format), 0);
    EXPECT_EQ(format.verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_FALSE(menu().superscriptItem->isCheckable());
}

TEST_F(FormatMenuTest, ColourItemsSetTheirValuesAndTheSubmenuTicksTheMatch)
{
    const QList<QColor> expected = {
        Qt::black,  QColor(128, 128, 128), Qt::red,  QColor(255, 128, 0),
        Qt::yellow, QColor(0, 255, 0),     Qt::blue, QColor(255, 0, 255)};
    EXPECT_EQ(tickedColors(), QList<QAction *>({menu().colorActions[0]})); // black at start
    selectText(QStringLiteral("second"));
    for (std::size_t i = 0; i < menu().colorActions.size(); ++i) {
        menu().colorActions[i]->trigger();
        EXPECT_EQ(formatOf(QStringLiteral("second")).foreground().color(), expected[int(i)])
            << menu().colorActions[i]->objectName().toStdString();
        open(menu().colorMenu);
        EXPECT_EQ(tickedColors(), QList<QAction *>({menu().colorActions[i]}));
    }

    menu().colorActions[3]->trigger(); // orange
    selectText(QStringLiteral("plain bold"));
    open(menu().colorMenu);
    EXPECT_EQ(tickedColors(), QList<QAction *>({menu().colorActions[0]})); // not coloured: black
    select(0, int(editor.toPlainText().size()));
    open(menu().colorMenu);
    EXPECT_TRUE(tickedColors().isEmpty());
}

TEST_F(FormatMenuTest, OtherColourStartsFromTheSelectionAndCancelChangesNothing)
{
    selectText(QStringLiteral("second"));
    menu().colorActions[2]->trigger(); // red
    colorAnswer = QColor(10, 20, 30);
    menu().otherColorItem->trigger();
    ASSERT_EQ(colorSeeds.size(), 1);
    EXPECT_EQ(colorSeeds.last(), QColor(Qt::red));
    EXPECT_EQ(formatOf(QStringLiteral("second")).foreground().color(), QColor(10, 20, 30));
    open(menu().colorMenu);
    EXPECT_TRUE(tickedColors().isEmpty());

    colorAnswer.reset();
    menu().otherColorItem->trigger();
    EXPECT_EQ(colorSeeds.last(), QColor(10, 20, 30));
    EXPECT_EQ(formatOf(QStringLiteral("second")).foreground().color(), QColor(10, 20, 30));

    // A selection of several colours keeps each of them when the dialog is cancelled.
    select(0, int(editor.toPlainText().size()));
    menu().otherColorItem->trigger();
    EXPECT_EQ(formatOf(QStringLiteral("second")).foreground().color(), QColor(10, 20, 30));
    EXPECT_EQ(SelectionFormat::colorValue(formatOf(QStringLiteral("plain")).foreground().color()),
              0);
}

TEST_F(FormatMenuTest, FontDialogAppliesEverythingOrNothing)
{
    selectText(QStringLiteral("second"));
    SelectionFormat(&editor).setFontSize(12);
    QFont chosen(QStringLiteral("DejaVu Sans Mono"));
    chosen.setPointSizeF(18);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);

    const QTextCharFormat before = formatOf(QStringLiteral("second"));
    const QTextCharFormat untouched = formatOf(QStringLiteral("paragraph"));
    fontAnswer.reset();
    menu().fontItem->trigger();
    ASSERT_EQ(fontSeeds.size(), 1);
    EXPECT_EQ(fontSeeds.last().pointSizeF(), 12);
    QTextCharFormat format = formatOf(QStringLiteral("second"));
    EXPECT_EQ(format, before);

    fontAnswer = chosen;
    menu().fontItem->trigger();
    format = formatOf(QStringLiteral("second"));
    EXPECT_EQ(format.fontFamilies().toStringList(), QStringList({"DejaVu Sans Mono"}));
    EXPECT_EQ(format.fontPointSize(), 18);
    EXPECT_GE(format.fontWeight(), QFont::Bold);
    EXPECT_TRUE(format.fontItalic() && format.fontUnderline() && format.fontStrikeOut());
    EXPECT_EQ(formatOf(QStringLiteral("paragraph")), untouched);
}

TEST_F(FormatMenuTest, OpeningFormatDerivesColourAndAlignmentMarks)
{
    selectText(QStringLiteral("second"));
    menu().colorActions[6]->trigger(); // blue
    menu().alignRightItem->trigger();
    menu().alignRightItem->trigger(); // marks gone, paragraph still right-aligned
    open(&formatMenu);
    EXPECT_EQ(tickedColors(), QList<QAction *>({menu().colorActions[6]}));
    EXPECT_TRUE(menu().alignRightItem->isChecked());
    EXPECT_EQ(pressedButtons(), QList<int>({FormatMenu::ButtonAlignRight}));
}

TEST_F(FormatMenuTest, EmptySelectionFormatsWhatIsTypedNext)
{
    editor.moveCursor(QTextCursor::End);
    menu().boldItem->trigger();
    menu().colorActions[2]->trigger();
    editor.textCursor().insertText(QStringLiteral("typed"));
    const QTextCharFormat typed = formatOf(QStringLiteral("typed"));
    EXPECT_GE(typed.fontWeight(), QFont::Bold);
    EXPECT_EQ(typed.foreground().color(), QColor(Qt::red));
    EXPECT_LT(formatOf(QStringLiteral("paragraph")).fontWeight(), QFont::Bold);
}
