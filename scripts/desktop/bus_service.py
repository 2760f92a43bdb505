"""What the stand-in D-Bus services (screen_saver.py, notifications.py) share: their objects
registered on the session bus (DBUS_SESSION_BUS_ADDRESS), their name owned, and calls
answered until the name is lost."""

from gi.repository import Gio, GLib


def serve(name, objects):
    """Registers each (path, interface, on_call) of `objects`, owns `name` and answers calls
    until the name is lost; returns 1 then. Owning and losing the name are logged on stdout."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    for path, interface, on_call in objects:
        bus.register_object(path, interface, on_call, None, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: print(f"owns {name}", flush=True),
                                   lambda *_: (print(f"lost {name}", flush=True), loop.quit()))
    loop.run()
    return 1
