#include "CopyDataRecord.h"

#include "TrimSpaces.h"

#include <QtEndian>
#include <algorithm>

namespace {
const QByteArray ShowText = QByteArrayLiteral("<SHOWTTS>");
} // namespace

CopyDataRecord CopyDataRecord::fromText(std::uint32_t dwData, const QByteArray &text)
{
    CopyDataRecord record;
    record.dwData = dwData;
    record.buffer = QByteArray(BufferSize, '\0');
    const qsizetype used = std::min<qsizetype>(text.size(), BufferSize - 1);
    std::copy_n(text.constData(), used, record.buffer.data());
    record.cbData = std::uint32_t(used + 1);
    return record;
}

CopyDataRecord CopyDataRecord::showRequest()
{
    return fromText(ShowRequestData, ShowText);
}

std::optional<CopyDataRecord> CopyDataRecord::launchToken(const QByteArray &token)
{
    if (token.isEmpty() || token.size() >= BufferSize || token.contains('\0'))
        return std::nullopt;
    return fromText(LaunchTokenData, token);
}

QList<CopyDataRecord> CopyDataRecord::openFileRequest(const QString &path)
{
    const QByteArray bytes = path.toUtf8();
    QList<CopyDataRecord> records;
    // Up to and including the first piece that does not fill the buffer.
    for (qsizetype at = 0; at <= bytes.size(); at += PieceSize)
        records << fromText(records.isEmpty() ? OpenFileData : OpenFileMoreData,
                            bytes.mid(at, PieceSize));
    return records;
}

QByteArray CopyDataRecord::toWire() const
{
    QByteArray bytes(WireSize, '\0');
    qToLittleEndian<std::uint32_t>(dwData, bytes.data());
    qToLittleEndian<std::uint32_t>(cbData, bytes.data() + 4);
    std::copy_n(buffer.constData(), std::min<qsizetype>(buffer.size(), BufferSize),
                bytes.data() + HeaderSize);
    return bytes;
}

std::optional<CopyDataRecord> CopyDataRecord::fromWire(const QByteArray &bytes)
{
    if (bytes.size() != WireSize)
        return std::nullopt;
    CopyDataRecord record;
    record.dwData = qFromLittleEndian<std::uint32_t>(bytes.constData());
    record.cbData = qFromLittleEndian<std::uint32_t>(bytes.constData() + 4);
    record.buffer = bytes.mid(HeaderSize, BufferSize);
    return record;
}

QByteArray CopyDataRecord::bytes() const
{
    // A claimed length beyond the buffer is cut to the buffer: nothing past it is read.
    const qsizetype count =
        std::min<qsizetype>({qsizetype(cbData), qsizetype(BufferSize), buffer.size()});
    QByteArray copy = buffer.left(count);
    const qsizetype zero = copy.indexOf('\0');
    return zero < 0 ? copy : copy.left(zero);
}

QString CopyDataRecord::text() const
{
    return QString::fromLocal8Bit(bytes());
}

bool CopyDataRecord::isShowRequest() const
{
    if (dwData != ShowRequestData)
        return false;
    return trimSpaces(text().toUpper()) == QString::fromLatin1(ShowText);
}
