#!/usr/bin/env python3
# Installs the sample with every option and removes it again the way the system would, three
# times: silently through QuietUninstallString, then interactively through UninstallString with
# a user's file in the destination, then silently with another program's App Paths entry of the
# same name already there, which must stay as it was. The Wine prefix must end as it was before
# each round.
#   round_trip.py STATE_DIR DRIVER WATCH SETUP INKWELL
#
# What the prefix snapshot holds, and why:
# - every file (with its size) and folder under drive_c, except windows\ (Wine rewrites it as it
#   runs) and the Temp folders (programs leave files there; the uninstaller's temporary copy
#   stays there until a later run or a reboot removes it);
# - folders that Wine links to the Unix home (Desktop, Documents...): their .lnk files only,
#   since the home holds much else that is not the prefix's;
# - the registry keys the product touches: its Uninstall key, its App Paths key and the key that
#   Inkwell keeps its settings in (which the uninstall command removes), each with its subkeys.
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(here))
from package_files import WINE_RUN, read_registry_values, wine_path

state, driver, watch, setup, inkwell = sys.argv[1:6]
scenario = os.path.join(here, "install_everything.txt")
drive_c = os.path.join(state, "prefix", "drive_c")
REMOVAL_WAIT = 30  # seconds for the temporary copy to remove uninst.exe and the folder
KEYS = [
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Inkwell.exe",
    "HKCU\\Software\\Quillset Samples",
]
FOREIGN_PROGRAM = "C:\\Other Vendor\\Inkwell.exe"
USER_FILE = "my notes.txt"
USER_TEXT = b"kept by the user\r\n"
failures = []


def fail(text):
    print("FAILED:", text, flush=True)
    failures.append(text)


def wine(*arguments):
    return subprocess.run([WINE_RUN, state, *arguments], capture_output=True, text=True)


def is_excluded(relative):
    # The walk's top folder is ".", so "./windows" must be read as "windows".
    parts = os.path.normpath(relative).lower().split(os.sep)
    return parts[0] == "windows" or "temp" in parts


def snapshot_files():
    entries = set()
    linked = set()
    for folder, folders, files in os.walk(drive_c):
        relative = os.path.relpath(folder, drive_c)
        folders[:] = [name for name in folders if not is_excluded(os.path.join(relative, name))]
        for name in folders + files:
            path = os.path.join(folder, name)
            entry = os.path.normpath(os.path.join(relative, name))
            if os.path.islink(path):
                linked.add(os.path.realpath(path))
                entries.add((entry, "link"))
            elif os.path.isdir(path):
                entries.add((entry, "folder"))
            else:
                entries.add((entry, os.path.getsize(path)))
    for target in linked:
        if os.path.isdir(target):
            for name in os.listdir(target):
                if name.lower().endswith(".lnk"):
                    entries.add((os.path.join(target, name), os.path.getsize(os.path.join(target, name))))
    return entries


def query_key(key):
    result = wine("reg", "query", key, "/s")
    return result.returncode, result.stdout.replace("\r", "").strip()


def snapshot():
    return snapshot_files(), {key: query_key(key) for key in KEYS}


def compare(round_name, before, after):
    files_before, keys_before = before
    files_after, keys_after = after
    for entry in sorted(files_after - files_before, key=str):
        fail(f"{round_name}: left or changed in the prefix: {entry}")
    for entry in sorted(files_before - files_after, key=str):
        fail(f"{round_name}: gone from or changed in the prefix: {entry}")
    for key in KEYS:
        if keys_before[key] != keys_after[key]:
            fail(f"{round_name}: registry key {key} was {keys_before[key]}, is {keys_after[key]}")


def prepare_prefix():
    # The Quick Launch box needs this folder, which a fresh profile lacks; the test puts it there
    # on purpose before the snapshot, so that it is part of the state compared.
    users = [u for u in os.listdir(os.path.join(drive_c, "users")) if u.lower() != "public"]
    profile = os.path.join(drive_c, "users", users[0])
    roaming = os.path.join(profile, "AppData", "Roaming", "Microsoft")
    quick_launch = os.path.join(roaming, "Internet Explorer", "Quick Launch")
    os.makedirs(quick_launch, exist_ok=True)
    # Other scenarios install the sample and remove only their destination: clear the links and
    # keys they leave, so that this installation starts from a prefix without the product.
    programs = os.path.join(roaming, "Windows", "Start Menu", "Programs")
    for link in [os.path.join(profile, "Desktop", "Inkwell.lnk"), os.path.join(quick_launch, "Inkwell.lnk"),
                 os.path.join(programs, "StartUp", "Inkwell (minimized).lnk")]:
        if os.path.lexists(link):
            os.remove(link)
    shutil.rmtree(os.path.join(programs, "Inkwell 1.0"), ignore_errors=True)
    for key in KEYS:
        wine("reg", "delete", key, "/f")


def wait_for_removal(destination, user_file):
    # The temporary copy removes uninst.exe and the emptied folders after the uninstaller ended.
    deadline = time.monotonic() + REMOVAL_WAIT
    while time.monotonic() < deadline:
        if not os.path.exists(os.path.join(destination, "uninst.exe")) and \
                os.path.exists(destination) == user_file:
            return
        time.sleep(0.2)


def listing(folder):
    return sorted(os.path.relpath(os.path.join(base, name), folder)
                  for base, folders, files in os.walk(folder) for name in folders + files)


def run_round(round_name, user_file, foreign_app_path=False):
    work = tempfile.mkdtemp(prefix="quillset-uninstall.")
    destination = os.path.join(work, "Inkwell")
    destination_wine = wine_path(destination)
    try:
        prepare_prefix()
        if foreign_app_path:
            wine("reg", "add", KEYS[1], "/ve", "/d", FOREIGN_PROGRAM, "/f")
        before = snapshot()
        if before[1][KEYS[0]][0] == 0:
            fail(f"{round_name}: the product is already installed in this prefix")
            return
        result = subprocess.run([WINE_RUN, state, driver, wine_path(scenario), f"WORK={wine_path(work)}",
                                 f"SETUP_SAMPLE={wine_path(setup)}", f"INKWELL={wine_path(inkwell)}"])
        if result.returncode != 0:
            fail(f"{round_name}: the installation scenario failed")
            return
        if query_key(KEYS[2])[0] != 0:
            fail(f"{round_name}: Inkwell's own key is missing after it ran")

        if foreign_app_path and read_registry_values(state, KEYS[1]) != {"(Default)": FOREIGN_PROGRAM}:
            fail(f"{round_name}: the other program's App Paths entry now reads "
                 f"{read_registry_values(state, KEYS[1])}")

        values = read_registry_values(state, KEYS[0])
        uninstaller = f'"{destination_wine}\\uninst.exe"'
        if user_file:
            command = values.get("UninstallString")
            expected, mode = uninstaller, "kept"
            with open(os.path.join(destination, USER_FILE), "wb") as f:
                f.write(USER_TEXT)
        else:
            command = values.get("QuietUninstallString")
            expected, mode = uninstaller + " /S", "silent"
        if command != expected:
            fail(f"{round_name}: the registry's command reads {command!r}, expected {expected!r}")
            return
        result = subprocess.run([WINE_RUN, state, watch, mode, command, "Inkwell", "Inkwell 1.0"],
                                capture_output=True, text=True)
        print(result.stdout, end="", flush=True)
        if result.returncode != 0:
            fail(f"{round_name}: the uninstaller, started as {command}, did not do as expected")
        # The closing message lists only the destination, which the user's file keeps.
        kept_head = "did not come with it:\n\n"
        if user_file and kept_head not in result.stdout:
            fail(f"{round_name}: the closing message does not list the kept folders")
        if user_file and kept_head in result.stdout:
            listed = result.stdout.split(kept_head, 1)[1].split("\n")
            listed = [line for line in listed[:listed.index("")] if line] if "" in listed else listed
            if listed != [destination_wine]:
                fail(f"{round_name}: the closing message lists {listed}, expected {[destination_wine]}")
        wait_for_removal(destination, user_file)

        left = listing(work)
        expected_left = ["Inkwell", os.path.join("Inkwell", USER_FILE)] if user_file else []
        if left != expected_left:
            fail(f"{round_name}: the work folder holds {left}, expected {expected_left}")
        if user_file and os.path.isfile(os.path.join(destination, USER_FILE)):
            with open(os.path.join(destination, USER_FILE), "rb") as f:
                if f.read() != USER_TEXT:
                    fail(f"{round_name}: the user's file changed")
        compare(round_name, before, snapshot())
    finally:
        # A round that failed half-way must not leave the product installed for the next test.
        if os.path.exists(os.path.join(destination, "uninst.exe")):
            wine(os.path.join(destination_wine, "uninst.exe"), "/S")
            wait_for_removal(destination, True)
        shutil.rmtree(work, ignore_errors=True)
        if foreign_app_path:
            wine("reg", "delete", KEYS[1], "/f")


run_round("silent round", user_file=False)
run_round("interactive round", user_file=True)
run_round("round beside another program's App Paths entry", user_file=False, foreign_app_path=True)
print(f"uninstall round trip: {len(failures)} failures")
sys.exit(1 if failures else 0)
