#pragma once

// Which display system the reader asks Qt for. In a Wayland session with XWayland the
// reader runs through XWayland: there, as on X11, it is told of text copied in other
// programs while its window is in the background, and its single-instance hand-over and
// tray behave as on X11, none of which a Wayland compositor grants a client that is not in
// focus. A choice the user made (QT_QPA_PLATFORM, "-platform") stands, and where XWayland
// does not answer Qt falls back to Wayland itself.
namespace DisplayChoice {

// Before the application object is made.
void choose(int argc, char **argv);
// After it is made: the choice is taken back out of the environment, so that the programs
// the reader starts (the converter, the help browser) choose their own.
void chosen();

} // namespace DisplayChoice
