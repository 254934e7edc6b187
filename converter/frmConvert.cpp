#include "frmConvert.h"

#include "ConverterCommandLine.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "ParallelSynthesis.h"
#include "ReadAlongBook.h"
#include "ReadAlongCues.h"
#include "SaveDialogService.h"
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

const QString BookFilter = QStringLiteral("EPUB with narration (*.epub)");
} // namespace

frmConvert::frmConvert(std::unique_ptr<SpeechControl> control, QWidget *parent)
    : QWidget(parent), m_control(control ? std::move(control) : std::make_unique<SpeechControl>(0))
{
    XChantTTS1 = m_control.get();
    setObjectName(QStringLiteral("frmConvert"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(48, 48));
    Label1 = new QLabel(this);
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

    nameFormat(AudioFileWriter::Wav);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConvert::cmdCancel_Click);
    connect(XChantTTS1, &SpeechControl::fileProgress, this, &frmConvert::fileProgress);

    // Installed, the converter speaks on every core through copies of itself; a control
    // handed in (a scripted engine) speaks in this process.
    if (!control && QFileInfo(QCoreApplication::applicationFilePath()).baseName() ==
                        QLatin1String("wavewright"))
        m_workerProgram = QCoreApplication::applicationFilePath();
}

frmConvert::~frmConvert() = default;

void frmConvert::nameFormat(AudioFileWriter::Format format)
{
    const FormatWords words = wordsFor(format, m_book);
    setWindowTitle(QStringLiteral("Convert a Text File into %1 Audio File").arg(words.withArticle));
    Label1->setText(QStringLiteral("Converting this text to %1 Audio. Please be patient. This may "
                                   "take a while...")
                        .arg(words.name));
}

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
    // The reader's outline of the document: its title, author and chapters.
    m_outline = BookOutline::read(BookOutline::pathBeside(FileToOpen));
    m_perChapter = false;
    const bool chapters = m_outline && m_outline->chapters.size() > 1;
    QString selectedFilter;
    int subtitles = 0;
    QString wavFile = SaveDialogService::getSaveFileName(
        this,
        {.filter = saveFilter(),
         .flags = 1,
         .folder = saveFolder(),
         .choiceLabel = QStringLiteral("Subtitles:"),
         .choices = subtitleChoices(),
         .oneFilePerChapter = chapters ? &m_perChapter : nullptr},
        &selectedFilter, &subtitles);
    if (wavFile.isEmpty()) {
        close();
        return SaveCancelled;
    }
    const QString chosen = wavFile;
    m_book = chosenBook(wavFile, selectedFilter);
    const AudioFileWriter::Format format =
        m_book ? AudioFileWriter::Mp3 : chosenFormat(wavFile, selectedFilter);
    // A narrated book is one file with its chapters inside, and its text is on its pages.
    if (m_book)
        m_perChapter = false;
    m_subtitles.reset();
    if (subtitles > 0 && subtitles <= 3 && !m_book)
        m_subtitles = SubtitleWriter::Format(subtitles - 1);
    nameFormat(format);
    const QString formatName = wordsFor(format, m_book).name;
    // The text file is deleted after a successful conversion: were it the audio file too,
    // the result would go with it. The name as chosen counts, before any extension.
    if (isSameFile(chosen, FileToOpen) || isSameFile(wavFile, FileToOpen)) {
        showError(QStringLiteral("The %1 file cannot be the text file that is being "
                                 "converted. Choose another name for the %1 file.")
                      .arg(formatName));
        close();
        return Failed;
    }
    m_engineName = EngineName;
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
        showError(QStringLiteral("The voice could not be loaded, so no %1 file was created.\n%2")
                      .arg(formatName, QString::fromUtf8(e.what())));
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
    ProgressBar1->setFormat(QStringLiteral("%p%"));
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
        showError(QStringLiteral("The %1 file could not be created.\n%2")
                      .arg(wordsFor(format, m_book).name, failure->description));
        return Failed;
    }
    if (!QFileInfo(wavFile).isFile() && !QFileInfo(chapterFolder(wavFile)).isDir()) {
        showError(
            QStringLiteral("The %1 file could not be created.").arg(wordsFor(format, m_book).name));
        return Failed;
    }
    MessageBoxService::show(wordsFor(format, m_book).created);
    QFile::remove(FileToOpen);
    QFile::remove(BookOutline::pathBeside(FileToOpen));
    return Created;
}

QString frmConvert::voiceLabel(const QString &EngineName) const
{
    return EngineName == CereProc ? XChantTTS1->voiceName() : EngineName;
}

AudioBook frmConvert::bookFor(const QString &EngineName, const QString &text) const
{
    const DocumentMetadata metadata = m_outline ? m_outline->metadata : DocumentMetadata();
    AudioBook book;
    book.text = text;
    // The text file's name is the reader's temporary one: the document's title, else its
    // file's name, else the first words say more.
    book.title = !metadata.title.isEmpty()                 ? metadata.title
                 : m_outline && !m_outline->name.isEmpty() ? m_outline->name
                                                           : DocumentChapters::titleFromText(text);
    book.author = !metadata.author.isEmpty() ? metadata.author : voiceLabel(EngineName);
    // Chapters of another text (a stale outline) are none of this one's.
    if (m_outline && !m_outline->chapters.isEmpty() &&
        m_outline->chapters.constLast().end <= text.size())
        book.chapters = m_outline->chapters;
    return book;
}

void frmConvert::writeBook(const AudioBook &book, const QString &outFile,
                           AudioFileWriter::Format format, int rate,
                           const AudioBookWriter::Speak &speak)
{
    if (m_book) {
        writeNarratedBook(book, outFile, rate, speak);
        return;
    }
    AudioBookWriter writer(speak, format, rate);
    if (m_subtitles)
        writer.fileWritten = [&](const QString &path, const QString &text,
                                 const SpeechTimeline &timeline) {
            SubtitleWriter::write(
                SubtitleWriter::pathBeside(path, *m_subtitles),
                SubtitleWriter::render(
                    *m_subtitles, ReadAlongCues::build(text, timeline, SubtitleWriter::LongestCue),
                    timeline.sampleRate, book.title));
        };
    const bool split = m_perChapter && !book.chapters.isEmpty();
    m_progressOffset = 0;
    m_progressTotal = split ? 0 : book.text.size();
    writer.chapterStarted = [&](int number, int count, qsizetype start) {
        if (split)
            ProgressBar1->setFormat(QStringLiteral("Chapter %1 of %2: %p%").arg(number).arg(count));
        else
            m_progressOffset = start;
    };
    if (!split) {
        writer.writeFile(book, outFile);
        return;
    }
    writer.writeChapters(book, chapterFolder(outFile), QFileInfo(outFile).completeBaseName());
}

void frmConvert::writeNarratedBook(const AudioBook &book, const QString &outFile, int rate,
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

QString frmConvert::chapterFolder(const QString &outFile) const
{
    // The chosen name names the book: its chapters go into a folder of that name.
    if (!m_perChapter)
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

void frmConvert::speakHere(const QString &EngineName, const QString &FileToOpen,
                           const QString &outFile, AudioFileWriter::Format format, int chunkFormat)
{
    const QString text = readText(FileToOpen);
    const AudioBook book = bookFor(EngineName, text);
    if (format == AudioFileWriter::Wav && !m_book && !m_subtitles &&
        !(m_perChapter && !book.chapters.isEmpty())) {
        XChantTTS1->speakToFile(FileToOpen, outFile, chunkFormat);
        return;
    }
    // Other outputs are encoded from the control's audio as it comes; each output is opened
    // first so that an unwritable place fails before any synthesis.
    const int rate = ParallelSynthesis::chunkRate(chunkFormat);
    TimedSpeech speech(*XChantTTS1, rate);
    writeBook(book, outFile, format, rate,
              [&speech](const QString &part, AudioFileWriter &writer, SpeechTimeline &timeline) {
                  speech.speakInto(part, writer, timeline);
              });
}

void frmConvert::speakInParallel(const QString &EngineName, const QString &FileToOpen,
                                 const QString &outFile, AudioFileWriter::Format format,
                                 int chunkFormat)
{
    const QString text = readText(FileToOpen);
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
    writeBook(bookFor(EngineName, text), outFile, format, ParallelSynthesis::chunkRate(chunkFormat),
              [&synthesis](const QString &part, AudioFileWriter &writer, SpeechTimeline &timeline) {
                  synthesis.run(part, writer, &timeline);
              });
}

void frmConvert::fileProgress(qint64 done, qint64 total)
{
    // A book in one file spoken a chapter at a time goes on from where the chapter starts.
    if (m_progressTotal > 0) {
        done += m_progressOffset;
        total = qMax<qint64>(total, m_progressTotal);
    }
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
