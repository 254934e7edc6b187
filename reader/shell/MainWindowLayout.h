#pragma once

#include <QRect>
#include <QSize>
#include <array>

// The arithmetic of the main window's layout, free of widgets: the toolbar across the top,
// the document on the left, the "Speech" frame on the right, the current word and the
// progress bar across the bottom. Lengths are in whatever unit the caller uses throughout
// (twips for the design, pixels on screen).
class MainWindowLayout
{
public:
    // The design, in twips.
    static constexpr int DesignClientWidth = 12030;
    static constexpr int DesignClientHeight = 6750;
    static constexpr int DesignToolBarHeight = 420;
    static const QRect DesignDocument;
    static const QRect DesignFrame;
    static const QRect DesignCurWord;
    static const QRect DesignPlayPosition;
    static constexpr int MinimumOuterWidth = 9150;
    static constexpr int MinimumOuterHeight = 7360;
    // Between the frame and the right edge, and between the document and the frame.
    static constexpr int FrameMargin = 40;
    static constexpr int DocumentGap = 60;

    struct FrameControl
    {
        const char *name;
        QRect design; // within the frame, in twips
    };
    // The controls of the frame at their places within it, top to bottom.
    static const std::array<FrameControl, 16> FrameControls;
    // The rows of the time labels: caption on the left, value on the right.
    struct CaptionRow
    {
        const char *caption;
        const char *value;
    };
    static const std::array<CaptionRow, 3> TimeRows;

    // What the layout keeps of the parts as they are.
    struct Kept
    {
        int toolBarHeight = DesignToolBarHeight;
        int curWordHeight = 495;
        int playPositionHeight = 255;
        int frameWidth = 3015;
        int frameMargin = FrameMargin;
        int documentGap = DocumentGap;
    };

    struct Placement
    {
        QRect playPosition;
        QRect curWord;
        QRect frame;
        QRect document;
    };

    // Places the parts in a client area of `client`. Widths and heights come out negative
    // when the client area is too small for them; the caller leaves such a part alone.
    static Placement arrange(const QSize &client, const Kept &kept);

    // The outer size a window of outer size `outer` must take to respect `minimum`:
    // each dimension below its minimum is raised to it, the other kept.
    static QSize enforceMinimum(const QSize &outer, const QSize &minimum);
};
