// The main window's layout: the arithmetic in twips and in pixels, and the placement on a
// real window.
#include "WindowLayout.h"
#include "MainWindowLayout.h"
#include "TwipsScale.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {
using L = MainWindowLayout;

TEST(MainWindowLayoutTest, DesignSizeGivesTheDesignedPlaces)
{
    const auto p = L::arrange(QSize(L::DesignClientWidth, L::DesignClientHeight), L::Kept());
    EXPECT_EQ(p.playPosition, QRect(0, 6495, 12030, 255));
    EXPECT_EQ(p.curWord, QRect(0, 6000, 12030, 495));
    EXPECT_EQ(p.frame, QRect(8975, 420, 3015, 5580));
    EXPECT_EQ(p.document, QRect(0, 420, 8915, 5580));
}

TEST(MainWindowLayoutTest, PartsFollowTheClientAreaAtAnySize)
{
    for (const QSize client :
         {QSize(9000, 6000), QSize(12030, 6750), QSize(28800, 16200), QSize(9150, 20000)}) {
        const int w = client.width();
        const int h = client.height();
        const auto p = L::arrange(client, L::Kept());
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        EXPECT_EQ(p.playPosition, QRect(0, h - 255, w, 255));
        EXPECT_EQ(p.curWord, QRect(0, h - 750, w, 495));
        EXPECT_EQ(p.frame, QRect(w - 3055, 420, 3015, h - 1170));
        EXPECT_EQ(p.document, QRect(0, 420, w - 3115, h - 1170));
        // 40 from the right edge, 60 between document and frame, nothing overlapping.
        EXPECT_EQ(w - (p.frame.x() + p.frame.width()), 40);
        EXPECT_EQ(p.frame.x() - p.document.width(), 60);
        EXPECT_EQ(p.frame.y() + p.frame.height(), p.curWord.y());
        EXPECT_EQ(p.curWord.y() + p.curWord.height(), p.playPosition.y());
    }
}

TEST(MainWindowLayoutTest, TooSmallAClientAreaGivesNegativeSizes)
{
    const auto p = L::arrange(QSize(2000, 900), L::Kept());
    EXPECT_LT(p.frame.height(), 0);
    EXPECT_LT(p.document.width(), 0);
}

TEST(MainWindowLayoutTest, MinimumRaisesOnlyTheDimensionBelowIt)
{
    const QSize minimum(L::MinimumOuterWidth, L::MinimumOuterHeight);
    EXPECT_EQ(L::enforceMinimum(QSize(5000, 5000), minimum), minimum);
    EXPECT_EQ(L::enforceMinimum(QSize(12000, 5000), minimum), QSize(12000, 7360));
    EXPECT_EQ(L::enforceMinimum(QSize(5000, 9000), minimum), QSize(9150, 9000));
    EXPECT_EQ(L::enforceMinimum(QSize(9150, 7360), minimum), minimum);
}

TEST(TwipsScaleTest, FifteenTwipsAPixelAtNinetySixDpiAndFewerOnDenserScreens)
{
    const TwipsScale standard;
    EXPECT_EQ(standard.x(3015), 201);
    EXPECT_EQ(standard.y(420), 28);
    EXPECT_EQ(standard.x(4000), 267);
    EXPECT_EQ(standard.size(QSize(9150, 7360)), QSize(610, 491));
    const TwipsScale dense(144, 192);
    EXPECT_EQ(dense.x(3015), 302);
    EXPECT_EQ(dense.y(420), 56);

    // Parts designed edge to edge stay edge to edge after rounding.
    const QRect label = standard.rect(480, 2520, 1200, 195);
    const QRect time = standard.rect(1680, 2520, 705, 255);
    EXPECT_EQ(label.x() + label.width(), time.x());
}

// A main window built as the reader's: menu bar, client area holding the parts.
class WindowLayoutTest : public ::testing::Test
{
protected:
    WindowLayoutTest()
    {
        window.menuBar()->addMenu(QStringLiteral("&File"));
        auto *host = new QWidget;
        toolBar = new QWidget;
        toolBar->setFixedHeight(28);
        rt = new QTextEdit;
        frame = new QGroupBox(QStringLiteral("Speech"));
        auto *read = new QPushButton(QStringLiteral("Read All"), frame);
        read->setObjectName(QStringLiteral("readAllButton"));
        auto *label = new QLabel(QStringLiteral("Remaining Time:"), frame);
        label->setObjectName(QStringLiteral("remainingTimeLabel"));
        auto *value = new QLabel(QStringLiteral("00:00:00"), frame);
        value->setObjectName(QStringLiteral("remainingTime"));
        auto *shortCaption = new QLabel(QStringLiteral("T"), frame);
        shortCaption->setObjectName(QStringLiteral("totalTimeLabel"));
        curWord = new QLabel;
        playPosition = new QProgressBar;
        for (QWidget *part :
             {static_cast<QWidget *>(rt), static_cast<QWidget *>(frame),
              static_cast<QWidget *>(curWord), static_cast<QWidget *>(playPosition)})
            part->setParent(host);
        window.setCentralWidget(host);
        layout =
            new WindowLayout(&window, host, toolBar, rt, frame, curWord, playPosition, &window);
        layout->setPutInTray([this] { ++trips; });
        window.resize(900, 600);
        window.show();
        QApplication::processEvents();
    }

    QRect px(int left, int top, int width, int height) const
    {
        return layout->scale().rect(left, top, width, height);
    }

    QMainWindow window;
    QWidget *toolBar = nullptr;
    QTextEdit *rt = nullptr;
    QGroupBox *frame = nullptr;
    QLabel *curWord = nullptr;
    QProgressBar *playPosition = nullptr;
    WindowLayout *layout = nullptr;
    int trips = 0;
};
} // namespace

TEST_F(WindowLayoutTest, PartsFillTheClientAreaAsTheWindowChanges)
{
    const TwipsScale &scale = layout->scale();
    for (const QSize size : {QSize(900, 600), QSize(1500, 950), QSize(700, 520)}) {
        window.resize(size);
        QApplication::processEvents();
        const QSize client = window.centralWidget()->size();
        const int w = client.width();
        const int h = client.height();
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        EXPECT_EQ(toolBar->geometry(), QRect(0, 0, w, 28));
        EXPECT_EQ(playPosition->geometry(), QRect(0, h - scale.y(255), w, scale.y(255)));
        EXPECT_EQ(curWord->geometry(), QRect(0, h - scale.y(255) - scale.y(495), w, scale.y(495)));
        const int frameLeft = w - scale.x(3015) - scale.x(40);
        EXPECT_EQ(frame->geometry(), QRect(frameLeft, 28, scale.x(3015), curWord->y() - 28));
        EXPECT_EQ(rt->geometry(), QRect(0, 28, frameLeft - scale.x(60), frame->height()));
    }
    // The frame's controls stay at their places within it.
    EXPECT_EQ(frame->findChild<QWidget *>(QStringLiteral("readAllButton"))->geometry(),
              px(840, 3840, 1335, 375));
    // A caption whose text fits keeps its designed place and width.
    const QRect shortCaption =
        frame->findChild<QWidget *>(QStringLiteral("totalTimeLabel"))->geometry();
    EXPECT_EQ(shortCaption.x(), px(480, 2520, 1200, 195).x());
    EXPECT_EQ(shortCaption.width(), px(480, 2520, 1200, 195).width());
    EXPECT_EQ(shortCaption.y(), px(480, 2520, 1200, 195).y());
}

TEST_F(WindowLayoutTest, CaptionsInALargerFontAreNotCutOff)
{
    auto *caption = frame->findChild<QLabel *>(QStringLiteral("remainingTimeLabel"));
    auto *value = frame->findChild<QLabel *>(QStringLiteral("remainingTime"));
    QFont large = frame->font();
    large.setPointSize(14);
    frame->setFont(large);
    delete layout;
    layout = new WindowLayout(&window, window.centralWidget(), toolBar, rt, frame, curWord,
                              playPosition, &window);

    const QRect design = px(480, 3000, 1200, 195);
    EXPECT_EQ(caption->pos(), design.topLeft());
    EXPECT_EQ(value->y(), px(1740, 3000, 705, 255).y());
    EXPECT_GE(caption->width(), caption->sizeHint().width());
    EXPECT_GE(caption->height(), caption->sizeHint().height());
    EXPECT_GT(value->x(), caption->geometry().right());
    EXPECT_GE(value->width(), value->sizeHint().width());
    auto *read = frame->findChild<QPushButton *>(QStringLiteral("readAllButton"));
    EXPECT_GE(read->width(), read->sizeHint().width());
    EXPECT_NEAR(read->geometry().center().x(), px(840, 3840, 1335, 375).center().x(), 1);
}

TEST_F(WindowLayoutTest, WindowSpringsBackToTheMinimumSize)
{
    const QSize minimum = layout->minimumOuterSize();
    const QSize frameMargins = window.frameGeometry().size() - window.size();
    window.resize(200, 150);
    QApplication::processEvents();
    layout->relayout();
    EXPECT_EQ(window.size() + frameMargins, minimum);
    // The client area and the parts follow the size the window sprang back to.
    EXPECT_EQ(window.centralWidget()->geometry().bottom(), window.height() - 1);
    EXPECT_EQ(playPosition->geometry().bottom(), window.centralWidget()->height() - 1);
    window.resize(minimum.width() + 300, 100);
    QApplication::processEvents();
    layout->relayout();
    EXPECT_EQ(window.width(), minimum.width() + 300);
    EXPECT_EQ(window.height() + frameMargins.height(), minimum.height());
}

TEST_F(WindowLayoutTest, MinimizingGoesToTheNotificationArea)
{
    EXPECT_EQ(trips, 0);
    window.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_EQ(trips, 1);
}
