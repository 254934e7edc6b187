#include "StartedProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace StartedProgram {

bool install(const QString &path)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           QFile::copy(QStringLiteral(PARLANCE_ARGV_RECORDER), path);
}

std::optional<QStringList> arguments(const QString &folder)
{
    const QString report = QDir(folder).filePath(QStringLiteral("argv.txt"));
    // A started program runs on its own; give a busy machine plenty of time.
    if (!QTest::qWaitFor([&] { return QFile::exists(report); }, 30000))
        return std::nullopt;
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList result;
    const QByteArray bytes = file.readAll();
    for (const QByteArray &argument : bytes.split('\0').mid(0, bytes.count('\0')))
        result.append(QString::fromLocal8Bit(argument));
    return result;
}

} // namespace StartedProgram
