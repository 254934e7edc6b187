#pragma once

#include "MediaControls.h"

#include <QObject>
#include <memory>
#include <optional>

class ReaderShell;
class MainWindow;

// The main window's reading as the desktop's media controls see it. Their commands press
// the window's own buttons: play is Read All, or Continue where a stopped reading offers it;
// pause and stop are Stop / Pause. The published state follows the same buttons, and the
// title is the document's name.
class ReadingMediaControls : public QObject
{
    Q_OBJECT
public:
    ReadingMediaControls(MainWindow &window, ReaderShell &shell);
    ~ReadingMediaControls() override;

    MediaControls::State state() const;

    void play();
    void pause();
    void playPause();
    void stop();

private:
    bool playing() const;
    bool continueOffered() const;
    void update();

    MainWindow &m_window;
    std::unique_ptr<MediaControls> m_controls;
    std::optional<MediaControls::State> m_published;
};
