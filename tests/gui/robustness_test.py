"""The real orvane facing a damaged settings file, and what it leaves on disk.

- A settings file of random bytes, or of broken INI, is read as no settings: the app starts
  on the defaults, stays up, and does not rewrite the file by merely running.
- Run from a folder whose name needs every kind of quoting, with launch at login switched
  on and the region changed through the menu, the app writes two files and nothing else
  under its home, the XDG folders, its temporary folder and the AWS configuration: the
  settings file and the autostart entry. Its lock file is there while it runs and gone
  after "終了". The autostart entry passes desktop-file-validate, and its Exec= line read
  back by the Desktop Entry rules is exactly the program's path, which starts.

Usage: /usr/bin/python3 robustness_test.py --orvane PATH --artifacts DIR
"""

import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARGS, run_tests  # noqa: E402
from desktop import Session, log, marked_processes, wait_for  # noqa: E402

LOGIN = "ログイン時に起動"
PROFILE_DEFAULT = "プロファイル: デフォルト"
REGION_DEFAULT = "リージョン: デフォルト"

# Characters that may not stand unquoted in an Exec= value.
RESERVED = set(" \t\n\"'\\><~|&;$*?#()`")


def exec_arguments(value):
    """The arguments of an Exec= value read by the Desktop Entry Specification's rules: the
    escapes of a string value first (\\s \\n \\t \\r \\\\), then the arguments, split at
    spaces, where an argument holding a reserved character is wholly in double quotes and
    there '"', '`', '$' and '\\' each follow a backslash; then "%%" is a percent sign.
    Raises ValueError for a value that breaks a rule, and for any other field code (none
    belongs in an autostart entry)."""
    escapes = {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}
    text, i = "", 0
    while i < len(value):
        if value[i] == "\\":
            if value[i + 1:i + 2] not in escapes:
                raise ValueError(f"unknown escape at {i} in {value!r}")
            text += escapes[value[i + 1]]
            i += 2
        else:
            text += value[i]
            i += 1

    arguments, current, state = [], None, "between"  # between, plain, quoted, closed
    i = 0
    while i < len(text):
        c = text[i]
        if state == "quoted":
            if c == '"':
                state = "closed"
            elif c == "\\":
                if text[i + 1:i + 2] not in ('"', "`", "$", "\\"):
                    raise ValueError(f"a backslash before {text[i + 1:i + 2]!r} inside quotes in {text!r}")
                current += text[i + 1]
                i += 1
            elif c in "`$":
                raise ValueError(f"unescaped {c!r} inside quotes in {text!r}")
            else:
                current += c
        elif c == " ":
            if state != "between":
                arguments.append(current)
            current, state = None, "between"
        elif state == "closed":
            raise ValueError(f"{c!r} right after a closing quote in {text!r}")
        elif c == '"':
            if state == "plain":
                raise ValueError(f"a quote inside an unquoted argument in {text!r}")
            current, state = "", "quoted"
        elif c in RESERVED:
            raise ValueError(f"reserved {c!r} outside quotes in {text!r}")
        else:
            current, state = (current or "") + c, "plain"
        i += 1
    if state == "quoted":
        raise ValueError(f"an unclosed quote in {text!r}")
    if state != "between":
        arguments.append(current)

    result = []
    for argument in arguments:
        parts = argument.split("%%")
        if any("%" in part for part in parts):
            raise ValueError(f"a field code in {argument!r}")
        result.append("%".join(parts))
    return result


def snapshot(roots):
    """Every folder and file under `roots`: path -> ("dir",) or ("file", size, mtime, digest)."""
    state = {}
    for root in roots:
        for folder, folders, files in os.walk(root):
            for name in folders:
                state[Path(folder) / name] = ("dir",)
            for name in files:
                path = Path(folder) / name
                info = path.lstat()
                digest = hashlib.sha256(path.read_bytes()).hexdigest() if path.is_file() else "special"
                state[path] = ("file", info.st_size, info.st_mtime_ns, digest)
    return state


class RobustnessTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One desktop and one emulator (with no instances: the lists stay empty) for every
        # run of the app in this file.
        cls.session = Session(ARGS.orvane)
        try:
            cls.session.start_emulator(seed=False)
            cls.session.start_desktop(tray=True)
        except BaseException:
            cls.session.close()
            cls.session.remove_files()
            raise

    @classmethod
    def tearDownClass(cls):
        leftovers = cls.session.close()
        marker = cls.session.marker
        cls.session.remove_files()
        if marked_processes(marker) or leftovers:
            raise AssertionError(f"processes of the test outlived it: {leftovers}")

    def setUp(self):
        session = self.session
        # The app's folders start empty for each test; the desktop and the emulator stay.
        self.home = session.root / "app-home"
        self.tmpdir = session.root / "app-tmp"
        for folder in (self.home, self.tmpdir, session.root / "xdg"):
            shutil.rmtree(folder, ignore_errors=True)
        self.home.mkdir()
        self.tmpdir.mkdir()
        self.env = session.app_env()
        # A home of the app's own (the emulator keeps its files in its own), with the AWS
        # configuration the emulator's start wrote.
        self.env.update(HOME=str(self.home), TMPDIR=str(self.tmpdir))
        self.config = Path(self.env["XDG_CONFIG_HOME"])
        self.runtime = Path(self.env["XDG_RUNTIME_DIR"])
        self.settings = self.config / "orvane" / "orvane.conf"

    def start(self, program):
        app = self.session.spawn("orvane", [str(program)], self.env)
        self.addCleanup(self.end, app)
        wait_for("the icon in the tray", self.session.tray_icon)
        return app

    @staticmethod
    def end(app):
        """Ends an app that a failed check left running, so the next run can start."""
        if app.poll() is None:
            os.killpg(app.pid, signal.SIGTERM)
            app.wait(30)

    def quit(self, app):
        self.session.choose("終了")
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
        self.assertEqual(app.returncode, 0, self.session.app_log.read_text())

    def test_without_a_desktop_it_says_so_in_one_line_and_exits_1(self):
        # Qt's Wayland plugin is installed: a Wayland socket nobody serves is no desktop
        # either, and the line must not blame a missing plugin (wayland_test.py has that case).
        cases = {"no display at all": {}, "an X display that refuses": {"DISPLAY": ":4999"},
                 "a Wayland socket nobody serves": {"WAYLAND_DISPLAY": "wayland-orvane-none"}}
        for name, display in cases.items():
            with self.subTest(name):
                env = {k: v for k, v in self.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
                env.update(display)
                result = subprocess.run([str(self.session.orvane)], env=env, capture_output=True, text=True,
                                        timeout=60)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn("デスクトップのセッションが必要です", result.stderr)

    def test_garbage_settings_file_starts_on_defaults_and_the_app_stays_up(self):
        # Keys at the top are in the general section, where the app reads them: a key with
        # no value, a value that is no valid variant, a list, a line of only "=", raw bytes,
        # a truncated mapping; then broken section headers.
        broken_ini = (b"profile\n"
                      b"region=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\n"
                      b"profile=a, b\n"
                      b"=\n\x00\x00\xff\xfe\x80\n"
                      b"ingressLockGroups=@Variant(\\0\\0\\0\\b\\0\\0\\0\\x5\\0\\0)\n"
                      b"[General\nregion\n[]]\n")
        cases = {
            "random bytes": random.Random(5).randbytes(4096),
            "broken INI": broken_ini,
        }
        for name, content in cases.items():
            with self.subTest(name):
                log(f"garbage settings: {name}")
                self.settings.parent.mkdir(parents=True, exist_ok=True)
                self.settings.write_bytes(content)
                app = self.start(ARGS.orvane)
                # Read once the first refresh has landed: the settings have been used by then.
                names = [e.name for e in self.session.read_menu(
                    until=lambda entries: any(e.name.startswith("最終更新: ") for e in entries))]
                self.session.xdotool("key", "Escape")
                self.assertIn(PROFILE_DEFAULT, names)
                self.assertIn(REGION_DEFAULT, names)
                self.assertIsNone(app.poll(), self.session.app_log.read_text())
                self.quit(app)
                self.assertEqual(self.settings.read_bytes(), content, "running alone rewrote the settings file")

    def test_writes_only_its_settings_and_autostart_entry_and_exec_survives_a_quoted_path(self):
        session = self.session
        # Each character the Desktop Entry rules treat specially: a space, quotes, a
        # backslash, '$', '`', '%', and non-ASCII.
        folder = session.root / 'Orvane Tools "β" \\ $HOME `x` 100% (1)'
        folder.mkdir()
        program = Path(shutil.copy2(ARGS.orvane, folder / "orvane"))
        aws_config = Path(self.env["AWS_CONFIG_FILE"]).parent
        roots = [self.home, self.tmpdir, aws_config, self.runtime,
                 *(Path(self.env[f"XDG_{n}_HOME"]) for n in ("CONFIG", "CACHE", "DATA", "STATE"))]
        before = snapshot(roots)

        app = self.start(program)
        lock = self.runtime / "orvane.lock"
        self.assertTrue(lock.is_file(), sorted(os.listdir(self.runtime)))
        session.choose(LOGIN)
        entry = self.config / "autostart" / "orvane.desktop"
        wait_for("the autostart entry", entry.exists)
        session.choose(lambda title: title.startswith("リージョン: "), "ap-northeast-1")
        wait_for("the region in the settings", lambda: self.settings.exists()
                 and "region=ap-northeast-1" in self.settings.read_text())
        # A refresh in the new region has run through the aws tool before quitting.
        session.read_menu(until=lambda entries: any(e.name == "リージョン: ap-northeast-1" for e in entries))
        session.xdotool("key", "Escape")
        self.quit(app)
        proxy_log = (session.emulator_dir / "proxy.log").read_text(errors="replace")
        self.assertIn("ec2.ap-northeast-1.amazonaws.com", proxy_log, "the aws tool was not run in the new region")

        after = snapshot(roots)
        created = {p for p in after if p not in before}
        changed = {p for p in after if p in before and after[p] != before[p]}
        removed = {p for p in before if p not in after}
        with self.subTest("only the settings file and the autostart entry, in folders of their own"):
            self.assertEqual(created, {self.settings, self.settings.parent, entry, entry.parent})
            self.assertEqual(changed, set())
            self.assertEqual(removed, set())
            self.assertFalse(lock.exists())

        with self.subTest("the autostart entry is valid and its Exec= is the program's path"):
            result = subprocess.run(["desktop-file-validate", str(entry)], capture_output=True, text=True)
            self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
            execs = [line[len("Exec="):] for line in entry.read_text().splitlines() if line.startswith("Exec=")]
            self.assertEqual(len(execs), 1, entry.read_text())
            argv = exec_arguments(execs[0])
            self.assertEqual(argv, [str(program)], execs[0])
            version = subprocess.run([*argv, "--version"], capture_output=True, text=True, timeout=30)
            self.assertEqual(version.returncode, 0, version.stderr)
            self.assertRegex(version.stdout, r"^orvane \d+\.\d+\.\d+\n$")


class ExecArgumentsTest(unittest.TestCase):
    """The reader above against the examples of the Desktop Entry rules, so that a fault in
    it cannot pass a wrong Exec= line."""

    def test_reads_the_rules(self):
        cases = [
            ("orvane", ["orvane"]),
            ("/usr/bin/orvane --x", ["/usr/bin/orvane", "--x"]),
            ('"/opt/My Apps/orvane"', ["/opt/My Apps/orvane"]),
            ('"/opt/a\\\\$b/orvane"', ["/opt/a$b/orvane"]),
            ('"/opt/a\\\\\\\\b/orvane"', ["/opt/a\\b/orvane"]),
            ("/opt/100%%/orvane", ["/opt/100%/orvane"]),
            ("/opt/a\\sb", ["/opt/a", "b"]),  # \s turns into a space before the split
        ]
        for value, argv in cases:
            with self.subTest(value):
                self.assertEqual(exec_arguments(value), argv)

    def test_refuses_what_breaks_them(self):
        for value in ['/opt/My Apps"/orvane', '"/opt/a$b"', '"/opt/a\\\\b"', '"/opt/a', "/opt/a$b", "orvane %U",
                      '"/opt/a"b', "/opt/a\\q"]:
            with self.subTest(value):
                with self.assertRaises(ValueError):
                    exec_arguments(value)


if __name__ == "__main__":
    run_tests()
