#include "FormatMenu.h"

#include "EditorToolBar.h"
#include "FormatDialogService.h"
#include "SelectionFormat.h"

#include <QMenu>
#include <QTextEdit>

const std::array<FormatMenu::ColorItem, 8> FormatMenu::ColorItems = {{
    {"black", "&Black", 0},
    {"gray", "&Gray", 8421504},
    {"red", "&Red", 255},
    {"orange", "&Orange", 33023},
    {"yellow", "&Yellow", 65535},
    {"green", "&Green", 65280},
    {"blue", "&Blue", 16711680},
    {"purple", "&Purple", 16711935},
}};

namespace {
QMenu *addSubmenu(QMenu *menu, const char *name, const char *caption)
{
    QMenu *submenu = menu->addMenu(QString::fromUtf8(caption));
    submenu->setObjectName(QString::fromLatin1(name));
    return submenu;
}
} // namespace

FormatMenu::FormatMenu(QMenu *menu, QTextEdit *editor, QWidget *dialogParent, QObject *parent)
    : QObject(parent), formatMenu(menu), m_editor(editor), m_dialogParent(dialogParent)
{
    if (formatMenu->title().isEmpty())
        formatMenu->setTitle(QStringLiteral("&Format"));

    styleMenu = addSubmenu(formatMenu, "styleMenu", "&Style");
    boldItem = addItem(styleMenu, "boldItem", "&Bold", true, &FormatMenu::toggleBold);
    italicItem = addItem(styleMenu, "italicItem", "&Italic", true, &FormatMenu::toggleItalic);
    underlineItem =
        addItem(styleMenu, "underlineItem", "&Underline", true, &FormatMenu::toggleUnderline);
    strikeThroughItem = addItem(styleMenu, "strikeThroughItem", "&StrikeThru", true,
                                &FormatMenu::toggleStrikeThrough);
    bulletsItem = addItem(styleMenu, "bulletsItem", "&Bullets", true, &FormatMenu::toggleBullets);

    alignmentMenu = addSubmenu(formatMenu, "alignmentMenu", "&Alignment");
    alignLeftItem = addItem(alignmentMenu, "alignLeftItem", "&Left", true, &FormatMenu::alignLeft);
    centerItem = addItem(alignmentMenu, "centerItem", "&Center", true, &FormatMenu::alignCenter);
    alignRightItem =
        addItem(alignmentMenu, "alignRightItem", "&Right", true, &FormatMenu::alignRight);

    scriptMenu = addSubmenu(formatMenu, "scriptMenu", "&Script");
    noScriptItem =
        addItem(scriptMenu, "noScriptItem", "&No Scripting", false, &FormatMenu::clearScript);
    superscriptItem =
        addItem(scriptMenu, "superscriptItem", "S&uper Script", false, &FormatMenu::setSuperscript);
    subscriptItem =
        addItem(scriptMenu, "subscriptItem", "&Sub Script", false, &FormatMenu::setSubscript);

    colorMenu = addSubmenu(formatMenu, "colorMenu", "&Color");
    for (std::size_t i = 0; i < ColorItems.size(); ++i) {
        QAction *item =
            addItem(colorMenu, ColorItems[i].name, ColorItems[i].caption, true, nullptr);
        connect(item, &QAction::triggered, this, [this, i] { setColor(int(i)); });
        colorActions[i] = item;
    }
    otherColorItem =
        addItem(colorMenu, "otherColorItem", "&Other...", false, &FormatMenu::chooseColor);

    fontItem = addItem(formatMenu, "fontItem", "&Font...", false, &FormatMenu::chooseFont);

    // The automatic colour of new text is black.
    colorActions[0]->setChecked(true);

    connect(formatMenu, &QMenu::aboutToShow, this, &FormatMenu::updateMarks);
    connect(styleMenu, &QMenu::aboutToShow, this, &FormatMenu::updateStyleMarks);
    connect(alignmentMenu, &QMenu::aboutToShow, this, &FormatMenu::updateAlignmentMarks);
    connect(colorMenu, &QMenu::aboutToShow, this, &FormatMenu::updateColorMarks);
}

QAction *FormatMenu::addItem(QMenu *menu, const char *name, const char *caption, bool checkable,
                             void (FormatMenu::*handler)())
{
    QAction *item = menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(QString::fromLatin1(name));
    item->setCheckable(checkable);
    if (checkable) {
        // Qt flips a checkable item before reporting the choice; the tick belongs to the
        // command, which decides by the tick as it was, so the flip is taken back first.
        connect(item, &QAction::triggered, this,
                [item](bool checked) { item->setChecked(!checked); });
    }
    if (handler)
        connect(item, &QAction::triggered, this, handler);
    return item;
}

void FormatMenu::setToolBar(EditorToolBar *toolBar)
{
    m_toolBar = toolBar;
}

void FormatMenu::setButton(int position, bool pressed)
{
    if (m_toolBar)
        m_toolBar->setButtonValue(position, pressed ? 1 : 0);
}

void FormatMenu::toggle(QAction *item, int button, void (*apply)(QTextEdit *, bool))
{
    if (!item->isChecked()) {
        item->setChecked(true);
        if (m_editor)
            apply(m_editor, true);
        if (button)
            setButton(button, true);
    } else {
        if (button)
            setButton(button, false);
        item->setChecked(false);
        if (m_editor)
            apply(m_editor, false);
    }
}

void FormatMenu::toggleBold()
{
    toggle(boldItem, ButtonBold,
           [](QTextEdit *editor, bool on) { SelectionFormat(editor).setBold(on); });
}

void FormatMenu::toggleItalic()
{
    toggle(italicItem, ButtonItalic,
           [](QTextEdit *editor, bool on) { SelectionFormat(editor).setItalic(on); });
}

void FormatMenu::toggleUnderline()
{
    toggle(underlineItem, ButtonUnderline,
           [](QTextEdit *editor, bool on) { SelectionFormat(editor).setUnderline(on); });
}

void FormatMenu::toggleStrikeThrough()
{
    toggle(strikeThroughItem, 0,
           [](QTextEdit *editor, bool on) { SelectionFormat(editor).setStrikeThrough(on); });
}

void FormatMenu::toggleBullets()
{
    toggle(bulletsItem, 0,
           [](QTextEdit *editor, bool on) { SelectionFormat(editor).setBullet(on); });
}

void FormatMenu::align(QAction *item, int button, int value)
{
    const bool wasTicked = item->isChecked();
    clearAlignmentMarks();
    // Choosing the ticked alignment again only takes the marks away; the text keeps it.
    if (wasTicked)
        return;
    item->setChecked(true);
    setButton(button, true);
    if (m_editor)
        SelectionFormat(m_editor).setAlignment(value);
}

void FormatMenu::alignLeft()
{
    align(alignLeftItem, ButtonAlignLeft, SelectionFormat::AlignLeft);
}

void FormatMenu::alignCenter()
{
    align(centerItem, ButtonCenter, SelectionFormat::AlignCenter);
}

void FormatMenu::alignRight()
{
    align(alignRightItem, ButtonAlignRight, SelectionFormat::AlignRight);
}

void FormatMenu::clearScript()
{
    if (m_editor)
        SelectionFormat(m_editor).setCharOffset(0);
}

void FormatMenu::setSuperscript()
{
    if (m_editor)
        SelectionFormat(m_editor).setCharOffset(SuperScriptOffset);
}

void FormatMenu::setSubscript()
{
    if (m_editor)
        SelectionFormat(m_editor).setCharOffset(SubScriptOffset);
}

void FormatMenu::setColor(int index)
{
    if (m_editor && index >= 0 && index < int(ColorItems.size()))
        SelectionFormat(m_editor).setColor(ColorItems[std::size_t(index)].value);
}

void FormatMenu::chooseColor()
{
    if (!m_editor)
        return;
    SelectionFormat selection(m_editor);
    // A mixed selection has no colour to start from; the last one chosen serves.
    if (const auto current = selection.color())
        m_dialogColor = *current;
    const auto chosen = FormatDialogService::getColor(
        m_dialogParent, SelectionFormat::colorFromValue(m_dialogColor));
    // Cancelling changes nothing, also on a selection of several colours.
    if (!chosen || !m_editor)
        return;
    m_dialogColor = SelectionFormat::colorValue(*chosen);
    SelectionFormat(m_editor).setColor(m_dialogColor);
}

void FormatMenu::chooseFont()
{
    if (!m_editor)
        return;
    const QFont initial = SelectionFormat(m_editor).firstFormat().font();
    const auto chosen = FormatDialogService::getFont(m_dialogParent, initial);
    if (!chosen || !m_editor)
        return;
    SelectionFormat selection(m_editor);
    selection.setFontName(chosen->family());
    selection.setFontSize(chosen->pointSizeF());
    selection.setUnderline(chosen->underline());
    selection.setBold(chosen->bold());
    selection.setItalic(chosen->italic());
    selection.setStrikeThrough(chosen->strikeOut());
}

void FormatMenu::clearAlignmentMarks()
{
    alignLeftItem->setChecked(false);
    centerItem->setChecked(false);
    alignRightItem->setChecked(false);
    setButton(ButtonAlignLeft, false);
    setButton(ButtonCenter, false);
    setButton(ButtonAlignRight, false);
}

void FormatMenu::clearColorMarks()
{
    for (QAction *item : colorActions)
        item->setChecked(false);
}

void FormatMenu::updateMarks()
{
    updateColorMarks();
    updateAlignmentMarks();
}

void FormatMenu::updateStyleMarks()
{
    if (!m_editor)
        return;
    const SelectionFormat selection(m_editor);
    // Only a style that holds for the whole selection is ticked.
    underlineItem->setChecked(selection.underline().value_or(false));
    italicItem->setChecked(selection.italic().value_or(false));
    boldItem->setChecked(selection.bold().value_or(false));
    strikeThroughItem->setChecked(selection.strikeThrough().value_or(false));
    bulletsItem->setChecked(selection.bullet().value_or(false));
}

void FormatMenu::updateAlignmentMarks()
{
    clearAlignmentMarks();
    if (!m_editor)
        return;
    switch (SelectionFormat(m_editor).alignment().value_or(-1)) {
    case SelectionFormat::AlignLeft:
        alignLeftItem->setChecked(true);
        setButton(ButtonAlignLeft, true);
        break;
    case SelectionFormat::AlignRight:
        alignRightItem->setChecked(true);
        setButton(ButtonAlignRight, true);
        break;
    case SelectionFormat::AlignCenter:
        centerItem->setChecked(true);
        setButton(ButtonCenter, true);
        break;
    default: // mixed, or justified: no item stands for it
        break;
    }
}

void FormatMenu::updateColorMarks()
{
    clearColorMarks();
    if (!m_editor)
        return;
    const auto current = SelectionFormat(m_editor).color();
    if (!current)
        return;
    for (std::size_t i = 0; i < ColorItems.size(); ++i) {
        if (ColorItems[i].value == *current) {
            colorActions[i]->setChecked(true);
            return;
        }
    }
}
