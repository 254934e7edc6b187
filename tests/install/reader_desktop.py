#!/usr/bin/python3
"""Drives the real reader and converter on the test display, as a user would.

Usage: reader_desktop.py BINDIR SCENARIO...
  convert   File > Convert on a document opened from the command line gives a WAV file
            with speech in it, written by the converter the reader finds beside itself.
  help      F1 on a desktop whose web-page handler is the reader itself shows the help page
            the reader found (BINDIR/../share/parlance/help.html) in its own window, and
            the document stays as it was.
  open      `parlance FILE` with no reader running and with a hidden one running; a path
            with spaces and non-ASCII letters; a missing file and a folder are refused
            with a message naming them.
  unsaved   Typed text survives Ctrl+N and File > Exit behind "Save changes to ...?"
            (Cancel, Discard, Save); Save asks before replacing a file changed on disk.
  command   `parlance --version` and `--help` print without a display; a file named
            "pre-install.rtf" opens as a document.
  entry     The desktop entry beside BINDIR (BINDIR/../share/applications) loads through
            GIO and launches the reader with a file, as a file manager's "Open With" does.
Needs the display, the accessibility bus and xdotool that the test script starts.
Runs with Debian's python3 (python3-pyatspi, python3-gi).
"""
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import wave

import pyatspi

TITLE = "Larkvane TTS Reader - "


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    raise Failure("gave up waiting for " + what)


def xdotool(*args):
    run = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return run.stdout.strip() if run.returncode == 0 else ""


def visible_windows(pid, name):
    found = xdotool("search", "--onlyvisible", "--pid", str(pid), "--name", name)
    return [w for w in found.split("\n") if w]


def window_name(window):
    return xdotool("getwindowname", window)


def accessibles(pid, roles):
    """The accessible objects of the process's windows that have one of `roles`."""
    found = []

    def walk(node, depth):
        try:
            if node.getRole() in roles:
                found.append(node)
            children = [node.getChildAtIndex(i) for i in range(min(node.childCount, 500))]
        except Exception:
            return  # a window going away while it is looked at
        for child in children:
            if child is not None and depth < 40:
                walk(child, depth + 1)

    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        walk(app, 0)
    return found


def accessible_texts(pid):
    """Names of the labels and texts of every window of the process."""
    texts = []
    for node in accessibles(pid, (pyatspi.ROLE_LABEL, pyatspi.ROLE_TEXT)):
        try:
            texts.append(node.name or "")
            texts.append(node.queryText().getText(0, -1))
        except Exception:
            pass
    return texts


def press(pid, name):
    """Presses the visible button called `name`, as a screen reader would."""
    for button in accessibles(pid, (pyatspi.ROLE_PUSH_BUTTON,)):
        try:
            if button.name == name and button.getState().contains(pyatspi.STATE_SHOWING):
                button.queryAction().doAction(0)
                return True
        except Exception:
            continue
    return False


def document_text(pid):
    """The text of the reader's document, as a screen reader reads it."""
    for node in accessibles(pid, (pyatspi.ROLE_TEXT, pyatspi.ROLE_DOCUMENT_TEXT)):
        try:
            if node.name == "Document":
                return node.queryText().getText(0, -1)
        except Exception:
            continue
    return None


def answer(pid, text, button):
    """Waits for a message of the process holding `text` and presses `button` in it."""
    wait_for("a message saying " + text, lambda: any(text in t for t in accessible_texts(pid)),
             30)
    wait_for("the message's " + button, lambda: press(pid, button), 20)
    time.sleep(0.5)  # the answer is acted on


def name_in_file_dialog(pid, path):
    """Types `path` as the file name of the process's file dialog and presses its Save."""
    dialog = []

    def entered():
        for entry in accessibles(pid, (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)):
            try:
                state = entry.getState()
                if (state.contains(pyatspi.STATE_EDITABLE) and state.contains(pyatspi.STATE_SHOWING)
                        and entry.name.startswith("File name")):
                    entry.queryEditableText().setTextContents(path)
                    window = entry
                    while window.getRole() not in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME):
                        window = window.parent
                    dialog.append(window)
                    return True
            except Exception:
                continue
        return False

    def saved():
        # The dialog's own Save, not a toolbar button of the same name behind it.
        button = pyatspi.findDescendant(
            dialog[0], lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Save")
        if button is None:
            return False
        button.queryAction().doAction(0)
        return True
    wait_for("the file dialog's name", entered, 20)
    wait_for("the file dialog's Save", saved, 20)


def keys(window, *names):
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--delay", "100", *names)


def type_text(window, text, pid=None):
    xdotool("windowfocus", "--sync", window)
    if pid is not None:
        # As a user clicks into the page first: the keys go to the document, not to
        # whichever control of the window last had the focus.
        wait_for("the document to take the focus", lambda: focus_document(pid), 20)
    xdotool("type", "--delay", "30", text)


def focus_document(pid):
    for node in accessibles(pid, (pyatspi.ROLE_TEXT, pyatspi.ROLE_DOCUMENT_TEXT)):
        try:
            if node.name == "Document" and node.queryComponent().grabFocus():
                return node.getState().contains(pyatspi.STATE_FOCUSED)
        except Exception:
            continue
    return False


def running(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def has_socket(folder):
    for base, _, names in os.walk(folder):
        if any(stat.S_ISSOCK(os.lstat(os.path.join(base, n)).st_mode) for n in names):
            return True
    return False


class Session:
    """A private settings home, runtime folder and registry for the readers of a scenario."""

    def __init__(self, bindir):
        self.bindir = bindir
        self.dir = tempfile.mkdtemp(prefix="parlance-desktop-")
        runtime = os.path.join(self.dir, "run")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ)
        self.env.update({
            "XDG_CONFIG_HOME": os.path.join(self.dir, "config"),
            "XDG_DATA_HOME": os.path.join(self.dir, "data"),
            "XDG_RUNTIME_DIR": runtime,
            "PARLANCE_MACHINE_REGISTRY": os.path.join(self.dir, "registry.db"),
            "PARLANCE_AUDIO": "null:20",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "LANG": "C.UTF-8",
        })
        self.env.pop("QT_QPA_PLATFORM", None)
        self.processes = []
        self.adopted = []

    def adopt(self, pid):
        """A reader started by someone else (the desktop), ended with the others."""
        self.adopted.append(pid)

    def start(self, *args, env=None):
        process = subprocess.Popen([os.path.join(self.bindir, "parlance"), *args],
                                   env=env or self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def main_window(self, process):
        found = wait_for("the reader's window",
                         lambda: visible_windows(process.pid, "^Larkvane TTS Reader - "))
        return found[0]

    def close(self):
        for pid in self.adopted:
            try:
                os.kill(pid, signal.SIGTERM)
                deadline = time.monotonic() + 10
                while os.path.exists("/proc/%d" % pid) and time.monotonic() < deadline:
                    time.sleep(0.1)
            except OSError:
                pass
        for process in self.processes:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def message_naming(session, process, text):
    """Waits for a message box of the process whose text holds `text`."""
    return wait_for("a message naming " + text,
                    lambda: any(text in t for t in accessible_texts(process.pid)), 30)


def scenario_convert(session):
    document = os.path.join(session.dir, "speech.txt")
    with open(document, "w", encoding="utf-8") as f:
        f.write("Parlance turns this short document into a sound file.\n")
    wav = os.path.join(session.dir, "out put.wav")
    reader = session.start(document)
    window = session.main_window(reader)
    wait_for("the document in the window",
             lambda: window_name(window).startswith(TITLE + document), 30)

    # File > Convert Text into WAV Audio File... from the keyboard: the fifth entry.
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--delay", "150", "alt+f", "Down", "Down", "Down", "Down", "Return")
    wait_for("the conversion warning", lambda: visible_windows(reader.pid, "^Convert To Wave"), 20)
    wait_for("the warning's Yes", lambda: press(reader.pid, "Yes"), 20)

    # The converter is a process of its own; its save dialog is the only "Save As" window.
    dialog = wait_for("the converter's save dialog",
                      lambda: xdotool("search", "--onlyvisible", "--name", "^Save As"), 60)
    converter = int(xdotool("getwindowpid", dialog.split("\n")[0]))
    check(converter != reader.pid, "the save dialog is not the converter's")

    name_in_file_dialog(converter, wav)

    def finished():
        if not os.path.exists(wav):
            return False
        try:
            with wave.open(wav) as w:
                return w.getnframes() > 0 and w
        except (wave.Error, EOFError):
            return False
    wait_for("the WAV file", finished, 120)
    # The converter ends once its message is answered; left open it would take the focus
    # from the next scenario's window.
    answer(converter, "Wave file created.", "OK")
    wait_for("the converter's end", lambda: not running(converter), 30)
    with wave.open(wav) as w:
        check(w.getframerate() == 22050 and w.getsampwidth() == 2 and w.getnchannels() == 1,
              "not a 22 kHz 16-bit mono WAV")
        frames = w.readframes(w.getnframes())
    samples = memoryview(frames).cast("h")
    check(len(samples) > 22050, "less than a second of audio")
    loud = sum(1 for s in samples if abs(s) > 1000)
    check(loud > len(samples) // 20, "the WAV holds no speech")
    print("convert: %d samples, %d above the noise floor" % (len(samples), loud))


def scenario_help(session):
    # The reader is the desktop's handler for web pages, as its package declares text/html:
    # handing the help page to the desktop would open it as the reader's document.
    apps = os.path.join(session.env["XDG_DATA_HOME"], "applications")
    os.makedirs(apps)
    with open(os.path.join(apps, "parlance.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Parlance\nExec=%s %%F\n"
                "MimeType=text/html;\n" % os.path.join(session.bindir, "parlance"))
    os.makedirs(session.env["XDG_CONFIG_HOME"], exist_ok=True)
    with open(os.path.join(session.env["XDG_CONFIG_HOME"], "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\ntext/html=parlance.desktop\n")

    reader = session.start()
    window = session.main_window(reader)
    type_text(window, "My own words.", reader.pid)
    wait_for("the typed words", lambda: document_text(reader.pid) == "My own words.", 20)
    keys(window, "F1")
    wait_for("the help window", lambda: visible_windows(reader.pid, "Reader - Help$"), 30)
    expected = os.path.realpath(os.path.join(session.bindir, "..", "share", "parlance",
                                             "help.html"))
    check(os.path.isfile(expected), "no help page at " + expected)
    wait_for("the help page in it",
             lambda: any("Getting more voices" in t for t in accessible_texts(reader.pid)), 20)
    time.sleep(2)  # anything started by the desktop would have replaced the document by now
    check(document_text(reader.pid) == "My own words.", "the document was replaced")
    check(window_name(window) == TITLE + "Untitled", "the title changed")
    print("help: shown in the reader's window, the document kept")


def scenario_open(session):
    folder = os.path.join(session.dir, "Ordner mit Leerzeichen")
    os.mkdir(folder)
    first = os.path.join(folder, "première lettre.rtf")
    with open(first, "w", encoding="ascii") as f:
        f.write("{\\rtf1 First letter.\\par}")
    second = os.path.join(folder, "Δεύτερο γράμμα.txt")
    with open(second, "w", encoding="utf-8") as f:
        f.write("Second letter.\n")

    # No reader running: the file is open in the new window.
    reader = session.start(first)
    window = session.main_window(reader)
    wait_for("the first file in the window",
             lambda: window_name(window).startswith(TITLE + first), 30)
    reader.send_signal(signal.SIGTERM)
    reader.wait(20)

    # A hidden reader: a start with a file shows its window with the file open, and the
    # second start ends at once.
    reader = session.start("-startup")
    wait_for("the hidden reader's listener", lambda: has_socket(session.env["XDG_RUNTIME_DIR"]),
             30)
    handed = session.start(second)
    check(handed.wait(30) == 0, "the second start did not end")
    window = session.main_window(reader)
    wait_for("the second file in the running reader",
             lambda: window_name(window).startswith(TITLE + second), 30)

    # A missing file and a folder are named in a message; the document stays.
    missing = os.path.join(folder, "gone.rtf")
    check(session.start(missing).wait(30) == 0, "the start with a missing file did not end")
    message_naming(session, reader, missing)
    wait_for("the message's OK", lambda: press(reader.pid, "OK"), 20)
    check(session.start(folder).wait(30) == 0, "the start with a folder did not end")
    message_naming(session, reader, folder)
    check(window_name(window).startswith(TITLE + second), "a failed open changed the title")
    print("open: new reader, hidden reader, missing file and folder")


def scenario_unsaved(session):
    reader = session.start()
    window = session.main_window(reader)
    type_text(window, "First words.", reader.pid)
    wait_for("the typed words", lambda: document_text(reader.pid) == "First words.", 20)
    keys(window, "ctrl+n")
    answer(reader.pid, "Save changes to Untitled?", "Cancel")
    check(document_text(reader.pid) == "First words.", "Cancel did not keep the words")
    keys(window, "ctrl+n")
    answer(reader.pid, "Save changes to Untitled?", "Discard")
    wait_for("an empty document", lambda: document_text(reader.pid) == "", 20)

    # File > Exit: the words are saved first, then the exit question ends the reader.
    saved = os.path.join(session.dir, "kept words.rtf")
    type_text(window, "Kept words.", reader.pid)
    wait_for("the typed words", lambda: document_text(reader.pid) == "Kept words.", 20)
    keys(window, "alt+f", "x")
    answer(reader.pid, "Save changes to Untitled?", "Save")
    name_in_file_dialog(reader.pid, saved)
    answer(reader.pid, "Are you sure you want to exit", "Yes")
    check(reader.wait(30) == 0, "the reader did not end")
    with open(saved, "rb") as f:
        check(f.read().startswith(b"{\\rtf1") , "not saved as RTF")
    check(b"Kept words." in open(saved, "rb").read(), "the words were not saved")

    # Another program writes the file while it is open: Save asks before replacing it.
    reader = session.start(saved)
    window = session.main_window(reader)
    wait_for("the saved file", lambda: document_text(reader.pid) == "Kept words.", 30)
    theirs = b"{\\rtf1 Written by another program.\\par}"
    with open(saved, "wb") as f:
        f.write(theirs)
    type_text(window, "More. ")
    keys(window, "ctrl+s")
    answer(reader.pid, "was changed by another program", "No")
    check(open(saved, "rb").read() == theirs, "No replaced the file")
    keys(window, "ctrl+s")
    answer(reader.pid, "was changed by another program", "Yes")
    wait_for("the file replaced", lambda: b"More. Kept words." in open(saved, "rb").read(), 20)
    print("unsaved: Cancel, Discard and Save behind the question; an outside change asked about")


def scenario_command(session):
    env = dict(session.env)
    env.pop("DISPLAY", None)
    parlance = os.path.join(session.bindir, "parlance")
    version = subprocess.run([parlance, "--version"], env=env, capture_output=True, text=True,
                             timeout=30)
    check(version.returncode == 0 and version.stdout.startswith("parlance "),
          "--version: %d %r %r" % (version.returncode, version.stdout, version.stderr))
    usage = subprocess.run([parlance, "--help"], env=env, capture_output=True, text=True,
                           timeout=30)
    check(usage.returncode == 0 and "--startup" in usage.stdout and "--install" in usage.stdout,
          "--help: %d %r" % (usage.returncode, usage.stdout))

    document = os.path.join(session.dir, "pre-install.rtf")
    with open(document, "w", encoding="ascii") as f:
        f.write("{\\rtf1 Notes taken before the install.\\par}")
    reader = session.start(document)
    window = session.main_window(reader)
    wait_for("the file in the window", lambda: window_name(window) == TITLE + document, 30)
    print("command: %s; pre-install.rtf opened" % version.stdout.strip())


def scenario_entry(session):
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import Gio

    entry = os.path.realpath(os.path.join(session.bindir, "..", "share", "applications",
                                          "parlance.desktop"))
    # GLib checks TryExec against the search path before it accepts the entry at all.
    os.environ["PATH"] = session.bindir + os.pathsep + os.environ.get("PATH", "")
    try:
        info = Gio.DesktopAppInfo.new_from_filename(entry)
    except TypeError:  # the constructor returned nothing: the entry was refused
        info = None
    check(info is not None, "GIO refuses the desktop entry " + entry)
    context = Gio.AppLaunchContext()
    for name, value in session.env.items():
        context.setenv(name, value)
    context.setenv("PATH", os.environ["PATH"])
    document = os.path.join(session.dir, "letter from the menu.rtf")
    with open(document, "w", encoding="ascii") as f:
        f.write("{\\rtf1 Opened from the desktop entry.\\par}")
    check(info.launch([Gio.File.new_for_path(document)], context), "the launch failed")
    found = wait_for("the launched reader's window",
                     lambda: xdotool("search", "--onlyvisible", "--name", "^" + TITLE), 60)
    window = found.split("\n")[0]
    session.adopt(int(xdotool("getwindowpid", window)))
    wait_for("the file in the window", lambda: window_name(window) == TITLE + document, 30)
    print("entry: %s launched with a file" % info.get_id())


SCENARIOS = {"convert": scenario_convert, "help": scenario_help, "open": scenario_open,
             "unsaved": scenario_unsaved, "command": scenario_command, "entry": scenario_entry}


def main():
    bindir = os.path.abspath(sys.argv[1])
    failed = 0
    for name in sys.argv[2:]:
        session = Session(bindir)
        try:
            SCENARIOS[name](session)
        except Failure as failure:
            failed += 1
            print("%s: FAILED: %s" % (name, failure))
            subprocess.run(["import", "-window", "root",
                            os.path.join(tempfile.gettempdir(), "parlance-%s.png" % name)],
                           capture_output=True)
        finally:
            session.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
