"""The real orvane in trayer while every call to AWS hangs (a proxy that takes connections
and never answers): the menu opens and answers while the list is loading, and "終了" ends
the application at once instead of waiting for the aws tool's own time limit.

Each GUI test file runs in a process of its own: the accessibility bindings stay on the
first session's bus.

Usage: /usr/bin/python3 hang_test.py --orvane PATH --artifacts DIR
"""

import socket
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import SessionTestCase, run_tests  # noqa: E402
from desktop import wait_for  # noqa: E402


class HangTest(SessionTestCase):
    """Quitting ends the hanging aws call too: the session's closing check finds nothing
    left running."""

    def start_hanging_app(self):
        session = self.session
        # A proxy that takes connections and never answers: every call to AWS hangs.
        silent = socket.socket()
        silent.bind(("127.0.0.1", 0))
        silent.listen(16)
        self.addCleanup(silent.close)
        held = []
        self.addCleanup(lambda: [connection.close() for connection in held])
        threading.Thread(target=lambda: self.hold(silent, held), daemon=True).start()
        proxy = f"http://127.0.0.1:{silent.getsockname()[1]}"
        aws = session.root / "aws"
        aws.mkdir()
        (aws / "config").write_text("[default]\nregion = us-east-1\n")
        (aws / "credentials").write_text("[default]\naws_access_key_id = x\naws_secret_access_key = y\n")
        session.env.update(HTTPS_PROXY=proxy, https_proxy=proxy, AWS_CONFIG_FILE=str(aws / "config"),
                           AWS_SHARED_CREDENTIALS_FILE=str(aws / "credentials"), AWS_EC2_METADATA_DISABLED="true")
        session.start_desktop(tray=True)
        app = session.start_app()
        wait_for("the listing call to reach the proxy", lambda: held)
        return app

    def test_menu_answers_and_quitting_does_not_wait(self):
        session = self.session
        app = self.start_hanging_app()
        # The list is still loading, and the menu opens and answers all the same.
        names = [e.name for e in session.read_menu(until=lambda entries: len(entries) > 3)]
        self.assertIn("読み込み中…", names)
        session.xdotool("key", "Escape")

        session.choose("終了")
        # Far below the aws tool's own time limit (120 s): quitting ends the call under way.
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=30)
        self.assertEqual(app.returncode, 0)

    def test_the_session_ending_the_app_ends_its_aws_call_too(self):
        # At logout the session sends SIGTERM: the app quits in order, as through "終了".
        app = self.start_hanging_app()
        app.terminate()
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=30)
        self.assertEqual(app.returncode, 0)

    @staticmethod
    def hold(server, held):
        while True:
            try:
                held.append(server.accept()[0])
            except OSError:
                return


if __name__ == "__main__":
    run_tests()
