#!/usr/bin/python3
"""Drives the real reader and converter on the test display, as a user would.

Usage: reader_desktop.py BINDIR SCENARIO...
  convert   File > Convert on a document opened from the command line gives a WAV file
            with speech in it, written by the converter the reader finds beside itself.
  help      Help, with no program on the desktop to open pages, names the help page the
            reader found (BINDIR/../share/parlance/help.html).
  open      `parlance FILE` with no reader running and with a hidden one running; a path
            with spaces and non-ASCII letters; a missing file and a folder are refused
            with a message naming them.
Needs the display, the accessibility bus and xdotool that the test script starts.
Runs with Debian's python3 (python3-pyatspi).
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

    def name_entered():
        for entry in accessibles(converter, (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)):
            try:
                state = entry.getState()
                if state.contains(pyatspi.STATE_EDITABLE) and state.contains(pyatspi.STATE_SHOWING):
                    entry.queryEditableText().setTextContents(wav)
                    return True
            except Exception:
                continue
        return False
    wait_for("the save dialog's file name", name_entered, 20)
    wait_for("the save dialog's Save", lambda: press(converter, "Save"), 20)

    def finished():
        if not os.path.exists(wav):
            return False
        try:
            with wave.open(wav) as w:
                return w.getnframes() > 0 and w
        except (wave.Error, EOFError):
            return False
    wait_for("the WAV file", finished, 120)
    time.sleep(1)  # let the converter close the file
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
    # No desktop opener on the search path: the reader must say where the page is.
    env = dict(session.env)
    env["PATH"] = os.path.join(session.dir, "no-programs")
    reader = session.start(env=env)
    window = session.main_window(reader)
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "F1")
    expected = os.path.realpath(os.path.join(session.bindir, "..", "share", "parlance",
                                             "help.html"))
    check(os.path.isfile(expected), "no help page at " + expected)
    message_naming(session, reader, expected)
    print("help: the message names", expected)


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


SCENARIOS = {"convert": scenario_convert, "help": scenario_help, "open": scenario_open}


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
