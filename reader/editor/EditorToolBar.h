#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QToolBar>
#include <functional>

class QAction;
class QComboBox;
class QTextEdit;

// The toolbar `editorToolBar`: file, edit, style and alignment buttons, each with a key that is
// also its tooltip, and the font-name and font-size boxes on the strip to their right.
// Buttons are addressed by position (1-based, separators counted); a button's value 1 shows
// it pressed, 0 raised. A click runs the command registered for the button's key, so menu
// and toolbar share their handlers.
class EditorToolBar : public QToolBar
{
    Q_OBJECT

public:
    static constexpr int ButtonCount = 17;
    // Height of the strip and places of the font boxes on it, in twips.
    static constexpr int DesignHeight = 420;
    static constexpr int IconSide = 240;
    static constexpr int ButtonSide = 330;
    static const QRect FontNameBoxPlace;
    static const QRect FontSizeBoxPlace;
    static const QString DefaultFontName; // "Times New Roman"
    static const QString DefaultFontSize; // "10"

    explicit EditorToolBar(QTextEdit *editor, QWidget *parent = nullptr);

    QComboBox *fontNameBox = nullptr; // font names
    QComboBox *fontSizeBox = nullptr; // font sizes, editable

    // Position 1 to ButtonCount; separators are actions too. Null outside the range.
    QAction *button(int position) const;
    QString buttonKey(int position) const;
    int buttonValue(int position) const;
    void setButtonValue(int position, int value);

    // The command a key runs (keys as the buttons carry them: "New", "Align Left", ...).
    void setCommand(const QString &key, std::function<void()> command);

    // Once the main window has been activated, choosing a font returns to the document.
    void setFirstActivationDone(bool done) { m_activated = done; }
    bool firstActivationDone() const { return m_activated; }

    // The sound made when a size is typed and confirmed with Enter (tests listen to it).
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // What the font-name box shows: the chosen entry, or the name last set when the screen
    // has no font of that name.
    QString fontNameText() const;
    // Both boxes show the font of the selection, or of the insertion point; a name or size
    // that varies across the selection leaves its box empty.
    void showSelectionFont();

public slots:
    void runCommand(const QString &key);
    void fillFontBoxes();
    void applyFontName();
    void applyFontSize();
    // The key pressed in the size box; returns true when it was handled here (Enter).
    bool fontSizeKeyPressed(int keyAscii);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addButton(const QString &key, const QString &iconName, bool pressable);
    void setFontName(const QString &name);
    void returnToDocument();
    // Sets a button's pressed state as the program's own change, not the user's.
    void setChecked(QAction *action, bool checked);

    QPointer<QTextEdit> m_editor;
    QList<QAction *> m_buttons;
    QHash<QString, std::function<void()>> m_commands;
    std::function<void()> m_beep;
    bool m_activated = false;
    bool m_settingState = false;
    // A button whose pressed state flipped with no click behind it (yet).
    QPointer<QAction> m_toggledAlone;
    // Bumped by every fill: a fill that finds it changed after yielding gives way to the
    // newer one instead of adding its names twice.
    quint64 m_fillGeneration = 0;
};
