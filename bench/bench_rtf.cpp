// Opening and saving a large RTF document. The file is either given or generated (mixed
// formatting: fonts, sizes, bold, italic, underline, strikethrough, colours, super/subscript
// and offsets, alignment, lists, tabs, line breaks, text beyond the code page). Each round
// times, one after the other so that a change in the machine's load touches all alike:
//  - "Open": what the user waits for after picking the file in File > Open, through the
//    same commands into a shown editor: until the title names the file, and until the
//    editor has painted the document for the first time;
//  - "parse": reading the file into a document with no view (no layout, no painting);
//  - "save": writing that document as RTF;
//  - soffice --convert-to txt and unrtf --text of the same file.
// Peak memory is the process's high-water mark above its size before the parse.
//   bench_rtf [megabytes, default 5 | file.rtf] [rounds, default 3]
#include "BenchSupport.h"
#include "DocumentCommands.h"
#include "DocumentFile.h"
#include "RichTextEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char *const Words[] = {"river",   "morning", "village", "letter", "station", "apples",
                             "cart",    "evening", "window",  "garden", "harbour", "lantern",
                             "meadow",  "bridge",  "engine",  "market", "quiet",   "yellow",
                             "through", "before",  "almost",  "under",  "across",  "slowly"};
// Cyrillic, Greek and Japanese words, written as \uN like other word processors do.
const char16_t *const Foreign[] = {u"Привет", u"мир", u"Ελληνικά", u"日本語", u"ёлка", u"café"};

QByteArray unicodeEscaped(const char16_t *text)
{
    QByteArray out;
    for (const char16_t *c = text; *c; ++c) {
        if (*c < 0x80)
            out += char(*c);
        else
            out += "\\u" + QByteArray::number(qint16(*c)) + '?';
    }
    return out;
}

// A document in the style of a word processor's output: a font and colour table, a list
// table, and paragraphs of formatted runs, until it reaches `bytes`.
QByteArray generate(qint64 bytes)
{
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n"
        "{\\fonttbl{\\f0\\froman\\fcharset0 Liberation Serif;}"
        "{\\f1\\fswiss\\fcharset0 Liberation Sans;}"
        "{\\f2\\fmodern\\fcharset0 Liberation Mono;}"
        "{\\f3\\fnil\\fcharset204 DejaVu Sans;}}\r\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;"
        "\\red0\\green128\\blue0;\\red31\\green78\\blue121;\\red128\\green0\\blue128;}\r\n"
        "{\\*\\listtable"
        "{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}"
        "{\\levelnumbers;}\\fi-360\\li720}{\\listlevel\\levelnfc23{\\leveltext\\'01"
        "\\u9702 ?;}{\\levelnumbers;}\\fi-360\\li1440}\\listid1}"
        "{\\list\\listtemplateid2{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}"
        "{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid2}}\r\n"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid2\\listoverridecount0\\ls2}}\r\n"
        "{\\info{\\title Generated}}\\deftab720\\viewkind4\r\n";
    static const char *const RunFormats[] = {
        "",         "\\b",      "\\i",        "\\ul",        "\\strike", "\\cf2",
        "\\b\\cf4", "\\i\\cf3", "\\f1\\fs28", "\\f2\\fs20",  "\\super",  "\\sub",
        "\\up6",    "\\dn4",    "\\b\\i\\ul", "\\cf5\\fs32", "\\scaps",  "\\f1\\b"};
    static const char *const Paragraphs[] = {"\\ql",
                                             "\\qc",
                                             "\\qr",
                                             "\\qj",
                                             "\\ls1\\ilvl0\\fi-360\\li720",
                                             "\\ls1\\ilvl1\\fi-360\\li1440",
                                             "\\ls2\\ilvl0\\fi-360\\li720"};
    quint32 seed = 12345;
    auto next = [&seed](quint32 range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    while (rtf.size() < bytes) {
        rtf += "\\pard\\plain";
        rtf += Paragraphs[next(std::size(Paragraphs))];
        rtf += "\\sa120\\f0\\fs24 ";
        const int runs = 3 + next(10);
        for (int run = 0; run < runs; ++run) {
            rtf += '{';
            rtf += RunFormats[next(std::size(RunFormats))];
            rtf += ' ';
            const int words = 1 + next(8);
            for (int word = 0; word < words; ++word) {
                const quint32 pick = next(40);
                if (pick == 0)
                    rtf += "{\\f3 " + unicodeEscaped(Foreign[next(std::size(Foreign))]) + '}';
                else if (pick == 1)
                    rtf += "\\tab";
                else if (pick == 2)
                    rtf += "\\line";
                else if (pick == 3)
                    rtf += "\\'e9t\\'e9";
                else
                    rtf += Words[next(std::size(Words))];
                rtf += ' ';
            }
            rtf += "}";
        }
        rtf += "\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Runs a converter; returns its wall time in seconds, or -1 when it failed.
double runConverter(const QString &program, const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    return seconds(timer);
}

double convertWithLibreOffice(const QString &soffice, const QString &profile, const QString &path,
                              const QString &outDir)
{
    return runConverter(
        soffice, {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                  "--norestore", "--convert-to", "txt:Text", "--outdir", outDir, path});
}

// Notes when a widget has painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

struct OpenTimes
{
    double title = -1;      // File > Open until the title names the file
    double paint = -1;      // ... until the editor's first paint of it is done
    double longestWait = 0; // the longest the window did not answer while the rest was laid out
};

// File > Open in a shown window of the editor's size, as the reader does it.
OpenTimes openInEditor(const QString &path)
{
    QWidget window;
    window.resize(800, 600);
    auto *edit = new RichTextEdit(&window);
    edit->setGeometry(0, 0, 800, 600);
    DocumentCommands commands(edit, &window);
    window.show();
    // The window is on screen and idle before the file is picked.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    PaintWatch watch;
    edit->viewport()->installEventFilter(&watch);

    OpenTimes times;
    const QString before = window.windowTitle();
    QElapsedTimer timer;
    timer.start();
    if (!commands.openFile(path) || window.windowTitle() == before)
        return times;
    times.title = seconds(timer);
    watch.painted = false;
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    times.paint = seconds(timer);

    // The rest is laid out while the window goes on answering: the longest the event loop
    // waited between two ticks, until the scroll range has stayed the same for a while.
    QScrollBar *const bar = edit->verticalScrollBar();
    QElapsedTimer tick, stable;
    tick.start();
    stable.start();
    int range = bar->maximum();
    while (stable.elapsed() < 500 && seconds(timer) < 20) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        times.longestWait = std::max(times.longestWait, seconds(tick));
        tick.restart();
        if (bar->maximum() != range) {
            range = bar->maximum();
            stable.restart();
        }
    }
    return times;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int rounds = std::max(1, argc > 2 ? QByteArray(argv[2]).toInt() : 3);
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (soffice.isEmpty() || unrtf.isEmpty()) {
        std::fprintf(stderr, "soffice or unrtf not found: install libreoffice-writer-nogui and "
                             "unrtf\n");
        return 1;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bench.rtf"));
    const QString savedPath = dir.filePath(QStringLiteral("saved.rtf"));
    if (argument.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive)) {
        path = QFileInfo(argument).absoluteFilePath();
    } else {
        const double megabytes = argument.isEmpty() ? 5.0 : argument.toDouble();
        const QByteArray rtf = generate(qint64(megabytes * 1024 * 1024));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
            return 1;
    }
    const double fileBytes = double(QFileInfo(path).size());

    // A first conversion on a tiny file creates LibreOffice's profile, which is not what is
    // measured.
    const QString profile = dir.filePath(QStringLiteral("profile"));
    const QString warmup = dir.filePath(QStringLiteral("warmup.rtf"));
    {
        QFile file(warmup);
        if (!file.open(QIODevice::WriteOnly) || file.write("{\\rtf1 warm up\\par}") <= 0)
            return 1;
    }
    if (convertWithLibreOffice(soffice, profile, warmup, dir.path()) < 0)
        return 1;

    std::vector<double> titles, paints, waits, parses, saves, offices, unrtfs;
    long peakLoad = 0, peakSave = 0, baseline = 0;
    int paragraphs = 0;
    qint64 characters = 0;
    qint64 savedBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        const OpenTimes open = openInEditor(path);
        if (open.paint < 0)
            return 1;
        titles.push_back(open.title);
        paints.push_back(open.paint);
        waits.push_back(open.longestWait);

        baseline = bench::statusKilobytes("VmRSS:");
        const bool peakReset = bench::resetPeak();
        QElapsedTimer timer;
        timer.start();
        DocumentFile::Imported imported = DocumentFile::importFile(path, {});
        if (!imported.result.ok())
            return 1;
        const std::unique_ptr<QTextDocument> &document = imported.document;
        parses.push_back(seconds(timer));
        peakLoad =
            std::max(peakLoad, bench::statusKilobytes("VmHWM:") - (peakReset ? baseline : 0));

        timer.restart();
        if (!DocumentFile::save(*document, savedPath))
            return 1;
        saves.push_back(seconds(timer));
        peakSave =
            std::max(peakSave, bench::statusKilobytes("VmHWM:") - (peakReset ? baseline : 0));
        paragraphs = document->blockCount();
        characters = document->characterCount();
        savedBytes = QFileInfo(savedPath).size();
        imported.document.reset();

        offices.push_back(convertWithLibreOffice(soffice, profile, path, dir.path()));
        unrtfs.push_back(runConverter(unrtf, {QStringLiteral("--text"), path}));
        if (offices.back() < 0 || unrtfs.back() < 0)
            return 1;
        std::printf("round %d: Open %.3f s to the title, %.3f s to the first paint, longest "
                    "wait after it %.3f s; parse %.3f s, save %.3f s; soffice %.3f s, unrtf "
                    "%.3f s\n",
                    round + 1, titles.back(), paints.back(), waits.back(), parses.back(),
                    saves.back(), offices.back(), unrtfs.back());
        std::fflush(stdout);
    }

    const double paint = bench::median(paints);
    const double office = bench::median(offices);
    const double text = bench::median(unrtfs);
    std::printf("file: %.2f MB RTF, %d paragraphs, %lld characters; saved again as %.2f MB\n",
                fileBytes / 1048576.0, paragraphs, characters, savedBytes / 1048576.0);
    std::printf("median of %d rounds:\n", rounds);
    std::printf("  Open, until the title names the file           %7.3f s\n",
                bench::median(titles));
    std::printf("  Open, until the editor's first paint is done   %7.3f s\n", paint);
    std::printf("  Open, then the longest the window did not answer while the rest was laid "
                "out  %.3f s\n",
                bench::median(waits));
    std::printf("  parse alone (RTF into a document with no view)  %7.3f s\n",
                bench::median(parses));
    std::printf("  save (the parsed document as RTF)               %7.3f s\n",
                bench::median(saves));
    std::printf("  soffice --convert-to txt                        %7.3f s\n", office);
    std::printf("  unrtf --text                                    %7.3f s\n", text);
    std::printf("  Open to first paint: %.1f times as fast as soffice (aim: at least 12), "
                "%.2f times unrtf's time\n",
                office / paint, paint / text);
    std::printf("peak memory above the resident size before parsing (worst round): parse %.1f "
                "MB (%.1f x the file), parse and save %.1f MB (%.1f x the file)\n",
                peakLoad / 1024.0, peakLoad * 1024.0 / fileBytes, peakSave / 1024.0,
                peakSave * 1024.0 / fileBytes);
    return 0;
}
