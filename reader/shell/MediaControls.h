#pragma once

#include <QString>
#include <functional>

// The desktop's media controls (panel media widgets, media keys, command-line players'
// remotes): what the reader tells them about the reading, and the commands they send back.
// Each platform publishes the reader to its own media service.
class MediaControls
{
public:
    enum class Status { Stopped, Playing, Paused };

    struct State
    {
        Status status = Status::Stopped;
        QString title; // the document's name
        bool canPlay = false;
        bool canPause = false;

        bool operator==(const State &) const = default;
    };

    // Run on the UI thread when the desktop asks for them.
    struct Commands
    {
        std::function<void()> play;
        std::function<void()> pause;
        std::function<void()> playPause;
        std::function<void()> stop;
        std::function<void()> raise; // show the main window
    };

    virtual ~MediaControls() = default;

    // Tells the desktop how the reading stands now.
    virtual void publish(const State &state) = 0;
};
