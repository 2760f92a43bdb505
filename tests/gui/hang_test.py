"""The real orvane in trayer (or under sway) while a call to AWS hangs: the menu opens and
answers while the list is loading, and however the application ends ("終了", SIGTERM or
SIGINT from the session, the X server or the Wayland compositor going away) it ends the
aws call under way with its whole process group, at once instead of at the aws tool's own
time limit, and nothing of it outlives the application.

A call hangs in one of two ways: at a proxy that takes connections and never answers (the
aws tool waits for AWS), or in a credential helper (the profile's credential_process) that
ignores SIGTERM, so that only SIGKILL ends its group.

Each GUI test file runs in a process of its own: the accessibility bindings stay on the
first session's bus.

Usage: /usr/bin/python3 hang_test.py --orvane PATH --artifacts DIR
"""

import itertools
import signal
import socket
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import SessionTestCase, run_tests  # noqa: E402
from desktop import SessionError, WaylandSession, group_members, log, wait_for  # noqa: E402

# How the session ends the application while a call hangs: the desktop it runs on, how it
# is ended, the exit statuses that may give and what the app says on stderr then.
ENDINGS = {
    "SIGTERM at logout": ("x11", lambda session, app: app.send_signal(signal.SIGTERM), {0}, None),
    "SIGINT from a terminal": ("x11", lambda session, app: app.send_signal(signal.SIGINT), {0}, None),
    # Qt's X11 plugin calls exit(1) when its connection breaks.
    "the X server ending": ("x11", lambda session, app: session.stop_process("xvfb"), {1},
                            "The X11 connection broke"),
    # Qt's Wayland plugin warns and calls _exit(), which runs no exit handler: _exit(1) in
    # Qt 6.4 (Debian 12), _exit(-1), status 255, in Qt 6.8 (Debian 13).
    "the Wayland compositor ending": ("wayland", lambda session, app: session.stop_process("sway"), {1, 255},
                                      "The Wayland connection broke"),
}
HOLDS = ("a silent proxy", "a credential helper that ignores SIGTERM")


class HangTest(SessionTestCase):
    """Ending the application ends the hanging aws call too: nothing of the call's process
    group is left, and the session's closing check finds nothing left running."""

    def start_hanging_app(self, session, hold="a silent proxy", desktop="x11"):
        """Starts the app in `session` on `desktop` ("x11": trayer under Xvfb, "wayland": sway
        without a panel, in a WaylandSession) with every call to AWS held by `hold`; returns
        the app once its listing call hangs there."""
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
        helper_pid = aws / "helper.pid"
        if hold == "a silent proxy":
            (aws / "config").write_text("[default]\nregion = us-east-1\n")
            (aws / "credentials").write_text("[default]\naws_access_key_id = x\naws_secret_access_key = y\n")
            reached = lambda: held  # noqa: E731
        else:
            # The aws tool runs the helper in its own process group, for credentials that never come.
            aws.chmod(0o777)  # the helper writes its pid there as whoever the app runs as
            helper = aws / "credential-helper"
            helper.write_text(f"#!/bin/sh\ntrap '' TERM\necho $$ > '{helper_pid}'\nexec sleep 600\n")
            helper.chmod(0o755)
            (aws / "config").write_text(f"[default]\nregion = us-east-1\ncredential_process = {helper}\n")
            (aws / "credentials").write_text("")
            reached = lambda: helper_pid.exists() and helper_pid.read_text().strip()  # noqa: E731
        session.env.update(HTTPS_PROXY=proxy, https_proxy=proxy, AWS_CONFIG_FILE=str(aws / "config"),
                           AWS_SHARED_CREDENTIALS_FILE=str(aws / "credentials"), AWS_EC2_METADATA_DISABLED="true")
        # Without a panel the app says that it finds no tray and runs on.
        session.start_desktop(tray=desktop != "wayland")
        app = session.start_app()
        wait_for(f"the listing call to hang at {hold}", reached)
        return app

    def test_menu_answers_and_quitting_does_not_wait(self):
        session = self.session
        app = self.start_hanging_app(session)
        # The list is still loading, and the menu opens and answers all the same.
        names = [e.name for e in session.read_menu(until=lambda entries: len(entries) > 3)]
        self.assertIn("読み込み中…", names)
        session.xdotool("key", "Escape")

        session.choose("終了")
        # Far below the aws tool's own time limit (120 s): quitting ends the call under way.
        wait_for("orvane to end", lambda: app.poll() is not None, timeout=30)
        self.assertEqual(app.returncode, 0)

    def test_the_session_ending_the_app_ends_its_aws_call_too(self):
        for index, ((ending, (desktop, end, statuses, says)), hold) in enumerate(itertools.product(ENDINGS.items(),
                                                                                                  HOLDS)):
            with self.subTest(ending=ending, hold=hold):
                log(f"ending by {ending}, the call held by {hold}")
                # A desktop each, as one case may end the X server.
                session = self.session if index == 0 else self.new_session(
                    WaylandSession if desktop == "wayland" else None)
                app = self.start_hanging_app(session, hold, desktop)
                groups = session.aws_children(app)
                self.assertEqual(len(groups), 1, "one aws call under way")
                end(session, app)
                # The forced exit after quitting comes within 3 s; the other ways sooner.
                wait_for("orvane to end", lambda: app.poll() is not None, timeout=15)
                self.assertIn(app.returncode, statuses, session.app_log.read_text())
                if says:
                    self.assertIn(says, session.app_log.read_text())
                # Gone by the time the app is: the test waits only for the kernel to finish.
                try:
                    wait_for("the aws call's process group to end", lambda: not group_members(groups[0]), timeout=2)
                except SessionError:
                    self.fail(f"the aws call's process group outlived the app: {group_members(groups[0])}")
                self.close_session(session)

    @staticmethod
    def hold(server, held):
        while True:
            try:
                held.append(server.accept()[0])
            except OSError:
                return


if __name__ == "__main__":
    run_tests()
