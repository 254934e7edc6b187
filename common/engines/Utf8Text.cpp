#include "Utf8Text.h"

Utf8Text::Utf8Text(const QString &text)
{
    index.reserve(size_t(text.size()) * 2 + 1);
    for (int i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        const int start = i;
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(code)) {
            code = QChar::ReplacementCharacter;
        }
        // A NUL would end the library's text early; a blank keeps every position in place.
        if (code == 0)
            code = ' ';
        const QByteArray bytes = QString::fromUcs4(&code, 1).toUtf8();
        utf8 += bytes;
        index.insert(index.end(), size_t(bytes.size()), start);
    }
    index.push_back(int(text.size()));
}

void scaleVolume(const qint16 *samples, int count, int volume, std::vector<qint16> &out)
{
    out.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int product = samples[i] * volume;
        out[size_t(i)] = qint16((product >= 0 ? product + 49 : product - 49) / 99);
    }
}
