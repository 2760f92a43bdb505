"""The real orvane in LXQt's panel (lxqt-panel with its StatusNotifier plugin, a Qt 5 host
that draws the menu from dbusmenu) under Xvfb, against the EC2 emulator:

- A right click opens the panel's menu; opening it starts a refresh, and when the refresh
  lands the menu stays open (the panel closes an open menu on LayoutUpdated, which a change
  of texts alone must not send).
- A left click: this panel activates the item instead of opening its menu (it does not
  honour ItemIsMenu), and on X11 orvane opens its own copy of the menu at the pointer.

Usage: /usr/bin/python3 lxqt_panel_test.py --orvane PATH --artifacts DIR
"""

import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, SessionTestCase, run_tests  # noqa: E402
from desktop import log, wait_for  # noqa: E402


class LXQtPanelTest(SessionTestCase):
    def test_the_panels_menu_stays_open_while_a_refresh_lands(self):
        session = self.session
        session.start_emulator(seed=True)
        session.start_desktop(tray=False)
        session.start_lxqt_panel()
        panel = session.processes["sni-host"]
        app = session.start_app()
        from gi.repository import GLib

        items = wait_for("orvane's item at the panel's watcher", session.status_notifier_items)
        name = items[0].split("/")[0]
        wait_for("the instances listed", lambda: "web-server" in str(session.bus_call(
            name, "/MenuBar", "com.canonical.dbusmenu", "GetLayout", GLib.Variant("(iias)", (0, 1, ["label"])),
            "(u(ia{sv}av))")), timeout=60)
        # The panel's own windows; the widest is the bar, its one button at its start.
        shown = wait_for("the panel's window", lambda: session.visible_windows(panel))
        x, y, _, height = max((session.window_geometry(w) for w in shown), key=lambda g: g[2])
        icon = (x + 22, y + height // 2)
        with self.subTest("the right-click menu stays open while the refresh its opening started lands"):
            log("the right-click menu stays open while the refresh its opening started lands")
            wait_for("no refresh under way", lambda: not session.calling_aws(app), timeout=60)
            session.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "3")
            menus = wait_for("the panel's menu", lambda: session.visible_windows(panel) - shown, timeout=10)
            wait_for("the refresh the opening starts", lambda: session.calling_aws(app), timeout=10, interval=0.05)
            wait_for("that refresh to land", lambda: not session.calling_aws(app), timeout=60, interval=0.05)
            time.sleep(2)
            session.screenshot(Path(ARGS.artifacts) / "lxqt-panel-menu.png", crop="1024x400+0+0")
            self.assertEqual(session.visible_windows(panel) - shown, menus)
            session.xdotool("key", "Escape")
            wait_for("the menu closed", lambda: not session.visible_windows(panel) - shown, timeout=10)

        with self.subTest("a left click opens orvane's own copy at the pointer"):
            log("a left click opens orvane's own copy at the pointer")
            session.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "1")
            menu = session.focused_menu()
            self.assertIsNotNone(menu)
            self.assertTrue(any("web-server" in entry.name for entry in session.entries(menu)))
            session.xdotool("key", "Escape")

        self.assertIsNone(app.poll(), session.app_log.read_text())


if __name__ == "__main__":
    run_tests()
