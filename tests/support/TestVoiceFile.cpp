#include "TestVoiceFile.h"

#include "SpeechWorker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

extern "C" {
#include <flite/flite.h>
cst_voice *register_cmu_us_slt(const char *voxdir);
}

QByteArray TestVoiceFile::data()
{
    static const QByteArray bytes = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("slt.flitevox"));
        int written = 0;
        // All flite calls of the process belong to the speech worker.
        SpeechWorker::instance().run([&] {
            flite_init();
            cst_voice *voice = register_cmu_us_slt(nullptr);
            written = voice ? flite_voice_dump(voice, QFile::encodeName(path).constData()) : 0;
        });
        QFile file(path);
        if (!written || !file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }();
    return bytes;
}

QString TestVoiceFile::write(const QString &folder, const QString &baseName)
{
    const QByteArray bytes = data();
    if (bytes.isEmpty() || !QDir().mkpath(folder))
        return QString();
    const QString path = QDir(folder).filePath(baseName + QStringLiteral(".flitevox"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

double TestVoiceFile::medianPitch(const qint16 *samples, qsizetype count, int sampleRate)
{
    // Autocorrelation per 40 ms frame, voiced frames only (a clear period), louder frames
    // only (silence and noise have no pitch).
    const int frame = sampleRate * 40 / 1000;
    const int minLag = sampleRate / 500;
    const int maxLag = sampleRate / 60;
    if (count < frame || frame <= maxLag)
        return 0.0;
    double total = 0;
    for (qsizetype i = 0; i < count; ++i)
        total += double(samples[i]) * samples[i];
    const double meanEnergy = total / double(count);
    std::vector<double> pitches;
    for (qsizetype start = 0; start + frame <= count; start += frame / 2) {
        const qint16 *s = samples + start;
        double energy = 0;
        for (int i = 0; i < frame; ++i)
            energy += double(s[i]) * s[i];
        if (energy / frame < meanEnergy)
            continue;
        const int span = frame - maxLag;
        double r0 = 0;
        for (int i = 0; i < span; ++i)
            r0 += double(s[i]) * s[i];
        double best = 0;
        int bestLag = 0;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double r = 0;
            for (int i = 0; i < span; ++i)
                r += double(s[i]) * s[i + lag];
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (bestLag == 0 || best < 0.5 * r0)
            continue;
        // Multiples of the period correlate almost as well as the period itself: take the
        // shortest lag that comes close to the best. Synthetic voices are rough enough that
        // "close" has to be generous, or an optimised build lands an octave low.
        for (int lag = minLag; lag < bestLag; ++lag) {
            double r = 0, before = 0, after = 0;
            for (int i = 0; i < span; ++i) {
                r += double(s[i]) * s[i + lag];
                before += double(s[i]) * s[i + lag - 1];
                after += double(s[i]) * s[i + lag + 1];
            }
            if (r >= 0.7 * best && r >= before && r >= after) {
                bestLag = lag;
                break;
            }
        }
        pitches.push_back(double(sampleRate) / bestLag);
    }
    if (pitches.empty())
        return 0.0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}
