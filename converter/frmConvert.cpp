#include "frmConvert.h"

#include "ConverterCommandLine.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "SaveDialogService.h"
#include "SpeechControl.h"
#include "SpeechError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {
const QString ErrorTitle = QStringLiteral("Error");
const QString CereProc = QStringLiteral("CereProc");

void showError(const QString &text)
{
    MessageBoxService::show(text, MessageBoxService::Ok, MessageBoxService::Critical, ErrorTitle);
}
} // namespace

frmConvert::frmConvert(std::unique_ptr<SpeechControl> control, QWidget *parent)
    : QWidget(parent), m_control(control ? std::move(control) : std::make_unique<SpeechControl>(0))
{
    XChantTTS1 = m_control.get();
    setObjectName(QStringLiteral("frmConvert"));
    setWindowTitle(QStringLiteral("Convert a Text File into a WAV Audio File"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(48, 48));
    Label1 = new QLabel(QStringLiteral("Converting this text to WAV Audio. Please be patient. "
                                       "This may take a while..."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addWidget(Label1, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(ProgressBar1, 1);
    bottom->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    setMinimumWidth(420);

    connect(cmdCancel, &QPushButton::clicked, this, &frmConvert::cmdCancel_Click);
    connect(XChantTTS1, &SpeechControl::fileProgress, this, &frmConvert::fileProgress);
}

frmConvert::~frmConvert() = default;

frmConvert::Outcome frmConvert::Form_Load(const QString &commandLine)
{
    const ConverterCommandLine line = ConverterCommandLine::parse(commandLine);
    switch (line.form) {
    case ConverterCommandLine::NotFromReader:
        MessageBoxService::show(QStringLiteral("This program cannot be run outside of the main "
                                               "Larkvane Text-to-Speech Reader application"),
                                MessageBoxService::Ok, MessageBoxService::NoIcon, ErrorTitle);
        close();
        return NotFromReader;
    case ConverterCommandLine::InvalidOptions:
        MessageBoxService::show(QStringLiteral("Invalid options. Cannot convert to WAV."),
                                MessageBoxService::Ok, MessageBoxService::NoIcon, ErrorTitle);
        close();
        return InvalidOptions;
    case ConverterCommandLine::StandardVoice:
    case ConverterCommandLine::CereVoice:
        break;
    }
    speed = line.speed;
    volume = line.volume;
    QString engineName = line.engineName;
    QString fileToOpen = line.fileToOpen;
    QString enginePath = line.enginePath;
    QString languagePath = line.languagePath;
    return ConvertToWave(engineName, fileToOpen, enginePath, languagePath);
}

frmConvert::Outcome frmConvert::ConvertToWave(QString &EngineName, QString &FileToOpen,
                                              QString &EnginePath, QString &LanguagePath)
{
    const QString wavFile =
        SaveDialogService::getSaveFileName(this, QStringLiteral("Windows PCM (*.wav)|*.wav"), 1);
    if (wavFile.isEmpty()) {
        close();
        return SaveCancelled;
    }
    // The text file is deleted after a successful conversion: were it the WAV file too, the
    // result would go with it.
    if (isSameFile(wavFile, FileToOpen)) {
        showError(QStringLiteral("The WAV file cannot be the text file that is being "
                                 "converted. Choose another name for the WAV file."));
        close();
        return Failed;
    }

    // A voice that cannot be set up would make the engine speak with some other voice, or
    // not at all: stop here and keep the text file.
    try {
        if (EngineName == CereProc)
            setUpCereVoice(EnginePath, LanguagePath);
        else
            setUpStandardVoice(EngineName);
    } catch (const std::exception &e) {
        showError(QStringLiteral("The voice could not be loaded, so no WAV file was created.\n%1")
                      .arg(QString::fromUtf8(e.what())));
        close();
        return Failed;
    }
    applySpeedAndVolume();

    const Outcome outcome = synthesize(EngineName, FileToOpen, wavFile);
    close();
    return outcome;
}

bool frmConvert::isSameFile(const QString &first, const QString &second)
{
    // Through links and relative spellings alike; a hard link is the same file too.
    const QFileInfo a(first);
    const QFileInfo b(second);
    if (!a.exists() || !b.exists())
        return false;
    if (a.canonicalFilePath() == b.canonicalFilePath())
        return true;
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(first.toStdU16String()),
                                       std::filesystem::path(second.toStdU16String()), error);
}

QString frmConvert::lastCereVoice(const QStringList &voices)
{
    QString chosen;
    for (const QString &voice : voices) {
        if (voice.contains(QLatin1String("CereVoice"), Qt::CaseInsensitive))
            chosen = voice;
    }
    return chosen;
}

void frmConvert::setUpStandardVoice(const QString &EngineName)
{
    XChantTTS1->setNumberProperty(SpeechControl::PropertyEngineMode, 7);
    XChantTTS1->setNumberProperty(SpeechControl::PropertyEngineMode, 4);
    XChantTTS1->setStringProperty(SpeechControl::PropertyVoiceName, EngineName);
}

void frmConvert::setUpCereVoice(const QString &EnginePath, const QString &LanguagePath)
{
    XChantTTS1->setNumberProperty(SpeechControl::PropertyVoiceOption, 1);
    XChantTTS1->setNumberProperty(SpeechControl::PropertyEngineMode, 25);
    // The engine takes its folders reliably only when they are given twice.
    for (int pass = 0; pass < 2; ++pass) {
        XChantTTS1->setStringProperty(SpeechControl::PropertyEngineFolder, EnginePath);
        XChantTTS1->setStringProperty(SpeechControl::PropertyVoiceFolder, LanguagePath);
    }
    QStringList voices;
    const int count = XChantTTS1->countResources(SpeechControl::ResourceVoice);
    for (int i = 0; i < count; ++i)
        voices.append(XChantTTS1->getResource(SpeechControl::ResourceVoice, i).name);
    const QString voice = lastCereVoice(voices);
    if (!voice.isEmpty())
        XChantTTS1->setStringProperty(SpeechControl::PropertyVoiceName, voice);
}

void frmConvert::applySpeedAndVolume()
{
    // The engine may refuse a value; the conversion goes on with what it has. At the ends of
    // the range the neighbouring value goes first.
    if (speed == -10)
        ignoreErrors([this] { XChantTTS1->setNumberProperty(SpeechControl::PropertyRate, -9); });
    else if (speed == 10)
        ignoreErrors([this] { XChantTTS1->setNumberProperty(SpeechControl::PropertyRate, 9); });
    ignoreErrors([this] { XChantTTS1->setNumberProperty(SpeechControl::PropertyRate, speed); });

    const int level = volume == 100 ? 99 : volume == 0 ? 1 : volume;
    ignoreErrors(
        [this, level] { XChantTTS1->setNumberProperty(SpeechControl::PropertyVolume, level); });
}

frmConvert::Outcome frmConvert::synthesize(const QString &EngineName, const QString &FileToOpen,
                                           const QString &wavFile)
{
    m_cancelRequested = false;
    ProgressBar1->setValue(0);
    cmdCancel->setEnabled(true);
    show();

    const int format = EngineName.contains(QLatin1String("ATT"), Qt::CaseSensitive)
                           ? SpeechControl::Format16kHz16BitMono
                           : SpeechControl::Format22kHz16BitMono;
    std::optional<SpeechError> failure;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([this] {
            m_working = false;
            QApplication::restoreOverrideCursor();
        });
        QCoreApplication::processEvents();
        if (m_cancelRequested)
            return Stopped;
        m_working = true;
        try {
            XChantTTS1->speakToFile(FileToOpen, 0, 2, 1, wavFile, 3, format, 1);
        } catch (const SpeechError &e) {
            failure = e;
        } catch (const std::exception &e) {
            failure = SpeechError(SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        }
    }
    if (failure) {
        // A stopped synthesis leaves nothing under the WAV file's name; the text file stays
        // so that the conversion can be asked for again.
        if (m_cancelRequested && failure->number == SpeechErrors::Cancelled)
            return Stopped;
        showError(
            QStringLiteral("The WAV file could not be created.\n%1").arg(failure->description));
        return Failed;
    }
    if (!QFileInfo(wavFile).isFile()) {
        showError(QStringLiteral("The WAV file could not be created."));
        return Failed;
    }
    MessageBoxService::show(QStringLiteral("Wave file created."));
    QFile::remove(FileToOpen);
    return Created;
}

void frmConvert::fileProgress(qint64 done, qint64 total)
{
    const qint64 percent = total > 0 ? qBound(qint64(0), done * 100 / total, qint64(100)) : 0;
    ProgressBar1->setValue(int(percent));
}

void frmConvert::cmdCancel_Click()
{
    m_cancelRequested = true;
    cmdCancel->setEnabled(false);
    ignoreErrors([this] { XChantTTS1->stop(); });
}

void frmConvert::closeEvent(QCloseEvent *event)
{
    // Closing the window while the engine works stops the conversion first.
    if (m_working) {
        cmdCancel_Click();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
