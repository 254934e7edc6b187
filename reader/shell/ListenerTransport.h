#pragma once

#include "CopyDataRecord.h"

#include <functional>

// The channel of the single-instance handshake: the running reader's listener (named
// "LarkTTS Listener") on one side, a second start on the other. Each platform carries the
// copy-data record its own way; both sides of one platform use the same backend.
class ListenerTransport
{
public:
    using Handler = std::function<void(const CopyDataRecord &)>;

    static inline const QString ListenerName = QStringLiteral("LarkTTS Listener");

    virtual ~ListenerTransport() = default;

    // Receiver: starts delivering every record that arrives to `handler`, on the UI thread.
    // False when the listener could not be set up (another reader listens already, or the
    // platform refused).
    virtual bool hook(Handler handler) = 0;
    // Receiver: stops listening; records that are on their way are dropped.
    virtual void unhook() = 0;
    virtual bool isHooked() const = 0;

    // Sender: delivers `record` to the running reader's listener and returns once that
    // reader has handled it. False when no listener exists or it did not answer.
    virtual bool send(const CopyDataRecord &record) = 0;
};
