#pragma once

// Forwards the main window's one call until it includes ConversionLauncher.h itself; goes
// away with the rename of the main window.
#include "ConversionLauncher.h"

namespace modConvert {
inline void mnuConvert_Click(const ConversionRequest &request, QWidget *parent = nullptr)
{
    ConversionLauncher::askAndConvert(request, parent);
}
} // namespace modConvert
