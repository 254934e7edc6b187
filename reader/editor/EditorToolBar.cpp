#include "EditorToolBar.h"

#include "SelectionFormat.h"
#include "TwipsScale.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>

const QRect EditorToolBar::FontNameBoxPlace(5040, 60, 2655, 315);
const QRect EditorToolBar::FontSizeBoxPlace(7800, 60, 1095, 315);
const QString EditorToolBar::DefaultFontName = QStringLiteral("Times New Roman");
const QString EditorToolBar::DefaultFontSize = QStringLiteral("10");

namespace {
QIcon themeIcon(const QString &name)
{
    // The desktop's own theme first, so that the buttons look like the rest of it.
    QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull())
        return icon;
    // Without a desktop theme (a bare X server, the test platform) the standard action
    // icons come from the theme installed with the reader, read from its folders.
    for (const char *size : {"16x16", "24x24", "32x32", "48x48"}) {
        const QString file = QStandardPaths::locate(
            QStandardPaths::GenericDataLocation,
            QStringLiteral("icons/Adwaita/%1/legacy/%2.png").arg(QLatin1String(size), name));
        if (!file.isEmpty())
            icon.addFile(file);
    }
    return icon;
}
} // namespace

EditorToolBar::EditorToolBar(QTextEdit *editor, QWidget *parent)
    : QToolBar(parent), m_editor(editor), m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("editorToolBar"));
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    const TwipsScale scale = TwipsScale::forWidget(this);
    // 16 pixels on a standard screen, grown with the screen's density like the rest.
    const int icon = scale.y(IconSide);
    setIconSize(QSize(icon, icon));

    addButton(QStringLiteral("New"), QStringLiteral("document-new"), false);
    addButton(QStringLiteral("Open"), QStringLiteral("document-open"), false);
    addButton(QStringLiteral("Save"), QStringLiteral("document-save"), false);
    m_buttons.append(addSeparator());
    addButton(QStringLiteral("Print"), QStringLiteral("document-print"), false);
    m_buttons.append(addSeparator());
    addButton(QStringLiteral("Cut"), QStringLiteral("edit-cut"), false);
    addButton(QStringLiteral("Copy"), QStringLiteral("edit-copy"), false);
    addButton(QStringLiteral("Paste"), QStringLiteral("edit-paste"), false);
    m_buttons.append(addSeparator());
    addButton(QStringLiteral("Bold"), QStringLiteral("format-text-bold"), true);
    addButton(QStringLiteral("Italic"), QStringLiteral("format-text-italic"), true);
    addButton(QStringLiteral("Underline"), QStringLiteral("format-text-underline"), true);
    m_buttons.append(addSeparator());
    addButton(QStringLiteral("Align Left"), QStringLiteral("format-justify-left"), true);
    addButton(QStringLiteral("Center"), QStringLiteral("format-justify-center"), true);
    addButton(QStringLiteral("Align Right"), QStringLiteral("format-justify-right"), true);

    // Square buttons a little larger than their icons keep the row clear of the boxes.
    const int side = scale.y(ButtonSide);
    for (QAction *action : std::as_const(m_buttons)) {
        if (!action->isSeparator())
            widgetForAction(action)->setFixedSize(side, side);
    }

    // The boxes sit at their own places on the strip, not in the row of buttons.
    fontNameBox = new QComboBox(this);
    fontNameBox->setObjectName(QStringLiteral("fontNameBox"));
    // The boxes have no caption on the strip; a screen reader still says what they hold (on
    // this desktop Qt names a box by its value and says its purpose as the description).
    fontNameBox->setAccessibleName(QStringLiteral("Font name"));
    fontNameBox->setAccessibleDescription(fontNameBox->accessibleName());
    fontNameBox->setEditable(false);
    // A name the screen lacks is shown as a placeholder; it is still the document's font,
    // so it is drawn like any other name rather than greyed out.
    QPalette names = fontNameBox->palette();
    names.setColor(QPalette::PlaceholderText, names.color(QPalette::ButtonText));
    fontNameBox->setPalette(names);
    fontNameBox->setGeometry(scale.rect(FontNameBoxPlace));
    fontSizeBox = new QComboBox(this);
    fontSizeBox->setObjectName(QStringLiteral("fontSizeBox"));
    fontSizeBox->setAccessibleName(QStringLiteral("Font size"));
    fontSizeBox->setAccessibleDescription(fontSizeBox->accessibleName());
    fontSizeBox->setEditable(true);
    fontSizeBox->lineEdit()->setAccessibleName(fontSizeBox->accessibleName());
    // A typed size applies to the selection; it never becomes an entry of the list.
    fontSizeBox->setInsertPolicy(QComboBox::NoInsert);
    fontSizeBox->setGeometry(scale.rect(FontSizeBoxPlace));
    fontSizeBox->lineEdit()->installEventFilter(this);
    connect(fontNameBox, &QComboBox::activated, this, &EditorToolBar::applyFontName);
    connect(fontSizeBox, &QComboBox::activated, this, &EditorToolBar::applyFontSize);
    // The boxes say what the text at the cursor is set in, wherever the cursor goes.
    if (m_editor) {
        connect(m_editor, &QTextEdit::cursorPositionChanged, this,
                &EditorToolBar::showSelectionFont);
        connect(m_editor, &QTextEdit::selectionChanged, this, &EditorToolBar::showSelectionFont);
        connect(m_editor, &QTextEdit::currentCharFormatChanged, this,
                &EditorToolBar::showSelectionFont);
    }

    setFixedHeight(std::max(scale.y(DesignHeight), sizeHint().height()));
}

void EditorToolBar::addButton(const QString &key, const QString &iconName, bool pressable)
{
    QAction *action = addAction(themeIcon(iconName), key);
    action->setObjectName(key);
    action->setData(key);
    action->setToolTip(key);
    action->setCheckable(pressable);
    connect(action, &QAction::triggered, this, [this, action](bool checked) {
        // The pressed state is set by the command (and may stay as it was); Qt's own flip
        // on the click is taken back before the command runs.
        m_toggledAlone = nullptr;
        if (action->isCheckable())
            setChecked(action, !checked);
        runCommand(action->data().toString());
    });
    if (pressable) {
        // A screen reader's "Toggle" flips the pressed state without a click, so no command
        // would run and the button would show a state the document does not have. A click
        // flips and then triggers; a flip that no trigger follows is taken back once the
        // event is done, and the command runs as for a click.
        connect(action, &QAction::toggled, this, [this, action] {
            if (m_settingState)
                return;
            m_toggledAlone = action;
            QTimer::singleShot(0, this, [this, action] {
                if (m_toggledAlone != action)
                    return;
                m_toggledAlone = nullptr;
                setChecked(action, !action->isChecked());
                runCommand(action->data().toString());
            });
        });
        // The same for a flip of the button alone, which its action does not hear of.
        if (auto *widget = qobject_cast<QAbstractButton *>(widgetForAction(action)))
            connect(widget, &QAbstractButton::toggled, this, [this, action, widget](bool checked) {
                if (m_settingState || checked == action->isChecked())
                    return;
                widget->setChecked(action->isChecked());
                runCommand(action->data().toString());
            });
    }
    m_buttons.append(action);
}

QAction *EditorToolBar::button(int position) const
{
    if (position < 1 || position > m_buttons.size())
        return nullptr;
    return m_buttons.at(position - 1);
}

QString EditorToolBar::buttonKey(int position) const
{
    const QAction *action = button(position);
    return action ? action->data().toString() : QString();
}

int EditorToolBar::buttonValue(int position) const
{
    const QAction *action = button(position);
    return action && action->isChecked() ? 1 : 0;
}

void EditorToolBar::setButtonValue(int position, int value)
{
    QAction *action = button(position);
    if (action && action->isCheckable())
        setChecked(action, value != 0);
}

void EditorToolBar::setChecked(QAction *action, bool checked)
{
    const bool outer = !m_settingState;
    m_settingState = true;
    action->setChecked(checked);
    if (outer)
        m_settingState = false;
}

void EditorToolBar::setCommand(const QString &key, std::function<void()> command)
{
    m_commands.insert(key, std::move(command));
}

void EditorToolBar::runCommand(const QString &key)
{
    const auto command = m_commands.constFind(key);
    if (command != m_commands.constEnd() && *command)
        (*command)();
}

void EditorToolBar::fillFontBoxes()
{
    const quint64 generation = ++m_fillGeneration;
    const QPointer<EditorToolBar> self(this);
    const auto superseded = [&] { return !self || generation != m_fillGeneration; };

    fontNameBox->clear();
    fontSizeBox->clear();
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        fontNameBox->addItem(family);
        // Many fonts take a while; the window stays responsive meanwhile.
        QCoreApplication::processEvents();
        if (superseded())
            return;
    }
    QCoreApplication::processEvents();
    if (superseded())
        return;
    for (int size = 1; size <= 100; ++size)
        fontSizeBox->addItem(QString::number(size));
    fontSizeBox->setCurrentText(DefaultFontSize);
    setFontName(DefaultFontName);
    showSelectionFont();
}

void EditorToolBar::showSelectionFont()
{
    if (!m_editor)
        return;
    const SelectionFormat selection(m_editor);
    setFontName(selection.fontName().value_or(QString()));
    const std::optional<double> size = selection.fontSize();
    fontSizeBox->setCurrentText(size ? QString::number(*size) : QString());
}

void EditorToolBar::setFontName(const QString &name)
{
    // The list holds only the screen's fonts; a name it lacks is still shown (greyed) so
    // that the box says what the document asks for rather than some other font.
    const int index = fontNameBox->findText(name);
    fontNameBox->setPlaceholderText(index < 0 ? name : QString());
    fontNameBox->setCurrentIndex(index);
}

QString EditorToolBar::fontNameText() const
{
    return fontNameBox->currentIndex() >= 0 ? fontNameBox->currentText()
                                            : fontNameBox->placeholderText();
}

void EditorToolBar::returnToDocument()
{
    if (m_activated && m_editor)
        m_editor->setFocus();
}

void EditorToolBar::applyFontName()
{
    if (m_editor)
        SelectionFormat(m_editor).setFontName(fontNameBox->currentText());
    returnToDocument();
}

void EditorToolBar::applyFontSize()
{
    if (m_editor)
        SelectionFormat(m_editor).setFontSize(fontSizeBox->currentText());
    returnToDocument();
}

bool EditorToolBar::fontSizeKeyPressed(int keyAscii)
{
    if (keyAscii != 13)
        return false;
    if (m_beep)
        m_beep();
    // A size the document refuses leaves the selection as it was.
    if (m_editor)
        SelectionFormat(m_editor).setFontSize(fontSizeBox->currentText());
    return true;
}

bool EditorToolBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == fontSizeBox->lineEdit()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && fontSizeKeyPressed(13))
            return true;
    }
    return QToolBar::eventFilter(watched, event);
}
