#include "MainWindowLife.h"

#include "ExitQuestion.h"
#include "IgnoreErrors.h"
#include "MainWindowHooks.h"
#include "ReaderSettings.h"
#include "ReaderShell.h"
#include "frmRightClick.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <cmath>
#include <optional>

namespace {
const QString MainLeft = QStringLiteral("MainLeft");
const QString MainTop = QStringLiteral("MainTop");
const QString MainWidth = QStringLiteral("MainWidth");
const QString MainHeight = QStringLiteral("MainHeight");
const QString Clipboard = QStringLiteral("Clipboard");
const QString Dialog = QStringLiteral("Dialog");
const QString Voice = QStringLiteral("Voice");
const QString ProperShutdown = QStringLiteral("ProperShutdown");

void run(const std::function<void()> &hook)
{
    if (hook)
        ignoreErrors(hook);
}

void yield()
{
    QApplication::processEvents();
}

// A stored length in twips as pixels; a value that is no number gives nothing.
std::optional<int> pixels(const QString &twips)
{
    bool ok = false;
    const float value = twips.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double result = std::round(double(value) / MainWindowLife::TwipsPerPixel);
    // Far outside any screen: treat as damaged rather than make an unusable window.
    if (std::abs(result) > 1'000'000)
        return std::nullopt;
    return int(result);
}

QString twips(int pixels)
{
    return QString::number(qint64(pixels) * qint64(MainWindowLife::TwipsPerPixel));
}
} // namespace

MainWindowLife::MainWindowLife(ReaderShell &shell) : m_shell(shell) {}

void MainWindowLife::Form_Load(bool startedHidden)
{
    const MainWindowHooks &main = m_shell.mainWindow();
    run(main.rememberClipboard);
    yield();
    run(main.aLeft_Click);
    ignoreErrors([&] { restoreGeometry(); });
    if (!startedHidden && main.window)
        ignoreErrors([&] { main.window->show(); });
    yield();
    run(main.LoadSynthesis);
    ignoreErrors([&] { LoadOptions(); });
    run(main.mnuFileNew_Click);
    yield();
    run(main.enableMonitor);
}

void MainWindowLife::Form_Activate()
{
    const MainWindowHooks &main = m_shell.mainWindow();
    if (!m_activated)
        run(main.FillFontBoxes);
    m_activated = true;
    run(main.Form_Resize);
}

bool MainWindowLife::Form_QueryUnload(bool userClose)
{
    if (!userClose || m_unloaded)
        return false;
    ignoreErrors([&] { m_shell.rightClick().PutInTray(); });
    return true;
}

void MainWindowLife::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    ignoreErrors([&] { saveGeometry(); });
    ignoreErrors([&] { SaveOptions(); });
    ignoreErrors([&] { m_shell.unloadForms(); });
}

void MainWindowLife::restoreGeometry()
{
    QWidget *window = m_shell.mainWindow().window;
    if (!window)
        return;
    ReaderSettings &settings = m_shell.settings();
    const QString &section = ReaderSettings::SectionSettings;
    // Left, top, width, height in that order; a damaged value leaves its dimension alone.
    if (const auto left = pixels(settings.GetSetting(section, MainLeft, QStringLiteral("1000"))))
        window->move(*left, window->y());
    if (const auto top = pixels(settings.GetSetting(section, MainTop, QStringLiteral("1000"))))
        window->move(window->x(), *top);
    if (const auto width = pixels(settings.GetSetting(section, MainWidth, QStringLiteral("6500"))))
        window->resize(std::max(*width, 1), window->height());
    if (const auto height =
            pixels(settings.GetSetting(section, MainHeight, QStringLiteral("6500"))))
        window->resize(window->width(), std::max(*height, 1));
}

void MainWindowLife::saveGeometry()
{
    QWidget *window = m_shell.mainWindow().window;
    if (!window || window->isMinimized() || window->isMaximized())
        return;
    ReaderSettings &settings = m_shell.settings();
    const QString &section = ReaderSettings::SectionSettings;
    settings.SaveSetting(section, MainLeft, twips(window->x()));
    settings.SaveSetting(section, MainTop, twips(window->y()));
    settings.SaveSetting(section, MainWidth, twips(window->width()));
    settings.SaveSetting(section, MainHeight, twips(window->height()));
}

void MainWindowLife::LoadOptions()
{
    const MainWindowHooks &main = m_shell.mainWindow();
    ReaderSettings &settings = m_shell.settings();
    const QString &section = ReaderSettings::SectionOptions;

    // Only the exact text "False" switches a reader off; anything else, "false" included,
    // leaves it on.
    ignoreErrors([&] {
        const bool on =
            settings.GetSetting(section, Clipboard, ReaderSettings::True) != ReaderSettings::False;
        if (main.setClipChecked)
            main.setClipChecked(on);
    });
    ignoreErrors([&] {
        const bool on =
            settings.GetSetting(section, Dialog, ReaderSettings::False) != ReaderSettings::False;
        if (main.setDialogChecked)
            main.setDialogChecked(on);
    });
    QString voice;
    QString properShutdown;
    ignoreErrors([&] { voice = settings.GetSetting(section, Voice); });
    ignoreErrors([&] { properShutdown = settings.GetSetting(section, ProperShutdown); });

    if (!voice.isEmpty() || properShutdown == ReaderSettings::False) {
        // After a crash the stored voice is applied as it is, even an empty one.
        ignoreErrors([&] {
            if (main.SetVoice)
                main.SetVoice(voice);
        });
        ignoreErrors([&] {
            if (main.setVoiceListText)
                main.setVoiceListText(voice);
        });
        yield();
        QThread::msleep(10);
    } else {
        ignoreErrors([&] {
            if (main.GetCurVoice && main.setVoiceListText)
                main.setVoiceListText(main.GetCurVoice());
        });
    }
    run(main.PitchSpeed);
    ignoreErrors([&] { settings.SaveSetting(section, ProperShutdown, ReaderSettings::False); });
}

void MainWindowLife::SaveOptions()
{
    const MainWindowHooks &main = m_shell.mainWindow();
    ReaderSettings &settings = m_shell.settings();
    const QString &section = ReaderSettings::SectionOptions;
    ignoreErrors([&] {
        if (main.voiceListText)
            settings.SaveSetting(section, Voice, main.voiceListText());
    });
    ignoreErrors([&] {
        if (main.clipChecked)
            settings.SaveSetting(section, Clipboard, ReaderSettings::flag(main.clipChecked()));
    });
    ignoreErrors([&] {
        if (main.dialogChecked)
            settings.SaveSetting(section, Dialog, ReaderSettings::flag(main.dialogChecked()));
    });
    ignoreErrors([&] { settings.SaveSetting(section, ProperShutdown, ReaderSettings::True); });
}

void MainWindowLife::mnuFileExit_Click()
{
    if (!ExitQuestion::confirm())
        return;
    Form_Unload();
    m_shell.endProgram();
}
