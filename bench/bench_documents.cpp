// Opening outside formats: a 300-page PDF, a 2 MB EPUB and a 2 MB DOCX made on this machine
// by pandoc and LibreOffice, read into a document as File > Open does (file to finished
// QTextDocument on one thread; painting is not included), next to the independent readers
// on the same files in the same run: LibreOffice converting to text, and pdftotext or
// pandoc rendering plain text. Rounds are interleaved; medians are printed. The allocator is
// set as the reader and the converter set it at their start.
//
// Then body-text fidelity: how closely the words a listener hears follow the words a person
// reads, for a journal set in two columns with running heads, page numbers and footnotes
// (drawn by python3-reportlab), an EPUB (pandoc) and a DOCX (LibreOffice) with notes, lists,
// a picture and a table. The figure is the word-sequence ratio against the body text written
// down beside each source (2 * words in common, in order / words in both), for Parlance's
// spoken text and for pdftotext and pandoc -t plain on the same files. The words said only
// to announce ("Note", "Picture") are left out on every side.
//   bench_documents [rounds]
#include "AllocatorTuning.h"
#include "BenchSupport.h"
#include "DocumentFile.h"
#include "SpokenText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
struct Measure
{
    std::vector<double> seconds;
    std::vector<long> peakKb;
    void add(double s, long kb)
    {
        seconds.push_back(s);
        peakKb.push_back(kb);
    }
};

// Runs a program under /usr/bin/time; wall seconds and its peak resident size.
bool timed(const QString &program, const QStringList &arguments, double *seconds, long *peakKb,
           const QString &outputFile = QString())
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral("/usr/bin/time"),
                  QStringList{"-f", "TIMED %e %M", program} + arguments);
    if (!process.waitForFinished(1200000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> lines = process.readAllStandardError().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("TIMED ")) {
            const QList<QByteArray> f = line.split(' ');
            *seconds = f.value(1).toDouble();
            *peakKb = f.value(2).toLong();
            return true;
        }
    }
    return false;
}

// Markdown of pseudo-words (so the zip formats do not shrink it to nothing), with a
// heading every so often: the same on every run.
QByteArray markdown(qint64 bytes)
{
    QByteArray text;
    quint32 state = 4242;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % quint32(range));
    };
    int paragraph = 0;
    while (text.size() < bytes) {
        if (paragraph % 20 == 0)
            text += "## Section " + QByteArray::number(paragraph / 20 + 1) + "\n\n";
        for (int w = 0; w < 90; ++w) {
            const int length = 2 + next(8);
            for (int c = 0; c < length; ++c)
                text += char('a' + next(26));
            text += w % 12 == 11 ? ". " : " ";
        }
        text += "\n\n";
        ++paragraph;
    }
    return text;
}

QStringList wordsOf(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}']+"));
    QStringList words;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString w = it.next().captured();
        if (w != QLatin1String("Note") && w != QLatin1String("Picture"))
            words.append(w);
    }
    return words;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// 2 * the longest common subsequence / both lengths, as difflib's ratio.
double sequenceRatio(const QStringList &a, const QStringList &b)
{
    if (a.isEmpty() && b.isEmpty())
        return 1;
    std::vector<int> row(size_t(b.size()) + 1, 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = 0;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] =
                a[i - 1] == b[j - 1] ? diagonal + 1 : std::max(row[size_t(j)], row[size_t(j - 1)]);
            diagonal = above;
        }
    }
    return 2.0 * row[size_t(b.size())] / double(a.size() + b.size());
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(1800000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAll().constData());
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    AllocatorTuning::forLargeDocuments();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString pandoc = QStandardPaths::findExecutable(QStringLiteral("pandoc"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (soffice.isEmpty() || pandoc.isEmpty() || pdftotext.isEmpty()) {
        std::fprintf(stderr, "needs soffice, pandoc and pdftotext\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString profile =
        "-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).toString();
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };

    // The files: sizes chosen so the DOCX and the EPUB come out near 2 MB and the PDF
    // near 300 pages.
    std::printf("making the documents...\n");
    std::fflush(stdout);
    if (!write("big.md", markdown(3300 * 1024)) || !write("pages.md", markdown(1050 * 1024)))
        return 1;
    if (!run(pandoc, {dir.filePath("big.md"), "-o", dir.filePath("book.epub")}) ||
        !run(pandoc, {dir.filePath("big.md"), "-o", dir.filePath("report.docx")}) ||
        !run(pandoc, {dir.filePath("pages.md"), "-o", dir.filePath("pages.docx")}) ||
        !run(soffice, {profile, "--headless", "--convert-to", "pdf", "--outdir", dir.path(),
                       dir.filePath("pages.docx")}))
        return 1;

    struct File
    {
        QString name;
        QString peer; // pdftotext or pandoc
    };
    const QList<File> files = {
        {"pages.pdf", pdftotext}, {"book.epub", pandoc}, {"report.docx", pandoc}};
    QList<Measure> ours(files.size()), office(files.size()), peers(files.size());
    QList<int> paragraphs(files.size());
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < files.size(); ++i) {
            const QString path = dir.filePath(files[i].name);
            {
                auto document = std::make_unique<QTextDocument>();
                const long baseline = bench::statusKilobytes("VmRSS:");
                const bool reset = bench::resetPeak();
                QElapsedTimer timer;
                timer.start();
                DocumentFile::LoadOptions options;
                if (!DocumentFile::load(path, document.get(), options).ok())
                    return 1;
                ours[i].add(double(timer.nsecsElapsed()) / 1e9,
                            bench::statusKilobytes("VmHWM:") - (reset ? baseline : 0));
                paragraphs[i] = document->blockCount();
            }
            double s = 0;
            long kb = 0;
            if (!timed(soffice,
                       {profile, "--headless", "--norestore", "--convert-to", "txt:Text",
                        "--outdir", dir.filePath("office"), path},
                       &s, &kb))
                return 1;
            office[i].add(s, kb);
            const bool pdf = files[i].name.endsWith(".pdf");
            const QStringList peerArgs =
                pdf ? QStringList{"-layout", path, dir.filePath("peer.txt")}
                    : QStringList{"-t", "plain", path, "-o", dir.filePath("peer.txt")};
            if (!timed(files[i].peer, peerArgs, &s, &kb))
                return 1;
            peers[i].add(s, kb);
            std::printf("round %d %-12s ours %.2f s, LibreOffice %.2f s, %s %.2f s\n", round + 1,
                        qPrintable(files[i].name), ours[i].seconds.back(), office[i].seconds.back(),
                        qPrintable(QFileInfo(files[i].peer).fileName()), peers[i].seconds.back());
            std::fflush(stdout);
        }
    }
    std::printf(
        "\nmedians of %d rounds (time to a finished document or text file; peak resident)\n",
        rounds);
    std::printf("%-12s %8s %6s | %-22s | %-22s | %-22s\n", "file", "size", "paras", "Parlance load",
                "soffice --convert-to txt", "pdftotext / pandoc");
    for (int i = 0; i < files.size(); ++i) {
        std::printf("%-12s %6.2fMB %6d | %7.2f s %8ld MB | %7.2f s %8ld MB | %7.2f s %8ld MB\n",
                    qPrintable(files[i].name),
                    QFileInfo(dir.filePath(files[i].name)).size() / 1048576.0, paragraphs[i],
                    bench::median(ours[i].seconds), bench::median(ours[i].peakKb) / 1024,
                    bench::median(office[i].seconds), bench::median(office[i].peakKb) / 1024,
                    bench::median(peers[i].seconds), bench::median(peers[i].peakKb) / 1024);
    }

    // Body-text fidelity, on samples made from their sources by their producers here.
    const QString samples = QStringLiteral(PARLANCE_SAMPLES);
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!run(python, {samples + "/journal.py", dir.filePath("journal.pdf"),
                      dir.filePath("journal.spoken.txt")}) ||
        !run(pandoc, {samples + "/reading.md", "--resource-path", samples, "-o",
                      dir.filePath("reading.epub")}) ||
        !run(soffice, {profile, "--headless", "--convert-to", "docx", "--outdir", dir.path(),
                       samples + "/notes.fodt"}))
        return 1;
    struct Sample
    {
        QString name;
        QString known; // the body text a person reads in it
        QString peer;
    };
    const QList<Sample> fidelity = {{"journal.pdf", dir.filePath("journal.spoken.txt"), pdftotext},
                                    {"reading.epub", samples + "/reading.spoken.txt", pandoc},
                                    {"notes.docx", samples + "/notes.spoken.txt", pandoc}};
    std::printf("\nbody-text fidelity (word-sequence ratio against the known body text)\n");
    std::printf("%-14s %10s %22s\n", "file", "Parlance", "pdftotext / pandoc");
    for (const Sample &sample : fidelity) {
        const QString path = dir.filePath(sample.name);
        const QStringList known = wordsOf(readText(sample.known));
        QTextDocument document;
        if (!DocumentFile::load(path, &document, DocumentFile::LoadOptions()).ok())
            return 1;
        const double ours =
            sequenceRatio(wordsOf(SpokenText::fromDocument(document).text()), known);
        const QString peerText = dir.filePath("peer-" + sample.name + ".txt");
        const QStringList peerArgs = sample.peer == pdftotext
                                         ? QStringList{path, peerText}
                                         : QStringList{"-t", "plain", path, "-o", peerText};
        if (!run(sample.peer, peerArgs))
            return 1;
        const double theirs = sequenceRatio(wordsOf(readText(peerText)), known);
        std::printf("%-14s %10.4f %22.4f\n", qPrintable(sample.name), ours, theirs);
    }
    return 0;
}
