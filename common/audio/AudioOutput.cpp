#include "AudioOutput.h"

#include "QtAudioOutput.h"
#include "VirtualClockOutput.h"

#include <QAudioDevice>
#include <QMediaDevices>

std::unique_ptr<AudioOutput> AudioOutput::create(QObject *parent)
{
    const QString setting = qEnvironmentVariable("PARLANCE_AUDIO").trimmed();
    if (setting == QLatin1String("null"))
        return std::make_unique<VirtualClockOutput>(1.0, parent);
    if (setting.startsWith(QLatin1String("null:"))) {
        bool ok = false;
        const double speed = setting.mid(5).toDouble(&ok);
        return std::make_unique<VirtualClockOutput>(ok && speed > 0 ? speed : 1.0, parent);
    }
    if (QMediaDevices::audioOutputs().isEmpty())
        return std::make_unique<VirtualClockOutput>(1.0, parent);
    return std::make_unique<QtAudioOutput>(parent);
}
