#include "RtfTextDecoder.h"

#include "RtfCodePage.h"

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {
const auto InvalidHandle = reinterpret_cast<iconv_t>(-1);

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}
} // namespace

RtfTextDecoder::~RtfTextDecoder()
{
    for (auto &[codePage, handle] : m_handles) {
        if (handle)
            iconv_close(static_cast<iconv_t>(handle));
    }
}

bool RtfTextDecoder::supports(int codePage)
{
    return codePage == RtfCodePage::Utf8 || handleFor(codePage) != nullptr;
}

void *RtfTextDecoder::handleFor(int codePage)
{
    auto found = m_handles.find(codePage);
    if (found != m_handles.end())
        return found->second;
    iconv_t handle = iconv_open("UTF-8", RtfCodePage::iconvName(codePage).constData());
    void *stored = handle == InvalidHandle ? nullptr : handle;
    m_handles.emplace(codePage, stored);
    return stored;
}

QString RtfTextDecoder::decode(QByteArrayView bytes, int codePage)
{
    // Windows code pages all agree with ASCII below 0x80; most text takes this path.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (codePage == RtfCodePage::Utf8)
        return QString::fromUtf8(bytes);

    void *handle = handleFor(codePage);
    if (!handle && codePage != RtfCodePage::Ansi)
        handle = handleFor(RtfCodePage::Ansi);
    if (!handle)
        return QString::fromLatin1(bytes);
    auto cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // start from the initial shift state

    QByteArray out;
    out.resize(bytes.size() * 4 + 16);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char *outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    static const char Replacement[] = "\xEF\xBF\xBD";

    while (inLeft > 0) {
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (result != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 4) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // An invalid byte, or a multi-byte character cut short: mark it and go on with
        // the next byte.
        memcpy(outPtr, Replacement, 3);
        outPtr += 3;
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return QString::fromUtf8(out.constData(), outPtr - out.data());
}
