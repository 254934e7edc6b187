// Opening and saving a large RTF document: a generated file of mixed formatting (fonts,
// sizes, bold, italic, underline, strikethrough, colours, super/subscript and offsets,
// alignment, lists, tabs, line breaks, text beyond the code page) is loaded the way Open
// loads it and saved the way Save writes it, against LibreOffice converting the same file
// to plain text in the same run. Peak memory is the process's high-water mark, reset just
// before the load so that it counts what loading and saving need.
//   bench_rtf [megabytes, default 5]
#include "DocumentFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Rounds = 3;

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

long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Lets the high-water mark start again from the current resident size.
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Converts with a profile of its own; returns the wall time in seconds, or -1.
double convertWithLibreOffice(const QString &soffice, const QString &profile, const QString &path,
                              const QString &outDir)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice,
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                   "--norestore", "--convert-to", "txt:Text", "--outdir", outDir, path});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "soffice failed: %s\n", process.readAll().constData());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 5.0;
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::fprintf(stderr, "soffice not found: install libreoffice-writer-nogui\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.rtf"));
    const QString savedPath = dir.filePath(QStringLiteral("saved.rtf"));
    {
        const QByteArray rtf = generate(qint64(megabytes * 1024 * 1024));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
            return 1;
    }
    const double fileBytes = double(QFileInfo(path).size());

    std::vector<double> loads, saves;
    long peakLoad = 0, peakSave = 0, baseline = 0;
    int paragraphs = 0;
    qint64 characters = 0;
    qint64 savedBytes = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto document = std::make_unique<QTextDocument>();
        baseline = statusKilobytes("VmRSS:");
        const bool peakReset = resetPeak();
        QElapsedTimer timer;
        timer.start();
        if (!DocumentFile::load(path, document.get()))
            return 1;
        loads.push_back(double(timer.nsecsElapsed()) / 1e9);
        peakLoad = std::max(peakLoad, statusKilobytes("VmHWM:") - (peakReset ? baseline : 0));

        timer.restart();
        if (!DocumentFile::save(*document, savedPath))
            return 1;
        saves.push_back(double(timer.nsecsElapsed()) / 1e9);
        peakSave = std::max(peakSave, statusKilobytes("VmHWM:") - (peakReset ? baseline : 0));
        paragraphs = document->blockCount();
        characters = document->characterCount();
        savedBytes = QFileInfo(savedPath).size();
        std::printf("round %d: load %.3f s, save %.3f s; %ld MB resident before loading\n",
                    round + 1, loads.back(), saves.back(), baseline / 1024);
        std::fflush(stdout);
    }

    // A first conversion on a tiny file creates the profile, which is not what is measured.
    const QString profile = dir.filePath(QStringLiteral("profile"));
    const QString warmup = dir.filePath(QStringLiteral("warmup.rtf"));
    {
        QFile file(warmup);
        if (!file.open(QIODevice::WriteOnly) || file.write("{\\rtf1 warm up\\par}") <= 0)
            return 1;
    }
    if (convertWithLibreOffice(soffice, profile, warmup, dir.path()) < 0)
        return 1;
    const double office = convertWithLibreOffice(soffice, profile, path, dir.path());
    if (office < 0)
        return 1;
    const qint64 textBytes = QFileInfo(dir.filePath(QStringLiteral("bench.txt"))).size();

    const double load = median(loads);
    const double save = median(saves);
    std::printf("file: %.2f MB RTF, %d paragraphs, %lld characters; saved again as %.2f MB\n",
                fileBytes / 1048576.0, paragraphs, characters, savedBytes / 1048576.0);
    std::printf("median of %d rounds:\n", Rounds);
    std::printf("  load (RTF into a QTextDocument)     %7.3f s\n", load);
    std::printf("  save (QTextDocument as RTF)         %7.3f s\n", save);
    std::printf("  soffice --convert-to txt            %7.3f s (%.2f MB of text)\n", office,
                textBytes / 1048576.0);
    std::printf("  load is %.1f times as fast as soffice (aim: at least 5)\n", office / load);
    std::printf("peak memory above the resident size before loading (worst round): load %.1f "
                "MB (%.1f x the file), load and save %.1f MB (%.1f x the file; aim: under 20)\n",
                peakLoad / 1024.0, peakLoad * 1024.0 / fileBytes, peakSave / 1024.0,
                peakSave * 1024.0 / fileBytes);
    std::printf("whole process at its peak: %.1f MB (%.1f x the file)\n",
                (peakSave + baseline) / 1024.0, (peakSave + baseline) * 1024.0 / fileBytes);
    return 0;
}
