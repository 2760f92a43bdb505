"""A mapping of texts in orvane's settings file, read and written as Qt does: QSettings keeps
a mapping in its INI file as `key=@Variant(...)`, the value's QDataStream bytes (stream
version Qt 4.0: type id, then for a map its count and key/value pairs, each text as its byte
length and UTF-16BE), written with C-style escapes."""

import re
import struct

MAP, STRING = 8, 10  # QMetaType ids of QVariantMap and QString
SIMPLE_ESCAPES = {"a": "\a", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v"}


def _unescape(raw):
    text = raw.strip()
    if len(text) >= 2 and text[0] == text[-1] == '"':
        text = text[1:-1]
    out, i = [], 0
    while i < len(text):
        if text[i] != "\\":
            out.append(text[i])
            i += 1
            continue
        i += 1
        if text[i] == "x":
            digits = re.match(r"[0-9a-fA-F]+", text[i + 1:]).group()
            out.append(chr(int(digits, 16)))
            i += 1 + len(digits)
        elif text[i] in "01234567":
            digits = re.match(r"[0-7]+", text[i:]).group()
            out.append(chr(int(digits, 8)))
            i += len(digits)
        else:
            out.append(SIMPLE_ESCAPES.get(text[i], text[i]))
            i += 1
    return "".join(out)


def _text(data, at):
    (length,) = struct.unpack_from(">I", data, at)
    at += 4
    return data[at:at + length].decode("utf-16-be"), at + length


def _encoded_text(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def read_map(path, key):
    """The mapping stored under `key` in the settings file `path`, or None without one."""
    for line in path.read_text(encoding="utf-8").splitlines():
        name, _, value = line.partition("=")
        if name != key:
            continue
        value = _unescape(value)
        assert value.startswith("@Variant(") and value.endswith(")"), value
        data = value[len("@Variant("):-1].encode("latin-1")
        kind, count = struct.unpack_from(">II", data, 0)
        assert kind == MAP, kind
        mapping, at = {}, 8
        for _ in range(count):
            name, at = _text(data, at)
            (kind,) = struct.unpack_from(">I", data, at)
            assert kind == STRING, kind
            mapping[name], at = _text(data, at + 4)
        return mapping
    return None


def write_map(path, key, mapping):
    """Replaces the line of `key` in the settings file `path` with `mapping`, each byte escaped."""
    data = struct.pack(">II", MAP, len(mapping))
    for name, text in mapping.items():
        data += _encoded_text(name) + struct.pack(">I", STRING) + _encoded_text(text)
    line = f"{key}=@Variant(" + "".join(f"\\x{byte:x}" for byte in data) + ")"
    lines = path.read_text(encoding="utf-8").splitlines()
    lines = [line if existing.partition("=")[0] == key else existing for existing in lines]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
