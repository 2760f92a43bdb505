"""A private desktop session for running the real orvane as a person would, used by the GUI
tests (tests/gui), the README screenshot (scripts/screenshot.py) and the overhead
measurement (scripts/measure-overhead): the processes under supervision (processes), the
desktop itself (session) and the driver of its menu and dialogs (menu)."""

from .menu import Alert, MenuDriver, MenuEntry, atspi
from .processes import MARKER, ProcessSupervisor, SessionError, group_members, log, marked_processes, wait_for
from .session import REPO, SCREEN_SAVER, WATCHER, Session

__all__ = ["Alert", "MenuDriver", "MenuEntry", "atspi", "MARKER", "ProcessSupervisor", "SessionError", "group_members",
           "log", "marked_processes", "wait_for", "REPO", "SCREEN_SAVER", "WATCHER", "Session"]
