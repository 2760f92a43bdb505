"""A Wayland desktop as users have one: sway, headless and without Xwayland, with waybar on
top, whose tray module is the StatusNotifier watcher and host; the application on Qt's
Wayland platform. sway refuses to run as root, so when run by root the session (its session
bus, sway, waybar and the application) runs as the unprivileged user nobody: the session
folder is handed over to it, and the runtime folder (mode 0700) holds the compositor's
socket and the bus. The emulator and this process's own D-Bus calls stay root's; the bus
admits root besides its owner. sway has no input devices here: clicks come from a virtual
pointer on its seat (virtual_pointer.py).

The rest (the emulator, the D-Bus helpers, supervision) is the X11 session's (session.py).
"""

import json
import os
import shutil
import subprocess
from pathlib import Path

from .processes import SETPRIV, SessionError, wait_for
from .session import BUS_CONFIG, EMULATOR, Session
from .virtual_pointer import VirtualPointer

NOBODY = (65534, 65534)
SIZE = (1024, 768)
BAR_HEIGHT = 30

# A session bus like the desktop's, without service activation (nothing starts behind the
# session's back), that root may join too.
SWAY_CONFIG = f"""xwayland disable
output HEADLESS-1 resolution {SIZE[0]}x{SIZE[1]}
"""

WAYBAR_CONFIG = {"layer": "top", "position": "top", "height": BAR_HEIGHT, "modules-right": ["tray"],
                 "tray": {"icon-size": 22, "spacing": 6}}
WAYBAR_STYLE = "* { font-family: sans-serif; font-size: 13px; } window#waybar { background: #dcdcdc; }\n"


class WaylandSession(Session):
    def __init__(self, orvane, root=None, lang="C.UTF-8"):
        super().__init__(orvane, root, lang)
        self.user = NOBODY if os.geteuid() == 0 else None
        self.runtime = self.root / "runtime"
        self.pointer = None

    # -- as the session's user ------------------------------------------------

    def as_user(self, argv):
        if self.user is None:
            return list(argv)
        return [SETPRIV, f"--reuid={self.user[0]}", f"--regid={self.user[1]}", "--clear-groups", "--", *argv]

    def spawn_as_user(self, name, argv, env):
        return self.supervisor.spawn(name, argv, env, user=self.user)

    def run_as_user(self, argv, **kwargs):
        """Runs a client of the session (swaymsg, grim) as its user; returns its stdout."""
        env = {**self.desktop_env(), **self.env}
        result = subprocess.run(self.as_user(argv), env=env, capture_output=True, timeout=60, **kwargs)
        if result.returncode != 0:
            raise SessionError(f"{argv[0]} exited with {result.returncode}: {result.stderr.decode(errors='replace')}")
        return result.stdout

    def hand_over(self):
        """Gives the session folder to the session's user, so that it may read and write there
        (what root writes later stays writable for root)."""
        if self.user is None:
            return
        for folder, folders, files in os.walk(self.root):
            for name in [folder, *(os.path.join(folder, n) for n in folders + files)]:
                try:
                    os.lchown(name, *self.user)
                except FileNotFoundError:  # a file the emulator or a client removed meanwhile
                    pass

    # -- starting -------------------------------------------------------------

    def desktop_env(self):
        env = self.base_env()
        home = self.root / "desktop-home"
        home.mkdir(exist_ok=True)
        self.runtime.mkdir(exist_ok=True)
        self.runtime.chmod(0o700)
        env.update(HOME=str(home), XDG_RUNTIME_DIR=str(self.runtime))
        return env

    def start_desktop(self, tray=True):
        """The session bus, sway and, with `tray`, waybar."""
        env = self.desktop_env()
        (self.root / "bus.conf").write_text(BUS_CONFIG.format(runtime=self.runtime))
        (self.root / "sway.conf").write_text(SWAY_CONFIG)
        self.hand_over()

        bus = self.supervisor.spawn("dbus", ["dbus-daemon", f"--config-file={self.root / 'bus.conf'}", "--nofork",
                                             "--print-address=1"], env, user=self.user, stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise SessionError("the session bus did not start: " + (self.root / "dbus.log").read_text())
        self.env["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"] = address

        env.update(WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman",
                   DBUS_SESSION_BUS_ADDRESS=address)
        sway = self.spawn_as_user("sway", ["sway", "--config", str(self.root / "sway.conf")], env)

        def sockets():
            if sway.poll() is not None:
                raise SessionError(f"sway exited with {sway.returncode}: " + (self.root / "sway.log").read_text())
            displays = [p.name for p in self.runtime.glob("wayland-*") if not p.name.endswith(".lock")]
            ipc = list(self.runtime.glob("sway-ipc.*.sock"))
            return displays and ipc and (displays[0], str(ipc[0]))

        self.env["WAYLAND_DISPLAY"], self.env["SWAYSOCK"] = wait_for("sway's sockets", sockets)

        def output():
            try:
                return "HEADLESS-1" in self.swaymsg("get_outputs")
            except SessionError:  # its socket is there before it listens
                return False

        wait_for("sway's output", output)
        if tray:
            self.start_panel()

    def start_panel(self):
        """waybar with its tray module: the StatusNotifier watcher and host."""
        (self.root / "waybar.json").write_text(json.dumps(WAYBAR_CONFIG))
        (self.root / "waybar.css").write_text(WAYBAR_STYLE)
        self.hand_over()
        env = {**self.desktop_env(), **self.env}
        # GTK's accessibility bridge would look for an accessibility bus nobody serves here.
        env["NO_AT_BRIDGE"] = "1"
        self.spawn_as_user("waybar", ["waybar", "--config", str(self.root / "waybar.json"),
                                      "--style", str(self.root / "waybar.css")], env)
        try:
            wait_for("waybar registered as the StatusNotifier host", self.status_notifier_host_registered)
        except SessionError as error:
            raise SessionError(f"{error}; waybar exited with {self.processes['waybar'].poll()}: "
                               + (self.root / "waybar.log").read_text(errors="replace")) from None

    def app_env(self):
        """The application's environment in the session: its own HOME and XDG folders, the
        session's runtime folder, bus and display, Qt on Wayland, and the emulator's CA
        certificate copied where the session's user can read it."""
        env = self.private_env()
        env.update(self.env)
        env["XDG_RUNTIME_DIR"] = str(self.runtime)
        env["QT_QPA_PLATFORM"] = "wayland"
        if "AWS_CA_BUNDLE" in env:
            env["AWS_CA_BUNDLE"] = shutil.copy(env["AWS_CA_BUNDLE"], self.root / "emulator-ca.crt")
        self.hand_over()
        return env

    def start_app(self):
        self.spawn_as_user("orvane", [str(self.orvane)], self.app_env())
        return self.processes["orvane"]

    def click(self, x, y, button=1):
        """A click of the mouse `button` (1 left, 3 right) at (x, y) on the screen, through a
        virtual pointer on sway's seat, made at the first click."""
        if self.pointer is None:
            self.pointer = VirtualPointer(self.runtime / self.env["WAYLAND_DISPLAY"], SIZE)
        self.pointer.click(x, y, button)

    # -- looking --------------------------------------------------------------

    def swaymsg(self, kind):
        return self.run_as_user(["swaymsg", "--raw", "-t", kind]).decode()

    def windows(self):
        """The windows sway shows (its tree's views): each node with an app_id or a title."""
        found = []

        def walk(node):
            if node.get("type") in ("con", "floating_con") and node.get("pid"):
                found.append({k: node.get(k) for k in ("app_id", "name", "pid", "shell")})
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(self.swaymsg("get_tree")))
        return found

    def screenshot(self, path, crop=None):
        """The screen as grim takes it, in PNG; `crop` as "WxH+X+Y"."""
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        argv = ["grim"]
        if crop:
            size, x, y = crop.split("+")
            argv += ["-g", f"{x},{y} {size}"]
        path.write_bytes(self.run_as_user([*argv, "-"]))
        return path

    # -- ending ---------------------------------------------------------------

    def close(self):
        if self.pointer is not None:
            self.pointer.close()
        for name in ("orvane", "waybar", "sway", "dbus"):
            self.stop_process(name)
        if (self.emulator_dir / "pid").exists():
            subprocess.run([str(EMULATOR), "stop", str(self.emulator_dir)],
                           stdout=subprocess.DEVNULL, timeout=60)
        self.supervisor.disarm_guard()
        return self.supervisor.kill_leftovers()
