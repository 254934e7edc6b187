#include "ConvertFixture.h"

#include <QDir>
#include <QFile>

void ConvertFixture::SetUp()
{
    ASSERT_TRUE(m_runtime.isValid());
    m_hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    m_previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void ConvertFixture::TearDown()
{
    if (m_hadRuntime)
        qputenv("XDG_RUNTIME_DIR", m_previousRuntime);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

ConversionRequest ConvertFixture::request()
{
    ConversionRequest r;
    r.documentText = QStringLiteral("First\nSecond");
    r.voiceName = QStringLiteral("English (America)");
    r.speed = -3;
    r.volume = 80;
    r.readerFolder = QStringLiteral("/opt/parlance");
    r.storeDisableConvertWarn = [this](const QString &value) { m_stored.append(value); };
    r.openCommand = [this](QString &command, int showStyle, const QString &workDir) {
        m_starts.append({command, showStyle, workDir});
        return 42;
    };
    return r;
}

QStringList ConvertFixture::runtimeFiles() const
{
    return QDir(m_runtime.path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

QStringList ConvertFixture::startedFields() const
{
    if (m_starts.size() != 1)
        return {};
    const QString &command = m_starts.first().command;
    const qsizetype end = command.indexOf(QStringLiteral("\" "), 1);
    if (!command.startsWith(QLatin1Char('"')) || end < 0)
        return {};
    return command.mid(end + 2).split(QLatin1Char('*'));
}

QByteArray ConvertFixture::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
