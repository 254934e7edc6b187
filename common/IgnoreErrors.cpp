#include "IgnoreErrors.h"

#include <exception>

bool ignoreErrors(const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}
