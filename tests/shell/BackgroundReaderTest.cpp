#include "BackgroundReader.h"
#include "MessageBoxRecorder.h"
#include "ReadingState.h"
#include "ScriptedSeams.h"

#include <QAction>
#include <gtest/gtest.h>

// The tick over a scripted desktop and clipboard, with a speak that records what it is given
// and, like the real one, starts speaking only for text of two characters or more.
namespace {
const QString Dialog = BackgroundReader::DialogClass;
const QString Label = BackgroundReader::LabelClass;
const QString Frame = QStringLiteral("frame");

class BackgroundReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto windows = std::make_unique<ScriptedWindows>();
        auto clipboard = std::make_unique<ScriptedClipboard>();
        m_windows = windows.get();
        m_clipboard = clipboard.get();
        BackgroundReaderHooks hooks;
        hooks.speak = [this](QString &text) {
            m_spoken << text;
            m_flags << QStringLiteral("%1%2").arg(m_state.backgroundSpeech ? "B" : "-",
                                                  m_state.dialogSpeech ? "D" : "-");
            if (text.trimmed().size() >= 2) {
                ++m_state.generation;
                m_state.speaking = true;
            }
        };
        hooks.stopSpeech = [this] {
            ++m_stops;
            m_state.speaking = false;
        };
        hooks.reading = &m_state;
        m_reader =
            std::make_unique<BackgroundReader>(hooks, std::move(windows), std::move(clipboard));
        m_reader->attachMenuItems(&m_clip, &m_dialog);
        m_clip.setChecked(true);
        m_dialog.setChecked(true);
    }

    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            m_reader->poll();
    }

    // The end of the speech, as the speech events report it.
    void speechEnded()
    {
        m_state.speaking = m_state.backgroundSpeech = m_state.dialogSpeech = false;
    }

    // What a dialog with these children says when it comes to the front.
    QString dialogSays(const QList<ForegroundWindowSource::ChildWindow> &children)
    {
        m_windows->show(Frame);
        tick();
        m_spoken.clear();
        m_windows->className = Dialog;
        m_windows->children = children;
        tick();
        speechEnded();
        return m_spoken.size() == 1 ? m_spoken.front()
                                    : QStringLiteral("<%1 spoken>").arg(m_spoken.size());
    }

    ReadingState m_state;
    QAction m_clip, m_dialog;
    ScriptedWindows *m_windows = nullptr;
    ScriptedClipboard *m_clipboard = nullptr;
    std::unique_ptr<BackgroundReader> m_reader;
    QStringList m_spoken, m_flags;
    int m_stops = 0;
};

TEST_F(BackgroundReaderTest, CopiedTextIsSpokenOnceEachTimeItChanges)
{
    m_dialog.setChecked(false);
    m_clipboard->copy(QStringLiteral("on the clipboard at start"));
    m_reader->rememberClipboard();
    tick(2);
    EXPECT_TRUE(m_spoken.isEmpty());

    for (const char *text : {"  Alpha one \n ", "Bravo", "  Alpha one \n "}) {
        m_clipboard->copy(QString::fromLatin1(text));
        tick(2);
    }
    // Trimmed of spaces only, and spoken again after something else came between.
    EXPECT_EQ(m_spoken, QStringList({"Alpha one \n", "Bravo", "Alpha one \n"}));
    EXPECT_EQ(m_flags, QStringList({"B-", "B-", "B-"}));
    EXPECT_EQ(m_reader->lastClipboardText, QStringLiteral("  Alpha one \n "));
}

TEST_F(BackgroundReaderTest, DesktopThatHidesCopiesFromBackgroundWindowsIsNamedOnceWhileReading)
{
    MessageBoxRecorder boxes;
    m_clipboard->background = false;
    m_clip.setChecked(false);
    m_reader->enableMonitor();
    EXPECT_TRUE(boxes.requests().isEmpty());
    m_clip.setChecked(true);
    m_clip.setChecked(false);
    m_clip.setChecked(true);
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().front().text, BackgroundReader::ClipboardNeedsFocusText);
}

TEST_F(BackgroundReaderTest, EmptyOrBusyClipboardSaysNothingAndChangesNothing)
{
    m_dialog.setChecked(false);
    m_clipboard->copy(QStringLiteral("Some words"));
    tick();
    speechEnded();
    // Held by another program: tried again next time, and not taken for a new text then.
    m_clipboard->busy = true;
    tick(2);
    m_clipboard->busy = false;
    tick();
    EXPECT_EQ(m_clipboard->reads, 4);
    // A picture, or nothing: the empty text is handed over and nothing starts, so the next
    // reading of the document is not taken for background speech.
    m_clipboard->copy(QString());
    tick();
    m_clipboard->copy(QStringLiteral("x"));
    tick();
    EXPECT_EQ(m_spoken, QStringList({"Some words", "", "x"}));
    EXPECT_FALSE(m_state.backgroundSpeech);
    EXPECT_EQ(m_reader->lastClipboardText, QStringLiteral("x"));
}

TEST_F(BackgroundReaderTest, LongClipboardTextIsReadEveryFourthTick)
{
    m_dialog.setChecked(false);
    m_clipboard->copy(QString(BackgroundReader::LongClipboardText, QLatin1Char('a')));
    tick(2);
    EXPECT_EQ(m_clipboard->reads, 2); // up to the limit: every tick
    m_clipboard->copy(QString(BackgroundReader::LongClipboardText + 1, QLatin1Char('b')));
    tick();
    m_clipboard->copy(QStringLiteral("short again"));
    tick(3);
    EXPECT_EQ(m_clipboard->reads, 3);
    tick(2);
    EXPECT_EQ(m_clipboard->reads, 5);
    EXPECT_EQ(m_spoken.size(), 3);
    EXPECT_EQ(m_spoken.last(), QStringLiteral("short again"));
}

TEST_F(BackgroundReaderTest, PasswordManagerSecretsAreRememberedButNeverSpoken)
{
    m_dialog.setChecked(false);
    m_clipboard->copy(QStringLiteral("correct horse battery"), true);
    tick(2);
    EXPECT_EQ(m_reader->lastClipboardText, QStringLiteral("correct horse battery"));
    // The same text offered again without the mark is still the text seen last.
    m_clipboard->copy(QStringLiteral("correct horse battery"));
    tick();
    m_clipboard->copy(QStringLiteral("Next"));
    tick();
    EXPECT_EQ(m_spoken, QStringList({"Next"}));
}

TEST_F(BackgroundReaderTest, SwitchedOffReadsNothingButRemembersTheForegroundWindow)
{
    m_clip.setChecked(false);
    m_dialog.setChecked(false);
    m_clipboard->copy(QStringLiteral("remembered"));
    m_reader->rememberClipboard();
    m_windows->show(Dialog, {QStringLiteral("Already open.")});
    m_clipboard->copy(QStringLiteral("copied while off"));
    tick(2);
    EXPECT_TRUE(m_spoken.isEmpty());
    EXPECT_EQ(m_clipboard->reads, 1);

    // The dialog that was already in front is not news; the text copied meanwhile is.
    m_clip.setChecked(true);
    m_dialog.setChecked(true);
    tick();
    speechEnded();
    m_windows->show(Frame);
    tick();
    m_windows->show(Dialog, {QStringLiteral("Open again.")});
    tick();
    EXPECT_EQ(m_spoken, QStringList({"copied while off", "Open again. "}));
}

TEST_F(BackgroundReaderTest, DialogIsReadOnceWithItsLabelsCleaned)
{
    m_clip.setChecked(false);
    m_windows->show(Frame);
    tick();
    m_windows->className = Dialog;
    m_windows->children = {{Label, QStringLiteral("Delete three files?")},
                           {QStringLiteral("Button"), QStringLiteral("OK")},
                           {Label, QStringLiteral("They cannot be restored.")}};
    tick(3);
    // The walk ends past the last label, which counts as an empty one.
    EXPECT_EQ(m_spoken, QStringList({"Delete three files? They cannot be restored. "}));
    EXPECT_EQ(m_flags, QStringList({"BD"}));
    speechEnded();

    // The first label is read even with a percentage; later ones with one are skipped.
    EXPECT_EQ(dialogSays({{Label, QStringLiteral("Copying 40% done")},
                          {Label, QStringLiteral("12%")},
                          {Label, QStringLiteral("Please wait")}}),
              QStringLiteral("Copying 40% done Please wait "));
    // Access-key ampersands go everywhere; zero characters and outer spaces go from labels.
    EXPECT_EQ(dialogSays({{Label, QStringLiteral("  &Save changes?") + QChar(0)},
                          {Label, QStringLiteral(" Fish && Chips  ")}}),
              QStringLiteral("Save changes? Fish  Chips "));
    // Other programs' labels count only where the dialog has no standard one.
    EXPECT_EQ(dialogSays({{QStringLiteral("Button"), QStringLiteral("OK")},
                          {BackgroundReader::OtherLabelClass, QStringLiteral(" Not saved. ")}}),
              QStringLiteral("Not saved."));
    EXPECT_EQ(dialogSays({{BackgroundReader::OtherLabelClass, QStringLiteral("Other")},
                          {Label, QStringLiteral("Standard")}}),
              QStringLiteral("Standard "));
    EXPECT_EQ(dialogSays({{QStringLiteral("Button"), QStringLiteral("OK")}}),
              QStringLiteral("<0 spoken>"));
    EXPECT_EQ(m_stops, 0);
}

TEST_F(BackgroundReaderTest, FileDialogsAreAnnouncedInsteadOfRead)
{
    m_clip.setChecked(false);
    EXPECT_EQ(dialogSays({{Label, QStringLiteral("Save &in:")}, {Label, QStringLiteral("&Name:")}}),
              BackgroundReader::SaveDialogAnnouncement);
    EXPECT_EQ(dialogSays({{Label, QStringLiteral(" Look &in: ")}, {Label, QStringLiteral("Type")}}),
              BackgroundReader::OpenDialogAnnouncement);
}

TEST_F(BackgroundReaderTest, OnlyLeavingForAnotherKindOfWindowStopsDialogSpeech)
{
    m_clip.setChecked(false);
    m_windows->show(Frame);
    tick();
    m_windows->show(Dialog, {QStringLiteral("First dialog")});
    tick(2);
    // Straight on to another dialog: neither read nor stopped.
    m_windows->show(Dialog, {QStringLiteral("Second dialog")});
    tick();
    EXPECT_EQ(m_spoken, QStringList({"First dialog "}));
    EXPECT_EQ(m_stops, 0);
    m_windows->show(Frame);
    tick(2);
    EXPECT_EQ(m_stops, 1);
    EXPECT_TRUE(m_state.dialogSpeech); // for the end of speech to clear

    // Speech that came from the clipboard goes on when the window changes.
    speechEnded();
    m_clip.setChecked(true);
    m_clipboard->copy(QStringLiteral("Copied text"));
    tick();
    m_windows->show(QStringLiteral("terminal"));
    tick();
    EXPECT_TRUE(m_state.speaking);
    EXPECT_EQ(m_stops, 1);
}
} // namespace
