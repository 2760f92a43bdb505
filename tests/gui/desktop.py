"""A private desktop for running the real orvane as a person would: Xvfb, a session bus
with the accessibility bus, trayer or a StatusNotifier host as the system tray, and the moto
EC2 emulator behind its HTTPS proxy. Everything runs with HOME, the XDG folders and the AWS
configuration inside one temporary folder, and every process started here carries a marker
in its environment, so that closing the session can find and end exactly these processes
and prove none is left.

Runs on Debian's /usr/bin/python3 (pyatspi comes from python3-pyatspi). One session per
process: the accessibility bindings stay connected to the first session's bus.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import uuid
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
MARKER = "ORVANE_GUI_SESSION"
# util-linux's setpriv sets the parent-death signal, then runs the program in its place.
SETPRIV = "/usr/bin/setpriv"
# The StatusNotifier watcher's bus name, object path and interface share this name.
WATCHER = "org.kde.StatusNotifierWatcher"
# The screen locker's bus name and interface.
SCREEN_SAVER = "org.freedesktop.ScreenSaver"
# What a GUI test file is run with (--orvane PATH --artifacts DIR); run_tests() fills it in.
ARGS = argparse.Namespace(orvane=None, artifacts=None)


def _exit_on_signal(signum, _frame):
    # Turns a polite kill (a ctest timeout, a closed terminal) into an exit that runs the
    # sessions' clean-up.
    raise SystemExit(128 + signum)


for _signal in (signal.SIGTERM, signal.SIGHUP):
    signal.signal(_signal, _exit_on_signal)


class SessionError(Exception):
    pass


_START = time.monotonic()


def log(message):
    """A timestamped progress line on stderr, for reading a slow or failed run."""
    print(f"[{time.monotonic() - _START:6.1f} s] {message}", file=sys.stderr, flush=True)


def wait_for(what, check, timeout=30.0, interval=0.2):
    """Polls `check` until it returns something true and returns that; raises after `timeout`."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise SessionError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def atspi():
    """pyatspi, imported once the session bus of the desktop is in the environment."""
    import pyatspi

    return pyatspi


def marked_processes(marker):
    """PIDs of live (not zombie) processes whose environment carries `marker`."""
    needle = f"{MARKER}={marker}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/stat") as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if state != "Z":
            found.append(int(entry))
    return found


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
        self.separator = self.role == "separator"

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


class Session:
    def __init__(self, orvane, root=None, lang="C.UTF-8"):
        self.orvane = Path(orvane)
        self.root = Path(root or tempfile.mkdtemp(prefix="orvane-gui-"))
        self.root.mkdir(parents=True, exist_ok=True)
        self.marker = uuid.uuid4().hex
        self.lang = lang
        self.processes = {}
        self.env = {}
        self.display = None
        self.emulator_dir = self.root / "emulator"
        self.app_log = self.root / "orvane.log"
        self.start_guard()

    # -- starting -------------------------------------------------------------

    def base_env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("AWS_", "XDG_", "QT_", "DBUS_", "AT_SPI", "HTTP", "http"))}
        env[MARKER] = self.marker
        env["LANG"] = self.lang
        env.pop("LC_ALL", None)
        return env

    def spawn(self, name, argv, env, death_signal="KILL", **kwargs):
        # Each process leads a process group of its own, so stopping it reaches its children;
        # and it gets the parent-death signal, so a test killed outright takes it along.
        with open(self.root / f"{name}.log", "ab") as log:
            if os.access(SETPRIV, os.X_OK):
                argv = [SETPRIV, "--pdeathsig", death_signal, "--", *argv]
            process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                       stdout=kwargs.pop("stdout", log), stderr=log, start_new_session=True,
                                       **kwargs)
        self.processes[name] = process
        if name != "guard":
            with open(self.root / "groups", "a") as groups:
                groups.write(f"{process.pid}\n")
        return process

    def start_guard(self):
        """Starts the session's guard: should this test process die outright (a ctest
        timeout kills it), the kernel sends the guard TERM, and it ends every process group
        the session started and the emulator, whose proxy is nobody's child here."""
        (self.root / "groups").touch()
        trap = 'for g in $(cat "$1"); do kill -KILL -- "-$g" 2>/dev/null; done; [ -f "$2/pid" ] && "$0" stop "$2"'
        self.spawn("guard", ["bash", "-c", f"trap '{trap} >/dev/null; exit' TERM; while :; do sleep 1; done",
                             str(REPO / "scripts" / "emulator"), str(self.root / "groups"), str(self.emulator_dir)],
                   self.base_env(), death_signal="TERM")

    def start_emulator(self, seed=True):
        env = self.base_env()
        script = str(REPO / "scripts" / "emulator")
        # The script reads the proxy's log while the proxy may not have created it yet.
        self.emulator_dir.mkdir(parents=True, exist_ok=True)
        (self.emulator_dir / "proxy.log").touch()
        subprocess.run([script, "start", str(self.emulator_dir)], env=env, check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        if seed:
            subprocess.run([script, "seed", str(self.emulator_dir)], env=env, check=True,
                           stdout=subprocess.DEVNULL, timeout=300)
        for line in (self.emulator_dir / "env").read_text().splitlines():
            name, _, value = line.partition("=")
            if name:
                self.env[name] = value

    def desktop_env(self):
        """The environment of the desktop's own programs. They get a home and a runtime
        folder of their own in the session (the accessibility bus keeps its socket in the
        runtime folder, else under ~/.cache), away from the user's home and from the
        application's folders."""
        env = self.base_env()
        for name, folder in (("HOME", "desktop/home"), ("XDG_RUNTIME_DIR", "desktop/runtime")):
            path = self.root / folder
            path.mkdir(parents=True, exist_ok=True)
            path.chmod(0o700)
            env[name] = str(path)
        return env

    def start_desktop(self, tray=True):
        env = self.desktop_env()
        # Xvfb picks a free display itself and writes its number to the pipe. Without
        # -noreset it resets whenever its last client leaves, and refuses clients meanwhile.
        read_end, write_end = os.pipe()
        self.spawn("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                           "-noreset"],
                   env, pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise SessionError("Xvfb did not start: " + (self.root / "xvfb.log").read_text())
        self.display = ":" + number.decode()
        env["DISPLAY"] = self.display

        bus = self.spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                         stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise SessionError("the session bus did not start")
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env)
        for name in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            self.env[name] = env[name]
            os.environ[name] = env[name]  # for pyatspi, xdotool and import in this process
        if tray:
            self.start_tray()

    def start_tray(self):
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        self.spawn("trayer", ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                              "--height", "24", "--transparent", "false", "--tint", "0xdcdcdc",
                              "--SetDockType", "true", "--SetPartialStrut", "true"], env)
        try:
            wait_for("trayer's panel", self.panel_window)
        except SessionError as error:
            log_text = (self.root / "trayer.log").read_text(errors="replace")
            raise SessionError(f"{error}; trayer exited with {self.processes['trayer'].poll()}: {log_text}") from None
        self.set_backdrop()

    def start_status_notifier_host(self):
        """A StatusNotifier tray instead of trayer, as KDE, GNOME's AppIndicator extension and
        Xfce's status tray are: a watcher (org.kde.StatusNotifierWatcher) on the session bus,
        and a panel that registers with it as the host and shows the items registered there,
        their menus exported over com.canonical.dbusmenu."""
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        self.spawn("sni-watcher", ["status-notifier-watcher"], env)
        wait_for("the StatusNotifier watcher on the bus", lambda: self.bus_owner(WATCHER) is not None)
        self.spawn("sni-host", ["gtk-sni-tray-standalone", "--top", "--end", "--size", "28", "--color", "#dcdcdc"],
                   env)
        try:
            wait_for("a StatusNotifier host registered at the watcher",
                     lambda: self.bus_property(WATCHER, "/StatusNotifierWatcher", WATCHER,
                                               "IsStatusNotifierHostRegistered"))
        except SessionError as error:
            log_text = (self.root / "sni-host.log").read_text(errors="replace")
            raise SessionError(f"{error}; the host exited with {self.processes['sni-host'].poll()}: {log_text}") from None
        self.set_backdrop()

    def start_screen_saver(self, *paths, locked=False):
        """A screen locker on the session bus (tests/gui/screen_saver.py) serving its interface
        at `paths`; lock_screen() locks and unlocks it."""
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        argv = ["/usr/bin/python3", str(Path(__file__).resolve().parent / "screen_saver.py"), *paths]
        self.spawn("screen-saver", argv + (["--active"] if locked else []), env)
        wait_for("the screen saver on the bus", lambda: self.bus_owner(SCREEN_SAVER) is not None)
        self.screen_saver_path = paths[0]

    def lock_screen(self, locked):
        from gi.repository import GLib

        self.bus_call(SCREEN_SAVER, self.screen_saver_path, SCREEN_SAVER, "SetActive", GLib.Variant("(b)", (locked,)),
                      "(b)")

    def set_backdrop(self):
        """A calm desktop background instead of black, for screenshots a person looks at
        (after the tray starts, which paints the root window black)."""
        backdrop = self.root / "backdrop.png"
        if not backdrop.exists():
            subprocess.run(["convert", "-size", "1024x768", "gradient:#6d7f94-#3b4858", str(backdrop)],
                           check=True, timeout=60)
        # display sets the root window's background, then exits with 1 whatever happened.
        subprocess.run(["display", "-window", "root", str(backdrop)], env={**os.environ, "DISPLAY": self.display},
                       timeout=60)

    def private_env(self):
        """The base environment with HOME and the XDG folders inside the session's folder."""
        env = self.base_env()
        home = self.root / "home"
        home.mkdir(exist_ok=True)
        env["HOME"] = str(home)
        for name in ("config", "cache", "data", "state"):
            folder = self.root / "xdg" / name
            folder.mkdir(parents=True, exist_ok=True)
            env[f"XDG_{name.upper()}_HOME"] = str(folder)
        runtime = self.root / "xdg" / "runtime"
        runtime.mkdir(parents=True, exist_ok=True)
        runtime.chmod(0o700)
        env["XDG_RUNTIME_DIR"] = str(runtime)
        return env

    def app_env(self):
        env = self.private_env()
        env.update(self.env)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return env

    def start_app(self):
        self.spawn("orvane", [str(self.orvane)], self.app_env())
        return self.processes["orvane"]

    # -- looking --------------------------------------------------------------

    @staticmethod
    def bus():
        """This process's connection to the session bus of the desktop (after start_desktop)."""
        from gi.repository import Gio

        return Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def bus_call(self, name, path, interface, method, args=None, reply=None, timeout=10.0):
        """Calls a method over the session bus; returns the reply's values as a tuple."""
        from gi.repository import GLib

        result = self.bus().call_sync(name, path, interface, method, args,
                                      GLib.VariantType(reply) if reply else None, 0, int(timeout * 1000), None)
        return result.unpack() if result is not None else ()

    def bus_property(self, name, path, interface, prop):
        """A property read over the session bus, as a Python value."""
        from gi.repository import GLib

        return self.bus_call(name, path, "org.freedesktop.DBus.Properties", "Get",
                             GLib.Variant("(ss)", (interface, prop)), "(v)")[0]

    def bus_owner(self, name):
        """The unique name owning `name` on the session bus, or None."""
        from gi.repository import GLib

        try:
            return self.bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "GetNameOwner", GLib.Variant("(s)", (name,)), "(s)")[0]
        except GLib.Error:
            return None

    def tree(self):
        result = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                                env={**os.environ, "DISPLAY": self.display})
        return result.stdout.splitlines()

    def panel_window(self):
        return any('("panel" "trayer")' in line for line in self.tree())

    def tray_icon(self):
        """(x, y, width, height) on screen of orvane's icon embedded in trayer's panel, or None."""
        lines = self.tree()
        panel_indent = None
        for line in lines:
            indent = len(line) - len(line.lstrip())
            if '("panel" "trayer")' in line:
                panel_indent = indent
                continue
            if panel_indent is not None and indent <= panel_indent and line.strip():
                panel_indent = None
            if panel_indent is not None and '("orvane" "orvane")' in line:
                match = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
                if match:
                    w, h, x, y = map(int, match.groups())
                    if w > 1 and h > 1:
                        return (x, y, w, h)
        return None

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], check=True, env={**os.environ, "DISPLAY": self.display}, timeout=30)

    def click_icon(self, button=1):
        x, y, w, h = wait_for("the tray icon", self.tray_icon)
        self.xdotool("mousemove", str(x + w // 2), str(y + h // 2), "click", str(button))

    def screenshot(self, path, crop=None):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        argv = ["import", "-window", "root"]
        if crop:
            argv += ["-crop", crop, "+repage"]
        subprocess.run(argv + [str(path)], check=True, env={**os.environ, "DISPLAY": self.display}, timeout=60)
        return path

    def focused_menu(self, key="Down", timeout=5.0):
        """The open popup menu, reached through the item that gets focus after `key`: Qt does
        not list popups among the application's windows on the accessibility bus."""
        pyatspi = atspi()
        from gi.repository import GLib

        found = {}

        def on_focus(event):
            if event.detail1 == 1 and "menu" not in found:
                try:
                    if event.source.getRoleName() in ("menu item", "check menu item"):
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
    def entries(menu):
        return [MenuEntry(child) for child in menu]

    def read_menu(self, until, timeout=60.0):
        """Opens the tray menu, reads it, closes it; repeats until `until(entries)` holds.
        Returns the last entries read."""
        deadline = time.monotonic() + timeout
        last = []
        while True:
            self.click_icon()
            menu = self.focused_menu()
            if menu is not None:
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
        that opening starts has landed (the menu is rebuilt then, with new entries)."""
        for _ in range(5):
            self.click_icon()
            menu = self.focused_menu()
            if menu is None:
                self.xdotool("key", "Escape")
                continue
            try:
                first = [child.path for child in menu]
                deadline = time.monotonic() + settle
                while time.monotonic() < deadline and [child.path for child in menu] == first:
                    time.sleep(0.2)
                if time.monotonic() >= deadline:
                    log("menu: no rebuild seen after opening (a refresh was already under way?)")
                time.sleep(0.3)
                return menu
            except Exception:  # rebuilt while being read: read again
                self.xdotool("key", "Escape")
        raise SessionError("the tray menu did not open")

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
                found += [window for window in app if window.getRoleName() == "alert"]
        return found

    def alert(self, timeout=30.0):
        """The alert the application shows, with its title, texts and buttons."""
        window = wait_for("an alert", lambda: next(iter(self.alerts()), None), timeout=timeout)
        texts, buttons = [], {}

        def walk(node):
            for child in node:
                role = child.getRoleName()
                if role == "label":
                    texts.append(child.name)
                elif role == "push button":
                    buttons[child.name] = child
                walk(child)

        walk(window)
        return Alert(window, window.name, texts, buttons)

    def answer(self, alert, button):
        path = alert.accessible.path
        self.click(alert.buttons[button])
        wait_for("the alert to close", lambda: all(window.path != path for window in self.alerts()), timeout=10)

    def aws(self, *args):
        """Asks the emulator directly, with the aws tool, as JSON."""
        env = self.base_env()
        env.update(self.env)
        result = subprocess.run(["/usr/bin/aws", "--no-cli-pager", "--output", "json", *args], env=env,
                                capture_output=True, text=True, timeout=120, check=True)
        return json.loads(result.stdout) if result.stdout.strip() else None

    # -- ending ---------------------------------------------------------------

    def stop_process(self, name, timeout=10.0):
        process = self.processes.pop(name, None)
        if process is None:
            return
        if process.stdout:
            process.stdout.close()
        if process.poll() is not None:
            return
        try:
            os.killpg(process.pid, signal.SIGTERM)
        except ProcessLookupError:
            return
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(timeout)

    def close(self):
        """Stops everything this session started and returns the processes (PID to name)
        that had to be killed after the orderly stop: none, normally."""
        for name in ("orvane", "trayer", "sni-host", "sni-watcher", "screen-saver", "atspi", "dbus", "xvfb"):
            self.stop_process(name)
        if (self.emulator_dir / "pid").exists():
            subprocess.run([str(REPO / "scripts" / "emulator"), "stop", str(self.emulator_dir)],
                           stdout=subprocess.DEVNULL, timeout=60)
        # Disarm the guard first: the groups it would end are gone, and their numbers may
        # be reused.
        (self.root / "groups").write_text("")
        self.stop_process("guard")
        leftovers = {}
        for pid in marked_processes(self.marker):
            try:
                with open(f"/proc/{pid}/comm") as f:
                    leftovers[pid] = f.read().strip()
                os.kill(pid, signal.SIGKILL)
            except (OSError, ProcessLookupError):
                pass
        if leftovers:
            try:
                wait_for("the killed processes to end", lambda: not marked_processes(self.marker), timeout=10)
            except SessionError:
                pass  # reported by the caller's own check
        return leftovers

    def remove_files(self):
        shutil.rmtree(self.root, ignore_errors=True)


class SessionTestCase(unittest.TestCase):
    """A test with a session of its own, closed after it: every process the test started
    must have ended in the orderly stop."""

    def setUp(self):
        self.session = Session(ARGS.orvane)
        self.addCleanup(self.session.remove_files)
        self.addCleanup(self.close_session)

    def close_session(self):
        leftovers = self.session.close()
        self.assertEqual(marked_processes(self.session.marker), [], "processes of the test still run")
        self.assertEqual(leftovers, {}, "processes outlived their orderly stop")


def run_tests():
    """Reads --orvane and --artifacts into ARGS and runs the test cases of the file that was
    started; the rest of the command line goes to unittest."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--artifacts", required=True)
    _, rest = parser.parse_known_args(namespace=ARGS)
    # The accessibility bindings warn about their own deprecated calls.
    unittest.main(module="__main__", argv=[sys.argv[0], "-v", *rest], warnings="ignore")
