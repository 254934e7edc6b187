#include "Mp3FileEncoder.h"

#include "PendingFile.h"

#include <lame/lame.h>

namespace {
// LAME's own rule for the output buffer of a call.
size_t bufferFor(size_t samples)
{
    return samples + samples / 4 + 7200;
}

// LAME takes ID3v2 text as UTF-16 with a byte-order mark, ending in a zero.
std::vector<unsigned short> utf16(const QString &text)
{
    std::vector<unsigned short> units{0xFEFF};
    for (const QChar c : text)
        units.push_back(c.unicode());
    units.push_back(0);
    return units;
}
} // namespace

Mp3FileEncoder::Mp3FileEncoder(PendingFile &file, int rate, const AudioTags &tags)
    : m_file(file), m_lame(lame_init())
{
    if (!m_lame)
        throw m_file.failure(QStringLiteral("the MP3 encoder could not start"));
    lame_set_in_samplerate(m_lame, rate);
    lame_set_out_samplerate(m_lame, rate);
    lame_set_num_channels(m_lame, 1);
    lame_set_mode(m_lame, MONO);
    lame_set_quality(m_lame, Quality);
    // An average bit rate rather than a constant one: LAME then writes its tag frame, which
    // tells players the exact length.
    lame_set_VBR(m_lame, vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(m_lame, bitrateFor(rate));
    lame_set_bWriteVbrTag(m_lame, 1);
    lame_set_write_id3tag_automatic(m_lame, 0);
    setTags(tags);
    if (lame_init_params(m_lame) < 0)
        throw m_file.failure(
            QStringLiteral("the MP3 encoder does not take a rate of %1 Hz").arg(rate));
    m_buffer.resize(bufferFor(32768));
    const size_t tagSize = lame_get_id3v2_tag(m_lame, m_buffer.data(), m_buffer.size());
    write(int(tagSize));
    m_firstFrame = m_file.position();
}

Mp3FileEncoder::~Mp3FileEncoder()
{
    lame_close(m_lame);
}

void Mp3FileEncoder::setTags(const AudioTags &tags)
{
    id3tag_init(m_lame);
    id3tag_add_v2(m_lame);
    // ID3v1 holds Latin-1 only; the ID3v2 frames set after these hold any text.
    id3tag_set_title(m_lame, tags.title.toLatin1().constData());
    id3tag_set_artist(m_lame, tags.artist.toLatin1().constData());
    id3tag_set_album(m_lame, tags.album.toLatin1().constData());
    if (!tags.genre.isEmpty())
        id3tag_set_genre(m_lame, tags.genre.toLatin1().constData());
    if (tags.track > 0)
        id3tag_set_track(m_lame,
                         QStringLiteral("%1/%2").arg(tags.track).arg(tags.trackCount).toLatin1());
    const auto frame = [this](const char *id, const QString &text) {
        if (!text.isEmpty())
            id3tag_set_textinfo_utf16(m_lame, id, utf16(text).data());
    };
    frame("TIT2", tags.title);
    frame("TPE1", tags.artist);
    frame("TALB", tags.album);
}

void Mp3FileEncoder::write(int bytes)
{
    if (bytes < 0 || !m_file.write(m_buffer.data(), bytes))
        throw m_file.failure(QStringLiteral("the MP3 encoder failed"));
}

void Mp3FileEncoder::encode(const qint16 *samples, size_t count)
{
    if (m_buffer.size() < bufferFor(count))
        m_buffer.resize(bufferFor(count));
    write(lame_encode_buffer(m_lame, samples, nullptr, int(count), m_buffer.data(),
                             int(m_buffer.size())));
}

void Mp3FileEncoder::finish()
{
    write(lame_encode_flush(m_lame, m_buffer.data(), int(m_buffer.size())));
    write(int(lame_get_id3v1_tag(m_lame, m_buffer.data(), m_buffer.size())));
    const size_t frame = lame_get_lametag_frame(m_lame, m_buffer.data(), m_buffer.size());
    if (frame > 0 && !m_file.writeAt(m_firstFrame, m_buffer.data(), qint64(frame)))
        throw m_file.failure(QString());
}
