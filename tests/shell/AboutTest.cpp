#include "EarIcon.h"
#include "HelpLinks.h"
#include "MessageBoxRecorder.h"
#include "ShellFixture.h"
#include "frmAbout.h"
#include "platform/linux/DesktopSystemInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
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
        frmAbout about(info, shell().links());
        about.cmdSysInfo->click();
    }
};
} // namespace

TEST_F(About, ShowsTheArtworkAndTheIconsAreBuiltIn)
{
    DesktopSystemInfo info;
    frmAbout about(info, shell().links());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Larkvane Text-to-Speech Reader"));
    ASSERT_FALSE(about.Image1->pixmap().isNull());
    EXPECT_EQ(about.Image1->pixmap().size(), QSize(501, 157));
    EXPECT_TRUE(about.cmdOK->isDefault());
    EXPECT_EQ(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
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
    EXPECT_TRUE(HelpLinks::voicesPage().endsWith(QStringLiteral("help.html#voices")));
}

TEST_F(About, PagesThatNothingOpensAreNamedInAMessage)
{
    MessageBoxRecorder boxes;
    m_openResult = 31; // no program associated
    HelpLinks &links = shell().links();
    links.mnuHelp_Click();
    links.mnuVisit_Click();
    links.Label7_Click();
    ASSERT_EQ(boxes.requests().size(), 3);
    EXPECT_EQ(boxes.requests()[0].text, HelpLinks::HelpNotOpenedText.arg(HelpLinks::helpFile()));
    EXPECT_EQ(boxes.requests()[1].text, HelpLinks::AddressNotOpenedText.arg(HelpLinks::homePage()));
    EXPECT_EQ(boxes.requests()[2].text,
              HelpLinks::AddressNotOpenedText.arg(HelpLinks::voicesPage()));

    m_openResult = 42;
    links.mnuHelp_Click();
    EXPECT_EQ(boxes.requests().size(), 3);
}
