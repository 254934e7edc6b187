#pragma once

#include "MainWindowHooks.h"

#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class ReaderSettings;

// The notification-area side of the reader, all in one hidden form: it owns the ear icon
// and receives its clicks, owns the popup menu, and is itself the notice that tells the user
// the reader went to the notification area instead of ending.
class TrayIcon : public QWidget
{
    Q_OBJECT
public:
    // The icon's tip: the text cut to the 64 characters of the icon record's tip field.
    static QString trayTip();

    // What the icon, its menu and its notice reach outside themselves.
    struct Services
    {
        std::function<ReaderSettings &()> settings;
        std::function<bool()> trayAvailable;
        std::function<void()> showMainWindow;
        std::function<void()> openHelp;
        std::function<void()> visitWebSite;
        std::function<void()> showAbout; // not modal
        // Exit's steps: the unsaved document first, then the main window's unload, then the end.
        std::function<bool()> askToSaveChanges;
        std::function<void()> unloadMainWindow;
        std::function<void()> endProgram;
    };

    // `mainWindow` is the shell's record of the main window, filled in once the window joins.
    TrayIcon(const MainWindowHooks &mainWindow, Services services, QWidget *parent = nullptr);
    ~TrayIcon() override;

    // Sends the main window to the notification area (closing or minimizing it). Where the
    // desktop has no notification area the window stays reachable instead: minimized where
    // there is a task bar, else as it is; the user is told why, once.
    void putInTray();
    // Adds the icon. A notification area that is not there yet (a session still starting)
    // is waited for a while; a hidden main window does not wait as long, but shows after a
    // few seconds as putInTray leaves it without a notification area.
    void addTrayIcon();
    // Stores the notice's check box as "Minimize".
    void saveNoticeChoice();
    // A click on the icon shows the main window, a context click opens the popup menu; the
    // rest (double and middle clicks) is ignored.
    void activate(QSystemTrayIcon::ActivationReason reason);

    // Removes the icon.
    void removeTrayIcon();
    bool trayIconShown() const { return m_trayIconShown; }
    // Whether the icon can be shown now.
    bool trayAvailable() const;

    // Closes the notice for good (the program ends).
    void unload();

    // How often and how long addTrayIcon waits for a notification area, and after how
    // many attempts a hidden main window is shown.
    static constexpr int RevealAttempts = 3;
    void setTrayRetry(int intervalMs, int attempts, int revealAfter = RevealAttempts);

    static inline const QString noTrayText = QStringLiteral(
        "This desktop has no notification area, so the Larkvane TTS Reader window stays open "
        "instead of turning into an ear icon there. The reader goes on reading copied text and "
        "dialog boxes in the background; to end it, use File > Exit.");

    QSystemTrayIcon *systemTrayIcon() const { return m_tray; }
    QSystemTrayIcon::ActivationReason lastActivation() const { return m_lastActivation; }

    // The notice.
    QLabel *noticeLabel = nullptr;
    QCheckBox *hideNoticeCheck = nullptr;
    QPushButton *okButton = nullptr;

    // The popup menu and its items.
    QMenu *popupMenu = nullptr;
    QAction *readClipboardAction = nullptr;
    QAction *readDialogsAction = nullptr;
    QAction *stopSpeakingAction = nullptr;
    QAction *helpAction = nullptr;
    QAction *visitSiteAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *exitAction = nullptr;

    void acceptNotice();
    void exitProgram();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createNotice();
    // Sizes the notice so that its whole word-wrapped text shows.
    void fitNotice();
    void createPopup();
    void copyMainChecks();
    void showIconWhenTrayAppears();
    void keepWithoutTray();
    bool desktopHasTaskBar() const;

    const MainWindowHooks &m_main;
    Services m_services;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_trayRetry = nullptr;
    int m_trayAttempts = 0;
    int m_maxTrayAttempts = 120;
    int m_revealAfter = RevealAttempts;
    bool m_toldNoTray = false;
    bool m_trayIconShown = false;
    QSystemTrayIcon::ActivationReason m_lastActivation = QSystemTrayIcon::Unknown;
    bool m_busy = false;
    bool m_unloading = false;
};
