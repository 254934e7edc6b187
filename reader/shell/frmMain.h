#pragma once

#include "ReadingState.h"
#include "SpeechControl.h"

#include <QMainWindow>
#include <memory>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTextEdit;
class QTimer;
class ReadingController;
class SpeechEventHandler;
class SpeedVolume;
class TimeEstimator;

// The reader's main window: the document, the "Speech" frame with the voice list, sliders,
// time labels and reading buttons, and the current word and progress across the bottom.
// The controls carry their own names as object names; the reading logic of reader/speech
// works on them through the pointers below.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `element0` replaces the standard element 0 (tests give it a scripted engine).
    explicit frmMain(std::unique_ptr<SpeechControl> element0 = nullptr, QWidget *parent = nullptr);
    ~frmMain() override;

    // Reading, for the tray menu and the background readers as well as the buttons.
    void Speak(QString &TextString);
    void StopSpeech();
    void StopSpeaking();
    void PitchSpeed();
    void StartTimer();
    void StopTimer();

    // Routes a speech control element's events to the window (elements added after start).
    void attachSpeechElement(SpeechControl &element);

    ReadingState &reading() { return m_reading; }
    ReadingController *readingController() const { return m_controller; }
    SpeechEventHandler *speechEvents() const { return m_events; }
    TimeEstimator *timeEstimator() const { return m_timeEstimator; }
    SpeedVolume *speedVolume() const { return m_speedVolume; }

    // The speech control array: element 0 hosts the standard voices; every speech call goes
    // to element EngineIndex.
    std::vector<std::unique_ptr<SpeechControl>> ChantTTS1;
    qint16 EngineIndex = 0;

    QTextEdit *Rt = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QSlider *Slider1 = nullptr;
    QLabel *Label3 = nullptr;
    QSlider *Slider3 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *List1 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *TimeTotal = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *TimeElapsed = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *TimeRemaining = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *CurWord = nullptr;
    QProgressBar *PlayPosition = nullptr;
    QTimer *ClearStuff = nullptr;
    QTimer *ForceStop = nullptr;
    QTimer *TimeEstimate = nullptr;

private:
    void createControls();
    void loadStandardVoices();

    ReadingState m_reading;
    ReadingController *m_controller = nullptr;
    SpeechEventHandler *m_events = nullptr;
    TimeEstimator *m_timeEstimator = nullptr;
    SpeedVolume *m_speedVolume = nullptr;
};
