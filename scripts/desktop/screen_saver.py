#!/usr/bin/python3
"""A screen locker's D-Bus face for the GUI tests and measurements: owns
org.freedesktop.ScreenSaver on the session bus and serves its interface at the paths
given, as a desktop's locker does: GetActive answers whether the screen is locked,
SetActive(b) locks or unlocks it, and every change is signalled as ActiveChanged(b) at each
path. Tests lock and unlock through SetActive over the bus. Each call is logged on stdout.

Usage: screen_saver.py [--active] PATH...   (the bus from DBUS_SESSION_BUS_ADDRESS)
"""

import argparse
import sys

from bus_service import serve
from gi.repository import Gio, GLib

NAME = "org.freedesktop.ScreenSaver"
INTERFACE = Gio.DBusNodeInfo.new_for_xml(f"""
<node><interface name="{NAME}">
  <method name="GetActive"><arg type="b" direction="out"/></method>
  <method name="SetActive"><arg type="b" direction="in"/><arg type="b" direction="out"/></method>
  <signal name="ActiveChanged"><arg type="b"/></signal>
</interface></node>""").interfaces[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--active", action="store_true", help="start locked")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    state = {"active": args.active}

    def on_call(connection, sender, path, _interface, method, parameters, invocation):
        print(f"{method}{tuple(parameters.unpack())} from {sender} at {path}", flush=True)
        if method == "GetActive":
            invocation.return_value(GLib.Variant("(b)", (state["active"],)))
            return
        active = parameters.unpack()[0]
        changed = active != state["active"]
        state["active"] = active
        invocation.return_value(GLib.Variant("(b)", (True,)))
        if changed:
            for each in args.paths:
                connection.emit_signal(None, each, NAME, "ActiveChanged", GLib.Variant("(b)", (active,)))

    return serve(NAME, [(path, INTERFACE, on_call) for path in args.paths])


if __name__ == "__main__":
    sys.exit(main())
