#include "frmConvert.h"

#include "ConverterCommandLine.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "ParallelSynthesis.h"
#include "SaveDialogService.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "TextFileDecoder.h"
#include "TimedSpeech.h"
#include "VoiceSetup.h"
#include "WavFileWriter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTextDocument>
#include <QThread>
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

struct FilterEntry
{
    const char *description;
    AudioFileWriter::Format format;
};
const FilterEntry Filters[] = {
    {"Windows PCM (*.wav)", AudioFileWriter::Wav},      {"MP3 (*.mp3)", AudioFileWriter::Mp3},
    {"Ogg Vorbis (*.ogg)", AudioFileWriter::OggVorbis}, {"Opus (*.opus)", AudioFileWriter::Opus},
    {"FLAC (*.flac)", AudioFileWriter::Flac},
};

QSettings converterSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Parlance"),
                     QStringLiteral("Converter"));
}
const QString LastFolderKey = QStringLiteral("LastFolder");
const QString BookFilter = QStringLiteral("EPUB with narration (*.epub)");
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

    // Installed, the converter speaks on every core through copies of itself; a control
    // handed in (a scripted engine) speaks in this process.
    if (!control && QFileInfo(QCoreApplication::applicationFilePath()).baseName() ==
                        QLatin1String("wavewright"))
        m_workerProgram = QCoreApplication::applicationFilePath();
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
    QString selectedFilter;
    int subtitles = 0;
    QString wavFile = SaveDialogService::getSaveFileName(
        this, {saveFilter(), 1, saveFolder(), QStringLiteral("Subtitles:"), subtitleChoices()},
        &selectedFilter, &subtitles);
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
    m_book = chosenBook(wavFile, selectedFilter);
    const AudioFileWriter::Format format =
        m_book ? AudioFileWriter::Mp3 : chosenFormat(wavFile, selectedFilter);
    m_subtitles.reset();
    if (subtitles > 0 && subtitles <= 3 && !m_book)
        m_subtitles = SubtitleWriter::Format(subtitles - 1);
    m_enginePath = EnginePath;
    m_languagePath = LanguagePath;

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

    const Outcome outcome = synthesize(EngineName, FileToOpen, wavFile, format);
    if (outcome == Created)
        converterSettings().setValue(LastFolderKey, QFileInfo(wavFile).absolutePath());
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
    return VoiceSetup::lastVoiceFileVoice(voices);
}

QString frmConvert::saveFilter()
{
    QStringList parts;
    for (const FilterEntry &entry : Filters) {
        const QString description = QString::fromLatin1(entry.description);
        parts << description << QStringLiteral("*.") + AudioFileWriter::extension(entry.format);
    }
    parts << BookFilter << QStringLiteral("*.epub");
    return parts.join(QLatin1Char('|'));
}

QStringList frmConvert::subtitleChoices()
{
    // In the order of SubtitleWriter::Format.
    return {QStringLiteral("None"), QStringLiteral("SubRip (.srt)"),
            QStringLiteral("WebVTT, with word times (.vtt)"),
            QStringLiteral("LRC, with word times (.lrc)")};
}

bool frmConvert::chosenBook(QString &path, const QString &selectedFilter)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("epub"), Qt::CaseInsensitive) == 0)
        return true;
    if (AudioFileWriter::formatOfPath(path) || !selectedFilter.startsWith(QLatin1String("EPUB")))
        return false;
    path += QStringLiteral(".epub");
    return true;
}

QString frmConvert::saveFolder()
{
    const QString last = converterSettings().value(LastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

AudioFileWriter::Format frmConvert::chosenFormat(QString &path, const QString &selectedFilter)
{
    if (const auto typed = AudioFileWriter::formatOfPath(path))
        return *typed;
    AudioFileWriter::Format format = AudioFileWriter::Wav;
    for (const FilterEntry &entry : Filters)
        if (selectedFilter.startsWith(
                QString::fromLatin1(entry.description).section(QLatin1Char(' '), 0, 0)))
            format = entry.format;
    path += QLatin1Char('.') + AudioFileWriter::extension(format);
    return format;
}

void frmConvert::setUpStandardVoice(const QString &EngineName)
{
    VoiceSetup::standardVoice(*XChantTTS1, EngineName);
}

void frmConvert::setUpCereVoice(const QString &EnginePath, const QString &LanguagePath)
{
    VoiceSetup::voiceFile(*XChantTTS1, EnginePath, LanguagePath);
}

void frmConvert::applySpeedAndVolume()
{
    VoiceSetup::speedAndVolume(*XChantTTS1, speed, volume);
}

frmConvert::Outcome frmConvert::synthesize(const QString &EngineName, const QString &FileToOpen,
                                           const QString &wavFile, AudioFileWriter::Format format)
{
    m_cancelRequested = false;
    ProgressBar1->setValue(0);
    cmdCancel->setEnabled(true);
    show();

    const int chunkFormat = EngineName.contains(QLatin1String("ATT"), Qt::CaseSensitive)
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
            if (m_workerProgram.isEmpty())
                speakHere(EngineName, FileToOpen, wavFile, format, chunkFormat);
            else
                speakInParallel(EngineName, FileToOpen, wavFile, format, chunkFormat);
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

AudioFileWriter::Tags frmConvert::tagsFor(const QString &EngineName, const QString &text) const
{
    // The text file's name is the reader's temporary one; the first words say more.
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    AudioFileWriter::Tags tags;
    tags.title = words.mid(0, 8).join(QLatin1Char(' ')).left(60);
    tags.artist = EngineName == CereProc
                      ? XChantTTS1->stringProperty(SpeechControl::PropertyVoiceName)
                      : EngineName;
    return tags;
}

void frmConvert::speakHere(const QString &EngineName, const QString &FileToOpen,
                           const QString &outFile, AudioFileWriter::Format format, int chunkFormat)
{
    if (format == AudioFileWriter::Wav && !m_book && !m_subtitles) {
        XChantTTS1->speakToFile(FileToOpen, 0, 2, 1, outFile, 3, chunkFormat, 1);
        return;
    }
    // Other outputs are encoded from the control's audio as it comes.
    QFile file(FileToOpen);
    if (!file.open(QIODevice::ReadOnly))
        throw SpeechError(SpeechErrors::FileNotFound,
                          QStringLiteral("Cannot read %1: %2").arg(FileToOpen, file.errorString()));
    const QString text = TextFileDecoder::decode(file.readAll());
    const int rate = ParallelSynthesis::chunkRate(chunkFormat);
    TimedSpeech speech(*XChantTTS1, rate);
    writeOutput(EngineName, text, outFile, format, rate,
                [&speech](const QString &part, AudioFileWriter &writer, SpeechTimeline &timeline) {
                    speech.speakInto(part, writer, timeline);
                });
}

void frmConvert::writeOutput(const QString &EngineName, const QString &text, const QString &outFile,
                             AudioFileWriter::Format format, int rate,
                             const TextSynthesis &synthesis)
{
    const AudioFileWriter::Tags tags = tagsFor(EngineName, text);
    if (m_book) {
        // The reader hands over plain text: the book is one chapter of it.
        QTextDocument document;
        document.setPlainText(text);
        ReadAlongBook book(document, {AudioFileWriter::Mp3, false, rate});
        book.write(
            outFile, {{tags.title, 0, text.size()}},
            {tags.title, QString(), ReadAlongBook::defaultLanguage(), tags.artist},
            [&](qsizetype from, qsizetype to, AudioFileWriter &writer, SpeechTimeline &timeline) {
                synthesis(text.mid(from, to - from), writer, timeline);
            });
        return;
    }
    // The output is opened first so that an unwritable place fails before any synthesis.
    AudioFileWriter writer;
    if (format == AudioFileWriter::Wav)
        writer.setDataLimit(WavFileWriter::MaximumDataBytes);
    writer.open(outFile, format, AudioFileWriter::fileRateFor(format, rate), rate, tags);
    SpeechTimeline timeline;
    synthesis(text, writer, timeline);
    writer.finish();
    if (m_subtitles)
        SubtitleWriter::write(
            SubtitleWriter::pathBeside(outFile, *m_subtitles),
            SubtitleWriter::render(*m_subtitles,
                                   ReadAlongCues::build(text, timeline, SubtitleWriter::LongestCue),
                                   timeline.sampleRate, tags.title));
}

void frmConvert::speakInParallel(const QString &EngineName, const QString &FileToOpen,
                                 const QString &outFile, AudioFileWriter::Format format,
                                 int chunkFormat)
{
    QFile file(FileToOpen);
    if (!file.open(QIODevice::ReadOnly))
        throw SpeechError(SpeechErrors::FileNotFound,
                          QStringLiteral("Cannot read %1: %2").arg(FileToOpen, file.errorString()));
    const QString text = TextFileDecoder::decode(file.readAll());
    file.close();

    VoiceSetup voice;
    if (EngineName == CereProc) {
        voice.engineFolder = m_enginePath;
        voice.voiceFolder = m_languagePath;
    } else {
        voice.voiceName = EngineName;
    }
    voice.speed = speed;
    voice.volume = volume;
    ParallelSynthesis synthesis(m_workerProgram, voice, chunkFormat, QThread::idealThreadCount());
    connect(&synthesis, &ParallelSynthesis::progress, this, &frmConvert::fileProgress);
    m_parallel = &synthesis;
    const auto forget = qScopeGuard([this] { m_parallel = nullptr; });
    if (m_cancelRequested)
        throw SpeechError(SpeechErrors::Cancelled, QStringLiteral("Speaking to file was stopped."));
    writeOutput(EngineName, text, outFile, format, ParallelSynthesis::chunkRate(chunkFormat),
                [&synthesis](const QString &part, AudioFileWriter &writer,
                             SpeechTimeline &timeline) { synthesis.run(part, writer, &timeline); });
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
    if (m_parallel)
        m_parallel->cancel();
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
