#pragma once

#include <QtGlobal>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTextEdit;
class QTimer;
class SpeechControl;

// The main window's widgets, timers and speech control array as the reading logic sees
// them. The window fills this in once; the pointers stay valid for the window's life.
struct ReadingControls
{
    QTextEdit *Rt = nullptr;
    QSlider *Slider1 = nullptr; // speed
    QSlider *Slider3 = nullptr; // volume
    QLabel *Label1 = nullptr;   // caption of the speed slider
    QLabel *Label3 = nullptr;   // caption of the volume slider
    QComboBox *List1 = nullptr;
    QPushButton *Command1 = nullptr; // Read All
    QPushButton *Command2 = nullptr; // Stop / Pause
    QPushButton *Command3 = nullptr; // Read Selection / Continue
    QLabel *CurWord = nullptr;
    QProgressBar *PlayPosition = nullptr;
    QLabel *TimeElapsed = nullptr;
    QLabel *TimeTotal = nullptr;
    QLabel *TimeRemaining = nullptr;
    QTimer *ClearStuff = nullptr;
    QTimer *ForceStop = nullptr;
    QTimer *TimeEstimate = nullptr;
    std::vector<std::unique_ptr<SpeechControl>> *ChantTTS1 = nullptr;
    const qint16 *EngineIndex = nullptr;

    // Element `index` of the array; a missing element is an error like any failing call.
    SpeechControl &element(int index) const;
    // The element every speech call goes to.
    SpeechControl &activeElement() const;

    // A timer's "enable": starts it unless it already runs, so its phase is kept.
    static void enableTimer(QTimer *timer);
};
