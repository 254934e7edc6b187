#pragma once

#include <QObject>
#include <QPointer>

class DocumentCommands;
class EditCommands;
class EditorToolBar;
class FormatMenu;
class FormatStateSync;
class QKeyEvent;
class QMenu;
class QTextEdit;
class QWidget;

// The formatting side of the editor in one piece, for the main window to attach: the Format
// menu, the toolbar with the font boxes, the marks kept in step with the document, and the
// find window behind the Edit menu's "&Find...".
class EditorFormatting : public QObject
{
    Q_OBJECT

public:
    // `formatMenu` is filled with the Format items; the toolbar is created in `toolBarHost`
    // (the window's client area). The window's first activation is watched for the font
    // boxes' focus rule.
    EditorFormatting(QWidget *window, QTextEdit *editor, QMenu *formatMenu, QWidget *toolBarHost,
                     QObject *parent = nullptr);

    FormatMenu *formatMenu() const { return m_menu; }
    EditorToolBar *toolBar() const { return m_toolBar; }
    FormatStateSync *formatState() const { return m_state; }

    // The New, Open, Save and Print buttons run these commands; New refreshes the editor.
    void attachDocumentCommands(DocumentCommands *commands);
    // The Cut, Copy and Paste buttons run these commands; "&Find..." opens the find window.
    void attachEditCommands(EditCommands *commands);

public slots:
    void fillFontBoxes();
    void syncFormatState();
    void refreshEditor();
    void showFindDialog();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The toolbar key that a key pressed in the document formats with, or empty.
    static QString formatKeyCommand(const QKeyEvent &key);

    QPointer<QWidget> m_window;
    QPointer<QTextEdit> m_editor;
    FormatMenu *m_menu = nullptr;
    // The toolbar lives in the window's client area and may go before this object.
    QPointer<EditorToolBar> m_toolBar;
    FormatStateSync *m_state = nullptr;
};
