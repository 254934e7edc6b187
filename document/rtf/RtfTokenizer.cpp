#include "RtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace {
// Control words are at most 32 letters; longer runs are still consumed but cut short.
constexpr qsizetype MaxWordLength = 32;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView data) : m_data(data) {}

RtfTokenizer::Token RtfTokenizer::next()
{
    Token token;
    while (m_pos < m_data.size()) {
        const char c = m_data[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            token.type = GroupOpen;
            return token;
        case '}':
            ++m_pos;
            token.type = GroupClose;
            return token;
        case '\\':
            token = readControl();
            if (token.type != End)
                return token;
            continue; // a broken escape yields nothing
        case '\r':
        case '\n':
            // Line ends in RTF are only there to keep lines short; they carry no text.
            ++m_pos;
            continue;
        default: {
            const qsizetype start = m_pos;
            while (m_pos < m_data.size()) {
                const char d = m_data[m_pos];
                if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
                    break;
                ++m_pos;
            }
            token.type = Text;
            token.word = m_data.sliced(start, m_pos - start);
            return token;
        }
        }
    }
    return token;
}

RtfTokenizer::Token RtfTokenizer::readControl()
{
    Token token;
    ++m_pos; // the backslash
    if (m_pos >= m_data.size())
        return token; // a lone backslash at the very end: nothing more to read

    const char c = m_data[m_pos];
    if (!isLetter(c)) {
        ++m_pos;
        if (c == '\'') {
            int high = m_pos < m_data.size() ? hexValue(m_data[m_pos]) : -1;
            int low = m_pos + 1 < m_data.size() ? hexValue(m_data[m_pos + 1]) : -1;
            if (high >= 0 && low >= 0) {
                m_pos += 2;
                token.type = HexByte;
                token.byte = static_cast<unsigned char>(high * 16 + low);
                return token;
            }
            // A broken escape: keep what was readable and move on.
            if (high >= 0)
                ++m_pos;
            return token;
        }
        if (c == '\r' || c == '\n') {
            // A backslash before a line end is the old spelling of \par.
            token.type = ControlWord;
            token.word = "par";
            return token;
        }
        token.type = ControlSymbol;
        token.symbol = c;
        return token;
    }

    const qsizetype start = m_pos;
    while (m_pos < m_data.size() && isLetter(m_data[m_pos]))
        ++m_pos;
    token.type = ControlWord;
    token.word = m_data.sliced(start, std::min(m_pos - start, MaxWordLength));

    if (m_pos < m_data.size() && (m_data[m_pos] == '-' || isDigit(m_data[m_pos]))) {
        bool negative = false;
        if (m_data[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        qint64 value = 0;
        bool any = false;
        while (m_pos < m_data.size() && isDigit(m_data[m_pos])) {
            // Saturate instead of overflowing: huge numbers are clamped, every digit consumed.
            if (value < std::numeric_limits<int>::max())
                value = value * 10 + (m_data[m_pos] - '0');
            any = true;
            ++m_pos;
        }
        if (any) {
            value = std::min<qint64>(value, std::numeric_limits<int>::max());
            token.hasParameter = true;
            token.parameter = static_cast<int>(negative ? -value : value);
        }
    }
    // One space after a control word is its delimiter, not text.
    if (m_pos < m_data.size() && m_data[m_pos] == ' ')
        ++m_pos;

    if (token.word == "bin" && token.hasParameter) {
        // Binary data follows; its length may lie, so never read past the end.
        const qsizetype length = std::clamp<qsizetype>(token.parameter, 0, m_data.size() - m_pos);
        token.type = Binary;
        token.word = m_data.sliced(m_pos, length);
        m_pos += length;
    }
    return token;
}

int RtfTokenizer::hexValue(char c) const
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
