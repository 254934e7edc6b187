#pragma once

#include "ReadingControls.h"

#include <QList>
#include <QObject>

// The speed and volume sliders of the main window and the active engine's rate and volume.
class SpeedVolume : public QObject
{
    Q_OBJECT
public:
    explicit SpeedVolume(const ReadingControls &controls, QObject *parent = nullptr);

    // Shows whether the active engine supports each setting and loads its current values.
    void applySpeedAndVolume();
    void speedChanged();
    void volumeChanged();

    // The rates sent for a speed slider value, in order: an end of the range is reached
    // through its neighbour.
    static QList<int> rateSettings(int sliderValue);
    // The volume sent for a volume slider value: the engine takes 1 to 99.
    static int volumeSetting(int sliderValue);

private:
    ReadingControls m_controls;
    // Set while applySpeedAndVolume moves the sliders: those moves come from the engine and are not
    // sent back to it.
    bool m_loading = false;
};
