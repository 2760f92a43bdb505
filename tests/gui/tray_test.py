"""The real orvane in a real tray (trayer under Xvfb) against the EC2 emulator: the icon
appears once a tray does, the menu opens from a click on the icon and lists the seeded
instances among a few hundred more (the menu stays within the screen and scrolls, a name
too long for a line is shortened there), a second copy refuses to start, the closed menu
gives back its window and opens again, the timer rests while the screen is locked (a screen
locker that comes after the application) and unlocking lists at once, the menu's keys
refresh and quit, and nothing this
test started is left running.

Usage: /usr/bin/python3 tray_test.py --orvane PATH --artifacts DIR
"""

import re
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, run_tests  # noqa: E402
from desktop import atspi, log, wait_for, written_text  # noqa: E402


class TrayTest(SessionTestCase):
    def test_menu_lists_the_seeded_instances_and_quit_ends_the_app(self):
        session = self.session
        session.start_emulator(seed=True)
        # A long list: 300 more instances in one call, unnamed (their lines show their ids),
        # a third of them stopped, and one whose name is too long for a line.
        image = session.image("us-east-1")
        bulk = session.aws("ec2", "run-instances", "--image-id", image, "--instance-type", "t3.micro",
                           "--count", "300")["Instances"]
        stopped = {instance["InstanceId"] for instance in bulk[::3]}
        session.aws("ec2", "stop-instances", "--instance-ids", *sorted(stopped))
        long_name = "long-" + "0123456789" * 29 + "-end"
        session.aws("ec2", "run-instances", "--image-id", image, "--instance-type", "t3.micro", "--count", "1",
                    "--tag-specifications", f"ResourceType=instance,Tags=[{{Key=Name,Value={long_name}}}]")
        session.start_desktop(tray=False)
        log("no tray yet: the notice, then the icon once trayer comes")
        app = session.start_app()

        # No tray yet: one line on stderr, then a notice in a window, and the application
        # keeps running; the notice goes when a tray comes.
        wait_for("the no-tray message", lambda: "システムトレイが見つかりません" in written_text(session.app_log))
        notice = session.alert()
        self.assertEqual(notice.title, "システムトレイが見つかりません")
        self.assertTrue(any("gnome-shell-extension-appindicator" in text for text in notice.texts), notice.texts)
        self.assertEqual(list(notice.buttons), ["OK"])
        session.screenshot(Path(ARGS.artifacts) / "no-tray-notice.png")
        session.start_tray()
        wait_for("the icon embedded in the tray", session.tray_icon)
        wait_for("the notice to close", lambda: not session.alerts())
        self.assertIsNone(app.poll())
        self.assertEqual(session.app_log.read_text().count("システムトレイが見つかりません"), 1)

        def listed(entries):
            return any("web-server" in e.name for e in entries)

        log("the long list in the menu")
        entries = session.read_menu(until=listed)
        names = [e.name for e in entries]
        # Everything below came through the aws tool from the emulator's listing. The state
        # dot is the line's icon (see the screenshot), so a screen reader reads the name and
        # the state after it.
        self.assertIn("web-server — running", names)
        self.assertIn("batch-worker — stopped", names)
        self.assertTrue(any(re.fullmatch(r"i-[0-9a-f]+ — running", n) for n in names), names)
        # Every one of the long list has its line, enabled, with its submenu; the long name
        # is shortened in the middle on its line, keeping its ends.
        lines = {e.name: e for e in entries if e.name.endswith((" — running", " — stopped"))}
        for instance in bulk:
            state = "stopped" if instance["InstanceId"] in stopped else "running"
            line = lines.get(f"{instance['InstanceId']} — {state}")
            self.assertIsNotNone(line, instance["InstanceId"])
            self.assertTrue(line.enabled and line.has_submenu, line)
        shortened = [name for name in lines if name.startswith("long-0123")]
        self.assertEqual(len(shortened), 1, names)
        self.assertRegex(shortened[0], r"^long-[0-9]+…[0-9]+-end — running$")
        self.assertLess(len(shortened[0]), len(long_name))
        # The menu, taller than the screen, stays within it (1024×768) and scrolls.
        menu = entries[0].accessible.parent
        _, _, width, height = menu.queryComponent().getExtents(atspi().DESKTOP_COORDS)
        self.assertLessEqual(height, 768)
        self.assertLess(width, 1024)
        self.assertNotIn("tokyo-app", " ".join(names))  # another region
        self.assertRegex(names[0], r"^Orvane for Mac  v\d+\.\d+\.\d+$")
        self.assertFalse(entries[0].enabled)
        instance = next(e for e in entries if "web-server" in e.name)
        self.assertTrue(instance.enabled and instance.has_submenu)
        self.assertIn("POST https://ec2.us-east-1.amazonaws.com/", self.session.proxy_log())

        shot = session.screenshot(Path(ARGS.artifacts) / "tray-menu.png")
        self.assertGreater(shot.stat().st_size, 0)
        # End scrolls to the last line; the last instance, now in view, opens its submenu
        # when hovered. (The pointer leaves the menu first: it now covers the icon.)
        session.xdotool("mousemove", "10", "400")
        session.xdotool("key", "End")
        time.sleep(0.5)
        line = next(child for child in menu if child.name == "web-server — running")
        x, y = session.center(line)
        self.assertLess(y, 768)
        session.xdotool("mousemove", str(x), str(y))
        submenu = line.getChildAtIndex(0)
        wait_for("the submenu of the last instance", lambda: submenu.childCount > 0, timeout=10)
        # The ssh entries come once ssh's configuration is read (checked in actions_test.py).
        shown = [(e.name, e.enabled, e.has_submenu) for e in session.entries(submenu)
                 if not e.separator and not e.name.startswith("SSH ")]
        self.assertRegex(shown[0][0], r"^i-[0-9a-f]+  t3\.micro$")
        self.assertRegex(shown[1][0], r"^起動から [0-9]+ 分$")  # how long it has been running
        self.assertEqual(shown[2:6], [("起動", False, False), ("停止", True, False), ("停止を予約", True, True),
                                      ("起動時に SG を自分の IP 専用にする: しない", True, True)])
        self.assertEqual([name.split("（")[0] for name, _, _ in shown[6:]],
                         ["お気に入りに追加", "ID をコピー", "パブリック IP をコピー", "プライベート IP をコピー"])
        session.screenshot(Path(ARGS.artifacts) / "tray-menu-scrolled.png")
        # Its state dot, drawn as the line's icon, shows green before the name.
        left, top, _, tall = line.queryComponent().getExtents(atspi().DESKTOP_COORDS)
        dot = session.screenshot(Path(ARGS.artifacts) / "running-dot.png", crop=f"28x{tall}+{left}+{top}")
        colours = subprocess.run(["convert", str(dot), "-unique-colors", "-depth", "8", "txt:-"],
                                 capture_output=True, text=True, check=True).stdout
        rgb = [tuple(map(int, c)) for c in re.findall(r"\((\d+),(\d+),(\d+)", colours)]
        self.assertTrue(any(g > r + 40 and g > b + 60 for r, g, b in rgb), rgb)
        session.xdotool("key", "Escape")
        session.xdotool("key", "Escape")

        log("a second copy")
        # A second copy says so and ends at once; the first one goes on.
        second = subprocess.run([str(session.orvane)], env=session.app_env(), capture_output=True, text=True,
                                timeout=30)
        self.assertNotEqual(second.returncode, 0)
        self.assertIn("すでに起動しています", second.stderr)
        self.assertIsNone(app.poll())

        # Closed for longer than orvane keeps a closed menu's window, the menu gives back its
        # window and with it the pixels it shared with the X server; the next click opens it
        # whole again.
        def shared_pixels():
            with open(f"/proc/{app.pid}/maps") as maps:
                return {line.split()[0] for line in maps if "/memfd:" in line}

        # Meanwhile the screen is locked, by a locker that comes after the application and
        # serves the path some desktops use: the timer comes due and lists nothing.
        log("the screen locked: the timer rests, the closed menu gives back its window")
        session.start_screen_saver("/ScreenSaver", locked=True)
        wait_for("orvane to ask the locker",
                 lambda: "GetActive() from" in written_text(session.root / "screen-saver.log"))
        calls = self.listings()
        held = shared_pixels()
        time.sleep(32)
        self.assertLess(shared_pixels(), held)
        self.assertEqual(self.listings(), calls, "the timer listed while the screen was locked")
        # Opening the menu is never held back.
        entries = session.read_menu(until=listed)
        self.assertIn("web-server — running", [e.name for e in entries])
        wait_for("the refresh the opening asks for", lambda: self.listings() > calls, timeout=20)
        session.xdotool("key", "Escape")
        # Unlocking lists once and at once (the next timer is 30 s away).
        wait_for("that refresh to land", lambda: not self.session.calling_aws(app), timeout=30, interval=0.05)
        calls = self.listings()
        session.lock_screen(False)
        wait_for("the refresh at unlocking", lambda: self.listings() > calls, timeout=10, interval=0.1)
        time.sleep(2)
        self.assertEqual(self.listings(), calls + 1)

        log("the menu's keys")
        # The keys the menu shows work while it is open: Ctrl+R refreshes, Ctrl+Q quits.
        session.open_menu()
        calls = self.listings()
        session.xdotool("key", "ctrl+r")
        wait_for("the refresh Ctrl+R asks for", lambda: self.listings() > calls,
                 timeout=20)
        session.open_menu()
        session.xdotool("key", "ctrl+q")
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
        self.assertEqual(app.returncode, 0, session.app_log.read_text())

    def listings(self):
        return self.session.proxy_log().count("POST https://ec2.")


if __name__ == "__main__":
    run_tests()
