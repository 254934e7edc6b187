#include "BackgroundReader.h"
#include "MainWindow.h"
#include "MainWindowLife.h"
#include "ScriptedEngine.h"
#include "ScriptedSeams.h"
#include "ShellFixture.h"
#include "SpeechControl.h"
#include "TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

// The background readers on the real main window, reading with a scripted engine through
// the window's own speak and stop.
namespace {
class BackgroundReaderWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("PARLANCE_AUDIO", "null:40");
        // A second of audio per word: long texts keep speaking while the test looks.
        m_window = std::make_unique<MainWindow>(
            std::make_unique<SpeechControl>(0, std::make_unique<ScriptedEngine>(22050)));
        auto windows = std::make_unique<ScriptedWindows>();
        auto clipboard = std::make_unique<ScriptedClipboard>();
        m_windows = windows.get();
        m_clipboard = clipboard.get();
        reader().setSources(std::move(windows), std::move(clipboard));
        m_window->readClipboardAction->setChecked(true);
        m_window->readDialogsAction->setChecked(true);
    }

    BackgroundReader &reader() { return *m_window->backgroundReader(); }
    ReadingState &state() { return m_window->reading(); }
    bool idle() { return !state().speaking && !m_window->stopPauseButton->isEnabled(); }

    static QString words(int count)
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("word%1").arg(i);
        return list.join(QLatin1Char(' '));
    }

    std::unique_ptr<MainWindow> m_window;
    ScriptedWindows *m_windows = nullptr;
    ScriptedClipboard *m_clipboard = nullptr;
};

TEST_F(BackgroundReaderWindowTest, CopiedTextLeavesTheDocumentAloneAndAnEmptyCopyChangesNothing)
{
    EXPECT_EQ(m_window->monitorTimer, reader().monitorTimer);
    m_window->readDialogsAction->setChecked(false);
    m_window->documentEdit->setPlainText(QStringLiteral("alpha bravo charlie delta echo"));
    m_clipboard->copy(QStringLiteral("copied two"));
    reader().poll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state().speaking; }, 20000));
    EXPECT_TRUE(state().backgroundSpeech);
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(); }, 20000));
    EXPECT_EQ(m_window->documentEdit->textCursor().selectionEnd(), 0);
    EXPECT_FALSE(state().backgroundSpeech);

    // Nothing to say: the document's next reading must still mark its words.
    m_clipboard->copy(QString());
    reader().poll();
    EXPECT_FALSE(state().backgroundSpeech);
    m_window->readAllButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->documentEdit->textCursor().hasSelection(); },
                                20000));
    m_window->stopSpeech();
}

TEST_F(BackgroundReaderWindowTest, LeavingTheDialogStopsItsReading)
{
    m_window->readClipboardAction->setChecked(false);
    m_windows->show(QStringLiteral("frame"));
    reader().poll();
    m_windows->show(BackgroundReader::DialogClass, {words(2000)});
    reader().poll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state().speaking; }, 20000));
    EXPECT_TRUE(state().dialogSpeech);

    // Staying in the dialog keeps it going.
    reader().poll();
    EXPECT_TRUE(state().speaking);
    m_windows->show(QStringLiteral("frame"));
    reader().poll();
    EXPECT_TRUE(QTest::qWaitFor([&] { return idle() && !state().dialogSpeech; }, 20000));
    // Read to the end it would take far longer; stopped, the rest was never handed on.
    EXPECT_FALSE(state().remainingText.isEmpty());
}

// The readers' items on the shell's side: the tray menu mirrors them, and the main window's
// load and unload run through them.
class BackgroundReaderShellTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        auto windows = std::make_unique<ScriptedWindows>();
        auto clipboard = std::make_unique<ScriptedClipboard>();
        m_windows = windows.get();
        m_clipboard = clipboard.get();
        m_reader = std::make_unique<BackgroundReader>(BackgroundReaderHooks{}, std::move(windows),
                                                      std::move(clipboard));
        m_reader->attachMenuItems(&m_clip, &m_dialog);
        MainWindowHooks hooks = m_main.hooks();
        m_reader->fillHooks(hooks);
        m_shell->attachMainWindow(hooks);
    }

    QAction m_clip, m_dialog;
    ScriptedWindows *m_windows = nullptr;
    ScriptedClipboard *m_clipboard = nullptr;
    std::unique_ptr<BackgroundReader> m_reader;
};

TEST_F(BackgroundReaderShellTest, ItemsLoadAreMirroredByTheTrayAndAreStored)
{
    EXPECT_EQ(m_clip.text(), QStringLiteral("Read &Clipboard When Text is Copied"));
    EXPECT_EQ(m_dialog.text(), QStringLiteral("Read Text From All &Dialog Boxes"));
    putSetting(QStringLiteral("Options"), QStringLiteral("Dialog"), QStringLiteral("True"));
    m_clipboard->copy(QStringLiteral("there before the reader"));
    EXPECT_FALSE(m_reader->monitorTimer->isActive());
    shell().life().load(true);
    EXPECT_EQ(m_reader->lastClipboardText, QStringLiteral("there before the reader"));
    EXPECT_TRUE(m_reader->monitorTimer->isActive());
    EXPECT_EQ(m_reader->monitorTimer->interval(), 1000);
    EXPECT_TRUE(m_clip.isChecked());
    EXPECT_TRUE(m_dialog.isChecked());
    EXPECT_TRUE(m_windows->dialogReading);

    TrayIcon &tray = shell().trayIcon();
    m_clip.setChecked(false);
    emit tray.popupMenu->aboutToShow();
    EXPECT_FALSE(tray.readClipboardAction->isChecked());
    EXPECT_TRUE(tray.readDialogsAction->isChecked());
    tray.readDialogsAction->trigger();
    EXPECT_FALSE(m_dialog.isChecked());
    EXPECT_FALSE(m_windows->dialogReading);

    shell().life().unload();
    EXPECT_EQ(setting(QStringLiteral("Options"), QStringLiteral("Clipboard")),
              QStringLiteral("False"));
    EXPECT_EQ(setting(QStringLiteral("Options"), QStringLiteral("Dialog")),
              QStringLiteral("False"));
}
} // namespace
