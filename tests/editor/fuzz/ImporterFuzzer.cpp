// libFuzzer entry for one outside-format importer (chosen at build time by FUZZ_FORMAT):
// any bytes handed to it must end in a document or a refusal, within bounded memory.
#include "formats/DocumentImporters.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Documents need fonts, and fonts need a GUI application; no display is wanted.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "qt.*=false", 1);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DocumentImporter::Request request;
    request.data = QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    const DocumentImporter::Result result =
        DocumentImporters::forFormat(FUZZ_FORMAT)->import(request, &document);
    // A refusal must say what is wrong.
    if (result.status == DocumentImporter::Status::Failed && result.error.isEmpty())
        abort();
    return 0;
}
