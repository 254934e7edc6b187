#!/usr/bin/python3
"""Looks at a running program through the accessibility bus, as a screen reader does.

    a11y_probe.py PID controls              role<TAB>name<TAB>description<TAB>states, one
                                            control a line
    a11y_probe.py PID act ROLE NAME ACTION  runs the control's action ("Toggle", "Press")
    a11y_probe.py PID text ROLE NAME [NEW]  prints the text and its attributes at 0, after
                                            replacing it with NEW when given

Controls are found by role and name in the program's showing windows. A modal window
opened by an action keeps the program from answering that call: the short timeout lets the
caller go on and look at the window instead.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402

MAX_NODES = 3000


def program(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def walk(node, budget):
    stack = [node]
    while stack and budget[0] > 0:
        current = stack.pop()
        budget[0] -= 1
        yield current
        try:
            # A list's items (the voices, the fonts) are many and never looked for.
            if current.getRoleName() == "list":
                continue
            children = [current.getChildAtIndex(i) for i in range(current.childCount)]
        except Exception:
            continue
        stack.extend(reversed([c for c in children if c is not None]))


def controls(app):
    for window in app:
        if window is None or not window.getState().contains(pyatspi.STATE_SHOWING):
            continue
        for node in walk(window, [MAX_NODES]):
            try:
                yield node, node.getRoleName(), node.name or ""
            except Exception:
                continue


def find(app, role, name):
    for node, node_role, node_name in controls(app):
        if node_role == role and node_name == name:
            return node
    return None


def states(node):
    wanted = {pyatspi.STATE_CHECKED: "checked", pyatspi.STATE_ENABLED: "enabled",
              pyatspi.STATE_SHOWING: "showing", pyatspi.STATE_PRESSED: "pressed"}
    state = node.getState()
    return ",".join(text for key, text in wanted.items() if state.contains(key))


def main():
    pid, command = int(sys.argv[1]), sys.argv[2]
    Atspi.set_timeout(3000, 10000)
    app = program(pid)
    if app is None:
        print("no such program on the bus", file=sys.stderr)
        return 2
    if command == "controls":
        for node, role, name in controls(app):
            print(f"{role}\t{name}\t{node.description or ''}\t{states(node)}")
        return 0
    node = find(app, sys.argv[3], sys.argv[4])
    if node is None:
        print(f"no {sys.argv[3]} named {sys.argv[4]!r}", file=sys.stderr)
        return 3
    if command == "act":
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i).lower() == sys.argv[5].lower():
                try:
                    action.doAction(i)
                except Exception:
                    pass  # a modal window came up; the caller looks for it
                return 0
        print(f"no action {sys.argv[5]!r}", file=sys.stderr)
        return 4
    if command == "text":
        if len(sys.argv) > 5:
            node.queryEditableText().setTextContents(sys.argv[5])
        text = node.queryText()
        print(text.getText(0, -1))
        print(text.getAttributes(0)[0])
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
