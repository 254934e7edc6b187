#include "frmRightClick.h"

#include "EarIcon.h"
#include "ExitQuestion.h"
#include "IgnoreErrors.h"
#include "MainWindowLife.h"
#include "ReaderSettings.h"
#include "ReaderShell.h"
#include "StandardErrorHandler.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <stdexcept>

namespace {
const QString TipText =
    QStringLiteral("Click to get Larkvane Text-to-Speech Reader, or right click for options.");
constexpr int TipFieldLength = 64;
constexpr int NoticeLineCharacters = 60;

// It names the menu item that really ends the program, File > Exit.
const QString NoticeText = QStringLiteral(
    "You have chosen to close or minimize the Larkvane Text-to-Speech Reader application. "
    "However, it will be placed in the system tray instead so that it can continue to perform "
    "its speech functions in the background. If you would like to completely close this "
    "application you must go through File > Exit. To recall the Larkvane TTS Reader "
    "application simply click on the ear icon that has been placed in your system tray.");

const QString MinimizeKey = QStringLiteral("Minimize");

int messageFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return frmRightClick::MessageLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return frmRightClick::MessageLeftDoubleClick;
    case QSystemTrayIcon::Context:
        return frmRightClick::MessageRightButtonUp;
    case QSystemTrayIcon::MiddleClick:
        return frmRightClick::MessageMiddleButtonUp;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}
} // namespace

QString frmRightClick::TrayTip()
{
    return TipText.left(TipFieldLength);
}

frmRightClick::frmRightClick(ReaderShell &shell, QWidget *parent)
    : QWidget(parent), m_shell(shell), m_trayRetry(new QTimer(this))
{
    setObjectName(QStringLiteral("frmRightClick"));
    setWindowTitle(QStringLiteral("Application put in System Tray"));
    setWindowIcon(EarIcon::icon());
    createNotice();
    createPopup();

    m_tray = new QSystemTrayIcon(this);
    m_tray->setObjectName(QStringLiteral("TrayIcon"));
    m_tray->setContextMenu(mnuPopup);
    connect(
        m_tray, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) { Form_MouseMove(messageFor(reason)); });

    m_trayRetry->setInterval(1000);
    connect(m_trayRetry, &QTimer::timeout, this, &frmRightClick::showIconWhenTrayAppears);

    // Form_Load: the popup starts with the main menu's check marks.
    copyMainChecks();
}

frmRightClick::~frmRightClick() = default;

void frmRightClick::createNotice()
{
    Label1 = new QLabel(NoticeText);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Check1 = new QCheckBox(QStringLiteral("Do not show this message in the future."));
    Check1->setObjectName(QStringLiteral("Check1"));
    Command1 = new QPushButton(QStringLiteral("OK"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmRightClick::Command1_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Check1, 1);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);
}

void frmRightClick::fitNotice()
{
    // About sixty characters a line in the notice's own font, so the window grows with the
    // font size and screen density instead of clipping the text, but never past the screen.
    int width = fontMetrics().averageCharWidth() * NoticeLineCharacters;
    if (const QScreen *on = screen())
        width = std::min(width, on->availableGeometry().width() * 9 / 10);
    width = std::max(width, layout()->minimumSize().width());
    // A window does not follow its word-wrapped label's height for width by itself.
    setFixedSize(width, layout()->totalHeightForWidth(width));
}

void frmRightClick::createPopup()
{
    mnuPopup = new QMenu(QStringLiteral("Popup Menu"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    const auto item = [this](const char *name, const QString &caption) {
        QAction *action = mnuPopup->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuClip = item("mnuClip", QStringLiteral("Read Clipboard When Text is Copied"));
    mnuClip->setCheckable(true);
    mnuDialog = item("mnuDialog", QStringLiteral("Read Text From All Dialog Boxes"));
    mnuDialog->setCheckable(true);
    mnuStopSpk = item("mnuStopSpk", QStringLiteral("Stop Speaking"));
    mnuPopup->addSeparator()->setObjectName(QStringLiteral("mnuDiv"));
    mnuHelp = item("mnuHelp", QStringLiteral("Help"));
    mnuSite = item("mnuSite", QStringLiteral("Visit Larkvane's Website"));
    mnuAbout = item("mnuAbout", QStringLiteral("About"));
    mnuPopup->addSeparator()->setObjectName(QStringLiteral("mnuDiv2"));
    mnuExit = item("mnuExit", QStringLiteral("Exit"));

    // A checkable item has toggled its own mark by the time it reports the click.
    connect(mnuClip, &QAction::triggered, this, [this](bool checked) {
        ignoreErrors([&] {
            if (m_shell.mainWindow().setClipChecked)
                m_shell.mainWindow().setClipChecked(checked);
        });
    });
    connect(mnuDialog, &QAction::triggered, this, [this](bool checked) {
        ignoreErrors([&] {
            if (m_shell.mainWindow().setDialogChecked)
                m_shell.mainWindow().setDialogChecked(checked);
        });
    });
    connect(mnuStopSpk, &QAction::triggered, this, [this] {
        ignoreErrors([&] {
            if (m_shell.mainWindow().StopSpeaking)
                m_shell.mainWindow().StopSpeaking();
        });
    });
    connect(mnuHelp, &QAction::triggered, this, [this] { m_shell.links().mnuHelp_Click(); });
    connect(mnuSite, &QAction::triggered, this, [this] { m_shell.links().mnuVisit_Click(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { m_shell.showAbout(false); });
    connect(mnuExit, &QAction::triggered, this, &frmRightClick::mnuExit_Click);
    // However the menu is opened (by the icon's host or by us), it shows the main menu's
    // marks of the moment.
    connect(mnuPopup, &QMenu::aboutToShow, this, &frmRightClick::copyMainChecks);
}

void frmRightClick::copyMainChecks()
{
    const MainWindowHooks &main = m_shell.mainWindow();
    ignoreErrors([&] {
        if (main.dialogChecked)
            mnuDialog->setChecked(main.dialogChecked());
    });
    ignoreErrors([&] {
        if (main.clipChecked)
            mnuClip->setChecked(main.clipChecked());
    });
}

bool frmRightClick::trayAvailable() const
{
    return m_shell.trayAvailable();
}

void frmRightClick::setTrayRetry(int intervalMs, int attempts)
{
    m_trayRetry->setInterval(intervalMs);
    m_maxTrayAttempts = attempts;
}

void frmRightClick::PutInTray()
{
    QWidget *main = m_shell.mainWindow().window;
    if (!trayAvailable()) {
        // Hidden without an icon the reader could not be reached again.
        keepOnTaskBar();
        return;
    }
    ignoreErrors([&] {
        if (main)
            main->hide();
    });
    ignoreErrors([&] { LoadTrayIcon(); });
    ignoreErrors([&] {
        if (m_shell.settings().GetSetting(ReaderSettings::SectionOptions, MinimizeKey) !=
            ReaderSettings::True) {
            show();
            raise();
        } else if (isVisible()) {
            hide();
        }
    });
}

void frmRightClick::keepOnTaskBar()
{
    QWidget *main = m_shell.mainWindow().window;
    ignoreErrors([&] {
        if (main && (!main->isVisible() || !main->isMinimized()))
            main->showMinimized();
    });
}

void frmRightClick::LoadTrayIcon()
{
    StandardErrorHandler handler(QStringLiteral(": frmRightClick.GoSystemTray"), 100);
    QIcon icon;
    if (!handler.run(1, [&] {
            icon = EarIcon::icon();
            if (icon.isNull())
                throw std::runtime_error("The notification-area icon could not be loaded.");
            m_tray->setIcon(icon);
            m_tray->setToolTip(TrayTip());
        }))
        return;
    if (!handler.run(2, [&] {
            m_trayAttempts = 0;
            if (trayAvailable()) {
                m_trayRetry->stop();
                m_tray->show();
            } else {
                m_trayRetry->start();
            }
        }))
        return;
    // Set even while the icon waits for a notification area: a show request must still
    // remove it.
    handler.run(3, [&] { m_trayIconShown = true; });
}

void frmRightClick::showIconWhenTrayAppears()
{
    if (!m_trayIconShown) {
        m_trayRetry->stop();
        return;
    }
    if (trayAvailable()) {
        m_trayRetry->stop();
        m_tray->show();
        return;
    }
    if (++m_trayAttempts < m_maxTrayAttempts)
        return;
    // No notification area came: the icon is given up and the window goes where the user
    // can find it.
    m_trayRetry->stop();
    m_trayIconShown = false;
    QWidget *main = m_shell.mainWindow().window;
    if (main && !main->isVisible())
        keepOnTaskBar();
}

void frmRightClick::DeleteTrayIcon()
{
    m_trayRetry->stop();
    m_tray->hide();
    m_trayIconShown = false;
}

void frmRightClick::SaveOption()
{
    ignoreErrors([&] {
        m_shell.settings().SaveSetting(ReaderSettings::SectionOptions, MinimizeKey,
                                       ReaderSettings::flag(Check1->isChecked()));
    });
}

void frmRightClick::Command1_Click()
{
    SaveOption();
    hide();
}

void frmRightClick::Form_MouseMove(int message)
{
    m_message = message;
    if (m_busy)
        return;
    m_busy = true;
    if (message == MessageLeftButtonUp) {
        ignoreErrors([&] { m_shell.ShowMainWindow(); });
    } else if (message == MessageRightButtonUp) {
        copyMainChecks();
        // The icon's host may have opened the menu already.
        ignoreErrors([&] {
            if (!mnuPopup->isVisible())
                mnuPopup->popup(QCursor::pos());
        });
    }
    m_busy = false;
}

void frmRightClick::mnuExit_Click()
{
    if (!m_shell.life().askToSaveChanges() || !ExitQuestion::confirm())
        return;
    ignoreErrors([&] { DeleteTrayIcon(); });
    ignoreErrors([&] { m_shell.life().Form_Unload(); });
    ignoreErrors([&] { Unload(); });
    m_shell.endProgram();
}

void frmRightClick::Unload()
{
    m_unloading = true;
    mnuPopup->hide();
    close();
}

bool frmRightClick::event(QEvent *event)
{
    // Form_Activate: the notice may come up after the menu marks changed.
    if (event->type() == QEvent::WindowActivate)
        copyMainChecks();
    // A font change while the notice is up would clip it again.
    if (event->type() == QEvent::FontChange && layout())
        fitNotice();
    return QWidget::event(event);
}

void frmRightClick::showEvent(QShowEvent *event)
{
    fitNotice();
    // OK takes the keys: Space then presses it rather than ticking the check box unseen.
    Command1->setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
}

void frmRightClick::keyPressEvent(QKeyEvent *event)
{
    // The notice answers the keys a message box does: Enter presses OK, and Esc closes the
    // notice, which counts as OK.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        Command1_Click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void frmRightClick::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    // The user closed the notice: that counts as OK, and the form stays loaded.
    event->ignore();
    SaveOption();
    hide();
}
