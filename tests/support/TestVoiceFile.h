#pragma once

#include <QByteArray>
#include <QString>

// A real voice file for tests: flite's built-in clustergen voice cmu_us_slt written out with
// flite_voice_dump (once per process), so that voice-file elements can be tested without
// shipping a voice.
class TestVoiceFile
{
public:
    // The bytes of the dumped voice; empty if flite could not write it.
    static QByteArray data();
    // Writes the voice into `folder` as `<baseName>.flitevox` and returns its path, or an
    // empty string on failure. The voice is listed as "CereVoice <baseName>".
    static QString write(const QString &folder, const QString &baseName = QStringLiteral("slt"));
    // The voice's median pitch in Hz over the louder half of the frames, 0 when unvoiced.
    static double medianPitch(const qint16 *samples, qsizetype count, int sampleRate);
};
