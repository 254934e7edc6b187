#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QSizeF>

// The \pict group being read: its format, its intended size and its data, as hex text or
// \bin bytes. Only PNG and JPEG become images; other formats are ignored.
class RtfPicture
{
public:
    void reset();

    // Handles a control word of the group; the ids are RtfKeyword's.
    void controlWord(int id, int parameter);
    void appendHex(QByteArrayView hex);
    void appendBinary(QByteArrayView bytes);

    // The decoded image, or a null image when the picture is not a readable PNG or JPEG.
    QImage image() const;
    // The encoded bytes as they came.
    QByteArray data() const;
    bool isJpeg() const { return m_type == Type::Jpeg; }
    // The picture's own size from its header, without decoding it; empty when unreadable.
    QSize sourceSize() const;
    // The picture decoded straight to `size` (JPEG decodes at the smaller size directly).
    QImage image(const QSize &size) const;

    // The display size in pixels: the intended size in twips when given, else the picture's
    // own, scaled by \picscalex and \picscaley.
    QSizeF displaySize(const QSize &source) const;

private:
    enum class Type { None, Png, Jpeg, Other };

    bool isWanted() const { return m_type == Type::Png || m_type == Type::Jpeg; }
    const char *format() const { return m_type == Type::Png ? "PNG" : "JPEG"; }

    Type m_type = Type::None;
    QByteArray m_hex;
    QByteArray m_binary;
    int m_width = 0;
    int m_height = 0;
    int m_goalWidth = 0;
    int m_goalHeight = 0;
    int m_scaleX = 100;
    int m_scaleY = 100;
};
