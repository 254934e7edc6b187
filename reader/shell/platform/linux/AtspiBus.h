#pragma once

// The process's one connection to the desktop's accessibility bus through libatspi.
//
// libatspi keeps its state in globals and hooks its bus connections into the default GLib
// main context, which the UI thread runs; it cannot be used from a second thread. So every
// query is made on the UI thread, each with a short timeout. Connecting could mean waiting
// for the bus to be started, so the bus is first looked up without waiting, over Qt's own
// session-bus connection, and libatspi connects only once the bus is known to be there.
class AtspiBus
{
public:
    // How long one call may wait for a program's answer.
    static constexpr int CallTimeoutMs = 300;

    // Whether libatspi is connected and may be called now (UI thread only). The first call
    // starts looking for the bus and answers false until it is connected; after a failure
    // it looks again a while later.
    static bool ready();
    // The bus stopped answering (it was restarted, say): connect anew a while later.
    static void lost();
};
