#!/usr/bin/python3
"""The real reader in the kinds of desktop session it meets, each made here from nothing: its
own display (X server or Wayland compositor), session and accessibility buses, and sound
server with a null sink that the test listens to.

Usage: desktop_sessions.py BINDIR SESSION
  x11-tray  Xvfb, openbox and a tray host (trayer)
  x11       Xvfb and openbox, no notification area
  xwayland  weston with XWayland: the reader chooses XWayland by itself
  wayland   weston without XWayland: the reader runs as a Wayland client
  sni       sway with waybar, a StatusNotifierItem host; the reader runs as a Wayland client

One reader, started with "-startup" and a document as from a login's autostart, goes through
the checks in order; each prints "SESSION CHECK: ok (what was seen)" or "FAILED: why":
  tray     the icon and its menu where there is a notification area, else the window after
           a few seconds and a notice, once, that says why
  window   the main window with the document, on the display system expected
  reading  Read All is heard at the sink and the current word follows it
  dialog   another program's dialog is spoken
  clipboard  text copied in another program while the reader is in the background is spoken;
           where the desktop shows copies to the active window only, the reader says so and
           speaks the copy once its window is active again
  second   a second start brings the window back and to the front
  media    playerctl: the title, play, pause and stop, and the status they leave
Exits 77 (skipped) when a program the session needs is not installed.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# The accessibility library connects at its first call, once the session's buses are known.
import reader_desktop
from reader_desktop import Failure, check, pyatspi

TITLE = "Larkvane TTS Reader - "
NO_TRAY = "This desktop has no notification area"
NEEDS_FOCUS = "see copied text only while its window is active"
DOCUMENT = ("Parlance reads this letter aloud, word after word, until the very end. " * 6) + "\n"
DIALOG = "Three files will be deleted."
COPIED = "Marmalade sandwiches wait downstairs"
NOBODY = 65534
SKIP = 77
NEEDS = {
    "x11-tray": ["Xvfb", "openbox", "trayer", "xdotool", "xclip", "xwininfo", "xev"],
    "x11": ["Xvfb", "openbox", "xdotool", "xclip"],
    "xwayland": ["Xvfb", "weston", "Xwayland", "wl-copy", "xdotool"],
    "wayland": ["Xvfb", "weston", "wl-copy"],
    "sni": ["sway", "waybar", "wl-copy", "gdbus"],
}
COMMON = ["dbus-daemon", "pulseaudio", "pactl", "parec", "zenity", "playerctl"]

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <!-- sway refuses to run as root: the compositor and its bar join as another user -->
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def wait_for(what, probe, seconds=20):
    return reader_desktop.wait_for(what, probe, seconds)


class Desktop:
    """The processes, folders and environment of one session; close() ends them all."""

    def __init__(self, name, bindir):
        self.bindir = bindir
        self.dir = tempfile.mkdtemp(prefix="parlance-%s-" % name)
        os.chmod(self.dir, 0o755)
        self.runtime = self.path("run")
        os.mkdir(self.runtime, 0o700)
        self.env = {k: v for k, v in os.environ.items() if k in ("PATH", "HOME", "USER")}
        self.env.update({
            "LANG": "C.UTF-8",
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": self.path("config"),
            "XDG_DATA_HOME": self.path("data"),
            "PARLANCE_MACHINE_REGISTRY": self.path("registry.db"),
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })
        self.processes = []
        self.screen = None  # the X display a screenshot is taken of

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def spawn(self, args, env=None, log=None, **options):
        if log == "":
            output = subprocess.DEVNULL
        else:
            output = open(self.path(log or os.path.basename(args[0]) + ".log"), "ab")
        process = subprocess.Popen(args, env=env or self.env, stdout=options.pop("stdout", output),
                                   stderr=output, **options)
        self.processes.append(process)
        return process

    def run(self, *args, env=None):
        done = subprocess.run(args, env=env or self.env, capture_output=True, text=True, timeout=30)
        return done.stdout.strip() if done.returncode == 0 else None

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
        for process in reversed(self.processes):
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)

    # The services every session has.
    def buses(self):
        config = self.path("bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG % self.dir)
        bus = self.spawn(["dbus-daemon", "--config-file", config, "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        reply = wait_for("the accessibility bus", lambda: self.run(
            "dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
            "org.a11y.Bus.GetAddress"))
        # Named outright: the accessibility library would otherwise take the bus that the
        # display this test was started on advertises.
        os.environ["AT_SPI_BUS_ADDRESS"] = re.search(r'string "([^"]+)"', reply).group(1)

    def sound(self):
        self.spawn(["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "-n",
                    "--load=module-null-sink sink_name=nullsink",
                    "--load=module-native-protocol-unix"])
        wait_for("the sound server", lambda: self.run("pactl", "info"))
        self.run("pactl", "set-default-sink", "nullsink")
        self.heard = self.path("heard.raw")
        self.spawn(["parec", "-d", "nullsink.monitor", "--format=s16le", "--rate=22050",
                    "--channels=1", "--raw"], stdout=open(self.heard, "wb"))

    def mark(self):
        return os.path.getsize(self.heard) & ~1

    def heard_since(self, mark):
        """Whether speech, not silence, reached the sink after `mark`."""
        with open(self.heard, "rb") as f:
            f.seek(mark)
            data = f.read()
        samples = memoryview(data[:len(data) & ~1]).cast("h")
        return sum(1 for s in samples if abs(s) > 500) > 2000

    # Displays.
    def xvfb(self):
        read, write = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten",
                    "tcp"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        check(number, "Xvfb did not start")
        return ":" + number

    def x11(self, tray):
        self.screen = self.env["DISPLAY"] = self.xvfb()
        self.env["XDG_SESSION_TYPE"] = "x11"
        self.spawn(["openbox"])
        wait_for("the window manager", lambda: self.run("xprop", "-root",
                                                        "_NET_SUPPORTING_WM_CHECK"))
        if tray:
            self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request"])

    def weston(self, xwayland):
        self.screen = self.xvfb()
        log = self.path("weston.log")
        args = ["weston", "--backend=x11-backend.so", "--use-pixman", "--socket=wayland-parlance",
                "--width=1280", "--height=800", "--idle-time=0", "--log=" + log]
        self.spawn(args + (["--xwayland"] if xwayland else []),
                   env=dict(self.env, DISPLAY=self.screen), log="weston-output.log")
        wait_for("weston", lambda: os.path.exists(os.path.join(self.runtime, "wayland-parlance")))
        self.env.update(WAYLAND_DISPLAY="wayland-parlance", XDG_SESSION_TYPE="wayland")
        if xwayland:
            def display():
                with open(log) as f:
                    found = re.search(r"xserver listening on display (:\d+)", f.read())
                return found and found.group(1)
            self.env["DISPLAY"] = wait_for("XWayland", display)

    def sway(self):
        # sway will not run as root; the compositor and its bar run as nobody then.
        drop = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        drop = drop if os.getuid() == 0 else []
        run = self.path("sway-run")
        os.mkdir(run, 0o700)
        if drop:
            os.chown(run, NOBODY, NOBODY)
        config = self.path("sway.config")
        with open(config, "w") as f:
            f.write("xwayland disable\noutput X11-1 resolution 1280x800\n")
        bar = self.path("waybar.json")
        with open(bar, "w") as f:
            f.write('{"position": "top", "height": 28, "modules-right": ["tray"]}\n')
        # Nested in an X server, as weston is: the headless backend has no keyboard, and
        # without one no window of a toolkit that follows the keyboard focus is ever active.
        self.screen = self.xvfb()
        env = dict(self.env, XDG_RUNTIME_DIR=run, HOME=run, WLR_BACKENDS="x11",
                   WLR_RENDERER="pixman", DISPLAY=self.screen)
        self.spawn(drop + ["sway", "-c", config], env=env)
        socket = wait_for("sway", lambda: [s for s in glob.glob(os.path.join(run, "wayland-*"))
                                           if not s.endswith(".lock")])[0]
        ipc = wait_for("sway's command socket", lambda: glob.glob(os.path.join(run, "sway-ipc*")))
        env.update(WAYLAND_DISPLAY=os.path.basename(socket), SWAYSOCK=ipc[0])
        self.spawn(drop + ["waybar", "-c", bar], env=env)
        self.env.update(WAYLAND_DISPLAY=socket, XDG_SESSION_TYPE="wayland")
        wait_for("waybar's tray", lambda: "true" in (self.gdbus(
            "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
            "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
            "IsStatusNotifierHostRegistered") or ""))

    def gdbus(self, destination, path, method, *args):
        return self.run("gdbus", "call", "--session", "--dest", destination, "--object-path",
                        path, "--method", method, "--", *args)

    def reader(self, *args, env=None):
        return self.spawn([os.path.join(self.bindir, "parlance"), *args], log="parlance.log",
                          env=dict(self.env, **(env or {})))


def session(name, desktop):
    desktop.buses()
    desktop.sound()
    if name.startswith("x11"):
        desktop.x11(tray=name == "x11-tray")
    elif name in ("xwayland", "wayland"):
        desktop.weston(xwayland=name == "xwayland")
    else:
        desktop.sway()


def main_window(node):
    return node.name.startswith(TITLE)


def current_word_label(node):
    return node.description == "Current word"


def stop_button(node):
    return node.name == "Stop / Pause"


class Reader:
    """The reader of one session and what a screen reader and a user see of it."""

    def __init__(self, desktop, name):
        self.desktop = desktop
        self.document = desktop.path("Letter.txt")
        with open(self.document, "w") as f:
            f.write(DOCUMENT)
        settings = desktop.path("config", "Larkvane")
        os.makedirs(settings)
        with open(os.path.join(settings, "Reader.conf"), "w") as f:
            f.write("[Options]\nDialog=True\nMinimize=True\n")
        self.pid = desktop.reader("-startup", self.document).pid
        self.found = {}

    def find(self, role, test):
        """The reader's accessible of `role` that passes `test`; looked up once and kept, as
        a walk over the whole window is slow."""
        node = self.found.get((role, test))
        try:
            if node is not None and test(node):
                return node
        except Exception:
            pass
        for node in reader_desktop.accessibles(self.pid, (role,)):
            try:
                if test(node):
                    self.found[(role, test)] = node
                    return node
            except Exception:
                continue
        return None

    def frame(self):
        return self.find(pyatspi.ROLE_FRAME, main_window)

    def has_state(self, node, state):
        try:
            return node is not None and node.getState().contains(state)
        except Exception:
            return False

    def showing(self):
        return self.has_state(self.frame(), pyatspi.STATE_SHOWING)

    def active(self):
        return self.has_state(self.frame(), pyatspi.STATE_ACTIVE)

    def current_word(self):
        """The word the window shows as being spoken, without punctuation."""
        label = self.find(pyatspi.ROLE_LABEL, current_word_label)
        try:
            return label.name.strip(".,") if label and label.name != "Current word" else ""
        except Exception:
            return ""

    def idle(self):
        """The reading is over: Stop / Pause is not offered."""
        button = self.find(pyatspi.ROLE_PUSH_BUTTON, stop_button)
        return button is not None and not self.has_state(button, pyatspi.STATE_SENSITIVE)

    def press(self, name):
        wait_for("the button " + name, lambda: reader_desktop.press(self.pid, name))

    def dismiss(self, text):
        """Waits for the reader's message box that says `text` and presses its OK."""

        def below(node):
            stack = [node]
            while stack:
                current = stack.pop()
                yield current
                stack.extend(current.getChildAtIndex(i) for i in range(current.childCount))

        def press():
            boxes = (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)
            for box in reader_desktop.accessibles(self.pid, boxes):
                try:
                    nodes = list(below(box))
                    if not any(text in (n.name or "") for n in nodes):
                        continue
                    for n in nodes:
                        if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "OK":
                            return n.queryAction().doAction(0) or True
                except Exception:
                    continue
            return False
        wait_for("the notice saying " + text, press, 10)

    def spoken(self, text, mark, what):
        """Waits until a word of `text` is the current word and speech was heard; returns
        the word."""
        words = text.replace(".", "").replace(",", "").split()
        word = wait_for(what + " spoken", lambda: self.current_word() in words and
                        self.current_word(), 30)
        wait_for(what + " heard at the sink", lambda: self.desktop.heard_since(mark), 30)
        self.stop()
        return word

    def stop(self):
        """Ends whatever is being read, as Stop / Pause does, and waits until it has."""
        if not self.idle():
            reader_desktop.press(self.pid, "Stop / Pause")
        wait_for("the end of the reading", self.idle)

    def x_window(self):
        found = self.desktop.run("xdotool", "search", "--onlyvisible", "--pid", str(self.pid),
                                 "--name", "^" + TITLE)
        return found.split("\n")[0] if found else None

    def playerctl(self, *args):
        return self.desktop.run("playerctl", "-p", "parlance", *args)


def check_tray(reader, name):
    desktop = reader.desktop
    if name == "x11-tray":
        icon = wait_for("the ear in the tray", lambda: settled_icon(desktop))
        check(not reader.showing(), "the window shows beside the icon")
        desktop.run("xdotool", "mousemove", str(icon[0]), str(icon[1]), "click", "1")
        wait_for("the window after a click on the ear", reader.showing)
        check(wait_for("the icon to leave", lambda: not embedded_icon(desktop), 10),
              "the icon stayed")
        return "icon in trayer; a click shows the window and removes it"
    if name == "sni":
        item = wait_for("the item at the watcher", lambda: reader_item(reader))
        service, path = item
        menu = desktop.gdbus(service, path, "org.freedesktop.DBus.Properties.Get",
                             "org.kde.StatusNotifierItem", "Menu")
        menu_path = re.search(r"objectpath '([^']+)'", menu or "")
        check(menu_path, "the item has no menu: %s" % menu)
        layout = desktop.gdbus(service, menu_path.group(1), "com.canonical.dbusmenu.GetLayout",
                               "0", "-1", "@as []") or ""
        for label in ("Read Clipboard When Text is Copied", "Read Text From All Dialog Boxes",
                      "Stop Speaking", "About", "Exit"):
            check("'%s'" % label in layout, "the menu has no %s: %s" % (label, layout[:300]))
        check(not reader.showing(), "the window shows beside the icon")
        desktop.gdbus(service, path, "org.kde.StatusNotifierItem.Activate", "0", "0")
        wait_for("the window after activating the item", reader.showing)
        return "item %s with the tray menu; activating it shows the window" % service
    # Shown after a few seconds; how many is reported, not judged, on a shared machine.
    started = time.monotonic()
    wait_for("the window without a notification area", reader.showing)
    shown = time.monotonic() - started
    reader.dismiss(NO_TRAY)
    return "window after %.1f s, notice given" % shown


def embedded_icon(desktop):
    """The centre of the reader's icon window inside trayer's panel and its id, or None."""
    tree = desktop.run("xwininfo", "-root", "-tree") or ""
    panel = None  # the panel line's indentation while inside its subtree
    for line in tree.split("\n"):
        depth = len(line) - len(line.lstrip())
        if '("panel" "trayer")' in line:
            panel = depth
        elif panel is not None and line.strip() and depth <= panel:
            panel = None
        elif panel is not None and '"Parlance")' in line:
            found = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
            if found:
                w, h, x, y = map(int, found.groups())
                return (x + w // 2, y + h // 2, line.split()[0])
    return None


def settled_icon(desktop):
    """The icon's centre once trayer has shown it and left it in place, or None. trayer
    embeds the icon before it maps it, and moves it as its panel grows: a click on where
    it was first seen can land on the panel."""
    first = embedded_icon(desktop)
    if not first:
        return None
    state = desktop.run("xwininfo", "-id", first[2]) or ""
    time.sleep(0.3)
    return first if "IsViewable" in state and embedded_icon(desktop) == first else None


def reader_item(reader):
    """The reader's StatusNotifierItem as (bus name, object path), or None."""
    desktop = reader.desktop
    items = desktop.gdbus("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                          "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                          "RegisteredStatusNotifierItems") or ""
    for item in re.findall(r"'([^']+)'", items):
        service, _, path = item.partition("/")
        owner = desktop.gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus.GetConnectionUnixProcessID", service)
        if owner and str(reader.pid) in owner:
            return service, "/" + path if path else "/StatusNotifierItem"
    return None


def check_window(reader, name):
    frame = wait_for("the main window", reader.frame)
    check(frame.name == TITLE + reader.document, "the title is " + frame.name)
    if name.startswith("x11") or name == "xwayland":
        wait_for("the window on the X server", reader.x_window, 10)
        return "titled with the document, a client of " + (
            "XWayland" if name == "xwayland" else "the X server")
    # A Wayland client: the notice about copied text comes with its first window.
    reader.dismiss(NEEDS_FOCUS)
    return "titled with the document, a Wayland client; the notice about copied text given"


def check_reading(reader, name):
    mark = reader.desktop.mark()
    reader.press("Read All")
    words = DOCUMENT.replace(".", "").replace(",", "").split()
    word = wait_for("a word of the document", lambda: reader.current_word() in words and
                    reader.current_word(), 30)
    wait_for("the reading at the sink", lambda: reader.desktop.heard_since(mark), 30)
    reader.stop()
    return "heard, the window showed %r" % word


def check_dialog(reader, name):
    mark = reader.desktop.mark()
    reader.dialog = reader.desktop.spawn(["zenity", "--info", "--title", "Confirm", "--text",
                                          DIALOG], log="zenity.log")
    return "heard, the window showed %r" % reader.spoken(DIALOG, mark, "the dialog")


def check_clipboard(reader, name):
    desktop = reader.desktop
    check(not reader.active(), "the reader is in front of the dialog")
    mark = desktop.mark()
    if name.startswith("x11"):
        copier = desktop.spawn(["xclip", "-quiet", "-selection", "clipboard"],
                               stdin=subprocess.PIPE, log="")
        copier.stdin.write(COPIED.encode())
        copier.stdin.close()
    else:
        desktop.spawn(["wl-copy", COPIED], log="wl-copy.log")
    if name in ("wayland", "sni"):
        # Seen only by the active window: the dialog goes, the reader comes back in front.
        reader.dialog.terminate()
        wait_for("the reader in front again", reader.active)
        word = reader.spoken(COPIED, mark, "the copied text")
        return "heard once the window was active again, as the notice said (%r)" % word
    word = reader.spoken(COPIED, mark, "the copied text")
    check(not reader.active(), "the reader came to the front")
    reader.dialog.terminate()
    return "heard with the reader in the background (%r)" % word


def check_second(reader, name):
    desktop = reader.desktop
    other = None
    if name.startswith("x11"):
        desktop.run("xdotool", "windowminimize", wait_for("the window", reader.x_window))
        if name == "x11-tray":
            wait_for("the window to go to the tray", lambda: embedded_icon(desktop))
            check(not reader.showing(), "the window stayed")
        wait_for("the window to leave the front", lambda: not reader.active())
        away = "the tray" if name == "x11-tray" else "minimized"
        if name == "x11":
            # A screen reader still finds the minimized window by its name.
            check(reader.frame() is not None, "the minimized window has lost its name")
            away += " (named %r)" % reader.frame().name
    else:
        other = desktop.spawn(["zenity", "--entry", "--title", "Elsewhere"], log="zenity.log")
        wait_for("another program in front", lambda: not reader.active())
        away = "behind another program"
    # As a launcher starts it, with a startup notification id; a window manager learns of
    # the launch's end from messages on the root window.
    if name == "x11-tray":
        watch = desktop.spawn(["stdbuf", "-oL", "xev", "-root", "-event", "property"],
                              log="xev.log")
        wait_for("xev listening", lambda: desktop.run(
            "xprop", "-root", "-f", "PARLANCE_TEST", "8s", "-set", "PARLANCE_TEST", "1") is not None
            and "PARLANCE_TEST" in open(desktop.path("xev.log")).read(), 10)
    second = desktop.reader(env={"DESKTOP_STARTUP_ID": "parlance-second-start"})
    check(second.wait(30) == 0, "the second start did not end")
    wait_for("the window in front", lambda: reader.showing() and reader.active())
    if name == "x11-tray":
        check(wait_for("the icon to leave", lambda: not embedded_icon(desktop), 10),
              "the icon stayed")
        wait_for("the end of the launch announced",
                 lambda: "_NET_STARTUP_INFO_BEGIN" in open(desktop.path("xev.log")).read(), 10)
        watch.terminate()
        away += " (and the launch announced as ended)"
    if other:
        other.terminate()
    return "to the front from " + away


def check_media(reader, name):
    reader.stop()  # the dialog of the check before may still be read
    status = reader.playerctl("status")
    check(status in ("Stopped", "Paused"), "status %s before playing" % status)
    title = reader.playerctl("metadata", "xesam:title")
    check(title == os.path.basename(reader.document), "title %r" % title)
    steps = []
    for command, expected in (("play", "Playing"), ("pause", "Paused"), ("play", "Playing"),
                              ("stop", "Paused")):
        mark = reader.desktop.mark()
        reader.playerctl(command)
        wait_for("%s after %s" % (expected, command),
                 lambda: reader.playerctl("status") == expected)
        if expected == "Playing":
            wait_for("the reading heard after " + command,
                     lambda: reader.desktop.heard_since(mark))
        steps.append("%s: %s" % (command, expected))
    return "title %r; %s" % (title, ", ".join(steps))


CHECKS = [("tray", check_tray), ("window", check_window), ("reading", check_reading),
          ("dialog", check_dialog), ("clipboard", check_clipboard), ("second", check_second),
          ("media", check_media)]


def main():
    bindir, name = os.path.abspath(sys.argv[1]), sys.argv[2]
    missing = [p for p in NEEDS[name] + COMMON if not shutil.which(p)]
    if name == "sni" and os.getuid() == 0 and not shutil.which("setpriv"):
        missing.append("setpriv")
    if missing:
        print("%s: SKIPPED: not installed: %s" % (name, " ".join(missing)))
        return SKIP
    desktop = Desktop(name, bindir)
    failed = 0
    try:
        session(name, desktop)
        reader = Reader(desktop, name)
        for check_name, run in CHECKS:
            started = time.monotonic()
            try:
                seen = run(reader, name)
                print("%s %s: ok (%s) [%.1f s]" % (name, check_name, seen,
                                                   time.monotonic() - started), flush=True)
            except Exception as failure:  # a check that breaks is a failure, not the end
                failed += 1
                print("%s %s: FAILED: %s" % (name, check_name, failure), flush=True)
    except Failure as failure:
        failed += 1
        print("%s: FAILED: %s" % (name, failure))
    finally:
        if failed and desktop.screen:
            subprocess.run(["import", "-display", desktop.screen, "-window", "root",
                            os.path.join(tempfile.gettempdir(), "parlance-%s.png" % name)],
                           capture_output=True)
        if failed:
            for log in glob.glob(desktop.path("*.log")):
                with open(log, errors="replace") as f:
                    tail = f.read()[-1500:]
                if tail.strip():
                    print("--- %s\n%s" % (os.path.basename(log), tail))
        desktop.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
