#include "MainWindow.h"

#include "BackgroundReader.h"
#include "CommandOpener.h"
#include "ConversionLauncher.h"
#include "DocumentCommands.h"
#include "DocumentLanguageOffer.h"
#include "EarIcon.h"
#include "EditCommands.h"
#include "EditorFormatting.h"
#include "EditorToolBar.h"
#include "EngineTools.h"
#include "FormatMenu.h"
#include "IgnoreErrors.h"
#include "MainWindowHooks.h"
#include "MainWindowLife.h"
#include "ReaderSettings.h"
#include "ReaderShell.h"
#include "ReadingController.h"
#include "ReadingControls.h"
#include "ReadingMediaControls.h"
#include "RichTextEdit.h"
#include "ShellPlatform.h"
#include "SpeechControl.h"
#include "SpeechEventHandler.h"
#include "SpeedVolume.h"
#include "TimeEstimator.h"
#include "TrayIcon.h"
#include "VoiceFileMenu.h"
#include "VoiceSelection.h"
#include "WindowLayout.h"
#include "WordLabelAccessible.h"
#include "formats/DocumentMetadata.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

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

QMenu *menu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *m = bar->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

QAction *item(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

const QString DisableConvertWarn = QStringLiteral("DisableConvertWarn");
} // namespace

MainWindow::MainWindow(std::unique_ptr<SpeechControl> element0, QWidget *parent)
    : QMainWindow(parent)
{
    build(std::move(element0));
    // Nobody else will load this window: it gets its engines and an empty document now.
    loadEngines();
    newDocument();
}

MainWindow::MainWindow(ReaderShell &shell, std::unique_ptr<SpeechControl> element0)
{
    build(std::move(element0));
    attachShell(shell);
}

void MainWindow::build(std::unique_ptr<SpeechControl> element0)
{
    setObjectName(QStringLiteral("MainWindow"));
    // A minimized window is named by its icon text: the title, so it keeps its name then.
    connect(this, &QWidget::windowTitleChanged, this, &QWidget::setWindowIconText);
    setWindowTitle(DocumentCommands::titleFor(QString()));
    setWindowIcon(EarIcon::icon());
    createControls();
    createMenus();

    speechControls.push_back(element0 ? std::move(element0) : std::make_unique<SpeechControl>(0));

    ReadingControls controls;
    controls.documentEdit = documentEdit;
    controls.speedSlider = speedSlider;
    controls.volumeSlider = volumeSlider;
    controls.speedLabel = speedLabel;
    controls.volumeLabel = volumeLabel;
    controls.voiceList = voiceList;
    controls.readAllButton = readAllButton;
    controls.stopPauseButton = stopPauseButton;
    controls.readSelectionButton = readSelectionButton;
    controls.currentWord = currentWord;
    controls.readingProgress = readingProgress;
    controls.elapsedTime = elapsedTime;
    controls.totalTime = totalTime;
    controls.remainingTime = remainingTime;
    controls.clearTimer = clearTimer;
    controls.forceStopTimer = forceStopTimer;
    controls.timeEstimateTimer = timeEstimateTimer;
    controls.speechControls = &speechControls;
    controls.engineIndex = &engineIndex;

    m_timeEstimator = new TimeEstimator(elapsedTime, totalTime, remainingTime, readingProgress,
                                        timeEstimateTimer, this);
    m_controller = new ReadingController(m_reading, controls, *m_timeEstimator, this);
    m_events = new SpeechEventHandler(m_reading, controls, *m_controller, *m_timeEstimator, this);
    m_speedVolume = new SpeedVolume(controls, this);
    attachSpeechElement(*speechControls.front());

    // The clipboard and dialog readers: monitorTimer polls, and what they find goes to speak.
    BackgroundReaderHooks background;
    background.speak = [this](QString &text) { speak(text); };
    background.stopSpeech = [this] { stopSpeech(); };
    background.reading = &m_reading;
    m_background = new BackgroundReader(background, ShellPlatform::createForegroundWindowSource(),
                                        ShellPlatform::createClipboardSource(), this);
    m_background->attachMenuItems(readClipboardAction, readDialogsAction);
    monitorTimer = m_background->monitorTimer;

    VoiceSelection::Hooks voiceHooks;
    voiceHooks.attachElement = [this](SpeechControl &element) { attachSpeechElement(element); };
    voiceHooks.showSpeedAndVolume = [this] { applySpeedAndVolume(); };
    m_voices = std::make_unique<VoiceSelection>(speechControls, engineIndex, voiceList, voiceHooks);
    new VoiceFileMenu(optionsMenu, *m_voices, voiceList,
                      {this, [this] { stopSpeech(); }, [this] { applySpeedAndVolume(); }}, this);
    // The makers' dictionary editors start like any other program the reader opens.
    m_engineTools = std::make_unique<EngineTools>(
        *m_voices,
        [this](QString &command, int showStyle, const QString &workDir) {
            if (m_shell)
                return m_shell->links().open(command);
            return openCommand(command, showStyle, workDir);
        },
        this);

    m_documents = new DocumentCommands(documentEdit, this, this);
    m_edit = new EditCommands(documentEdit, this);
    connectMenus();

    // Format menu, toolbar, find window, and the placement of every part.
    m_formatting = new EditorFormatting(this, documentEdit, formatMenu, centralWidget(), this);
    m_formatting->attachDocumentCommands(m_documents);
    m_formatting->attachEditCommands(m_edit);
    m_layout = new WindowLayout(this, centralWidget(), m_formatting->toolBar(), documentEdit,
                                speechGroup, currentWord, readingProgress, this);
    connect(m_documents, &DocumentCommands::layoutRequested, m_layout, &WindowLayout::relayout);
    m_languageOffer = std::make_unique<DocumentLanguageOffer>(*m_voices, voiceList);
    connect(m_documents, &DocumentCommands::documentOpened, this, [this] {
        m_languageOffer->offer(DocumentMetadata::of(*documentEdit->document()).language);
    });
}

MainWindow::~MainWindow()
{
    // An element that goes away while speaking may still report; the handlers must not see
    // a half-destroyed window.
    for (auto &element : speechControls) {
        if (element)
            element->disconnect(this);
        if (element && m_events)
            element->disconnect(m_events);
    }
    m_engineTools.reset();
    m_voices.reset();
    speechControls.clear();
}

void MainWindow::createControls()
{
    // Every part is made where it sits: WindowLayout places them by their design places, so
    // no Qt layout is built for it to take apart.
    auto *central = new QWidget;
    setCentralWidget(central);
    documentEdit = named<RichTextEdit>("documentEdit", central);
    documentEdit->setAcceptRichText(true);

    speechGroup = named<QGroupBox>("speechGroup", QStringLiteral("Speech"), central);
    speedLabel = named<QLabel>("speedLabel", QStringLiteral("Speed"), speechGroup);
    speedSlider = named<QSlider>("speedSlider", Qt::Horizontal, speechGroup);
    speedSlider->setRange(-10, 10);
    speedSlider->setSingleStep(1);
    speedSlider->setPageStep(2);
    speedSlider->setTickPosition(QSlider::TicksBelow);
    volumeLabel = named<QLabel>("volumeLabel", QStringLiteral("Volume"), speechGroup);
    volumeSlider = named<QSlider>("volumeSlider", Qt::Horizontal, speechGroup);
    volumeSlider->setRange(0, 100);
    volumeSlider->setSingleStep(1);
    volumeSlider->setPageStep(5);
    volumeSlider->setTickPosition(QSlider::TicksBelow);
    volumeSlider->setTickInterval(10);
    voiceLabel = named<QLabel>("voiceLabel", QStringLiteral("Voice Font:"), speechGroup);
    voiceList = named<QComboBox>("voiceList", speechGroup);
    totalTimeLabel = named<QLabel>("totalTimeLabel", QStringLiteral("Total Time:"), speechGroup);
    totalTime = named<QLabel>("totalTime", QStringLiteral("00:00:00"), speechGroup);
    elapsedTimeLabel =
        named<QLabel>("elapsedTimeLabel", QStringLiteral("Elapsed Time:"), speechGroup);
    elapsedTime = named<QLabel>("elapsedTime", QStringLiteral("00:00:00"), speechGroup);
    remainingTimeLabel =
        named<QLabel>("remainingTimeLabel", QStringLiteral("Remaining Time:"), speechGroup);
    remainingTime = named<QLabel>("remainingTime", QStringLiteral("00:00:00"), speechGroup);
    readSelectionButton =
        named<QPushButton>("readSelectionButton", QStringLiteral("Read Selection"), speechGroup);
    readAllButton = named<QPushButton>("readAllButton", QStringLiteral("Read All"), speechGroup);
    stopPauseButton =
        named<QPushButton>("stopPauseButton", QStringLiteral("Stop / Pause"), speechGroup);
    readSelectionButton->setEnabled(false);
    stopPauseButton->setEnabled(false);
    moreVoicesLink =
        named<QLabel>("moreVoicesLink",
                      QStringLiteral("Click here to download more realistic voices"), speechGroup);
    moreVoicesLink->setWordWrap(true);
    moreVoicesLink->setStyleSheet(QStringLiteral("color: blue;"));
    moreVoicesLink->setCursor(Qt::PointingHandCursor);

    currentWord = named<QLabel>("currentWord", central);
    // A long "word" (a web address, text without spaces) must not widen the window.
    currentWord->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont wordFont = currentWord->font();
    wordFont.setPointSizeF(wordFont.pointSizeF() * 1.5);
    currentWord->setFont(wordFont);
    readingProgress = named<QProgressBar>("readingProgress", central);
    readingProgress->setRange(0, 100);
    readingProgress->setValue(0);
    readingProgress->setTextVisible(false);

    resize(802, 450);

    // What a screen reader calls each control: the caption beside it where there is one
    // (a slider inside the frame would otherwise be called by the frame's title).
    speedLabel->setBuddy(speedSlider);
    volumeLabel->setBuddy(volumeSlider);
    voiceLabel->setBuddy(voiceList);
    totalTimeLabel->setBuddy(totalTime);
    elapsedTimeLabel->setBuddy(elapsedTime);
    remainingTimeLabel->setBuddy(remainingTime);
    documentEdit->setAccessibleName(QStringLiteral("Document"));
    WordLabelAccessible::attach(currentWord, QStringLiteral("Current word"));
    readingProgress->setAccessibleName(QStringLiteral("Reading progress"));

    clearTimer = timer(this, "clearTimer", 1000);
    forceStopTimer = timer(this, "forceStopTimer", 2000);
    timeEstimateTimer = timer(this, "timeEstimateTimer", 1000);
}

void MainWindow::createMenus()
{
    QMenuBar *bar = menuBar();

    fileMenu = menu(bar, "fileMenu", QStringLiteral("&File"));
    newAction = item(fileMenu, "newAction", QStringLiteral("&New"));
    openAction = item(fileMenu, "openAction", QStringLiteral("&Open..."));
    fileMenu->addSeparator();
    saveAction = item(fileMenu, "saveAction", QStringLiteral("&Save"));
    saveAsAction = item(fileMenu, "saveAsAction", QStringLiteral("Save &As..."));
    fileMenu->addSeparator();
    convertAction =
        item(fileMenu, "convertAction", QStringLiteral("Convert Text into WAV Audio File..."));
    fileMenu->addSeparator();
    printAction = item(fileMenu, "printAction", QStringLiteral("&Print..."));
    fileMenu->addSeparator();
    exitAction = item(fileMenu, "exitAction", QStringLiteral("E&xit"));

    // The key names are part of the captions; the keys themselves are the document's own.
    editMenu = menu(bar, "editMenu", QStringLiteral("&Edit"));
    undoAction = item(editMenu, "undoAction", QStringLiteral("&Undo"));
    editMenu->addSeparator();
    cutAction = item(editMenu, "cutAction", QStringLiteral("Cu&t        Ctrl+X"));
    copyAction = item(editMenu, "copyAction", QStringLiteral("&Copy     Ctrl+C"));
    pasteAction = item(editMenu, "pasteAction", QStringLiteral("&Paste    Ctrl+V"));
    editMenu->addSeparator();
    selectAllAction = item(editMenu, "selectAllAction", QStringLiteral("&Select All"));
    editMenu->addSeparator();
    findAction = item(editMenu, "findAction", QStringLiteral("&Find..."));

    formatMenu = menu(bar, "formatMenu", QStringLiteral("&Format"));

    optionsMenu = menu(bar, "optionsMenu", QStringLiteral("&Options"));
    readClipboardAction = item(optionsMenu, "readClipboardAction",
                               QStringLiteral("Read &Clipboard When Text is Copied"));
    readClipboardAction->setCheckable(true);
    readDialogsAction =
        item(optionsMenu, "readDialogsAction", QStringLiteral("Read Text From All &Dialog Boxes"));
    readDialogsAction->setCheckable(true);
    optionsMenu->addSeparator();
    advancedAction = item(optionsMenu, "advancedAction",
                          QStringLiteral("Advanced Speech Options for Current Voice..."));
    pronunciationAction = item(optionsMenu, "pronunciationAction",
                               QStringLiteral("Pronounciation Settings for Current Voice..."));

    // The usual keys for these commands; the menus show them beside captions that carry no
    // key text of their own.
    newAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // In the document these keys are its own; elsewhere in the window they reach the document
    // through the menu.
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    selectAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));

    helpMenu = menu(bar, "helpMenu", QStringLiteral("&Help"));
    helpAction = item(helpMenu, "helpAction", QStringLiteral("Help"));
    visitSiteAction =
        item(helpMenu, "visitSiteAction", QStringLiteral("Visit Larkvane's Web Site"));
    aboutAction = item(helpMenu, "aboutAction", QStringLiteral("About"));
}

void MainWindow::connectMenus()
{
    connect(newAction, &QAction::triggered, this, [this] { newDocument(); });
    connect(openAction, &QAction::triggered, m_documents, &DocumentCommands::openDocument);
    connect(saveAction, &QAction::triggered, m_documents, &DocumentCommands::saveDocument);
    connect(saveAsAction, &QAction::triggered, m_documents, &DocumentCommands::saveDocumentAs);
    connect(convertAction, &QAction::triggered, this, [this] { convertToAudio(); });
    connect(printAction, &QAction::triggered, m_documents, &DocumentCommands::printDocument);
    connect(m_documents, &DocumentCommands::printRequested, this, [this] {
        if (m_shell)
            m_shell->print(documentEdit);
    });
    connect(exitAction, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->life().exitProgram();
        else
            close();
    });

    connect(undoAction, &QAction::triggered, m_edit, &EditCommands::undo);
    connect(cutAction, &QAction::triggered, m_edit, &EditCommands::cut);
    connect(copyAction, &QAction::triggered, m_edit, &EditCommands::copy);
    connect(pasteAction, &QAction::triggered, m_edit, &EditCommands::paste);
    connect(selectAllAction, &QAction::triggered, m_edit, &EditCommands::selectAll);
    connect(findAction, &QAction::triggered, m_edit, &EditCommands::find);
    connect(m_edit, &EditCommands::findRequested, this, &MainWindow::findRequested);

    // readClipboardAction and readDialogsAction only carry their check marks; the background
    // readers read them.
    connect(advancedAction, &QAction::triggered, this, [this] { showAdvancedOptions(); });
    connect(pronunciationAction, &QAction::triggered, this, [this] { showPronunciation(); });

    connect(helpAction, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->links().openHelp();
    });
    connect(visitSiteAction, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->links().visitWebSite();
    });
    connect(aboutAction, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->showAbout(true);
    });
    moreVoicesLink->installEventFilter(this);

    // F1 opens help anywhere in the window; the menu caption stays as it is.
    auto *helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, helpAction, &QAction::trigger);

    // A file dropped on the document is opened as File > Open would; dropped text goes in.
    if (auto *document = qobject_cast<RichTextEdit *>(documentEdit))
        connect(document, &RichTextEdit::filesDropped, this,
                [this](const QStringList &files) { m_documents->openGivenFile(files.front()); });

    // A choice in the voice list, by mouse or keyboard.
    connect(voiceList, &QComboBox::activated, this, [this] { voiceChosen(); });
}

ReaderShell *MainWindow::shell() const
{
    return m_shell.data();
}

void MainWindow::attachShell(ReaderShell &shell)
{
    m_shell = &shell;
    MainWindowHooks hooks;
    hooks.window = this;
    m_background->fillHooks(hooks); // the Options check marks, the clipboard, monitorTimer
    hooks.voiceListText = [this] { return voiceList->currentText(); };
    hooks.setVoiceListText = [this](const QString &voice) {
        // The list offers installed voices only. A stored voice that is gone was handed to
        // element 0 unchanged, so the list shows the voice that element speaks with instead
        // of claiming one that is not in use.
        int index = voiceList->findText(voice, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0)
            index = voiceList->findText(currentVoice(), Qt::MatchExactly | Qt::MatchCaseSensitive);
        voiceList->setCurrentIndex(index);
    };
    hooks.setVoice = [this](const QString &voice) { setVoice(voice); };
    hooks.currentVoice = [this] { return currentVoice(); };
    hooks.applySpeedAndVolume = [this] { applySpeedAndVolume(); };
    hooks.stopSpeaking = [this] { stopSpeaking(); };
    hooks.loadEngines = [this] { loadEngines(); };
    hooks.newDocument = [this] { newDocument(); };
    hooks.alignLeft = [this] { m_formatting->formatMenu()->alignLeft(); };
    hooks.fillFontBoxes = [this] { m_formatting->fillFontBoxes(); };
    hooks.relayout = [this] { m_layout->relayout(); };
    hooks.openFile = [this](const QString &path) { m_documents->openGivenFile(path); };
    hooks.askToSaveChanges = [this] { return m_documents->askToSaveChanges(); };
    shell.attachMainWindow(hooks);
    ReadingMediaControls::Window parts;
    parts.document = documentEdit;
    parts.readAllButton = readAllButton;
    parts.stopPauseButton = stopPauseButton;
    parts.readSelectionButton = readSelectionButton;
    parts.reading = readingController();
    parts.documents = documents();
    new ReadingMediaControls(parts, shell, this);
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_shell)
        ignoreErrors([&] { m_shell->life().activate(); });
    return QMainWindow::event(event);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_shell || !isMinimized())
        return;
    // Hiding the window from inside its own state change confuses some window managers:
    // the trip to the notification area waits until the change is done.
    QTimer::singleShot(0, this, [this] {
        if (m_shell && isMinimized() && isVisible())
            ignoreErrors([&] { m_shell->trayIcon().putInTray(); });
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_shell) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Only the close box counts as the user's close; the program's own closes, Exit and
    // the end of the session go through.
    if (m_shell->life().keepOpenOnClose(event->spontaneous())) {
        event->ignore();
        return;
    }
    m_shell->life().unload();
    event->accept();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == moreVoicesLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (m_shell)
            m_shell->links().downloadVoices();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::loadEngines()
{
    m_voices->loadVoices();
}

QString MainWindow::currentVoice()
{
    return m_voices->currentVoice();
}

void MainWindow::setVoice(const QString &voiceName)
{
    m_voices->setVoice(voiceName);
}

void MainWindow::voiceChosen()
{
    m_voices->voiceChosen();
}

const QString &MainWindow::currentCatalogueVoice() const
{
    return m_voices->currentCereVoice();
}

void MainWindow::newDocument()
{
    m_documents->newDocument();
}

void MainWindow::showAdvancedOptions()
{
    m_engineTools->showEngineSettings();
}

void MainWindow::showPronunciation()
{
    m_engineTools->editPronunciation();
}

void MainWindow::convertToAudio()
{
    std::unique_ptr<ReaderSettings> ownSettings;
    ReaderSettings *settings = nullptr;
    ignoreErrors([&] {
        if (m_shell) {
            settings = &m_shell->settings();
        } else {
            ownSettings = std::make_unique<ReaderSettings>();
            settings = ownSettings.get();
        }
    });
    if (!settings)
        return;

    ConversionRequest request =
        ConversionRequest::forDocument(*documentEdit->document(), m_documents->currentFile(),
                                       engineIndex, [this] { return currentVoice(); });
    request.speed = speedSlider->value();
    request.volume = volumeSlider->value();
    ignoreErrors([&] {
        request.disableConvertWarn =
            settings->setting(ReaderSettings::SectionOptions, DisableConvertWarn);
    });
    request.storeDisableConvertWarn = [settings](const QString &value) {
        settings->saveSetting(ReaderSettings::SectionOptions, DisableConvertWarn, value);
    };
    request.openCommand = [](QString &command, int showStyle, const QString &workDir) {
        return openCommand(command, showStyle, workDir);
    };
    ConversionLauncher::askAndConvert(request, this);
}

void MainWindow::attachSpeechElement(SpeechControl &element)
{
    m_events->attach(element);
}

void MainWindow::speak(QString &text)
{
    m_controller->speak(text);
}

void MainWindow::stopSpeech()
{
    m_controller->stopSpeech();
}

void MainWindow::stopSpeaking()
{
    m_controller->stopSpeaking();
}

void MainWindow::applySpeedAndVolume()
{
    m_speedVolume->applySpeedAndVolume();
}

void MainWindow::startTimeEstimate()
{
    m_timeEstimator->startTimeEstimate();
}

void MainWindow::stopTimeEstimate()
{
    m_timeEstimator->stopTimeEstimate();
}
