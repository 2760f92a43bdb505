"""KDE Plasma 5 as users have it, under Xvfb: kactivitymanagerd, kded5 (whose
StatusNotifier module is the watcher), kwin_x11 without compositing and plasmashell with
its default panel, whose system tray is the StatusNotifier host and draws the items'
menus itself as QMenus (libdbusmenu-qt), readable over the accessibility bus. Everything
renders in software (LIBGL_ALWAYS_SOFTWARE). The session bus has a configuration of its
own without service directories: Plasma's packages install services (notifications,
kded5, ...) that a bus with the default configuration would start behind the session's
back. The desktop's programs get HOME and XDG folders of their own in the session's
folder, so the first run lays out the default panel there.

The rest (the emulator, the D-Bus helpers, supervision, AT-SPI) is the X11 session's
(session.py).
"""

import os
import subprocess

from .menu import atspi
from .processes import SessionError, wait_for
from .session import BUS_CONFIG, EMULATOR, WATCHER, Session

SIZE = (1280, 800)
LIBEXEC = "/usr/lib/x86_64-linux-gnu/libexec"
# The title the tray shows for orvane's item (its button's accessible name).
TITLE = "Orvane for Mac"

KDE_ENV = {"XDG_CURRENT_DESKTOP": "KDE", "KDE_FULL_SESSION": "true", "KDE_SESSION_VERSION": "5",
           "XDG_SESSION_TYPE": "x11", "LIBGL_ALWAYS_SOFTWARE": "1"}


class PlasmaSession(Session):
    # -- starting -------------------------------------------------------------

    def desktop_env(self):
        env = super().desktop_env()
        for name in ("config", "cache", "data", "state"):
            folder = self.root / "desktop" / name
            folder.mkdir(parents=True, exist_ok=True)
            env[f"XDG_{name.upper()}_HOME"] = str(folder)
        env.update(KDE_ENV)
        if "DBUS_SESSION_BUS_ADDRESS" in self.env:
            env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"])
        return env

    def start_desktop(self, tray=True):
        """Xvfb, the session bus and the accessibility bus, kactivitymanagerd, kded5 and
        kwin_x11; with `tray`, plasmashell."""
        env = self.desktop_env()
        read_end, write_end = os.pipe()
        self.spawn("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SIZE[0]}x{SIZE[1]}x24",
                            "-nolisten", "tcp", "-noreset"], env, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise SessionError("Xvfb did not start: " + (self.root / "xvfb.log").read_text())
        self.display = ":" + number.decode()

        config = self.root / "bus.conf"
        config.write_text(BUS_CONFIG.format(runtime=env["XDG_RUNTIME_DIR"]))
        bus = self.spawn("dbus", ["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address=1"], env,
                         stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise SessionError("the session bus did not start: " + (self.root / "dbus.log").read_text())
        self.env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address)
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address)  # pyatspi, xdotool here
        env = self.desktop_env()
        self.spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env)
        wait_for("the accessibility bus", lambda: self.bus_owner("org.a11y.Bus") is not None)
        self.spawn("activities", [f"{LIBEXEC}/kactivitymanagerd"], env)
        self.spawn("kded", ["kded5"], env)
        wait_for("kded5's StatusNotifier watcher", lambda: self.bus_owner(WATCHER) is not None, timeout=60)
        self.spawn("kwin", ["kwin_x11"], {**env, "KWIN_COMPOSE": "N"})
        wait_for("kwin on the bus", lambda: self.bus_owner("org.kde.KWin") is not None, timeout=60)
        if tray:
            self.start_tray()

    def start_tray(self):
        """plasmashell with the default layout: a panel at the bottom with its system tray,
        registered as the StatusNotifier host."""
        env = self.desktop_env()
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.spawn("plasmashell", ["plasmashell", "--no-respawn"], env)
        try:
            wait_for("plasmashell registered as the StatusNotifier host", self.status_notifier_host_registered,
                     timeout=120)
        except SessionError as error:
            raise SessionError(f"{error}; plasmashell exited with {self.processes['plasmashell'].poll()}: "
                               + (self.root / "plasmashell.log").read_text(errors="replace")[-4000:]) from None

    def app_env(self):
        env = super().app_env()
        env.update({k: v for k, v in KDE_ENV.items() if k != "LIBGL_ALWAYS_SOFTWARE"})
        return env

    # -- looking --------------------------------------------------------------

    def panel_button(self, name):
        """The extents (x, y, width, height) of the panel's button `name` (a tray item's
        title, "Digital Clock", ...) as plasmashell shows it over the accessibility bus, or
        None while it shows none."""
        pyatspi = atspi()
        for app in pyatspi.Registry.getDesktop(0):
            if app is None or app.name != "plasmashell":
                continue
            for window in app:
                if not window.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                for child in window:
                    if child.getRole() == pyatspi.ROLE_PUSH_BUTTON and child.name == name:
                        extents = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                        if extents.width > 1:
                            return (extents.x, extents.y, extents.width, extents.height)
        return None

    def tray_icon(self):
        """(x, y, width, height) of orvane's icon in Plasma's system tray, or None."""
        return self.panel_button(TITLE)

    def shell_menus(self):
        """The menus plasmashell shows now (its mapped popup-menu windows, which carry no
        process id), X window id to (x, y, width, height) on the screen."""
        env = {**os.environ, "DISPLAY": self.display}
        menus = {}
        for line in self.tree():
            if len(line) - len(line.lstrip()) != 5 or '("plasmashell" "plasmashell")' not in line:
                continue  # not a top-level window of plasmashell
            window = line.split()[0]
            info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True, env=env, timeout=30)
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], capture_output=True, text=True,
                                  env=env, timeout=30)
            if "IsViewable" in info.stdout and "_NET_WM_WINDOW_TYPE_POPUP_MENU" in kind.stdout:
                menus[window] = self.window_geometry(window)
        return menus

    # -- ending ---------------------------------------------------------------

    def close(self):
        for name in ("orvane", "plasmashell", "kwin", "kded", "activities", "atspi", "dbus", "xvfb"):
            self.stop_process(name)
        if (self.emulator_dir / "pid").exists():
            subprocess.run([str(EMULATOR), "stop", str(self.emulator_dir)], stdout=subprocess.DEVNULL, timeout=60)
        self.supervisor.disarm_guard()
        return self.supervisor.kill_leftovers()
