#pragma once

#include <QObject>
#include <QPointer>
#include <array>

class EditorToolBar;
class QAction;
class QMenu;
class QTextEdit;
class QWidget;

// The "&Format" menu: character styles, alignment, script, colours and the font dialog,
// applied to the document's selection. The items' ticks (and the pressed state of the
// matching toolbar buttons) are the commands' own state: a toggle decides by its tick, not by
// the selection, and the ticks are derived from the selection again when a submenu opens.
class FormatMenu : public QObject
{
    Q_OBJECT

public:
    // Toolbar positions whose pressed state the commands set.
    static constexpr int ButtonBold = 11;
    static constexpr int ButtonItalic = 12;
    static constexpr int ButtonUnderline = 13;
    static constexpr int ButtonAlignLeft = 15;
    static constexpr int ButtonCenter = 16;
    static constexpr int ButtonAlignRight = 17;

    // Character offsets of the script commands, in twips.
    static constexpr int SuperScriptOffset = 55;
    static constexpr int SubScriptOffset = -55;

    struct ColorItem
    {
        const char *name;
        const char *caption;
        int value; // red + 256 * green + 65536 * blue
    };
    // In the order the Color submenu lists them and compares them with the selection.
    static const std::array<ColorItem, 8> ColorItems;

    // Fills `formatx` (the menu bar's "&Format" menu) with the items.
    FormatMenu(QMenu *formatx, QTextEdit *rt, QWidget *dialogParent = nullptr,
               QObject *parent = nullptr);

    // The toolbar whose style and alignment buttons follow the commands.
    void setToolBar(EditorToolBar *toolBar);

    QMenu *Formatx = nullptr;
    QMenu *style = nullptr;
    QMenu *Alignment = nullptr;
    QMenu *script = nullptr;
    QMenu *clr = nullptr;
    QAction *bold = nullptr;
    QAction *italic = nullptr;
    QAction *Underline = nullptr;
    QAction *StrikeThru = nullptr;
    QAction *bullets = nullptr;
    QAction *aLeft = nullptr;
    QAction *aCenter = nullptr;
    QAction *aRight = nullptr;
    QAction *Nos = nullptr;
    QAction *sups = nullptr;
    QAction *subs = nullptr;
    std::array<QAction *, 8> colors{}; // black, gray, red, orange, yellow, green, blue, purple
    QAction *chngecolor = nullptr;
    QAction *font = nullptr;

public slots:
    void bold_Click();
    void italic_Click();
    void Underline_Click();
    void StrikeThru_Click();
    void bullets_Click();
    void aLeft_Click();
    void aCenter_Click();
    void aRight_Click();
    void Nos_Click();
    void sups_Click();
    void subs_Click();
    // Sets the colour of item `index` of ColorItems.
    void color_Click(int index);
    void chngecolor_Click();
    void font_Click();

    void ClearAlignmentMarks();
    void ClearColorMarks();

    // The marks derived from the selection when a menu opens.
    void Formatx_Open();
    void style_Open();
    void Alignment_Open();
    void clr_Open();

private:
    QAction *addItem(QMenu *menu, const char *name, const char *caption, bool checkable,
                     void (FormatMenu::*handler)());
    void toggle(QAction *item, int button, void (*apply)(QTextEdit *, bool));
    void align(QAction *item, int button, int value);
    void setButton(int position, bool pressed);

    QPointer<QTextEdit> m_rt;
    QPointer<QWidget> m_dialogParent;
    QPointer<EditorToolBar> m_toolBar;
    // The colour dialog starts from the last colour it gave when the selection has none.
    int m_dialogColor = 0;
};
