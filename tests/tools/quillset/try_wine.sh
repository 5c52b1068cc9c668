#!/usr/bin/env bash
# One end-to-end run of quillset try under Wine, asserting its exit code and report lines:
#   try_wine.sh QUILLSET SAMPLE_DIR WORK CASE
# CASE: sample (clean), games (Wine's own programs), damaged (a file changed and a folder's
# attributes lost before the checks), no-uninstaller, leftover (a file the removal leaves),
# error-box (a destination that cannot be created while installing), refused (one the
# Destination page refuses), as-user (a shortcut to a Windows program, launched at Finish,
# removed through the uninstaller's questions), hidden-launch (a program launched at Finish with
# its window hidden), no-launch (--launch with no program to launch),
# hang (a post-install program that never ends), lingering (one that Setup does not wait for
# and that stays open), took-more (a log that makes the removal take a folder that was there
# before), other-drive (a destination outside the prefix's drive C:),
# accented (a product's names and typed choices beyond ASCII), unencodable (a choice beyond
# Windows-1252), leftover-in-temp (a file left in a destination in the Temp folder), unsound (a package that inspect fails), interrupted
# (SIGTERM while the wizard runs), template-stopped (SIGTERM while the template prefix is made),
# broken-wine (a Wine that cannot start the test driver or make a prefix), odd-path (a Setup.exe in a folder
# whose name Windows cannot write), no-cache-folder (XDG_CACHE_HOME a file),
# in-windows (a destination in C:\windows spelled otherwise).
set -uo pipefail
tool=$1 sample=$2 work=$3 case=$4
root=$(cd "$(dirname "$0")/../../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
# Every case but those that try refuses before Wine starts runs Wine's 32-bit programs.
case $case in
no-launch | other-drive | unencodable | unsound | in-windows | no-cache-folder) ;;
*) "$root/scripts/runs-32-bit-x86" || exit ;;
esac

# try's time limits in the cases that reach them, as much longer as the driver's waits where Wine
# runs slower.
scale=${QUILLSET_WAIT_SCALE:-1}

# A copy of the sample product whose manifest is changed by `sed_script`, built into Setup.exe.
build_sample() {
    cp -r "$sample" "$work/product-src"
    sed -i "$1" "$work/product-src/quillset.toml"
    "$tool" build "$work/product-src/quillset.toml" -o "$work/Setup.exe" >/dev/null || exit 1
}

expect_code=1
args=()
expect=()
case $case in
sample)
    build_sample ''
    args=(--desktop --quick-launch --startup --shots "$work/shots" --json "$work/report.json")
    expect_code=0
    expect=('result: clean installation and removal' 'pages: welcome info destination startmenu ready info-after finish')
    ;;
games)
    games=$(dirname "$(find /usr/lib/i386-linux-gnu/wine /usr/lib/wine -name winemine.exe -path '*i386-windows*' 2>/dev/null | head -1)")
    mkdir -p "$work/games/product"
    cp "$root/examples/wine-games/quillset.toml" "$work/games/"
    cp "$games/winemine.exe" "$games/notepad.exe" "$work/games/product/"
    "$tool" build "$work/games/quillset.toml" -o "$work/Setup.exe" >/dev/null || exit 1
    args=(--desktop --quick-launch --startup)
    expect_code=0 expect=('result: clean installation and removal')
    ;;
damaged)
    # Two hidden folders; one loses its attributes with the change of a file.
    build_sample '/^"docs\/tips.txt"/a "docs" = "hidden"\n"docs/templates" = "hidden system"'
    export QUILLSET_TRY_BEFORE_CHECK='printf x >>"$QUILLSET_TRY_DEST/manual.txt" &&
        python3 -c "import os, sys; os.removexattr(sys.argv[1], \"user.DOSATTRIB\")" "$QUILLSET_TRY_DEST/docs/templates"'
    expect=('FAILED  C:\Program Files\Inkwell\manual.txt: size 388 instead of 387; ' 'content differs from the package'
            'FAILED  C:\Program Files\Inkwell\docs\templates: attributes normal instead of hidden system')
    unexpected='Inkwell\docs: attributes'
    ;;
no-uninstaller)
    build_sample 's/^source = "product"/&\nuninstaller = "none"/;/^\[run.uninstall\]/,$d'
    expect=('Uninstall\Inkwell 1.0: UninstallString names C:\Program Files\Inkwell\uninst.exe, which is not installed')
    ;;
leftover)
    build_sample ''
    export QUILLSET_TRY_BEFORE_CHECK='touch "$QUILLSET_TRY_DEST/docs/user notes.txt"'
    expect=('  file C:\Program Files\Inkwell\docs\user notes.txt' 'left behind after the removal:')
    ;;
leftover-in-temp)
    # The same in the user's Temp folder, whose other changes are Wine's own and not watched.
    build_sample ''
    temp="C:\\users\\${USER:-$(id -un)}\\Temp\\Inkwell"
    args=(--dest "$temp")
    export QUILLSET_TRY_BEFORE_CHECK='touch "$QUILLSET_TRY_DEST/docs/user notes.txt"'
    expect=("  file $temp\\docs\\user notes.txt" 'left behind after the removal:')
    ;;
error-box)
    # The Destination page tried the folder; a file takes its name before the installation.
    build_sample ''
    export QUILLSET_TRY_ON_READY='touch "C:\Program Files\Inkwell"'
    expect=('FAILED  the installer showed a message box on the installing page: "Setup Error": "Cannot create the destination directory."')
    ;;
refused)
    build_sample ''
    args=(--dest 'C:\Program Files\..\Inkwell')
    expect=('FAILED  the installer showed a message box on the destination page: "Setup Error": "Invalid destination directory."')
    ;;
as-user)
    # With a shortcut to a program of Windows, started in the user's Desktop folder.
    build_sample '$a [[shortcut]]\nid = "system-notepad"\nname = "System Notepad"\ntarget = '"'"'%SystemDir%\\notepad.exe'"'"'\nworking_dir = '"'"'%DesktopDir%'"'"'\nstart_menu = true'
    args=(--launch --uninstall ui)
    expect_code=0 unexpected='not compared'
    expect=('Inkwell 1.0\System Notepad.lnk -> C:\windows\system32\notepad.exe'
            'ok      the Finish page started C:\Program Files\Inkwell\Inkwell.exe, which showed its window'
            'ok      it asked "Are you sure you want to completely remove Inkwell 1.0 and all of its components?", answered Yes'
            'ok      it said "Inkwell was successfully removed from your computer.", answered OK'
            'ok      "C:\Program Files\Inkwell\uninst.exe" ended with exit code 0'
            'result: clean installation and removal')
    ;;
hidden-launch)
    # A launch entry that starts the program hidden: it runs with no window shown, and is ended.
    build_sample '/^\[run.launch\]/,/^$/s/^show = "normal"/show = "hidden"/'
    args=(--launch)
    expect_code=0
    expect=('ok      the Finish page started C:\Program Files\Inkwell\Inkwell.exe, which ran with no window shown'
            'result: clean installation and removal')
    ;;
unsound)
    # One file's stream spoilt in the Setup.exe: refused before Wine starts, with inspect's words.
    build_sample ''
    "$tool" build "$work/product-src/quillset.toml" --raw -o "$work/package.bin" >/dev/null || exit 1
    python3 - "$root/tests/wizard" "$work/Setup.exe" "$work/package.bin" <<'PYTHON' || exit 1
import sys
sys.path.insert(0, sys.argv[1])
from package_files import find_packed_stream
setup = bytearray(open(sys.argv[2], "rb").read())
package = open(sys.argv[3], "rb").read()
data, packed, _ = find_packed_stream(package, b"manual.txt")
setup[setup.find(package) + data + packed - 1] ^= 0xFF
open(sys.argv[2], "wb").write(setup)
PYTHON
    expect=("its package fails 1 of \`quillset inspect\`'s checks, so it is not tried:" 'file manual.txt: ')
    ;;
in-windows)
    # C:\windows as Windows reads a name with a trailing dot: refused before Wine starts.
    build_sample ''
    args=(--dest 'C:/Windows. \Inkwell')
    expect=('quillset: error: the destination C:/Windows. \Inkwell lies in C:\windows')
    ;;
accented)
    # Names beyond ASCII, which Wine writes into its registry files as \x escapes.
    build_sample 's/^display_name = "Inkwell 1.0"/display_name = "Inkwell Caf\xc3\xa9 1.0"/;s/^menu_folder = "Inkwell 1.0"/menu_folder = "Caf\xc3\xa9"/'
    # Typed choices too, which the tool takes as UTF-8 and the wizard as Windows-1252.
    args=(--dest $'C:\\Caf\xc3\xa9 Apps\\Inkwell' --menu-folder $'Caf\xc3\xa9 \xc3\x8fnk')
    expect_code=0
    expect=('result: clean installation and removal' $'package are installed in C:\\Caf\xc3\xa9 Apps\\Inkwell with'
            $'Start Menu\\Programs\\Caf\xc3\xa9 \xc3\x8fnk\\Inkwell.lnk -> C:\\Caf\xc3\xa9 Apps\\Inkwell\\Inkwell.exe')
    ;;
unencodable)
    # A typed choice that the wizard's code page cannot hold: refused before Wine starts.
    build_sample ''
    args=(--menu-folder $'Ink \xe4\xb8\x80')
    expect=($'quillset: error: --menu-folder \'Ink \xe4\xb8\x80\' cannot be typed into the wizard: character U+4E00')
    ;;
other-drive)
    # Drive Z: of a prefix is this machine's root: refused before Wine starts.
    build_sample ''
    args=(--dest "Z:${work//\//\\}\\dest")
    expect=("quillset: error: the destination Z:${work//\//\\}\\dest is not on drive C:")
    ;;
no-launch)
    # --launch for a package that offers no program: refused before Wine starts.
    build_sample '/^\[run.launch\]/,/^$/d'
    args=(--launch)
    expect=('quillset: error: the package offers no program to launch (--launch)')
    ;;
hang)
    # Setup waits for the sample program, whose window nobody closes.
    build_sample '$a [run.post_install]\nprogram = '"'"'%InstallDir%\\Inkwell.exe'"'"'\nwait = true'
    limit=$((20 * scale))
    args=(--timeout "$limit" --shots "$work/shots")
    expect=("FAILED  the installer hung: no end within $limit s, on the installing page at step 'await installation $((limit + 1))'"
            "picture $work/shots/timeout.png")
    ;;
lingering)
    # A post-install program that Setup does not wait for and that stays open: ended before the
    # checks, said in the report, and the run goes on.
    build_sample '$a [run.post_install]\nprogram = '"'"'%SystemDir%\\notepad.exe'"'"'\nwait = false'
    args=(--timeout $((20 * scale)))
    expect_code=0
    expect=('ok      programs started by the installation still ran after it had ended; they were ended before the checks'
            'result: clean installation and removal')
    ;;
took-more)
    # The log is changed to say that the installation made Music too, which every prefix has;
    # the removal takes it once it is empty.
    build_sample ''
    cat >"$work/widen_log.py" <<'PYTHON'
import struct, sys
log = bytearray(open(sys.argv[1], "rb").read())
record = struct.unpack_from("<I", log, 20)[0]
existing = struct.unpack_from("<I", log, record)[0]
path = bytes(log[record + 4:log.index(0, record + 4)])
struct.pack_into("<I", log, record, path.rindex(b"\\", 0, existing))
open(sys.argv[1], "wb").write(log)
PYTHON
    export QUILLSET_TRY_BEFORE_CHECK="python3 '$work/widen_log.py' \"\$QUILLSET_TRY_DEST/uninst.dat\""
    args=(--dest 'C:\users\Public\Music\Inkwell')
    expect=('FAILED  took what was there before the installation: folder C:\users\Public\Music')
    ;;
broken-wine)
    # A Wine that cannot start the test driver: the environment's fault, exit 2, with no word
    # on the installer. The stand-in passes everything else on to the real Wine.
    build_sample ''
    mkdir -p "$work/bin"
    real=$(command -v wine)
    printf '#!/bin/sh\ncase "$1" in *wizard_driver.exe) echo "wine: could not load kernel32.dll"; exit 1;; esac\nexec "%s" "$@"\n' \
        "$real" >"$work/bin/wine"
    chmod +x "$work/bin/wine"
    PATH=$work/bin:$PATH "$tool" try "$work/Setup.exe" --json "$work/report.json" >"$work/report.txt" 2>&1
    code=$?
    cat "$work/report.txt"
    [[ $code == 2 ]] || { echo "try_wine.sh: exit code $code, expected 2" >&2; exit 1; }
    grep -qF 'quillset: error: Wine did not run the wizard test driver (exit code 1): wine: could not load kernel32.dll' "$work/report.txt" ||
        { echo "try_wine.sh: no word of the broken Wine" >&2; exit 1; }
    if grep -qF 'FAILED' "$work/report.txt"; then
        echo "try_wine.sh: the installer was judged" >&2
        exit 1
    fi
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert not r["ok"] and r["error"].startswith("Wine did not run"), r' \
        "$work/report.json" || exit 1
    # A wineboot that fails while a first run makes its template prefix: exit 2 as well.
    printf '#!/bin/sh\nexit 1\n' >"$work/bin/wineboot"
    chmod +x "$work/bin/wineboot"
    PATH=$work/bin:$PATH XDG_CACHE_HOME=$work/cache "$tool" try "$work/Setup.exe" >"$work/boot.txt" 2>&1
    code=$?
    cat "$work/boot.txt"
    [[ $code == 2 ]] || { echo "try_wine.sh: exit code $code for a failing wineboot, expected 2" >&2; exit 1; }
    grep -qF "quillset: error: making the Wine prefix failed at 'wineboot --init'" "$work/boot.txt" ||
        { echo "try_wine.sh: no word of the failing wineboot" >&2; exit 1; }
    rm -rf "$work"
    exit 0
    ;;
odd-path)
    # A Setup.exe in a folder whose name Windows cannot write ('*' and '"'): tried as any other.
    build_sample ''
    setup="$work/st*ar \"q\"/Setup.exe"
    mkdir -p "$(dirname "$setup")"
    mv "$work/Setup.exe" "$setup"
    expect_code=0
    expect=('result: clean installation and removal')
    ;;
template-stopped)
    # SIGTERM while the template prefix is made, in a cache of the case's own: the half-made
    # template goes with its server, and a later run makes it anew.
    build_sample ''
    XDG_CACHE_HOME=$work/cache "$tool" try "$work/Setup.exe" >"$work/report.txt" 2>&1 &
    run=$!
    for _ in $(seq 600); do
        compgen -G "$work/cache/quillset/prefix-*.building/system.reg" >/dev/null && break
        sleep 0.1
    done
    kill -TERM "$run"
    wait "$run"
    code=$?
    cat "$work/report.txt"
    [[ $code == 143 ]] || { echo "try_wine.sh: exit code $code after SIGTERM, expected 143" >&2; exit 1; }
    if compgen -G "$work/cache/quillset/prefix-*" >/dev/null; then
        echo "try_wine.sh: a half-made template is left: $(ls "$work/cache/quillset")" >&2
        exit 1
    fi
    if pgrep -f "$work/cache" >/dev/null; then
        echo "try_wine.sh: a process of the half-made template still runs" >&2
        exit 1
    fi
    rm -rf "$work"
    exit 0
    ;;
no-cache-folder)
    # A template folder that cannot be made, as XDG_CACHE_HOME is a file: named, with the remedy.
    build_sample ''
    touch "$work/cache-file"
    XDG_CACHE_HOME=$work/cache-file "$tool" try "$work/Setup.exe" >"$work/report.txt" 2>&1
    code=$?
    cat "$work/report.txt"
    [[ $code == 1 ]] || { echo "try_wine.sh: exit code $code, expected 1" >&2; exit 1; }
    grep -qF "quillset: error: cannot make $work/cache-file/quillset, the folder of try's Wine template: Not a directory; set XDG_CACHE_HOME" \
        "$work/report.txt" || { echo "try_wine.sh: the folder is not named" >&2; exit 1; }
    rm -rf "$work"
    exit 0
    ;;
interrupted)
    # SIGTERM while the wizard runs (a background job ignores SIGINT): the run ends with 143 and
    # takes its display, Wine server and prefix with it. Every process it started carries a
    # TMPDIR inside the run's folder. An earlier report that passed gives way to one that says
    # why this run failed.
    build_sample ''
    mkdir -p "$work/tmp"
    printf '{"ok": true}\n' >"$work/report.json"
    TMPDIR=$work/tmp "$tool" try "$work/Setup.exe" --json "$work/report.json" >"$work/report.txt" 2>&1 &
    run=$!
    for _ in $(seq 600); do
        compgen -G "$work/tmp/quillset-try.*/scenario.txt" >/dev/null && break
        sleep 0.1
    done
    sleep 2
    kill -TERM "$run"
    wait "$run"
    code=$?
    cat "$work/report.txt"
    [[ $code == 143 ]] || { echo "try_wine.sh: exit code $code after SIGTERM, expected 143" >&2; exit 1; }
    grep -qF 'quillset: stopped by signal 15' "$work/report.txt" || { echo "try_wine.sh: no word of the stop" >&2; exit 1; }
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert not r["ok"] and r["error"].startswith("stopped by signal 15"), r' \
        "$work/report.json" || exit 1
    sleep 1
    if compgen -G "$work/tmp/quillset-try.*" >/dev/null; then
        echo "try_wine.sh: the run's folder is left: $(ls "$work/tmp")" >&2
        exit 1
    fi
    for environ in /proc/[0-9]*/environ; do
        if tr '\0' '\n' 2>/dev/null <"$environ" | grep -qF "TMPDIR=$work/tmp/"; then
            echo "try_wine.sh: a process of the run is left: $(tr '\0' ' ' <"${environ%environ}cmdline")" >&2
            exit 1
        fi
    done
    rm -rf "$work"
    exit 0
    ;;
*) echo "unknown case $case" >&2; exit 2 ;;
esac

# A TMPDIR of the run's own, which it must leave as it found it: empty.
mkdir -p "$work/tmp"
TMPDIR=$work/tmp "$tool" try "${setup:-$work/Setup.exe}" "${args[@]}" >"$work/report.txt" 2>&1
code=$?
cat "$work/report.txt"
if [[ -n $(ls -A "$work/tmp") ]]; then
    echo "try_wine.sh: the run left in its TMPDIR: $(cd "$work/tmp" && find . -mindepth 1 | head -5)" >&2
    exit 1
fi
if [[ $code != "$expect_code" ]]; then
    echo "try_wine.sh: exit code $code, expected $expect_code" >&2
    exit 1
fi
if [[ -n ${unexpected:-} ]] && grep -qF -- "$unexpected" "$work/report.txt"; then
    echo "try_wine.sh: a line with: $unexpected" >&2
    exit 1
fi
for line in "${expect[@]}"; do
    if ! grep -qF -- "$line" "$work/report.txt"; then
        echo "try_wine.sh: no line with: $line" >&2
        exit 1
    fi
done
if [[ $case == sample ]]; then
    for page in welcome information destination start-menu ready exit-setup information-after finish; do
        [[ -s $work/shots/wizard-$page.png ]] || { echo "try_wine.sh: no picture wizard-$page.png" >&2; exit 1; }
    done
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r["ok"] and r["checks"], r' "$work/report.json" || exit 1
fi
if [[ $case == other-drive && -e $work/dest ]]; then
    echo "try_wine.sh: the run wrote outside its prefix, to $work/dest" >&2
    exit 1
fi
if [[ $case == hang ]]; then
    [[ $(head -c 8 "$work/shots/timeout.png" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
        { echo "try_wine.sh: timeout.png is no PNG picture" >&2; exit 1; }
fi
rm -rf "$work"
