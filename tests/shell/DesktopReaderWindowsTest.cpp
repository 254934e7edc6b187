#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <list>

// The reader as a user meets it: the real program on a display with a window manager, seen
// through the X server's window names and the accessibility bus, as a screen reader sees it.
namespace {
const QString MainTitle = QStringLiteral("Larkvane TTS Reader - Untitled");
const QString NoticeTitle = QStringLiteral("Application put in System Tray");

class ReaderOnDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(windowManagerRunning());
        QSettings settings(m_dir.filePath(QStringLiteral("config/Larkvane/Reader.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Options/Dialog"), QStringLiteral("True"));
        settings.setValue(QStringLiteral("Options/Clipboard"), QStringLiteral("False"));
        settings.sync();
        m_reader = &startReader();
        m_main = waitForWindow(MainTitle);
        ASSERT_FALSE(m_main.isEmpty());
    }

    void TearDown() override
    {
        for (QProcess &process : m_processes) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    }

    // Close boxes, minimizing and focus need a window manager; one is started for these
    // tests if the display has none, and stopped after them.
    static void SetUpTestSuite()
    {
        if (windowManagerRunning())
            return;
        s_windowManager = new QProcess;
        s_windowManager->start(QStringLiteral("openbox"), {});
        s_windowManager->waitForStarted(10000);
        static_cast<void>(QTest::qWaitFor(windowManagerRunning, 20000));
    }

    static void TearDownTestSuite()
    {
        if (!s_windowManager)
            return;
        s_windowManager->terminate();
        if (!s_windowManager->waitForFinished(5000))
            s_windowManager->kill();
        s_windowManager->waitForFinished(5000);
        delete s_windowManager;
        s_windowManager = nullptr;
    }

    // A window manager that went leaves its mark on the root window: its window must exist.
    static bool windowManagerRunning()
    {
        const QString mark = run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"});
        const qsizetype id = mark.indexOf(QStringLiteral("# "));
        if (id < 0)
            return false;
        QProcess check;
        check.start(QStringLiteral("xprop"), {"-id", mark.mid(id + 2).trimmed(), "_NET_WM_NAME"});
        return check.waitForFinished(10000) && check.exitCode() == 0;
    }

    QProcess &
    start(const QString &program, const QStringList &arguments,
          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess &process = m_processes.emplace_back();
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted(10000)) << program.toStdString();
        return process;
    }

    // A reader with its own settings, registry and runtime folder, audio on a virtual clock.
    QProcess &startReader()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString runtime = m_dir.filePath(QStringLiteral("run"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("PARLANCE_MACHINE_REGISTRY"),
                           m_dir.filePath(QStringLiteral("machine.sqlite")));
        environment.insert(QStringLiteral("PARLANCE_AUDIO"), QStringLiteral("null:1"));
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return start(QStringLiteral(PARLANCE_PROGRAM), {}, environment);
    }

    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000))
            process.kill();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // The title a window shows, as the window manager reads it.
    static QString title(const QString &window)
    {
        const QString line = run(QStringLiteral("xprop"), {"-id", window, "_NET_WM_NAME"});
        const qsizetype quote = line.indexOf(QLatin1Char('"'));
        return quote < 0 ? QString() : line.mid(quote + 1).trimmed().chopped(1);
    }

    QStringList visibleWindows() const
    {
        return run(QStringLiteral("xdotool"),
                   {"search", "--onlyvisible", "--pid", QString::number(m_reader->processId())})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The reader's visible window titled exactly `caption`, waited for.
    QString waitForWindow(const QString &caption) const
    {
        QString found;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                for (const QString &window : visibleWindows())
                    if (title(window) == caption)
                        found = window;
                return !found.isEmpty();
            },
            20000));
        return found;
    }

    bool windowGone(const QString &caption) const
    {
        return QTest::qWaitFor(
            [&] {
                for (const QString &window : visibleWindows())
                    if (title(window) == caption)
                        return false;
                return true;
            },
            10000);
    }

    static void keys(const QString &window, const QString &sequence)
    {
        run(QStringLiteral("xdotool"), {"windowactivate", "--sync", window});
        run(QStringLiteral("xdotool"), {"key", "--clearmodifiers", sequence});
    }

    QString probe(const QStringList &arguments) const
    {
        return run(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(PARLANCE_A11Y_PROBE),
                               QString::number(m_reader->processId())} +
                       arguments);
    }

    // What the time labels say once something was read: "00:00:00" until then.
    QString totalTime() const
    {
        const QStringList lines = probe({"controls"}).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            if (lines[i].startsWith(QStringLiteral("label\tTotal Time:\t")))
                return lines[i + 1].section(QLatin1Char('\t'), 1, 1);
        return {};
    }

    // A second start hands over to the running reader, which shows its window again.
    void showAgain()
    {
        QProcess &second =
            start(QStringLiteral(PARLANCE_PROGRAM), {}, m_reader->processEnvironment());
        second.waitForFinished(30000);
        EXPECT_FALSE(waitForWindow(MainTitle).isEmpty());
    }

    QString setting(const QString &key) const
    {
        return QSettings(m_dir.filePath(QStringLiteral("config/Larkvane/Reader.conf")),
                         QSettings::IniFormat)
            .value(QStringLiteral("Options/") + key)
            .toString();
    }

    static inline QProcess *s_windowManager = nullptr;
    QTemporaryDir m_dir;
    std::list<QProcess> m_processes;
    QProcess *m_reader = nullptr;
    QString m_main;
};
} // namespace

TEST_F(ReaderOnDesktop, WindowsCarryTheirOwnTitlesAndTheNoticeAnswersTheKeys)
{
    EXPECT_EQ(title(m_main), MainTitle);
    keys(m_main, QStringLiteral("ctrl+f"));
    EXPECT_FALSE(waitForWindow(QStringLiteral("Find")).isEmpty());
    probe({"act", "menu item", "About", "Press"});
    const QString about = waitForWindow(QStringLiteral("About Larkvane Text-to-Speech Reader"));
    ASSERT_FALSE(about.isEmpty());
    keys(about, QStringLiteral("Escape"));

    // Minimized, the reader goes to the tray and explains so; Space presses OK, which has
    // the focus, rather than ticking "Do not show this message in the future.".
    run(QStringLiteral("xdotool"), {"windowminimize", "--sync", m_main});
    QString notice = waitForWindow(NoticeTitle);
    ASSERT_FALSE(notice.isEmpty());
    keys(notice, QStringLiteral("space"));
    EXPECT_TRUE(windowGone(NoticeTitle));
    EXPECT_EQ(setting(QStringLiteral("Minimize")), QStringLiteral("False"));

    // Enter and Esc close it as OK does.
    for (const QString &key : {QStringLiteral("Return"), QStringLiteral("Escape")}) {
        showAgain();
        run(QStringLiteral("xdotool"), {"windowminimize", "--sync", m_main});
        notice = waitForWindow(NoticeTitle);
        ASSERT_FALSE(notice.isEmpty());
        keys(notice, key);
        EXPECT_TRUE(windowGone(NoticeTitle)) << key.toStdString();
    }
}

TEST_F(ReaderOnDesktop, OwnFormsAreNotReadAloudButOwnMessageBoxesAre)
{
    // Each of the reader's own forms in front for a few polls of the dialog reader.
    const auto inFront = [&](const QString &caption, const QString &closingKey) {
        const QString form = waitForWindow(caption);
        ASSERT_FALSE(form.isEmpty()) << caption.toStdString();
        QTest::qWait(3000);
        keys(form, closingKey);
        EXPECT_TRUE(windowGone(caption)) << caption.toStdString();
    };
    keys(m_main, QStringLiteral("ctrl+f"));
    inFront(QStringLiteral("Find"), QStringLiteral("alt+c"));
    keys(m_main, QStringLiteral("ctrl+p"));
    inFront(QStringLiteral("Print"), QStringLiteral("Escape"));
    probe({"act", "menu item", "Convert Text into WAV Audio File...", "Press"});
    inFront(QStringLiteral("Convert To Wave"), QStringLiteral("Escape"));
    probe({"act", "menu item", "About", "Press"});
    inFront(QStringLiteral("About Larkvane Text-to-Speech Reader"), QStringLiteral("Escape"));
    EXPECT_EQ(totalTime(), QStringLiteral("00:00:00")) << "an own form was read aloud";

    // The exit question is a message box: it is read.
    probe({"act", "menu item", "Exit", "Press"});
    const QString question = waitForWindow(QStringLiteral("Exit Program?"));
    ASSERT_FALSE(question.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return totalTime() != QStringLiteral("00:00:00"); }, 20000));
    keys(question, QStringLiteral("Escape"));
    EXPECT_TRUE(windowGone(QStringLiteral("Exit Program?")));
}

TEST_F(ReaderOnDesktop, ScreenReadersHearWhatEachControlIsAndTheToolbarFormats)
{
    const QStringList controls = probe({"controls"}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto named = [&](const QString &role, const QString &name) {
        for (const QString &line : controls)
            if (line.startsWith(role + QLatin1Char('\t') + name + QLatin1Char('\t')))
                return true;
        return false;
    };
    for (const auto &[role, name] : {std::pair{"slider", "Speed"},
                                     {"slider", "Volume"},
                                     {"progress bar", "Reading progress"},
                                     {"label", "Current word"},
                                     {"text", "Document"},
                                     {"check box", "Bold"},
                                     {"check box", "Center"},
                                     {"push button", "Read All"}})
        EXPECT_TRUE(named(role, name)) << role << " " << name;
    // Every control a user works with says what it is; a box is named by its value here,
    // and says what it holds in its description.
    static const QStringList working = {"slider",      "progress bar", "combo box", "label",
                                        "push button", "check box",    "text"};
    QStringList boxes;
    for (const QString &line : controls) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (!working.contains(fields.value(0)) || !fields.value(3).contains("showing"))
            continue;
        EXPECT_FALSE(fields.value(1).isEmpty()) << line.toStdString();
        if (fields.value(0) == QLatin1String("combo box"))
            boxes << fields.value(2);
    }
    EXPECT_TRUE(boxes.contains(QStringLiteral("Font name")) && boxes.contains("Font size"))
        << boxes.join(',').toStdString();

    // "Toggle" on a toolbar button formats the document as a click does.
    probe({"text", "text", "Document", "Spoken words"});
    keys(m_main, QStringLiteral("ctrl+a"));
    probe({"act", "check box", "Bold", "Toggle"});
    probe({"act", "check box", "Underline", "Toggle"});
    const QString attributes = probe({"text", "text", "Document"});
    EXPECT_TRUE(attributes.contains(QStringLiteral("weight:bold"))) << attributes.toStdString();
    EXPECT_TRUE(attributes.contains(QStringLiteral("underline:single")))
        << attributes.toStdString();
}

TEST_F(ReaderOnDesktop, AFileHandedOverIsShownWholeFromItsStart)
{
    // A long numbered list, as word processors write one, named by a second start.
    const QString file = m_dir.filePath(QStringLiteral("long list.rtf"));
    QByteArray rtf = "{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc0}\\listid1}}"
                     "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\r\n";
    for (int i = 1; i <= 3000; ++i)
        rtf += "\\pard\\ls1 entry " + QByteArray::number(i) + "\\par\r\n";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(rtf + "}");
    out.close();

    QProcess &second =
        start(QStringLiteral(PARLANCE_PROGRAM), {file}, m_reader->processEnvironment());
    second.waitForFinished(30000);
    ASSERT_FALSE(waitForWindow(QStringLiteral("Larkvane TTS Reader - ") + file).isEmpty());
    const QString text = probe({"text", "text", "Document"});
    EXPECT_TRUE(text.startsWith(QStringLiteral("entry 1"))) << text.left(80).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("entry 3000"))) << text.right(80).toStdString();
}
