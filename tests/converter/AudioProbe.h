#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// An audio file as independent readers see it: its length decoded by libsndfile, its tags
// and chapters as ffprobe reads them.
struct AudioProbe
{
    bool ok = false;
    double seconds = 0;
    // Tag names in lower case ("title", "album", "track"), from the container and the stream.
    QMap<QString, QString> tags;
    QStringList chapters;        // titles
    QList<double> chapterStarts; // seconds

    static AudioProbe of(const QString &path);
};
