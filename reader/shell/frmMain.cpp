#include "frmMain.h"

#include "IgnoreErrors.h"
#include "ReadingController.h"
#include "ReadingControls.h"
#include "SpeechControl.h"
#include "SpeechEventHandler.h"
#include "SpeedVolume.h"
#include "TimeEstimator.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {
template <typename T, typename... Args> T *named(const char *name, Args &&...args)
{
    auto *object = new T(std::forward<Args>(args)...);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QTimer *timer(QObject *parent, const char *name, int interval)
{
    auto *t = named<QTimer>(name, parent);
    t->setInterval(interval);
    return t;
}
} // namespace

frmMain::frmMain(std::unique_ptr<SpeechControl> element0, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Larkvane TTS Reader - Untitled"));
    createControls();

    ChantTTS1.push_back(element0 ? std::move(element0) : std::make_unique<SpeechControl>(0));

    ReadingControls controls;
    controls.Rt = Rt;
    controls.Slider1 = Slider1;
    controls.Slider3 = Slider3;
    controls.Label1 = Label1;
    controls.Label3 = Label3;
    controls.List1 = List1;
    controls.Command1 = Command1;
    controls.Command2 = Command2;
    controls.Command3 = Command3;
    controls.CurWord = CurWord;
    controls.PlayPosition = PlayPosition;
    controls.TimeElapsed = TimeElapsed;
    controls.TimeTotal = TimeTotal;
    controls.TimeRemaining = TimeRemaining;
    controls.ClearStuff = ClearStuff;
    controls.ForceStop = ForceStop;
    controls.TimeEstimate = TimeEstimate;
    controls.ChantTTS1 = &ChantTTS1;
    controls.EngineIndex = &EngineIndex;

    m_timeEstimator =
        new TimeEstimator(TimeElapsed, TimeTotal, TimeRemaining, PlayPosition, TimeEstimate, this);
    m_controller = new ReadingController(m_reading, controls, *m_timeEstimator, this);
    m_events = new SpeechEventHandler(m_reading, controls, *m_controller, *m_timeEstimator, this);
    m_speedVolume = new SpeedVolume(controls, this);

    loadStandardVoices();
}

frmMain::~frmMain()
{
    // An element that goes away while speaking may still report; the handlers must not see
    // a half-destroyed window.
    for (auto &element : ChantTTS1) {
        if (element)
            element->disconnect(this);
        if (element && m_events)
            element->disconnect(m_events);
    }
    ChantTTS1.clear();
}

void frmMain::createControls()
{
    Rt = named<QTextEdit>("Rt");
    Rt->setAcceptRichText(true);

    Frame1 = named<QGroupBox>("Frame1", QStringLiteral("Speech"));
    Label1 = named<QLabel>("Label1", QStringLiteral("Speed"));
    Slider1 = named<QSlider>("Slider1", Qt::Horizontal);
    Slider1->setRange(-10, 10);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(2);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Label3 = named<QLabel>("Label3", QStringLiteral("Volume"));
    Slider3 = named<QSlider>("Slider3", Qt::Horizontal);
    Slider3->setRange(0, 100);
    Slider3->setSingleStep(1);
    Slider3->setPageStep(5);
    Slider3->setTickPosition(QSlider::TicksBelow);
    Slider3->setTickInterval(10);
    Label2 = named<QLabel>("Label2", QStringLiteral("Voice Font:"));
    List1 = named<QComboBox>("List1");
    Label4 = named<QLabel>("Label4", QStringLiteral("Total Time:"));
    TimeTotal = named<QLabel>("TimeTotal", QStringLiteral("00:00:00"));
    Label5 = named<QLabel>("Label5", QStringLiteral("Elapsed Time:"));
    TimeElapsed = named<QLabel>("TimeElapsed", QStringLiteral("00:00:00"));
    Label6 = named<QLabel>("Label6", QStringLiteral("Remaining Time:"));
    TimeRemaining = named<QLabel>("TimeRemaining", QStringLiteral("00:00:00"));
    Command3 = named<QPushButton>("Command3", QStringLiteral("Read Selection"));
    Command1 = named<QPushButton>("Command1", QStringLiteral("Read All"));
    Command2 = named<QPushButton>("Command2", QStringLiteral("Stop / Pause"));
    Command3->setEnabled(false);
    Command2->setEnabled(false);
    Label7 =
        named<QLabel>("Label7", QStringLiteral("Click here to download more realistic voices"));
    Label7->setWordWrap(true);
    Label7->setStyleSheet(QStringLiteral("color: blue;"));
    Label7->setCursor(Qt::PointingHandCursor);

    auto *times = new QGridLayout;
    times->addWidget(Label4, 0, 0);
    times->addWidget(TimeTotal, 0, 1);
    times->addWidget(Label5, 1, 0);
    times->addWidget(TimeElapsed, 1, 1);
    times->addWidget(Label6, 2, 0);
    times->addWidget(TimeRemaining, 2, 1);

    auto *frame = new QVBoxLayout(Frame1);
    frame->addWidget(Label1);
    frame->addWidget(Slider1);
    frame->addWidget(Label3);
    frame->addWidget(Slider3);
    frame->addSpacing(8);
    frame->addWidget(Label2);
    frame->addWidget(List1);
    frame->addLayout(times);
    frame->addSpacing(8);
    frame->addWidget(Command3);
    frame->addWidget(Command1);
    frame->addWidget(Command2);
    frame->addWidget(Label7);
    frame->addStretch(1);
    Frame1->setFixedWidth(201);

    CurWord = named<QLabel>("CurWord");
    // A long "word" (a web address, text without spaces) must not widen the window.
    CurWord->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    CurWord->setMinimumHeight(33);
    QFont wordFont = CurWord->font();
    wordFont.setPointSizeF(wordFont.pointSizeF() * 1.5);
    CurWord->setFont(wordFont);
    PlayPosition = named<QProgressBar>("PlayPosition");
    PlayPosition->setRange(0, 100);
    PlayPosition->setValue(0);
    PlayPosition->setTextVisible(false);

    auto *central = new QWidget;
    auto *top = new QHBoxLayout;
    top->addWidget(Rt, 1);
    top->addWidget(Frame1);
    auto *main = new QVBoxLayout(central);
    main->addLayout(top, 1);
    main->addWidget(CurWord);
    main->addWidget(PlayPosition);
    setCentralWidget(central);
    resize(802, 450);

    ClearStuff = timer(this, "ClearStuff", 1000);
    ForceStop = timer(this, "ForceStop", 2000);
    TimeEstimate = timer(this, "TimeEstimate", 1000);
}

void frmMain::loadStandardVoices()
{
    // Until the voice catalogue loads the engines, element 0's own voices fill the list.
    SpeechControl &element = *ChantTTS1.front();
    attachSpeechElement(element);
    ignoreErrors([&] {
        element.enableEvent(SpeechControl::EventSpeechStarted);
        element.enableEvent(SpeechControl::EventSpeechEnded);
        element.enableEvent(SpeechControl::EventWordReached);
    });
    ignoreErrors([&] {
        List1->clear();
        const int count = element.countResources(SpeechControl::ResourceVoice);
        for (int j = 0; j < count; ++j)
            List1->addItem(element.getResource(SpeechControl::ResourceVoice, j).name);
        List1->setCurrentText(element.stringProperty(SpeechControl::PropertyVoiceName));
    });
    PitchSpeed();
}

void frmMain::attachSpeechElement(SpeechControl &element)
{
    m_events->attach(element);
}

void frmMain::Speak(QString &TextString)
{
    m_controller->Speak(TextString);
}

void frmMain::StopSpeech()
{
    m_controller->StopSpeech();
}

void frmMain::StopSpeaking()
{
    m_controller->StopSpeaking();
}

void frmMain::PitchSpeed()
{
    m_speedVolume->PitchSpeed();
}

void frmMain::StartTimer()
{
    m_timeEstimator->StartTimer();
}

void frmMain::StopTimer()
{
    m_timeEstimator->StopTimer();
}
