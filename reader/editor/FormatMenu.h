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

    // Fills `menu` (the menu bar's "&Format" menu) with the items.
    FormatMenu(QMenu *menu, QTextEdit *editor, QWidget *dialogParent = nullptr,
               QObject *parent = nullptr);

    // The toolbar whose style and alignment buttons follow the commands.
    void setToolBar(EditorToolBar *toolBar);

    QMenu *formatMenu = nullptr;
    QMenu *styleMenu = nullptr;
    QMenu *alignmentMenu = nullptr;
    QMenu *scriptMenu = nullptr;
    QMenu *colorMenu = nullptr;
    QAction *boldItem = nullptr;
    QAction *italicItem = nullptr;
    QAction *underlineItem = nullptr;
    QAction *strikeThroughItem = nullptr;
    QAction *bulletsItem = nullptr;
    QAction *alignLeftItem = nullptr;
    QAction *centerItem = nullptr;
    QAction *alignRightItem = nullptr;
    QAction *noScriptItem = nullptr;
    QAction *superscriptItem = nullptr;
    QAction *subscriptItem = nullptr;
    std::array<QAction *, 8>
        colorActions{}; // black, gray, red, orange, yellow, green, blue, purple
    QAction *otherColorItem = nullptr;
    QAction *fontItem = nullptr;

public slots:
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void toggleStrikeThrough();
    void toggleBullets();
    void alignLeft();
    void alignCenter();
    void alignRight();
    void clearScript();
    void setSuperscript();
    void setSubscript();
    // Sets the colour of item `index` of ColorItems.
    void setColor(int index);
    void chooseColor();
    void chooseFont();

    void clearAlignmentMarks();
    void clearColorMarks();

    // The marks derived from the selection when a menu opens.
    void updateMarks();
    void updateStyleMarks();
    void updateAlignmentMarks();
    void updateColorMarks();

private:
    QAction *addItem(QMenu *menu, const char *name, const char *caption, bool checkable,
                     void (FormatMenu::*handler)());
    void toggle(QAction *item, int button, void (*apply)(QTextEdit *, bool));
    void align(QAction *item, int button, int value);
    void setButton(int position, bool pressed);

    QPointer<QTextEdit> m_editor;
    QPointer<QWidget> m_dialogParent;
    QPointer<EditorToolBar> m_toolBar;
    // The colour dialog starts from the last colour it gave when the selection has none.
    int m_dialogColor = 0;
};
