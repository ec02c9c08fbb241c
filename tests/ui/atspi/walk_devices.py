#!/usr/bin/env python3
"""What a screen reader hears of the window, through AT-SPI only.

Finds the running confpelko window on the accessibility bus, presses its
"Поиск" button through AT-SPI (no mouse, no keys), then walks the list
"Приборы" and prints each cell's name, description and states. Then it
checks that the status bar says how the search ended, presses the first
cell, which names its controller in the card table's name, and presses the
inspector's "Имя" value, whose editor must then be in the tree. Exits 1 when a cell says nothing of its state in words or a check
fails.
"""
import signal
import sys
import time
import traceback

import pyatspi

STATE_WORDS = ("нет связи", "подключен")
GROUP_WORDS = ("в группе", "не в группе")


# Every cell of a table or list is a few bus calls: walking the card table's
# thousands of cells on a loaded machine took minutes. The walk goes into a
# table or list only when it starts there.
OPAQUE = ("table", "list", "tree table")


def find(node, pred, depth=0):
    if node is None or depth > 40:
        return None
    try:
        if pred(node):
            return node
        if depth > 0 and node.getRoleName() in OPAQUE:
            return None
        for child in node:
            hit = find(child, pred, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def application(names, wait):
    desktop = pyatspi.Registry.getDesktop(0)
    end = time.time() + wait
    while time.time() < end:
        for app in desktop:
            if app is not None and app.name in names:
                return app
        time.sleep(0.5)
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            try:
                action.doAction(i)
            except Exception:
                pass  # the search runs modally inside the call; its reply comes too late
            return True
    return False


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except Exception:
        return node.name


def check(what, ok, shown):
    print(f"{'ok' if ok else 'FAILED'}: {what}: «{shown}»")
    return 0 if ok else 1


def after_search(app, grid):
    """The status line, the card table's name and the inspector's editor."""
    failed = 0
    status = find(app, lambda n: n.getRoleName() == "label" and n.description == "Сообщение")
    said = status.name if status is not None else None
    failed += check("the status bar says how the search ended", said is not None and
                    said.startswith("Поиск закончен, найдено приборов: ") and said.endswith(str(grid.childCount)), said)
    first = grid.getChildAtIndex(0)
    device = first.name.strip("* ")
    press(first)
    time.sleep(2)
    table = find(app, lambda n: n.getRoleName() == "table" and n.name.startswith("Карты"))
    named = table.name if table is not None else None
    failed += check("the card table names its controller", named is not None and
                    named.startswith(f"Карты: {device} (адрес "), named)
    inspector = find(app, lambda n: n.getRoleName() == "table" and n.name == "Свойства")
    value = inspector.getChildAtIndex(3) if inspector is not None else None  # row 0 "Имя", its value
    if value is None or not press(value):
        return failed + check("the inspector's name cell can be pressed", False, value)
    time.sleep(2)
    editor = find(inspector, lambda n: n.getRoleName() in ("text", "entry"))
    typed = text_of(editor) if editor is not None else None
    # Without a window manager the window is never active, so the editor's
    # focused state cannot be asked for here; that it is editable can.
    editable = editor is not None and editor.getState().contains(pyatspi.STATE_EDITABLE)
    failed += check("the inspector's open editor is in the tree", typed == device and editable,
                    f"{typed}, editable: {editable}")
    return failed


def stuck(signum, frame):
    print("the walk took too long; it was here:", file=sys.stderr)
    traceback.print_stack(frame, file=sys.stderr)
    sys.exit(1)


def main():
    signal.signal(signal.SIGALRM, stuck)
    signal.alarm(360)  # below the test's timeout, so a hang says where it was
    app = application(("ConfPelkoQ250", "confpelko"), 90)
    if app is None:
        print("confpelko is not on the accessibility bus", file=sys.stderr)
        return 2
    search = find(app, lambda n: n.getRoleName() == "push button"
                  and n.name == "Поиск приборов на текущей скорости")
    if search is None or not press(search):
        print("no search button to press", file=sys.stderr)
        return 2
    # The search is done when the cells have stopped coming for a while.
    grid = None
    seen, since = -1, time.time()
    end = time.time() + 200
    while time.time() < end:
        grid = find(app, lambda n: n.getRoleName() == "list" and n.name == "Приборы")
        count = grid.childCount if grid is not None else 0
        if count != seen:
            seen, since = count, time.time()
        elif count > 0 and time.time() - since > 15:
            break
        time.sleep(1)
    if grid is None or grid.childCount == 0:
        print("the device grid shows no cells", file=sys.stderr)
        return 1
    silent = 0
    for cell in grid:
        states = sorted(pyatspi.stateToString(s) for s in cell.getState().getStates())
        print(f"{cell.getRoleName()}: «{cell.name}» — «{cell.description}» [{', '.join(states)}]")
        words = cell.description
        if not any(w in words for w in STATE_WORDS) or not any(w in words for w in GROUP_WORDS):
            silent += 1
    return 1 if silent or after_search(app, grid) else 0


if __name__ == "__main__":
    sys.exit(main())
