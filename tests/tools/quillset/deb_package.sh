#!/usr/bin/env bash
# The Debian package as a vendor gets it: cpack makes it from the build tree, dpkg -x unpacks it
# into a scratch root, and the unpacked tool builds the sample with the stubs it carries.
# deb_package.sh BUILD_DIR WORK_DIR VERSION
set -euo pipefail

build=$1
work=$2
version=$3
sample=$build/win32/examples/inkwell/sample/quillset.toml

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G DEB"; }
debs=("$work"/out/quillset_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made no single quillset_*.deb: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == quillset ]] || fail "package name $(field Package)"
[[ $(field Version) == "$version" ]] || fail "version $(field Version), not $version"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "architecture $(field Architecture)"
depends=$(field Depends)
[[ $depends == *zlib1g* ]] || fail "Depends lacks zlib: $depends"
# The stream cache's keys hold for the libdeflate the tool was built with, so it is linked in.
[[ $depends != *libdeflate* ]] || fail "Depends names libdeflate, which the tool links in: $depends"

root=$work/root
dpkg -x "$deb" "$root"
[[ -x $root/usr/bin/quillset ]] || fail "the package has no /usr/bin/quillset"
for file in Setup.exe Wizard.dll Wizard.dll.zlib uninst.exe uninst.exe.zlib wizard_driver.exe uninstall_watch.exe; do
    cmp -s "$root/usr/share/quillset/$file" "$build/share/quillset/$file" ||
        fail "/usr/share/quillset/$file in the package is not the build's $file"
done
tool=$root/usr/bin/quillset
[[ $("$tool" --version) == "quillset $version" ]] || fail "quillset --version: $("$tool" --version)"

output=$("$tool" build "$sample" -o "$work/Setup.exe") || fail "the unpacked tool cannot build the sample"
[[ $output == "wrote $work/Setup.exe ("*" bytes)" ]] || fail "build printed: $output"
"$tool" inspect "$work/Setup.exe" >"$work/inspect.txt" || fail "inspect of the built Setup.exe: $(cat "$work/inspect.txt")"
grep -q "^  uninst.exe  " "$work/inspect.txt" || fail "the built Setup.exe carries no uninst.exe"

# And they are the ones it found: without them beside it, it names where it looked.
mv "$root/usr/share/quillset" "$root/usr/share/quillset.away"
if message=$("$tool" build "$sample" -o "$work/without.exe" 2>&1); then
    fail "the unpacked tool built without its share/quillset"
fi
[[ $message == *"no wizard library at $root/usr/share/quillset/Wizard.dll"* ]] ||
    fail "without its share/quillset: $message"
echo "the Debian package installs a working quillset"
