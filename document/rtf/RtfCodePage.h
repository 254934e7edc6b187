#pragma once

#include <QByteArray>

// Windows code pages as RTF names them: the document's \ansicpg, a font's \fcharset and
// \cpg. Only the mapping lives here; RtfTextDecoder does the conversion.
class RtfCodePage
{
public:
    static constexpr int Ansi = 1252;
    static constexpr int Utf8 = 65001;

    // The code page of a font character set, or 0 when the set means "the document's
    // default" (DEFAULT_CHARSET) or is unknown.
    static int fromCharset(int charset);

    // The preferred character set for text of a code page (used when writing fonts).
    static int charsetFor(int codePage);

    // The name iconv knows the code page by.
    static QByteArray iconvName(int codePage);
};
