#pragma once

#include <QObject>
#include <QPointer>
#include <optional>

class EditorToolBar;
class FormatMenu;
class QTextEdit;
class QWidget;

// Keeps the style and alignment marks of the Format menu and the toolbar in step with the
// document as the user clicks and types in it, and runs the editor refresh (New, F5).
class FormatStateSync : public QObject
{
    Q_OBJECT

public:
    static constexpr int RefreshKey = 116; // F5

    FormatStateSync(QTextEdit *editor, FormatMenu *menu, EditorToolBar *toolBar, QWidget *window,
                    QObject *parent = nullptr);

public slots:
    // After every click and every key release in the document.
    void syncFormatState();
    // Marks derived again, boxes and window repainted, font boxes refilled.
    void refreshEditor();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QTextEdit> m_editor;
    QPointer<FormatMenu> m_menu;
    QPointer<EditorToolBar> m_toolBar;
    QPointer<QWidget> m_window;
    // The alignment seen at the previous run; no value when that selection was mixed.
    std::optional<int> m_previousAlignment = 0;
};
