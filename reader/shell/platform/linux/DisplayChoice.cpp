#include "DisplayChoice.h"

#include <QByteArray>
#include <cstring>

namespace {
const char *const PlatformVariable = "QT_QPA_PLATFORM";
bool s_set = false;

bool waylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
}
} // namespace

namespace DisplayChoice {

void choose(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty(PlatformVariable) || !waylandSession() ||
        qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return;
    }
    qputenv(PlatformVariable, QByteArrayLiteral("xcb;wayland"));
    s_set = true;
}

void chosen()
{
    if (s_set)
        qunsetenv(PlatformVariable);
    s_set = false;
}

} // namespace DisplayChoice
