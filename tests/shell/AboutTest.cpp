#include "AboutDialog.h"
#include "EarIcon.h"
#include "HelpLinks.h"
#include "HelpWindow.h"
#include "MessageBoxRecorder.h"
#include "ShellFixture.h"
#include "platform/linux/DesktopSystemInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {
class About : public ShellFixture
{
protected:
    // A folder standing for the program search path, with the named programs in it.
    QString searchPath(const QStringList &programs)
    {
        const QString folder = m_dir.filePath(QStringLiteral("bin with space"));
        QDir().mkpath(folder);
        for (const QString &name : programs) {
            QFile program(folder + QLatin1Char('/') + name);
            EXPECT_TRUE(program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\n");
            program.close();
            program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return folder;
    }

    void startSysInfo(const QString &folder)
    {
        DesktopSystemInfo info({folder});
        AboutDialog about(info, shell().links());
        about.systemInfoButton->click();
    }
};
} // namespace

TEST_F(About, ShowsTheArtworkAndTheIconsAreBuiltIn)
{
    DesktopSystemInfo info;
    AboutDialog about(info, shell().links());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Larkvane Text-to-Speech Reader"));
    ASSERT_FALSE(about.artwork->pixmap().isNull());
    EXPECT_EQ(about.artwork->pixmap().size(), QSize(501, 157));
    EXPECT_TRUE(about.okButton->isDefault());
    EXPECT_EQ(about.systemInfoButton->text(), QStringLiteral("&System Info..."));
    for (int size : EarIcon::sizes())
        EXPECT_FALSE(QPixmap(EarIcon::resourcePath(size)).isNull()) << size;
}

TEST_F(About, SystemInfoWithoutAProgramSaysItIsUnavailable)
{
    MessageBoxRecorder boxes;
    startSysInfo(searchPath({}));
    EXPECT_TRUE(m_opened.isEmpty());
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().front().text,
              QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(boxes.requests().front().title, MessageBoxService::programTitle());
    EXPECT_EQ(boxes.requests().front().buttons, MessageBoxService::Ok);
}

TEST_F(About, SystemInfoStartsTheFirstInstalledProgramQuotedWhenItsPathHasSpaces)
{
    MessageBoxRecorder boxes;
    const QString folder = searchPath({"gnome-control-center", "kinfocenter"});
    startSysInfo(folder);
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("\"%1/kinfocenter\"|1").arg(folder)});
    EXPECT_TRUE(boxes.requests().isEmpty());

    // A program that cannot be started is reported like a missing one.
    m_opened.clear();
    m_openResult = 2;
    const QString desktopOnly = m_dir.filePath(QStringLiteral("gnome"));
    QDir().mkpath(desktopOnly);
    QFile::copy(folder + QStringLiteral("/gnome-control-center"),
                desktopOnly + QStringLiteral("/gnome-control-center"));
    startSysInfo(desktopOnly);
    EXPECT_EQ(m_opened,
              QStringList{desktopOnly + QStringLiteral("/gnome-control-center info-overview|1")});
    EXPECT_EQ(boxes.requests().size(), 1);
}

TEST_F(About, HelpPageIsBuiltWhereTheReaderFindsIt)
{
    QFile help(QStringLiteral(PARLANCE_HELP_PAGE));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(help.readAll());
    EXPECT_TRUE(page.contains(QStringLiteral("-startup")) && page.contains("-install"));
    // The links lead to sections that exist.
    EXPECT_TRUE(page.contains(QStringLiteral("<h2 id=\"about\">About Parlance</h2>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<h2 id=\"voices\">Getting more voices</h2>")));
}

// The page shows in the reader's own window, its sections reached there; only web addresses
// leave the reader, and one that nothing opens is named in a message.
TEST_F(About, HelpShowsInItsOwnWindowAndOnlyWebAddressesLeaveTheReader)
{
    QStringList web;
    HelpWindow help(QStringLiteral(PARLANCE_HELP_PAGE),
                    [&](const QUrl &address) { web << address.toString(); });
    help.showSection(QStringLiteral("voices"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Larkvane Text-to-Speech Reader - Help"));
    QScrollBar *scroll = help.browser()->verticalScrollBar();
    const int voices = scroll->value();
    EXPECT_GT(voices, 0);
    emit help.browser()->anchorClicked(QUrl(QStringLiteral("#about")));
    EXPECT_GT(scroll->value(), voices);
    help.showSection(QString());
    EXPECT_EQ(scroll->value(), 0);
    emit help.browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/voices")));
    EXPECT_EQ(web, QStringList{QStringLiteral("https://example.org/voices")});
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("Getting more voices")));

    HelpWindow missing(m_dir.filePath(QStringLiteral("help.html")), {});
    EXPECT_TRUE(missing.browser()->toPlainText().contains(m_dir.filePath("help.html")));

    MessageBoxRecorder boxes;
    m_openResult = 31; // no program associated
    shell().links().showHelp();
    emit shell().links().helpWindow()->browser()->anchorClicked(QUrl("https://example.org/"));
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("https://example.org/|1")});
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text,
              HelpLinks::AddressNotOpenedText.arg(QStringLiteral("https://example.org/")));
}
