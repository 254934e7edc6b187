#include "ConverterFixture.h"

#include "ScriptedEngine.h"
#include "SpeechControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sndfile.h>

void ConverterFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_text = m_dir.filePath(QStringLiteral("temp41537-abcdef.txt"));
    m_wav = m_dir.filePath(QStringLiteral("speech.wav"));
    m_saveAnswer = m_wav;
    writeText();
    SaveDialogService::setHandler([this](const SaveDialogService::Request &request) {
        m_saveRequests.append(request);
        return m_saveAnswer;
    });
}

void ConverterFixture::TearDown()
{
    SaveDialogService::setHandler({});
}

std::unique_ptr<ConverterWindow> ConverterFixture::windowWith(std::unique_ptr<Engine> engine)
{
    return std::make_unique<ConverterWindow>(std::make_unique<SpeechControl>(0, std::move(engine)));
}

std::unique_ptr<ConverterWindow> ConverterFixture::scriptedWindow(const QStringList &voices)
{
    auto engine = std::make_unique<ScriptedEngine>();
    engine->setVoices(voices);
    m_engine = engine.get();
    return windowWith(std::move(engine));
}

void ConverterFixture::writeText(const QByteArray &text)
{
    QFile file(m_text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString ConverterFixture::standardLine(const QString &voice, const QString &speed,
                                       const QString &volume) const
{
    return QStringList{voice, m_text, speed, volume}.join(QLatin1Char('*'));
}

QStringList ConverterFixture::messages() const
{
    QStringList texts;
    for (const auto &request : m_boxes.requests())
        texts.append(request.text);
    return texts;
}

QStringList ConverterFixture::strayFiles() const
{
    QStringList files = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    files.removeAll(QFileInfo(m_text).fileName());
    files.removeAll(QFileInfo(m_wav).fileName());
    return files;
}

ConverterFixture::WavInfo ConverterFixture::inspect(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    sf_close(file);
    return {true, info.samplerate, info.channels, info.format, info.frames};
}
