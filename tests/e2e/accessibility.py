"""What a screen reader gets from the running program through AT-SPI: the names of the tool bar
buttons, no leftover splash window, and the source pane as an editable text whose text, caret and
change events follow typing in the real window. Run by accessibility.sh; exits 1 on the first fault."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def walk(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find_application(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    fail("no application %r on the accessibility bus" % name)


events = []


def on_event(event):
    events.append((event.type, event.detail1, event.detail2, event.any_data))


def pump(seconds):
    """Lets the events that are on their way arrive."""
    context = GLib.MainContext.default()
    deadline = time.time() + seconds
    while time.time() < deadline:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(condition, what, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        pump(0.1)
        if condition():
            return
    fail(what)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def main():
    app = find_application("Pindle")
    frame = None
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window.getRoleName() == "dialog":
            fail("a dialog %r is left in the tree (the splash window?)" % window.name)
        if window.getRoleName() == "frame":
            frame = window
    if frame is None:
        fail("no main window")
    every = list(walk(frame))

    toolbar = [a for a in every if a.getRoleName() == "tool bar"]
    if not toolbar:
        fail("no tool bar")
    buttons = [a.name for a in walk(toolbar[0])
               if a.getRoleName() == "push button" and a.getState().contains(pyatspi.STATE_SHOWING)]
    if buttons != ["New", "Open", "Save", "Delete", "Add", "Edit"]:
        fail("tool bar buttons are named %r" % buttons)
    print("ok: tool bar buttons named New, Open, Save, Delete, Add, Edit; no splash window left")

    panes = [a for a in every if a.name == "Source"]
    if len(panes) != 1:
        fail("no single object named Source: %r" % [(a.getRoleName(), a.name) for a in every if a.name])
    pane = panes[0]
    if pane.getRoleName() != "text":
        fail("the Source pane is a %r" % pane.getRoleName())
    if not pane.getState().contains(pyatspi.STATE_MULTI_LINE) or not pane.getState().contains(pyatspi.STATE_EDITABLE):
        fail("the Source pane is not a multi-line editable text")
    text = pane.queryText()

    pyatspi.Registry.registerEventListener(on_event, "object:text-changed:insert", "object:text-changed:delete",
                                           "object:text-caret-moved")
    extents = pane.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    # A click in the text area (right of the 30-pixel gutter), then Ctrl+Home: typing starts at the
    # first column, not in virtual space after the click.
    xdotool("mousemove", str(extents.x + 40), str(extents.y + 8), "click", "1")
    xdotool("key", "ctrl+Home")
    wait_for(lambda: pane.getState().contains(pyatspi.STATE_FOCUSED), "the Source pane did not take the focus")
    del events[:]

    typed_lines = ["p { color: red; }", "h1 {}x"]
    xdotool("type", "--delay", "20", typed_lines[0])
    xdotool("key", "Return")
    xdotool("type", "--delay", "20", typed_lines[1])
    xdotool("key", "BackSpace")
    expected = "p { color: red; }\nh1 {}"
    wait_for(lambda: text.getText(0, -1) == expected,
             "the pane reads %r, not %r" % (text.getText(0, -1), expected))
    if text.caretOffset != len(expected):
        fail("caret offset %d after typing, expected %d" % (text.caretOffset, len(expected)))
    if text.characterCount != len(expected):
        fail("character count %d" % text.characterCount)
    line, start, _ = text.getTextAtOffset(20, pyatspi.TEXT_BOUNDARY_LINE_START)
    if line.rstrip("\n") != "h1 {}" or start != 18:
        fail("line at offset 20 reads %r from %d" % (line, start))
    print("ok: after typing the pane reads %r with the caret at %d" % (expected, text.caretOffset))

    pump(0.5)
    inserted = "".join(e[3] for e in events if e[0] == "object:text-changed:insert")
    if inserted != typed_lines[0] + "\n" + typed_lines[1]:
        fail("insert events carried %r" % inserted)
    offsets = [e[1] for e in events if e[0] == "object:text-changed:insert"]
    if offsets != list(range(len(inserted))):
        fail("insert events at offsets %r" % offsets)
    deletes = [(e[1], e[3]) for e in events if e[0] == "object:text-changed:delete"]
    if deletes != [(len(expected), "x")]:
        fail("delete events %r" % deletes)
    carets = [e[1] for e in events if e[0] == "object:text-caret-moved"]
    if not carets or carets[-1] != len(expected):
        fail("caret events end at %r" % carets[-1:])
    print("ok: %d insert events, the delete of 'x' and caret events up to %d" % (len(offsets), carets[-1]))

    # Editing through the accessible interface is an edit like any other: one undo step. The text
    # goes into the document as UTF-8 and reads back as the same characters.
    comment = "/* \u00e9 \U0001F600 */\n"
    pane.queryEditableText().insertText(0, comment, len(comment.encode("utf-16-le")) // 2)
    wait_for(lambda: text.getText(0, -1) == comment + expected,
             "insertText through AT-SPI: the pane reads %r" % text.getText(0, -1))
    xdotool("key", "ctrl+z")
    wait_for(lambda: text.getText(0, -1) == expected, "Ctrl+Z did not undo the inserted text")
    print("ok: text with non-ASCII characters inserted through AT-SPI, and Ctrl+Z undoes it")

    # A selection made with the keyboard reads as offsets.
    xdotool("key", "ctrl+End", "shift+Home")
    wait_for(lambda: text.getNSelections() == 1 and tuple(text.getSelection(0)) == (18, len(expected)),
             "the selection after Shift+Home reads %r" % (text.getSelection(0) if text.getNSelections() else None,))
    print("ok: Shift+Home selects offsets 18 to %d" % len(expected))


main()
