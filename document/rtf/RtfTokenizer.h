#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Splits RTF bytes into groups, control words, control symbols, hex bytes, literal text and
// \bin data. It never fails: whatever the input, every call makes progress and the end of
// the data is reported as End, so a reader built on it always terminates.
class RtfTokenizer
{
public:
    enum Type { End, GroupOpen, GroupClose, ControlWord, ControlSymbol, HexByte, Text, Binary };

    struct Token
    {
        Type type = End;
        QByteArrayView word; // ControlWord: the letters; Text and Binary: the bytes
        bool hasParameter = false;
        int parameter = 0;      // ControlWord parameter, clamped to the int range
        char symbol = 0;        // ControlSymbol
        unsigned char byte = 0; // HexByte
    };

    explicit RtfTokenizer(QByteArrayView data);

    Token next();

    // Position in the data, for progress and tests.
    qsizetype position() const { return m_pos; }

private:
    Token readControl();
    int hexValue(char c) const;

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};
