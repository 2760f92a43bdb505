#!/usr/bin/python3
"""A notification server's D-Bus face for the GUI tests: owns org.freedesktop.Notifications
on the session bus and serves its interface at /org/freedesktop/Notifications. Each Notify
call is appended to the record file as one JSON line (its arguments by name) and answered
with a new id; nothing is shown.

Usage: notifications.py RECORD   (the bus from DBUS_SESSION_BUS_ADDRESS)
"""

import json
import sys

from bus_service import serve
from gi.repository import Gio, GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"
INTERFACE = Gio.DBusNodeInfo.new_for_xml(f"""
<node><interface name="{NAME}">
  <method name="Notify">
    <arg name="app_name" type="s" direction="in"/><arg name="replaces_id" type="u" direction="in"/>
    <arg name="app_icon" type="s" direction="in"/><arg name="summary" type="s" direction="in"/>
    <arg name="body" type="s" direction="in"/><arg name="actions" type="as" direction="in"/>
    <arg name="hints" type="a{{sv}}" direction="in"/><arg name="expire_timeout" type="i" direction="in"/>
    <arg name="id" type="u" direction="out"/>
  </method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="GetServerInformation">
    <arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/>
  </method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface></node>""").interfaces[0]
NOTIFY_ARGS = ["app_name", "replaces_id", "app_icon", "summary", "body", "actions", "hints", "expire_timeout"]


def main():
    record = sys.argv[1]
    ids = iter(range(1, 1 << 31))

    def on_call(_connection, sender, _path, _interface, method, parameters, invocation):
        print(f"{method} from {sender}", flush=True)
        if method == "Notify":
            call = dict(zip(NOTIFY_ARGS, parameters.unpack()))
            with open(record, "a", encoding="utf-8") as out:
                out.write(json.dumps(call, ensure_ascii=False) + "\n")
            invocation.return_value(GLib.Variant("(u)", (next(ids),)))
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("gui-test", "orvane", "1", "1.2")))
        else:
            invocation.return_value(None)

    return serve(NAME, [(PATH, INTERFACE, on_call)])


if __name__ == "__main__":
    sys.exit(main())
