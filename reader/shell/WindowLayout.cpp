#include "WindowLayout.h"

#include "MainWindowLayout.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QWidget>

namespace {
void adopt(QWidget *host, QWidget *part)
{
    if (!part)
        return;
    if (part->parentWidget() != host)
        part->setParent(host);
    // Sizes set for some other arrangement would fight the placement.
    part->setMinimumSize(0, 0);
    part->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    part->show();
}

void placeIfValid(QWidget *part, const QRect &rect)
{
    // A part the client area is too small for keeps its last place.
    if (part && rect.width() >= 0 && rect.height() >= 0)
        part->setGeometry(rect);
}
} // namespace

WindowLayout::WindowLayout(QWidget *window, QWidget *host, QWidget *toolBar, QWidget *rt,
                           QWidget *frame, QWidget *curWord, QWidget *playPosition, QObject *parent)
    : QObject(parent), m_window(window), m_host(host), m_toolBar(toolBar), m_rt(rt), m_frame(frame),
      m_curWord(curWord), m_playPosition(playPosition), m_scale(TwipsScale::forWidget(window))
{
    for (QWidget *part : {m_rt.data(), m_frame.data(), m_curWord.data(), m_playPosition.data()})
        adopt(m_host, part);
    if (m_toolBar) {
        // The toolbar keeps the height it chose for itself.
        if (m_toolBar->parentWidget() != m_host)
            m_toolBar->setParent(m_host);
        m_toolBar->show();
        m_toolBar->move(0, 0);
    }

    // Design places first: the layout keeps these heights and the frame's width.
    if (m_rt)
        m_rt->setGeometry(m_scale.rect(MainWindowLayout::DesignDocument));
    if (m_frame)
        m_frame->setGeometry(m_scale.rect(MainWindowLayout::DesignFrame));
    if (m_curWord)
        m_curWord->setGeometry(m_scale.rect(MainWindowLayout::DesignCurWord));
    if (m_playPosition)
        m_playPosition->setGeometry(m_scale.rect(MainWindowLayout::DesignPlayPosition));
    placeFrameControls();

    m_host->installEventFilter(this);
    if (m_window)
        m_window->installEventFilter(this);
    relayout();
}

void WindowLayout::placeFrameControls()
{
    if (!m_frame)
        return;
    for (const auto &control : MainWindowLayout::FrameControls) {
        auto *widget = m_frame->findChild<QWidget *>(QString::fromLatin1(control.name),
                                                     Qt::FindDirectChildrenOnly);
        if (!widget)
            continue;
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        widget->setGeometry(m_scale.rect(control.design));
    }
    fitCaptions();
}

void WindowLayout::fitCaptions()
{
    // The places were drawn for a small 8-point font. A caption in a larger font keeps its
    // place but takes the room its text needs, so that no word is cut off; the time values
    // move right just as far as their captions need. Text starts at the top of its place, so
    // that a caption and its value line up however tall each was drawn.
    const auto child = [this](const char *name) {
        return m_frame->findChild<QLabel *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    for (const auto &control : MainWindowLayout::FrameControls) {
        QLabel *label = child(control.name);
        if (!label || label->wordWrap())
            continue;
        label->setAlignment((label->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
        const QSize needed = label->sizeHint();
        label->resize(std::max(label->width(), needed.width()),
                      std::max(label->height(), needed.height()));
    }
    // The reading buttons stay one column of equal buttons, widened about their middle.
    QList<QPushButton *> buttons;
    int buttonWidth = 0;
    for (const auto &control : MainWindowLayout::FrameControls) {
        auto *button = m_frame->findChild<QPushButton *>(QString::fromLatin1(control.name),
                                                         Qt::FindDirectChildrenOnly);
        if (!button)
            continue;
        buttons << button;
        buttonWidth = std::max({buttonWidth, button->width(), button->sizeHint().width()});
    }
    for (QPushButton *button : std::as_const(buttons)) {
        const int middle = button->geometry().center().x();
        QRect rect = button->geometry();
        rect.setWidth(buttonWidth);
        rect.moveCenter(QPoint(middle, rect.center().y()));
        button->setGeometry(rect);
    }

    int valueLeft = 0;
    for (const auto &row : MainWindowLayout::TimeRows) {
        if (const QLabel *caption = child(row.caption))
            valueLeft = std::max(valueLeft, caption->geometry().right() + 1 + m_scale.x(60));
    }
    for (const auto &row : MainWindowLayout::TimeRows) {
        if (QLabel *value = child(row.value))
            value->move(std::max(value->x(), valueLeft), value->y());
    }
}

QSize WindowLayout::minimumOuterSize() const
{
    return m_scale.size(
        QSize(MainWindowLayout::MinimumOuterWidth, MainWindowLayout::MinimumOuterHeight));
}

void WindowLayout::relayout()
{
    if (!m_window || !m_host)
        return;
    if (m_window->isMinimized() && m_putInTray)
        m_putInTray();

    // The minimum counts the frame and title bar, which the window system adds around the
    // size Qt sets.
    const QSize before = m_window->size();
    const QSize frame = m_window->frameGeometry().size() - before;
    const QSize minimumOuter = minimumOuterSize();
    m_window->setMinimumSize((minimumOuter - frame).expandedTo(QSize(0, 0)));
    if (!(m_window->windowState() &
          (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QSize outer = m_window->size() + frame;
        const QSize wanted = MainWindowLayout::enforceMinimum(outer, minimumOuter);
        if (wanted != outer)
            m_window->resize(wanted - frame);
    }
    if (m_window->size() != before) {
        // Qt takes a size it sets itself at once, so the window system's confirmation of it
        // brings no resize event: the window's own layout (menu bar, client area) is brought
        // up to it here, or the client area would keep the smaller size.
        if (QLayout *own = m_window->layout())
            own->setGeometry(m_window->rect());
    }

    MainWindowLayout::Kept kept;
    kept.toolBarHeight = m_toolBar ? m_toolBar->height() : 0;
    kept.curWordHeight = m_curWord ? m_curWord->height() : 0;
    kept.playPositionHeight = m_playPosition ? m_playPosition->height() : 0;
    kept.frameWidth = m_frame ? m_frame->width() : 0;
    kept.frameMargin = m_scale.x(MainWindowLayout::FrameMargin);
    kept.documentGap = m_scale.x(MainWindowLayout::DocumentGap);

    const QSize client = m_host->size();
    if (m_toolBar)
        placeIfValid(m_toolBar, QRect(0, 0, client.width(), kept.toolBarHeight));
    const auto placement = MainWindowLayout::arrange(client, kept);
    placeIfValid(m_playPosition, placement.playPosition);
    placeIfValid(m_curWord, placement.curWord);
    placeIfValid(m_frame, placement.frame);
    placeIfValid(m_rt, placement.document);
}

bool WindowLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && event->type() == QEvent::Resize)
        relayout();
    else if (watched == m_window && event->type() == QEvent::WindowStateChange &&
             m_window->isMinimized())
        relayout();
    return false;
}
