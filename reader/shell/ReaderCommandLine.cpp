#include "ReaderCommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#ifndef PARLANCE_VERSION
#define PARLANCE_VERSION ""
#endif

namespace {
const QString Startup = QStringLiteral("-startup");
const QString Install = QStringLiteral("-install");
const QString Program = QStringLiteral("parlance");

// A switch in any letter case, with one dash or two.
bool isSwitch(const QString &argument, const QString &name)
{
    return argument.compare(name, Qt::CaseInsensitive) == 0 ||
           argument.compare(u'-' + name, Qt::CaseInsensitive) == 0;
}
} // namespace

ReaderCommandLine ReaderCommandLine::parse(const QStringList &arguments, bool refuseUnknown)
{
    ReaderCommandLine line;
    qsizetype install = -1;
    for (qsizetype i = 0; i < arguments.size() && install < 0; ++i) {
        if (isSwitch(arguments.at(i), Install))
            install = i;
    }

    QCommandLineParser parser;
    // "-startup" is one word, as it has always been written.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Reads documents, copied text and dialog boxes aloud."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption startup(
        Startup.mid(1),
        QStringLiteral("Start hidden, with only the icon in the notification area."));
    parser.addOption(startup);
    // Listed for the help; the parser never sees it, since the voice's name follows it.
    parser.addOption(QCommandLineOption(
        Install.mid(1), QStringLiteral("Install the named voice for the reader and end."),
        QStringLiteral("voice")));
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A document to open; the first one is opened."),
                                 QStringLiteral("[file...]"));

    QStringList words{Program};
    for (const QString &argument : arguments.mid(0, install < 0 ? arguments.size() : install))
        words << (isSwitch(argument, Startup) ? Startup : argument);
    const bool parsed = parser.parse(words);

    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        line.m_action = PrintHelp;
        // The parser names the program by its path only once the application exists.
        const QString text = parser.helpText();
        line.m_output = QStringLiteral("Usage: %1 [options] [file...]\n").arg(Program) +
                        text.mid(text.indexOf(u'\n') + 1);
        return line;
    }
    if (parser.isSet(version)) {
        line.m_action = PrintVersion;
        line.m_output = QStringLiteral("%1 %2\n").arg(Program, QStringLiteral(PARLANCE_VERSION));
        return line;
    }
    // Qt's own options are written with one dash; before the application has taken them
    // out, only the two-dash kind is surely a mistake.
    bool mistaken = !parsed && refuseUnknown;
    for (const QString &name : parser.unknownOptionNames())
        mistaken = mistaken || words.contains(QStringLiteral("--") + name);
    if (mistaken) {
        line.m_action = Refuse;
        line.m_output = QStringLiteral("%1: %2\nTry \"%1 --help\" for more information.\n")
                            .arg(Program, parser.errorText());
        return line;
    }
    if (install >= 0) {
        // Written with two dashes, the switch reads as the one-dash word it stands for.
        QStringList switches = arguments;
        if (switches[install].startsWith(QStringLiteral("--")))
            switches[install].remove(0, 1);
        line.m_switches = switches.join(u' ');
        return line;
    }
    if (parser.isSet(startup))
        line.m_switches = Startup;
    line.m_files = parser.positionalArguments();
    return line;
}
