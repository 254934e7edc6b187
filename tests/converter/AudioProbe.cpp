#include "AudioProbe.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <sndfile.h>
#include <vector>

AudioProbe AudioProbe::of(const QString &path)
{
    AudioProbe probe;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return probe;
    std::vector<short> buffer(8192);
    qint64 frames = 0;
    for (sf_count_t read; (read = sf_readf_short(file, buffer.data(), 8192)) > 0;)
        frames += read;
    sf_close(file);
    probe.seconds = double(frames) / info.samplerate;

    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                   QStringLiteral("json"), QStringLiteral("-show_format"),
                   QStringLiteral("-show_streams"), QStringLiteral("-show_chapters"), path});
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0)
        return probe;
    const QJsonObject json = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
    const auto addTags = [&probe](const QJsonObject &tags) {
        for (auto it = tags.begin(); it != tags.end(); ++it)
            probe.tags.insert(it.key().toLower(), it.value().toString());
    };
    addTags(
        json.value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject());
    for (const QJsonValue &stream : json.value(QStringLiteral("streams")).toArray())
        addTags(stream.toObject().value(QStringLiteral("tags")).toObject());
    for (const QJsonValue &value : json.value(QStringLiteral("chapters")).toArray()) {
        const QJsonObject chapter = value.toObject();
        probe.chapters.append(chapter.value(QStringLiteral("tags"))
                                  .toObject()
                                  .value(QStringLiteral("title"))
                                  .toString());
        probe.chapterStarts.append(
            chapter.value(QStringLiteral("start_time")).toString().toDouble());
    }
    probe.ok = true;
    return probe;
}
