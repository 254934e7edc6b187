#include "ShellFixture.h"
#include "TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

// On a real display with a tray host: the icon is embedded in the tray and answers clicks.
namespace {
class DesktopTray : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000))
            << "no tray host on this display";
        // The desktop's own answer, not the fixture's.
        ShellOptions o = options();
        o.trayAvailable = nullptr;
        m_shell = std::make_unique<ReaderShell>(o);
        m_shell->attachMainWindow(m_main.hooks());
        putSetting("Options", "Minimize", "True");
        m_main.window.resize(400, 300);
        m_main.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_main.window));
    }

    // Puts the reader in the tray and waits until the host has embedded the icon; returns
    // where the icon is on the screen.
    QRect iconInTray()
    {
        shell().trayIcon().putInTray();
        QSystemTrayIcon *icon = shell().trayIcon().systemTrayIcon();
        // The host's panel grows and moves when the icon joins it: wait until the icon
        // stays put.
        QRect onScreen;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const QRect before = embeddedIcon();
                QTest::qWait(300);
                onScreen = embeddedIcon();
                return icon->isVisible() && !onScreen.isEmpty() && onScreen == before;
            },
            20000));
        return onScreen;
    }

    // The icon's window inside the tray host's panel, from the window tree. (The icon's own
    // geometry() is relative to the panel once it is embedded.)
    static QRect embeddedIcon()
    {
        QProcess tree;
        tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        if (!tree.waitForFinished(10000))
            return {};
        const QStringList lines = QString::fromLocal8Bit(tree.readAllStandardOutput()).split('\n');
        static const QRegularExpression window(
            QStringLiteral("(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
        bool inPanel = false;
        for (const QString &line : lines) {
            if (line.contains(QStringLiteral("(\"panel\" \"trayer\")"))) {
                inPanel = true;
                continue;
            }
            if (!inPanel || !line.contains(QStringLiteral("\"Parlance\")")))
                continue;
            const auto match = window.match(line);
            if (match.hasMatch())
                return QRect(match.captured(3).toInt(), match.captured(4).toInt(),
                             match.captured(1).toInt(), match.captured(2).toInt());
        }
        return {};
    }

    static void click(const QPoint &at, int button)
    {
        const int status = QProcess::execute(QStringLiteral("xdotool"),
                                             {QStringLiteral("mousemove"), QString::number(at.x()),
                                              QString::number(at.y()), QStringLiteral("click"),
                                              QString::number(button)});
        EXPECT_EQ(status, 0);
    }
};
} // namespace

TEST_F(DesktopTray, ClickOnTheEarBringsTheWindowBackAndTheIconLeaves)
{
    const QRect icon = iconInTray();
    ASSERT_FALSE(icon.isEmpty());
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_EQ(shell().trayIcon().systemTrayIcon()->toolTip().size(), 64);

    click(icon.center(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_main.window.isVisible(); }, 20000));
    EXPECT_FALSE(shell().trayIcon().trayIconShown());
    EXPECT_FALSE(shell().trayIcon().systemTrayIcon()->isVisible());
}

TEST_F(DesktopTray, RightClickOpensTheMenuWithTheMainMenusMarks)
{
    m_main.clip = false;
    m_main.dialog = true;
    const QRect icon = iconInTray();
    ASSERT_FALSE(icon.isEmpty());

    QMenu *menu = shell().trayIcon().popupMenu;
    click(icon.center(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 20000));
    EXPECT_FALSE(shell().trayIcon().readClipboardAction->isChecked());
    EXPECT_TRUE(shell().trayIcon().readDialogsAction->isChecked());
    EXPECT_EQ(shell().trayIcon().lastActivation(), QSystemTrayIcon::Context);

    // Choosing an item there changes the main menu's mark.
    shell().trayIcon().readClipboardAction->trigger();
    menu->close();
    EXPECT_TRUE(m_main.clip);
    // The window stays in the tray.
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(shell().trayIcon().trayIconShown());
}
