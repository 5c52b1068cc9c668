#!/usr/bin/env python3
# Checks what the sample's installation left on disk and in the registry of the Wine prefix:
# files, times and attributes, uninst.dat byte by byte, links and keys, for the choice set that
# the scenario made (SAMPLE_CHOICES):
#   every    every icon and the Start Menu folder "Inkwell 1.0" (the default)
#   bare     no icons and no Start Menu folder (the scenario names the folder "Inkwell Bare"
#            before ticking the box, so that the folder can be seen not to be made)
#   desktop  the Desktop icon and the Start Menu folder "Inkwell Tools\Inkwell 1.0"
#   installed_sample.py WORK_UNIX STATE_DIR   (SAMPLE_PRODUCT: the product's source folder,
#   SAMPLE_UNINSTALLER: the uninstaller that the tool added to the package)
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import compare_with_package, read_registry_values, wine_path

work, state = sys.argv[1], sys.argv[2]
choices = os.environ.get("SAMPLE_CHOICES", "every")
product = os.environ["SAMPLE_PRODUCT"]
uninstaller = os.environ["SAMPLE_UNINSTALLER"]
prefix = os.path.join(state, "prefix")
failures = []


def fail(text):
    failures.append(text)


def unix_path(path):
    assert path[1:3] == ":\\", path
    drive = "drive_c" if path[0].upper() == "C" else None
    if drive is None:
        return "/" + path[3:].replace("\\", "/")
    return os.path.join(prefix, drive, path[3:].replace("\\", "/"))


def xattr_unsupported(path):
    try:
        os.listxattr(path)
        return False
    except OSError:
        return True


destination = os.path.join(work, "Inkwell")
destination_wine = wine_path(destination)

# Files: content, size and last-write time from the package; read-only and hidden; folders.
for folder, folders, files in os.walk(product):
    relative = os.path.relpath(folder, product)
    for name in folders + files:
        installed = os.path.join(destination, relative, name)
        failures.extend(compare_with_package(installed, os.path.join(folder, name)))
        if name in folders or not os.path.isfile(installed):
            continue
        writable = os.stat(installed).st_mode & 0o222 != 0
        if writable == (name == "license.txt"):
            fail(f"{installed}: read-only is {not writable}")
        # Wine keeps the hidden attribute in this extended attribute where the file system can.
        try:
            dos = int(os.getxattr(installed, "user.DOSATTRIB").rstrip(b"\0"), 16)
        except OSError:
            dos = None if xattr_unsupported(installed) else 0
        if dos is not None and bool(dos & 0x2) != (name == "tips.txt"):
            fail(f"{installed}: hidden is {bool(dos & 0x2)}")

# The uninstaller that the tool added beside the product's own files.
installed_uninstaller = os.path.join(destination, "uninst.exe")
if not os.path.isfile(installed_uninstaller):
    fail("missing file uninst.exe")
else:
    with open(uninstaller, "rb") as a, open(installed_uninstaller, "rb") as b:
        if a.read() != b.read():
            fail("uninst.exe: content differs from the tool's uninstaller")
package_bytes = os.path.getsize(uninstaller) + sum(
    os.path.getsize(os.path.join(folder, name)) for folder, _, files in os.walk(product) for name in files)

# The folder variables of this prefix's user.
users = [u for u in os.listdir(os.path.join(prefix, "drive_c", "users")) if u not in ("Public", "public")]
user_dir = f"C:\\users\\{users[0]}"
roaming = user_dir + "\\AppData\\Roaming\\Microsoft"
programs = roaming + "\\Windows\\Start Menu\\Programs"
desktop_link = (user_dir + "\\Desktop\\Inkwell.lnk", "Inkwell.exe", True, 1)
single_links = [
    desktop_link,
    (roaming + "\\Internet Explorer\\Quick Launch\\Inkwell.lnk", "Inkwell.exe", True, 1),
    (programs + "\\StartUp\\Inkwell (minimized).lnk", "Inkwell.exe", True, 2),
]
# The Start Menu list's third entry has no Start Menu flag, so two links go into the folder.
def menu_links(menu):
    return [(menu + "\\Inkwell.lnk", "Inkwell.exe", True, 1),
            (menu + "\\Inkwell Manual.lnk", "manual.txt", False, 3)]
if choices == "every":
    menu = programs + "\\Inkwell 1.0"
    links = single_links + menu_links(menu)
    # The folder may be left from an earlier run in this prefix.
    existing_menu_lengths = (len(programs), len(menu))
elif choices == "desktop":
    menu = programs + "\\Inkwell Tools\\Inkwell 1.0"
    links = [desktop_link] + menu_links(menu)
    existing_menu_lengths = (len(programs), len(programs + "\\Inkwell Tools"), len(menu))
elif choices == "bare":
    menu = None
    links = []
    if os.path.exists(unix_path(programs + "\\Inkwell Bare")):
        fail("the Start Menu folder was made although its box was ticked")
else:
    sys.exit(f"unknown SAMPLE_CHOICES {choices}")

# uninst.dat, rebuilt from the format and compared whole.
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
if menu:
    existing_menu = struct.unpack_from("<I", log, log.find(menu.encode() + b"\0") - 4)[0]
    if existing_menu not in existing_menu_lengths:
        fail(f"uninst.dat: Start Menu record's existing length {existing_menu}")
body = [
    ("notice", b"Quillset sample product\nNot for production use\0"),
    ("short", b"Inkwell\0"),
    ("display", b"Inkwell 1.0\0"),
    ("event", b"InkwellRunning\0"),
    ("command", b'"%InstallDir%\\Inkwell.exe" /cleanup\0'),
    ("destination", struct.pack("<I", len(wine_path(work))) + destination_wine.encode() + b"\0"),
    ("menu", struct.pack("<I", existing_menu) + menu.encode() + b"\0" if menu else b""),
    ("files", b"\x02uninst.dat\0\x02Inkwell.exe\0\x01docs\0\x02notes.txt\0\x01templates\0\0"
              b"\x02tips.txt\0\0\x02license.txt\0\x02manual.txt\0\x02uninst.exe\0\0"),
    ("shortcuts", b"".join(path.encode() + b"\0" for path, _, _, _ in links) + b"\0"),
    ("registry", b"\x02Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0\0"
                 b"\x01Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Inkwell.exe\0\0"),
]
offsets = {}
at = 48
for name, data in body:
    offsets[name] = at
    at += len(data)
removal_steps = 6 + len(links) + 3 + 1  # five product files and the uninstaller
header = struct.pack("<12I", at, offsets["notice"], offsets["event"], offsets["short"],
                     offsets["display"], offsets["destination"], offsets["menu"] if menu else 0,
                     offsets["files"], offsets["registry"], offsets["shortcuts"],
                     offsets["command"], removal_steps)
expected = header + b"".join(data for _, data in body)
if log != expected:
    for i in range(min(len(log), len(expected))):
        if log[i] != expected[i]:
            break
    fail(f"uninst.dat: {len(log)} bytes, expected {len(expected)}; first difference at {i}: "
         f"{log[i:i + 24]!r} instead of {expected[i:i + 24]!r}")

# Links, read back with lnkinfo; its release prints no show command, so that comes from the
# link header's field at byte 60.
for path, target, has_working_dir, show in links:
    file = unix_path(path)
    if not os.path.isfile(file):
        fail(f"missing link {path}")
        continue
    info = subprocess.run(["lnkinfo", file], capture_output=True, text=True).stdout
    fields = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        if value:
            fields.setdefault(key.strip(), value.strip())
    if fields.get("Local path") != destination_wine + "\\" + target:
        fail(f"{path}: target {fields.get('Local path')}")
    if fields.get("Working directory") != (destination_wine if has_working_dir else None):
        fail(f"{path}: working directory {fields.get('Working directory')}")
    with open(file, "rb") as f:
        if struct.unpack_from("<I", f.read(64), 60)[0] != show:
            fail(f"{path}: show command is not {show}")


uninstall_types = {}
uninstall = read_registry_values(
    state, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0", uninstall_types)
expected_values = {
    "DisplayName": ("REG_SZ", "Inkwell 1.0"),
    "UninstallString": ("REG_SZ", f'"{destination_wine}\\uninst.exe"'),
    "QuietUninstallString": ("REG_SZ", f'"{destination_wine}\\uninst.exe" /S'),
    "InstallLocation": ("REG_SZ", destination_wine),
    "EstimatedSize": ("REG_DWORD", hex((package_bytes + 1023) // 1024)),
    "DisplayIcon": ("REG_SZ", destination_wine + "\\Inkwell.exe"),
    "NoModify": ("REG_DWORD", "0x1"),
    "NoRepair": ("REG_DWORD", "0x1"),
}
for name, (kind, data) in expected_values.items():
    if (uninstall_types.get(name), uninstall.get(name)) != (kind, data):
        fail(f"Uninstall key {name}: {uninstall_types.get(name)} {uninstall.get(name)!r}, "
             f"expected {kind} {data!r}")
if set(uninstall) != set(expected_values):
    fail(f"Uninstall key holds other values: {sorted(set(uninstall) - set(expected_values))}")
app_paths = read_registry_values(
    state, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Inkwell.exe")
if app_paths.get("(Default)") != destination_wine + "\\Inkwell.exe" or \
        app_paths.get("Path") != destination_wine:
    fail(f"App Paths key: {app_paths}")

for text in failures:
    print("FAILED:", text)
print(f"installed sample: {len(failures)} failures")
sys.exit(1 if failures else 0)
