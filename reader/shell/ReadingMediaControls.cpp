#include "ReadingMediaControls.h"

#include "DocumentCommands.h"
#include "ReaderShell.h"
#include "ReadingController.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>

namespace {
const QString ContinueCaption = QStringLiteral("Continue");
} // namespace

ReadingMediaControls::ReadingMediaControls(const Window &window, ReaderShell &shell,
                                           QObject *parent)
    : QObject(parent), m_window(window)
{
    MediaControls::Commands commands;
    commands.play = [this] { play(); };
    commands.pause = [this] { pause(); };
    commands.playPause = [this] { playPause(); };
    commands.stop = [this] { stop(); };
    commands.raise = [&shell] { shell.showMainWindow(); };
    m_controls = shell.createMediaControls(std::move(commands));

    connect(window.reading, &ReadingController::readingChanged, this,
            &ReadingMediaControls::update);
    connect(window.documents, &DocumentCommands::currentFileChanged, this,
            &ReadingMediaControls::update);
    connect(window.document, &QTextEdit::textChanged, this, &ReadingMediaControls::update);
    update();
}

ReadingMediaControls::~ReadingMediaControls() = default;

bool ReadingMediaControls::playing() const
{
    // Stop / Pause is offered exactly while a reading is under way.
    return m_window.stopPauseButton->isEnabled();
}

bool ReadingMediaControls::continueOffered() const
{
    return m_window.readSelectionButton->isEnabled() &&
           m_window.readSelectionButton->text() == ContinueCaption;
}

MediaControls::State ReadingMediaControls::state() const
{
    MediaControls::State state;
    if (playing())
        state.status = MediaControls::Status::Playing;
    else if (continueOffered())
        state.status = MediaControls::Status::Paused;
    const QString file = m_window.documents->currentFile();
    state.title = file.isEmpty() ? DocumentCommands::UntitledName : QFileInfo(file).fileName();
    // Players ask whether the reading as such can be played and paused, whatever it does
    // now: a reading under way or stopped half-way can be both.
    const bool underWay = state.status != MediaControls::Status::Stopped;
    state.canPause = underWay;
    state.canPlay = underWay || (m_window.readAllButton->isEnabled() &&
                                 !m_window.document->document()->isEmpty());
    return state;
}

void ReadingMediaControls::play()
{
    if (playing())
        return;
    if (continueOffered())
        m_window.readSelectionButton->click();
    else
        m_window.readAllButton->click();
}

void ReadingMediaControls::pause()
{
    m_window.stopPauseButton->click();
}

void ReadingMediaControls::playPause()
{
    if (playing())
        pause();
    else
        play();
}

void ReadingMediaControls::stop()
{
    // The window has one button for both: it stops and offers to continue.
    m_window.stopPauseButton->click();
}

void ReadingMediaControls::update()
{
    if (!m_controls)
        return;
    const MediaControls::State now = state();
    if (m_published == now)
        return;
    m_published = now;
    m_controls->publish(now);
}
