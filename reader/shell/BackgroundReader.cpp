#include "BackgroundReader.h"

#include "IgnoreErrors.h"
#include "MainWindowHooks.h"
#include "MessageBoxService.h"
#include "ReadingState.h"
#include "TrimSpaces.h"

#include <QAction>
#include <QTimer>

namespace {
// Window texts are trimmed of spaces only; other white space is part of what a label says.
QString cleanText(QString text)
{
    text.remove(QChar(0));
    return trimSpaces(text);
}

// Index of the first child of `className` at or after `from`, or -1.
qsizetype nextChild(const QList<ForegroundWindowSource::ChildWindow> &children,
                    const QString &className, qsizetype from)
{
    for (qsizetype i = qMax<qsizetype>(from, 0); i < children.size(); ++i) {
        if (children.at(i).className == className)
            return i;
    }
    return -1;
}
} // namespace

BackgroundReader::BackgroundReader(BackgroundReaderHooks hooks,
                                   std::unique_ptr<ForegroundWindowSource> windows,
                                   std::unique_ptr<ClipboardSource> clipboard, QObject *parent)
    : QObject(parent), monitorTimer(new QTimer(this)), m_hooks(std::move(hooks)),
      m_windows(std::move(windows)), m_clipboard(std::move(clipboard))
{
    setObjectName(QStringLiteral("BackgroundReader"));
    monitorTimer->setObjectName(QStringLiteral("monitorTimer"));
    monitorTimer->setInterval(MonitorInterval);
    connect(monitorTimer, &QTimer::timeout, this, &BackgroundReader::poll);
}

BackgroundReader::~BackgroundReader() = default;

void BackgroundReader::attachMenuItems(QAction *clip, QAction *dialog)
{
    readClipboardAction = clip;
    readDialogsAction = dialog;
    if (readClipboardAction) {
        readClipboardAction->setText(ClipCaption);
        readClipboardAction->setCheckable(true);
        connect(readClipboardAction, &QAction::toggled, this,
                [this] { tellIfClipboardNeedsFocus(); });
    }
    if (readDialogsAction) {
        readDialogsAction->setText(DialogCaption);
        readDialogsAction->setCheckable(true);
        connect(readDialogsAction, &QAction::toggled, this, [this](bool on) {
            if (m_windows)
                ignoreErrors([&] { m_windows->setDialogReading(on); });
        });
        if (m_windows)
            ignoreErrors([&] { m_windows->setDialogReading(readDialogsAction->isChecked()); });
    }
}

void BackgroundReader::fillHooks(MainWindowHooks &hooks)
{
    hooks.clipChecked = [this] { return clipChecked(); };
    hooks.setClipChecked = [this](bool on) {
        if (readClipboardAction)
            readClipboardAction->setChecked(on);
    };
    hooks.dialogChecked = [this] { return dialogChecked(); };
    hooks.setDialogChecked = [this](bool on) {
        if (readDialogsAction)
            readDialogsAction->setChecked(on);
    };
    hooks.rememberClipboard = [this] { rememberClipboard(); };
    hooks.enableMonitor = [this] { enableMonitor(); };
}

void BackgroundReader::setSources(std::unique_ptr<ForegroundWindowSource> windows,
                                  std::unique_ptr<ClipboardSource> clipboard)
{
    m_windows = std::move(windows);
    m_clipboard = std::move(clipboard);
    if (m_windows && readDialogsAction)
        ignoreErrors([&] { m_windows->setDialogReading(readDialogsAction->isChecked()); });
}

bool BackgroundReader::clipChecked() const
{
    return readClipboardAction && readClipboardAction->isChecked();
}

bool BackgroundReader::dialogChecked() const
{
    return readDialogsAction && readDialogsAction->isChecked();
}

void BackgroundReader::rememberClipboard()
{
    // An unreadable clipboard leaves the remembered text as it was.
    ignoreErrors([&] {
        if (m_clipboard)
            lastClipboardText = m_clipboard->read().text;
    });
}

void BackgroundReader::enableMonitor()
{
    monitorTimer->start();
    tellIfClipboardNeedsFocus();
}

void BackgroundReader::tellIfClipboardNeedsFocus()
{
    // Once the reader runs (not in the middle of its load), and only while it would read.
    if (m_toldClipboardNeedsFocus || !clipChecked() || !monitorTimer->isActive() || !m_clipboard ||
        m_clipboard->seesCopiesInBackground())
        return;
    m_toldClipboardNeedsFocus = true;
    MessageBoxService::notify(ClipboardNeedsFocusText);
}

void BackgroundReader::poll()
{
    // Speaking or reading the clipboard may run the event loop; a tick that came due
    // meanwhile must not start over in the middle of this one.
    if (m_inTick)
        return;
    m_inTick = true;

    QString windowClass;
    ignoreErrors([&] {
        if (m_windows)
            windowClass = m_windows->foregroundClass();
    });
    if (dialogChecked()) {
        ignoreErrors([&] { stopDialogSpeech(windowClass); });
        ignoreErrors([&] { readDialog(windowClass); });
    }
    if (clipChecked())
        readClipboard();
    // Remembered whatever the menus say: a dialog that is already in front when dialog
    // reading is switched on is not news.
    lastWindowClass = windowClass;

    m_inTick = false;
}

void BackgroundReader::stopDialogSpeech(const QString &windowClass)
{
    // The user has moved on from the dialog that is being read. The speech-source flags
    // stay; the end of speech clears them.
    const ReadingState *state = m_hooks.reading;
    if (windowClass != lastWindowClass && state && state->speaking && state->dialogSpeech &&
        m_hooks.stopSpeech)
        m_hooks.stopSpeech();
}

void BackgroundReader::readDialog(const QString &windowClass)
{
    // Only a dialog that has just come to the foreground is read; moving from one dialog
    // straight to another reads nothing.
    if (windowClass != DialogClass || lastWindowClass == DialogClass)
        return;
    QString text = dialogText();
    if (text.isEmpty())
        return;
    text.remove(QLatin1Char('&'));
    speakInBackground(text, true);
}

QString BackgroundReader::dialogText()
{
    const QList<ForegroundWindowSource::ChildWindow> children = m_windows->childWindows();
    qsizetype label = nextChild(children, LabelClass, 0);
    QString text = label >= 0 ? cleanText(children.at(label).text) : QString();

    // File dialogs are announced by what they are for; their labels are not read.
    if (text == SaveDialogLabel) {
        text = SaveDialogAnnouncement;
        label = -1;
    } else if (text == OpenDialogLabel) {
        text = OpenDialogAnnouncement;
        label = -1;
    }

    // The later labels, each after a space; a label with a percentage is a progress figure
    // that would be stale by the time it is heard. The walk ends past the last label, which
    // counts as an empty one.
    while (label >= 0) {
        label = nextChild(children, LabelClass, label + 1);
        const QString next = label >= 0 ? children.at(label).text : QString();
        if (!next.contains(QLatin1Char('%')))
            text += QLatin1Char(' ') + cleanText(next);
    }

    if (text.isEmpty()) {
        const qsizetype other = nextChild(children, OtherLabelClass, 0);
        text = other >= 0 ? cleanText(children.at(other).text) : QString();
    }
    return text;
}

void BackgroundReader::readClipboard()
{
    if (clipboardPollCountdown < 1) {
        clipboardPollCountdown = 1;
        // A clipboard that cannot be read now is tried again at the next tick; the text
        // remembered stays, so that nothing is read twice.
        ignoreErrors([&] {
            if (!m_clipboard)
                return;
            const ClipboardSource::Contents contents = m_clipboard->read();
            // What a password manager marks as secret is remembered but never said.
            if (contents.text != lastClipboardText && !contents.concealed)
                speakInBackground(trimSpaces(contents.text), false);
            if (contents.text.size() > LongClipboardText)
                clipboardPollCountdown = LongClipboardTicks;
            lastClipboardText = contents.text;
        });
    }
    --clipboardPollCountdown;
}

void BackgroundReader::speakInBackground(QString text, bool fromDialog)
{
    if (!m_hooks.speak)
        return;
    ReadingState *state = m_hooks.reading;
    if (!state) {
        ignoreErrors([&] { m_hooks.speak(text); });
        return;
    }
    const bool background = state->backgroundSpeech;
    const bool dialog = state->dialogSpeech;
    const quint64 generation = state->generation;
    state->backgroundSpeech = true;
    if (fromDialog)
        state->dialogSpeech = true;
    ignoreErrors([&] { m_hooks.speak(text); });
    // A text too short to say starts nothing. Left set, the flags would keep the next
    // reading of the document from marking its words, and would let leaving a window stop
    // a reading that never came from a dialog.
    if (state->generation == generation) {
        state->backgroundSpeech = background;
        state->dialogSpeech = dialog;
    }
}
