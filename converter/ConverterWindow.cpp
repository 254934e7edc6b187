#include "ConverterWindow.h"

#include "ConverterCommandLine.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "OutputChoice.h"
#include "ParallelSynthesis.h"
#include "ReadAlongBook.h"
#include "ReadAlongCues.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "TextFileDecoder.h"
#include "TimedSpeech.h"
#include "VoiceSetup.h"

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

// The chosen format as the window and its messages name it; WAV keeps the words the
// program has always used.
struct FormatWords
{
    QString name;        // "MP3"
    QString withArticle; // "an MP3"
    QString created;     // the message at the end
};

FormatWords wordsFor(AudioFileWriter::Format format, bool book)
{
    if (book)
        return {QStringLiteral("EPUB"), QStringLiteral("an EPUB"),
                QStringLiteral("EPUB book created.")};
    switch (format) {
    case AudioFileWriter::Mp3:
        return {QStringLiteral("MP3"), QStringLiteral("an MP3"),
                QStringLiteral("MP3 file created.")};
    case AudioFileWriter::OggVorbis:
        return {QStringLiteral("Ogg Vorbis"), QStringLiteral("an Ogg Vorbis"),
                QStringLiteral("Ogg Vorbis file created.")};
    case AudioFileWriter::Opus:
        return {QStringLiteral("Opus"), QStringLiteral("an Opus"),
                QStringLiteral("Opus file created.")};
    case AudioFileWriter::Flac:
        return {QStringLiteral("FLAC"), QStringLiteral("a FLAC"),
                QStringLiteral("FLAC file created.")};
    case AudioFileWriter::Wav:
        break;
    }
    return {QStringLiteral("WAV"), QStringLiteral("a WAV"), QStringLiteral("Wave file created.")};
}

} // namespace

ConverterWindow::ConverterWindow(std::unique_ptr<SpeechControl> control, QWidget *parent)
    : QWidget(parent), m_control(control ? std::move(control) : std::make_unique<SpeechControl>(0))
{
    speechControl = m_control.get();
    setObjectName(QStringLiteral("ConverterWindow"));

    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(48, 48));
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setWordWrap(true);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addWidget(statusLabel, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(progressBar, 1);
    bottom->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    setMinimumWidth(420);

    nameFormat(AudioFileWriter::Wav);
    connect(cancelButton, &QPushButton::clicked, this, &ConverterWindow::cancelConversion);
    connect(speechControl, &SpeechControl::fileProgress, this, &ConverterWindow::fileProgress);

    // Installed, the converter speaks on every core through copies of itself; a control
    // handed in (a scripted engine) speaks in this process.
    if (!control && QFileInfo(QCoreApplication::applicationFilePath()).baseName() ==
                        QLatin1String("wavewright"))
        m_workerProgram = QCoreApplication::applicationFilePath();
}

ConverterWindow::~ConverterWindow() = default;

void ConverterWindow::nameFormat(AudioFileWriter::Format format)
{
    const FormatWords words = wordsFor(format, m_output.book);
    setWindowTitle(QStringLiteral("Convert a Text File into %1 Audio File").arg(words.withArticle));
    statusLabel->setText(
        QStringLiteral("Converting this text to %1 Audio. Please be patient. This may "
                       "take a while...")
            .arg(words.name));
}

ConverterWindow::Outcome ConverterWindow::run(const QString &commandLine)
{
    const ConverterCommandLine line = ConverterCommandLine::parse(commandLine);
    switch (line.kind) {
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
    return convert(line.engineName, line.fileToOpen, line.enginePath, line.languagePath);
}

ConverterWindow::Outcome ConverterWindow::convert(const QString &engineName,
                                                  const QString &fileToOpen,
                                                  const QString &enginePath,
                                                  const QString &languagePath)
{
    // The reader's outline of the document: its title, author and chapters.
    m_outline = BookOutline::read(BookOutline::pathBeside(fileToOpen));
    const bool chapters = m_outline && m_outline->chapters.size() > 1;
    const std::optional<OutputChoice> output = OutputChoice::ask(this, chapters);
    if (!output) {
        close();
        return SaveCancelled;
    }
    m_output = *output;
    const QString &wavFile = m_output.path;
    const AudioFileWriter::Format format = m_output.format;
    nameFormat(format);
    const QString formatName = wordsFor(format, m_output.book).name;
    // The text file is deleted after a successful conversion: were it the audio file too,
    // the result would go with it. The name as chosen counts, before any extension.
    if (isSameFile(m_output.chosenPath, fileToOpen) || isSameFile(wavFile, fileToOpen)) {
        showError(QStringLiteral("The %1 file cannot be the text file that is being "
                                 "converted. Choose another name for the %1 file.")
                      .arg(formatName));
        close();
        return Failed;
    }
    m_engineName = engineName;
    m_enginePath = enginePath;
    m_languagePath = languagePath;

    // A voice that cannot be set up would make the engine speak with some other voice, or
    // not at all: stop here and keep the text file.
    try {
        if (engineName == CereProc)
            setUpCereVoice(enginePath, languagePath);
        else
            setUpStandardVoice(engineName);
    } catch (const std::exception &e) {
        showError(QStringLiteral("The voice could not be loaded, so no %1 file was created.\n%2")
                      .arg(formatName, QString::fromUtf8(e.what())));
        close();
        return Failed;
    }
    applySpeedAndVolume();

    const Outcome outcome = synthesize(engineName, fileToOpen, wavFile, format);
    if (outcome == Created)
        OutputChoice::rememberFolder(wavFile);
    close();
    return outcome;
}

bool ConverterWindow::isSameFile(const QString &first, const QString &second)
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

QString ConverterWindow::lastCereVoice(const QStringList &voices)
{
    return VoiceSetup::lastVoiceFileVoice(voices);
}

void ConverterWindow::setUpStandardVoice(const QString &engineName)
{
    VoiceSetup::standardVoice(*speechControl, engineName);
}

void ConverterWindow::setUpCereVoice(const QString &enginePath, const QString &languagePath)
{
    VoiceSetup::voiceFile(*speechControl, enginePath, languagePath);
}

void ConverterWindow::applySpeedAndVolume()
{
    VoiceSetup::speedAndVolume(*speechControl, speed, volume);
}

ConverterWindow::Outcome ConverterWindow::synthesize(const QString &engineName,
                                                     const QString &fileToOpen,
                                                     const QString &wavFile,
                                                     AudioFileWriter::Format format)
{
    m_cancelRequested = false;
    progressBar->setValue(0);
    progressBar->setFormat(QStringLiteral("%p%"));
    cancelButton->setEnabled(true);
    show();

    const int chunkFormat = engineName.contains(QLatin1String("ATT"), Qt::CaseSensitive)
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
                speakHere(engineName, fileToOpen, wavFile, format, chunkFormat);
            else
                speakInParallel(engineName, fileToOpen, wavFile, format, chunkFormat);
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
        showError(QStringLiteral("The %1 file could not be created.\n%2")
                      .arg(wordsFor(format, m_output.book).name, failure->description));
        return Failed;
    }
    if (!QFileInfo(wavFile).isFile() && !QFileInfo(chapterFolder(wavFile)).isDir()) {
        showError(QStringLiteral("The %1 file could not be created.")
                      .arg(wordsFor(format, m_output.book).name));
        return Failed;
    }
    MessageBoxService::show(wordsFor(format, m_output.book).created);
    QFile::remove(fileToOpen);
    QFile::remove(BookOutline::pathBeside(fileToOpen));
    return Created;
}

QString ConverterWindow::voiceLabel(const QString &engineName) const
{
    return engineName == CereProc ? speechControl->voiceName() : engineName;
}

AudioBook ConverterWindow::bookFor(const QString &engineName, const QString &text) const
{
    const DocumentMetadata metadata = m_outline ? m_outline->metadata : DocumentMetadata();
    AudioBook book;
    book.text = text;
    // The text file's name is the reader's temporary one: the document's title, else its
    // file's name, else the first words say more.
    book.title = !metadata.title.isEmpty()                 ? metadata.title
                 : m_outline && !m_outline->name.isEmpty() ? m_outline->name
                                                           : DocumentChapters::titleFromText(text);
    book.author = !metadata.author.isEmpty() ? metadata.author : voiceLabel(engineName);
    // Chapters of another text (a stale outline) are none of this one's.
    if (m_outline && !m_outline->chapters.isEmpty() &&
        m_outline->chapters.constLast().end <= text.size())
        book.chapters = m_outline->chapters;
    return book;
}

void ConverterWindow::writeBook(const AudioBook &book, const QString &outFile,
                                AudioFileWriter::Format format, int rate,
                                const AudioBookWriter::Speak &speak)
{
    if (m_output.book) {
        writeNarratedBook(book, outFile, rate, speak);
        return;
    }
    AudioBookWriter writer(speak, format, rate);
    if (m_output.subtitles)
        writer.fileWritten = [&](const QString &path, const QString &text,
                                 const SpeechTimeline &timeline) {
            SubtitleWriter::write(
                SubtitleWriter::pathBeside(path, *m_output.subtitles),
                SubtitleWriter::render(
                    *m_output.subtitles,
                    ReadAlongCues::build(text, timeline, SubtitleWriter::LongestCue),
                    timeline.sampleRate, book.title));
        };
    const bool split = m_output.perChapter && !book.chapters.isEmpty();
    m_progressOffset = 0;
    m_progressTotal = split ? 0 : book.text.size();
    writer.chapterStarted = [&](int number, int count, qsizetype start) {
        if (split)
            progressBar->setFormat(QStringLiteral("Chapter %1 of %2: %p%").arg(number).arg(count));
        else
            m_progressOffset = start;
    };
    if (!split) {
        writer.writeFile(book, outFile);
        return;
    }
    writer.writeChapters(book, chapterFolder(outFile), QFileInfo(outFile).completeBaseName());
}

void ConverterWindow::writeNarratedBook(const AudioBook &book, const QString &outFile, int rate,
                                        const AudioBookWriter::Speak &speak)
{
    // The reader hands over its text as one line, with its chapters as ranges of it. Each
    // chapter's page needs paragraphs of its own: the space before a chapter becomes a
    // paragraph break, which keeps every position of the text.
    QString pages = book.text;
    for (const AudioBook::Chapter &chapter : book.chapters)
        if (chapter.start > 0 && pages.at(chapter.start - 1).isSpace())
            pages[chapter.start - 1] = QLatin1Char('\n');
    QTextDocument document;
    document.setPlainText(pages);
    QList<ReadAlongBook::Chapter> chapters;
    for (const AudioBook::Chapter &chapter : book.chapters)
        chapters.append({chapter.title, chapter.start, chapter.end});
    if (chapters.isEmpty())
        chapters.append({book.title, 0, book.text.size()});
    // The author as the document names it: a book's narrator is not its author.
    const DocumentMetadata about = m_outline ? m_outline->metadata : DocumentMetadata();
    const EpubWriter::Metadata metadata{book.title, about.author,
                                        about.language.isEmpty() ? ReadAlongBook::defaultLanguage()
                                                                 : about.language,
                                        voiceLabel(m_engineName)};
    m_progressOffset = 0;
    m_progressTotal = book.text.size();
    ReadAlongBook narrated(document, {AudioFileWriter::Mp3, false, rate});
    narrated.write(
        outFile, chapters, metadata,
        [&](qsizetype from, qsizetype to, AudioFileWriter &writer, SpeechTimeline &timeline) {
            m_progressOffset = from;
            speak(book.text.mid(from, to - from), writer, timeline);
        });
}

QString ConverterWindow::chapterFolder(const QString &outFile) const
{
    // The chosen name names the book: its chapters go into a folder of that name.
    if (!m_output.perChapter)
        return QString();
    const QFileInfo chosen(outFile);
    return chosen.dir().filePath(chosen.completeBaseName());
}

namespace {
QString readText(const QString &path)
{
    return TextFileDecoder::decode(SpeechControl::readRegularFile(path));
}
} // namespace

void ConverterWindow::speakHere(const QString &engineName, const QString &fileToOpen,
                                const QString &outFile, AudioFileWriter::Format format,
                                int chunkFormat)
{
    const QString text = readText(fileToOpen);
    const AudioBook book = bookFor(engineName, text);
    if (format == AudioFileWriter::Wav && !m_output.book && !m_output.subtitles &&
        !(m_output.perChapter && !book.chapters.isEmpty())) {
        speechControl->speakToFile(fileToOpen, outFile, chunkFormat);
        return;
    }
    // Other outputs are encoded from the control's audio as it comes; each output is opened
    // first so that an unwritable place fails before any synthesis.
    const int rate = ParallelSynthesis::chunkRate(chunkFormat);
    TimedSpeech speech(*speechControl, rate);
    writeBook(book, outFile, format, rate,
              [&speech](const QString &part, AudioFileWriter &writer, SpeechTimeline &timeline) {
                  speech.speakInto(part, writer, timeline);
              });
}

void ConverterWindow::speakInParallel(const QString &engineName, const QString &fileToOpen,
                                      const QString &outFile, AudioFileWriter::Format format,
                                      int chunkFormat)
{
    const QString text = readText(fileToOpen);
    VoiceSetup voice;
    if (engineName == CereProc) {
        voice.engineFolder = m_enginePath;
        voice.voiceFolder = m_languagePath;
    } else {
        voice.voiceName = engineName;
    }
    voice.speed = speed;
    voice.volume = volume;
    ParallelSynthesis synthesis(m_workerProgram, voice, chunkFormat, QThread::idealThreadCount());
    connect(&synthesis, &ParallelSynthesis::progress, this, &ConverterWindow::fileProgress);
    m_parallel = &synthesis;
    const auto forget = qScopeGuard([this] { m_parallel = nullptr; });
    if (m_cancelRequested)
        throw SpeechError(SpeechErrors::Cancelled, QStringLiteral("Speaking to file was stopped."));
    writeBook(bookFor(engineName, text), outFile, format, ParallelSynthesis::chunkRate(chunkFormat),
              [&synthesis](const QString &part, AudioFileWriter &writer, SpeechTimeline &timeline) {
                  synthesis.run(part, writer, &timeline);
              });
}

void ConverterWindow::fileProgress(qint64 done, qint64 total)
{
    // A book in one file spoken a chapter at a time goes on from where the chapter starts.
    if (m_progressTotal > 0) {
        done += m_progressOffset;
        total = qMax<qint64>(total, m_progressTotal);
    }
    const qint64 percent = total > 0 ? qBound(qint64(0), done * 100 / total, qint64(100)) : 0;
    progressBar->setValue(int(percent));
}

void ConverterWindow::cancelConversion()
{
    m_cancelRequested = true;
    cancelButton->setEnabled(false);
    if (m_parallel)
        m_parallel->cancel();
    ignoreErrors([this] { speechControl->stop(); });
}

void ConverterWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window while the engine works stops the conversion first.
    if (m_working) {
        cancelConversion();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
