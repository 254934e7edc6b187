#pragma once

#include <functional>

class QRect;
class QSize;
class ReaderSettings;
struct MainWindowHooks;

// The life of the main window from load to unload and the reader's options: geometry and
// options are read once when the window loads and written once when it unloads, and a
// marker tells the next start whether this run ended cleanly. The window itself is reached
// through its MainWindowHooks.
class MainWindowLife
{
public:
    // 15 twips make a pixel wherever a stored length meets the window.
    static constexpr double TwipsPerPixel = 15.0;

    // What the window's life reaches outside the window.
    struct Services
    {
        std::function<ReaderSettings &()> settings;
        std::function<void()> putInTray;
        std::function<void()> unloadForms; // every window other than the main one
        std::function<void()> endProgram;
    };

    // `mainWindow` is the shell's record of the main window, filled in once the window joins.
    MainWindowLife(const MainWindowHooks &mainWindow, Services services);

    // The window's load: clipboard remembered, left alignment, geometry, visible unless
    // started hidden, engines and voices, options, an empty document, the monitor timer.
    void load(bool startedHidden);
    // Every activation runs the layout; the first one also fills the font boxes.
    void activate();
    // Asked whenever the window is to close. A close by the user (`userClose`) is turned
    // into a trip to the notification area and cancelled: the result is true when the
    // window must stay. Closes by the program, the session's end and Exit go ahead.
    bool keepOpenOnClose(bool userClose);
    // Saves geometry and options and unloads the other forms. Runs once per run.
    void unload();
    bool unloaded() const { return m_unloaded; }

    void loadOptions();
    void saveOptions();

    // Geometry from and to the settings, in twips.
    void restoreGeometry();
    void saveGeometry();
    // A window rectangle moved and shrunk into the available area of the screen it starts
    // on (the primary one when none), never below the window's minimum size.
    static QRect clampToScreen(const QRect &wanted, const QSize &minimum);

    // File > Exit: asks, then unloads the window and ends the program.
    void exitProgram();
    // Before the program ends: unsaved changes to the document are saved or discarded as
    // the user says. False when the user wants to keep working.
    bool askToSaveChanges();

private:
    const MainWindowHooks &m_main;
    Services m_services;
    bool m_activated = false;
    bool m_unloaded = false;
    bool m_loadStarted = false;
    bool m_geometryRestored = false;
    bool m_optionsLoaded = false;
};
