#include "MainWindowLayout.h"

const QRect MainWindowLayout::DesignDocument(0, 480, 6975, 4935);
const QRect MainWindowLayout::DesignFrame(9000, 360, 3015, 5895);
const QRect MainWindowLayout::DesignCurWord(0, 5880, 9255, 495);
const QRect MainWindowLayout::DesignPlayPosition(0, 6480, 9255, 255);

const std::array<MainWindowLayout::FrameControl, 16> MainWindowLayout::FrameControls = {{
    {"speedLabel", QRect(360, 320, 465, 195)},
    {"speedSlider", QRect(360, 560, 2295, 375)},
    {"volumeLabel", QRect(360, 1005, 525, 195)},
    {"volumeSlider", QRect(360, 1240, 2295, 375)},
    {"voiceLabel", QRect(120, 1800, 930, 195)},
    {"voiceList", QRect(120, 2040, 2775, 315)},
    {"totalTimeLabel", QRect(480, 2520, 1200, 195)},
    {"totalTime", QRect(1740, 2520, 705, 255)},
    {"elapsedTimeLabel", QRect(480, 2760, 1200, 195)},
    {"elapsedTime", QRect(1740, 2760, 705, 255)},
    {"remainingTimeLabel", QRect(480, 3000, 1200, 195)},
    {"remainingTime", QRect(1740, 3000, 705, 255)},
    {"readSelectionButton", QRect(840, 3360, 1335, 375)},
    {"readAllButton", QRect(840, 3840, 1335, 375)},
    {"stopPauseButton", QRect(840, 4320, 1335, 375)},
    {"moreVoicesLink", QRect(240, 4800, 2655, 495)},
}};

const std::array<MainWindowLayout::CaptionRow, 3> MainWindowLayout::TimeRows = {{
    {"totalTimeLabel", "totalTime"},
    {"elapsedTimeLabel", "elapsedTime"},
    {"remainingTimeLabel", "remainingTime"},
}};

MainWindowLayout::Placement MainWindowLayout::arrange(const QSize &client, const Kept &kept)
{
    const int width = client.width();
    const int height = client.height();
    Placement p;
    p.playPosition = QRect(0, height - kept.playPositionHeight, width, kept.playPositionHeight);
    p.curWord = QRect(0, p.playPosition.top() - kept.curWordHeight, width, kept.curWordHeight);
    p.frame = QRect(width - kept.frameWidth - kept.frameMargin, kept.toolBarHeight, kept.frameWidth,
                    p.curWord.top() - kept.toolBarHeight);
    p.document = QRect(0, kept.toolBarHeight, p.frame.left() - kept.documentGap, p.frame.height());
    return p;
}

QSize MainWindowLayout::enforceMinimum(const QSize &outer, const QSize &minimum)
{
    return QSize(outer.width() < minimum.width() ? minimum.width() : outer.width(),
                 outer.height() < minimum.height() ? minimum.height() : outer.height());
}
