"""A private desktop session for running the real orvane as a person would, used by the GUI
tests (tests/gui), the README screenshot (scripts/screenshot.py) and the overhead
measurement (scripts/measure-overhead): the processes under supervision (processes), the
desktop itself (session), the driver of its menu and dialogs (menu), and a Wayland desktop
with a real panel (wayland) and GNOME Shell with its AppIndicator extension (gnome)."""

from .menu import Alert, MenuDriver, MenuEntry, atspi
from .processes import (MARKER, ProcessSupervisor, SessionError, group_members, log, marked_processes, wait_for,
                        written_lines, written_text)
from .session import REPO, SCREEN_SAVER, WATCHER, Session
from .wayland import WaylandSession

__all__ = ["Alert", "MenuDriver", "MenuEntry", "atspi", "MARKER", "ProcessSupervisor", "SessionError", "group_members",
           "log", "marked_processes", "wait_for", "written_lines", "written_text", "REPO", "SCREEN_SAVER", "WATCHER",
           "Session", "WaylandSession"]
