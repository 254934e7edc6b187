#pragma once

#include <QString>
#include <functional>

// The reader's one way of starting another program or opening a file or web address with
// the program the desktop associates with it.
//
// `command` is a file, a web address, or a program followed by its arguments. A program path
// that contains spaces goes in double quotes; the quotes are taken off the caller's string.
// The arguments reach a started program as one command-line string: here that is a single
// argument, never split, so that a parameter string with spaces arrives whole. Nothing goes
// through a shell.
//
// Three attempts are made: the program with its arguments in the working folder (given, or
// the program's own folder); then the whole command opened as one file or address; then the
// whole command run as a command line. Returns the result code of the open call (32 and
// above mean success). Failures are silent: callers ignore the result.
int openCommand(QString &command, int showStyle, const QString &workDir = QString());

// The platform calls behind openCommand, replaceable so that tests can see what would be
// started without starting it.
namespace CommandOpenerPlatform {

// Result codes of the open call.
constexpr int Started = 42;
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int AccessDenied = 5;
constexpr int NoAssociation = 31;

// Window-show codes: every caller asks for a normal window; the retry shows the window as
// it is.
constexpr int ShowNormal = 1;
constexpr int ShowAsIs = 5;

// `verb` is empty for the default action or "Open"; `file` a program, a document, a folder
// or a web address; `parameters` go to a program only; an empty `directory` means the
// current folder. Returns a result code.
using OpenCall =
    std::function<int(const QString &verb, const QString &file, const QString &parameters,
                      const QString &directory, int showStyle)>;
// Runs a whole command line as a program; returns whether it started.
using RunCall = std::function<bool(const QString &commandLine, int showStyle)>;

// Installs replacements; an empty function restores the desktop's own.
void setOpenCall(OpenCall call);
void setRunCall(RunCall call);

// The desktop's own calls.
int desktopOpen(const QString &verb, const QString &file, const QString &parameters,
                const QString &directory, int showStyle);
bool desktopRun(const QString &commandLine, int showStyle);

} // namespace CommandOpenerPlatform
