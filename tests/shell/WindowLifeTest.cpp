#include "InstanceListener.h"
#include "MainWindowLife.h"
#include "MessageBoxRecorder.h"
#include "ShellFixture.h"
#include "TrayIcon.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using WindowLife = ShellFixture;
} // namespace

TEST_F(WindowLife, FirstStartUsesTheDefaultsAndTheEnginesVoice)
{
    m_main.window.resize(640, 480);
    shell().life().load(false);

    // 1000 and 6500 twips at 15 twips a pixel.
    EXPECT_EQ(m_main.window.pos(), QPoint(67, 67));
    EXPECT_EQ(m_main.window.size(), QSize(433, 433));
    EXPECT_TRUE(m_main.window.isVisible());
    EXPECT_TRUE(m_main.clip);
    EXPECT_FALSE(m_main.dialog);
    EXPECT_EQ(m_main.voiceList, m_main.engineVoice);
    EXPECT_TRUE(m_main.voicesSet.isEmpty());
    EXPECT_EQ(m_main.calls, (QStringList{"rememberClipboard", "alignLeft", "loadEngines",
                                         "setClipChecked", "setDialogChecked",
                                         "applySpeedAndVolume", "newDocument", "enableMonitor"}));
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("False"));
}

TEST_F(WindowLife, OnlyTheExactTextFalseSwitchesAReaderOff)
{
    struct Case
    {
        const char *stored;
        bool on;
    };
    for (const Case c : {Case{"False", false}, Case{"false", true}, Case{"FALSE", true},
                         Case{"True", true}, Case{"", true}, Case{"no", true}}) {
        putSetting("Options", "Clipboard", QString::fromLatin1(c.stored));
        putSetting("Options", "Dialog", QString::fromLatin1(c.stored));
        m_main.clip = !c.on;
        m_main.dialog = !c.on;
        newShell().life().loadOptions();
        EXPECT_EQ(m_main.clip, c.on) << c.stored;
        EXPECT_EQ(m_main.dialog, c.on) << c.stored;
    }
}

TEST_F(WindowLife, CleanRunsKeepTheVoiceAndWriteTheMarker)
{
    // A stored voice is applied whatever the marker says.
    putSetting("Options", "Voice", "Heather");
    putSetting("Options", "ProperShutdown", "True");
    shell().life().loadOptions();
    EXPECT_EQ(m_main.voicesSet, QStringList{"Heather"});
    EXPECT_EQ(m_main.voiceList, QStringLiteral("Heather"));
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("False"));

    m_main.voiceList = QStringLiteral("Kal");
    m_main.clip = false;
    m_main.dialog = true;
    shell().life().unload();
    EXPECT_EQ(setting("Options", "Voice"), QStringLiteral("Kal"));
    EXPECT_EQ(setting("Options", "Clipboard"), QStringLiteral("False"));
    EXPECT_EQ(setting("Options", "Dialog"), QStringLiteral("True"));
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));

    // No stored voice after a clean run: the engine's current voice is shown, none is set.
    putSetting("Options", "Voice", "");
    m_main.voicesSet.clear();
    newShell().life().loadOptions();
    EXPECT_TRUE(m_main.voicesSet.isEmpty());
    EXPECT_EQ(m_main.voiceList, m_main.engineVoice);
}

TEST_F(WindowLife, GeometryIsSavedOnlyFromTheNormalState)
{
    m_main.window.show();
    m_main.window.setGeometry(100, 120, 500, 300);
    m_main.window.move(100, 120);
    shell().life().unload();
    EXPECT_EQ(setting("Settings", "MainLeft"), QStringLiteral("1500"));
    EXPECT_EQ(setting("Settings", "MainTop"), QStringLiteral("1800"));
    EXPECT_EQ(setting("Settings", "MainWidth"), QStringLiteral("7500"));
    EXPECT_EQ(setting("Settings", "MainHeight"), QStringLiteral("4500"));

    // Closed maximized, then minimized: the last normal geometry stays.
    for (const auto state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
        newShell();
        m_main.window.resize(900, 700);
        m_main.window.setWindowState(state);
        ASSERT_TRUE(m_main.window.windowState() & state);
        shell().life().unload();
        EXPECT_EQ(setting("Settings", "MainWidth"), QStringLiteral("7500")) << state;
        EXPECT_EQ(setting("Settings", "MainLeft"), QStringLiteral("1500")) << state;
    }

    m_main.window.setWindowState(Qt::WindowNoState);
    m_main.window.setGeometry(0, 0, 10, 10);
    newShell().life().restoreGeometry();
    EXPECT_EQ(m_main.window.pos(), QPoint(100, 120));
    EXPECT_EQ(m_main.window.size(), QSize(500, 300));
}

TEST_F(WindowLife, DamagedGeometryLeavesThatDimensionAlone)
{
    putSetting("Settings", "MainLeft", "300");
    putSetting("Settings", "MainTop", "abc");
    putSetting("Settings", "MainWidth", "");
    putSetting("Settings", "MainHeight", "4500.5");
    m_main.window.setGeometry(11, 22, 333, 444);
    m_main.window.move(11, 22);
    shell().life().restoreGeometry();
    EXPECT_EQ(m_main.window.pos(), QPoint(20, 22));
    EXPECT_EQ(m_main.window.size(), QSize(333, 300));
}

TEST_F(WindowLife, CloseBoxSendsTheWindowToTheTrayAndNeverEndsTheReader)
{
    m_main.window.show();
    EXPECT_TRUE(shell().life().keepOpenOnClose(true));
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(shell().trayIcon().trayIconShown());
    EXPECT_FALSE(shell().life().unloaded());

    // The program's own closes and the session's end are not held up.
    EXPECT_FALSE(shell().life().keepOpenOnClose(false));
}

TEST_F(WindowLife, WithoutANotificationAreaClosingKeepsTheWindowReachable)
{
    m_tray = false;
    MessageBoxRecorder boxes;
    m_main.window.show();
    EXPECT_TRUE(shell().life().keepOpenOnClose(true));
    EXPECT_TRUE(m_main.window.isVisible());
    // Without a panel at a screen edge there is no task bar to find a minimized window in.
    EXPECT_FALSE(m_main.window.isMinimized());
    EXPECT_FALSE(shell().trayIcon().trayIconShown());
    EXPECT_FALSE(shell().trayIcon().isVisible());
    EXPECT_EQ(boxes.requests().size(), 1);
}

TEST_F(WindowLife, ExitAsksFirstAndNoLeavesEverythingAsItWas)
{
    shell().listener().start();
    m_main.window.show();
    {
        // Unsaved changes are asked about first; Cancel there ends Exit without its question.
        MessageBoxRecorder boxes(MessageBoxService::ResultYes);
        m_main.documentSettled = false;
        shell().life().exitProgram();
        EXPECT_TRUE(boxes.requests().isEmpty());
        EXPECT_EQ(m_main.calls.count(QStringLiteral("askToSaveChanges")), 1);
        m_main.documentSettled = true;
    }
    {
        MessageBoxRecorder boxes(MessageBoxService::ResultNo);
        shell().life().exitProgram();
        ASSERT_EQ(boxes.requests().size(), 1);
        const auto &question = boxes.requests().front();
        EXPECT_EQ(question.title, QStringLiteral("Exit Program?"));
        EXPECT_EQ(question.buttons, MessageBoxService::YesNo);
    }
    EXPECT_EQ(m_ended, 0);
    EXPECT_FALSE(shell().life().unloaded());
    EXPECT_TRUE(shell().listener().isLoaded());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QString());

    MessageBoxRecorder boxes(MessageBoxService::ResultYes);
    shell().life().exitProgram();
    EXPECT_EQ(m_ended, 1);
    EXPECT_FALSE(shell().listener().isLoaded());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));
}

TEST_F(WindowLife, RestoredGeometryIsKeptOnTheScreenAndAboveTheMinimumSize)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    m_main.window.setMinimumSize(120, 90);
    struct Case
    {
        const char *left, *top, *width, *height;
    };
    // A window of gigabytes, one far off screen, one smaller than it may be.
    for (const Case c :
         {Case{"0", "0", "450000", "15000000"}, Case{"-150000", "900000", "6000", "6000"},
          Case{"1500", "1500", "15", "15"}}) {
        putSetting("Settings", "MainLeft", c.left);
        putSetting("Settings", "MainTop", c.top);
        putSetting("Settings", "MainWidth", c.width);
        putSetting("Settings", "MainHeight", c.height);
        newShell().life().restoreGeometry();
        const QRect placed(m_main.window.pos(), m_main.window.size());
        EXPECT_TRUE(area.contains(placed)) << c.left << " " << c.width;
        EXPECT_GE(placed.width(), 120);
        EXPECT_GE(placed.height(), 90);
    }
}
