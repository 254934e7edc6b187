#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// The copy-data record that a second start hands to the running reader's listener, and its
// form on the wire. The wire form is fixed at 263 bytes so that a receiver always knows how
// much to read and never trusts a length that came from outside:
//
//   offset  size  field
//        0     4  dwData   unsigned 32-bit, little endian (3 for a show request)
//        4     4  cbData   unsigned 32-bit, little endian: bytes of the buffer in use
//        8   255  buffer   the sender's zero-filled text buffer, single-byte characters
//
// cbData counts the text plus its terminating zero (10 for "<SHOWTTS>"). A foreign sender
// may claim any cbData; the receiver copies at most the 255 bytes that the buffer holds.
//
// An open request ("open this file and show the window") uses the same record with its own
// dwData values. A path may be longer than one buffer holds, so it travels as UTF-8 in
// pieces, one record each, in order: the first with dwData 4, the others with dwData 5.
// Every piece but the last fills the buffer (254 bytes and the zero); a shorter piece, empty
// if need be, ends the path. A new first piece always starts a new path, so a request
// broken off half-way cannot spoil the next one.
//
// A second start that was launched with a startup id or activation token sends it first,
// in one record with dwData 6, so that the running reader's window may take the focus that
// the launch gave.
struct CopyDataRecord
{
    static constexpr int BufferSize = 255;
    static constexpr int HeaderSize = 8;
    static constexpr int WireSize = HeaderSize + BufferSize;
    static constexpr std::uint32_t ShowRequestData = 3;
    static constexpr std::uint32_t OpenFileData = 4;
    static constexpr std::uint32_t OpenFileMoreData = 5;
    static constexpr std::uint32_t LaunchTokenData = 6;
    static constexpr int PieceSize = BufferSize - 1;

    std::uint32_t dwData = 0;
    std::uint32_t cbData = 0;
    QByteArray buffer; // exactly BufferSize bytes once built through the functions below

    // A record carrying `text` as the sender builds it: the text from the buffer's first
    // byte, zero-filled, cbData = length + 1. Text longer than the buffer allows is cut so
    // that one zero byte always remains.
    static CopyDataRecord fromText(std::uint32_t dwData, const QByteArray &text);

    // The standard show request "<SHOWTTS>".
    static CopyDataRecord showRequest();

    // The record for a launch token; none for a token that would not fit whole.
    static std::optional<CopyDataRecord> launchToken(const QByteArray &token);

    // The records of an open request for `path` (an absolute path), in sending order.
    static QList<CopyDataRecord> openFileRequest(const QString &path);

    QByteArray toWire() const;

    // Reads one record from exactly WireSize bytes; anything else gives nothing.
    static std::optional<CopyDataRecord> fromWire(const QByteArray &bytes);

    // The receiver's reading of the text: cbData bytes (at most the whole buffer) copied
    // into a zero-filled buffer, converted from the local single-byte code page and cut
    // before the first zero character.
    QString text() const;

    // The buffer's bytes in use: cbData of them at most, cut before the first zero.
    QByteArray bytes() const;

    // Whether the receiver acts on this record: dwData 3 and the text, in upper case and
    // without spaces around it, is "<SHOWTTS>".
    bool isShowRequest() const;
    bool isOpenFile() const { return dwData == OpenFileData; }
    bool isOpenFileMore() const { return dwData == OpenFileMoreData; }
    bool isLaunchToken() const { return dwData == LaunchTokenData; }
};
