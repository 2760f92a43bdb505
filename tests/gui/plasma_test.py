"""The real orvane in KDE Plasma's system tray (plasmashell under Xvfb, scripts/desktop/plasma.py),
against the EC2 emulator, its first listing held until the test lets it through:

- The icon is given by name (orvane-idle, found through IconThemePath in the build folder,
  where every state's icon is), and as pixels at each tray size.
- A left click while 「読み込み中…」 shows opens Plasma's own menu, not orvane's copy (Plasma
  opens its menu when Activate fails), and it opens once the list has landed, whole on the
  screen (a menu opened smaller grows in place past the screen's edges).

Usage: /usr/bin/python3 plasma_test.py --orvane PATH --artifacts DIR
"""

import sys
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, require_desktop, run_tests  # noqa: E402
from desktop import log, wait_for  # noqa: E402
from desktop.plasma import SIZE, PlasmaSession  # noqa: E402

ITEM = "org.kde.StatusNotifierItem"


class PlasmaTest(SessionTestCase):
    session_class = PlasmaSession

    def hold_first_listing(self):
        """Every call to AWS waits for its credentials until the file returned exists."""
        session = self.session
        gate = session.root / "gate"
        helper = session.root / "credentials-after-gate"
        helper.write_text(f"#!/bin/sh\nwhile [ ! -e '{gate}' ]; do sleep 0.1; done\n"
                          "echo '{\"Version\": 1, \"AccessKeyId\": \"testing\", \"SecretAccessKey\": \"testing\"}'\n")
        helper.chmod(0o755)
        config = session.root / "aws-config"
        config.write_text(f"[default]\nregion = us-east-1\ncredential_process = {helper}\n")
        for name in ("AWS_ACCESS_KEY_ID", "AWS_SECRET_ACCESS_KEY", "AWS_SHARED_CREDENTIALS_FILE"):
            session.env.pop(name, None)
        session.env["AWS_CONFIG_FILE"] = str(config)
        return gate

    def check_drawn_dots(self, lines, shot):
        """The state dots as Plasma draws them: `lines` are the menu's instance lines (their
        accessible names and extents on the screen), `shot` a screenshot of the whole screen
        with the menu open. Each line's dot is a disc at its start, the stopped one dark (not
        a text bullet in the text's colour) and as large as the running ones."""
        from gi.repository import GdkPixbuf

        picture = GdkPixbuf.Pixbuf.new_from_file(str(shot))
        pixels, stride, channels = picture.get_pixels(), picture.get_rowstride(), picture.get_n_channels()

        def colour(x, y):
            at = y * stride + x * channels
            return tuple(pixels[at:at + 3])

        dots = {}
        for name, box in lines:
            # The icon column: from the entry's left edge to where its text may start, on the
            # line's own background (its most common colour: a highlighted line has another),
            # inside the frame a highlighted line has.
            column = [(x, y) for y in range(box.y + 4, box.y + box.height - 4) for x in range(box.x + 4, box.x + 48)]
            background = Counter(colour(x, y) for x, y in column).most_common(1)[0][0]
            spots = [(x, y) for x, y in column if sum(abs(a - b) for a, b in zip(colour(x, y), background)) > 60]
            self.assertTrue(spots, f"no dot drawn on {name!r}")
            xs, ys = [x for x, _ in spots], [y for _, y in spots]
            size = (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
            centre = colour((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2)
            dots[name] = (size, centre)
        running = [dot for name, dot in dots.items() if name.endswith("— running")]
        stopped = [dot for name, dot in dots.items() if name.endswith("— stopped")]
        self.assertTrue(running and stopped, dots)
        for size, (r, g, b) in running:
            self.assertGreater(g, max(r, b) + 40, dots)
        for size, centre in stopped:
            self.assertLess(max(centre), 128, dots)  # dark, not white like the text
            self.assertLessEqual(abs(size[0] - running[0][0][0]), 2, dots)
            self.assertLessEqual(abs(size[1] - running[0][0][1]), 2, dots)
            self.assertGreaterEqual(min(size), 8, dots)

    def test_left_click_icon_and_menu_on_the_screen(self):
        session = self.session
        session.start_emulator(seed=True)
        gate = self.hold_first_listing()
        session.start_desktop()
        app = session.start_app()
        items = wait_for("orvane's item at the watcher", session.status_notifier_items, timeout=60)
        name = items[0].split("/")[0]
        icon = wait_for("orvane's icon in Plasma's tray", session.tray_icon, timeout=60)

        with self.subTest("the icon by name, from the build folder"):
            log("the icon by name, from the build folder")
            self.assertEqual(session.bus_property(name, "/StatusNotifierItem", ITEM, "IconName"), "orvane-idle")
            folder = Path(session.bus_property(name, "/StatusNotifierItem", ITEM, "IconThemePath"))
            for state in ("idle", "running", "failed", "running-failed"):
                for icon_file in ("scalable/apps/orvane-{}.svg", "22x22/apps/orvane-{}.png", "22x22@2/apps/orvane-{}.png"):
                    self.assertTrue((folder / "hicolor" / icon_file.format(state)).is_file(), (folder, icon_file, state))
            # The pixels beside, each size once, drawn at that size (not the screen's scale).
            images = session.bus_property(name, "/StatusNotifierItem", ITEM, "IconPixmap")
            self.assertEqual([(w, h) for w, h, _ in images], [(n, n) for n in (16, 22, 24, 32, 44, 48, 64)])

        with self.subTest("a left click while loading opens Plasma's menu, whole on the screen once the list lands"):
            log("a left click while loading opens Plasma's menu, whole on the screen once the list lands")
            # The host's call that opens the menu, seen on the bus before the list may land.
            calls = session.root / "about-to-show.log"
            session.spawn("monitor", ["dbus-monitor", "--address", session.env["DBUS_SESSION_BUS_ADDRESS"],
                                      "type='method_call',member='AboutToShow'"], session.desktop_env(),
                          stdout=calls.open("wb"))
            self.addCleanup(session.stop_process, "monitor")
            wait_for("the bus monitor", lambda: "NameAcquired" in calls.read_text(errors="replace"))
            x, y, w, h = icon
            session.xdotool("mousemove", str(x + w // 2), str(y + h // 2), "click", "1")
            wait_for("Plasma opening the menu", lambda: "member=AboutToShow" in calls.read_text(errors="replace"))
            session.stop_process("monitor")
            gate.touch()
            wait_for("Plasma's menu", session.shell_menus, timeout=30)
            menu = session.focused_menu()
            self.assertIsNotNone(menu)
            self.assertEqual(menu.getApplication().name, "plasmashell", "not Plasma's own menu")
            entries = wait_for("the list in the open menu", lambda: (shown := session.entries(menu)) and any(
                "web-server — running" in entry.name for entry in shown) and shown, timeout=30)
            names = [entry.name for entry in entries]
            self.assertIn("終了", names)
            lines = [(e.name, e.accessible.queryComponent().getExtents(0)) for e in entries if " — " in e.name]
            shot = session.screenshot(Path(ARGS.artifacts) / "plasma-menu.png")
            # Whole on the screen: the menu's window and every entry in it.
            menus = session.shell_menus()
            self.assertEqual(len(menus), 1, menus)
            [(mx, my, mw, mh)] = menus.values()
            self.assertTrue(0 <= mx and 0 <= my and mx + mw <= SIZE[0] and my + mh <= SIZE[1], menus)
            for entry in entries:
                extents = entry.accessible.queryComponent().getExtents(0)
                self.assertLessEqual(extents.y + extents.height, SIZE[1], entry)
                self.assertLessEqual(extents.x + extents.width, SIZE[0], entry)
            self.check_drawn_dots(lines, shot)
            session.xdotool("key", "Escape")
            wait_for("the menu closed", lambda: not session.shell_menus(), timeout=10)

        self.assertIsNone(app.poll(), session.app_log.read_text())


if __name__ == "__main__":
    require_desktop("plasma-workspace", 5, "Plasma")
    run_tests()
