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

FormatMenu::FormatMenu(QMenu *formatx, QTextEdit *rt, QWidget *dialogParent, QObject *parent)
    : QObject(parent), Formatx(formatx), m_rt(rt), m_dialogParent(dialogParent)
{
    if (Formatx->title().isEmpty())
        Formatx->setTitle(QStringLiteral("&Format"));

    style = addSubmenu(Formatx, "style", "&Style");
    bold = addItem(style, "bold", "&Bold", true, &FormatMenu::bold_Click);
    italic = addItem(style, "italic", "&Italic", true, &FormatMenu::italic_Click);
    Underline = addItem(style, "Underline", "&Underline", true, &FormatMenu::Underline_Click);
    StrikeThru = addItem(style, "StrikeThru", "&StrikeThru", true, &FormatMenu::StrikeThru_Click);
    bullets = addItem(style, "bullets", "&Bullets", true, &FormatMenu::bullets_Click);

    Alignment = addSubmenu(Formatx, "Alignment", "&Alignment");
    aLeft = addItem(Alignment, "aLeft", "&Left", true, &FormatMenu::aLeft_Click);
    aCenter = addItem(Alignment, "aCenter", "&Center", true, &FormatMenu::aCenter_Click);
    aRight = addItem(Alignment, "aRight", "&Right", true, &FormatMenu::aRight_Click);

    script = addSubmenu(Formatx, "script", "&Script");
    Nos = addItem(script, "Nos", "&No Scripting", false, &FormatMenu::Nos_Click);
    sups = addItem(script, "sups", "S&uper Script", false, &FormatMenu::sups_Click);
    subs = addItem(script, "subs", "&Sub Script", false, &FormatMenu::subs_Click);

    clr = addSubmenu(Formatx, "clr", "&Color");
    for (std::size_t i = 0; i < ColorItems.size(); ++i) {
        QAction *item = addItem(clr, ColorItems[i].name, ColorItems[i].caption, true, nullptr);
        connect(item, &QAction::triggered, this, [this, i] { color_Click(int(i)); });
        colors[i] = item;
    }
    chngecolor = addItem(clr, "chngecolor", "&Other...", false, &FormatMenu::chngecolor_Click);

    font = addItem(Formatx, "font", "&Font...", false, &FormatMenu::font_Click);

    // The automatic colour of new text is black.
    colors[0]->setChecked(true);

    connect(Formatx, &QMenu::aboutToShow, this, &FormatMenu::Formatx_Open);
    connect(style, &QMenu::aboutToShow, this, &FormatMenu::style_Open);
    connect(Alignment, &QMenu::aboutToShow, this, &FormatMenu::Alignment_Open);
    connect(clr, &QMenu::aboutToShow, this, &FormatMenu::clr_Open);
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
        if (m_rt)
            apply(m_rt, true);
        if (button)
            setButton(button, true);
    } else {
        if (button)
            setButton(button, false);
        item->setChecked(false);
        if (m_rt)
            apply(m_rt, false);
    }
}

void FormatMenu::bold_Click()
{
    toggle(bold, ButtonBold, [](QTextEdit *rt, bool on) { SelectionFormat(rt).setBold(on); });
}

void FormatMenu::italic_Click()
{
    toggle(italic, ButtonItalic, [](QTextEdit *rt, bool on) { SelectionFormat(rt).setItalic(on); });
}

void FormatMenu::Underline_Click()
{
    toggle(Underline, ButtonUnderline,
           [](QTextEdit *rt, bool on) { SelectionFormat(rt).setUnderline(on); });
}

void FormatMenu::StrikeThru_Click()
{
    toggle(StrikeThru, 0, [](QTextEdit *rt, bool on) { SelectionFormat(rt).setStrikeThrough(on); });
}

void FormatMenu::bullets_Click()
{
    toggle(bullets, 0, [](QTextEdit *rt, bool on) { SelectionFormat(rt).setBullet(on); });
}

void FormatMenu::align(QAction *item, int button, int value)
{
    const bool wasTicked = item->isChecked();
    ClearAlignmentMarks();
    // Choosing the ticked alignment again only takes the marks away; the text keeps it.
    if (wasTicked)
        return;
    item->setChecked(true);
    setButton(button, true);
    if (m_rt)
        SelectionFormat(m_rt).setAlignment(value);
}

void FormatMenu::aLeft_Click()
{
    align(aLeft, ButtonAlignLeft, SelectionFormat::AlignLeft);
}

void FormatMenu::aCenter_Click()
{
    align(aCenter, ButtonCenter, SelectionFormat::AlignCenter);
}

void FormatMenu::aRight_Click()
{
    align(aRight, ButtonAlignRight, SelectionFormat::AlignRight);
}

void FormatMenu::Nos_Click()
{
    if (m_rt)
        SelectionFormat(m_rt).setCharOffset(0);
}

void FormatMenu::sups_Click()
{
    if (m_rt)
        SelectionFormat(m_rt).setCharOffset(SuperScriptOffset);
}

void FormatMenu::subs_Click()
{
    if (m_rt)
        SelectionFormat(m_rt).setCharOffset(SubScriptOffset);
}

void FormatMenu::color_Click(int index)
{
    if (m_rt && index >= 0 && index < int(ColorItems.size()))
        SelectionFormat(m_rt).setColor(ColorItems[std::size_t(index)].value);
}

void FormatMenu::chngecolor_Click()
{
    if (!m_rt)
        return;
    SelectionFormat selection(m_rt);
    // A mixed selection has no colour to start from; the last one chosen serves.
    if (const auto current = selection.color())
        m_dialogColor = *current;
    const auto chosen = FormatDialogService::getColor(
        m_dialogParent, SelectionFormat::colorFromValue(m_dialogColor));
    // Cancelling changes nothing, also on a selection of several colours.
    if (!chosen || !m_rt)
        return;
    m_dialogColor = SelectionFormat::colorValue(*chosen);
    SelectionFormat(m_rt).setColor(m_dialogColor);
}

void FormatMenu::font_Click()
{
    if (!m_rt)
        return;
    const QFont initial = SelectionFormat(m_rt).firstFormat().font();
    const auto chosen = FormatDialogService::getFont(m_dialogParent, initial);
    if (!chosen || !m_rt)
        return;
    SelectionFormat selection(m_rt);
    selection.setFontName(chosen->family());
    selection.setFontSize(chosen->pointSizeF());
    selection.setUnderline(chosen->underline());
    selection.setBold(chosen->bold());
    selection.setItalic(chosen->italic());
    selection.setStrikeThrough(chosen->strikeOut());
}

void FormatMenu::ClearAlignmentMarks()
{
    aLeft->setChecked(false);
    aCenter->setChecked(false);
    aRight->setChecked(false);
    setButton(ButtonAlignLeft, false);
    setButton(ButtonCenter, false);
    setButton(ButtonAlignRight, false);
}

void FormatMenu::ClearColorMarks()
{
    for (QAction *item : colors)
        item->setChecked(false);
}

void FormatMenu::Formatx_Open()
{
    clr_Open();
    Alignment_Open();
}

void FormatMenu::style_Open()
{
    if (!m_rt)
        return;
    const SelectionFormat selection(m_rt);
    // Only a style that holds for the whole selection is ticked.
    Underline->setChecked(selection.underline().value_or(false));
    italic->setChecked(selection.italic().value_or(false));
    bold->setChecked(selection.bold().value_or(false));
    StrikeThru->setChecked(selection.strikeThrough().value_or(false));
    bullets->setChecked(selection.bullet().value_or(false));
}

void FormatMenu::Alignment_Open()
{
    ClearAlignmentMarks();
    if (!m_rt)
        return;
    switch (SelectionFormat(m_rt).alignment().value_or(-1)) {
    case SelectionFormat::AlignLeft:
        aLeft->setChecked(true);
        setButton(ButtonAlignLeft, true);
        break;
    case SelectionFormat::AlignRight:
        aRight->setChecked(true);
        setButton(ButtonAlignRight, true);
        break;
    case SelectionFormat::AlignCenter:
        aCenter->setChecked(true);
        setButton(ButtonCenter, true);
        break;
    default: // mixed, or justified: no item stands for it
        break;
    }
}

void FormatMenu::clr_Open()
{
    ClearColorMarks();
    if (!m_rt)
        return;
    const auto current = SelectionFormat(m_rt).color();
    if (!current)
        return;
    for (std::size_t i = 0; i < ColorItems.size(); ++i) {
        if (ColorItems[i].value == *current) {
            colors[i]->setChecked(true);
            return;
        }
    }
}
