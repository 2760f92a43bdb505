"""Driving the tray menu and the dialogs of the real orvane as a person would, and reading
them as a screen reader does, through the accessibility bus (AT-SPI): clicks and keys go
through the X server (xdotool)."""

import time

from .processes import SessionError, log, wait_for


def atspi():
    """pyatspi, imported once the session bus of the desktop is in the environment."""
    import pyatspi

    return pyatspi


class MenuEntry:
    """One entry of an open menu as the accessibility bus shows it."""

    def __init__(self, accessible):
        pyatspi = atspi()
        self.accessible = accessible
        states = accessible.getState()
        self.role = accessible.getRoleName()
        self.name = accessible.name
        self.enabled = states.contains(pyatspi.STATE_ENABLED)
        self.checked = states.contains(pyatspi.STATE_CHECKED)
        self.has_submenu = accessible.childCount > 0
        self.separator = accessible.getRole() == pyatspi.ROLE_SEPARATOR
        # A menu a host builds from dbusmenu keeps the entries orvane hides (as a state
        # changes), as actions that are not shown.
        self.shown = states.contains(pyatspi.STATE_VISIBLE)

    def __repr__(self):
        flags = "".join(["" if self.enabled else " disabled", " checked" if self.checked else "",
                         " >" if self.has_submenu else ""])
        return f"<{self.role} {self.name!r}{flags}>"


class Alert:
    def __init__(self, accessible, title, texts, buttons):
        self.accessible = accessible
        self.title = title
        self.texts = texts  # the labels: title, then body
        self.buttons = buttons  # name -> accessible, in order

    def __repr__(self):
        return f"<alert {self.title!r} {self.texts} {list(self.buttons)}>"


class MenuDriver:
    """The menu and dialog half of a desktop session: needs `xdotool(*args)`,
    `click_icon()`, `processes` and `calling_aws(app)` of the session it is mixed into."""

    def focused_menu(self, key="Down", timeout=5.0):
        """The open popup menu, reached through the item that gets focus after `key`: Qt does
        not list popups among the application's windows on the accessibility bus."""
        pyatspi = atspi()
        from gi.repository import GLib

        found = {}

        def on_focus(event):
            if event.detail1 == 1 and "menu" not in found:
                try:
                    if event.source.getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM):
                        found["menu"] = event.source.parent
                except Exception:  # the menu may be rebuilt under us
                    pass
            if "menu" in found:
                pyatspi.Registry.stop()

        def press():
            self.xdotool("key", key)
            return False

        def give_up():
            found["gave up"] = True
            pyatspi.Registry.stop()
            return False

        pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
        GLib.timeout_add(300, press)
        timer = GLib.timeout_add(int(timeout * 1000), give_up)
        try:
            pyatspi.Registry.start()
        finally:
            pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
            if "gave up" not in found:
                GLib.source_remove(timer)
        return found.get("menu")

    @staticmethod
    def is_submenu(menu):
        """Whether `menu` opens from an entry of another menu."""
        try:
            return menu.parent is not None and menu.parent.getRole() == atspi().ROLE_MENU_ITEM
        except Exception:  # rebuilt under us
            return False

    @staticmethod
    def entries(menu):
        """The entries of an open menu that it shows."""
        return [entry for entry in map(MenuEntry, menu) if entry.shown]

    def read_menu(self, until, timeout=60.0):
        """Opens the tray menu, reads it, closes it; repeats until `until(entries)` holds.
        Returns the last entries read."""
        deadline = time.monotonic() + timeout
        last = []
        while True:
            self.click_icon()
            menu = self.focused_menu()
            # Reopened right after a choice in a submenu, the menu can come up with focus in
            # that submenu, which is not the menu to read: closed, and opened again.
            if menu is not None and not self.is_submenu(menu):
                # The menu redraws itself when the refresh its opening started lands.
                for _ in range(20):
                    try:
                        last = self.entries(menu)
                    except Exception:
                        last = []
                    if last and until(last):
                        return last
                    time.sleep(0.5)
            self.xdotool("key", "Escape")
            if time.monotonic() > deadline:
                raise SessionError(f"the menu never showed what was expected; last read: {last}")
            time.sleep(0.5)

    # -- acting as a person would ---------------------------------------------

    @staticmethod
    def matches(name, pattern):
        return pattern(name) if callable(pattern) else name == pattern

    def center(self, accessible):
        x, y, w, h = accessible.queryComponent().getExtents(atspi().DESKTOP_COORDS)
        return x + w // 2, y + h // 2

    def click(self, accessible):
        x, y = self.center(accessible)
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def open_menu(self, settle=10.0):
        """Opens the tray menu with a click on the icon and returns it once the refresh
        that opening starts has landed: its aws call has come and gone, or the menu has
        been rebuilt with new entries. (A list that lands unchanged changes lines in place,
        so no rebuild is seen then.)"""
        for _ in range(5):
            self.click_icon()
            menu = self.focused_menu()
            if menu is None:
                self.xdotool("key", "Escape")
                continue
            try:
                if not self.refresh_landed(menu, settle):
                    log("menu: no refresh seen landing after opening (one was already under way?)")
                time.sleep(0.3)
                return menu
            except Exception:  # rebuilt while being read: read again
                self.xdotool("key", "Escape")
        raise SessionError("the tray menu did not open")

    def refresh_landed(self, menu, timeout):
        """Waits up to `timeout` for the refresh the menu's opening started to land: its aws
        call seen and ended, or `menu` rebuilt. Returns whether it did."""
        app = self.processes.get("orvane")
        first = [child.path for child in menu]
        called = False
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if [child.path for child in menu] != first:
                return True
            if app is not None and app.poll() is None:
                calling = self.calling_aws(app)
                if called and not calling:
                    return True
                called = called or calling
            time.sleep(0.1)
        return False

    def choose(self, *path):
        """Opens the menu and clicks the entry at `path` (titles, or predicates on titles),
        hovering each submenu on the way as a person does."""
        for _ in range(3):
            entry = self.walk(path[:-1], path[-1])
            # A refresh that lands meanwhile rebuilds the menu and closes its submenus.
            if entry.getState().contains(atspi().STATE_SHOWING):
                self.click(entry)
                return
            log("menu: rebuilt while choosing; again")
            self.xdotool("key", "Escape")
            self.xdotool("key", "Escape")
        raise SessionError(f"the menu kept changing while choosing {path}")

    def peek(self, *path):
        """The entries of the submenu at `path`, opened by hovering; the menu is closed after."""
        submenu = self.walk(path, None)
        entries = self.entries(submenu)
        self.xdotool("key", "Escape")
        self.xdotool("key", "Escape")
        return entries

    def walk(self, path, last):
        """Opens the menu, hovers the submenus along `path` and returns the entry `last` of
        the final one (or that menu itself when `last` is None)."""
        log(f"menu: {' > '.join(p if isinstance(p, str) else '…' for p in [*path, last] if p is not None)}")
        menu = self.open_menu()
        for depth, pattern in enumerate([*path, last]):
            if pattern is None:
                return menu
            entry = next((child for child in menu if self.matches(child.name, pattern)), None)
            if entry is None:
                shown = [child.name for child in menu]
                self.xdotool("key", "Escape")
                raise SessionError(f"no entry {pattern!r} in {shown}")
            if depth == len(path):
                return entry
            x, y = self.center(entry)
            self.xdotool("mousemove", str(x), str(y))
            submenu = entry.getChildAtIndex(0)
            wait_for(f"the submenu of {entry.name!r}", lambda: submenu.childCount > 0, timeout=10)
            time.sleep(0.3)
            # Into the submenu along the row of its parent entry, then to the target.
            sx, _ = self.center(submenu)
            self.xdotool("mousemove", str(sx), str(y))
            menu = submenu

    def alerts(self):
        """The alerts the application shows now."""
        found = []
        for app in atspi().Registry.getDesktop(0):
            if app is not None and app.name == "orvane":
                found += [window for window in app if window.getRole() == atspi().ROLE_ALERT]
        return found

    def alert(self, timeout=30.0):
        """The alert the application shows, with its title, texts and buttons."""
        window = wait_for("an alert", lambda: next(iter(self.alerts()), None), timeout=timeout)
        texts, buttons = [], {}

        # By role, not by role name: at-spi2-core 2.56 names a push button "button".
        pyatspi = atspi()

        def walk(node):
            for child in node:
                role = child.getRole()
                if role == pyatspi.ROLE_LABEL:
                    texts.append(child.name)
                elif role == pyatspi.ROLE_PUSH_BUTTON:
                    buttons[child.name] = child
                walk(child)

        walk(window)
        return Alert(window, window.name, texts, buttons)

    def answer(self, alert, button):
        path = alert.accessible.path
        self.click(alert.buttons[button])
        wait_for("the alert to close", lambda: all(window.path != path for window in self.alerts()), timeout=10)
