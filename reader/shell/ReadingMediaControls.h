#pragma once

#include "MediaControls.h"

#include <QObject>
#include <memory>
#include <optional>

class DocumentCommands;
class QPushButton;
class QTextEdit;
class ReaderShell;
class ReadingController;

// The main window's reading as the desktop's media controls see it. Their commands press
// the window's own buttons: play is Read All, or Continue where a stopped reading offers it;
// pause and stop are Stop / Pause. The published state follows the same buttons, and the
// title is the document's name.
class ReadingMediaControls : public QObject
{
    Q_OBJECT
public:
    // The parts of the main window it follows and presses; they outlive this object, which
    // the window owns (`parent`).
    struct Window
    {
        QTextEdit *document = nullptr;
        QPushButton *readAllButton = nullptr;
        QPushButton *stopPauseButton = nullptr;
        QPushButton *readSelectionButton = nullptr;
        ReadingController *reading = nullptr;
        DocumentCommands *documents = nullptr;
    };

    ReadingMediaControls(const Window &window, ReaderShell &shell, QObject *parent);
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

    Window m_window;
    std::unique_ptr<MediaControls> m_controls;
    std::optional<MediaControls::State> m_published;
};
