#include "BackgroundReader.h"
#include "ReadingState.h"
#include "ShellPlatform.h"

#include <QAction>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <optional>

// On a real display with the accessibility bus: other programs' dialogs and copied text reach
// speak through the platform's own sources, each once.
namespace {
class DesktopBackgroundReader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BackgroundReaderHooks hooks;
        hooks.speak = [this](QString &text) {
            m_spoken << text;
            if (text.trimmed().size() >= 2)
                ++m_state.generation;
        };
        hooks.stopSpeech = [] {};
        hooks.reading = &m_state;
        m_reader =
            std::make_unique<BackgroundReader>(hooks, ShellPlatform::createForegroundWindowSource(),
                                               ShellPlatform::createClipboardSource());
        m_reader->attachMenuItems(&m_clip, &m_dialog);
    }

    void TearDown() override
    {
        m_reader.reset();
        for (QProcess &process : m_processes) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    QProcess &start(const QString &program, const QStringList &arguments)
    {
        QProcess &process = m_processes.emplace_back();
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted(10000)) << program.toStdString();
        return process;
    }

    // Without a window manager the keyboard focus follows the pointer: the user points at
    // the dialog, as after a click elsewhere (the tray tests leave the pointer on the tray).
    static void pointAt(const QProcess &program)
    {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--sync"),
                      QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                      QString::number(program.processId())});
        if (!search.waitForFinished(15000))
            search.kill();
        const QString window =
            QString::fromLatin1(search.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
        ASSERT_FALSE(window.isEmpty()) << "no window of the program";
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                           QStringLiteral("20"), QStringLiteral("20")});
    }

    // Polls faster than the reader would, until `done` or about `limitMs` have passed.
    bool tickUntil(const std::function<bool()> &done, int limitMs = 30000)
    {
        for (int waited = 0; waited < limitMs; waited += 250) {
            m_reader->poll();
            if (done())
                return true;
            QTest::qWait(250);
        }
        return false;
    }

    void tick(int times)
    {
        for (int i = 0; i < times; ++i) {
            m_reader->poll();
            QTest::qWait(250);
        }
    }

    void copyElsewhere(const QString &text)
    {
        // xclip keeps serving the selection until another program takes it over.
        QProcess &xclip =
            start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                            QStringLiteral("clipboard")});
        xclip.write(text.toUtf8());
        xclip.closeWriteChannel();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QGuiApplication::clipboard()->text() == text; }, 10000));
    }

    static std::optional<bool> accessibilityEnabled()
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return reply.arguments().front().value<QDBusVariant>().variant().toBool();
    }

    ReadingState m_state;
    QAction m_clip, m_dialog;
    std::unique_ptr<BackgroundReader> m_reader;
    QStringList m_spoken;
    std::list<QProcess> m_processes;
};

TEST_F(DesktopBackgroundReader, DialogsOfAnotherProgramAreSpokenOnce)
{
    const std::optional<bool> before = accessibilityEnabled();
    ASSERT_TRUE(before.has_value()) << "no accessibility bus on this desktop";
    m_dialog.setChecked(true);
    // While it reads dialogs, the reader has the desktop's accessibility on.
    EXPECT_TRUE(QTest::qWaitFor([] { return accessibilityEnabled() == true; }, 10000));

    QProcess &info =
        start(QStringLiteral("zenity"),
              {QStringLiteral("--info"), QStringLiteral("--title"), QStringLiteral("Confirm"),
               QStringLiteral("--text"), QStringLiteral("Three files will be deleted.")});
    pointAt(info);
    ASSERT_TRUE(tickUntil([&] { return !m_spoken.isEmpty(); }));
    tick(6);
    EXPECT_EQ(m_spoken, QStringList({QStringLiteral("Three files will be deleted. ")}));
    EXPECT_TRUE(m_state.dialogSpeech);
    m_state = ReadingState();

    info.kill();
    info.waitForFinished(5000);
    ASSERT_TRUE(
        tickUntil([&] { return m_reader->lastWindowClass != BackgroundReader::DialogClass; }));
    pointAt(start(QStringLiteral("zenity"), {QStringLiteral("--question"), QStringLiteral("--text"),
                                             QStringLiteral("Save changes before closing?")}));
    ASSERT_TRUE(tickUntil([&] { return m_spoken.size() >= 2; }));
    tick(6);
    EXPECT_EQ(m_spoken, QStringList({QStringLiteral("Three files will be deleted. "),
                                     QStringLiteral("Save changes before closing? ")}));

    m_dialog.setChecked(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return accessibilityEnabled() == before; }, 10000));
}

TEST_F(DesktopBackgroundReader, TextCopiedInAnotherProgramIsSpokenOnce)
{
    m_clip.setChecked(true);
    copyElsewhere(QStringLiteral("Already on the clipboard"));
    m_reader->rememberClipboard();
    tick(4);
    EXPECT_TRUE(m_spoken.isEmpty());

    copyElsewhere(QStringLiteral("Copied in another program"));
    ASSERT_TRUE(tickUntil([&] { return !m_spoken.isEmpty(); }));
    tick(6);
    EXPECT_EQ(m_spoken, QStringList({QStringLiteral("Copied in another program")}));
    EXPECT_TRUE(m_state.backgroundSpeech);
    EXPECT_FALSE(m_state.dialogSpeech);
}
} // namespace
