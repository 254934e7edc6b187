#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The argument recorder (recorder/ArgvRecorderMain.cpp) as a program that tests start.
namespace StartedProgram {

// Copies the recorder to `path` (creating its folder), ready to run.
bool install(const QString &path);

// Waits until a recorder started in `folder` has written down its arguments and returns
// them; nothing when no recorder reported there.
std::optional<QStringList> arguments(const QString &folder);

} // namespace StartedProgram
