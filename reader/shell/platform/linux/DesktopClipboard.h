#pragma once

#include "ClipboardSource.h"

// The clipboard through Qt. Contents that a password manager marks as secret (the
// "x-kde-passwordManagerHint" format holding "secret") are reported as concealed.
class DesktopClipboard : public ClipboardSource
{
public:
    Contents read() override;
};
