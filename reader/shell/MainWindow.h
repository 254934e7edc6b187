#pragma once

#include "ReadingState.h"
#include "SpeechControl.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class BackgroundReader;
class DocumentCommands;
class DocumentLanguageOffer;
class EditCommands;
class EditorFormatting;
class EngineTools;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QTextEdit;
class QTimer;
class ReaderShell;
class ReadingController;
class SpeechEventHandler;
class SpeedVolume;
class TimeEstimator;
class VoiceSelection;
class WindowLayout;

// The reader's main window: the menus, the document, the "Speech" frame with the voice list,
// sliders, time labels and reading buttons, and the current word and progress across the
// bottom. The controls carry their own names as object names; the reading logic of
// reader/speech, the voice selection of reader/voices and the editor commands work on them
// through the pointers below.
//
// A window made with a shell is the program's: the shell loads it (engines, options, an
// empty document), and closing or minimizing it sends the reader to the notification area.
// A window made without one is complete at once (tests).
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `element0` replaces the standard element 0 (tests give it a scripted engine).
    explicit MainWindow(std::unique_ptr<SpeechControl> element0 = nullptr,
                        QWidget *parent = nullptr);
    explicit MainWindow(ReaderShell &shell, std::unique_ptr<SpeechControl> element0 = nullptr);
    ~MainWindow() override;

    // Hands the window's hooks to the shell; from then on the shell runs its life.
    void attachShell(ReaderShell &shell);
    ReaderShell *shell() const;

    // Reading, for the tray menu and the background readers as well as the buttons.
    void speak(QString &text);
    void stopSpeech();
    void stopSpeaking();
    void applySpeedAndVolume();
    void startTimeEstimate();
    void stopTimeEstimate();

    // Engines and voices.
    void loadEngines();
    QString currentVoice();
    void setVoice(const QString &voiceName);
    void voiceChosen();
    const QString &currentCatalogueVoice() const;

    // Routes a speech control element's events to the window (elements added after start).
    void attachSpeechElement(SpeechControl &element);

    // Menu commands that are more than a call into one of the pieces.
    void convertToAudio();
    void showAdvancedOptions();
    void showPronunciation();
    void newDocument();

    ReadingState &reading() { return m_reading; }
    ReadingController *readingController() const { return m_controller; }
    SpeechEventHandler *speechEvents() const { return m_events; }
    TimeEstimator *timeEstimator() const { return m_timeEstimator; }
    SpeedVolume *speedVolume() const { return m_speedVolume; }
    VoiceSelection *voices() const { return m_voices.get(); }
    DocumentCommands *documents() const { return m_documents; }
    EditCommands *editCommands() const { return m_edit; }
    EditorFormatting *formatting() const { return m_formatting; }
    WindowLayout *windowLayout() const { return m_layout; }
    BackgroundReader *backgroundReader() const { return m_background; }

    // The speech control array: element 0 hosts the standard voices, element i the
    // catalogue's CereVoice voice i; every speech call goes to element engineIndex.
    std::vector<std::unique_ptr<SpeechControl>> speechControls;
    qint16 engineIndex = 0;

    QTextEdit *documentEdit = nullptr;
    QGroupBox *speechGroup = nullptr;
    QLabel *speedLabel = nullptr;
    QSlider *speedSlider = nullptr;
    QLabel *volumeLabel = nullptr;
    QSlider *volumeSlider = nullptr;
    QLabel *voiceLabel = nullptr;
    QComboBox *voiceList = nullptr;
    QLabel *totalTimeLabel = nullptr;
    QLabel *totalTime = nullptr;
    QLabel *elapsedTimeLabel = nullptr;
    QLabel *elapsedTime = nullptr;
    QLabel *remainingTimeLabel = nullptr;
    QLabel *remainingTime = nullptr;
    QPushButton *readSelectionButton = nullptr;
    QPushButton *readAllButton = nullptr;
    QPushButton *stopPauseButton = nullptr;
    QLabel *moreVoicesLink = nullptr;
    QLabel *currentWord = nullptr;
    QProgressBar *readingProgress = nullptr;
    QTimer *clearTimer = nullptr;
    QTimer *forceStopTimer = nullptr;
    QTimer *timeEstimateTimer = nullptr;
    // The background readers' one-second poll; started at the end of the load, its tick
    // belongs to the clipboard and dialog reader.
    QTimer *monitorTimer = nullptr;

    // Menus. "&Format" is filled by the formatting commands.
    QMenu *fileMenu = nullptr;
    QAction *newAction = nullptr;
    QAction *openAction = nullptr;
    QAction *saveAction = nullptr;
    QAction *saveAsAction = nullptr;
    QAction *convertAction = nullptr;
    QAction *printAction = nullptr;
    QAction *exitAction = nullptr;
    QMenu *editMenu = nullptr;
    QAction *undoAction = nullptr;
    QAction *cutAction = nullptr;
    QAction *copyAction = nullptr;
    QAction *pasteAction = nullptr;
    QAction *selectAllAction = nullptr;
    QAction *findAction = nullptr;
    QMenu *formatMenu = nullptr;
    QMenu *optionsMenu = nullptr;
    QAction *readClipboardAction = nullptr;
    QAction *readDialogsAction = nullptr;
    QAction *advancedAction = nullptr;
    QAction *pronunciationAction = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *helpAction = nullptr;
    QAction *visitSiteAction = nullptr;
    QAction *aboutAction = nullptr;

signals:
    // Edit > Find: the find and replace window should come up beside the window.
    void findRequested();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build(std::unique_ptr<SpeechControl> element0);
    void createControls();
    void createMenus();
    void connectMenus();

    ReadingState m_reading;
    ReadingController *m_controller = nullptr;
    SpeechEventHandler *m_events = nullptr;
    TimeEstimator *m_timeEstimator = nullptr;
    SpeedVolume *m_speedVolume = nullptr;
    std::unique_ptr<VoiceSelection> m_voices;
    std::unique_ptr<EngineTools> m_engineTools;
    std::unique_ptr<DocumentLanguageOffer> m_languageOffer;
    DocumentCommands *m_documents = nullptr;
    EditCommands *m_edit = nullptr;
    EditorFormatting *m_formatting = nullptr;
    WindowLayout *m_layout = nullptr;
    BackgroundReader *m_background = nullptr;
    QPointer<ReaderShell> m_shell;
};
