#include "SndfileEncoder.h"

#include "PendingFile.h"
#include "SpeechError.h"

#include <sndfile.h>

namespace {
// Vorbis at this level stays clear of the artefacts that make sibilants hiss (about 60 kbit/s
// for a voice).
constexpr double VorbisCompressionLevel = 0.6;

sf_count_t fileLength(void *file)
{
    return static_cast<PendingFile *>(file)->size();
}
sf_count_t fileSeek(sf_count_t offset, int whence, void *file)
{
    return static_cast<PendingFile *>(file)->seek(offset, whence);
}
sf_count_t fileRead(void *buffer, sf_count_t count, void *file)
{
    auto *pending = static_cast<PendingFile *>(file);
    const qint64 read = pending->readAt(pending->position(), buffer, count);
    if (read <= 0)
        return 0;
    pending->seek(read, SEEK_CUR);
    return read;
}
sf_count_t fileWrite(const void *buffer, sf_count_t count, void *file)
{
    // A short write says nothing of its cause; the pending file keeps the reason.
    return static_cast<PendingFile *>(file)->write(buffer, count) ? count : 0;
}
sf_count_t fileTell(void *file)
{
    return static_cast<PendingFile *>(file)->position();
}

int formatOf(SndfileEncoder::Kind kind)
{
    switch (kind) {
    case SndfileEncoder::Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SndfileEncoder::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SndfileEncoder::Vorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    return 0;
}
} // namespace

SndfileEncoder::SndfileEncoder(PendingFile &file, Kind kind, int rate, const AudioTags &tags)
    : m_file(file)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = formatOf(kind);
    static SF_VIRTUAL_IO io{&fileLength, &fileSeek, &fileRead, &fileWrite, &fileTell};
    m_sndfile = sf_open_virtual(&io, SFM_WRITE, &info, &m_file);
    if (!m_sndfile)
        fail();
    if (kind == Vorbis) {
        double level = VorbisCompressionLevel;
        sf_command(m_sndfile, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level));
    }
    // Tags go in before the first sample: Ogg and FLAC write them into the stream's header.
    const auto tag = [this](int type, const QString &value) {
        if (!value.isEmpty())
            sf_set_string(m_sndfile, type, value.toUtf8().constData());
    };
    tag(SF_STR_TITLE, tags.title);
    tag(SF_STR_ARTIST, tags.artist);
    tag(SF_STR_ALBUM, tags.album);
    tag(SF_STR_GENRE, tags.genre);
    if (tags.track > 0)
        tag(SF_STR_TRACKNUMBER, QStringLiteral("%1/%2").arg(tags.track).arg(tags.trackCount));
}

SndfileEncoder::~SndfileEncoder()
{
    if (m_sndfile)
        sf_close(m_sndfile);
}

void SndfileEncoder::encode(const qint16 *samples, size_t count)
{
    if (sf_write_short(m_sndfile, samples, sf_count_t(count)) != sf_count_t(count) ||
        m_file.failed())
        fail();
}

void SndfileEncoder::finish()
{
    // Closing writes the final header sizes and the encoder's last frames.
    SNDFILE *file = m_sndfile;
    m_sndfile = nullptr;
    if (sf_close(file) != 0 || m_file.failed())
        throw m_file.failure(QStringLiteral("the encoder did not complete it"));
}

void SndfileEncoder::fail()
{
    throw m_file.failure(QString::fromLocal8Bit(sf_strerror(m_sndfile)));
}
