#include "MainWindowLife.h"

#include "ExitQuestion.h"
#include "IgnoreErrors.h"
#include "MainWindowHooks.h"
#include "ReaderSettings.h"

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

MainWindowLife::MainWindowLife(const MainWindowHooks &mainWindow, Services services)
    : m_main(mainWindow), m_services(std::move(services))
{
}

void MainWindowLife::load(bool startedHidden)
{
    // The yields let a termination request in; once the window is unloaded the rest of
    // the load would only undo that.
    const MainWindowHooks &main = m_main;
    m_loadStarted = true;
    run(main.rememberClipboard);
    yield();
    if (m_unloaded)
        return;
    run(main.alignLeft);
    ignoreErrors([&] { restoreGeometry(); });
    if (!startedHidden && main.window)
        ignoreErrors([&] { main.window->show(); });
    yield();
    if (m_unloaded)
        return;
    run(main.loadEngines);
    if (m_unloaded)
        return;
    ignoreErrors([&] { loadOptions(); });
    if (m_unloaded)
        return;
    run(main.newDocument);
    yield();
    if (m_unloaded)
        return;
    run(main.enableMonitor);
}

void MainWindowLife::activate()
{
    const MainWindowHooks &main = m_main;
    if (!m_activated)
        run(main.fillFontBoxes);
    m_activated = true;
    run(main.relayout);
}

bool MainWindowLife::keepOpenOnClose(bool userClose)
{
    if (!userClose || m_unloaded)
        return false;
    ignoreErrors([&] { m_services.putInTray(); });
    return true;
}

void MainWindowLife::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Only what was loaded is written back: an unload during the load must not store an
    // empty voice or the designed geometry over the user's settings.
    if (!m_loadStarted || m_geometryRestored)
        ignoreErrors([&] { saveGeometry(); });
    if (!m_loadStarted || m_optionsLoaded)
        ignoreErrors([&] { saveOptions(); });
    ignoreErrors([&] { m_services.unloadForms(); });
}

void MainWindowLife::restoreGeometry()
{
    QWidget *window = m_main.window;
    if (!window)
        return;
    ReaderSettings &settings = m_services.settings();
    const QString &section = ReaderSettings::SectionSettings;
    // Left, top, width, height in that order; a damaged value leaves its dimension alone.
    QRect wanted(window->pos(), window->size());
    if (const auto left = pixels(settings.setting(section, MainLeft, QStringLiteral("1000"))))
        wanted.moveLeft(*left);
    if (const auto top = pixels(settings.setting(section, MainTop, QStringLiteral("1000"))))
        wanted.moveTop(*top);
    if (const auto width = pixels(settings.setting(section, MainWidth, QStringLiteral("6500"))))
        wanted.setWidth(std::max(*width, 1));
    if (const auto height = pixels(settings.setting(section, MainHeight, QStringLiteral("6500"))))
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
    QWidget *window = m_main.window;
    if (!window || window->isMinimized() || window->isMaximized())
        return;
    ReaderSettings &settings = m_services.settings();
    const QString &section = ReaderSettings::SectionSettings;
    settings.saveSetting(section, MainLeft, twips(window->x()));
    settings.saveSetting(section, MainTop, twips(window->y()));
    settings.saveSetting(section, MainWidth, twips(window->width()));
    settings.saveSetting(section, MainHeight, twips(window->height()));
}

void MainWindowLife::loadOptions()
{
    const MainWindowHooks &main = m_main;
    ReaderSettings &settings = m_services.settings();
    const QString &section = ReaderSettings::SectionOptions;

    // Only the exact text "False" switches a reader off; anything else, "false" included,
    // leaves it on.
    ignoreErrors([&] {
        const bool on =
            settings.setting(section, Clipboard, ReaderSettings::True) != ReaderSettings::False;
        if (main.setClipChecked)
            main.setClipChecked(on);
    });
    ignoreErrors([&] {
        const bool on =
            settings.setting(section, Dialog, ReaderSettings::False) != ReaderSettings::False;
        if (main.setDialogChecked)
            main.setDialogChecked(on);
    });
    QString voice;
    QString properShutdown;
    ignoreErrors([&] { voice = settings.setting(section, Voice); });
    ignoreErrors([&] { properShutdown = settings.setting(section, ProperShutdown); });

    if (!voice.isEmpty() || properShutdown == ReaderSettings::False) {
        // After a crash the stored voice is applied as it is, even an empty one.
        ignoreErrors([&] {
            if (main.setVoice)
                main.setVoice(voice);
        });
        ignoreErrors([&] {
            if (main.setVoiceListText)
                main.setVoiceListText(voice);
        });
        yield();
        QThread::msleep(10);
    } else {
        ignoreErrors([&] {
            if (main.currentVoice && main.setVoiceListText)
                main.setVoiceListText(main.currentVoice());
        });
    }
    run(main.applySpeedAndVolume);
    ignoreErrors([&] { settings.saveSetting(section, ProperShutdown, ReaderSettings::False); });
    m_optionsLoaded = true;
}

void MainWindowLife::saveOptions()
{
    const MainWindowHooks &main = m_main;
    ReaderSettings &settings = m_services.settings();
    const QString &section = ReaderSettings::SectionOptions;
    ignoreErrors([&] {
        if (main.voiceListText)
            settings.saveSetting(section, Voice, main.voiceListText());
    });
    ignoreErrors([&] {
        if (main.clipChecked)
            settings.saveSetting(section, Clipboard, ReaderSettings::flag(main.clipChecked()));
    });
    ignoreErrors([&] {
        if (main.dialogChecked)
            settings.saveSetting(section, Dialog, ReaderSettings::flag(main.dialogChecked()));
    });
    ignoreErrors([&] { settings.saveSetting(section, ProperShutdown, ReaderSettings::True); });
}

bool MainWindowLife::askToSaveChanges()
{
    const MainWindowHooks &main = m_main;
    if (!main.askToSaveChanges || m_unloaded)
        return true;
    bool goOn = false;
    ignoreErrors([&] { goOn = main.askToSaveChanges(); });
    return goOn;
}

void MainWindowLife::exitProgram()
{
    // The document first; the question about the background readers stays the last word.
    if (!askToSaveChanges() || !ExitQuestion::confirm())
        return;
    unload();
    m_services.endProgram();
}
