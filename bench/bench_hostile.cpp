// Hostile documents and a crowded registry, timed on the path the user takes: a document is
// opened from its file the way File > Open opens it into the window's editor (read on a
// worker, then handed to the editor) and then laid out completely (what the window must do
// before it answers again); the registry is listed the way the voice
// catalogue and the registry tool list it. One case per run, so that the peak memory is
// that case's own.
//   bench_hostile fonts N          N distinct fonts, each used once
//   bench_hostile paragraph MB     one paragraph of MB megabytes
//   bench_hostile pictures N       N PNG pictures of 5000 x 5000 pixels
//   bench_hostile registry N       N sub-keys under one key
//   bench_hostile open FILE        a document made elsewhere
#include "DocumentFile.h"
#include "DocumentLoader.h"
#include "SqliteRegistryStore.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <cstdio>
#include <sys/resource.h>

namespace {
long peakMegabytes()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QByteArray fonts(int count)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (int i = 0; i < count; ++i)
        rtf +=
            "{\\f" + QByteArray::number(i) + "\\fnil Font Number " + QByteArray::number(i) + ";}";
    rtf += "}\n";
    for (int i = 0; i < count; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " word " + QByteArray::number(i) + "}\n";
    return rtf + "}";
}

QByteArray paragraph(int megabytes)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}}\\f0 ";
    const QByteArray sentence = "The quick brown fox jumps over the lazy dog again. ";
    while (rtf.size() < qint64(megabytes) * 1024 * 1024)
        rtf += sentence;
    return rtf + "}";
}

QByteArray pictures(int count)
{
    QImage image(5000, 5000, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::darkBlue, 40));
    painter.drawEllipse(500, 500, 4000, 4000);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QByteArray group = "{\\pict\\pngblip\\picw5000\\pich5000\\picwgoal9000\\pichgoal9000 " +
                             png.toHex() + "}\\par\n";
    QByteArray rtf = "{\\rtf1\\ansi\\deff0 ";
    for (int i = 0; i < count; ++i)
        rtf += "Picture " + QByteArray::number(i) + "\\par\n" + group;
    return rtf + "}";
}

int document(const QByteArray &rtf, const QString &name = QStringLiteral("hostile.rtf"))
{
    // Reading alone: into a document that no window shows, so nothing is laid out.
    QElapsedTimer timer;
    timer.start();
    {
        QTextDocument bare;
        DocumentFile::loadData(rtf, &bare, QTextCharFormat());
    }
    const qint64 parsed = timer.elapsed();

    // As Open does it, from the file into the shown editor; the window answers again only
    // once the layout it needs is done, and all of it is asked for here, as scrolling to
    // the end would.
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return 1;
    file.close();
    QTextEdit editor;
    editor.resize(900, 700);
    editor.show();
    timer.restart();
    if (!DocumentLoader::open(&editor, path, editor.document(), QTextCharFormat()).ok())
        return 1;
    editor.document()->documentLayout()->documentSize();
    editor.moveCursor(QTextCursor::End);
    editor.ensureCursorVisible();
    QApplication::processEvents();
    std::printf("file %.1f MB  read %lld ms  open+layout %lld ms  blocks %d  peak %ld MB\n",
                rtf.size() / 1048576.0, parsed, timer.elapsed(), editor.document()->blockCount(),
                peakMegabytes());
    return 0;
}

int registry(int count)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("registry.sqlite");
    {
        SqliteRegistryStore store(path);
        store.runBatch([&] {
            const auto key = store.createKey(RegistryRoot::LocalMachine, "Software\\Many");
            for (int i = 0; key && i < count; ++i)
                store.createKey(RegistryRoot::LocalMachine,
                                QStringLiteral("Software\\Many\\Key%1").arg(i, 7, 10, QChar('0')));
            return true;
        });
    }
    SqliteRegistryStore store(path, SqliteRegistryStore::Access::ReadOnly);
    QElapsedTimer timer;
    timer.start();
    const auto key = store.openKey(RegistryRoot::LocalMachine, "Software\\Many");
    int listed = 0;
    while (key && store.enumKey(*key, listed))
        ++listed;
    std::printf("keys %d  listed %d in %lld ms\n", count, listed, timer.elapsed());
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray what = argv[1];
    if (what == "open") {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        return document(file.readAll(), QFileInfo(file.fileName()).fileName());
    }
    const int n = QByteArray(argv[2]).toInt();
    if (what == "fonts")
        return document(fonts(n));
    if (what == "paragraph")
        return document(paragraph(n));
    if (what == "pictures")
        return document(pictures(n));
    if (what == "registry")
        return registry(n);
    return 2;
}
