"""Takes the README screenshot: the real orvane in trayer under Xvfb, against the seeded
emulator, with its menu and one instance's submenu open. Stops everything it started.

Usage: /usr/bin/python3 screenshot.py --orvane PATH --out PNG
"""

import argparse
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import Session, atspi, wait_for  # noqa: E402


def take(orvane, out):
    # ja_JP for the update time as a Japanese user sees it (ICU needs no system locale).
    session = Session(orvane, lang="ja_JP.UTF-8")
    try:
        print("demo: starting the emulator and seeding it", flush=True)
        session.start_emulator(seed=True)
        session.start_desktop(tray=True)
        app = session.start_app()
        wait_for("the icon in the tray", session.tray_icon)
        print("demo: waiting for the instance list", flush=True)
        entries = session.read_menu(until=lambda es: any("web-server" in e.name for e in es))

        # Hover one instance so that its submenu opens beside the menu.
        line = next(e for e in entries if "web-server" in e.name)
        x, y, w, h = line.accessible.queryComponent().getExtents(atspi().DESKTOP_COORDS)
        session.xdotool("mousemove", str(x + w // 3), str(y + h // 2))
        time.sleep(1.5)

        full = session.screenshot(session.root / "full.png")
        # The top right corner holds the tray, the menu and the submenu.
        session.screenshot(out, crop="700x330+324+0")
        full.unlink()

        session.xdotool("key", "Escape")
        session.xdotool("key", "Escape")
        session.choose("終了")
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
        print(f"demo: wrote {out}", flush=True)
    finally:
        leftovers = session.close()
        session.remove_files()
        if leftovers:
            print(f"demo: had to kill leftover processes {leftovers}", file=sys.stderr)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    take(args.orvane, Path(args.out).resolve())


if __name__ == "__main__":
    main()
