#!/usr/bin/env python3
# Reads the branded Setup.exe back with wrestool: icon group 104 and its images as brand.ico
# holds them, the vendor's version texts and numbers in the stub's language, the stub's other
# resources unchanged, and in the package the wizard library with the new bitmaps and
# otherwise the library that was given.   check_resources.py SETUP STUB WIZARD IMAGES
import os
import struct
import subprocess
import sys
import tempfile
import zlib

setup, stub, wizard, images = sys.argv[1:5]
problems = []


def check(condition, problem):
    if not condition:
        problems.append(problem)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def resources(path):
    """{(type, name, language): bytes} as wrestool lists and extracts them."""
    listing = subprocess.run(["wrestool", "-l", path], check=True, capture_output=True, text=True).stdout
    found = {}
    for line in listing.splitlines():
        fields = dict(word[2:].split("=", 1) for word in line.split() if word.startswith("--"))
        key = (fields["type"], fields["name"], fields["language"])
        found[key] = subprocess.run(["wrestool", "-x", "--raw", "--type=" + key[0], "--name=" + key[1],
                                     "--language=" + key[2], path], check=True, capture_output=True).stdout
    return found


def version_record(data):
    """(fixed file info, {key: text}, translation) of a VS_VERSIONINFO."""
    def block(at):
        length, value_length = struct.unpack_from("<HH", data, at)
        end = data.index(b"\0\0", at + 6)
        while (end - at) % 2:
            end = data.index(b"\0\0", end + 1)
        key = data[at + 6:end].decode("utf-16-le")
        return key, (end + 2 + 3) & ~3, value_length, at + length

    def children(start, end):
        at = (start + 3) & ~3
        while at < end:
            child = block(at)
            yield child
            at = (child[3] + 3) & ~3

    key, value, _, end = block(0)
    check(key == "VS_VERSION_INFO" and end == len(data), "the version record's root block is wrong")
    fixed = struct.unpack_from("<13I", data, value)
    texts, translation = {}, None
    for part, part_value, _, part_end in children(value + 52, end):
        for table, table_value, table_length, table_end in children(part_value, part_end):
            if part == "StringFileInfo":
                for name, text_value, text_length, text_end in children(table_value, table_end):
                    text = data[text_value:text_end].decode("utf-16-le")
                    # The value length counts UTF-16 units with the NUL.
                    check(2 * text_length == text_end - text_value, f"{name}: value length {text_length} for {text!r}")
                    texts[name] = text.rstrip("\0")
            else:
                translation = data[table_value:table_value + table_length]
    return fixed, texts, translation


branded = resources(setup)
original = resources(stub)
icon_file = read(os.path.join(images, "brand.ico"))

# Icon group 104 replaced in the stub's language; the old images 1 and 2 gone, the new ones 1 to 3.
language = next(key[2] for key in original if key[:2] == ("14", "104"))
check([key for key in branded if key[:2] == ("14", "104")] == [("14", "104", language)],
      "icon group 104 is not there once, in the stub's language " + language)
group = branded.get(("14", "104", language), b"\0" * 6)
count = struct.unpack_from("<H", icon_file, 4)[0]
listed = struct.unpack_from("<HHH", group) == (0, 1, count) and len(group) == 6 + 14 * count
check(listed, f"icon group 104 does not list {count} images")
ids = []
for i in range(count if listed else 0):
    width, height, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", icon_file, 6 + 16 * i)
    entry = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
    check(entry[:7] == (width, height, colours, 0, 1, bits, size),
          f"group entry {i + 1} is {entry[:7]}, the icon file's {(width, height, colours, 0, planes, bits, size)}")
    ids.append(entry[7])
    check(branded.get(("3", str(entry[7]), language)) == icon_file[offset:offset + size],
          f"icon {entry[7]} is not image {i + 1} of brand.ico")
check(sorted(key for key in branded if key[0] == "3") == sorted(("3", str(i), language) for i in ids)
      and sorted(ids) == list(range(1, count + 1)), f"the icons are {sorted(k for k in branded if k[0] == '3')}")

# The version record: the vendor's texts and numbers, the rest as the stub has it.
fixed, texts, translation = version_record(branded[("16", "1", language)])
old_fixed, old_texts, old_translation = version_record(original[("16", "1", language)])
expected = dict(old_texts, CompanyName="Inkwell Söftware", FileDescription="Inkwell Deluxe Setup",
                FileVersion="2.1.0.7", LegalCopyright="Copyright © 2024 Inkwell Söftware 🖋",
                ProductName="Inkwell Deluxe", ProductVersion="2.1.0.7")
check(texts == expected, f"the version texts are {texts}")
check(fixed[2:6] == (0x00020001, 0x00000007, 0x00020001, 0x00000007), f"the version numbers are {fixed[2:6]}")
check(fixed[:2] + fixed[6:] == old_fixed[:2] + old_fixed[6:], "the fixed file information changed beyond the numbers")
check(translation == old_translation == struct.pack("<HH", 0x0409, 1200), f"the translation is {translation}")

# Every other resource of the stub as it was.
for key, data in original.items():
    if key[0] not in ("3", "14", "16", "10"):
        check(branded.get(key) == data, f"the stub's resource {key} changed")

# The wizard library in the package: the new bitmaps, every other resource and section as given.
package = branded[("10", "1", "0")]
offset, packed, size = struct.unpack_from("<III", package, 24)
library = zlib.decompress(package[offset:offset + packed])
check(len(library) == size, "the wizard library does not inflate to its size")
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "Wizard.dll")
    with open(path, "wb") as f:
        f.write(library)
    inside = resources(path)
given = resources(wizard)
for key, data in given.items():
    bitmap = {("2", "103"): "welcome.bmp", ("2", "102"): "header.bmp"}.get(key[:2])
    wanted = read(os.path.join(images, bitmap))[14:] if bitmap else data
    check(inside.get(key) == wanted, f"the wizard library's resource {key} is not " + (bitmap or "as given"))
check(inside.keys() == given.keys(), "the wizard library's resources are not those given")


def sections(image):
    """{virtual address: (name, raw bytes)} of a PE image."""
    header, = struct.unpack_from("<I", image, 0x3C)
    number, = struct.unpack_from("<H", image, header + 6)
    optional, = struct.unpack_from("<H", image, header + 20)
    table = header + 24 + optional
    found = {}
    for i in range(number):
        name, _, address, raw_size, raw_at = struct.unpack_from("<8sIIII", image, table + 40 * i)
        found[address] = (name.rstrip(b"\0"), image[raw_at:raw_at + raw_size])
    return found


inside_sections = sections(library)
for address, (name, data) in sections(read(wizard)).items():
    if name != b".rsrc":
        check(inside_sections.get(address) == (name, data), f"the wizard library's section {name} changed")

for problem in problems:
    print("FAILED:", problem)
if not problems:
    print("ok: icon group 104, version record and wizard bitmaps as the brand has them")
sys.exit(1 if problems else 0)
