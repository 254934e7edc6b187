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

QString CopyDataRecord::text() const
{
    // A claimed length beyond the buffer is cut to the buffer: nothing past it is read.
    QByteArray copy(BufferSize, '\0');
    const qsizetype count =
        std::min<qsizetype>({qsizetype(cbData), qsizetype(BufferSize), buffer.size()});
    std::copy_n(buffer.constData(), count, copy.data());
    const qsizetype zero = copy.indexOf('\0');
    return QString::fromLocal8Bit(zero < 0 ? copy : copy.left(zero));
}

bool CopyDataRecord::isShowRequest() const
{
    if (dwData != ShowRequestData)
        return false;
    return trimSpaces(text().toUpper()) == QString::fromLatin1(ShowText);
}
