// libFuzzer entry: any bytes read as RTF, the result written back and read again.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextCursor>
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
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument first;
    RtfReader().read(bytes, QTextCursor(&first));
    const QByteArray written = RtfWriter().write(first);
    QTextDocument second;
    RtfReader().read(written, QTextCursor(&second));
    // What our writer produced must read back to the same text.
    if (second.toRawText() != first.toRawText())
        abort();
    return 0;
}
