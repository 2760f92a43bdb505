"""The package a user installs.

- `cmake --install` into an empty prefix puts exactly the program, its desktop entry and
  its hicolor icons there; removing the files install_manifest.txt lists leaves no file.
- The Debian package made by CPack holds the same files with Debian's owners and modes,
  declares its dependencies (libraries through dpkg-shlibdeps; awscli, the fonts and Qt's
  Wayland plugin only recommended), passes apt's own install check, and its extracted program runs:
  `--version` without a display, then under Xvfb until its icon sits in a real tray and
  "終了" ends it.

Usage: /usr/bin/python3 package_test.py --build DIR --version X.Y.Z [--cmake PATH] [--cpack PATH]
"""

import argparse
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from desktop import Session, log, marked_processes, wait_for  # noqa: E402

ARGS = None
ICON_SIZES = (16, 22, 24, 32, 48, 64)
# The tray icon's states by name, and its folders: each fixed size, and twice that size in
# the @2 folders (HiDPI), folder to the pixels its PNG has.
ICON_STATES = ("idle", "running", "failed", "running-failed")
STATE_FOLDERS = {**{f"{n}x{n}": n for n in ICON_SIZES}, **{f"{n}x{n}@2": 2 * n for n in (16, 22, 24, 32)}}
# Every file the package installs, relative to its prefix.
FILES = {
    "bin/orvane",
    "share/applications/orvane.desktop",
    "share/icons/hicolor/scalable/apps/orvane.svg",
    *(f"share/icons/hicolor/{n}x{n}/apps/orvane.png" for n in ICON_SIZES),
    # The tray icon of each state, by name.
    *(f"share/icons/hicolor/scalable/apps/orvane-{state}.svg" for state in ICON_STATES),
    *(f"share/icons/hicolor/{folder}/apps/orvane-{state}.png" for folder in STATE_FOLDERS for state in ICON_STATES),
}
JAPANESE = re.compile(r"[\u3040-\u30ff\u4e00-\u9fff]")


def run(argv, **kwargs):
    """Runs `argv` and returns its stdout; fails the test with its output when it fails. A
    step that takes long is logged: once, on a fresh machine, one took minutes."""
    started = time.monotonic()
    result = subprocess.run([str(a) for a in argv], capture_output=True, text=True, timeout=300, **kwargs)
    if time.monotonic() - started > 10:
        log(f"{Path(str(argv[0])).name} took {time.monotonic() - started:.0f} s")
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, argv))} exited with {result.returncode}:\n"
                             f"{result.stdout}\n{result.stderr}")
    return result.stdout


def files_under(root):
    """Every file and symbolic link under `root`, relative to it."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(str((Path(folder) / name).relative_to(root)))
    return found


def png_size(path):
    data = Path(path).read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise AssertionError(f"{path} is no PNG image")
    return struct.unpack(">II", data[16:24])


def control_fields(text):
    """The fields of a Debian control paragraph (continuation lines joined)."""
    fields, name = {}, None
    for line in text.splitlines():
        if line[:1] in (" ", "\t") and name:
            fields[name] += "\n" + line.strip()
        elif ":" in line:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


def relation_names(value):
    """The package names of a Depends-style field ("a (>= 1), b | c" -> {a, b, c})."""
    names = set()
    for alternative in re.split(r"[,|]", value):
        name = alternative.strip().split(" ")[0].split(":")[0]
        if name:
            names.add(name)
    return names


def closed_loopback_port():
    """A loopback port nothing listens on, so an aws call through it fails at once."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class PackageTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="orvane-package-"))
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)

    def check_installed_files(self, prefix):
        """The files under `prefix` are FILES, each as it should be."""
        self.assertEqual(files_under(prefix), FILES)
        self.assertTrue(os.access(prefix / "bin/orvane", os.X_OK))

        entry = prefix / "share/applications/orvane.desktop"
        result = subprocess.run(["desktop-file-validate", str(entry)], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        from gi.repository import GLib

        keys = GLib.KeyFile()
        keys.load_from_file(str(entry), GLib.KeyFileFlags.NONE)
        group = "Desktop Entry"
        self.assertEqual(keys.get_string(group, "Type"), "Application")
        self.assertEqual(keys.get_string(group, "Name"), "Orvane for Mac")
        self.assertEqual(keys.get_string(group, "Exec"), "orvane")
        self.assertEqual(keys.get_string(group, "Icon"), "orvane")
        self.assertRegex(keys.get_string(group, "Comment"), JAPANESE)
        self.assertTrue(keys.get_string_list(group, "Categories"))

        for size in ICON_SIZES:
            self.assertEqual(png_size(prefix / f"share/icons/hicolor/{size}x{size}/apps/orvane.png"), (size, size))
        for folder, pixels in STATE_FOLDERS.items():
            for state in ICON_STATES:
                path = prefix / f"share/icons/hicolor/{folder}/apps/orvane-{state}.png"
                self.assertEqual(png_size(path), (pixels, pixels), path)
        svg = ElementTree.parse(prefix / "share/icons/hicolor/scalable/apps/orvane.svg").getroot()
        self.assertEqual(svg.tag, "{http://www.w3.org/2000/svg}svg")

    def test_cmake_install_puts_every_file_in_place_and_its_manifest_takes_them_all_back(self):
        prefix = self.tmp / "prefix"
        build = Path(ARGS.build)
        run([ARGS.cmake, "--install", build, "--prefix", prefix])
        self.check_installed_files(prefix)

        manifest = (build / "install_manifest.txt").read_text().splitlines()
        self.assertEqual({str(Path(line).relative_to(prefix)) for line in manifest if line}, FILES)
        for line in manifest:
            if line:
                os.unlink(line)
        # CMake leaves the folders it made; no file may remain in them.
        self.assertEqual(files_under(prefix), set())

    def test_debian_package_holds_the_files_declares_its_needs_and_starts(self):
        out = self.tmp / "out"
        run([ARGS.cpack, "-G", "DEB", "--config", Path(ARGS.build) / "CPackConfig.cmake", "-B", out])
        arch = run(["dpkg", "--print-architecture"]).strip()
        deb = out / f"orvane_{ARGS.version}_{arch}.deb"
        self.assertTrue(deb.is_file(), sorted(p.name for p in out.iterdir()))

        with self.subTest("contents: the installed files under /usr, owned by root, with Debian's modes"):
            listing = {}
            for line in run(["dpkg-deb", "-c", deb]).splitlines():
                mode, owner, _size, _date, _time, path = line.split(None, 5)
                listing[path] = (mode, owner)
            files = {path for path in listing if not path.endswith("/")}
            folders = {path for path in listing if path.endswith("/")}
            self.assertEqual(files, {f"./usr/{f}" for f in FILES})
            self.assertEqual(listing["./usr/bin/orvane"], ("-rwxr-xr-x", "root/root"))
            self.assertEqual({listing[f] for f in files - {"./usr/bin/orvane"}}, {("-rw-r--r--", "root/root")})
            self.assertEqual({listing[f] for f in folders}, {("drwxr-xr-x", "root/root")})
            for folder in folders:  # only the folders that lead to a file
                self.assertTrue(any(f.startswith(folder) for f in files), folder)

        with self.subTest("control fields"):
            fields = control_fields(run(["dpkg-deb", "-f", deb]))
            self.assertEqual(fields["Package"], "orvane")
            self.assertEqual(fields["Version"], ARGS.version)
            self.assertEqual(fields["Architecture"], arch)
            self.assertEqual(fields["Section"], "utils")
            self.assertTrue(fields["Maintainer"])
            self.assertTrue(fields["Description"].split("\n")[0].strip())
            self.assertGreater(len(fields["Description"].split("\n")), 1, "no extended description")
            depends = relation_names(fields.get("Depends", ""))
            # The C library, Qt (libqt6gui6 carries the X11 platform plugin), ICU and libcurl (declared
            # by hand, since it is loaded on first use). Debian 13 renamed the libraries whose ABI
            # took a 64-bit time_t ("libqt6core6t64"); the package depends on them as the build's
            # system names them.
            base_names = {re.sub(r"t64$", "", name) for name in depends}
            self.assertTrue({"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libcurl4"} <= base_names,
                            depends)
            self.assertTrue(any(name.startswith("libicu") for name in depends), depends)
            self.assertEqual(relation_names(fields.get("Recommends", "")),
                             {"awscli", "fonts-noto-cjk", "fonts-noto-color-emoji", "openssh-client", "qt6-wayland"})
            # Recommended, not required: X11 sessions and Wayland ones with Xwayland run without
            # Qt's Wayland plugin; apt brings it along by default for the rest.
            self.assertNotIn("awscli", depends)
            self.assertNotIn("qt6-wayland", depends)

        with self.subTest("apt accepts it for installation"):
            # A dry run: the real installation is done by hand, not by the test suite.
            plan = run(["apt-get", "install", "--simulate", "--no-install-recommends", f"./{deb.name}"], cwd=out)
            self.assertRegex(plan, r"(?m)^(Inst orvane |orvane is already the newest version)")

        root = self.tmp / "root"
        run(["dpkg-deb", "-x", deb, root])
        program = root / "usr/bin/orvane"

        with self.subTest("the extracted program is stripped and says its version without a display"):
            sections = run(["readelf", "--section-headers", "--wide", program])
            self.assertNotIn(".debug_info", sections)
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            result = subprocess.run([str(program), "--version"], capture_output=True, text=True, env=env,
                                    timeout=30)
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, f"orvane {ARGS.version}\n", ""))

        with self.subTest("the extracted program starts on X11 and shows its icon once a tray appears"):
            self.start_in_a_desktop(program)

    def start_in_a_desktop(self, program):
        session = Session(program, root=self.tmp / "desktop")
        try:
            # A private home and AWS configuration, and a proxy address nothing answers at, so
            # the refresh at launch fails on this machine instead of reaching out.
            home = session.root / "home"
            (home / ".aws").mkdir(parents=True)
            config = home / ".aws" / "config"
            config.write_text("[default]\nregion = us-east-1\n")
            proxy = f"http://127.0.0.1:{closed_loopback_port()}"
            session.env.update(HOME=str(home), AWS_CONFIG_FILE=str(config),
                               AWS_SHARED_CREDENTIALS_FILE=str(home / ".aws" / "credentials"),
                               AWS_ACCESS_KEY_ID="testing", AWS_SECRET_ACCESS_KEY="testing",
                               AWS_EC2_METADATA_DISABLED="true", HTTPS_PROXY=proxy, https_proxy=proxy)
            session.start_desktop(tray=False)
            app = session.start_app()
            wait_for("the no-tray message", lambda: "システムトレイが見つかりません" in session.app_log.read_text())
            session.start_tray()
            wait_for("the icon embedded in the tray", session.tray_icon)
            self.assertIsNone(app.poll(), session.app_log.read_text())
            # Ended as a person ends it, so the aws call of its first refresh is waited for.
            session.choose("終了")
            wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
            self.assertEqual(app.returncode, 0, session.app_log.read_text())
        finally:
            leftovers = session.close()
            self.assertEqual(leftovers, {}, "processes outlived their orderly stop")
            self.assertEqual(marked_processes(session.marker), [], "processes of the test still run")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--cpack", default="cpack")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest], warnings="ignore")


if __name__ == "__main__":
    main()
