"""What a screen reader gets from the running program through AT-SPI: the names of the tool bar
buttons, no leftover splash window, the source pane as an editable text whose text, caret and
change events follow typing in the real window, the style table as a named table, the About box
closed and its web address opened from the keyboard, the font family lists of the style dialog
built with keys, and colour boxes that keep their names. Run by accessibility.sh; exits 1 on the
first fault."""
import os
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
    # Keys that arrive within one pass of the event loop (a busy machine) are told as one insert:
    # each event starts where the one before it ended.
    inserts = [(e[1], e[3]) for e in events if e[0] == "object:text-changed:insert"]
    offsets = [offset for offset, _ in inserts]
    if offsets != [sum(len(piece) for _, piece in inserts[:i]) for i in range(len(inserts))]:
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

    check_style_table(frame)
    check_about_box(app)
    check_style_dialog(app, frame)


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def dialogs(app):
    return [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
            if w is not None and w.getRoleName() == "dialog" and showing(w)]


def wait_dialog(app, what):
    wait_for(lambda: len(dialogs(app)) == 1, what)
    return dialogs(app)[0]


def named(root, role, name):
    found = [a for a in walk(root) if a.getRoleName() == role and a.name == name]
    if len(found) != 1:
        fail("no single %s named %r: %r" % (role, name, [(a.getRoleName(), a.name) for a in walk(root) if a.name]))
    return found[0]


def focused(accessible):
    return accessible.getState().contains(pyatspi.STATE_FOCUSED)


def menu_command(app, menu_key, item_key, what, title=None):
    """Alt+menu_key, then item_key, and the dialog that opens; a busy machine opens the menu late,
    so it tries three times, waiting longer each time."""
    for attempt in (1, 2, 3):
        # The X server has no window manager to give the main window the focus back after a dialog.
        xdotool("windowfocus", "--sync", os.environ["PINDLE_MAIN_WINDOW"])
        xdotool("key", "--clearmodifiers", "alt+" + menu_key)
        pump(0.2 * attempt)
        xdotool("key", item_key)
        deadline = time.time() + 3
        while time.time() < deadline:
            pump(0.1)
            if len(dialogs(app)) == 1:
                if title is not None:
                    xdotool("search", "--sync", "--onlyvisible", "--name", "^%s$" % title, "windowfocus", "--sync")
                return dialogs(app)[0]
        xdotool("key", "Escape", "Escape")
    fail("%s: %r" % (what, [(w.getRoleName(), w.name, showing(w)) for w in (app.getChildAtIndex(i) for i in range(app.childCount))]))


def tab_to(target):
    """Tab until the target has the focus, as a keyboard user gets there."""
    for _ in range(25):
        if focused(target):
            return
        xdotool("key", "Tab")
        pump(0.15)
    wait_for(lambda: focused(target), "Tab does not reach %r" % target.name)


def check_style_table(frame):
    """The table is a table named after its rows, whose columns have their headers."""
    table = named(frame, "table", "Styles")
    headers = [a.name for a in walk(table) if a.getRoleName() == "table column header"]
    if len(headers) != 12 or headers[:2] != ["Tag/Style", "Font family"]:
        fail("column headers of the style table read %r" % headers)
    print("ok: the style table is a table named Styles, with its column headers")


def check_about_box(app):
    """Esc, Enter and Space close the About box; Tab reaches the web address and Enter opens it,
    leaving the box open."""
    opened = os.environ["PINDLE_OPENED"]
    for keys, closes in [(["Escape"], True), (["Return"], True), (["space"], True),
                         (["Tab", "Return"], False), (["Tab", "space"], False)]:
        box = menu_command(app, "h", "a", "Help > About showed no About box")
        wait_for(lambda: any(focused(a) for a in walk(box)), "nothing in the About box has the focus")
        link = named(box, "link", "https://www.quillmere.example/pindle")
        before = open(opened).read().count("\n") if os.path.exists(opened) else 0
        xdotool("key", *keys)
        if closes:
            wait_for(lambda: not dialogs(app), "%s did not close the About box" % "+".join(keys))
            continue
        wait_for(lambda: os.path.exists(opened) and open(opened).read().count("\n") == before + 1,
                 "%s on the web address did not open it" % " then ".join(keys))
        if not focused(link) or not dialogs(app):
            fail("after %s the About box is gone or its link lost the focus" % " then ".join(keys))
        xdotool("key", "Escape")
        wait_for(lambda: not dialogs(app), "Escape did not close the About box")
    address = open(opened).read().split()
    if address != ["https://www.quillmere.example/pindle"] * 2:
        fail("the browser was asked to open %r" % address)
    print("ok: Esc, Enter and Space close the About box; Tab and Enter or Space open its web address")


def combo_text(combo):
    """The chosen entry as the box's text, None when it has no text."""
    try:
        return combo.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def list_items(accessible):
    return [accessible.getChildAtIndex(i).name for i in range(accessible.childCount)]


def check_style_dialog(app, frame):
    """The font family list built with the keys of its two lists, colour boxes that keep their
    names once a colour is chosen, and Enter for Ok."""
    dialog = menu_command(app, "s", "a", "Style > Add showed no dialog", "Style")
    xdotool("type", "--delay", "20", "h2")
    xdotool("key", "ctrl+Tab")
    system = named(dialog, "list", "System fonts")
    family = named(dialog, "list", "Font family")
    custom = named(dialog, "text", "Custom font family")
    wait_for(lambda: showing(system), "ctrl+Tab did not show the Font page")
    first, second = list_items(system)[:2]
    # Keys pressed in a list, and the font family list after them.
    steps = [
        (system, ["Home", "space"], [first]),
        (system, ["End", "Home", "Insert"], [first, second]),
        (family, ["Home", "alt+Down"], [second, first]),
        (family, ["alt+Down"], [second, first]),
        (family, ["alt+Up"], [first, second]),
        (family, ["End", "alt+Up"], [second, first]),
        (family, ["Delete"], [first]),
        (custom, list("MyFont"), [first]),
        (family, ["Insert"], [first, "MyFont"]),
    ]
    for target, keys, expected in steps:
        tab_to(target)
        xdotool("key", "--delay", "30", *keys)
        wait_for(lambda: list_items(family) == expected,
                 "%s in %s: the font family list reads %r, not %r"
                 % (" ".join(keys), target.name, list_items(family), expected))
    if second not in list_items(system):
        fail("Delete did not put %r back in the system fonts" % second)
    print("ok: Space and Insert add a system font; Alt+Up, Alt+Down, Delete and Insert in the font family list")

    xdotool("key", "ctrl+Tab")
    for name in ("Foreground color", "Background color"):
        combo = named(dialog, "combo box", name)
        wait_for(lambda: showing(combo), "ctrl+Tab did not show the Miscellaneous page")
        tab_to(combo)
        xdotool("key", "Down", "Down")
        wait_for(lambda: combo.name == name and combo_text(combo) not in (None, "", name),
                 "after choosing a colour the box reads %r with the text %r" % (combo.name, combo_text(combo)))
    print("ok: the colour boxes keep their names with a colour chosen")

    xdotool("key", "Return")
    wait_for(lambda: not dialogs(app), "Enter did not press Ok")
    table = named(frame, "table", "Styles").queryTable()
    families = first + ",MyFont"
    wait_for(lambda: table.nRows == 1 and table.getAccessibleAt(0, 1).name == families,
             "the new row's font family reads %r" % (table.getAccessibleAt(0, 1).name if table.nRows else None))
    header = table.getColumnHeader(1).name
    if header != "Font family":
        fail("the font family cell's column header reads %r" % header)
    print("ok: Enter in the dialog presses Ok; the row's font family is %r under its header" % families)


main()
