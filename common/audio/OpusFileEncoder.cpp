#include "OpusFileEncoder.h"

#include "PendingFile.h"

#include <QByteArray>
#include <cstring>
#include <ogg/ogg.h>
#include <opus/opusenc.h>

namespace {
const QString Unset = OpusFileEncoder::chapterTime(0);

QByteArray chapterKey(int index)
{
    return QByteArrayLiteral("CHAPTER") + QByteArray::number(index + 1).rightJustified(3, '0');
}
} // namespace

OpusFileEncoder::OpusFileEncoder(PendingFile &file, int inputRate, const AudioTags &tags)
    : m_file(file), m_comments(ope_comments_create()), m_chapterStarts(tags.chapters.size(), 0)
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
    // The times are not known before the audio is: each is written now as a placeholder of
    // the same length and filled in by finish().
    for (int i = 0; i < tags.chapters.size(); ++i) {
        add(chapterKey(i).constData(), Unset);
        add((chapterKey(i) + "NAME").constData(), tags.chapters[i]);
    }

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
    auto *encoder = static_cast<OpusFileEncoder *>(self);
    // The comment header is the second page; it starts with its packet's signature.
    if (encoder->m_tagsPage < 0 && length > 27 + data[26] + 8 &&
        std::memcmp(data + 27 + data[26], "OpusTags", 8) == 0) {
        encoder->m_tagsPage = encoder->m_file.position();
        encoder->m_tagsPageLength = length;
    }
    return encoder->m_file.write(data, length) ? 0 : 1;
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
    if (index >= 0 && index < m_chapterStarts.size())
        m_chapterStarts[index] = milliseconds;
}

void OpusFileEncoder::finish()
{
    const int drained = ope_encoder_drain(m_encoder);
    ope_encoder_destroy(m_encoder);
    m_encoder = nullptr;
    if (drained != OPE_OK || m_file.failed())
        throw m_file.failure(QStringLiteral("the Opus encoder did not complete it"));
    markChapters();
}

QString OpusFileEncoder::chapterTime(qint64 milliseconds)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(milliseconds / 3600000, 2, 10, QLatin1Char('0'))
        .arg(milliseconds / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(milliseconds / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(milliseconds % 1000, 3, 10, QLatin1Char('0'));
}

void OpusFileEncoder::markChapters()
{
    if (m_chapterStarts.isEmpty() || m_tagsPage < 0)
        return;
    QByteArray page(int(m_tagsPageLength), '\0');
    if (m_file.readAt(m_tagsPage, page.data(), page.size()) != page.size())
        throw m_file.failure(QStringLiteral("its chapters could not be marked"));
    for (int i = 0; i < m_chapterStarts.size(); ++i) {
        const QByteArray placeholder = chapterKey(i) + '=' + Unset.toLatin1();
        const QByteArray time = chapterTime(m_chapterStarts[i]).toLatin1();
        const qsizetype at = page.indexOf(placeholder);
        // A comment header longer than a page keeps its placeholders; so does a book of
        // more than 99 hours, whose times no longer fit.
        if (at >= 0 && time.size() == Unset.size())
            page.replace(at + placeholder.size() - time.size(), time.size(), time);
    }
    ogg_page og{};
    og.header = reinterpret_cast<unsigned char *>(page.data());
    og.header_len = 27 + og.header[26];
    og.body = og.header + og.header_len;
    og.body_len = page.size() - og.header_len;
    ogg_page_checksum_set(&og);
    if (!m_file.writeAt(m_tagsPage, page.constData(), page.size()))
        throw m_file.failure(QString());
}
