#include "frmMain.h"

#include "BackgroundReader.h"
#include "DocumentChapters.h"
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
#include "ShellOpen.h"
#include "ShellPlatform.h"
#include "SpeechControl.h"
#include "SpeechEventHandler.h"
#include "SpeedVolume.h"
#include "TimeEstimator.h"
#include "VoiceFileMenu.h"
#include "VoiceSelection.h"
#include "WindowLayout.h"
#include "WordLabelAccessible.h"
#include "formats/DocumentMetadata.h"
#include "frmRightClick.h"
#include "VoiceCatalogue.h"
#include "modConvert.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
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

frmMain::frmMain(std::unique_ptr<SpeechControl> element0, QWidget *parent) : QMainWindow(parent)
{
    build(std::move(element0));
    // Nobody else will load this window: it gets its engines and an empty document now.
    LoadSynthesis();
    mnuFileNew_Click();
}

frmMain::frmMain(ReaderShell &shell, std::unique_ptr<SpeechControl> element0)
{
    build(std::move(element0));
    attachShell(shell);
}

void frmMain::build(std::unique_ptr<SpeechControl> element0)
{
    setObjectName(QStringLiteral("frmMain"));
    // A minimized window is named by its icon text: the title, so it keeps its name then.
    connect(this, &QWidget::windowTitleChanged, this, &QWidget::setWindowIconText);
    setWindowTitle(DocumentCommands::titleFor(QString()));
    setWindowIcon(EarIcon::icon());
    createControls();
    createMenus();

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
    attachSpeechElement(*ChantTTS1.front());

    // The clipboard and dialog readers: tmrMonitor polls, and what they find goes to Speak.
    BackgroundReaderHooks background;
    background.Speak = [this](QString &text) { Speak(text); };
    background.StopSpeech = [this] { StopSpeech(); };
    background.reading = &m_reading;
    m_background = new BackgroundReader(background, ShellPlatform::createForegroundWindowSource(),
                                        ShellPlatform::createClipboardSource(), this);
    m_background->attachMenuItems(mnuClip, mnuDialog);
    tmrMonitor = m_background->tmrMonitor;

    VoiceSelection::Hooks voiceHooks;
    voiceHooks.attachElement = [this](SpeechControl &element) { attachSpeechElement(element); };
    voiceHooks.showSpeedAndVolume = [this] { PitchSpeed(); };
    m_voices = std::make_unique<VoiceSelection>(ChantTTS1, EngineIndex, List1, voiceHooks);
    new VoiceFileMenu(mnuOptions, *m_voices, List1,
                      {this, [this] { StopSpeech(); }, [this] { PitchSpeed(); }}, this);
    // The makers' dictionary editors start like any other program the reader opens.
    m_engineTools = std::make_unique<EngineTools>(
        *m_voices,
        [this](QString &command, int showStyle, const QString &workDir) {
            if (m_shell)
                return m_shell->links().open(command);
            return ShellOpen(command, showStyle, workDir);
        },
        this);

    m_documents = new DocumentCommands(Rt, this, this);
    m_edit = new EditCommands(Rt, this);
    connectMenus();

    // Format menu, toolbar, find window, and the placement that replaces the layouts above.
    m_formatting = new EditorFormatting(this, Rt, mnuFormat, centralWidget(), this);
    m_formatting->attachDocumentCommands(m_documents);
    m_formatting->attachEditCommands(m_edit);
    m_layout = new WindowLayout(this, centralWidget(), m_formatting->toolBar(), Rt, Frame1, CurWord,
                                PlayPosition, this);
    connect(m_documents, &DocumentCommands::layoutRequested, m_layout, &WindowLayout::Form_Resize);
    m_languageOffer = std::make_unique<DocumentLanguageOffer>(*m_voices, List1);
    connect(m_documents, &DocumentCommands::documentOpened, this,
            [this] { m_languageOffer->offer(DocumentMetadata::of(*Rt->document()).language); });
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
    m_engineTools.reset();
    m_voices.reset();
    ChantTTS1.clear();
}

void frmMain::createControls()
{
    Rt = named<RichTextEdit>("Rt");
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

    // What a screen reader calls each control: the caption beside it where there is one
    // (a slider inside the frame would otherwise be called by the frame's title).
    Label1->setBuddy(Slider1);
    Label3->setBuddy(Slider3);
    Label2->setBuddy(List1);
    Label4->setBuddy(TimeTotal);
    Label5->setBuddy(TimeElapsed);
    Label6->setBuddy(TimeRemaining);
    Rt->setAccessibleName(QStringLiteral("Document"));
    WordLabelAccessible::attach(CurWord, QStringLiteral("Current word"));
    PlayPosition->setAccessibleName(QStringLiteral("Reading progress"));

    ClearStuff = timer(this, "ClearStuff", 1000);
    ForceStop = timer(this, "ForceStop", 2000);
    TimeEstimate = timer(this, "TimeEstimate", 1000);
}

void frmMain::createMenus()
{
    QMenuBar *bar = menuBar();

    mnuFile = menu(bar, "mnuFile", QStringLiteral("&File"));
    mnuFileNew = item(mnuFile, "mnuFileNew", QStringLiteral("&New"));
    mnuFileOpen = item(mnuFile, "mnuFileOpen", QStringLiteral("&Open..."));
    mnuFile->addSeparator();
    mnuFileSave = item(mnuFile, "mnuFileSave", QStringLiteral("&Save"));
    mnuFileSaveAs = item(mnuFile, "mnuFileSaveAs", QStringLiteral("Save &As..."));
    mnuFile->addSeparator();
    mnuConvert = item(mnuFile, "mnuConvert", QStringLiteral("Convert Text into WAV Audio File..."));
    mnuFile->addSeparator();
    mnuFilePrint = item(mnuFile, "mnuFilePrint", QStringLiteral("&Print..."));
    mnuFile->addSeparator();
    mnuFileExit = item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    // The key names are part of the captions; the keys themselves are the document's own.
    mnuEdit = menu(bar, "mnuEdit", QStringLiteral("&Edit"));
    mnuEditUndo = item(mnuEdit, "mnuEditUndo", QStringLiteral("&Undo"));
    mnuEdit->addSeparator();
    mnuEditCut = item(mnuEdit, "mnuEditCut", QStringLiteral("Cu&t        Ctrl+X"));
    mnuEditCopy = item(mnuEdit, "mnuEditCopy", QStringLiteral("&Copy     Ctrl+C"));
    mnuEditPaste = item(mnuEdit, "mnuEditPaste", QStringLiteral("&Paste    Ctrl+V"));
    mnuEdit->addSeparator();
    Selall = item(mnuEdit, "Selall", QStringLiteral("&Select All"));
    mnuEdit->addSeparator();
    Find = item(mnuEdit, "Find", QStringLiteral("&Find..."));

    mnuFormat = menu(bar, "Formatx", QStringLiteral("&Format"));

    mnuOptions = menu(bar, "mnuOptions", QStringLiteral("&Options"));
    mnuClip = item(mnuOptions, "mnuClip", QStringLiteral("Read &Clipboard When Text is Copied"));
    mnuClip->setCheckable(true);
    mnuDialog = item(mnuOptions, "mnuDialog", QStringLiteral("Read Text From All &Dialog Boxes"));
    mnuDialog->setCheckable(true);
    mnuOptions->addSeparator();
    mnuAdvanced = item(mnuOptions, "mnuAdvanced",
                       QStringLiteral("Advanced Speech Options for Current Voice..."));
    mnuPronounce = item(mnuOptions, "mnuPronounce",
                        QStringLiteral("Pronounciation Settings for Current Voice..."));

    // The usual keys for these commands; the menus show them beside captions that carry no
    // key text of their own.
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFilePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // In the document these keys are its own; elsewhere in the window they reach the document
    // through the menu.
    mnuEditUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Selall->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));

    mnuHelpMenu = menu(bar, "mnuHelpMenu", QStringLiteral("&Help"));
    mnuHelp = item(mnuHelpMenu, "mnuHelp", QStringLiteral("Help"));
    mnuVisit = item(mnuHelpMenu, "mnuVisit", QStringLiteral("Visit Larkvane's Web Site"));
    mnuAbout = item(mnuHelpMenu, "mnuAbout", QStringLiteral("About"));
}

void frmMain::connectMenus()
{
    connect(mnuFileNew, &QAction::triggered, this, [this] { mnuFileNew_Click(); });
    connect(mnuFileOpen, &QAction::triggered, m_documents, &DocumentCommands::openDocument);
    connect(mnuFileSave, &QAction::triggered, m_documents, &DocumentCommands::saveDocument);
    connect(mnuFileSaveAs, &QAction::triggered, m_documents,
            &DocumentCommands::saveDocumentAs);
    connect(mnuConvert, &QAction::triggered, this, [this] { mnuConvert_Click(); });
    connect(mnuFilePrint, &QAction::triggered, m_documents, &DocumentCommands::printDocument);
    connect(m_documents, &DocumentCommands::printRequested, this, [this] {
        if (m_shell)
            m_shell->Print(Rt);
    });
    connect(mnuFileExit, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->life().mnuFileExit_Click();
        else
            close();
    });

    connect(mnuEditUndo, &QAction::triggered, m_edit, &EditCommands::undo);
    connect(mnuEditCut, &QAction::triggered, m_edit, &EditCommands::cut);
    connect(mnuEditCopy, &QAction::triggered, m_edit, &EditCommands::copy);
    connect(mnuEditPaste, &QAction::triggered, m_edit, &EditCommands::paste);
    connect(Selall, &QAction::triggered, m_edit, &EditCommands::selectAll);
    connect(Find, &QAction::triggered, m_edit, &EditCommands::find);
    connect(m_edit, &EditCommands::findRequested, this, &frmMain::findRequested);

    // mnuClip and mnuDialog only carry their check marks; the background readers read them.
    connect(mnuAdvanced, &QAction::triggered, this, [this] { mnuAdvanced_Click(); });
    connect(mnuPronounce, &QAction::triggered, this, [this] { mnuPronounce_Click(); });

    connect(mnuHelp, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->links().mnuHelp_Click();
    });
    connect(mnuVisit, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->links().mnuVisit_Click();
    });
    connect(mnuAbout, &QAction::triggered, this, [this] {
        if (m_shell)
            m_shell->showAbout(true);
    });
    Label7->installEventFilter(this);

    // F1 opens help anywhere in the window; the menu caption stays as it is.
    auto *helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, mnuHelp, &QAction::trigger);

    // A file dropped on the document is opened as File > Open would; dropped text goes in.
    if (auto *document = qobject_cast<RichTextEdit *>(Rt))
        connect(document, &RichTextEdit::filesDropped, this,
                [this](const QStringList &files) { m_documents->openGivenFile(files.front()); });

    // A choice in the voice list, by mouse or keyboard.
    connect(List1, &QComboBox::activated, this, [this] { List1_Click(); });
}

ReaderShell *frmMain::shell() const
{
    return m_shell.data();
}

void frmMain::attachShell(ReaderShell &shell)
{
    m_shell = &shell;
    MainWindowHooks hooks;
    hooks.window = this;
    m_background->fillHooks(hooks); // the Options check marks, the clipboard, tmrMonitor
    hooks.voiceListText = [this] { return List1->currentText(); };
    hooks.setVoiceListText = [this](const QString &voice) {
        // The list offers installed voices only. A stored voice that is gone was handed to
        // element 0 unchanged, so the list shows the voice that element speaks with instead
        // of claiming one that is not in use.
        int index = List1->findText(voice, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0)
            index = List1->findText(GetCurVoice(), Qt::MatchExactly | Qt::MatchCaseSensitive);
        List1->setCurrentIndex(index);
    };
    hooks.SetVoice = [this](const QString &voice) { SetVoice(voice); };
    hooks.GetCurVoice = [this] { return GetCurVoice(); };
    hooks.PitchSpeed = [this] { PitchSpeed(); };
    hooks.StopSpeaking = [this] { StopSpeaking(); };
    hooks.LoadSynthesis = [this] { LoadSynthesis(); };
    hooks.mnuFileNew_Click = [this] { mnuFileNew_Click(); };
    hooks.aLeft_Click = [this] { m_formatting->formatMenu()->alignLeft(); };
    hooks.FillFontBoxes = [this] { m_formatting->fillFontBoxes(); };
    hooks.Form_Resize = [this] { m_layout->Form_Resize(); };
    hooks.openFile = [this](const QString &path) { m_documents->openGivenFile(path); };
    hooks.askToSaveChanges = [this] { return m_documents->askToSaveChanges(); };
    shell.attachMainWindow(hooks);
    new ReadingMediaControls(*this, shell);
}

bool frmMain::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_shell)
        ignoreErrors([&] { m_shell->life().Form_Activate(); });
    return QMainWindow::event(event);
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_shell || !isMinimized())
        return;
    // Hiding the window from inside its own state change confuses some window managers:
    // the trip to the notification area waits until the change is done.
    QTimer::singleShot(0, this, [this] {
        if (m_shell && isMinimized() && isVisible())
            ignoreErrors([&] { m_shell->rightClick().PutInTray(); });
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!m_shell) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Only the close box counts as the user's close; the program's own closes, Exit and
    // the end of the session go through.
    if (m_shell->life().Form_QueryUnload(event->spontaneous())) {
        event->ignore();
        return;
    }
    m_shell->life().Form_Unload();
    event->accept();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label7 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (m_shell)
            m_shell->links().Label7_Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::LoadSynthesis()
{
    m_voices->loadVoices();
}

QString frmMain::GetCurVoice()
{
    return m_voices->currentVoice();
}

void frmMain::SetVoice(const QString &VoiceName)
{
    m_voices->setVoice(VoiceName);
}

void frmMain::List1_Click()
{
    m_voices->voiceChosen();
}

const QString &frmMain::CurrentCereVoice() const
{
    return m_voices->currentCereVoice();
}

void frmMain::mnuFileNew_Click()
{
    m_documents->newDocument();
}

void frmMain::mnuAdvanced_Click()
{
    m_engineTools->showEngineSettings();
}

void frmMain::mnuPronounce_Click()
{
    m_engineTools->editPronunciation();
}

void frmMain::mnuConvert_Click()
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

    ConversionRequest request;
    request.book =
        BookOutline::of(*Rt->document(), QFileInfo(m_documents->currentFile()).completeBaseName());
    // The text the reader speaks, so the file sounds like the document read in the window.
    request.documentText = DocumentChapters::spokenText(*Rt->document(), &request.book.chapters);
    request.engineIndex = EngineIndex;
    if (EngineIndex > 0 && EngineIndex < VoiceCatalogue::cereVoices.size()) {
        request.engineDir = VoiceCatalogue::cereVoices.at(EngineIndex).engineDir;
        request.voiceDir = VoiceCatalogue::cereVoices.at(EngineIndex).voiceDir;
    } else {
        request.engineIndex = 0;
        request.voiceName = GetCurVoice();
    }
    request.speed = Slider1->value();
    request.volume = Slider3->value();
    ignoreErrors([&] {
        request.disableConvertWarn =
            settings->GetSetting(ReaderSettings::SectionOptions, DisableConvertWarn);
    });
    request.storeDisableConvertWarn = [settings](const QString &value) {
        settings->SaveSetting(ReaderSettings::SectionOptions, DisableConvertWarn, value);
    };
    request.shellOpen = [](QString &command, int showStyle, const QString &workDir) {
        return ShellOpen(command, showStyle, workDir);
    };
    modConvert::mnuConvert_Click(request, this);
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
