#include "HelpLinks.h"
#include "HelpWindow.h"
#include "MainWindowLife.h"
#include "MessageBoxRecorder.h"
#include "ShellFixture.h"
#include "frmAbout.h"
#include "frmRightClick.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using Tray = ShellFixture;
} // namespace

TEST_F(Tray, ClosingPutsTheReaderInTheTrayAndShowsTheNoticeUntilDeclined)
{
    frmRightClick &tray = shell().rightClick();
    m_main.window.show();
    tray.PutInTray();
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(tray.TrayIconShown());
    EXPECT_TRUE(tray.trayIcon()->isVisible());
    const QString tip = tray.trayIcon()->toolTip();
    EXPECT_EQ(tip.size(), 64);
    EXPECT_TRUE(
        QStringLiteral("Click to get Larkvane Text-to-Speech Reader, or right click for options.")
            .startsWith(tip));
    ASSERT_TRUE(tray.isVisible());
    EXPECT_EQ(tray.windowTitle(), QStringLiteral("Application put in System Tray"));
    EXPECT_TRUE(tray.Label1->text().contains(QStringLiteral("through File > Exit.")));
    EXPECT_FALSE(tray.Check1->isChecked());

    // Declined: stored, and the notice stays away in this run and the next.
    tray.Check1->setChecked(true);
    tray.Command1->click();
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("True"));
    shell().ShowMainWindow();
    tray.PutInTray();
    EXPECT_FALSE(tray.isVisible());
    newShell().rightClick().PutInTray();
    EXPECT_FALSE(shell().rightClick().isVisible());
    EXPECT_TRUE(shell().rightClick().TrayIconShown());
}

TEST_F(Tray, ClosingTheNoticeCountsAsOkAndUncheckingStoresFalse)
{
    putSetting("Options", "Minimize", "True");
    frmRightClick &tray = shell().rightClick();
    tray.show();
    tray.Check1->setChecked(false);
    EXPECT_FALSE(tray.close());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("False"));

    // The form stays loaded: the check box keeps its state for the next notice.
    tray.Check1->setChecked(true);
    m_main.window.show();
    tray.PutInTray();
    EXPECT_TRUE(tray.isVisible());
    EXPECT_TRUE(tray.Check1->isChecked());
}

TEST_F(Tray, LeftClickBringsBackTheWindowAndRemovesTheIcon)
{
    frmRightClick &tray = shell().rightClick();
    m_main.window.show();
    m_main.window.showMinimized();
    tray.PutInTray();
    ASSERT_FALSE(m_main.window.isVisible());

    // Moves and double clicks do nothing; the first button release does it all.
    tray.Form_MouseMove(512);
    tray.Form_MouseMove(frmRightClick::MessageLeftDoubleClick);
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(tray.TrayIconShown());

    emit tray.trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(tray.lastMessage(), frmRightClick::MessageLeftButtonUp);
    EXPECT_TRUE(m_main.window.isVisible());
    EXPECT_FALSE(m_main.window.isMinimized());
    EXPECT_FALSE(tray.TrayIconShown());
    EXPECT_FALSE(tray.trayIcon()->isVisible());
}

TEST_F(Tray, PopupMirrorsTheOptionsMenuBothWays)
{
    m_main.clip = true;
    m_main.dialog = false;
    frmRightClick &tray = shell().rightClick();
    m_main.clip = false;
    m_main.dialog = true;

    tray.Form_MouseMove(frmRightClick::MessageRightButtonUp);
    ASSERT_TRUE(tray.mnuPopup->isVisible());
    EXPECT_FALSE(tray.mnuClip->isChecked());
    EXPECT_TRUE(tray.mnuDialog->isChecked());
    tray.mnuPopup->close();

    tray.mnuClip->trigger();
    EXPECT_TRUE(tray.mnuClip->isChecked());
    EXPECT_TRUE(m_main.clip);
    tray.mnuDialog->trigger();
    EXPECT_FALSE(m_main.dialog);
    tray.mnuStopSpk->trigger();
    EXPECT_TRUE(m_main.calls.contains(QStringLiteral("StopSpeaking")));
}

TEST_F(Tray, PopupOpensHelpTheWebSiteAndAModelessAboutBox)
{
    frmRightClick &tray = shell().rightClick();
    tray.mnuHelp->trigger();
    tray.mnuSite->trigger();
    EXPECT_TRUE(m_opened.isEmpty()); // both show the help window; there is no home page
    ASSERT_TRUE(shell().links().helpWindow());
    EXPECT_TRUE(shell().links().helpWindow()->isVisible());
    EXPECT_TRUE(HelpLinks::helpFile().endsWith(QStringLiteral("/help.html")));

    tray.mnuAbout->trigger();
    ASSERT_TRUE(shell().about());
    EXPECT_TRUE(shell().about()->isVisible());
    EXPECT_FALSE(shell().about()->isModal());
    shell().about()->cmdOK->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shell().about(); }, 5000));
}

TEST_F(Tray, ExitFromThePopupAnsweredNoKeepsIconAndWindowAndYesEndsTheProgram)
{
    frmRightClick &tray = shell().rightClick();
    m_main.window.show();
    tray.PutInTray();
    {
        MessageBoxRecorder boxes(MessageBoxService::ResultNo);
        tray.mnuExit->trigger();
        EXPECT_EQ(boxes.requests().size(), 1);
        // Cancel on unsaved changes keeps the reader as well, without the exit question.
        m_main.documentSettled = false;
        tray.mnuExit->trigger();
        EXPECT_EQ(boxes.requests().size(), 1);
        EXPECT_EQ(m_main.calls.count(QStringLiteral("askToSaveChanges")), 2);
        m_main.documentSettled = true;
    }
    EXPECT_TRUE(tray.TrayIconShown());
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_EQ(m_ended, 0);

    MessageBoxRecorder boxes(MessageBoxService::ResultYes);
    tray.mnuExit->trigger();
    EXPECT_FALSE(tray.TrayIconShown());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_TRUE(shell().life().unloaded());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));
    EXPECT_EQ(m_ended, 1);
}

TEST_F(Tray, IconWaitsForATrayThatComesLate)
{
    m_tray = false;
    frmRightClick &tray = shell().rightClick();
    tray.setTrayRetry(10, 1000);
    tray.LoadTrayIcon();
    EXPECT_TRUE(tray.TrayIconShown());
    EXPECT_FALSE(tray.trayIcon()->isVisible());

    // The tray host turns up after a few attempts.
    QTest::qWait(100);
    EXPECT_FALSE(tray.trayIcon()->isVisible());
    m_tray = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.trayIcon()->isVisible(); }, 20000));
    EXPECT_TRUE(tray.TrayIconShown());
    EXPECT_FALSE(m_main.window.isVisible());
}

TEST_F(Tray, HiddenReaderGoesToTheTaskBarWhenNoTrayEverComes)
{
    m_tray = false;
    frmRightClick &tray = shell().rightClick();
    tray.setTrayRetry(5, 3);
    tray.LoadTrayIcon();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_main.window.isVisible(); }, 20000));
    EXPECT_TRUE(m_main.window.isMinimized());
    EXPECT_FALSE(tray.TrayIconShown());
}

TEST_F(Tray, NoticeShowsItsWholeTextAtALargeFontAndAnswersTheKeys)
{
    frmRightClick &tray = shell().rightClick();
    QFont large = tray.font();
    large.setPointSizeF(large.pointSizeF() * 2.5);
    tray.setFont(large);
    const auto notice = [&] {
        shell().ShowMainWindow();
        tray.PutInTray();
        EXPECT_TRUE(tray.isVisible());
        tray.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&tray));
    };
    notice();
    // The label gets all the height its wrapped text needs, clear of the controls below.
    EXPECT_GE(tray.Label1->height(), tray.Label1->heightForWidth(tray.Label1->width()));
    EXPECT_LT(tray.Label1->geometry().bottom(), tray.Check1->geometry().top());

    // OK has the focus: Space presses it instead of ticking the check box unseen.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(tray.isVisible());
    EXPECT_FALSE(tray.Check1->isChecked());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("False"));

    // Enter presses OK from the check box too; Esc closes the notice as OK does.
    notice();
    tray.Check1->setFocus();
    QTest::keyClick(tray.Check1, Qt::Key_Return);
    EXPECT_FALSE(tray.isVisible());
    notice();
    tray.Check1->setChecked(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("True"));
}
