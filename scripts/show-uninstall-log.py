#!/usr/bin/env python3
# Prints an installation's uninst.dat readably: the header fields, the product texts, the
# folder records, the file tree, the shortcut list and the registry list.
#   show-uninstall-log.py UNINST.DAT [--keys | --shortcuts]
# --keys prints only the registry keys (HKLM\... / HKCU\...), --shortcuts only the shortcut
# paths, one a line, for scripts that look them up.
import struct
import sys

HEADER_FIELDS = [
    "file size", "notice", "event name", "short product name", "display name",
    "destination record", "Start Menu record", "file list", "registry list", "shortcut list",
    "uninstall command", "removal step count",
]
ROOTS = {1: "HKLM", 2: "HKCU"}
FILE_RECORD, DIRECTORY_RECORD, END_RECORD = 2, 1, 0


class LogError(Exception):
    pass


def read_text(data, at):
    end = data.find(b"\0", at)
    if at <= 0 or at >= len(data) or end < 0:
        raise LogError(f"no text at offset {at}")
    return data[at:end].decode("cp1252", "replace"), end + 1


def read_folder_record(data, at):
    if at + 4 > len(data):
        raise LogError(f"folder record at {at} runs past the end")
    existing = struct.unpack_from("<I", data, at)[0]
    path, _ = read_text(data, at + 4)
    return path, existing


def read_file_tree(data, at):
    """Lines of the file list, indented by depth, and the offset after its closing byte."""
    lines, depth = [], 0
    while True:
        if at >= len(data):
            raise LogError("the file list runs past the end")
        kind = data[at]
        at += 1
        if kind == END_RECORD:
            if depth == 0:
                return lines, at
            depth -= 1
        elif kind in (FILE_RECORD, DIRECTORY_RECORD):
            name, at = read_text(data, at)
            lines.append("  " * depth + (name + "\\" if kind == DIRECTORY_RECORD else name))
            depth += kind == DIRECTORY_RECORD
        else:
            raise LogError(f"unknown record type {kind} at offset {at - 1}")


def read_shortcuts(data, at):
    paths = []
    while True:
        if at >= len(data):
            raise LogError("the shortcut list runs past the end")
        if data[at] == 0:
            return paths
        path, at = read_text(data, at)
        paths.append(path)


def read_keys(data, at):
    keys = []
    while True:
        if at >= len(data):
            raise LogError("the registry list runs past the end")
        root = data[at]
        if root == 0:
            return keys
        path, at = read_text(data, at + 1)
        keys.append(f"{ROOTS.get(root, f'root {root}')}\\{path}")


def print_log(data, header):
    fields = dict(zip(HEADER_FIELDS, header))
    print(f"header ({len(data)} bytes on disk)")
    for name, value in fields.items():
        print(f"  {name:<20} {value}")
    if fields["file size"] != len(data):
        print(f"  !! the file size field differs from the file's length {len(data)}")

    print("product")
    for name in ("notice", "short product name", "display name", "event name", "uninstall command"):
        offset = fields[name]
        text = "'" + read_text(data, offset)[0].replace("\r", "\\r").replace("\n", "\\n") + "'" if offset else "(none)"
        print(f"  {name:<20} {text}")

    print("folders (created from the marked point on)")
    for name in ("destination record", "Start Menu record"):
        if not fields[name]:
            print(f"  {name:<20} (none)")
            continue
        path, existing = read_folder_record(data, fields[name])
        print(f"  {name:<20} {path[:existing]}|{path[existing:]}  (existing length {existing})")

    lines, _ = read_file_tree(data, fields["file list"])
    print(f"files ({sum(not line.endswith(chr(92)) for line in lines)} files)")
    for line in lines:
        print(f"  {line}")

    shortcuts = read_shortcuts(data, fields["shortcut list"])
    print(f"shortcuts ({len(shortcuts)})")
    for path in shortcuts:
        print(f"  {path}")

    keys = read_keys(data, fields["registry list"])
    print(f"registry keys ({len(keys)})")
    for key in keys:
        print(f"  {key}")


def main():
    if len(sys.argv) not in (2, 3) or (len(sys.argv) == 3 and sys.argv[2] not in ("--keys", "--shortcuts")):
        sys.exit("usage: show-uninstall-log.py UNINST.DAT [--keys | --shortcuts]")
    with open(sys.argv[1], "rb") as file:
        data = file.read()
    if len(data) < 4 * len(HEADER_FIELDS):
        sys.exit(f"{sys.argv[1]}: {len(data)} bytes, shorter than the log header")
    header = struct.unpack_from(f"<{len(HEADER_FIELDS)}I", data, 0)
    fields = dict(zip(HEADER_FIELDS, header))
    try:
        if len(sys.argv) == 3 and sys.argv[2] == "--keys":
            print("\n".join(read_keys(data, fields["registry list"])))
        elif len(sys.argv) == 3:
            print("\n".join(read_shortcuts(data, fields["shortcut list"])))
        else:
            print_log(data, header)
    except LogError as error:
        sys.exit(f"{sys.argv[1]}: {error}")


if __name__ == "__main__":
    main()
