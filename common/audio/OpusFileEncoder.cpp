#include "OpusFileEncoder.h"

#include "PendingFile.h"

#include <QByteArray>
#include <cstring>
#include <opus/opusenc.h>

OpusFileEncoder::OpusFileEncoder(PendingFile &file, int inputRate, const AudioTags &tags)
    : m_file(file), m_comments(ope_comments_create()), m_chapters(tags.chapters)
{
    const auto add = [this](const char *name, const QString &value) {
        if (!value.isEmpty())
            ope_comments_add(m_comments, name, value.toUtf8().constData());
    };
    add("TITLE", tags.title);
    add("ARTIST", tags.artist);
    add("ALBUM", tags.album);
    add("GENRE", tags.genre);
    if (tags.track > 0) {
        add("TRACKNUMBER", QString::number(tags.track));
        add("TRACKTOTAL", QString::number(tags.trackCount));
    }
    for (const QByteArray &comment : m_chapters.placeholders())
        ope_comments_add_string(m_comments, comment.constData());

    static const OpusEncCallbacks callbacks{&OpusFileEncoder::writePage,
                                            &OpusFileEncoder::closeFile};
    int error = OPE_OK;
    m_encoder = ope_encoder_create_callbacks(&callbacks, this, m_comments, inputRate, 1, 0, &error);
    if (!m_encoder)
        throw m_file.failure(QString::fromUtf8(ope_strerror(error)));
    ope_encoder_ctl(m_encoder, OPUS_SET_APPLICATION(OPUS_APPLICATION_RESTRICTED_LOWDELAY));
    ope_encoder_ctl(m_encoder, OPUS_SET_BITRATE(Bitrate));
    ope_encoder_ctl(m_encoder, OPUS_SET_COMPLEXITY(Complexity));
    ope_encoder_ctl(m_encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    ope_encoder_ctl(m_encoder, OPUS_SET_EXPERT_FRAME_DURATION(OPUS_FRAMESIZE_60_MS));
}

OpusFileEncoder::~OpusFileEncoder()
{
    if (m_encoder)
        ope_encoder_destroy(m_encoder);
    ope_comments_destroy(m_comments);
}

int OpusFileEncoder::writePage(void *self, const unsigned char *data, int length)
{
    return static_cast<OpusFileEncoder *>(self)->m_file.write(data, length) ? 0 : 1;
}

int OpusFileEncoder::closeFile(void *)
{
    return 0;
}

void OpusFileEncoder::encode(const qint16 *samples, size_t count)
{
    if (ope_encoder_write(m_encoder, samples, int(count)) != OPE_OK || m_file.failed())
        throw m_file.failure(QStringLiteral("the Opus encoder failed"));
}

void OpusFileEncoder::setChapterStart(int index, qint64 milliseconds)
{
    m_chapters.setStart(index, milliseconds);
}

void OpusFileEncoder::finish()
{
    const int drained = ope_encoder_drain(m_encoder);
    ope_encoder_destroy(m_encoder);
    m_encoder = nullptr;
    if (drained != OPE_OK || m_file.failed())
        throw m_file.failure(QStringLiteral("the Opus encoder did not complete it"));
    if (m_chapters.isEmpty())
        return;
    // Each placeholder and its comment are of one length: the times go where the zeros were.
    const QList<QByteArray> placeholders = m_chapters.placeholders();
    const QList<QByteArray> comments = m_chapters.comments();
    OggChapterMarks::editHeader(m_file, "OpusTags", [&](char *packet, qsizetype size) {
        QByteArray header(packet, size);
        for (qsizetype i = 0; i < placeholders.size(); ++i) {
            const qsizetype at = header.indexOf(placeholders[i]);
            if (at >= 0)
                header.replace(at, comments[i].size(), comments[i]);
        }
        std::memcpy(packet, header.constData(), size_t(size));
        return true;
    });
    if (m_file.failed())
        throw m_file.failure(QString());
}
