#include "SpeedVolume.h"

#include "IgnoreErrors.h"
#include "SpeechControl.h"
#include "StandardErrorHandler.h"

#include <QLabel>
#include <QSlider>

SpeedVolume::SpeedVolume(const ReadingControls &controls, QObject *parent)
    : QObject(parent), m_controls(controls)
{
    connect(m_controls.speedSlider, &QSlider::valueChanged, this, [this] {
        if (!m_loading)
            speedChanged();
    });
    connect(m_controls.volumeSlider, &QSlider::valueChanged, this, [this] {
        if (!m_loading)
            volumeChanged();
    });
}

QList<int> SpeedVolume::rateSettings(int sliderValue)
{
    if (sliderValue <= -10)
        return {-9, -10};
    if (sliderValue >= 10)
        return {9, 10};
    return {sliderValue};
}

int SpeedVolume::volumeSetting(int sliderValue)
{
    return qBound(1, sliderValue, 99);
}

void SpeedVolume::applySpeedAndVolume()
{
    StandardErrorHandler handler(QStringLiteral(": PitchSpeed"));
    m_loading = true;
    struct Reset
    {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_loading};

    const auto apply = [&](int (SpeechControl::*read)() const, QLabel *label, QSlider *slider,
                           const QString &name) {
        // Every engine takes a rate and a volume, but an element that cannot be reached (an
        // error that is ignored) leaves the setting unconfirmed: shown as unsupported.
        bool supported = false;
        if (!handler.run(__LINE__, [&] {
                m_controls.activeElement();
                supported = true;
            }))
            return false;
        if (!supported) {
            label->setText(name + QStringLiteral(" (Not supported by engine)"));
            slider->setEnabled(false);
            return true;
        }
        label->setText(name);
        slider->setEnabled(true);
        return handler.run(__LINE__,
                           [&] { slider->setValue((m_controls.activeElement().*read)()); });
    };

    if (!apply(&SpeechControl::rate, m_controls.speedLabel, m_controls.speedSlider,
               QStringLiteral("Speed")))
        return;
    apply(&SpeechControl::volume, m_controls.volumeLabel, m_controls.volumeSlider,
          QStringLiteral("Volume"));
}

void SpeedVolume::speedChanged()
{
    const int value = m_controls.speedSlider->value();
    for (const int rate : rateSettings(value)) {
        ignoreErrors([&] { m_controls.activeElement().setRate(rate); });
    }
}

void SpeedVolume::volumeChanged()
{
    // An engine that rejects the volume (one that does not support it, after a reading has
    // enabled the slider again) keeps its own; the slider is not reported as an error.
    const int volume = volumeSetting(m_controls.volumeSlider->value());
    ignoreErrors([&] { m_controls.activeElement().setVolume(volume); });
}
