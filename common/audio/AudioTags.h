#pragma once

#include <QString>
#include <QStringList>

// What a player shows of an audio file: the book (album) and its author (artist), the part
// the file holds (title, track of tracks) and the kind of recording (genre).
struct AudioTags
{
    QString title;
    QString artist;
    QString album;
    QString genre;
    int track = 0; // 0: not one of several
    int trackCount = 0;
    // A book written as one file: the titles of its chapters, in order. Where each starts is
    // told to the writer as the audio arrives (AudioFileWriter::startChapter).
    QStringList chapters;
};
