"""What the GUI test files share: the desktop session package (scripts/desktop) on the
import path, a test case with a session of its own, and the runner of a test file.
Import this first in a test file; `desktop` can be imported after it."""

import argparse
import shutil
import subprocess
import sys
import unicodedata
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))

from desktop import Session, marked_processes  # noqa: E402

# What a GUI test file is run with (--orvane PATH --artifacts DIR); run_tests() fills it in.
ARGS = argparse.Namespace(orvane=None, artifacts=None)


class SessionTestCase(unittest.TestCase):
    """A test with a session of its own (of `session_class`), closed after it: every process
    the test started must have ended in the orderly stop."""

    session_class = Session

    def setUp(self):
        self.session = self.new_session()

    def new_session(self, session_class=None):
        """A session (of `session_class`, else the test's) closed and checked after the test
        (or earlier, by close_session): for a table test whose cases each need a desktop of
        their own."""
        session = (session_class or self.session_class)(ARGS.orvane)
        self.addCleanup(session.remove_files)
        self.addCleanup(self.keep_logs, session)
        self.addCleanup(self.close_session, session)
        return session

    def keep_logs(self, session):
        """After a failure, the logs of the session's processes (NAME.log in its folder, which
        goes) are kept in ARTIFACTS/logs/TEST/, for reading a failure seen once."""
        result = self._outcome.result
        if not any(self in (test, getattr(test, "test_case", None)) for test, _ in result.errors + result.failures):
            return
        kept = Path(ARGS.artifacts) / "logs" / f"{self.id().split('.', 1)[-1]}-{session.marker[:8]}"
        kept.mkdir(parents=True, exist_ok=True)
        for log in session.root.rglob("*.log"):
            shutil.copy(log, kept / "-".join(log.relative_to(session.root).parts))

    def close_session(self, session):
        leftovers = session.close()
        self.assertEqual(marked_processes(session.marker), [], "processes of the test still run")
        self.assertEqual(leftovers, {}, "processes outlived their orderly stop")


def shown_name(name):
    """`name` as orvane sets it among its own words: a name holding right-to-left letters
    or direction marks is isolated (U+2068 … U+2069), any other as it is."""
    classes = {"R", "AL", "AN", "LRE", "RLE", "LRO", "RLO", "PDF", "LRI", "RLI", "FSI", "PDI"}
    if any(unicodedata.bidirectional(c) in classes for c in name):
        return f"\u2068{name}\u2069"
    return name


def require_desktop(package, major, name):
    """Ends the test as skipped (status 77) unless Debian's `package` is installed at version
    `major`: the desktop's harness knows that version's ways (Debian 12's), and a later one
    (Debian 13's) draws and answers otherwise."""
    found = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True).stdout
    version = found.split(":", 1)[-1]
    if version.split(".", 1)[0] != str(major):
        print(f"skipped: this test drives {name} {major}; this system has {package} {version or 'not installed'}")
        sys.exit(77)


def run_tests():
    """Reads --orvane and --artifacts into ARGS and runs the test cases of the file that was
    started; the rest of the command line goes to unittest."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--artifacts", required=True)
    _, rest = parser.parse_known_args(namespace=ARGS)
    # The accessibility bindings warn about their own deprecated calls.
    unittest.main(module="__main__", argv=[sys.argv[0], "-v", *rest], warnings="ignore")
