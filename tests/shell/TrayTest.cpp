#include "AboutDialog.h"
#include "HelpLinks.h"
#include "HelpWindow.h"
#include "MainWindowLife.h"
#include "MessageBoxRecorder.h"
#include "ShellFixture.h"
#include "TrayIcon.h"

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
    TrayIcon &tray = shell().trayIcon();
    m_main.window.show();
    tray.putInTray();
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(tray.trayIconShown());
    EXPECT_TRUE(tray.systemTrayIcon()->isVisible());
    const QString tip = tray.systemTrayIcon()->toolTip();
    EXPECT_EQ(tip.size(), 64);
    EXPECT_TRUE(
        QStringLiteral("Click to get Larkvane Text-to-Speech Reader, or right click for options.")
            .startsWith(tip));
    ASSERT_TRUE(tray.isVisible());
    EXPECT_EQ(tray.windowTitle(), QStringLiteral("Application put in System Tray"));
    EXPECT_TRUE(tray.noticeLabel->text().contains(QStringLiteral("through File > Exit.")));
    EXPECT_FALSE(tray.hideNoticeCheck->isChecked());

    // Declined: stored, and the notice stays away in this run and the next.
    tray.hideNoticeCheck->setChecked(true);
    tray.okButton->click();
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("True"));
    shell().showMainWindow();
    tray.putInTray();
    EXPECT_FALSE(tray.isVisible());
    newShell().trayIcon().putInTray();
    EXPECT_FALSE(shell().trayIcon().isVisible());
    EXPECT_TRUE(shell().trayIcon().trayIconShown());
}

TEST_F(Tray, ClosingTheNoticeCountsAsOkAndUncheckingStoresFalse)
{
    putSetting("Options", "Minimize", "True");
    TrayIcon &tray = shell().trayIcon();
    tray.show();
    tray.hideNoticeCheck->setChecked(false);
    EXPECT_FALSE(tray.close());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("False"));

    // The form stays loaded: the check box keeps its state for the next notice.
    tray.hideNoticeCheck->setChecked(true);
    m_main.window.show();
    tray.putInTray();
    EXPECT_TRUE(tray.isVisible());
    EXPECT_TRUE(tray.hideNoticeCheck->isChecked());
}

TEST_F(Tray, LeftClickBringsBackTheWindowAndRemovesTheIcon)
{
    TrayIcon &tray = shell().trayIcon();
    m_main.window.show();
    m_main.window.showMinimized();
    tray.putInTray();
    ASSERT_FALSE(m_main.window.isVisible());

    // Unknown activations and double clicks do nothing; a click does it all.
    tray.activate(QSystemTrayIcon::Unknown);
    tray.activate(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(tray.trayIconShown());

    emit tray.systemTrayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(tray.lastActivation(), QSystemTrayIcon::Trigger);
    EXPECT_TRUE(m_main.window.isVisible());
    EXPECT_FALSE(m_main.window.isMinimized());
    EXPECT_FALSE(tray.trayIconShown());
    EXPECT_FALSE(tray.systemTrayIcon()->isVisible());
}

TEST_F(Tray, PopupMirrorsTheOptionsMenuBothWays)
{
    m_main.clip = true;
    m_main.dialog = false;
    TrayIcon &tray = shell().trayIcon();
    m_main.clip = false;
    m_main.dialog = true;

    tray.activate(QSystemTrayIcon::Context);
    ASSERT_TRUE(tray.popupMenu->isVisible());
    EXPECT_FALSE(tray.readClipboardAction->isChecked());
    EXPECT_TRUE(tray.readDialogsAction->isChecked());
    tray.popupMenu->close();

    tray.readClipboardAction->trigger();
    EXPECT_TRUE(tray.readClipboardAction->isChecked());
    EXPECT_TRUE(m_main.clip);
    tray.readDialogsAction->trigger();
    EXPECT_FALSE(m_main.dialog);
    tray.stopSpeakingAction->trigger();
    EXPECT_TRUE(m_main.calls.contains(QStringLiteral("stopSpeaking")));
}

TEST_F(Tray, PopupOpensHelpTheWebSiteAndAModelessAboutBox)
{
    TrayIcon &tray = shell().trayIcon();
    tray.helpAction->trigger();
    tray.visitSiteAction->trigger();
    EXPECT_TRUE(m_opened.isEmpty()); // both show the help window; there is no home page
    ASSERT_TRUE(shell().links().helpWindow());
    EXPECT_TRUE(shell().links().helpWindow()->isVisible());
    EXPECT_TRUE(HelpLinks::helpFile().endsWith(QStringLiteral("/help.html")));

    tray.aboutAction->trigger();
    ASSERT_TRUE(shell().about());
    EXPECT_TRUE(shell().about()->isVisible());
    EXPECT_FALSE(shell().about()->isModal());
    shell().about()->okButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shell().about(); }, 5000));
}

TEST_F(Tray, ExitFromThePopupAnsweredNoKeepsIconAndWindowAndYesEndsTheProgram)
{
    TrayIcon &tray = shell().trayIcon();
    m_main.window.show();
    tray.putInTray();
    {
        MessageBoxRecorder boxes(MessageBoxService::ResultNo);
        tray.exitAction->trigger();
        EXPECT_EQ(boxes.requests().size(), 1);
        // Cancel on unsaved changes keeps the reader as well, without the exit question.
        m_main.documentSettled = false;
        tray.exitAction->trigger();
        EXPECT_EQ(boxes.requests().size(), 1);
        EXPECT_EQ(m_main.calls.count(QStringLiteral("askToSaveChanges")), 2);
        m_main.documentSettled = true;
    }
    EXPECT_TRUE(tray.trayIconShown());
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_EQ(m_ended, 0);

    MessageBoxRecorder boxes(MessageBoxService::ResultYes);
    tray.exitAction->trigger();
    EXPECT_FALSE(tray.trayIconShown());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_TRUE(shell().life().unloaded());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));
    EXPECT_EQ(m_ended, 1);
}

TEST_F(Tray, IconWaitsForATrayThatComesLate)
{
    m_tray = false;
    TrayIcon &tray = shell().trayIcon();
    tray.setTrayRetry(10, 1000, 1000);
    tray.addTrayIcon();
    EXPECT_TRUE(tray.trayIconShown());
    EXPECT_FALSE(tray.systemTrayIcon()->isVisible());

    // The tray host turns up after a few attempts.
    QTest::qWait(100);
    EXPECT_FALSE(tray.systemTrayIcon()->isVisible());
    m_tray = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.systemTrayIcon()->isVisible(); }, 20000));
    EXPECT_TRUE(tray.trayIconShown());
    EXPECT_FALSE(m_main.window.isVisible());
}

TEST_F(Tray, WithoutATrayTheHiddenReaderShowsItsWindowSaysWhyOnceAndTheIconStillWaits)
{
    m_tray = false;
    MessageBoxRecorder boxes;
    TrayIcon &tray = shell().trayIcon();
    tray.setTrayRetry(5, 1000, 3);
    tray.addTrayIcon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_main.window.isVisible(); }, 20000));
    // No panel keeps a screen edge here: no task bar to minimize to.
    EXPECT_FALSE(m_main.window.isMinimized());
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().front().text, TrayIcon::noTrayText);

    // Closing the window leaves it where it is, and says nothing again.
    tray.putInTray();
    EXPECT_TRUE(m_main.window.isVisible());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(boxes.requests().size(), 1);

    // A notification area that comes later still gets the icon.
    m_tray = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.systemTrayIcon()->isVisible(); }, 20000));
    EXPECT_TRUE(tray.trayIconShown());
}

TEST_F(Tray, NoticeShowsItsWholeTextAtALargeFontAndAnswersTheKeys)
{
    TrayIcon &tray = shell().trayIcon();
    QFont large = tray.font();
    large.setPointSizeF(large.pointSizeF() * 2.5);
    tray.setFont(large);
    const auto notice = [&] {
        shell().showMainWindow();
        tray.putInTray();
        EXPECT_TRUE(tray.isVisible());
        tray.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&tray));
    };
    notice();
    // The label gets all the height its wrapped text needs, clear of the controls below.
    EXPECT_GE(tray.noticeLabel->height(),
              tray.noticeLabel->heightForWidth(tray.noticeLabel->width()));
    EXPECT_LT(tray.noticeLabel->geometry().bottom(), tray.hideNoticeCheck->geometry().top());

    // OK has the focus: Space presses it instead of ticking the check box unseen.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(tray.isVisible());
    EXPECT_FALSE(tray.hideNoticeCheck->isChecked());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("False"));

    // Enter presses OK from the check box too; Esc closes the notice as OK does.
    notice();
    tray.hideNoticeCheck->setFocus();
    QTest::keyClick(tray.hideNoticeCheck, Qt::Key_Return);
    EXPECT_FALSE(tray.isVisible());
    notice();
    tray.hideNoticeCheck->setChecked(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(setting("Options", "Minimize"), QStringLiteral("True"));
}
