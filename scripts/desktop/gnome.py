"""GNOME Shell as users have it: the shell headless on Wayland (a virtual monitor) with the
AppIndicator extension, whose watcher and panel icons are the StatusNotifier tray; the
application on Qt's Wayland platform. As sway, the shell runs as the unprivileged user
nobody when run by root, with a private HOME and XDG folders, settings in a keyfile, and
two private buses without service activation: the session bus and an empty stand-in for the
system bus (the shell aborts without one where /run/systemd/seats exists).

Shell 43 has no unsafe mode switch: a one-line extension of the session's own turns it on,
which opens org.gnome.Shell.Eval. Through it the session reads the indicator's actor and its
PopupMenu (labels, ornaments, sizes, what is on the screen) and clicks with a virtual pointer
of the shell's own seat; org.gnome.Shell.Extensions switches the AppIndicator extension.
"""

import json
import os
import subprocess
import time

from .processes import SessionError, log, wait_for
from .session import BUS_CONFIG
from .wayland import WaylandSession

APPINDICATOR = "ubuntu-appindicators@ubuntu.com"
UNSAFE = "orvane-unsafe-mode@test"
SHELL = "org.gnome.Shell"
SIZE = (1280, 800)
# How long an Eval may go unanswered before it is sent again (see GnomeSession.eval).
EVAL_RESEND = 8.0

UNSAFE_EXTENSION = ("function init() { return { enable() { global.context.unsafe_mode = true; }, "
                    "disable() {} }; }\n")

# The indicator of orvane's item (its uniqueId names the item's bus name, which holds its
# PID) and its menu; JavaScript run in the shell, returning JSON.
FIND_INDICATOR = """
const Main = imports.ui.main;
const found = Object.entries(Main.panel.statusArea).filter(
    ([key, actor]) => actor && key.startsWith('appindicator-') && key.includes('-%(pid)d-'));
const indicator = found.length ? found[0][1] : null;
"""

# Every menu item of the open menu, submenus in place: its label, depth, kind, ornament, and
# where it is drawn and how much of it the scroll box that holds it shows.
READ_MENU = FIND_INDICATOR + """
const PopupMenu = imports.ui.popupMenu;
const items = [];
function box(actor) {
    const [x, y] = actor.get_transformed_position();
    const [w, h] = actor.get_transformed_size();
    return [Math.round(x), Math.round(y), Math.round(w), Math.round(h)];
}
function walk(menu, depth, clip) {
    for (const item of menu._getMenuItems()) {
        if (!item.visible) continue;
        const entry = {depth, label: item.label ? item.label.get_text() : '',
                       separator: item instanceof PopupMenu.PopupSeparatorMenuItem,
                       submenu: item instanceof PopupMenu.PopupSubMenuMenuItem,
                       ornament: item._ornament || 0, sensitive: item.reactive,
                       box: box(item), clip};
        items.push(entry);
        if (entry.submenu && item.menu.isOpen) {
            entry.open = true;
            walk(item.menu, depth + 1, box(item.menu.actor));
        }
    }
}
if (indicator) walk(indicator.menu, 0, box(indicator.menu.actor));
JSON.stringify({found: !!indicator, open: !!(indicator && indicator.menu.isOpen),
                icon: indicator && indicator.visible ? box(indicator) : null,
                menu: indicator ? box(indicator.menu.actor) : null,
                screen: [global.screen_width, global.screen_height], items});
"""


class GnomeSession(WaylandSession):
    def __init__(self, orvane, root=None, lang="C.UTF-8", size=SIZE):
        super().__init__(orvane, root, lang)
        self.size = size
        self.evals = 0  # Evals sent so far: each one's number (see eval)

    def desktop_env(self):
        env = super().desktop_env()
        home = self.root / "desktop-home"
        env.update(XDG_CONFIG_HOME=str(home / "config"), XDG_DATA_HOME=str(home / "data"),
                   XDG_CACHE_HOME=str(home / "cache"), GSETTINGS_BACKEND="keyfile", XDG_SESSION_TYPE="wayland",
                   XDG_CURRENT_DESKTOP="GNOME", NO_AT_BRIDGE="1")
        return env

    def write_settings(self, env, extensions):
        settings = os.path.join(env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
        os.makedirs(settings, exist_ok=True)
        listed = ", ".join(f"'{uuid}'" for uuid in extensions)
        with open(os.path.join(settings, "keyfile"), "w") as keyfile:
            keyfile.write(f"[org/gnome/shell]\nenabled-extensions=[{listed}]\ndisable-user-extensions=false\n"
                          "welcome-dialog-last-shown-version='999'\n")
        own = os.path.join(env["XDG_DATA_HOME"], "gnome-shell", "extensions", UNSAFE)
        os.makedirs(own, exist_ok=True)
        with open(os.path.join(own, "metadata.json"), "w") as metadata:
            json.dump({"uuid": UNSAFE, "name": "unsafe mode for tests", "description": "Opens Eval",
                       "shell-version": ["43"]}, metadata)
        with open(os.path.join(own, "extension.js"), "w") as script:
            script.write(UNSAFE_EXTENSION)

    def start_desktop(self, tray=True):
        """The two buses and the shell, its AppIndicator extension enabled with `tray`;
        returns once Eval answers (and, with `tray`, the watcher is there)."""
        env = self.desktop_env()
        self.write_settings(env, [UNSAFE, *([APPINDICATOR] if tray else [])])
        system = self.root / "system-bus"
        system.mkdir(exist_ok=True)
        (self.root / "bus.conf").write_text(BUS_CONFIG.format(runtime=self.runtime))
        (self.root / "system-bus.conf").write_text(
            BUS_CONFIG.format(runtime=system).replace("<type>session</type>", "<type>system</type>"))
        if not os.path.isdir("/tmp/.X11-unix"):  # the shell's Xwayland puts its socket there
            os.makedirs("/tmp/.X11-unix", exist_ok=True)
            os.chmod("/tmp/.X11-unix", 0o1777)
        self.hand_over()

        addresses = []
        for name, config in (("dbus", "bus.conf"), ("system-dbus", "system-bus.conf")):
            bus = self.supervisor.spawn(name, ["dbus-daemon", f"--config-file={self.root / config}", "--nofork",
                                               "--print-address=1"], env, user=self.user, stdout=subprocess.PIPE)
            address = bus.stdout.readline().decode().strip()
            if not address:
                raise SessionError(f"the {name} bus did not start")
            addresses.append(address)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"] = addresses[0]
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = addresses[1]
        env.update(DBUS_SESSION_BUS_ADDRESS=addresses[0], DBUS_SYSTEM_BUS_ADDRESS=addresses[1])
        self.spawn_as_user("gnome-shell", ["gnome-shell", "--wayland", "--headless",
                                           "--virtual-monitor", f"{self.size[0]}x{self.size[1]}"], env)

        def evaluating():
            if self.processes["gnome-shell"].poll() is not None:
                raise SessionError(f"gnome-shell exited with {self.processes['gnome-shell'].returncode}: "
                                   + self.shell_log()[-3000:])
            try:
                return self.eval("1") == 1
            except SessionError:
                return False

        wait_for("the shell's Eval", evaluating, timeout=90)
        displays = [p.name for p in self.runtime.glob("wayland-*") if not p.name.endswith(".lock")]
        self.env["WAYLAND_DISPLAY"] = displays[0]
        if tray:
            self.wait_for_watcher()

    def shell_log(self):
        return (self.root / "gnome-shell.log").read_text(errors="replace")

    def wait_for_watcher(self):
        wait_for("the extension's watcher", lambda: self.status_notifier_host_registered(), timeout=60)

    def app_env(self):
        env = super().app_env()
        env["XDG_CURRENT_DESKTOP"] = "GNOME"
        return env

    # -- the shell ------------------------------------------------------------

    def eval(self, script, timeout=30.0):
        """Runs JavaScript in the shell; returns the value of its last statement (JSON read
        back when it is a string of JSON).

        The shell's JavaScript engine drops a method call that reaches it while a garbage
        collection sweeps (it logs "Attempting to call back into JSAPI during the sweeping
        phase of GC ... handle-method-call"), which then gets no answer at all. So a call
        unanswered for a few seconds is sent again, and each call runs at most once: it
        carries a number, and the shell keeps the value of the last number it ran, which
        a call sent again gets back without running the script twice (a click stays one)."""
        from gi.repository import Gio, GLib

        self.evals += 1
        once = ("(() => { const last = global._orvaneLastEval; "
                f"if (last && last[0] === {self.evals}) return last[1]; "
                f"const value = eval({json.dumps(script)}); "
                f"global._orvaneLastEval = [{self.evals}, value]; return value; }})()")
        deadline = time.monotonic() + timeout
        while True:
            wait = min(EVAL_RESEND, deadline - time.monotonic())
            try:
                ok, result = self.bus_call(SHELL, "/org/gnome/Shell", SHELL, "Eval", GLib.Variant("(s)", (once,)),
                                           "(bs)", timeout=wait)
                break
            except GLib.Error as error:
                if not error.matches(Gio.io_error_quark(), Gio.IOErrorEnum.TIMED_OUT) \
                        or time.monotonic() + 0.1 >= deadline:
                    raise SessionError(f"Eval: {error.message}") from None
                log(f"the shell did not answer an Eval in {wait:.0f} s; sent again")
        if not ok:
            raise SessionError(f"Eval failed: {result}")
        value = json.loads(result) if result else None
        if isinstance(value, str):  # the scripts here hand back JSON.stringify(...)
            try:
                return json.loads(value)
            except json.JSONDecodeError:
                pass
        return value

    def set_extension(self, enabled, uuid=APPINDICATOR):
        from gi.repository import GLib

        method = "EnableExtension" if enabled else "DisableExtension"
        return self.bus_call(SHELL, "/org/gnome/Shell", "org.gnome.Shell.Extensions", method,
                             GLib.Variant("(s)", (uuid,)), "(b)")[0]

    def indicator_menu(self, pid):
        """The indicator of the process `pid` as the shell shows it: {found, open, icon (x, y,
        w, h) or None when not drawn, menu, screen, items}."""
        return self.eval(READ_MENU % {"pid": pid})

    def icon_shown(self, pid):
        """(x, y, w, h) of the panel icon of the process `pid`, or None."""
        try:
            shown = self.eval(FIND_INDICATOR % {"pid": pid} + """
let shown = null;
if (indicator && indicator.visible && indicator.mapped) {
    const [x, y] = indicator.get_transformed_position();
    const [w, h] = indicator.get_transformed_size();
    shown = [x, y, w, h].map(Math.round);
}
JSON.stringify(shown);""")
        except SessionError:
            return None
        return shown if shown and all(isinstance(v, int) for v in shown) and shown[2] > 0 else None

    def window_titles(self):
        """The titles of the windows the shell shows."""
        return self.eval("JSON.stringify(global.get_window_actors().map(a => a.meta_window.get_title()))")

    def drop_item(self, pid):
        """Has the extension drop the item of the process `pid` as when it fails to read it:
        its indicator destroyed, the watcher telling StatusNotifierItemUnregistered."""
        return self.eval(FIND_INDICATOR % {"pid": pid} + "global._orvaneDropped = indicator; "
                         "if (indicator) indicator._indicator.destroy(); JSON.stringify(!!indicator);")

    def icon_back(self, pid):
        """Whether a new icon of the process `pid` shows since drop_item()."""
        return self.eval(FIND_INDICATOR % {"pid": pid} + "JSON.stringify(!!indicator && "
                         "indicator !== global._orvaneDropped && indicator.visible && indicator.mapped);")

    def click(self, x, y, button=1):
        """A real click: a virtual pointer of the shell's seat moves to (x, y) and presses and
        releases `button` (1 left, 3 right)."""
        self.eval("""
const Clutter = imports.gi.Clutter;
if (!global._orvanePointer)
    global._orvanePointer = Clutter.get_default_backend().get_default_seat()
        .create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
const p = global._orvanePointer;
const t = GLib.get_monotonic_time();
p.notify_absolute_motion(t, %d, %d);
p.notify_button(t + 1000, %d, Clutter.ButtonState.PRESSED);
p.notify_button(t + 2000, %d, Clutter.ButtonState.RELEASED);
""".replace("GLib.", "imports.gi.GLib.") % (x, y, button, button))

    def scroll_into_view(self, pid, label):
        """Scrolls the open scroll box that holds the item `label` so that the item shows,
        as the wheel over that box does."""
        return self.eval(FIND_INDICATOR % {"pid": pid} + """
const PopupMenu = imports.ui.popupMenu;
function find(menu) {
    for (const item of menu._getMenuItems()) {
        if (item.label && item.label.get_text() === %s) return [menu, item];
        if (item instanceof PopupMenu.PopupSubMenuMenuItem && item.menu.isOpen) {
            const inner = find(item.menu);
            if (inner) return inner;
        }
    }
    return null;
}
const hit = indicator && find(indicator.menu);
if (hit && hit[0].actor.vscroll) {
    const adjustment = hit[0].actor.vscroll.adjustment;
    const [, y] = hit[1].get_transformed_position();
    const [, top] = hit[0].actor.get_transformed_position();
    adjustment.value = Math.min(adjustment.upper - adjustment.page_size,
        Math.max(0, adjustment.value + (y - top) - adjustment.page_size / 2));
}
!!hit;
""" % json.dumps(label))

    def screenshot(self, path, crop=None):
        """The screen as the shell's Screenshot interface takes it, in PNG."""
        from gi.repository import GLib

        path = os.fspath(path)
        os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
        shot = self.root / "runtime" / "shot.png"
        self.bus_call(SHELL, "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot", "Screenshot",
                      GLib.Variant("(bbs)", (False, False, str(shot))), "(bs)")
        argv = ["convert", str(shot)]
        if crop:
            argv += ["-crop", crop, "+repage"]
        subprocess.run(argv + [path], check=True, timeout=60)
        return path

    # -- ending ---------------------------------------------------------------

    def close(self):
        if "gnome-shell" in self.processes:
            self.stop_process("orvane")
            self.stop_process("gnome-shell", timeout=20)
        for name in ("system-dbus",):
            self.stop_process(name)
        return super().close()
