#include "TrayIcon.h"

#include "EarIcon.h"
#include "ExitQuestion.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "ReaderSettings.h"
#include "StandardErrorHandler.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
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
} // namespace

QString TrayIcon::trayTip()
{
    return TipText.left(TipFieldLength);
}

TrayIcon::TrayIcon(const MainWindowHooks &mainWindow, Services services, QWidget *parent)
    : QWidget(parent), m_main(mainWindow), m_services(std::move(services)),
      m_trayRetry(new QTimer(this))
{
    setObjectName(QStringLiteral("TrayIcon"));
    setWindowTitle(QStringLiteral("Application put in System Tray"));
    setWindowIcon(EarIcon::icon());
    createNotice();
    createPopup();

    m_tray = new QSystemTrayIcon(this);
    m_tray->setObjectName(QStringLiteral("TrayIcon"));
    m_tray->setContextMenu(popupMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &TrayIcon::activate);

    m_trayRetry->setInterval(1000);
    connect(m_trayRetry, &QTimer::timeout, this, &TrayIcon::showIconWhenTrayAppears);

    // At the start the popup takes with the main menu's check marks.
    copyMainChecks();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::createNotice()
{
    noticeLabel = new QLabel(NoticeText);
    noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    noticeLabel->setWordWrap(true);
    hideNoticeCheck = new QCheckBox(QStringLiteral("Do not show this message in the future."));
    hideNoticeCheck->setObjectName(QStringLiteral("hideNoticeCheck"));
    okButton = new QPushButton(QStringLiteral("OK"));
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &TrayIcon::acceptNotice);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(hideNoticeCheck, 1);
    buttons->addWidget(okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(noticeLabel, 1);
    layout->addLayout(buttons);
}

void TrayIcon::fitNotice()
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

void TrayIcon::createPopup()
{
    popupMenu = new QMenu(QStringLiteral("Popup Menu"), this);
    popupMenu->setObjectName(QStringLiteral("popupMenu"));
    const auto item = [this](const char *name, const QString &caption) {
        QAction *action = popupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    readClipboardAction =
        item("readClipboardAction", QStringLiteral("Read Clipboard When Text is Copied"));
    readClipboardAction->setCheckable(true);
    readDialogsAction =
        item("readDialogsAction", QStringLiteral("Read Text From All Dialog Boxes"));
    readDialogsAction->setCheckable(true);
    stopSpeakingAction = item("stopSpeakingAction", QStringLiteral("Stop Speaking"));
    popupMenu->addSeparator()->setObjectName(QStringLiteral("helpSeparator"));
    helpAction = item("helpAction", QStringLiteral("Help"));
    visitSiteAction = item("visitSiteAction", QStringLiteral("Visit Larkvane's Website"));
    aboutAction = item("aboutAction", QStringLiteral("About"));
    popupMenu->addSeparator()->setObjectName(QStringLiteral("exitSeparator"));
    exitAction = item("exitAction", QStringLiteral("Exit"));

    // A checkable item has toggled its own mark by the time it reports the click.
    connect(readClipboardAction, &QAction::triggered, this, [this](bool checked) {
        ignoreErrors([&] {
            if (m_main.setClipChecked)
                m_main.setClipChecked(checked);
        });
    });
    connect(readDialogsAction, &QAction::triggered, this, [this](bool checked) {
        ignoreErrors([&] {
            if (m_main.setDialogChecked)
                m_main.setDialogChecked(checked);
        });
    });
    connect(stopSpeakingAction, &QAction::triggered, this, [this] {
        ignoreErrors([&] {
            if (m_main.stopSpeaking)
                m_main.stopSpeaking();
        });
    });
    connect(helpAction, &QAction::triggered, this, [this] { m_services.openHelp(); });
    connect(visitSiteAction, &QAction::triggered, this, [this] { m_services.visitWebSite(); });
    connect(aboutAction, &QAction::triggered, this, [this] { m_services.showAbout(); });
    connect(exitAction, &QAction::triggered, this, &TrayIcon::exitProgram);
    // However the menu is opened (by the icon's host or by us), it shows the main menu's
    // marks of the moment.
    connect(popupMenu, &QMenu::aboutToShow, this, &TrayIcon::copyMainChecks);
}

void TrayIcon::copyMainChecks()
{
    const MainWindowHooks &main = m_main;
    ignoreErrors([&] {
        if (main.dialogChecked)
            readDialogsAction->setChecked(main.dialogChecked());
    });
    ignoreErrors([&] {
        if (main.clipChecked)
            readClipboardAction->setChecked(main.clipChecked());
    });
}

bool TrayIcon::trayAvailable() const
{
    return m_services.trayAvailable();
}

void TrayIcon::setTrayRetry(int intervalMs, int attempts, int revealAfter)
{
    m_trayRetry->setInterval(intervalMs);
    m_maxTrayAttempts = attempts;
    m_revealAfter = revealAfter;
}

void TrayIcon::putInTray()
{
    QWidget *main = m_main.window;
    if (!trayAvailable()) {
        // Hidden without an icon the reader could not be reached again.
        keepWithoutTray();
        return;
    }
    ignoreErrors([&] {
        if (main)
            main->hide();
    });
    ignoreErrors([&] { addTrayIcon(); });
    ignoreErrors([&] {
        if (m_services.settings().setting(ReaderSettings::SectionOptions, MinimizeKey) !=
            ReaderSettings::True) {
            show();
            raise();
        } else if (isVisible()) {
            hide();
        }
    });
}

void TrayIcon::keepWithoutTray()
{
    QWidget *main = m_main.window;
    ignoreErrors([&] {
        if (!main)
            return;
        const bool taskBar = desktopHasTaskBar();
        if (!main->isVisible() && !taskBar)
            main->show();
        else if (!main->isMinimized() && taskBar)
            main->showMinimized();
    });
    if (m_toldNoTray)
        return;
    m_toldNoTray = true;
    MessageBoxService::notify(noTrayText);
}

bool TrayIcon::desktopHasTaskBar() const
{
    // Nothing says whether a desktop has a task bar. A panel that keeps a screen edge for
    // itself (a work area smaller than the screen) is one or holds one; without such a panel a
    // minimized window could not be found again.
    const QWidget *main = m_main.window;
    const QScreen *screen =
        main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    return screen && screen->availableGeometry() != screen->geometry();
}

void TrayIcon::addTrayIcon()
{
    StandardErrorHandler handler(QStringLiteral(": frmRightClick.GoSystemTray"), 100);
    QIcon icon;
    if (!handler.run(1, [&] {
            icon = EarIcon::icon();
            if (icon.isNull())
                throw std::runtime_error("The notification-area icon could not be loaded.");
            m_tray->setIcon(icon);
            m_tray->setToolTip(trayTip());
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

void TrayIcon::showIconWhenTrayAppears()
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
    // A reader started hidden must not stay out of reach while the icon waits; a
    // notification area that comes later still gets the icon.
    ++m_trayAttempts;
    const QWidget *main = m_main.window;
    if (main && !main->isVisible() &&
        (m_trayAttempts >= m_revealAfter || m_trayAttempts >= m_maxTrayAttempts))
        keepWithoutTray();
    if (m_trayAttempts < m_maxTrayAttempts)
        return;
    // No notification area came: the icon is given up.
    m_trayRetry->stop();
    m_trayIconShown = false;
}

void TrayIcon::removeTrayIcon()
{
    m_trayRetry->stop();
    m_tray->hide();
    m_trayIconShown = false;
}

void TrayIcon::saveNoticeChoice()
{
    ignoreErrors([&] {
        m_services.settings().saveSetting(ReaderSettings::SectionOptions, MinimizeKey,
                                          ReaderSettings::flag(hideNoticeCheck->isChecked()));
    });
}

void TrayIcon::acceptNotice()
{
    saveNoticeChoice();
    hide();
}

void TrayIcon::activate(QSystemTrayIcon::ActivationReason reason)
{
    m_lastActivation = reason;
    if (m_busy)
        return;
    m_busy = true;
    if (reason == QSystemTrayIcon::Trigger) {
        ignoreErrors([&] { m_services.showMainWindow(); });
    } else if (reason == QSystemTrayIcon::Context) {
        copyMainChecks();
        // The icon's host may have opened the menu already.
        ignoreErrors([&] {
            if (!popupMenu->isVisible())
                popupMenu->popup(QCursor::pos());
        });
    }
    m_busy = false;
}

void TrayIcon::exitProgram()
{
    if (!m_services.askToSaveChanges() || !ExitQuestion::confirm())
        return;
    ignoreErrors([&] { removeTrayIcon(); });
    ignoreErrors([&] { m_services.unloadMainWindow(); });
    ignoreErrors([&] { unload(); });
    m_services.endProgram();
}

void TrayIcon::unload()
{
    m_unloading = true;
    popupMenu->hide();
    close();
}

bool TrayIcon::event(QEvent *event)
{
    // The notice may come up after the menu marks changed.
    if (event->type() == QEvent::WindowActivate)
        copyMainChecks();
    // A font change while the notice is up would clip it again.
    if (event->type() == QEvent::FontChange && layout())
        fitNotice();
    return QWidget::event(event);
}

void TrayIcon::showEvent(QShowEvent *event)
{
    fitNotice();
    // OK takes the keys: Space then presses it rather than ticking the check box unseen.
    okButton->setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
}

void TrayIcon::keyPressEvent(QKeyEvent *event)
{
    // The notice answers the keys a message box does: Enter presses OK, and Esc closes the
    // notice, which counts as OK.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        acceptNotice();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TrayIcon::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    // The user closed the notice: that counts as OK, and the form stays loaded.
    event->ignore();
    saveNoticeChoice();
    hide();
}
