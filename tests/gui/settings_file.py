"""A mapping of texts in orvane's settings file, read and written as a person would: a section
named by the key, one line per entry, each text in double quotes with `\\` and `"` escaped by a
backslash (as Qt's INI format writes it). An earlier version kept a mapping as one line,
`key=@Variant(...)`, the value's QDataStream bytes (stream version Qt 4.0: type id, then for a
map its count and key/value pairs, each text as its byte length and UTF-16BE), written with
C-style escapes; read_map still reads that form."""

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


def _section(lines, key):
    """The range of the lines of section `key` (after its header), or None without one."""
    for start, line in enumerate(lines):
        if line.strip() == f"[{key}]":
            end = start + 1
            while end < len(lines) and not lines[end].startswith("["):
                end += 1
            return start + 1, end
    return None


def read_map(path, key):
    """The mapping stored under `key` in the settings file `path`, or None without one."""
    lines = path.read_text(encoding="utf-8").splitlines()
    section = _section(lines, key)
    if section:
        mapping = {}
        for line in lines[section[0]:section[1]]:
            if "=" in line:
                name, _, value = line.partition("=")
                mapping[name.strip()] = _unescape(value)
        return mapping
    for line in lines:
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
    """Replaces the section of `key` in the settings file `path` with `mapping`, as a person
    editing the file would write it."""
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    lines = path.read_text(encoding="utf-8").splitlines()
    entries = [f"{name}={quoted(text)}" for name, text in mapping.items()]
    section = _section(lines, key)
    if section:
        lines[section[0]:section[1]] = entries + [""]
    else:
        lines += ["", f"[{key}]"] + entries
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
