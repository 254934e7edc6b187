#include "MainWindowLife.h"

#include "ExitQuestion.h"
#include "IgnoreErrors.h"
#include "MainWindowHooks.h"
#include "ReaderSettings.h"
#include "ReaderShell.h"
#include "frmRightClick.h"

#include <QApplication>
#include <QRect>
#include <QScreen>
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
    // The yields let a termination request in; once the window is unloaded the rest of
    // the load would only undo that.
    const MainWindowHooks &main = m_shell.mainWindow();
    m_loadStarted = true;
    run(main.rememberClipboard);
    yield();
    if (m_unloaded)
        return;
    run(main.aLeft_Click);
    ignoreErrors([&] { restoreGeometry(); });
    if (!startedHidden && main.window)
        ignoreErrors([&] { main.window->show(); });
    yield();
    if (m_unloaded)
        return;
    run(main.LoadSynthesis);
    if (m_unloaded)
        return;
    ignoreErrors([&] { LoadOptions(); });
    if (m_unloaded)
        return;
    run(main.mnuFileNew_Click);
    yield();
    if (m_unloaded)
        return;
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
    // Only what was loaded is written back: an unload during the load must not store an
    // empty voice or the designed geometry over the user's settings.
    if (!m_loadStarted || m_geometryRestored)
        ignoreErrors([&] { saveGeometry(); });
    if (!m_loadStarted || m_optionsLoaded)
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
    QRect wanted(window->pos(), window->size());
    if (const auto left = pixels(settings.GetSetting(section, MainLeft, QStringLiteral("1000"))))
        wanted.moveLeft(*left);
    if (const auto top = pixels(settings.GetSetting(section, MainTop, QStringLiteral("1000"))))
        wanted.moveTop(*top);
    if (const auto width = pixels(settings.GetSetting(section, MainWidth, QStringLiteral("6500"))))
        wanted.setWidth(std::max(*width, 1));
    if (const auto height =
            pixels(settings.GetSetting(section, MainHeight, QStringLiteral("6500"))))
        wanted.setHeight(std::max(*height, 1));
    const QRect placed = clampToScreen(wanted, window->minimumSize());
    window->move(placed.topLeft());
    window->resize(placed.size());
    m_geometryRestored = true;
}

QRect MainWindowLife::clampToScreen(const QRect &wanted, const QSize &minimum)
{
    // The settings file is the user's to edit and may come from a larger desktop: a window
    // bigger than the screen costs gigabytes of back buffer, and one placed off screen is
    // lost to the user and written back so at exit.
    QScreen *screen = QGuiApplication::screenAt(wanted.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    const QRect area = screen->availableGeometry();
    const int width = std::max(std::min(wanted.width(), area.width()), minimum.width());
    const int height = std::max(std::min(wanted.height(), area.height()), minimum.height());
    const int left = std::max(std::min(wanted.left(), area.right() + 1 - width), area.left());
    const int top = std::max(std::min(wanted.top(), area.bottom() + 1 - height), area.top());
    return QRect(left, top, width, height);
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
    m_optionsLoaded = true;
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

bool MainWindowLife::askToSaveChanges()
{
    const MainWindowHooks &main = m_shell.mainWindow();
    if (!main.askToSaveChanges || m_unloaded)
        return true;
    bool goOn = false;
    ignoreErrors([&] { goOn = main.askToSaveChanges(); });
    return goOn;
}

void MainWindowLife::mnuFileExit_Click()
{
    // The document first; the question about the background readers stays the last word.
    if (!askToSaveChanges() || !ExitQuestion::confirm())
        return;
    Form_Unload();
    m_shell.endProgram();
}
