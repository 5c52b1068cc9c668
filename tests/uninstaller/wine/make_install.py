# Makes a fake installation with a hand-written "uninst.dat" for the uninstaller's Wine tests:
#   make_install.py ROOT UNINST_EXE [user | slashes | plugins | apppaths | command COMMAND_EXE]
# "user" adds a file of the user's in docs/; "slashes" records the destination with forward
# slashes, as typed by a user; "plugins" adds 60 files with long paths in docs/plugins/;
# "apppaths" records the App Paths keys SmokeApp.exe, SmokeTaken.exe and SmokeExpanded.exe;
# "command" installs COMMAND_EXE as broadcast.exe and records it as the product's uninstall
# command.
# Prints the destination directory as Wine sees it.
import os
import shutil
import struct
import sys

root, uninst = sys.argv[1], sys.argv[2]
with_user_file = sys.argv[3:4] == ['user']
command_exe = sys.argv[4] if sys.argv[3:4] == ['command'] else None
with_slashes = sys.argv[3:4] == ['slashes']
with_app_paths = sys.argv[3:4] == ['apppaths']
destination = os.path.join(root, 'Apps', 'Smoke Product')
# Each plugin's path is 240 characters long as Wine sees it, so that a list of them wraps in a
# message box over many lines.
plugin_filler = 'x' * (240 - len('Z:' + destination + '/docs/plugins/plugin00-.dll'))
plugins = ['plugin%02d-%s.dll' % (number, plugin_filler) for number in range(60)] \
    if sys.argv[3:4] == ['plugins'] else []
menu = os.path.join(root, 'Menu', 'Smoke 1.0')

os.makedirs(os.path.join(destination, 'docs', 'empty'))
os.makedirs(menu)
for name in ['app.exe', 'docs/readme.txt']:
    with open(os.path.join(destination, name), 'w') as file:
        file.write('x')
os.chmod(os.path.join(destination, 'docs', 'readme.txt'), 0o444)
shutil.copy(uninst, os.path.join(destination, 'uninst.exe'))
with open(os.path.join(menu, 'Smoke.lnk'), 'w') as file:
    file.write('link')
os.chmod(os.path.join(menu, 'Smoke.lnk'), 0o444)  # as a user may protect a link
if command_exe:
    shutil.copy(command_exe, os.path.join(destination, 'broadcast.exe'))
if plugins:
    os.makedirs(os.path.join(destination, 'docs', 'plugins'))
for name in plugins:
    with open(os.path.join(destination, 'docs', 'plugins', name), 'w') as file:
        file.write('p')
if with_user_file:
    with open(os.path.join(destination, 'docs', 'mine.txt'), 'w') as file:
        file.write('mine')


def wine_path(path):
    return 'Z:' + path.replace('/', '\\')


def u32(value):
    return struct.pack('<I', value)


FIELDS = dict(notice=4, event=8, short=12, display=16, destination=20, menu=24, files=28,
              registry=32, shortcuts=36, command=40)
header = bytearray(48)
body = bytearray()


def add(field, data):
    global body
    struct.pack_into('<I', header, FIELDS[field], len(header) + len(body))
    body += data


key = b'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Smoke 1.0'
add('notice', b'\0')
add('short', b'Smoke\0')
add('display', b'Smoke 1.0\0')
add('event', b'SmokeEvent\0')
recorded = wine_path(destination).replace('\\', '/') if with_slashes else wine_path(destination)
add('destination', u32(len(wine_path(os.path.join(root, 'Apps')))) + recorded.encode() + b'\0')
add('menu', u32(len(wine_path(os.path.join(root, 'Menu')))) + wine_path(menu).encode() + b'\0')
add('files', b'\x02uninst.dat\0\x02uninst.exe\0\x02app.exe\0' +
    (b'\x02broadcast.exe\0' if command_exe else b'') +
    b'\x01docs\0\x02readme.txt\0\x01empty\0\0' +
    (b'\x01plugins\0' + b''.join(b'\x02' + name.encode() + b'\0' for name in plugins) + b'\0'
     if plugins else b'') + b'\0\0')
if command_exe:
    add('command', b'"%InstallDir%\\broadcast.exe"\0')
add('shortcuts', wine_path(menu).encode() + b'\\Smoke.lnk\0\0')
app_paths = b'Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\'
add('registry', b'\x02' + key + b'\0' +
    b''.join(b'\x01' + app_paths + name + b'\0' for name in
             ([b'SmokeApp.exe', b'SmokeTaken.exe', b'SmokeExpanded.exe'] if with_app_paths else [])) +
    b'\0')
struct.pack_into('<I', header, 44, 7)
log = header + body
struct.pack_into('<I', log, 0, len(log))
with open(os.path.join(destination, 'uninst.dat'), 'wb') as file:
    file.write(log)
print(wine_path(destination))
