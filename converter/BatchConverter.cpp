#include "BatchConverter.h"

#include "AudioBookWriter.h"
#include "DocumentChapters.h"
#include "DocumentFile.h"
#include "LoadNotice.h"
#include "ParallelSynthesis.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "VoiceList.h"
#include "formats/ResourceGate.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
}

void printTo(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Standard input up to the size a document may have; nothing when it is larger.
std::optional<QByteArray> readStandardInput()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return QByteArray();
    QByteArray data;
    while (data.size() <= DocumentFile::MaxLoadSize && !interrupted) {
        const QByteArray piece = in.read(1024 * 1024);
        if (piece.isEmpty())
            break;
        data += piece;
    }
    if (data.size() > DocumentFile::MaxLoadSize)
        return std::nullopt;
    return data;
}

// Makes the folder `path` and those above it; the reason it cannot, else an empty string.
QString makeFolder(const QString &path)
{
    QString made;
    for (const QString &part :
         QDir::cleanPath(QDir(path).absolutePath()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        const QByteArray name = QFile::encodeName(made);
        if (::mkdir(name.constData(), 0777) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno)).toLower();
        struct stat status = {};
        if (::stat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
            return QStringLiteral("\"%1\" is not a folder").arg(made);
    }
    return QString();
}

// The options of the command line for scripts.
struct CommandLine : QCommandLineParser
{
    const QCommandLineOption voice{QStringLiteral("voice"), QString(), QStringLiteral("NAME")};
    const QCommandLineOption rate{QStringLiteral("rate"), QString(), QStringLiteral("N")};
    const QCommandLineOption volume{QStringLiteral("volume"), QString(), QStringLiteral("N")};
    const QCommandLineOption format{QStringLiteral("format"), QString(), QStringLiteral("F")};
    const QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("OUT")};
    const QCommandLineOption jobs{QStringLiteral("jobs"), QString(), QStringLiteral("N")};
    const QCommandLineOption split{QStringLiteral("split"), QString(), QStringLiteral("HOW")};
    const QCommandLineOption subtitles{QStringLiteral("subtitles"), QString(),
                                       QStringLiteral("FORMAT")};
    const QCommandLineOption audioFormat{QStringLiteral("audio-format"), QString(),
                                         QStringLiteral("F")};
    const QCommandLineOption sync{QStringLiteral("sync"), QString(), QStringLiteral("UNIT")};
    const QCommandLineOption listVoices{QStringLiteral("list-voices")};
    const QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};

    // `arguments` without the program's own name.
    bool parse(const QStringList &arguments)
    {
        setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        addOptions({voice, rate, volume, format, output, jobs, split, subtitles, audioFormat, sync,
                    listVoices, help});
        return QCommandLineParser::parse(QStringList{QStringLiteral("wavewright")} + arguments);
    }
};

bool parseNumber(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < low || number > high)
        return false;
    value = number;
    return true;
}

} // namespace

bool BatchConverter::isBatchCommandLine(const QStringList &arguments)
{
    bool option = false;
    for (const QString &argument : arguments) {
        if (argument.contains(QLatin1Char('*')))
            return false;
        if (argument.startsWith(QLatin1Char('-')))
            option = true;
    }
    return option;
}

int BatchConverter::workersFor(const QStringList &arguments)
{
    // A bad command line is refused before any synthesis; a number out of range too.
    CommandLine line;
    if (!line.parse(arguments) || line.isSet(line.help) || line.isSet(line.listVoices))
        return 0;
    int workers = QThread::idealThreadCount();
    if (line.isSet(line.jobs) && !parseNumber(line.value(line.jobs), 1, 64, workers))
        return 0;
    return workers;
}

QString BatchConverter::helpText()
{
    return QStringLiteral(
        "Usage: wavewright [OPTION]... FILE...\n"
        "Speak documents into audio files, one output file for each input.\n"
        "FILE may be RTF, plain text or any other document the reader opens; \"-\" reads\n"
        "standard input. At least one option (\"--\" will do) selects this mode.\n"
        "\n"
        "  --voice NAME       speak with this voice (see --list-voices)\n"
        "  --rate N           speed from -10 to 10 (default 0)\n"
        "  --volume N         volume from 0 to 100 (default 100)\n"
        "  --format FORMAT    wav, mp3, ogg, opus or flac (default: from the output's\n"
        "                     extension, else wav); epub for a book that reads itself\n"
        "                     aloud, its text highlighted as it is heard\n"
        "  -o, --output OUT   the output file; with several inputs, or when OUT is a\n"
        "                     folder, the folder for the outputs. Without it each output\n"
        "                     goes beside its input. Required for standard input.\n"
        "  --jobs N           synthesis processes (default: one per core)\n"
        "  --split chapters   one file per chapter, named \"NN Title\", with an .m3u8\n"
        "                     playlist, in a folder named after the input (OUT when\n"
        "                     given, and OUT/NAME for several inputs). Chapters are an\n"
        "                     e-book's, a PDF's bookmarks, or the top headings; a\n"
        "                     document without any gives one file as without --split.\n"
        "  --subtitles FORMAT also write subtitles beside each audio file (each chapter's\n"
        "                     too), timed by the voice's words: srt, vtt or lrc\n"
        "                     (several with commas)\n"
        "  --audio-format F   the audio inside an epub book: mp3 (default) or opus (an\n"
        "                     EPUB 3.3 type that older reading systems do not play)\n"
        "  --sync UNIT        what an epub book highlights: sentences (default) or words\n"
        "  --list-voices      print the voices, one per line, and exit\n"
        "  -h, --help         print this help and exit\n"
        "\n"
        "A progress line is shown on standard error when it is a terminal. The files are\n"
        "tagged with the document's title (else the input's name) as album, its author\n"
        "(else the voice) as artist, the chapter as title, the track number, and the\n"
        "genre \"Speech\"; a book in one Opus or Vorbis file marks its chapters.\n"
        "\n"
        "Exit status:\n"
        "  0  every input was converted\n"
        "  1  an input could not be read or held no text (the others were converted)\n"
        "  2  bad command line: unknown option, value out of range, unknown format\n"
        "  3  no voice of the given name\n"
        "  4  an output file could not be written (no partial file is left)\n"
        "  5  the speech engine failed\n"
        "  6  interrupted; the file being written was removed (chapters written before\n"
        "     it stay, and the playlist lists them)\n"
        "With several failures the status is the first one's.\n");
}

int BatchConverter::run(const QStringList &arguments, const QString &workerProgram)
{
    m_workerProgram = workerProgram;
    CommandLine parser;
    const auto usage = [this](const QString &message) {
        report(message + QStringLiteral("\nTry 'wavewright --help' for more information."));
        return BadUsage;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(parser.help)) {
        printTo(stdout, helpText());
        return Success;
    }
    if (parser.isSet(parser.listVoices)) {
        const QStringList names = VoiceList::names();
        printTo(stdout, names.isEmpty() ? QString() : names.join(QLatin1Char('\n')) + '\n');
        return Success;
    }
    if (parser.isSet(parser.rate) &&
        !parseNumber(parser.value(parser.rate), -10, 10, m_voice.speed))
        return usage(QStringLiteral("--rate takes a whole number from -10 to 10, not \"%1\".")
                         .arg(parser.value(parser.rate)));
    if (parser.isSet(parser.volume) &&
        !parseNumber(parser.value(parser.volume), 0, 100, m_voice.volume))
        return usage(QStringLiteral("--volume takes a whole number from 0 to 100, not \"%1\".")
                         .arg(parser.value(parser.volume)));
    m_workers = QThread::idealThreadCount();
    if (parser.isSet(parser.jobs) && !parseNumber(parser.value(parser.jobs), 1, 64, m_workers))
        return usage(QStringLiteral("--jobs takes a whole number from 1 to 64, not \"%1\".")
                         .arg(parser.value(parser.jobs)));
    if (parser.value(parser.format).compare(QLatin1String("epub"), Qt::CaseInsensitive) == 0) {
        m_book = true;
        m_formatGiven = true;
    } else if (parser.isSet(parser.format)) {
        const auto named = AudioFileWriter::formatNamed(parser.value(parser.format));
        if (!named)
            return usage(QStringLiteral("Unknown audio format \"%1\"; use wav, mp3, ogg, opus, "
                                        "flac or epub.")
                             .arg(parser.value(parser.format)));
        m_format = *named;
        m_formatGiven = true;
    }
    if (parser.isSet(parser.split)) {
        if (parser.value(parser.split) != QLatin1String("chapters"))
            return usage(QStringLiteral("--split takes \"chapters\", not \"%1\".")
                             .arg(parser.value(parser.split)));
        m_split = true;
    }
    for (const QString &name : parser.values(parser.subtitles)
                                   .join(QLatin1Char(','))
                                   .split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto format = SubtitleWriter::formatNamed(name);
        if (!format)
            return usage(QStringLiteral("Unknown subtitle format \"%1\"; use srt, vtt or lrc.")
                             .arg(name.trimmed()));
        if (!m_subtitles.contains(*format))
            m_subtitles.append(*format);
    }
    if (m_book && m_split)
        return usage(QStringLiteral("An epub book is one file with its chapters inside; --split "
                                    "is for audio files."));
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty())
        return usage(QStringLiteral("No input file was given."));
    if (inputs.count(QStringLiteral("-")) > 1)
        return usage(QStringLiteral("Standard input can be read only once."));
    if (!planOutputs(inputs, parser.value(parser.output)))
        return BadUsage;
    if (parser.isSet(parser.audioFormat)) {
        const auto named = AudioFileWriter::formatNamed(parser.value(parser.audioFormat));
        if (!named || (*named != AudioFileWriter::Mp3 && *named != AudioFileWriter::Opus))
            return usage(QStringLiteral("--audio-format takes mp3 or opus, not \"%1\".")
                             .arg(parser.value(parser.audioFormat)));
        m_bookOptions.audio = *named;
    }
    const QString unit = parser.value(parser.sync).toLower();
    if (parser.isSet(parser.sync) && unit != QLatin1String("words") &&
        unit != QLatin1String("sentences"))
        return usage(QStringLiteral("--sync takes sentences or words, not \"%1\".")
                         .arg(parser.value(parser.sync)));
    m_bookOptions.words = unit == QLatin1String("words");
    if (!m_book && (parser.isSet(parser.audioFormat) || parser.isSet(parser.sync)))
        return usage(QStringLiteral("--audio-format and --sync are for epub books (--format "
                                    "epub)."));
    if (m_book && !m_subtitles.isEmpty())
        return usage(QStringLiteral("An epub book carries its own timing; --subtitles is for "
                                    "audio files."));

    if (parser.isSet(parser.voice)) {
        const auto found = VoiceList::find(parser.value(parser.voice));
        if (!found) {
            report(QStringLiteral("There is no voice \"%1\"; 'wavewright --list-voices' lists "
                                  "them.")
                       .arg(parser.value(parser.voice)));
            return UnknownVoice;
        }
        const int speed = m_voice.speed;
        const int level = m_voice.volume;
        m_voice = found->setup;
        m_voice.speed = speed;
        m_voice.volume = level;
        m_voiceLabel = found->name;
    }

    interrupted = false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    // The workers set up their voices while the first document is read, and serve every
    // document after it.
    m_chunkFormat = m_voiceLabel.contains(QLatin1String("ATT"))
                        ? SpeechControl::Format16kHz16BitMono
                        : SpeechControl::Format22kHz16BitMono;
    ParallelSynthesis synthesis(m_workerProgram, m_voice, m_chunkFormat, m_workers);
    synthesis.start();
    m_synthesis = &synthesis;
    const auto forget = qScopeGuard([this] { m_synthesis = nullptr; });
    for (const Job &job : std::as_const(m_jobs)) {
        noteFailure(convert(job));
        if (interrupted)
            break;
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return m_exitCode;
}

bool BatchConverter::planOutputs(const QStringList &inputs, const QString &output)
{
    const QFileInfo out(output);
    // Chapters go into a folder of their own, which OUT names for a single input.
    const bool intoFolder = !output.isEmpty() && (m_split || inputs.size() > 1 || out.isDir() ||
                                                  output.endsWith(QLatin1Char('/')));
    if (!intoFolder && !output.isEmpty() && !m_formatGiven) {
        if (out.suffix().compare(QLatin1String("epub"), Qt::CaseInsensitive) == 0) {
            m_book = true;
        } else if (out.suffix().isEmpty()) {
            m_format = AudioFileWriter::Wav;
        } else if (const auto byName = AudioFileWriter::formatOfPath(output)) {
            m_format = *byName;
        } else {
            report(QStringLiteral("Unknown audio format \"%1\"; use wav, mp3, ogg, opus, flac or "
                                  "epub, or choose one with --format.")
                       .arg(out.suffix()));
            return false;
        }
    }
    if (intoFolder) {
        const QString why = makeFolder(output);
        if (!why.isEmpty()) {
            report(QStringLiteral("Cannot create the folder \"%1\": %2.").arg(output, why));
            m_exitCode = OutputFailed;
            return false;
        }
    }
    QStringList taken;
    for (const QString &input : inputs) {
        const bool standardInput = input == QLatin1String("-");
        if (standardInput && output.isEmpty()) {
            report(QStringLiteral("Reading standard input needs -o to name the output."));
            return false;
        }
        Job job{input, output, QString()};
        if (intoFolder || output.isEmpty()) {
            const QFileInfo source(input);
            const QString folder = intoFolder ? output : source.path();
            const QString base =
                standardInput ? QStringLiteral("stdin") : source.completeBaseName();
            const QString extension =
                m_book ? QStringLiteral("epub") : AudioFileWriter::extension(m_format);
            QString name = base;
            // Two inputs of one name (notes.txt, notes.rtf) each get their own output.
            for (int n = 2; taken.contains(QDir(folder).filePath(name + u'.' + extension)); ++n)
                name = QStringLiteral("%1-%2").arg(base).arg(n);
            job.output = QDir(folder).filePath(name + u'.' + extension);
            job.folder =
                inputs.size() == 1 && !output.isEmpty() ? output : QDir(folder).filePath(name);
        }
        taken.append(job.output);
        m_jobs.append(job);
    }
    return true;
}

int BatchConverter::convert(const Job &job)
{
    const bool standardInput = job.input == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : job.input;
    DocumentFile::LoadOptions options;
    // A signal ends a long reading as it ends a synthesis.
    options.cancel = &interrupted;
    DocumentFile::Imported imported;
    if (standardInput) {
        const std::optional<QByteArray> data = readStandardInput();
        if (!data) {
            report(QStringLiteral("Cannot read standard input: it is larger than %1 MB.")
                       .arg(DocumentFile::MaxLoadSize / (1024 * 1024)));
            return InputFailed;
        }
        imported = DocumentFile::importData(*data, QString(), options);
    } else {
        imported = DocumentFile::importFile(job.input, options);
    }
    if (imported.result.outcome == DocumentFile::LoadResult::Cancelled || interrupted)
        return Interrupted;
    // The reader's own words for what is wrong with the file.
    if (!imported.result.ok()) {
        report(imported.result.error);
        return InputFailed;
    }
    const QStringList leftOut = ResourceGate::takeLeftOut(imported.document.get());
    if (!leftOut.isEmpty())
        report(QStringLiteral("warning: \"%1\": %2\n    %3")
                   .arg(name, QString::fromLatin1(LoadNotice::LeftOutText),
                        leftOut.join(QStringLiteral("\n    "))));
    const QTextDocument &document = *imported.document;
    const QString text = document.toPlainText();
    if (text.trimmed().isEmpty()) {
        report(QStringLiteral("\"%1\" holds no text to speak.").arg(name));
        return InputFailed;
    }
    if (!standardInput &&
        QFileInfo(job.input).canonicalFilePath() == QFileInfo(job.output).canonicalFilePath()) {
        report(QStringLiteral("\"%1\" would be written over its own input.").arg(job.output));
        return OutputFailed;
    }

    const QString title = standardInput ? DocumentChapters::titleFromText(text)
                                        : QFileInfo(job.input).completeBaseName();
    return speakBook(
        job, document,
        AudioBook::fromDocument(document, DocumentMetadata::of(document), title, m_voiceLabel),
        name);
}

int BatchConverter::speakBook(const Job &job, const QTextDocument &document, const AudioBook &book,
                              const QString &name)
{
    ParallelSynthesis &synthesis = *m_synthesis;
    AudioBookWriter writer(
        [&synthesis](const QString &text, AudioFileWriter &file, SpeechTimeline &timeline) {
            synthesis.run(text, file, &timeline);
        },
        m_format, ParallelSynthesis::chunkRate(m_chunkFormat));
    if (!m_subtitles.isEmpty())
        writer.fileWritten = [&](const QString &path, const QString &text,
                                 const SpeechTimeline &timeline) {
            writeSubtitles(path, text, timeline, book.title);
        };
    const bool split = m_split && !book.chapters.isEmpty();
    // On a terminal, a line that says how far the book is: the chapter, and the share of
    // it (of the whole book in one file) that is done.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    QString chapter;
    qsizetype offset = 0;
    writer.chapterStarted = [&](int number, int count, qsizetype start) {
        chapter = split ? QStringLiteral(" chapter %1 of %2,").arg(number).arg(count) : QString();
        offset = split ? 0 : start;
    };
    QMetaObject::Connection shown;
    const auto unshow = qScopeGuard([&shown] { QObject::disconnect(shown); });
    if (terminal)
        shown = QObject::connect(
            &synthesis, &ParallelSynthesis::progress, [&](qint64 done, qint64 total) {
                const qint64 whole = split ? total : qMax<qint64>(total, book.text.size());
                const qint64 percent = whole > 0 ? (offset + done) * 100 / whole : 100;
                printTo(stderr, QStringLiteral("\r%1:%2 %3%").arg(name, chapter).arg(percent, 3));
            });
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (interrupted)
            synthesis.cancel();
    });
    watch.start();
    int code = Success;
    try {
        if (m_book)
            writeBook(job, document, book);
        else if (split)
            writer.writeChapters(book, job.folder,
                                 AudioBook::safeFileName(QFileInfo(job.folder).fileName()));
        else
            writer.writeFile(book, job.output);
    } catch (const SpeechError &e) {
        const bool fileError =
            e.number == SpeechErrors::FileAccess || e.number == SpeechErrors::FileTooLarge;
        if (e.number == SpeechErrors::Cancelled)
            code = Interrupted;
        else if (fileError)
            report(e.description);
        else
            report(QStringLiteral("Cannot convert \"%1\": %2").arg(name, e.description));
        if (code != Interrupted)
            code = fileError ? OutputFailed : SynthesisFailed;
    }
    if (terminal)
        printTo(stderr, QStringLiteral("\n"));
    return code;
}

void BatchConverter::writeBook(const Job &job, const QTextDocument &document,
                               const AudioBook &audio)
{
    m_bookOptions.chunkRate = ParallelSynthesis::chunkRate(m_chunkFormat);
    ReadAlongBook book(document, m_bookOptions);
    // The author as the document names it: a book's narrator is not its author.
    const DocumentMetadata about = DocumentMetadata::of(document);
    const EpubWriter::Metadata metadata{
        audio.title, about.author,
        about.language.isEmpty() ? ReadAlongBook::defaultLanguage() : about.language, m_voiceLabel};
    // The pages show the document, so their words are timed in the document's own text;
    // the audio book's spoken text has other positions. A picture shows on the page and is
    // not spoken there: its place holder becomes a space, every position kept.
    QString plain = document.toPlainText();
    plain.replace(QChar::ObjectReplacementCharacter, u' ');
    QList<ReadAlongBook::Chapter> chapters;
    for (const DocumentChapters::Chapter &chapter : DocumentChapters::of(document))
        chapters.append({chapter.title, chapter.start, chapter.end});
    if (chapters.isEmpty())
        chapters.append({audio.title, 0, plain.size()});
    book.write(
        job.output, chapters, metadata,
        [&](qsizetype from, qsizetype to, AudioFileWriter &writer, SpeechTimeline &timeline) {
            m_synthesis->run(plain.mid(from, to - from), writer, &timeline);
        });
    if (book.bySentence() && !std::exchange(m_toldBySentence, true))
        report(QStringLiteral("The voice reports no word positions; the book is timed by "
                              "sentence."));
}

void BatchConverter::writeSubtitles(const QString &audioPath, const QString &text,
                                    const SpeechTimeline &timeline, const QString &title)
{
    if (timeline.bySentence && !std::exchange(m_toldBySentence, true))
        report(QStringLiteral("The voice reports no word positions; the subtitles are timed "
                              "by sentence."));
    const QList<ReadAlongCue> cues =
        ReadAlongCues::build(text, timeline, SubtitleWriter::LongestCue);
    for (const SubtitleWriter::Format format : std::as_const(m_subtitles))
        SubtitleWriter::write(SubtitleWriter::pathBeside(audioPath, format),
                              SubtitleWriter::render(format, cues, timeline.sampleRate, title));
}

void BatchConverter::report(const QString &message) const
{
    printTo(stderr, QStringLiteral("wavewright: %1\n").arg(message));
}

void BatchConverter::noteFailure(int code)
{
    if (m_exitCode == Success)
        m_exitCode = code;
}
