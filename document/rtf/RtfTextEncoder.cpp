#include "RtfTextEncoder.h"

#include "RtfCodePage.h"
#include "RtfTextDecoder.h"

namespace {
void appendHex(QByteArray &out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out.append("\\'");
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0xF]);
}
} // namespace

RtfTextEncoder::RtfTextEncoder()
{
    RtfTextDecoder decoder;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char c = static_cast<char>(byte);
        const QString decoded = decoder.decode(QByteArrayView(&c, 1), RtfCodePage::Ansi);
        if (decoded.size() == 1 && decoded.at(0) != QChar::ReplacementCharacter)
            m_codePage.insert(decoded.at(0).unicode(), static_cast<unsigned char>(byte));
    }
}

void RtfTextEncoder::append(QByteArray &out, QStringView text) const
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        switch (c) {
        case u'\\':
            out.append("\\\\");
            continue;
        case u'{':
            out.append("\\{");
            continue;
        case u'}':
            out.append("\\}");
            continue;
        case u'\t':
            out.append("\\tab ");
            continue;
        case 0x2028:
            out.append("\\line ");
            continue;
        case 0x00A0:
            out.append("\\~");
            continue;
        case 0x00AD:
            out.append("\\-");
            continue;
        case 0x2011:
            out.append("\\_");
            continue;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            out.append(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F) {
            appendHex(out, static_cast<unsigned char>(c));
        } else if (const auto found = m_codePage.constFind(c); found != m_codePage.constEnd()) {
            appendHex(out, found.value());
        } else {
            // RTF's \u takes a signed 16-bit number; characters beyond the BMP go as their
            // two surrogates, which is how word processors write them too.
            out.append("\\u");
            out.append(QByteArray::number(static_cast<qint16>(c)));
            out.append('?');
        }
    }
}
