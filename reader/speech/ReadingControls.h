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
    QTextEdit *documentEdit = nullptr;
    QSlider *speedSlider = nullptr;  // speed
    QSlider *volumeSlider = nullptr; // volume
    QLabel *speedLabel = nullptr;    // caption of the speed slider
    QLabel *volumeLabel = nullptr;   // caption of the volume slider
    QComboBox *voiceList = nullptr;
    QPushButton *readAllButton = nullptr;       // Read All
    QPushButton *stopPauseButton = nullptr;     // Stop / Pause
    QPushButton *readSelectionButton = nullptr; // Read Selection / Continue
    QLabel *currentWord = nullptr;
    QProgressBar *readingProgress = nullptr;
    QLabel *elapsedTime = nullptr;
    QLabel *totalTime = nullptr;
    QLabel *remainingTime = nullptr;
    QTimer *clearTimer = nullptr;
    QTimer *forceStopTimer = nullptr;
    QTimer *timeEstimateTimer = nullptr;
    std::vector<std::unique_ptr<SpeechControl>> *speechControls = nullptr;
    const qint16 *engineIndex = nullptr;

    // Element `index` of the array; a missing element is an error like any failing call.
    SpeechControl &element(int index) const;
    // The element every speech call goes to.
    SpeechControl &activeElement() const;

    // A timer's "enable": starts it unless it already runs, so its phase is kept.
    static void enableTimer(QTimer *timer);
};
