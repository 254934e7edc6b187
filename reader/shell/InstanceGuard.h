#pragma once

// The previous-instance test: whether a reader of the same user is already running.
class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;

    // True when another reader is running. When none is, the call claims the place for this
    // process, so that later starts see this one, and keeps it for the process's lifetime.
    virtual bool previousInstance() = 0;
};
