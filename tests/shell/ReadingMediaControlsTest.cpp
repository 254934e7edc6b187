#include "DocumentCommands.h"
#include "MainWindow.h"
#include "MainWindowLife.h"
#include "ScriptedEngine.h"
#include "ShellFixture.h"
#include "SpeechControl.h"

#include <QAccessible>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

// The desktop's media controls on the real main window: their commands press its buttons,
// and what they are told follows the reading.
namespace {
using Status = MediaControls::Status;

class ReadingMediaControlsTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        qputenv("PARLANCE_AUDIO", "null:40");
        m_window = std::make_unique<MainWindow>(
            shell(), std::make_unique<SpeechControl>(0, std::make_unique<ScriptedEngine>(22050)));
        shell().life().load(true);
    }

    void TearDown() override
    {
        m_window.reset();
        ShellFixture::TearDown();
    }

    MediaControls::State now() const { return m_media.published.last(); }
    bool waitFor(Status status)
    {
        return QTest::qWaitFor([&] { return now().status == status; }, 20000);
    }

    std::unique_ptr<MainWindow> m_window;
};

TEST_F(ReadingMediaControlsTest, CommandsPressTheWindowsButtonsAndTheStateFollowsTheReading)
{
    ASSERT_FALSE(m_media.published.isEmpty());
    EXPECT_EQ(now(), (MediaControls::State{Status::Stopped, "Untitled", false, false}));

    QStringList words;
    for (int i = 0; i < 400; ++i)
        words << QStringLiteral("word%1").arg(i);
    m_window->documentEdit->setPlainText(words.join(' '));
    EXPECT_TRUE(now().canPlay);
    EXPECT_FALSE(now().canPause);

    // Play is Read All; pause and stop are Stop / Pause, which offers Continue; play then
    // continues where the reading stopped.
    m_media.commands.play();
    ASSERT_TRUE(waitFor(Status::Playing));
    EXPECT_TRUE(now().canPause);
    EXPECT_TRUE(now().canPlay);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->reading().wordPosition > 0; }, 20000));
    m_media.commands.pause();
    ASSERT_TRUE(waitFor(Status::Paused));
    EXPECT_EQ(m_window->readSelectionButton->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(now().canPlay && now().canPause);
    const int resumeAt = m_window->documentEdit->textCursor().selectionStart();
    EXPECT_GT(resumeAt, 0);
    m_media.commands.playPause();
    ASSERT_TRUE(waitFor(Status::Playing));
    EXPECT_GE(m_window->reading().chunkOffset, resumeAt);
    m_media.commands.playPause();
    ASSERT_TRUE(waitFor(Status::Paused));
    m_media.commands.play();
    ASSERT_TRUE(waitFor(Status::Playing));
    m_media.commands.stop();
    ASSERT_TRUE(waitFor(Status::Paused));

    // Only changes are published; the title is the document's name.
    const QString file = m_dir.filePath(QStringLiteral("Letter to Anna.txt"));
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Dear Anna.");
    text.close();
    ASSERT_TRUE(m_window->documents()->openFile(file));
    EXPECT_EQ(now().title, QStringLiteral("Letter to Anna.txt"));
    for (qsizetype i = 1; i < m_media.published.size(); ++i)
        EXPECT_FALSE(m_media.published[i] == m_media.published[i - 1]);

    // Raise brings the window back from the notification area.
    m_window->hide();
    m_media.commands.raise();
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(ReadingMediaControlsTest, MinimizedWindowKeepsItsAccessibleName)
{
    m_window->show();
    m_window->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->isMinimized(); }, 5000));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(m_window.get());
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->text(QAccessible::Name),
              QStringLiteral("Larkvane TTS Reader - Untitled"));
}
} // namespace
