#pragma once

#include <QByteArrayView>
#include <QString>
#include <unordered_map>

// Turns bytes of a Windows code page into text with iconv. Conversion handles are opened
// once per code page and kept. Bytes that are not valid in the code page become U+FFFD; a
// code page iconv does not know is read as Windows-1252.
class RtfTextDecoder
{
public:
    RtfTextDecoder() = default;
    ~RtfTextDecoder();
    RtfTextDecoder(const RtfTextDecoder &) = delete;
    RtfTextDecoder &operator=(const RtfTextDecoder &) = delete;

    QString decode(QByteArrayView bytes, int codePage);

    // True when iconv can convert from the code page.
    bool supports(int codePage);

private:
    void *handleFor(int codePage);

    std::unordered_map<int, void *> m_handles; // iconv_t, or nullptr when unavailable
};
