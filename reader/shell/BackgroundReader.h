#pragma once

#include "BackgroundReaderHooks.h"
#include "ClipboardSource.h"
#include "ForegroundWindowSource.h"

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QTimer;
struct MainWindowHooks;

// Reads aloud, while the reader runs in the background, the text the user copies in any
// program and the message of a standard dialog box that any program brings to the
// foreground. monitorTimer looks at both once a second; what it finds goes to the main
// window's speak, flagged as background speech so that the document is left alone. Each kind
// has its check item in the Options menu (readClipboardAction, readDialogsAction), mirrored by the
// tray menu.
class BackgroundReader : public QObject
{
    Q_OBJECT
public:
    // The class names and label texts of standard dialog boxes.
    static inline const QString DialogClass = QStringLiteral("#32770");
    static inline const QString LabelClass = QStringLiteral("Static");
    // The label class of some other programs' dialogs, read when no standard label is.
    static inline const QString OtherLabelClass = QStringLiteral("MSOUNISTAT");
    // The first labels of the file-save and file-open dialogs, and what is said instead of
    // all their labels.
    static inline const QString SaveDialogLabel = QStringLiteral("Save &in:");
    static inline const QString OpenDialogLabel = QStringLiteral("Look &in:");
    static inline const QString SaveDialogAnnouncement = QStringLiteral("Save file as.");
    static inline const QString OpenDialogAnnouncement = QStringLiteral("Open a file.");

    static inline const QString ClipCaption = QStringLiteral("Read &Clipboard When Text is Copied");
    static inline const QString DialogCaption = QStringLiteral("Read Text From All &Dialog Boxes");

    // Said once a run where the desktop shows copied text to the active window only.
    static inline const QString ClipboardNeedsFocusText = QStringLiteral(
        "This desktop lets Larkvane TTS Reader see copied text only while its window is "
        "active: text copied in other programs is read when you come back to the reader's "
        "window.");

    static constexpr int MonitorInterval = 1000;
    // Past this many characters the clipboard is read only every fourth tick.
    static constexpr int LongClipboardText = 4096;
    static constexpr qint16 LongClipboardTicks = 4;

    BackgroundReader(BackgroundReaderHooks hooks, std::unique_ptr<ForegroundWindowSource> windows,
                     std::unique_ptr<ClipboardSource> clipboard, QObject *parent = nullptr);
    ~BackgroundReader() override;

    // Takes the Options menu's two items: gives them their captions and makes them check
    // items. Without them both readers count as switched off.
    void attachMenuItems(QAction *clip, QAction *dialog);
    // The main-window hooks that belong to the background readers: the two check marks,
    // remembering the clipboard at load and starting monitorTimer.
    void fillHooks(MainWindowHooks &hooks);

    // At load: the text on the clipboard now is not news, so it is not read.
    void rememberClipboard();
    // Starts the polling (once, at the end of the main window's load).
    void enableMonitor();
    // One poll of the foreground window and the clipboard.
    void poll();

    bool clipChecked() const;
    bool dialogChecked() const;

    // The sources, for a main window that tests drive with scripted ones.
    void setSources(std::unique_ptr<ForegroundWindowSource> windows,
                    std::unique_ptr<ClipboardSource> clipboard);

    QTimer *monitorTimer = nullptr;
    QAction *readClipboardAction = nullptr;
    QAction *readDialogsAction = nullptr;

    // The foreground window's class at the previous tick.
    QString lastWindowClass;
    // The clipboard text seen last.
    QString lastClipboardText;
    // Ticks to wait before the clipboard is read again.
    qint16 clipboardPollCountdown = 0;

private:
    void stopDialogSpeech(const QString &windowClass);
    void readDialog(const QString &windowClass);
    QString dialogText();
    void readClipboard();
    void speakInBackground(QString text, bool fromDialog);
    void tellIfClipboardNeedsFocus();

    BackgroundReaderHooks m_hooks;
    std::unique_ptr<ForegroundWindowSource> m_windows;
    std::unique_ptr<ClipboardSource> m_clipboard;
    bool m_inTick = false;
    bool m_toldClipboardNeedsFocus = false;
};
