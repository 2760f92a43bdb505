"""A pointer for a wlroots compositor (sway) that has no input devices: a Wayland client of
its own that creates a virtual pointer (zwlr_virtual_pointer_v1) on the seat and moves and
clicks it, so that clients such as waybar get real pointer events, as from a mouse. It
speaks the Wayland wire format itself: the few requests it needs take no file descriptors.
"""

import socket
import struct
import time

# Object ids this client allocates, in order.
DISPLAY, REGISTRY, CALLBACK, SEAT, MANAGER, POINTER = 1, 2, 3, 4, 5, 6
BUTTONS = {1: 0x110, 2: 0x112, 3: 0x111}  # BTN_LEFT, BTN_MIDDLE, BTN_RIGHT (linux/input-event-codes.h)


def _string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class VirtualPointer:
    """Connects to the compositor at the socket `path` and makes a pointer on its seat; the
    screen is `extent` (width, height) in layout coordinates."""

    def __init__(self, path, extent, timeout=10.0):
        self.extent = extent
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout)
        self.sock.connect(str(path))
        self.buffer = b""
        self.send(DISPLAY, 1, struct.pack("<I", REGISTRY))  # wl_display.get_registry
        globals_ = self.roundtrip()
        missing = {"wl_seat", "zwlr_virtual_pointer_manager_v1"} - set(globals_)
        if missing:
            raise RuntimeError(f"the compositor offers no {', '.join(sorted(missing))}")
        for interface, new_id in (("wl_seat", SEAT), ("zwlr_virtual_pointer_manager_v1", MANAGER)):
            name, _ = globals_[interface]
            # wl_registry.bind(name, interface, version 1, new id)
            self.send(REGISTRY, 0, struct.pack("<I", name) + _string(interface) + struct.pack("<II", 1, new_id))
        # zwlr_virtual_pointer_manager_v1.create_virtual_pointer(seat, new id)
        self.send(MANAGER, 0, struct.pack("<II", SEAT, POINTER))
        self.roundtrip()

    def send(self, target, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", target, ((8 + len(payload)) << 16) | opcode) + payload)

    def roundtrip(self):
        """Sends wl_display.sync and reads events until its callback is done; returns the
        globals announced meanwhile (interface -> (name, version))."""
        self.send(DISPLAY, 0, struct.pack("<I", CALLBACK))
        found = {}
        while True:
            while len(self.buffer) < 8:
                self.receive()
            sender, word = struct.unpack("<II", self.buffer[:8])
            size, opcode = word >> 16, word & 0xFFFF
            while len(self.buffer) < size:
                self.receive()
            body, self.buffer = self.buffer[8:size], self.buffer[size:]
            if sender == DISPLAY and opcode == 0:  # wl_display.error(object, code, message)
                _, code, length = struct.unpack("<III", body[:12])
                raise RuntimeError(f"Wayland error {code}: {body[12:12 + length - 1].decode(errors='replace')}")
            if sender == REGISTRY and opcode == 0:  # wl_registry.global(name, interface, version)
                name, length = struct.unpack("<II", body[:8])
                interface = body[8:8 + length - 1].decode()
                found[interface] = (name, struct.unpack("<I", body[8 + length + (-length % 4):][:4])[0])
            if sender == CALLBACK and opcode == 0:  # wl_callback.done: the id is free again
                return found

    def receive(self):
        data = self.sock.recv(65536)
        if not data:
            raise RuntimeError("the compositor closed the connection")
        self.buffer += data

    @staticmethod
    def now():
        return int(time.monotonic() * 1000) & 0xFFFFFFFF

    def move(self, x, y):
        # motion_absolute(time, x, y, x_extent, y_extent), then frame
        self.send(POINTER, 1, struct.pack("<IIIII", self.now(), x, y, *self.extent))
        self.send(POINTER, 4)
        self.roundtrip()

    def click(self, x, y, button=1):
        """Moves to (x, y) and presses and releases `button` (1 left, 2 middle, 3 right)."""
        self.move(x, y)
        time.sleep(0.1)
        for state in (1, 0):
            self.send(POINTER, 2, struct.pack("<III", self.now(), BUTTONS[button], state))  # button
            self.send(POINTER, 4)  # frame
            self.roundtrip()
            time.sleep(0.05)

    def close(self):
        self.send(POINTER, 8)  # destroy
        self.sock.close()
