#pragma once

#include <QByteArray>
#include <QString>

// Checks a .flitevox file before flite sees it. flite's loader trusts every length and index
// in the file, so a truncated or damaged voice crashes the process, in the loader or later
// in synthesis. This walks the file the way the loader reads it and accepts it only when
// every count fits the data and every tree points inside itself.
class FliteVoiceFile
{
public:
    // Voices larger than this are not taken for voice files.
    static constexpr qint64 MaximumSize = 512LL * 1024 * 1024;

    // True when the file can be handed to flite_voice_load; otherwise `reason` says why.
    static bool check(const QString &path, QString *reason = nullptr);
    static bool checkData(const QByteArray &data, QString *reason = nullptr);
};
