"""A private desktop for running the real orvane as a person would: Xvfb, a session bus
with the accessibility bus, trayer or a StatusNotifier host as the system tray, a screen
locker when asked for, and the moto EC2 emulator behind its HTTPS proxy. Everything runs
with HOME, the XDG folders and the AWS configuration inside one temporary folder, under a
ProcessSupervisor; the menu and dialogs are driven by the MenuDriver mixed in.

Runs on Debian's /usr/bin/python3 (pyatspi comes from python3-pyatspi). One session per
process: the accessibility bindings stay connected to the first session's bus.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import uuid
from pathlib import Path

from .menu import MenuDriver
from .processes import MARKER, ProcessSupervisor, SessionError, wait_for

REPO = Path(__file__).resolve().parents[2]
EMULATOR = REPO / "scripts" / "emulator"
# The StatusNotifier watcher's bus name, object path and interface share this name.
WATCHER = "org.kde.StatusNotifierWatcher"
# The screen locker's bus name and interface.
SCREEN_SAVER = "org.freedesktop.ScreenSaver"
NOTIFICATIONS = "org.freedesktop.Notifications"

# Every test bus has a configuration of its own, with no service folders: a bus on the
# default session configuration would start the services the desktops' packages make
# activatable (Plasma's org.freedesktop.Notifications, GNOME's), processes of no test's own.
# Root may use a bus an unprivileged session runs.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={runtime}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <allow user="root"/>
  </policy>
</busconfig>
"""


class Session(MenuDriver):
    def __init__(self, orvane, root=None, lang="C.UTF-8"):
        self.orvane = Path(orvane)
        self.root = Path(root or tempfile.mkdtemp(prefix="orvane-gui-"))
        self.root.mkdir(parents=True, exist_ok=True)
        self.marker = uuid.uuid4().hex
        self.lang = lang
        self.env = {}
        self.display = None
        self.emulator_dir = self.root / "emulator"
        self.app_log = self.root / "orvane.log"
        self.supervisor = ProcessSupervisor(self.root, self.marker)
        self.supervisor.start_guard(self.base_env(), EMULATOR, self.emulator_dir)

    @property
    def processes(self):
        return self.supervisor.processes

    def spawn(self, name, argv, env, death_signal="KILL", **kwargs):
        return self.supervisor.spawn(name, argv, env, death_signal, **kwargs)

    def stop_process(self, name, timeout=10.0):
        self.supervisor.stop_process(name, timeout)

    # -- starting -------------------------------------------------------------

    def base_env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("AWS_", "XDG_", "QT_", "DBUS_", "AT_SPI", "HTTP", "http"))}
        env[MARKER] = self.marker
        env["LANG"] = self.lang
        env.pop("LC_ALL", None)
        return env

    def start_emulator(self, seed=True):
        env = self.base_env()
        script = str(EMULATOR)
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

        config = self.root / "bus.conf"
        config.write_text(BUS_CONFIG.format(runtime=env["XDG_RUNTIME_DIR"]))
        bus = self.spawn("dbus", ["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address=1"], env,
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
            wait_for("a StatusNotifier host registered at the watcher", self.status_notifier_host_registered)
        except SessionError as error:
            log_text = (self.root / "sni-host.log").read_text(errors="replace")
            raise SessionError(f"{error}; the host exited with {self.processes['sni-host'].poll()}: {log_text}") from None
        self.set_backdrop()

    def start_lxqt_panel(self):
        """LXQt's panel at the top of the screen with its StatusNotifier plugin alone, as the
        tray (a Qt 5 host that is its own watcher and draws the items' menus from dbusmenu).
        Its configuration lives in the session's desktop folder."""
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        config = self.root / "desktop" / "config"
        (config / "lxqt").mkdir(parents=True, exist_ok=True)
        (config / "lxqt" / "panel.conf").write_text(
            "[General]\n__userfile__=true\npanels=panel1\n\n[panel1]\nplugins=statusnotifier\nposition=Top\n"
            "panelSize=32\n\n[statusnotifier]\ntype=statusnotifier\n")
        env["XDG_CONFIG_HOME"] = str(config)
        self.spawn("sni-host", ["lxqt-panel"], env)
        wait_for("lxqt-panel's watcher on the bus", lambda: self.bus_owner(WATCHER) is not None)

    def visible_windows(self, process):
        """The X windows of `process` (a Popen) that are mapped now."""
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
                                capture_output=True, text=True, env={**os.environ, "DISPLAY": self.display}, timeout=30)
        return set(result.stdout.split())

    def window_geometry(self, window):
        """(x, y, width, height) of the X window `window`."""
        result = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True,
                                env={**os.environ, "DISPLAY": self.display}, timeout=30, check=True)
        values = dict(line.split("=", 1) for line in result.stdout.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def restart_status_notifier_watcher(self):
        """Stops the StatusNotifier watcher and starts it again, as toggling the desktop's
        AppIndicator extension or a panel that holds the watcher restarting does; returns once
        the new one owns its name (its object may come a moment later)."""
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        self.stop_process("sni-watcher")
        wait_for("the StatusNotifier watcher gone", lambda: self.bus_owner(WATCHER) is None)
        self.spawn("sni-watcher", ["status-notifier-watcher"], env)
        wait_for("the StatusNotifier watcher on the bus", lambda: self.bus_owner(WATCHER) is not None)

    def start_screen_saver(self, *paths, locked=False):
        """A screen locker on the session bus (screen_saver.py beside this file) serving its interface
        at `paths`; lock_screen() locks and unlocks it."""
        self.start_bus_service("screen-saver", "screen_saver.py", SCREEN_SAVER, *paths,
                               *(["--active"] if locked else []))
        self.screen_saver_path = paths[0]

    def start_notification_service(self, record):
        """A notification server on the session bus (notifications.py beside this file) that
        appends each notification to the file `record`, one JSON line each."""
        self.start_bus_service("notifications", "notifications.py", NOTIFICATIONS, str(record))

    def start_bus_service(self, label, script, name, *args):
        """Starts the stand-in service `script` beside this file (its log: `label`.log) and waits
        until it owns `name` on the session bus."""
        env = self.desktop_env()
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        argv = ["/usr/bin/python3", str(Path(__file__).resolve().parent / script), *args]
        self.spawn(label, argv, env)
        wait_for(f"{name} on the bus", lambda: self.bus_owner(name) is not None)

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

    def status_notifier_items(self):
        """The items registered at the StatusNotifier watcher on the session bus; None while
        the watcher does not answer: a watcher owns its name a moment before its object is
        there, a moment that grows long on a loaded machine."""
        return self.watcher_property("RegisteredStatusNotifierItems")

    def status_notifier_host_registered(self):
        """Whether a host has registered at the StatusNotifier watcher (None as above)."""
        return self.watcher_property("IsStatusNotifierHostRegistered")

    def watcher_property(self, prop):
        from gi.repository import GLib

        try:
            return self.bus_property(WATCHER, "/StatusNotifierWatcher", WATCHER, prop)
        except GLib.Error:
            return None

    def bus_owner(self, name):
        """The unique name owning `name` on the session bus, or None."""
        from gi.repository import GLib

        try:
            return self.bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "GetNameOwner", GLib.Variant("(s)", (name,)), "(s)")[0]
        except GLib.Error:
            return None

    # -- looking --------------------------------------------------------------

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

    def aws(self, *args):
        """Asks the emulator directly, with the aws tool, as JSON."""
        env = self.base_env()
        env.update(self.env)
        result = subprocess.run(["/usr/bin/aws", "--no-cli-pager", "--output", "json", *args], env=env,
                                capture_output=True, text=True, timeout=120, check=True)
        return json.loads(result.stdout) if result.stdout.strip() else None

    def image(self, region):
        """An image to launch instances from in `region`, asked for by name: the emulator takes
        seconds to list all of its images."""
        return self.aws("ec2", "describe-images", "--region", region, "--owners", "amazon", "--filters",
                        "Name=name,Values=amzn2-ami-hvm-2.0.*-x86_64-gp2", "--query", "Images[0].ImageId")

    def proxy_log(self):
        """What the emulator's proxy logged: one line per call it answered, its colours removed."""
        text = (self.emulator_dir / "proxy.log").read_text(errors="replace")
        return re.sub(r"\x1b\[[0-9;]*m", "", text)

    @staticmethod
    def aws_children(app):
        """The PIDs of the children (the aws tool) of the process `app` now; each leads a
        process group of its own."""
        children = []
        for task in Path(f"/proc/{app.pid}/task").iterdir():
            try:
                children += [int(pid) for pid in (task / "children").read_text().split()]
            except OSError:  # a thread that ended meanwhile
                pass
        return children

    @classmethod
    def calling_aws(cls, app):
        """Whether the process `app` has a child (the aws tool) now."""
        return bool(cls.aws_children(app))

    # -- ending ---------------------------------------------------------------

    def close(self):
        """Stops everything this session started and returns the processes (PID to name)
        that had to be killed after the orderly stop: none, normally."""
        for name in ("orvane", "trayer", "sni-host", "sni-watcher", "screen-saver", "notifications", "atspi", "dbus",
                     "xvfb"):
            self.stop_process(name)
        if (self.emulator_dir / "pid").exists():
            subprocess.run([str(EMULATOR), "stop", str(self.emulator_dir)], stdout=subprocess.DEVNULL, timeout=60)
        self.supervisor.disarm_guard()
        return self.supervisor.kill_leftovers()

    def remove_files(self):
        shutil.rmtree(self.root, ignore_errors=True)
