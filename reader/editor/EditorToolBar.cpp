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

const QRect EditorToolBar::Combo1Design(5040, 60, 2655, 315);
const QRect EditorToolBar::Combo2Design(7800, 60, 1095, 315);
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

EditorToolBar::EditorToolBar(QTextEdit *rt, QWidget *parent)
    : QToolBar(parent), m_rt(rt), m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("tbToolBar"));
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
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    // The boxes have no caption on the strip; a screen reader still says what they hold (on
    // this desktop Qt names a box by its value and says its purpose as the description).
    Combo1->setAccessibleName(QStringLiteral("Font name"));
    Combo1->setAccessibleDescription(Combo1->accessibleName());
    Combo1->setEditable(false);
    // A name the screen lacks is shown as a placeholder; it is still the document's font,
    // so it is drawn like any other name rather than greyed out.
    QPalette names = Combo1->palette();
    names.setColor(QPalette::PlaceholderText, names.color(QPalette::ButtonText));
    Combo1->setPalette(names);
    Combo1->setGeometry(scale.rect(Combo1Design));
    Combo2 = new QComboBox(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setAccessibleName(QStringLiteral("Font size"));
    Combo2->setAccessibleDescription(Combo2->accessibleName());
    Combo2->setEditable(true);
    Combo2->lineEdit()->setAccessibleName(Combo2->accessibleName());
    // A typed size applies to the selection; it never becomes an entry of the list.
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->setGeometry(scale.rect(Combo2Design));
    Combo2->lineEdit()->installEventFilter(this);
    connect(Combo1, &QComboBox::activated, this, &EditorToolBar::Combo1_Click);
    connect(Combo2, &QComboBox::activated, this, &EditorToolBar::Combo2_Click);
    // The boxes say what the text at the cursor is set in, wherever the cursor goes.
    if (m_rt) {
        connect(m_rt, &QTextEdit::cursorPositionChanged, this, &EditorToolBar::showSelectionFont);
        connect(m_rt, &QTextEdit::selectionChanged, this, &EditorToolBar::showSelectionFont);
        connect(m_rt, &QTextEdit::currentCharFormatChanged, this,
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
        tbToolBar_ButtonClick(action->data().toString());
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
                tbToolBar_ButtonClick(action->data().toString());
            });
        });
        // The same for a flip of the button alone, which its action does not hear of.
        if (auto *widget = qobject_cast<QAbstractButton *>(widgetForAction(action)))
            connect(widget, &QAbstractButton::toggled, this, [this, action, widget](bool checked) {
                if (m_settingState || checked == action->isChecked())
                    return;
                widget->setChecked(action->isChecked());
                tbToolBar_ButtonClick(action->data().toString());
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

void EditorToolBar::tbToolBar_ButtonClick(const QString &key)
{
    const auto command = m_commands.constFind(key);
    if (command != m_commands.constEnd() && *command)
        (*command)();
}

void EditorToolBar::FillFontBoxes()
{
    const quint64 generation = ++m_fillGeneration;
    const QPointer<EditorToolBar> self(this);
    const auto superseded = [&] { return !self || generation != m_fillGeneration; };

    Combo1->clear();
    Combo2->clear();
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        Combo1->addItem(family);
        // Many fonts take a while; the window stays responsive meanwhile.
        QCoreApplication::processEvents();
        if (superseded())
            return;
    }
    QCoreApplication::processEvents();
    if (superseded())
        return;
    for (int size = 1; size <= 100; ++size)
        Combo2->addItem(QString::number(size));
    Combo2->setCurrentText(DefaultFontSize);
    setFontName(DefaultFontName);
    showSelectionFont();
}

void EditorToolBar::showSelectionFont()
{
    if (!m_rt)
        return;
    const SelectionFormat selection(m_rt);
    setFontName(selection.fontName().value_or(QString()));
    const std::optional<double> size = selection.fontSize();
    Combo2->setCurrentText(size ? QString::number(*size) : QString());
}

void EditorToolBar::setFontName(const QString &name)
{
    // The list holds only the screen's fonts; a name it lacks is still shown (greyed) so
    // that the box says what the document asks for rather than some other font.
    const int index = Combo1->findText(name);
    Combo1->setPlaceholderText(index < 0 ? name : QString());
    Combo1->setCurrentIndex(index);
}

QString EditorToolBar::fontNameText() const
{
    return Combo1->currentIndex() >= 0 ? Combo1->currentText() : Combo1->placeholderText();
}

void EditorToolBar::returnToDocument()
{
    if (m_activated && m_rt)
        m_rt->setFocus();
}

void EditorToolBar::Combo1_Click()
{
    if (m_rt)
        SelectionFormat(m_rt).setFontName(Combo1->currentText());
    returnToDocument();
}

void EditorToolBar::Combo2_Click()
{
    if (m_rt)
        SelectionFormat(m_rt).setFontSize(Combo2->currentText());
    returnToDocument();
}

bool EditorToolBar::Combo2_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return false;
    if (m_beep)
        m_beep();
    // A size the document refuses leaves the selection as it was.
    if (m_rt)
        SelectionFormat(m_rt).setFontSize(Combo2->currentText());
    return true;
}

bool EditorToolBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == Combo2->lineEdit()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Combo2_KeyPress(13))
            return true;
    }
    return QToolBar::eventFilter(watched, event);
}
