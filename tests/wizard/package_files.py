# Shared by the wizard's Python checks: the sample product's files in package order, how an
# installed file compares with the package's, a raw package's file streams, uninstall log
# records, and the Wine prefix's side: registry values, a silent removal and keys it must take.
import os
import struct
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")


def read_package_order(product, uninstaller):
    """(relative path, source, depth) of every folder and file as the package holds them: each
    level sorted by name, a folder's contents right after it; the tool adds uninst.exe."""
    order = []

    def walk(folder, relative, depth, added):
        sources = {name: os.path.join(folder, name) for name in os.listdir(folder)}
        sources.update(added)
        for name in sorted(sources):
            order.append((os.path.join(relative, name), sources[name], depth))
            if os.path.isdir(sources[name]):
                walk(sources[name], os.path.join(relative, name), depth + 1, {})

    walk(product, "", 0, {"uninst.exe": uninstaller})
    return order


def build_file_list(order):
    """The uninstall log's file list for a complete installation of these records."""
    data = b"\x02uninst.dat\0"
    depth = 0
    for path, source, level in order:
        data += b"\0" * (depth - level)
        depth = level
        if os.path.isdir(source):
            data += b"\x01" + os.path.basename(path).encode() + b"\0"
            depth += 1
        else:
            data += b"\x02" + os.path.basename(path).encode() + b"\0"
    return data + b"\0" * (depth + 1)


def find_packed_stream(package, name, top_level_only=False):
    """(offset, packed size, size) of the stream of the first file named `name` (bytes) in a
    raw package's tree, in tree order; None when there is none."""
    at = struct.unpack_from("<I", package, 76)[0]  # the file tree's offset
    depth = 0
    while True:
        attributes = struct.unpack_from("<I", package, at)[0]
        if attributes == 0xFFFFFFFF:
            depth -= 1
            if depth < 0:
                return None
            at += 4
        elif attributes & 0x10:
            depth += 1
            at = package.index(b"\0", at + 4) + 1
        else:
            packed, size = struct.unpack_from("<II", package, at + 4)
            end = package.index(b"\0", at + 20)
            data = end + 1
            if package[at + 20:end] == name and (depth == 0 or not top_level_only):
                return data, packed, size
            at = data + (packed if size else 0)


def compare_with_package(installed, source):
    """What differs between an installed folder or file and the package's."""
    if os.path.isdir(source):
        return [] if os.path.isdir(installed) else [f"{installed}: missing folder"]
    if not os.path.isfile(installed):
        return [f"{installed}: missing file"]
    problems = []
    with open(source, "rb") as a, open(installed, "rb") as b:
        if a.read() != b.read():
            problems.append(f"{installed}: content differs from the package's")
    if int(os.stat(source).st_mtime) != int(os.stat(installed).st_mtime):
        problems.append(f"{installed}: last-write time is not the package's")
    return problems


def is_read_only(path):
    return os.stat(path).st_mode & 0o222 == 0


def read_folder_record(log, header_offset):
    """(existing length, path) of the folder record that the header field points to."""
    at = struct.unpack_from("<I", log, header_offset)[0]
    existing = struct.unpack_from("<I", log, at)[0]
    end = log.index(b"\0", at + 4)
    return existing, log[at + 4:end].decode("cp1252")


def find_prefix_user(state):
    """The name of the Wine prefix's user, whose profile holds the shell folders."""
    users = os.path.join(state, "prefix", "drive_c", "users")
    return [user for user in os.listdir(users) if user.lower() != "public"][0]


def unix_path_in_prefix(state, path):
    """The Unix path of the prefix's C: drive PATH."""
    return os.path.join(state, "prefix", "drive_c", path[3:].replace("\\", "/"))


def take_paths_left(state, paths):
    """The failures for the prefix's Windows PATHS that a removal left, which go then, so that
    the next scenario does not find them."""
    failures = []
    for path in paths:
        if os.path.exists(unix_path_in_prefix(state, path)):
            failures.append(f"the removal left {path}")
            subprocess.run(["rm", "-rf", unix_path_in_prefix(state, path)])
    return failures


def wine_path(path):
    return "Z:" + os.path.realpath(path).replace("/", "\\")


def read_registry_values(state, key, types=None):
    """The values of a key in the prefix of Wine session STATE, by name; `types`, when given,
    receives each value's type."""
    result = subprocess.run([WINE_RUN, state, "reg", "query", key], capture_output=True, text=True)
    values = {}
    for line in result.stdout.replace("\r", "").splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3:
            values[parts[0]] = parts[2]
            if types is not None:
                types[parts[0]] = parts[1]
    return values


def remove_silently(state, destination):
    """Runs the uninstaller of DESTINATION (a Unix path) with /S and waits for its cleanup copy,
    which takes the uninstaller and the log after it has exited; the failures, as texts."""
    failures = []
    removal = subprocess.run([WINE_RUN, state, wine_path(os.path.join(destination, "uninst.exe")), "/S"],
                             capture_output=True)
    if removal.returncode != 0:
        failures.append(f"the removal ended with exit code {removal.returncode}")
    for _ in range(100):
        if not os.path.exists(destination):
            return failures
        time.sleep(0.2)
    left = sorted(os.path.relpath(os.path.join(folder, name), destination)
                  for folder, folders, files in os.walk(destination) for name in folders + files)
    return failures + [f"the removal left {left}"]


def take_key_left(state, key):
    """True when KEY is still in the prefix, which it then leaves for the next scenario."""
    if subprocess.run([WINE_RUN, state, "reg", "query", key], capture_output=True).returncode != 0:
        return False
    subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
    return True
