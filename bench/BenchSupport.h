#pragma once

// What the speech benchmarks share: the same reproducible text and the same way of timing.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace bench {

constexpr int TargetBytes = 80 * 1024;

// A reproducible text of varied sentences: the same on every run and machine.
inline QByteArray benchText(bool oneLine)
{
    const char *subjects[] = {"The old miller",     "A tired traveller", "Our neighbour",
                              "The youngest child", "Every fisherman",   "The schoolteacher",
                              "A stranger in grey", "The baker's wife",  "My grandfather",
                              "The night watchman"};
    const char *verbs[] = {"carried",  "noticed", "repaired", "painted", "forgot",
                           "measured", "sold",    "borrowed", "found",   "described"};
    const char *objects[] = {"a basket of pears",       "the broken lantern",
                             "forty-two wooden crates", "a letter from the city",
                             "the map of the valley",   "three silver spoons",
                             "the bell above the door", "a coat with brass buttons",
                             "the last bag of flour",   "an umbrella nobody wanted"};
    const char *endings[] = {"before the rain began.",
                             "while the others were asleep.",
                             "and said nothing about it for a week.",
                             "on the morning of the 14th of March.",
                             "because the market closed early.",
                             "although it cost nearly 7 pounds.",
                             "and then, quite suddenly, laughed.",
                             "as the clock struck half past nine.",
                             "without asking anyone's permission!",
                             "-- or so the story goes?"};
    QByteArray text;
    quint32 state = 12345;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % quint32(range));
    };
    int sentences = 0;
    while (text.size() < TargetBytes) {
        text += subjects[next(10)];
        text += ' ';
        text += verbs[next(10)];
        text += ' ';
        text += objects[next(10)];
        text += ' ';
        text += endings[next(10)];
        // One line, as the reader writes its temporary file; else paragraphs of six.
        text += oneLine ? " " : (++sentences % 6 == 0 ? "\n\n" : " ");
    }
    return oneLine ? text + "\r\n" : text;
}

struct Timing
{
    double wall = 1e9; // seconds, best run
    double cpu = 1e9;  // user + system seconds of the process doing the work, best run

    void keepBest(const Timing &other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

// The middle of the figures (the mean of the two middle ones for an even count); -1 when
// there are none.
template <typename T> T median(std::vector<T> values)
{
    if (values.empty())
        return T(-1);
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// benchText(false) written to `path`, as the converter's peers read it; the text, or
// nothing when it could not be written.
inline QByteArray writeBenchText(const QString &path)
{
    const QByteArray text = benchText(false);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return text;
}

inline double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `work` and measures wall time and the CPU time of `who` (this process or its
// children): on a shared machine the CPU time is the steadier of the two. What earlier runs
// left for the system to write goes to the disk first, so that no run pays for another's.
template <typename Work> Timing measure(int who, Work work)
{
    ::sync();
    const double cpuBefore = cpuSeconds(who);
    QElapsedTimer timer;
    timer.start();
    if (!work())
        return {-1, -1};
    return {double(timer.nsecsElapsed()) / 1e9, cpuSeconds(who) - cpuBefore};
}

inline qint64 wavFrames(const QString &path, int *rate)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return -1;
    sf_close(file);
    *rate = info.samplerate;
    return info.frames;
}

// espeak-ng's own command line writing the same text to a WAV file, the peer both
// benchmarks measure against.
inline Timing runCommandLine(const QString &espeak, const QString &textPath, const QString &wavPath)
{
    return measure(RUSAGE_CHILDREN, [&] {
        QProcess process;
        process.start(espeak, {QStringLiteral("-v"), QStringLiteral("gmw/en"), QStringLiteral("-s"),
                               QStringLiteral("175"), QStringLiteral("-w"), wavPath,
                               QStringLiteral("-f"), textPath});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "espeak-ng failed: %s\n",
                         process.readAllStandardError().constData());
            return false;
        }
        return true;
    });
}

// A field of /proc/self/status in kilobytes ("VmRSS:", "VmHWM:"), or -1.
inline long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Lets the high-water mark start again from the current resident size.
inline bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// The espeak-ng command line the converters are measured against; empty, and said, when
// it is not installed.
inline QString espeakCommand()
{
    const QString espeak = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (espeak.isEmpty())
        std::fprintf(stderr, "espeak-ng command line not found\n");
    return espeak;
}

} // namespace bench
