#pragma once

#include <QString>
#include <QStringList>

// The reader's command line as the user types it: --help and --version print and end the
// program without a window; "-startup" and "-install <voice token>" are the reader's own
// switches, written as whole arguments in any letter case; every other argument names a
// file (a name that merely holds "-install" is a file like any other). An install takes
// the whole line, since a voice token name may hold spaces.
class ReaderCommandLine
{
public:
    enum Action { Run, PrintHelp, PrintVersion, Refuse };

    // `arguments` without the program's name. Options this program does not know are
    // refused only when `refuseUnknown` (Qt's own options are still present before the
    // application object has taken them out).
    static ReaderCommandLine parse(const QStringList &arguments, bool refuseUnknown = true);

    Action action() const { return m_action; }
    // The text to print for PrintHelp and PrintVersion (standard output) and for Refuse
    // (standard error).
    const QString &output() const { return m_output; }
    // The switches as one string, in the form the start-up reads them.
    const QString &switches() const { return m_switches; }
    // The files named, as given.
    const QStringList &files() const { return m_files; }

private:
    Action m_action = Run;
    QString m_output;
    QString m_switches;
    QStringList m_files;
};
