#include "CommandOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <exception>

namespace {

CommandOpenerPlatform::OpenCall &installedOpen()
{
    static CommandOpenerPlatform::OpenCall call;
    return call;
}

CommandOpenerPlatform::RunCall &installedRun()
{
    static CommandOpenerPlatform::RunCall call;
    return call;
}

int callOpen(const QString &verb, const QString &file, const QString &parameters,
             const QString &directory, int showStyle)
{
    if (installedOpen())
        return installedOpen()(verb, file, parameters, directory, showStyle);
    return CommandOpenerPlatform::desktopOpen(verb, file, parameters, directory, showStyle);
}

bool callRun(const QString &commandLine, int showStyle)
{
    if (installedRun())
        return installedRun()(commandLine, showStyle);
    return CommandOpenerPlatform::desktopRun(commandLine, showStyle);
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QDir::separator();
}

// A scheme of two letters or more: "C:" is a drive, not an address.
bool isWebAddress(const QString &text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

bool hasSeparator(const QString &text)
{
    for (QChar c : text) {
        if (isSeparator(c))
            return true;
    }
    return false;
}

// The existing file or folder that `file` names: as given when absolute, else in `directory`
// or the current folder, else (a bare name) a program on the search path. Empty when none.
QString resolve(const QString &file, const QString &directory)
{
    const QFileInfo given(file);
    if (given.isAbsolute())
        return given.exists() ? given.absoluteFilePath() : QString();
    for (const QString &base : {directory, QDir::currentPath()}) {
        if (base.isEmpty())
            continue;
        const QFileInfo candidate(QDir(base), file);
        if (candidate.exists())
            return candidate.absoluteFilePath();
    }
    if (!hasSeparator(file))
        return QStandardPaths::findExecutable(file);
    return {};
}

bool isProgram(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// The arguments travel as one argument so that the started program sees the command-line
// string exactly as it was built.
bool startProgram(const QString &program, const QString &arguments, const QString &directory)
{
    QProcess process;
    process.setProgram(program);
    if (!arguments.isEmpty())
        process.setArguments({arguments});
    process.setWorkingDirectory(directory);
    return process.startDetached();
}

QString withoutLeadingSpaces(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

} // namespace

int openCommand(QString &command, int showStyle, const QString &workDir)
{
    // Positions below count from 1: p is where the arguments begin, one past the program.
    qsizetype p = 0;
    if (command.startsWith(QLatin1Char('"'))) {
        const qsizetype closing = command.indexOf(QLatin1Char('"'), 1);
        if (closing > 0) {
            command = command.mid(1, closing - 1) + command.mid(closing + 1);
            p = closing;
        }
    } else {
        p = command.indexOf(QLatin1Char(' ')) + 1;
    }
    if (p == 0)
        p = command.size() + 1;

    const QString program = command.left(p - 1);
    const QString arguments = withoutLeadingSpaces(command.mid(p - 1));

    QString directory = workDir;
    if (directory.isEmpty()) {
        qsizetype i = 0;
        if (!isWebAddress(program)) {
            for (qsizetype j = p - 1; j >= 1 && i == 0; --j) {
                if (isSeparator(command.at(j - 1)))
                    i = j;
            }
        }
        if (i == 0)
            directory = QDir::currentPath();
        else if (i == 1 || command.at(i - 2) == QLatin1Char(':'))
            directory = command.left(i); // a root folder keeps its separator
        else
            directory = command.left(i - 1);
    }

    int result = 0;
    try {
        result = callOpen(QString(), program, arguments, directory, showStyle);
    } catch (const std::exception &) {
        result = 0;
    }
    if (result >= 32)
        return result;

    // A path with a space was split at the space above; as a whole it may open.
    try {
        result = callOpen(QStringLiteral("Open"), command, QString(), QString(),
                          CommandOpenerPlatform::ShowAsIs);
    } catch (const std::exception &) {
    }
    if (result >= 32)
        return result;
    try {
        callRun(command, showStyle);
    } catch (const std::exception &) {
    }
    return result;
}

namespace CommandOpenerPlatform {

void setOpenCall(OpenCall call)
{
    installedOpen() = std::move(call);
}

void setRunCall(RunCall call)
{
    installedRun() = std::move(call);
}

// There is no window-show state to hand to a started program or to the desktop's opener,
// so showStyle has no effect here.
int desktopOpen(const QString &, const QString &file, const QString &parameters,
                const QString &directory, int)
{
    if (file.isEmpty())
        return FileNotFound;
    if (isWebAddress(file))
        return QDesktopServices::openUrl(QUrl(file)) ? Started : NoAssociation;

    const QString folder = directory.isEmpty() ? QDir::currentPath() : directory;
    const QString path = resolve(file, folder);
    if (path.isEmpty()) {
        const QFileInfo given(QDir(folder), file);
        return given.dir().exists() ? FileNotFound : PathNotFound;
    }
    if (isProgram(path)) {
        if (!QFileInfo(folder).isDir())
            return PathNotFound;
        return startProgram(path, parameters, folder) ? Started : AccessDenied;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? Started : NoAssociation;
}

bool desktopRun(const QString &commandLine, int)
{
    // As a command line is started without a shell: a quoted program name, or else the
    // shortest part up to a space that names a program, so that an unquoted path with
    // spaces still starts; the rest is the argument string.
    const QString line = withoutLeadingSpaces(commandLine);
    if (line.startsWith(QLatin1Char('"'))) {
        const qsizetype closing = line.indexOf(QLatin1Char('"'), 1);
        const QString name = closing > 0 ? line.mid(1, closing - 1) : line.mid(1);
        const QString path = resolve(name, QString());
        if (path.isEmpty() || !isProgram(path))
            return false;
        const QString rest = closing > 0 ? line.mid(closing + 1) : QString();
        return startProgram(path, withoutLeadingSpaces(rest), QDir::currentPath());
    }
    for (qsizetype end = 0; end <= line.size(); ++end) {
        if (end < line.size() && line.at(end) != QLatin1Char(' '))
            continue;
        const QString name = line.left(end);
        if (name.isEmpty())
            continue;
        const QString path = resolve(name, QString());
        if (!path.isEmpty() && isProgram(path))
            return startProgram(path, withoutLeadingSpaces(line.mid(end)), QDir::currentPath());
    }
    return false;
}

} // namespace CommandOpenerPlatform
