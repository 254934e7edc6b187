#include "AtspiForegroundWindow.h"

#include "AccessibilitySwitch.h"
#include "AtspiBus.h"
#include "BackgroundReader.h"
#include "OwnForegroundWindow.h"

#pragma push_macro("signals")
#undef signals
#include <atspi/atspi.h>
#pragma pop_macro("signals")

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>

namespace {
// How long a program that answered too late is left alone, at first and at most.
constexpr int SlowProgramPauseMs = 5000;
constexpr int MaxSlowProgramPauseMs = 60000;
// A call that took about the whole timeout has timed out.
constexpr qint64 TimedOutMs = AtspiBus::CallTimeoutMs - 20;
// Bounds of the label walk through a window.
constexpr int MaxNodes = 400;
constexpr int MaxDepth = 16;
constexpr qint64 MaxWalkMs = 1500;
constexpr qsizetype MaxKnownPrograms = 256;

struct Unref
{
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;
using StateSet = std::unique_ptr<AtspiStateSet, Unref>;

class Error
{
public:
    Error() = default;
    Error(const Error &) = delete;
    Error &operator=(const Error &) = delete;
    ~Error() { g_clear_error(&m_error); }
    // For the next call to report into.
    GError **out()
    {
        g_clear_error(&m_error);
        return &m_error;
    }
    bool failed() const { return m_error != nullptr; }

private:
    GError *m_error = nullptr;
};

QByteArray busName(AtspiAccessible *accessible)
{
    const AtspiApplication *app = accessible ? accessible->parent.app : nullptr;
    return app && app->bus_name ? QByteArray(app->bus_name) : QByteArray();
}

QString takeString(gchar *text)
{
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

bool isDialogRole(AtspiRole role)
{
    return role == ATSPI_ROLE_DIALOG || role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
}

bool isLabelRole(AtspiRole role)
{
    return role == ATSPI_ROLE_LABEL || role == ATSPI_ROLE_STATIC;
}

bool isTextField(AtspiRole role)
{
    return role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY || role == ATSPI_ROLE_PASSWORD_TEXT;
}

// Lists, tables, menus and buttons hold items, not the dialog's own texts; a file chooser's
// list of files would otherwise be read out name by name.
bool holdsItems(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_MENU_BAR:
    case ATSPI_ROLE_COMBO_BOX:
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_TERMINAL:
        return true;
    default:
        return false;
    }
}

// What a walk through a window finds.
struct Walk
{
    QList<ForegroundWindowSource::ChildWindow> labels;
    bool fileChooser = false;
    bool textField = false;
    int nodesLeft = MaxNodes;
    QElapsedTimer clock;
};
} // namespace

AtspiForegroundWindow::AtspiForegroundWindow() : m_switch(std::make_unique<AccessibilitySwitch>())
{
}

AtspiForegroundWindow::~AtspiForegroundWindow()
{
    setWindow(nullptr);
}

void AtspiForegroundWindow::setDialogReading(bool on)
{
    m_switch->setOn(on);
}

void AtspiForegroundWindow::setWindow(AtspiAccessible *window)
{
    if (m_window)
        g_object_unref(m_window);
    m_window = window;
}

bool AtspiForegroundWindow::answering(AtspiAccessible *accessible) const
{
    const auto slow = m_slowPrograms.constFind(busName(accessible));
    return slow == m_slowPrograms.cend() || slow->until.hasExpired();
}

void AtspiForegroundWindow::noteAnswerTime(AtspiAccessible *accessible, qint64 elapsedMs)
{
    const QByteArray program = busName(accessible);
    if (elapsedMs < TimedOutMs) {
        m_slowPrograms.remove(program);
        return;
    }
    SlowProgram &slow = m_slowPrograms[program];
    slow.pauseMs =
        slow.pauseMs ? qMin(slow.pauseMs * 2, MaxSlowProgramPauseMs) : SlowProgramPauseMs;
    slow.until = QDeadlineTimer(slow.pauseMs);
    // Programs that went away stay slow for ever; forget them now and then.
    if (m_slowPrograms.size() > MaxKnownPrograms)
        m_slowPrograms.clear();
}

QString AtspiForegroundWindow::foregroundClass()
{
    m_ownWindow = OwnForegroundWindow::active();
    m_own = !m_ownWindow.isNull();
    if (m_own) {
        setWindow(nullptr);
        m_class = OwnForegroundWindow::className(m_ownWindow);
        return m_class;
    }
    if (!AtspiBus::ready()) {
        setWindow(nullptr);
        m_class.clear();
        return m_class;
    }
    // Still in front, or not saying: the class found for it stands (a role never changes).
    if (m_window && isActive(m_window) != Answer::No)
        return m_class;
    setWindow(findActiveWindow());
    m_class = m_window ? classOf(m_window) : QString();
    return m_class;
}

QString AtspiForegroundWindow::classOf(AtspiAccessible *window)
{
    Error error;
    QElapsedTimer clock;
    clock.start();
    const AtspiRole role = atspi_accessible_get_role(window, error.out());
    noteAnswerTime(window, clock.elapsed());
    if (error.failed())
        return m_class;
    if (isDialogRole(role))
        return BackgroundReader::DialogClass;
    return takeString(atspi_role_get_name(role));
}

AtspiForegroundWindow::Answer AtspiForegroundWindow::isActive(AtspiAccessible *window)
{
    if (!answering(window))
        return Answer::Unknown;
    QElapsedTimer clock;
    clock.start();
    const StateSet states(atspi_accessible_get_state_set(window));
    const qint64 elapsed = clock.elapsed();
    noteAnswerTime(window, elapsed);
    // A call that timed out reports the window as gone; it may only be busy.
    if (elapsed >= TimedOutMs || !states)
        return Answer::Unknown;
    if (atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT))
        return Answer::No;
    return atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE) ? Answer::Yes : Answer::No;
}

AtspiAccessible *AtspiForegroundWindow::findActiveWindow()
{
    const quint32 ownProcess = quint32(QCoreApplication::applicationPid());
    const Accessible desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    Error error;
    const int programs = atspi_accessible_get_child_count(desktop.get(), error.out());
    if (error.failed()) {
        // The desktop itself is the bus's registry; without it nothing can be found.
        AtspiBus::lost();
        return nullptr;
    }
    for (int i = 0; i < programs; ++i) {
        Error programError;
        Accessible program(
            atspi_accessible_get_child_at_index(desktop.get(), i, programError.out()));
        if (programError.failed() || !program)
            continue;
        const QByteArray name = busName(program.get());
        // Programs come and go over a long run; their bus names are never used again.
        if (m_processIds.size() > MaxKnownPrograms)
            m_processIds.clear();
        if (!m_processIds.contains(name)) {
            Error pidError;
            const quint32 pid = atspi_accessible_get_process_id(program.get(), pidError.out());
            m_processIds.insert(name, pidError.failed() ? 0 : pid);
        }
        if (m_processIds.value(name) == ownProcess || !answering(program.get()))
            continue;

        QElapsedTimer clock;
        clock.start();
        Error windowError;
        const int windows = atspi_accessible_get_child_count(program.get(), windowError.out());
        noteAnswerTime(program.get(), clock.elapsed());
        for (int j = 0; j < windows && !windowError.failed() && answering(program.get()); ++j) {
            clock.restart();
            Accessible window(
                atspi_accessible_get_child_at_index(program.get(), j, windowError.out()));
            noteAnswerTime(program.get(), clock.elapsed());
            if (window && !windowError.failed() && isActive(window.get()) == Answer::Yes)
                return window.release();
        }
    }
    return nullptr;
}

QList<ForegroundWindowSource::ChildWindow> AtspiForegroundWindow::childWindows()
{
    if (m_own)
        return m_ownWindow ? OwnForegroundWindow::childWindows(m_ownWindow) : QList<ChildWindow>();
    if (!m_window || !AtspiBus::ready() || !answering(m_window))
        return {};

    Walk walk;
    walk.clock.start();
    {
        Error error;
        walk.fileChooser =
            atspi_accessible_get_role(m_window, error.out()) == ATSPI_ROLE_FILE_CHOOSER;
    }
    // Depth first, in the order the window lists its children, through what is showing.
    std::function<void(AtspiAccessible *, int)> visit = [&](AtspiAccessible *node, int depth) {
        if (depth > MaxDepth)
            return;
        Error error;
        QElapsedTimer clock;
        clock.start();
        const int count = atspi_accessible_get_child_count(node, error.out());
        noteAnswerTime(node, clock.elapsed());
        for (int i = 0; i < count && !error.failed(); ++i) {
            if (--walk.nodesLeft < 0 || walk.clock.elapsed() > MaxWalkMs || !answering(node))
                return;
            clock.restart();
            Accessible child(atspi_accessible_get_child_at_index(node, i, error.out()));
            if (error.failed() || !child)
                break;
            const StateSet states(atspi_accessible_get_state_set(child.get()));
            const AtspiRole role = atspi_accessible_get_role(child.get(), error.out());
            noteAnswerTime(child.get(), clock.elapsed());
            if (error.failed())
                break;
            if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
                continue;
            if (isLabelRole(role)) {
                Error nameError;
                const QString text =
                    takeString(atspi_accessible_get_name(child.get(), nameError.out()));
                walk.labels.append({BackgroundReader::LabelClass, text});
            } else if (isTextField(role)) {
                walk.textField =
                    walk.textField || atspi_state_set_contains(states.get(), ATSPI_STATE_EDITABLE);
            } else if (!holdsItems(role)) {
                if (role == ATSPI_ROLE_FILE_CHOOSER)
                    walk.fileChooser = true;
                visit(child.get(), depth + 1);
            }
        }
    };
    visit(m_window, 0);

    // A file chooser stands for the standard file dialogs: one that asks for a file name is
    // saving, one that does not is opening.
    if (walk.fileChooser)
        return {{BackgroundReader::LabelClass, walk.textField ? BackgroundReader::SaveDialogLabel
                                                              : BackgroundReader::OpenDialogLabel}};
    return walk.labels;
}
