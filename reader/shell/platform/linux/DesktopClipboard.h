#pragma once

#include "ClipboardSource.h"

// The clipboard through Qt. Contents that a password manager marks as secret (the
// "x-kde-passwordManagerHint" format holding "secret") are reported as concealed. A Wayland
// compositor offers the clipboard only to the client in focus; X11, XWayland included,
// tells every client of a new owner.
class DesktopClipboard : public ClipboardSource
{
public:
    Contents read() override;
    bool seesCopiesInBackground() const override;
};
