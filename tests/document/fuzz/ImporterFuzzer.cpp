// libFuzzer entry for one outside-format importer (chosen at build time by FUZZ_FORMAT):
// any bytes handed to it must end in a document or a refusal, within bounded memory. The
// document reads as if it lay in a folder holding what hostile names aim at (a picture, a
// style sheet, a pipe, a link to a device, a link out of the folder, a picture too large),
// with everything it names going through the resource gate as in the programs.
#include "EditorDocument.h"
#include "formats/DocumentImporters.h"
#include "formats/ResourceGate.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

namespace {
QString documentPath;

void makeFolder(const QString &folder)
{
    QImage(8, 8, QImage::Format_RGB32).save(folder + QStringLiteral("/pic.png"));
    QFile css(folder + QStringLiteral("/style.css"));
    if (css.open(QIODevice::WriteOnly))
        css.write("p { background-image: url(pic.png) } @import url(style.css);");
    QFile big(folder + QStringLiteral("/big.png"));
    if (big.open(QIODevice::WriteOnly))
        big.resize(qint64(40) * 1024 * 1024);
    ::mkfifo(QFile::encodeName(folder + QStringLiteral("/fifo")).constData(), 0600);
    QFile::link(QStringLiteral("/dev/zero"), folder + QStringLiteral("/zero"));
    QFile::link(QStringLiteral("/etc/hostname"), folder + QStringLiteral("/out"));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Documents need fonts, and fonts need a GUI application; no display is wanted.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "qt.*=false", 1);
    static QGuiApplication application(*argc, *argv);
    static QTemporaryDir folder;
    makeFolder(folder.path());
    documentPath = folder.filePath(QStringLiteral("page"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DocumentImporter::Request request;
    request.data = QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    request.fileName = documentPath;
    EditorDocument document;
    ResourceGate gate(&document, documentPath);
    request.resources = &gate;
    const DocumentImporter::Result result =
        DocumentImporters::forFormat(FUZZ_FORMAT)->import(request, &document);
    // A refusal must say what is wrong.
    if (result.status == DocumentImporter::Status::Failed && result.error.isEmpty())
        abort();
    ResourceGate::takeLeftOut(&document);
    return 0;
}
