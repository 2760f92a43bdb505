"""The real orvane on Qt's Wayland platform in a real Wayland panel: sway (headless, no
Xwayland) with waybar, whose tray module is the StatusNotifier watcher and host, against the
EC2 emulator. The item is driven as waybar drives it, over D-Bus.

- Without Qt's Wayland plugin (a copy of the program whose Qt finds only the X11 one), in
  this live Wayland session with no X display, orvane ends with one line that names the
  plugin and the package qt6-wayland.
- The item registers with waybar, and its icon shows at the bar's right end (screenshots by
  grim).
- The exported menu is the menu orvane shows: its header, a line per instance of the
  emulator's listing, the update, profile, region, login and quit entries with their
  shortcuts and marks.
- Names with dbusmenu's and Qt's special characters, an emoji and right-to-left text come
  back from the exported labels exactly, with no access key.
- A left and a right click on the icon, by a pointer on sway's seat, each show a menu (the
  panel's, drawn from the exported one) and open no window of orvane's in sway.
- A region chosen in the exported menu takes effect: the emulator is asked for that region's
  list, and the mark moves there.
- 「終了」 ends orvane with status 0 and its item leaves the watcher.

Usage: /usr/bin/python3 wayland_test.py --orvane PATH --artifacts DIR
"""

import json
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, run_tests, shown_name  # noqa: E402
from desktop import WaylandSession, log, wait_for  # noqa: E402
from desktop.wayland import BAR_HEIGHT, SIZE  # noqa: E402
from status_notifier_test import HostCalls  # noqa: E402

# Instance names a host could garble: dbusmenu's access-key mark and Qt's, markup, an emoji
# and right-to-left text.
NAMES = ["db_main & <cache>", "a__b", "r&d", "🐳 docker-host", "שרת ראשי"]
BAR_COLOUR = "srgb(220,220,220)"  # waybar's background in the session's style (#dcdcdc)
# Qt's X11 platform plugin (libqt6gui6), in the multiarch folder of this machine.
QT_XCB_PLUGIN = next(Path("/usr/lib").glob("*/qt6/plugins/platforms/libqxcb.so"))


def instance_line(name, state):
    dot = {"running": "🟢", "stopped": "⚫️", "pending": "🟡", "stopping": "🟡"}.get(state, "⚪️")
    return f"{dot} {shown_name(name)} — {state}"


class WaylandPanelTest(HostCalls, SessionTestCase):
    session_class = WaylandSession

    # -- the item, as waybar's tray reads it ---------------------------------

    def event(self, node, kind):
        from gi.repository import GLib

        self.call("Event", "(isvu)", (node.id, kind, GLib.Variant("i", 0), int(time.time())))

    def submenu(self, parent, pattern):
        """The submenu `pattern` of `parent` as a host opens it: AboutToShow, then filled."""
        entry = parent.child(pattern)
        self.call("AboutToShow", "(i)", (entry.id,), "(b)")
        self.event(entry, "opened")
        return wait_for(f"the submenu {pattern!r} filled",
                        lambda: (node := self.layout().child(pattern)).children and node, timeout=10)

    def listings(self, region):
        return self.session.proxy_log().count(f"POST https://ec2.{region}.amazonaws.com/")

    def instances(self, region):
        """The emulator's instances in `region`: (name or id, state) each."""
        found = []
        for reservation in self.session.aws("ec2", "describe-instances", "--region", region)["Reservations"]:
            for instance in reservation["Instances"]:
                name = next((t["Value"] for t in instance.get("Tags", []) if t["Key"] == "Name"), "")
                found.append((name or instance["InstanceId"], instance["State"]["Name"]))
        return found

    @staticmethod
    def pixel(path, x, y):
        """The colour of one pixel of an image, as ImageMagick names it ("srgb(r,g,b)")."""
        return subprocess.run(["convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"], capture_output=True,
                              text=True, timeout=60).stdout.strip()

    @staticmethod
    def changed_area(before, after):
        """(x, y, width, height) of the smallest area holding every pixel that differs between
        two screenshots of one size, or None when none does."""
        result = subprocess.run(["convert", before, after, "-compose", "difference", "-composite", "-trim",
                                 "-format", "%w %h %X %Y", "info:"], capture_output=True, text=True, timeout=60)
        width, height, x, y = map(int, result.stdout.split())
        # -trim leaves one pixel of an image with nothing to trim to, and warns.
        return None if "geometry does not contain image" in result.stderr else (x, y, width, height)

    @staticmethod
    def changed_pixels(before, after, crop):
        """How many pixels of the area `crop` ("WxH+X+Y") differ between two screenshots."""
        result = subprocess.run(["compare", "-metric", "AE", f"{before}[{crop}]", f"{after}[{crop}]", "null:"],
                                capture_output=True, text=True, timeout=60)
        return int(float(result.stderr.split()[0]))

    # -- the test -------------------------------------------------------------

    def test_the_item_in_waybar_on_sway(self):
        session = self.session
        artifacts = Path(ARGS.artifacts)
        session.start_emulator(seed=True)
        image = session.image("us-east-1")
        for name in NAMES:
            tags = [{"ResourceType": "instance", "Tags": [{"Key": "Name", "Value": name}]}]
            session.aws("ec2", "run-instances", "--region", "us-east-1", "--image-id", image, "--instance-type",
                        "t3.micro", "--count", "1", "--tag-specifications", json.dumps(tags))
        session.start_desktop(tray=True)
        bar = f"{SIZE[0]}x{BAR_HEIGHT}+0+0"
        empty_bar = session.root / "bar-empty.png"
        wait_for("the bar drawn", lambda: self.pixel(session.screenshot(empty_bar, crop=bar), 5, 5) == BAR_COLOUR)

        with self.subTest("without Qt's Wayland plugin: one line naming the package, status 1"):
            log("without Qt's Wayland plugin: one line naming the package, status 1")
            # Qt reads qt.conf beside the program: its plugins are looked for in a folder that
            # holds the X11 platform plugin only, as on a system without qt6-wayland.
            folder = session.root / "without-wayland"
            (folder / "plugins" / "platforms").mkdir(parents=True)
            (folder / "plugins" / "platforms" / "libqxcb.so").symlink_to(QT_XCB_PLUGIN)
            (folder / "qt.conf").write_text(f"[Paths]\nPlugins={folder / 'plugins'}\n")
            program = shutil.copy2(ARGS.orvane, folder / "orvane")
            env = {k: v for k, v in session.app_env().items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
            result = subprocess.run(session.as_user([program]), env=env, capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 1, result.stderr)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn("「wayland」プラットフォームプラグインがありません", result.stderr)
            self.assertIn("qt6-wayland パッケージをインストール", result.stderr)
            self.assertIn(f"WAYLAND_DISPLAY={session.env['WAYLAND_DISPLAY']}", result.stderr)

        app = session.start_app()
        items = wait_for("orvane's item at waybar's watcher", session.status_notifier_items)
        self.assertEqual(len(items), 1, items)
        self.name = items[0].split("/")[0]
        self.assertEqual((self.item("Id"), self.item("Status")), ("orvane", "Active"))
        self.menu_path = self.item("Menu")
        root = wait_for("the instances listed", lambda: (node := self.layout()) and any(
            c.text == instance_line("web-server", "running") for c in node.children) and node, timeout=60)

        # Where waybar puts the one item: the clicks below aim there should the icon not be found.
        self.icon_center = (SIZE[0] - BAR_HEIGHT // 2, BAR_HEIGHT // 2)
        with self.subTest("the icon shows in the bar"):
            log("the icon shows in the bar")
            # The icon at the right end of the bar, drawn by waybar from the item's pixels.
            shot = artifacts / "wayland-panel.png"
            icon = wait_for("the icon drawn", lambda: self.changed_area(
                empty_bar, session.screenshot(shot, crop=bar)), timeout=15)
            x, y, width, height = icon
            self.assertGreater(x, SIZE[0] - BAR_HEIGHT * 2, icon)
            self.assertTrue(10 <= width <= BAR_HEIGHT and 5 <= height <= BAR_HEIGHT, icon)
            self.assertGreater(self.changed_pixels(empty_bar, shot, bar), 50)
            self.icon_center = (x + width // 2, y + height // 2)

        with self.subTest("the exported menu is the menu orvane shows"):
            log("the exported menu is the menu orvane shows")
            lines = [c.line() for c in root.children]
            self.assertRegex(lines[0][0], r"^Orvane for Mac  v\d+\.\d+\.\d+$")
            listed = {instance_line(name, state) for name, state in self.instances("us-east-1")}
            count = len(listed)
            self.assertEqual(lines[0][1:], (False, False, False))
            self.assertEqual(lines[1], ("---",))
            self.assertEqual({line[0] for line in lines[2:2 + count]}, listed)
            self.assertEqual({line[1:] for line in lines[2:2 + count]}, {(True, False, True)})
            self.assertRegex(lines[3 + count][0], r"^最終更新: ")
            self.assertEqual([lines[2 + count], lines[3 + count][1:], *lines[4 + count:]],
                             [("---",), (False, False, False), ("今すぐ更新", True, False, False), ("---",),
                              ("プロファイル: デフォルト", True, False, True), ("リージョン: デフォルト", True, False, True),
                              ("ログイン時に起動", True, False, False), ("---",), ("終了", True, False, False)])
            shortcuts = {c.text: c.props["shortcut"] for c in root.children if "shortcut" in c.props}
            self.assertEqual(shortcuts, {"今すぐ更新": [["Control", "r"]], "終了": [["Control", "q"]]})
            self.assertEqual(root.child("ログイン時に起動").props.get("toggle-type"), "checkmark")

        with self.subTest("names come back from the exported labels exactly, with no access key"):
            log("names come back from the exported labels exactly, with no access key")
            labels = {c.text: c.props.get("label") for c in root.children}
            for name in NAMES:
                with self.subTest(name=name):
                    line = instance_line(name, "running")
                    self.assertIn(line, labels, sorted(labels))
                    # dbusmenu marks an access key with "_" and shows "__" as one underscore;
                    # the dot is the entry's icon.
                    self.assertEqual(labels[line], line.split(" ", 1)[1].replace("_", "__"))

        for button, kind in ((1, "left"), (3, "right")):
            with self.subTest(f"a {kind} click on the icon shows a menu and no window"):
                log(f"a {kind} click on the icon shows a menu and no window")
                # A real click of a pointer: waybar shows its own menu, drawn from the exported
                # one, for an item that is a menu, and calls the item's Activate otherwise.
                windows = session.windows()
                before = session.screenshot(session.root / "before-click.png")
                session.click(*self.icon_center, button)
                time.sleep(1.5)
                shot = session.screenshot(artifacts / f"wayland-{kind}-click.png")
                opened = [w for w in session.windows() if w not in windows]
                # A click on the desktop, away from any menu, closes the panel's menu.
                session.click(20, SIZE[1] - 20)
                time.sleep(0.5)
                self.assertEqual(opened, [], f"the click opened a window (ItemIsMenu: {self.item('ItemIsMenu')})")
                below_bar = f"{SIZE[0]}x{SIZE[1] - BAR_HEIGHT}+0+{BAR_HEIGHT}"
                self.assertGreater(self.changed_pixels(before, shot, below_bar), 1000, "no menu shown")

        with self.subTest("a region chosen in the exported menu takes effect"):
            log("a region chosen in the exported menu takes effect")
            regions = self.submenu(self.layout(), "リージョン: デフォルト")
            before = self.listings("ap-northeast-1")
            self.event(regions.child("ap-northeast-1"), "clicked")
            wait_for("a listing in ap-northeast-1 at the emulator", lambda: self.listings("ap-northeast-1") > before)
            wait_for("the Tokyo list", lambda: any(c.text == instance_line("tokyo-app", "running")
                                                   for c in self.layout().children), timeout=30)
            self.assertEqual(self.submenu(self.layout(), "リージョン: ap-northeast-1").checked(), ["ap-northeast-1"])

        self.event(self.layout().child("終了"), "clicked")
        self.expect_ended_and_unregistered(app)


if __name__ == "__main__":
    run_tests()
