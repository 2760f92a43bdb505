"""Processes of a private desktop session, supervised: each started in a process group of
its own with the parent-death signal, every one carrying a marker in its environment, and a
guard that ends them all should the supervising process die outright. Closing finds and
ends exactly these processes and reports any that outlived the orderly stop."""

import os
import signal
import subprocess
import sys
import time

MARKER = "ORVANE_GUI_SESSION"
# util-linux's setpriv sets the parent-death signal, then runs the program in its place.
SETPRIV = "/usr/bin/setpriv"


def _exit_on_signal(signum, _frame):
    # Turns a polite kill (a ctest timeout, a closed terminal) into an exit that runs the
    # sessions' clean-up.
    raise SystemExit(128 + signum)


for _signal in (signal.SIGTERM, signal.SIGHUP):
    signal.signal(_signal, _exit_on_signal)


class SessionError(Exception):
    pass


_START = time.monotonic()


def log(message):
    """A timestamped progress line on stderr, for reading a slow or failed run."""
    print(f"[{time.monotonic() - _START:6.1f} s] {message}", file=sys.stderr, flush=True)


def wait_for(what, check, timeout=30.0, interval=0.2):
    """Polls `check` until it returns something true and returns that; raises after `timeout`."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise SessionError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def written_text(path):
    """What another process has written to the file `path` so far ("" before it exists); a
    character it is still writing reads as U+FFFD, never as an error."""
    try:
        return path.read_text(encoding="utf-8", errors="replace")
    except FileNotFoundError:
        return ""


def written_lines(path):
    """The lines another process has written whole to the file `path` so far: a line it is
    still writing is left for the next read."""
    text = written_text(path)
    return text[:text.rfind("\n") + 1].splitlines()


def marked_processes(marker):
    """PIDs of live (not zombie) processes whose environment carries `marker`."""
    needle = f"{MARKER}={marker}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/stat") as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except (OSError, IndexError):  # gone meanwhile, or read as it went
            continue
        if state != "Z":
            found.append(int(entry))
    return found


def group_members(group):
    """PIDs of the live (not zombie) processes of the process group `group`."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                state, _parent, process_group = f.read().rsplit(")", 1)[1].split()[:3]
        except (OSError, IndexError, ValueError):  # gone meanwhile, or read as it went
            continue
        if int(process_group) == group and state != "Z":
            found.append(int(entry))
    return found


class ProcessSupervisor:
    """The processes one session started, by name, in the session folder `root` (their logs
    are NAME.log there)."""

    def __init__(self, root, marker):
        self.root = root
        self.marker = marker
        self.processes = {}

    def spawn(self, name, argv, env, death_signal="KILL", user=None, **kwargs):
        # Each process leads a process group of its own, so stopping it reaches its children;
        # and it gets the parent-death signal, so a test killed outright takes it along.
        # `user` (uid, gid) runs it as that user, without supplementary groups.
        with open(self.root / f"{name}.log", "ab") as log:
            if user is not None:
                argv = [SETPRIV, f"--reuid={user[0]}", f"--regid={user[1]}", "--clear-groups",
                        "--pdeathsig", death_signal, "--", *argv]
            elif os.access(SETPRIV, os.X_OK):
                argv = [SETPRIV, "--pdeathsig", death_signal, "--", *argv]
            process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                       stdout=kwargs.pop("stdout", log), stderr=log, start_new_session=True,
                                       **kwargs)
        self.processes[name] = process
        if name != "guard":
            with open(self.root / "groups", "a") as groups:
                groups.write(f"{process.pid}\n")
        return process

    def start_guard(self, env, emulator, emulator_dir):
        """Starts the guard: should the supervising process die outright (a ctest timeout
        kills it), the kernel sends the guard TERM, and it ends every process group started
        here and the emulator (`emulator` stop `emulator_dir`), whose proxy is nobody's child.
        A group whose leader has gone may carry a number the system gave again, to another
        session's process beside this one: a group is ended only while its leader is gone or
        carries this session's marker."""
        (self.root / "groups").touch()
        trap = ('for g in $(cat "$1"); do e=$(tr "\\0" "\\n" 2>/dev/null <"/proc/$g/environ") && [ -n "$e" ] &&'
                f' ! grep -qxF "{MARKER}={self.marker}" <<<"$e" && continue; kill -KILL -- "-$g" 2>/dev/null; done;'
                ' [ -f "$2/pid" ] && "$0" stop "$2"')
        self.spawn("guard", ["bash", "-c", f"trap '{trap} >/dev/null; exit' TERM; while :; do sleep 1; done",
                             str(emulator), str(self.root / "groups"), str(emulator_dir)],
                   env, death_signal="TERM")

    def stop_process(self, name, timeout=10.0):
        process = self.processes.pop(name, None)
        if process is None:
            return
        if process.stdout:
            process.stdout.close()
        if process.poll() is not None:
            return
        try:
            os.killpg(process.pid, signal.SIGTERM)
        except ProcessLookupError:
            return
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(timeout)

    def disarm_guard(self):
        """Stops the guard. First its list is emptied: the groups it would end are gone, and
        their numbers may be reused."""
        (self.root / "groups").write_text("")
        self.stop_process("guard")

    def kill_leftovers(self):
        """Kills what still carries the marker and returns it (PID to name): none, normally."""
        leftovers = {}
        for pid in marked_processes(self.marker):
            try:
                with open(f"/proc/{pid}/comm") as f:
                    leftovers[pid] = f.read().strip()
                os.kill(pid, signal.SIGKILL)
            except (OSError, ProcessLookupError):
                pass
        if leftovers:
            try:
                wait_for("the killed processes to end", lambda: not marked_processes(self.marker), timeout=10)
            except SessionError:
                pass  # reported by the caller's own check
        return leftovers
