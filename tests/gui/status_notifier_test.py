"""The real orvane in a StatusNotifier tray (a watcher and gtk-sni-tray under Xvfb), driven
as such hosts drive it: the item found at org.kde.StatusNotifierWatcher, its properties
read, its menu read and clicked over com.canonical.dbusmenu, against the EC2 emulator.

- The item is orvane's, titled "Orvane for Mac", and marked as a menu (ItemIsMenu), so that
  hosts open the menu for a left click too.
- The exported menu is the one the menu widget shows (opened by Activate, a left click in
  hosts that do not honour ItemIsMenu), line by line: labels (dbusmenu's underscore rules
  undone), enabled flags, check marks, submenus; the shortcuts are exported too. No label
  carries an access key, and names holding '_', '&', '<', emoji or right-to-left text show
  exactly as their Name tags hold them, in the host's menu and in orvane's own.
- A refresh that lands while the host's menu is open (opening starts one) changes texts in
  place: the same ids, ItemsPropertiesUpdated, no LayoutUpdated (which closes the open menu
  in some hosts); so does a stop and a start, whose entries are shown or hidden in place.
- A few hundred more instances each have their line there, enabled, with a submenu, and a
  name too long for a line is shortened in the middle in the exported label too.
- The copy Activate opens, closed for a while, is emptied; it opens whole again.
- Opening the menu refreshes it; an instance submenu is filled when it opens.
- Stop (confirmed in the alert), start, a region, a profile, the check marks right after
  each choice, and 「終了」, all through dbusmenu "clicked" events.
- Once the stop and then the start have settled at the emulator, one desktop notification
  each reaches the notification service on the session bus (scripts/desktop/notifications.py).
- The host starts after the application, and the icon goes there.
- The icon's pixels over D-Bus change when an instance starts running, and show the "!"
  badge while the last refresh failed (a profile with no credentials).
- Exclusive choices (profile, region, lock group) are radio items, the login switch a check box.
- The watcher restarts: the item is registered at the new one.

Three tests, each on a desktop of its own and in a process of its own (tests/gui/CMakeLists.txt):
the menu as the host reads it, for a long list; a refresh landing in the open menu; and the
choices made through it.

Usage: /usr/bin/python3 status_notifier_test.py --orvane PATH --artifacts DIR StatusNotifierTest.test_NAME
"""

import json
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, run_tests, shown_name  # noqa: E402
from desktop import log, wait_for, written_lines, written_text  # noqa: E402

ITEM = "org.kde.StatusNotifierItem"
DBUSMENU = "com.canonical.dbusmenu"
# Profiles in the emulator's configuration with no credentials: choosing one fails the
# refresh. Their names carry the characters dbusmenu and Qt menus treat specially.
BROKEN_PROFILES = ["ops_admin", "r&d"]
# Names as Name tags hold them, with what menus treat specially: dbusmenu's access-key
# marker '_', Qt's '&', markup, emoji, right-to-left text.
NAMES = ["db_main & <cache>", "a__b", "_lead", "r&d box", "<b>x</b>", "🚀 rocket", "خادم_الويب", "שרת ראשי"]
# A name too long for a menu line.
LONG_NAME = "long-" + "0123456789" * 29 + "-end"
# How long orvane's closed menus keep what they hold (ReleasingMenu::kKeepClosedWindow), s.
KEEP_CLOSED = 30


def label_text(label):
    """What a dbusmenu host shows for `label`: "__" is one underscore, any other underscore
    only marks the access key and is not shown."""
    return re.sub(r"_(.)?", lambda m: m.group(1) or "", label.replace("__", "\0")).replace("\0", "_")


def icon_dot(data):
    """The state dot an entry's icon-data (a PNG) shows, told by the colour at its centre."""
    from gi.repository import GdkPixbuf, Gio, GLib

    picture = GdkPixbuf.Pixbuf.new_from_stream(Gio.MemoryInputStream.new_from_bytes(GLib.Bytes.new(bytes(data))), None)
    at = picture.get_height() // 2 * picture.get_rowstride() + picture.get_width() // 2 * picture.get_n_channels()
    r, g, b = picture.get_pixels()[at:at + 3]
    if g > r + 40 and g > b + 40:
        return "🟢"
    if max(r, g, b) < 100:
        return "⚫️"
    if r > 180 and g > 150 and b < 120:
        return "🟡"
    if min(r, g, b) > 180:
        return "⚪️"
    return f"?{r},{g},{b}"


class Node:
    """One entry of the exported menu, with the children a host shows (not those hidden). Its
    text is what a host shows: the state dot of its icon, if it has one, and its label."""

    def __init__(self, node):
        self.id, self.props, children = node
        self.children = [Node(child) for child in children if child[1].get("visible", True)]
        self.separator = self.props.get("type") == "separator"
        self.text = "" if self.separator else label_text(self.props.get("label", ""))
        if "icon-data" in self.props:
            self.text = f"{icon_dot(self.props['icon-data'])} {self.text}"

    def line(self):
        """The entry as the menu widget shows it: (text, enabled, check mark, submenu)."""
        if self.separator:
            return ("---",)
        return (self.text, self.props.get("enabled", True), self.props.get("toggle-state") == 1,
                self.props.get("children-display") == "submenu")

    def child(self, pattern):
        found = [c for c in self.children if (pattern(c.text) if callable(pattern) else c.text == pattern)]
        if len(found) != 1:
            raise AssertionError(f"{len(found)} entries {pattern!r} in {[c.text for c in self.children]}")
        return found[0]

    def checked(self):
        return [c.text for c in self.children if c.props.get("toggle-state") == 1]


def widget_line(entry):
    """An entry of the menu widget read on the accessibility bus, as Node.line() has it."""
    if entry.separator:
        return ("---",)
    return (entry.name, entry.enabled, entry.checked, entry.has_submenu)


def without_dot(line):
    """An exported line as the menu widget reads on the accessibility bus: there the state
    dot before an instance's name is the line's icon, not part of its name."""
    for dot in ("🟢 ", "⚫️ ", "🟡 ", "⚪️ "):
        if line[0].startswith(dot):
            return (line[0][len(dot):],) + line[1:]
    return line


def line_of(name, state):
    return lambda text: text.endswith(f" {name} — {state}")


class HostCalls:
    """What a StatusNotifier host asks of the item at `self.name` and of its menu at
    `self.menu_path`, for test cases with a `session`."""

    def item(self, prop):
        return self.session.bus_property(self.name, "/StatusNotifierItem", ITEM, prop)

    def call(self, method, signature, args, reply=None):
        from gi.repository import GLib

        return self.session.bus_call(self.name, self.menu_path, DBUSMENU, method, GLib.Variant(signature, args), reply)

    def layout(self):
        return Node(self.call("GetLayout", "(iias)", (0, -1, []), "(u(ia{sv}av))")[1])

    def expect_ended_and_unregistered(self, app):
        """After 「終了」: orvane ends with status 0 and its item leaves the watcher."""
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
        self.assertEqual(app.returncode, 0, self.session.app_log.read_text())
        wait_for("the item gone from the watcher", lambda: self.session.status_notifier_items() == [])


class StatusNotifierTest(HostCalls, SessionTestCase):
    # -- the item and its menu, as a host reads them -------------------------

    def open(self, *path):
        """Opens the menu and the submenus along `path` as a host does (AboutToShow before
        each is shown, "opened" after) and returns the last one, filled."""
        from gi.repository import GLib

        self.call("AboutToShow", "(i)", (0,), "(b)")
        self.call("Event", "(isvu)", (0, "opened", GLib.Variant("i", 0), int(time.time())))
        # Read as a person reads it: once the refresh that opening starts has landed (its aws
        # call has come and gone). A profile or region chosen while it runs is not refreshed
        # for: its list would come with the next timed refresh only.
        wait_for("the refresh the opening starts", self.calling_aws, timeout=10, interval=0.05)
        wait_for("that refresh to land", lambda: not self.calling_aws(), timeout=60, interval=0.05)
        node = self.layout()
        ids = []
        for pattern in path:
            ids.append(node.child(pattern).id)
            self.call("AboutToShow", "(i)", (ids[-1],), "(b)")
            node = wait_for(f"the submenu {pattern!r} filled",
                            lambda: (shown := self.find(ids)).children and shown, timeout=10)
            self.call("Event", "(isvu)", (ids[-1], "opened", GLib.Variant("i", 0), int(time.time())))
        return node

    def find(self, ids):
        node = self.layout()
        for id_ in ids:
            node = next(c for c in node.children if c.id == id_)
        return node

    def click(self, *path):
        from gi.repository import GLib

        node = self.open(*path[:-1]).child(path[-1])
        log(f"click: {' > '.join(p if isinstance(p, str) else '…' for p in path)}")
        self.call("Event", "(isvu)", (node.id, "clicked", GLib.Variant("i", 0), int(time.time())))

    def wait_menu(self, what, check, timeout=60):
        return wait_for(what, lambda: check(self.layout()), timeout=timeout)

    def calling_aws(self):
        return self.session.calling_aws(self.app)

    def posts(self):
        """The calls the emulator has answered (the proxy logs each, in ANSI colours)."""
        return self.session.proxy_log().count("POST https://")

    def state(self, name):
        for reservation in self.session.aws("ec2", "describe-instances", "--region", "us-east-1")["Reservations"]:
            for instance in reservation["Instances"]:
                if {"Key": "Name", "Value": name} in instance.get("Tags", []):
                    return instance["State"]["Name"], instance["InstanceId"]
        raise AssertionError(f"no instance {name}")

    @staticmethod
    def badge_pixels(pixmaps):
        """The pixels of the 22-pixel icon in the red of the "!" badge (ARGB, big-endian)."""
        width, height, data = next(p for p in pixmaps if p[0] == 22)
        return sum(1 for i in range(0, width * height * 4, 4)
                   if data[i] > 128 and data[i + 1] > 0xb0 and data[i + 2] < 0x60 and data[i + 3] < 0x60)

    # -- the test -------------------------------------------------------------

    def start(self, long_list):
        """The emulator, its profiles that fail, the application, then the StatusNotifier host,
        and the notification service; with `long_list`, 300 more instances, one with a long
        name and the names table. Returns the exported menu once it lists web-server."""
        session = self.session
        session.start_emulator(seed=True)
        config = session.emulator_dir / "aws" / "config"
        config.write_text(config.read_text() + "".join(f"\n[profile {p}]\nregion = us-east-1\n"
                                                       for p in BROKEN_PROFILES))
        # The unnamed running instance stops, so that web-server alone decides the icon.
        unnamed = [i["InstanceId"] for r in session.aws("ec2", "describe-instances", "--region", "us-east-1")[
            "Reservations"] for i in r["Instances"] if not i.get("Tags")]
        session.aws("ec2", "stop-instances", "--region", "us-east-1", "--instance-ids", *unnamed)
        bulk, stopped = [], set()
        if long_list:
            # A long list, as in the XEmbed tray's test: 300 more unnamed instances, a third of
            # them stopped, and one whose name is too long for a line.
            image = session.image("us-east-1")
            bulk = session.aws("ec2", "run-instances", "--region", "us-east-1", "--image-id", image,
                               "--instance-type", "t3.micro", "--count", "300")["Instances"]
            stopped = {instance["InstanceId"] for instance in bulk[::3]}
            session.aws("ec2", "stop-instances", "--region", "us-east-1", "--instance-ids", *sorted(stopped))
            session.aws("ec2", "run-instances", "--region", "us-east-1", "--image-id", image,
                        "--instance-type", "t3.micro", "--count", "1", "--tag-specifications",
                        f"ResourceType=instance,Tags=[{{Key=Name,Value={LONG_NAME}}}]")
            # The names table, stopped, so that web-server alone decides the icon.
            named = session.aws("ec2", "run-instances", "--region", "us-east-1", "--image-id", image,
                                "--instance-type", "t3.micro", "--count", "1", "--tag-specifications", json.dumps(
                                    [{"ResourceType": "instance", "Tags": [{"Key": "Name", "Value": NAMES[0]}]}]),
                                "--query", "Instances[0].InstanceId")
            for name in NAMES[1:]:
                named += " " + session.aws(
                    "ec2", "run-instances", "--region", "us-east-1", "--image-id", image, "--instance-type", "t3.micro",
                    "--count", "1", "--tag-specifications",
                    json.dumps([{"ResourceType": "instance", "Tags": [{"Key": "Name", "Value": name}]}]),
                    "--query", "Instances[0].InstanceId")
            session.aws("ec2", "stop-instances", "--region", "us-east-1", "--instance-ids", *named.split())
        session.start_desktop(tray=False)
        self.notified = notified = session.root / "notifications.jsonl"
        session.start_notification_service(notified)
        # The host comes after the application, as a panel or an extension switched on
        # later does: the icon goes there all the same.
        self.app = session.start_app()
        wait_for("the no-tray message", lambda: "システムトレイが見つかりません" in written_text(session.app_log))
        session.start_status_notifier_host()

        items = wait_for("orvane's item at the watcher", session.status_notifier_items)
        self.assertEqual(len(items), 1, items)
        self.name = items[0].split("/")[0]
        self.assertEqual((self.item("Id"), self.item("Status")), ("orvane", "Active"))
        with self.subTest("the item is titled and marked as a menu"):
            # Hosts that honour ItemIsMenu open the menu for a left click too (and place it
            # at the panel, which a Wayland client cannot do with a menu of its own).
            self.assertEqual((self.item("Title"), self.item("ItemIsMenu")), ("Orvane for Mac", True))
        self.assertEqual(self.item("ToolTip")[2], "Orvane for Mac")
        self.menu_path = self.item("Menu")
        self.bulk, self.stopped = bulk, stopped
        return self.wait_menu("the instances listed", lambda n: n if any(
            line_of("web-server", "running")(c.text) for c in n.children) else None)

    def test_the_menu_as_the_host_reads_it(self):
        """The menu exported for a long list, as the host reads it beside the widget's copy."""
        session = self.session
        root = self.start(long_list=True)
        bulk, stopped, long_name = self.bulk, self.stopped, LONG_NAME

        with self.subTest("the exported menu is the menu the widget shows, opened by Activate"):
            log("the exported menu is the menu the widget shows, opened by Activate")
            self.assertEqual(root.children[0].line(), (root.children[0].text, False, False, False))
            self.assertRegex(root.children[0].text, r"^Orvane for Mac  v\d+\.\d+\.\d+$")
            lines = {c.text: c.line() for c in root.children}
            for instance in bulk:
                state = "stopped" if instance["InstanceId"] in stopped else "running"
                text = f"{'⚫️' if state == 'stopped' else '🟢'} {instance['InstanceId']} — {state}"
                self.assertEqual(lines.get(text), (text, True, False, True))
            shortened = [text for text in lines if text.startswith("🟢 long-0123")]
            self.assertEqual(len(shortened), 1, shortened)
            self.assertRegex(shortened[0], r"^🟢 long-[0-9]+…[0-9]+-end — running$")
            self.assertLess(len(shortened[0]), len(long_name))

            def same():
                from gi.repository import GLib

                session.bus_call(self.name, "/StatusNotifierItem", ITEM, "Activate", GLib.Variant("(ii)", (600, 10)))
                menu = self.copy = session.focused_menu()
                if menu is None:
                    return None
                try:
                    shown = [widget_line(e) for e in session.entries(menu)]
                except Exception:  # a line replaced by the refresh the opening started
                    return None
                finally:
                    session.xdotool("key", "Escape")
                    self.closed = time.monotonic()
                exported = [without_dot(c.line()) for c in self.layout().children]
                self.lines = (exported, shown)
                return exported == shown and len(shown) > 10

            try:
                wait_for("the exported menu to equal the menu shown", same, timeout=40, interval=1)
            except Exception:
                self.assertEqual(*self.lines)
                raise
            # Every name shows exactly as its tag holds it, in both menus; no label of the
            # host's menu, at any depth, has an access key ("__" is an underscore, "_" would mark one).
            exported = self.layout()
            labels = {c.text: c.props["label"] for c in exported.children if "label" in c.props}
            for name in NAMES:
                # The dot is the entry's icon, not part of its label.
                self.assertEqual(labels.get(f"⚫️ {shown_name(name)} — stopped"),
                                 f"{shown_name(name).replace('_', '__')} — stopped", name)
                self.assertIn((f"{shown_name(name)} — stopped", True, False, True), self.lines[1], name)

            def all_labels(node):
                return [node.props.get("label", "")] + [text for c in node.children for text in all_labels(c)]

            marked = [label for label in all_labels(exported) if "_" in label.replace("__", "")]
            self.assertEqual(marked, [])
            shortcuts = {c.text: c.props["shortcut"] for c in root.children if "shortcut" in c.props}
            self.assertEqual(shortcuts, {"今すぐ更新": [["Control", "r"]], "終了": [["Control", "q"]]})
            toggles = {c.text: c.props["toggle-type"] for c in root.children if "toggle-type" in c.props}
            self.assertEqual(toggles, {"ログイン時に起動": "checkmark"})
            # Closed, the copy keeps its lines for a while (it may open again soon).
            self.assertEqual(self.copy.childCount, len(self.lines[1]))
            # The long list takes a while to come: the refresh the last opening started has
            # landed before the next opening, which would start none while it runs.
            wait_for("the refresh the opening started to land", lambda: not self.calling_aws(), timeout=60)

        with self.subTest("the copy Activate opens, closed for a while, is emptied and opens whole again"):
            log("the copy Activate opens, closed for a while, is emptied and opens whole again")
            time.sleep(max(0.0, self.closed + KEEP_CLOSED + 1 - time.monotonic()))
            wait_for("the copy emptied", lambda: self.copy.childCount == 0, timeout=5)
            wait_for("the exported menu to equal the menu shown", same, timeout=40, interval=1)

        self.click("終了")
        self.expect_ended_and_unregistered(self.app)

    def test_a_refresh_landing_in_the_open_menu(self):
        """The host's menu open while a refresh lands, and a submenu filled when it opens."""
        session = self.session
        self.start(long_list=False)

        with self.subTest("a refresh that lands in the open menu changes texts in place"):
            log("a refresh that lands in the open menu changes texts in place")
            from gi.repository import Gio, GLib

            def ids(node):
                return (node.id, [ids(c) for c in node.children])

            def pump():
                context = GLib.MainContext.default()
                while context.pending():
                    context.iteration(False)

            def updated_line(node):
                return node.child(lambda t: t.startswith("最終更新: "))

            signals = []
            bus = session.bus()
            subscription = bus.signal_subscribe(None, DBUSMENU, None, self.menu_path, None,
                                                Gio.DBusSignalFlags.NONE,
                                                lambda *args: signals.append((args[4], args[5].unpack())))
            try:
                wait_for("no refresh under way", lambda: not self.calling_aws(), timeout=60)
                time.sleep(1.1)  # so that the next refresh shows another last-update time
                before = self.layout()
                pump()
                signals.clear()
                self.open()
                after = wait_for("the new last-update time", lambda: (
                    node := self.layout()).children and updated_line(node).text != updated_line(before).text and node)
                time.sleep(0.5)
                pump()
            finally:
                bus.signal_unsubscribe(subscription)
            self.assertEqual(ids(after), ids(before))
            self.assertEqual([name for name, _ in signals if name == "LayoutUpdated"], [])
            updated = {id_ for name, (props, _) in signals if name == "ItemsPropertiesUpdated" for id_, _ in props}
            self.assertIn(updated_line(after).id, updated)

        with self.subTest("opening the menu refreshes it; an instance submenu is filled when it opens"):
            log("opening the menu refreshes it; an instance submenu is filled when it opens")
            before = self.posts()
            submenu = self.open(line_of("web-server", "running"))
            wait_for("a refresh after the menu opened", lambda: self.posts() > before)
            _, web_id = self.state("web-server")
            web = session.aws("ec2", "describe-instances", "--region", "us-east-1",
                              "--instance-ids", web_id)["Reservations"][0]["Instances"][0]
            # The ssh entries come once ssh's configuration is read (checked in actions_test.py).
            lines = [c.line() for c in submenu.children if not c.line()[0].startswith("SSH ")]
            # How long it has been running, after the id line.
            self.assertRegex(lines[1][0], r"^起動から [0-9]+ 分$")
            self.assertEqual(lines[1][1:], (False, False, False))
            self.assertEqual(lines[:1] + lines[2:],
                             [(f"{web_id}  t3.micro", False, False, False), ("---",), ("起動", False, False, False),
                              ("停止", True, False, False), ("停止を予約", True, False, True), ("---",),
                              ("起動時に SG を自分の IP 専用にする: しない", True, False, True),
                              ("お気に入りに追加", True, False, False), ("---",), ("ID をコピー", True, False, False),
                              (f"パブリック IP をコピー（{web['PublicIpAddress']}）", True, False, False),
                              (f"プライベート IP をコピー（{web['PrivateIpAddress']}）", True, False, False)])
            lock = self.open(line_of("web-server", "running"), "起動時に SG を自分の IP 専用にする: しない")
            self.assertEqual(lock.checked(), ["しない"])
            self.assertEqual({c.props.get("toggle-type") for c in lock.children if not c.separator}, {"radio"})

        self.click("終了")
        self.expect_ended_and_unregistered(self.app)

    def test_choices_through_the_host(self):
        """Stop and start, notifications, profiles, a region and a restarting watcher, all
        through dbusmenu events."""
        session = self.session
        self.start(long_list=False)
        app, notified = self.app, self.notified
        _, web_id = self.state("web-server")

        with self.subTest("stop (confirmed), then start: the icon lights up when one runs"):
            log("stop (confirmed), then start: the icon lights up when one runs")
            from gi.repository import Gio, GLib

            # The entries that come and go with the state are shown and hidden in place: no
            # LayoutUpdated, on which some hosts build every submenu anew (closing an open one).
            layouts = []
            bus = session.bus()
            subscription = bus.signal_subscribe(None, DBUSMENU, "LayoutUpdated", self.menu_path, None,
                                                Gio.DBusSignalFlags.NONE, lambda *args: layouts.append(args[5]))
            try:
                running_icon = self.item("IconPixmap")
                self.click(line_of("web-server", "running"), "停止")
                alert = session.alert()
                self.assertEqual(alert.title, "web-server を停止しますか？")
                session.answer(alert, "停止")
                wait_for("web-server stopped at the emulator", lambda: self.state("web-server")[0] == "stopped")
                stopped = self.wait_menu("web-server shown stopped", lambda n: next((
                    c for c in n.children if line_of("web-server", "stopped")(c.text)), None))
                self.assertNotIn("停止を予約", [c.text for c in stopped.children])
                stopped_icon = wait_for("the icon of none running", lambda: (
                    icon := self.item("IconPixmap")) != running_icon and icon)
                self.click(line_of("web-server", "stopped"), "起動")
                wait_for("web-server running at the emulator", lambda: self.state("web-server")[0] == "running")
                wait_for("the icon of one running", lambda: self.item("IconPixmap") == running_icon)
                self.wait_menu("web-server's booking entry shown", lambda n: any(
                    line_of("web-server", "running")(c.text) and "停止を予約" in [e.text for e in c.children]
                    for c in n.children))
                context = GLib.MainContext.default()
                while context.pending():
                    context.iteration(False)
            finally:
                bus.signal_unsubscribe(subscription)
            self.assertEqual(layouts, [])
            self.assertNotEqual(stopped_icon, running_icon)
            self.assertEqual(self.badge_pixels(running_icon), 0)

        with self.subTest("one notification when the stop and one when the start has settled"):
            log("one notification when the stop and one when the start has settled")
            sent = wait_for("two notifications", lambda: len(
                lines := written_lines(notified)) >= 2 and [json.loads(line) for line in lines])
            address = session.aws("ec2", "describe-instances", "--region", "us-east-1", "--instance-ids", web_id)[
                "Reservations"][0]["Instances"][0].get("PublicIpAddress")
            call = {"app_name": "Orvane for Mac", "replaces_id": 0, "app_icon": "orvane", "actions": [], "hints": {},
                    "expire_timeout": -1}
            self.assertEqual(sent, [{**call, "summary": "web-server が停止しました", "body": ""},
                                    {**call, "summary": "web-server が起動しました",
                                     "body": f"パブリック IP: {address}" if address else ""}])

        with self.subTest("a profile that fails: error lines and the badge, then the default again"):
            log("a profile that fails: error lines and the badge, then the default again")
            for profile in BROKEN_PROFILES:
                self.click(lambda t: t.startswith("プロファイル: "), profile)
                root = self.wait_menu(f"the error lines of {profile}", lambda n: n if any(
                    c.text.startswith("⚠️ ") for c in n.children) and f"プロファイル: {profile}" in [
                    c.text for c in n.children] else None)
                self.assertEqual(self.open(f"プロファイル: {profile}").checked(), [profile])
                icon = wait_for("the badge in the icon", lambda: self.badge_pixels(self.item("IconPixmap")) > 10 and
                                self.item("IconPixmap"))
            session.screenshot(Path(ARGS.artifacts) / "status-notifier-error.png", crop="1024x40+0+0")
            self.assertEqual(root.child("　エラーの詳細…").line(), ("　エラーの詳細…", True, False, False))
            self.assertGreater(self.badge_pixels(icon), 10)

            self.click("プロファイル: r&d", "デフォルト")
            self.wait_menu("the list again", lambda n: any(line_of("web-server", "running")(c.text)
                                                           for c in n.children))
            profiles = self.open("プロファイル: デフォルト")
            self.assertEqual(profiles.checked(), ["デフォルト"])
            self.assertEqual([c.text for c in profiles.children], ["デフォルト", "default", "staging", *BROKEN_PROFILES])
            # Exclusive choices look like choices.
            self.assertEqual({c.props.get("toggle-type") for c in profiles.children}, {"radio"})
            wait_for("the icon without the badge", lambda: self.item("IconPixmap") == running_icon)
            # Choosing the profile already chosen keeps its mark.
            before = self.posts()
            self.click("プロファイル: デフォルト", "デフォルト")
            wait_for("the refresh the choice starts", lambda: self.posts() > before)
            self.wait_menu("the list again", lambda n: any(line_of("web-server", "running")(c.text)
                                                           for c in n.children))
            self.assertEqual(self.open("プロファイル: デフォルト").checked(), ["デフォルト"])

        with self.subTest("a region: the list and the marks change"):
            log("a region: the list and the marks change")
            self.click("リージョン: デフォルト", "ap-northeast-1")
            self.wait_menu("the Tokyo list", lambda n: any(line_of("tokyo-app", "running")(c.text)
                                                           for c in n.children))
            regions = self.open("リージョン: ap-northeast-1")
            self.assertEqual(regions.checked(), ["ap-northeast-1"])
            # The regions are choices; the last entry, which checks the other regions, is not.
            entries = [c for c in regions.children if not c.separator]
            self.assertEqual({c.props.get("toggle-type") for c in entries[:-1]}, {"radio"})
            self.assertEqual((entries[-1].text, entries[-1].props.get("toggle-type")), ("ほかのリージョンを確認", None))
            self.assertIn("region=ap-northeast-1",
                          (session.root / "xdg" / "config" / "orvane" / "orvane.conf").read_text())
            session.screenshot(Path(ARGS.artifacts) / "status-notifier-panel.png", crop="1024x40+0+0")

        with self.subTest("the watcher restarts: the item is registered at the new one"):
            log("the watcher restarts: the item is registered at the new one")
            session.restart_status_notifier_watcher()

            items = wait_for("orvane's item at the new watcher", session.status_notifier_items, timeout=15)
            self.assertEqual([item.split("/")[0] for item in items], [self.name])

        # The refreshes since (each menu opened) have told nothing again.
        self.assertEqual(len(notified.read_text().splitlines()), 2)
        self.click("終了")
        self.expect_ended_and_unregistered(app)


if __name__ == "__main__":
    run_tests()
