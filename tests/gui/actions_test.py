"""Every menu action of the real orvane, driven as a person would (the menu opened with a
click on the tray icon, entries and dialog buttons clicked with the mouse), checked at the
emulator, in the settings file and in the autostart folder: copying, launch at login, stop
and start, locking a group, the region with the sweep of the other regions (read in the
region menu, and quitting while one runs), and a stop booked, kept over a restart (its time
moved in the settings file meanwhile) and carried out when due. Each test starts a desktop
of its own, and runs in a process of its own (the accessibility bindings stay on the first
session's bus): tests/gui/CMakeLists.txt runs each as a test of its own, side by side.

The binary runs from a folder whose name needs quoting in a desktop entry, so the login
item's Exec= line is proven on a real path.

Usage: /usr/bin/python3 actions_test.py --orvane PATH --artifacts DIR ActionsTest.test_NAME
"""

import json
import shutil
import subprocess
import sys
from datetime import datetime, timedelta, timezone
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, run_tests  # noqa: E402
from desktop import SessionError, log, wait_for, written_lines  # noqa: E402
from settings_file import read_map, write_map  # noqa: E402

LOGIN = "ログイン時に起動"
LOCK = "起動時に SG を自分の IP 専用にする: "


def line_of(name, state=None):
    """A predicate for the instance line of `name` (in `state`, when given)."""
    return lambda title: f" {name} — " in f" {title}" and (state is None or title.endswith(f" — {state}"))


class ActionsTest(SessionTestCase):
    def instance(self, name, region="us-east-1"):
        reservations = self.session.aws("ec2", "describe-instances", "--region", region)["Reservations"]
        for reservation in reservations:
            for instance in reservation["Instances"]:
                tags = {tag["Key"]: tag["Value"] for tag in instance.get("Tags", [])}
                if tags.get("Name") == name:
                    return instance
        raise AssertionError(f"no instance {name} at the emulator")

    def rules(self, group_id):
        groups = self.session.aws("ec2", "describe-security-groups", "--region", "us-east-1", "--group-ids", group_id)
        return groups["SecurityGroups"][0]["IpPermissions"]

    def wait_state(self, name, state):
        wait_for(f"{name} to be {state} at the emulator", lambda: self.instance(name)["State"]["Name"] == state)

    def selection(self, name):
        """The text of the X selection `name` (clipboard or primary), as a pasting program gets it."""
        result = subprocess.run(["xclip", "-o", "-selection", name], capture_output=True, text=True, timeout=15,
                                env={**self.session.base_env(), "DISPLAY": self.session.display})
        return result.stdout if result.returncode == 0 else None

    def wait_menu(self, predicate):
        self.session.read_menu(until=lambda entries: predicate([e.name for e in entries]))
        self.session.xdotool("key", "Escape")

    def start(self, notifications=None):
        """The emulator (seeded), trayer, the notification service recording to the file
        `notifications` when given, and the app, run from a folder whose name needs quoting;
        returns the app once the menu lists web-server running."""
        session = self.session
        # A folder name with a space, parentheses and a dollar sign: Exec= must quote it.
        folder = session.root / "Orvane Apps (test) $1"
        folder.mkdir(parents=True)
        session.orvane = Path(shutil.copy2(ARGS.orvane, folder / "orvane"))

        session.start_emulator(seed=True)
        session.start_desktop(tray=True)
        if notifications:
            session.start_notification_service(notifications)
        app = session.start_app()
        wait_for("the icon in the tray", session.tray_icon)
        self.wait_menu(lambda names: any(line_of("web-server", "running")(n) for n in names))
        return app

    @property
    def config(self):
        return self.session.root / "xdg" / "config"

    def web(self):
        """web-server at the emulator: the instance, its id and the id of its group "web"."""
        web = self.instance("web-server")
        return web, web["InstanceId"], next(g for g in web["SecurityGroups"] if g["GroupName"] == "web")["GroupId"]

    def test_copy(self):
        """The id and each address put on the clipboard and the primary selection."""
        session = self.session
        self.start()
        web, web_id, _ = self.web()

        log("copy: the ssh command, the id and each address, on the clipboard and the primary selection")
        public, private = web["PublicIpAddress"], web["PrivateIpAddress"]
        # No ssh configuration in the session's home: the public name, as the Amazon Linux
        # image's user. Nothing is connected to.
        entries = [("SSH コマンドをコピー", f"ssh ec2-user@{web['PublicDnsName']}"), ("ID をコピー", web_id),
                   (f"パブリック IP をコピー（{public}）", public), (f"プライベート IP をコピー（{private}）", private)]
        # The ssh entries come once ssh's configuration and the image's name are read.
        shown = []

        def ssh_entries_shown():
            shown[:] = session.peek(line_of("web-server", "running"))
            return "SSH コマンドをコピー" in [e.name for e in shown]
        wait_for("the ssh entries", ssh_entries_shown, timeout=30)
        self.assertTrue(shown[-6].separator, shown)
        self.assertEqual([e.name for e in shown[-5:]], ["SSH で接続"] + [title for title, _ in entries], shown)
        for title, text in entries:
            session.choose(line_of("web-server", "running"), title)
            for name in ("clipboard", "primary"):
                wait_for(f"{text} in the {name} selection", lambda: self.selection(name) == text, timeout=10)
            # The menu reopened right after a choice in a submenu can come up with that submenu
            # focused; the other steps reach the top level through wait_menu too.
            self.wait_menu(lambda names: any(line_of("web-server", "running")(n) for n in names))
        # A stopped instance has no public address, so no entry for one.
        stopped = self.instance("batch-worker")
        self.assertFalse(stopped.get("PublicIpAddress"), stopped)
        names = [e.name for e in session.peek(line_of("batch-worker", "stopped"))]
        self.assertEqual(names[-2:], ["ID をコピー", f"プライベート IP をコピー（{stopped['PrivateIpAddress']}）"],
                         names)

    def test_launch_at_login(self):
        """The autostart entry written for the quoted path, and removed."""
        session = self.session
        self.start()
        config = self.config

        log("launch at login: the autostart entry appears and goes")
        entry = config / "autostart" / "orvane.desktop"
        session.choose(LOGIN)
        wait_for("the autostart entry", entry.exists)
        self.assertEqual(self.exec_argv(entry), [str(session.orvane)])
        menu = session.open_menu()
        self.assertTrue(next(e for e in session.entries(menu) if e.name == LOGIN).checked)
        session.xdotool("key", "Escape")
        session.choose(LOGIN)
        wait_for("the autostart entry to go", lambda: not entry.exists())
        self.assertEqual(list(entry.parent.iterdir()), [])

    def test_stop_and_start(self):
        """A stop asked first (cancelled, then confirmed), then a start."""
        session = self.session
        self.start()
        _, web_id, _ = self.web()

        with self.subTest("stop: キャンセル runs nothing, 停止 stops"):
            log("stop: キャンセル runs nothing, 停止 stops")
            session.choose(line_of("web-server", "running"), "停止")
            alert = session.alert()
            self.assertEqual(alert.title, "web-server を停止しますか？")
            self.assertEqual(alert.texts, ["web-server を停止しますか？", web_id])
            self.assertEqual(list(alert.buttons), ["停止", "キャンセル"])
            session.answer(alert, "キャンセル")
            self.assertEqual(self.instance("web-server")["State"]["Name"], "running")

            session.choose(line_of("web-server", "running"), "停止")
            session.answer(session.alert(), "停止")
            self.wait_state("web-server", "stopped")

        with self.subTest("start again"):
            log("start again")
            self.wait_menu(lambda names: any(line_of("web-server", "stopped")(n) for n in names))
            session.choose(line_of("web-server", "stopped"), "起動")
            self.wait_state("web-server", "running")
            self.assertEqual(session.alerts(), [])

    def test_lock_group(self):
        """A lock group chosen (asked first), stored, and a start whose address lookup fails."""
        session = self.session
        self.start()
        _, _, web_group = self.web()
        config = self.config

        log("lock a group: confirmed, stored, and a start that cannot look up the address")
        rules_before = self.rules(web_group)
        group_title = f"web ({web_group})"
        self.wait_menu(lambda names: any(line_of("web-server", "running")(n) for n in names))
        # Cancelled, the choice leaves the marks as they were.
        session.choose(line_of("web-server", "running"), lambda t: t.startswith(LOCK), group_title)
        session.answer(session.alert(), "キャンセル")
        lock_menu = session.peek(line_of("web-server", "running"), lambda t: t.startswith(LOCK))
        self.assertEqual([e.name for e in lock_menu if e.checked], ["しない"], lock_menu)
        session.choose(line_of("web-server", "running"), lambda t: t.startswith(LOCK), group_title)
        alert = session.alert()
        self.assertEqual(alert.title, f"{web_group} のインバウンドルールを起動のたびに書き換えますか？")
        self.assertEqual(list(alert.buttons), ["有効にする", "キャンセル"])
        session.answer(alert, "有効にする")
        lock_line = next(e for e in session.peek(line_of("web-server", "running")) if e.name.startswith(LOCK))
        self.assertEqual(lock_line.name, LOCK + group_title)
        self.assertIn("[ingressLockGroups]", (config / "orvane" / "orvane.conf").read_text())

        session.choose(line_of("web-server", "running"), "停止")
        session.answer(session.alert(), "停止")
        self.wait_state("web-server", "stopped")
        self.wait_menu(lambda names: any(line_of("web-server", "stopped")(n) for n in names))
        session.choose(line_of("web-server", "stopped"), "起動")
        # No network here: the address lookup fails, so no rule changes and no start.
        alert = session.alert(timeout=60)
        self.assertEqual(alert.title, "操作に失敗しました")
        self.assertTrue(any("ネットワーク接続を確認してください" in t and "詳細:" in t for t in alert.texts),
                        alert.texts)
        self.assertEqual(list(alert.buttons), ["OK"])
        session.screenshot(Path(ARGS.artifacts) / "lookup-failure-alert.png")
        session.answer(alert, "OK")
        self.assertEqual(self.rules(web_group), rules_before)
        self.assertEqual(self.instance("web-server")["State"]["Name"], "stopped")

    def test_region_and_sweep(self):
        """Another region chosen, the other regions counted, and quitting while they are."""
        session = self.session
        app = self.start()
        config = self.config

        with self.subTest("switch the region: the list changes"):
            log("switch the region: the list changes")
            session.choose(lambda t: t.startswith("リージョン: "), "ap-northeast-1")
            self.wait_menu(lambda names: any(line_of("tokyo-app")(n) for n in names)
                           and not any(line_of("web-server")(n) for n in names))
            settings = (config / "orvane" / "orvane.conf").read_text()
            self.assertIn("region=ap-northeast-1", settings)

        with self.subTest("every region at a glance: the other regions counted in the region menu"):
            log("every region at a glance: the other regions counted in the region menu")
            image = session.image("eu-west-1")
            session.aws("ec2", "run-instances", "--region", "eu-west-1", "--image-id", image,
                        "--instance-type", "t3.micro", "--count", "2")
            virginia = session.aws("ec2", "describe-instances", "--region", "us-east-1", "--filters",
                                   "Name=instance-state-name,Values=running,pending",
                                   "--query", "length(Reservations[].Instances[])")
            self.assertGreater(virginia, 0)
            region_menu = lambda t: t.startswith("リージョン: ")  # noqa: E731
            calls = session.proxy_log().count("POST https://ec2.")
            session.choose(region_menu, "ほかのリージョンを確認")
            # Each landing redraws the region submenu, which closes it if open: read it once
            # the 16 calls have been answered and ended.
            wait_for("the sweep's calls", lambda: session.proxy_log().count("POST https://ec2.") >= calls + 16,
                     timeout=240, interval=0.5)
            wait_for("the last call to end", lambda: not session.calling_aws(app), timeout=60, interval=0.1)

            def swept():
                try:
                    shown = session.peek(region_menu)
                except SessionError:  # redrawn while being read
                    return None
                return shown if shown[-1].name.startswith("ほかのリージョンを確認（") else None

            entries = wait_for("the sweep to end", swept, timeout=240, interval=1)
            names = [e.name for e in entries if not e.separator]
            self.assertIn(f"us-east-1（起動中 {virginia}）", names)
            self.assertIn("eu-west-1（起動中 2）", names)
            self.assertIn("us-west-2", names)
            self.assertIn("ap-northeast-1", names)  # the chosen one is not counted
            self.assertRegex(names[-1], r"^ほかのリージョンを確認（([01]\d|2[0-3]):[0-5]\d）$")
            self.assertTrue(entries[-1].enabled)
            self.assertEqual([e.name for e in entries if e.checked], ["ap-northeast-1"])

        with self.subTest("quitting while a sweep runs ends its calls"):
            log("quitting while a sweep runs ends its calls")
            session.choose(region_menu, lambda t: t.startswith("ほかのリージョンを確認"))
            wait_for("an aws call of the sweep", lambda: session.calling_aws(app), timeout=30, interval=0.05)
            session.choose("終了")
            wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
            self.assertEqual(app.returncode, 0)

    def test_booked_stop(self):
        """A stop booked, kept over a restart, carried out when due, and told."""
        session = self.session
        notified = session.root / "notifications.jsonl"
        app = self.start(notifications=notified)
        config = self.config
        # Booked in Tokyo, so that the region it was booked under is not the default one.
        session.choose(lambda t: t.startswith("リージョン: "), "ap-northeast-1")

        log("a booked stop: kept over a restart, carried out when due, and told")
        tokyo = line_of("tokyo-app", "running")
        tokyo_id = self.instance("tokyo-app", "ap-northeast-1")["InstanceId"]
        self.wait_menu(lambda names: any(tokyo(n) for n in names))
        session.choose(tokyo, "停止を予約", "1 時間後")
        names = [e.name for e in session.peek(tokyo)]
        due = next((n for n in names if n.endswith(" に停止予定")), None)
        self.assertRegex(due or "", r"^([01]\d|2[0-3]):[0-5]\d に停止予定$", names)
        self.assertIn(f"予約を取り消す（{due.split()[0]} に停止）", names)
        self.assertEqual(session.alerts(), [])  # booked without asking
        session.choose("終了")
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)

        # The booking as stored, a line of text, moved by hand to a few seconds from now while
        # orvane is not running.
        conf = config / "orvane" / "orvane.conf"
        bookings = read_map(conf, "stopBookings")
        self.assertEqual(list(bookings), [tokyo_id])
        booking = json.loads(bookings[tokyo_id])
        self.assertEqual((booking["name"], booking["region"]), ("tokyo-app", "ap-northeast-1"))
        soon = datetime.now(timezone.utc) + timedelta(seconds=20)
        booking["at"] = soon.strftime("%Y-%m-%dT%H:%M:%SZ")
        write_map(conf, "stopBookings", {tokyo_id: json.dumps(booking)})
        app = session.start_app()
        wait_for("tokyo-app to be stopped at the emulator",
                 lambda: self.instance("tokyo-app", "ap-northeast-1")["State"]["Name"] == "stopped", timeout=90)
        sent = wait_for("the notification", lambda: [
            call["summary"] for call in map(json.loads, written_lines(notified))], timeout=60)
        self.assertEqual(sent, ["tokyo-app を予約どおり停止しました"])
        self.assertIsNone(read_map(conf, "stopBookings"))  # none left
        self.assertEqual(session.alerts(), [])

    @staticmethod
    def exec_argv(entry):
        """The command line a desktop session reads from the entry, parsed by GLib."""
        from gi.repository import GLib

        keys = GLib.KeyFile()
        keys.load_from_file(str(entry), GLib.KeyFileFlags.NONE)
        ok, argv = GLib.shell_parse_argv(keys.get_string("Desktop Entry", "Exec"))
        return list(argv) if ok else None


if __name__ == "__main__":
    run_tests()
