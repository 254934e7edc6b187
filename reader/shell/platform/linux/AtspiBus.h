#pragma once

// The process's one connection to the desktop's accessibility bus through libatspi.
//
// libatspi keeps its state in globals and hooks its bus connections into the default GLib
// main context, which the UI thread runs; calling it from a second thread would race with
// that. So every query is made on the UI thread, each with a short timeout, and only the
// connecting, which may wait for the bus to be started, runs on a thread of its own.
class AtspiBus
{
public:
    // How long one call may wait for a program's answer.
    static constexpr int CallTimeoutMs = 300;

    // Whether libatspi is connected and may be called now (UI thread only). The first call
    // starts connecting in the background and answers false until that has finished; after
    // a failure it tries again a while later.
    static bool ready();
};
