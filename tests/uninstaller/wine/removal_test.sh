#!/usr/bin/env bash
# The uninstaller under Wine on a fake installation with a hand-written log: a silent removal,
# a user's file that keeps its folder, a damaged log, a copy of the installation in another
# folder and a running product that leave everything in place, a declined and an accepted
# confirmation, a file in use that is left for the next restart (a running program under a new
# name), a shortcut in use that keeps the uninstaller for another run, an Uninstall entry that
# another installation took over, an App Paths key that another program took over, and an
# Uninstall entry with subkeys.
#   removal_test.sh WINE_STATE UNINST_EXE WATCH_EXE WORK_DIR BROADCAST_EXE
set -euo pipefail
state=$1
uninst=$2
watch=$3
work=$4
broadcast=$5
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../scripts/wine-run
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Smoke 1.0'
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

install() {
    rm -rf "$work"
    mkdir -p "$work"
    destination=$(python3 "$here/make_install.py" "$work" "$uninst" "$@")
    "$run" "$state" reg add "$key" /v DisplayName /d 'Smoke 1.0' /f >/dev/null 2>&1
    "$run" "$state" reg add "$key" /v InstallLocation /d "$destination" /f >/dev/null 2>&1
}

# The temporary copy finishes after the uninstaller has exited: wait until it took its files.
wait_for_copy() {
    for _ in $(seq 100); do
        [[ -e "$work/Apps/Smoke Product/uninst.exe" ]] || return 0
        sleep 0.2
    done
}

# A cleanup copy goes on for a moment after the uninstaller's file is gone; the tests that read
# the restart list wait until every copy has ended, so that no late entry of another one stays.
wait_for_copies_to_end() {
    for _ in $(seq 100); do
        pgrep -r R,S,D -f 'qsu[0-9A-Fa-f]*\.tmp' >/dev/null || return 0
        sleep 0.2
    done
}

# A silent removal with TMP and TEMP set to $1, through a batch file beside the work folder:
# Wine takes the two from its own settings, not from the environment it is started in.
remove_with_temp() {
    local batch=$work-remove.bat
    printf 'set TMP=%s\r\nset TEMP=%s\r\n"%s\\uninst.exe" /S\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$1" "$1" "$destination" >"$batch"
    "$run" "$state" cmd /c "Z:${batch//\//\\}"
    local code=$?
    rm -f "$batch"
    return $code
}

listing() {
    (cd "$work" && find . | sort)
}

# What a removal that stopped short leaves: the uninstaller and its log, for another run.
uninstaller_kept=$'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/uninst.dat'
uninstaller_kept+=$'\n./Apps/Smoke Product/uninst.exe\n./Menu'

# That other run, once the cause is gone, removes the rest and the Uninstall entry.
expect_clean_second_run() {
    set +e; "$run" "$state" "$destination\\uninst.exe" /S; local code=$?; set -e
    wait_for_copy
    ((code == 0)) || fail "$1, second run: exit code $code"
    [[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "$1, second run left: $(listing)"
    ! key_exists || fail "$1, second run: the Uninstall key was left"
}

key_exists() {
    "$run" "$state" reg query "$key" >/dev/null 2>&1
}

# Silent removal: everything that the log lists is gone, the folders that existed stay.
install
set +e; "$run" "$state" "$destination\\uninst.exe" /S; code=$?; set -e
wait_for_copy
[[ $code == 0 ]] || fail "silent removal exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "silent removal left: $(listing)"
key_exists && fail "silent removal left the Uninstall key"
# The temporary copy and then its folder are scheduled for the next restart, in that order.
pending='HKLM\System\CurrentControlSet\Control\Session Manager'
scheduled=""
for _ in $(seq 50); do
    scheduled=$("$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>/dev/null |
        tr -d '\r' | grep -o 'qsu[^\]*\.tmp\\0\\0.*\\Quillset Uninstall\\0' || true)
    [[ -n $scheduled ]] && break
    sleep 0.2
done
[[ -n $scheduled ]] || fail "the copy and its folder are not scheduled for the next restart: $("$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>&1 | tr -d '\r')"

# A user's file keeps its directory; the rest goes, and since all that the installation made is
# gone, the removal succeeded.
install user
set +e; "$run" "$state" "$destination\\uninst.exe" /S; code=$?; set -e
wait_for_copy
[[ $code == 0 ]] || fail "user file: exit code $code"
expected=$'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/docs'
expected+=$'\n./Apps/Smoke Product/docs/mine.txt\n./Menu'
[[ "$(listing)" == "$expected" ]] || fail "user file: left $(listing)"

# A damaged log (the registry list's end changed): refused, nothing removed.
install
before=$(listing)
log="$work/Apps/Smoke Product/uninst.dat"
printf '\x07' | dd of="$log" bs=1 seek=$(($(stat -c %s "$log") - 1)) conv=notrunc status=none
set +e; "$run" "$state" "$destination\\uninst.exe" /S; code=$?; set -e
[[ $code == 2 ]] || fail "damaged log: exit code $code"
[[ "$(listing)" == "$before" ]] || fail "damaged log: files changed"
key_exists || fail "damaged log: the Uninstall key was removed"

# A copy of the installation in another folder: its log names the first folder, so the copy's
# uninstaller refuses, silently and with its message, and neither folder loses anything.
install
cp -a "$work/Apps/Smoke Product" "$work/Apps/Smoke Copy"
before=$(listing)
copy="${destination%\\*}\\Smoke Copy\\uninst.exe"
set +e; "$run" "$state" "$copy" /S; code=$?; set -e
[[ $code == 2 ]] || fail "copied installation: exit code $code"
"$run" "$state" "$watch" elsewhere "$copy" || fail "copied installation: refusal message"
[[ "$(listing)" == "$before" ]] || fail "copied installation: files changed"
key_exists || fail "copied installation: the Uninstall key was removed"

# A file in use: the rest is removed, the file is scheduled for the next restart and listed so
# (once the watch lets it go, the temporary copy may remove it too).
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
install
"$run" "$state" "$watch" holding "$destination\\uninst.exe" || fail "file in use"
wait_for_copy
[[ -e "$work/Apps/Smoke Product/docs" ]] && fail "file in use: docs stayed"
"$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>/dev/null | grep -q 'app.exe' ||
    fail "file in use: app.exe is not scheduled for the next restart"
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true

# A file in use until the temporary copy has finished: the destination, which then holds only
# that file, is scheduled after it, so that the restart leaves nothing of the installation.
wait_for_copies_to_end
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
install
"$run" "$state" "$watch" holding-long "$destination\\uninst.exe" || fail "file in use for long"
[[ "$(listing)" == $'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/app.exe\n./Menu' ]] ||
    fail "file in use for long: left $(listing)"
"$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
    grep -q 'app\.exe\\0\\0.*\\Apps\\Smoke Product\\0' ||
    fail "file in use for long: the destination is not scheduled after app.exe: $("$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>&1 | tr -d '\r')"
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true

# Sixty plugins in use as well, more than a message's list holds: their folder, docs and the
# destination are scheduled after them all the same.
wait_for_copies_to_end
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
install plugins
answers=$("$run" "$state" "$watch" holding-plugins "$destination\\uninst.exe" | tr -d '\r') ||
    fail "plugins in use: $answers"
# The closing message lists app.exe and 7 of them, each path cut around "...", then "...".
[[ $(grep -c '^plugin[0-9]*-x*\.\.\.x*\.dll (removed when Windows restarts)$' <<<"$answers") == 7 ]] &&
    grep -qx '\.\.\.' <<<"$answers" || fail "plugins in use: not 8 items and \"...\" in the message: $answers"
[[ $(listing | grep -c 'plugins/plugin') == 60 && -z $(listing | grep -v -e plugin -e app.exe |
    grep -v -x -e . -e ./Apps -e './Apps/Smoke Product' -e './Apps/Smoke Product/docs' -e ./Menu) ]] ||
    fail "plugins in use: left $(listing)"
"$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
    grep -q 'plugin59[^\]*\.dll\\0\\0.*\\docs\\plugins\\0\\0.*\\docs\\0\\0.*\\Smoke Product\\0' ||
    fail "plugins in use: their folders are not scheduled after them"
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true

# A program still running, which cannot be deleted but can be renamed: it waits for the restart
# under a longer name, so that a program installed again at its name before the restart does not
# go with it, and the destination is scheduled after it.
wait_for_copies_to_end
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
install
cp "$watch" "$work/Apps/Smoke Product/app.exe"
"$run" "$state" "$destination\\app.exe" wait 60 &
running=$!
for _ in $(seq 50); do
    pgrep -f 'app\.exe wait 60' >/dev/null && break
    sleep 0.2
done
sleep 1
set +e; "$run" "$state" "$destination\\uninst.exe" /S; set -e
wait_for_copy
wait_for_copies_to_end
[[ "$(listing)" == $'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/app.exe.removed-at-restart\n./Menu' ]] ||
    fail "program in use: left $(listing)"
"$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
    grep -q 'app\.exe\.removed-at-restart\\0\\0.*\\Apps\\Smoke Product\\0' ||
    fail "program in use: not scheduled under its new name before the destination: $("$run" "$state" reg query "$pending" /v PendingFileRenameOperations 2>&1 | tr -d '\r')"
pkill -f 'app\.exe wait 60' || true
wait "$running" 2>/dev/null || true
"$run" "$state" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true

# A shortcut in use, which no restart removes: everything else of the installation goes, but its
# log, the uninstaller and the Uninstall entry stay, so that a second run removes the rest.
install
"$run" "$state" "$watch" holding-link "$destination\\uninst.exe" || fail "shortcut in use"
sleep 1 # no copy may start; one that did would have taken the uninstaller by now
expected=$'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/uninst.dat'
expected+=$'\n./Apps/Smoke Product/uninst.exe\n./Menu\n./Menu/Smoke 1.0\n./Menu/Smoke 1.0/Smoke.lnk'
[[ "$(listing)" == "$expected" ]] || fail "shortcut in use: left $(listing)"
key_exists || fail "shortcut in use: the Uninstall key was removed"
set +e; "$run" "$state" "$destination\\uninst.exe" /S; code=$?; set -e
wait_for_copy
[[ $code == 0 ]] || fail "shortcut in use, second run: exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "shortcut in use, second run left: $(listing)"
key_exists && fail "shortcut in use, second run left the Uninstall key"

# The same product installed again into another folder has taken the Uninstall entry over: the
# removal of this one leaves that entry to the other installation.
install
"$run" "$state" reg add "$key" /v InstallLocation /d 'C:\Other\Smoke Product' /f >/dev/null 2>&1
set +e; "$run" "$state" "$destination\\uninst.exe" /S; code=$?; set -e
wait_for_copy
[[ $code == 0 ]] || fail "entry of another installation: exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "entry of another installation: left $(listing)"
key_exists || fail "entry of another installation: the Uninstall key was removed"
"$run" "$state" reg delete "$key" /f >/dev/null 2>&1 || true

# The product running: refused with its message, nothing removed.
install
before=$(listing)
"$run" "$state" "$watch" running "$destination\\uninst.exe" || fail "running product"
[[ "$(listing)" == "$before" ]] || fail "running product: files changed"
key_exists || fail "running product: the Uninstall key was removed"
# The same when its event may not be opened with every right, as when the product runs elevated.
"$run" "$state" "$watch" running-other "$destination\\uninst.exe" || fail "product running with other rights"
[[ "$(listing)" == "$before" ]] || fail "product running with other rights: files changed"
# A Setup of the product running: refused, as that Setup would lose the files it writes.
"$run" "$state" "$watch" setup-running "$destination\\uninst.exe" || fail "setup running"
[[ "$(listing)" == "$before" ]] || fail "setup running: files changed"
key_exists || fail "setup running: the Uninstall key was removed"

# The confirmation declined: nothing removed.
"$run" "$state" "$watch" decline "$destination\\uninst.exe" || fail "declined confirmation"
[[ "$(listing)" == "$before" ]] || fail "declined confirmation: files changed"
key_exists || fail "declined confirmation: the Uninstall key was removed"

# The confirmation accepted: removed, with the closing message.
"$run" "$state" "$watch" confirm "$destination\\uninst.exe" || fail "accepted confirmation"
wait_for_copy
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "accepted confirmation left: $(listing)"
key_exists && fail "accepted confirmation left the Uninstall key"

# Started again while the first removal's closing message is open: the second is refused, so
# that no uninstaller is left alone in the folder.
install
"$run" "$state" "$watch" twice "$destination\\uninst.exe" || fail "removal started twice"
wait_for_copy
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "removal started twice left: $(listing)"

# A destination recorded with forward slashes: the running uninstaller is still known as its
# own file and left to the copy, not reported as removed at the next restart.
install slashes
"$run" "$state" "$watch" confirm "$destination\\uninst.exe" || fail "destination with slashes"
wait_for_copy
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "destination with slashes left: $(listing)"

# An uninstall command that broadcasts a message to every window, the progress window
# included, while the uninstaller waits for it: answered, so both go on.
install command "$broadcast"
"$run" "$state" "$watch" confirm "$destination\\uninst.exe" || fail "broadcasting uninstall command"
wait_for_copy
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "broadcasting uninstall command left: $(listing)"

# An uninstall command whose program is gone is named as a program that could not be run, not
# as an item left; everything else goes.
install command "$broadcast"
rm "$work/Apps/Smoke Product/broadcast.exe"
answers=$("$run" "$state" "$watch" answer "$destination\uninst.exe" | tr -d '\r')
wait_for_copy
grep -qF 'exit code: 1' <<<"$answers" || fail "missing uninstall program: $answers"
grep -qF "\broadcast.exe\" (the product's uninstall program, which could not be run)" \
    <<<"$answers" || fail "missing uninstall program: not named as such: $answers"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "missing uninstall program left: $(listing)"

# A removal that stopped short after the product's uninstall program ran, and removed it with
# the files: the second run does not look for that program again, and completes.
install command "$broadcast"
"$run" "$state" "$watch" holding-link "$destination\\uninst.exe" || fail "link in use after the command"
sleep 1 # no copy may start
[[ -e "$work/Apps/Smoke Product/uninst.dat" ]] || fail "link in use after the command: the log went"
expect_clean_second_run "link in use after the command"

# TMP and TEMP naming a folder that does not exist: the cleanup copy goes to the Windows
# folder's copies' folder instead, and the removal completes.
install
set +e; remove_with_temp 'C:\nonexistent'; code=$?; set -e
wait_for_copy
((code == 0)) || fail "missing temporary folder: exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "missing temporary folder left: $(listing)"
key_exists && fail "missing temporary folder left the Uninstall key"

# A temporary folder too deep for the copies' folder and a copy's name in it (235 characters,
# where 227 is the most) gives way to the next one, here the Windows folder.
install
deep="Z:${work//\//\\}\\"
deep+=$(printf 'd%.0s' $(seq $((235 - ${#deep}))))
mkdir -p "$work/${deep##*\\}"
set +e; remove_with_temp "$deep"; code=$?; set -e
wait_for_copy
((code == 0)) || fail "deep temporary folder: exit code $code"
rm -rf "$work/${deep##*\\}"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "deep temporary folder left: $(listing)"
key_exists && fail "deep temporary folder left the Uninstall key"

# An earlier run's copy that is read-only (a copy takes the attributes of a read-only
# uninst.exe) is deleted all the same, as copies would pile up otherwise.
install
mkdir -p "$work/temp/Quillset Uninstall"
touch "$work/temp/Quillset Uninstall/qsu-earlier.tmp"
chmod 444 "$work/temp/Quillset Uninstall/qsu-earlier.tmp"
set +e; remove_with_temp "Z:${work//\//\\}\temp"; code=$?; set -e
wait_for_copy
((code == 0)) || fail "read-only earlier copy: exit code $code"
[[ -e "$work/temp/Quillset Uninstall/qsu-earlier.tmp" ]] && fail "read-only earlier copy: it stays"
wait_for_copies_to_end
rm -rf "$work/temp"

# No copy can be made (a file holds the copies' folder's name): the uninstaller, its log and
# the Uninstall entry stay, so that the removal can be run again from the installed programs.
install
mkdir -p "$work/temp"
touch "$work/temp/Quillset Uninstall"
set +e; remove_with_temp "Z:${work//\//\\}\temp"; code=$?; set -e
((code == 1)) || fail "no cleanup copy: exit code $code"
expected=$'.\n./Apps\n./Apps/Smoke Product\n./Apps/Smoke Product/uninst.dat'
expected+=$'\n./Apps/Smoke Product/uninst.exe\n./Menu\n./temp\n./temp/Quillset Uninstall'
[[ "$(listing)" == "$expected" ]] || fail "no cleanup copy: left $(listing)"
key_exists || fail "no cleanup copy: the Uninstall key was removed"
rm -rf "$work/temp"
set +e; "$run" "$state" "$destination\uninst.exe" /S; code=$?; set -e
wait_for_copy
((code == 0)) || fail "no cleanup copy, second run: exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "no cleanup copy, second run left: $(listing)"

# An Uninstall entry with subkeys that the product added goes whole, 16 levels of them. One with
# subkeys too deep to delete (17 levels) stays, and so do the uninstaller and its log, for a run
# once the key is gone; the closing message names the key with its root.
install
"$run" "$state" reg add "$key$(printf '\\k%.0s' $(seq 16))" /v x /d y /f >/dev/null 2>&1
set +e; "$run" "$state" "$destination\uninst.exe" /S; code=$?; set -e
wait_for_copy
((code == 0)) || fail "entry with a subkey: exit code $code"
[[ "$(listing)" == $'.\n./Apps\n./Menu' ]] || fail "entry with a subkey left: $(listing)"
key_exists && fail "entry with a subkey: the Uninstall key was left"
install
"$run" "$state" reg add "$key$(printf '\\k%.0s' $(seq 17))" /f >/dev/null 2>&1
answers=$("$run" "$state" "$watch" answer "$destination\uninst.exe" | tr -d '\r')
grep -qF 'exit code: 1' <<<"$answers" || fail "entry too deep: $answers"
grep -qF "could not be removed:  HKEY_CURRENT_USER\\${key#HKCU\\}  " <<<"$answers" ||
    fail "entry too deep: the key is not named: $answers"
grep -qF 'The uninstaller and the entry in the list of installed programs stay' <<<"$answers" ||
    fail "entry too deep: no word of a second run: $answers"
[[ "$(listing)" == "$uninstaller_kept" ]] || fail "entry too deep: left $(listing)"
key_exists || fail "entry too deep: the Uninstall key was removed"
"$run" "$state" reg delete "$key\k" /f >/dev/null 2>&1
expect_clean_second_run "entry too deep"

# An App Paths key that stays (subkeys too deep) keeps the Uninstall entry as well, which goes
# only when nothing else is left, with the uninstaller and its log.
app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths'
install apppaths
"$run" "$state" reg add "$app_paths\SmokeApp.exe" /ve /d "$destination\app.exe" /f >/dev/null 2>&1
"$run" "$state" reg add "$app_paths\SmokeApp.exe$(printf '\\k%.0s' $(seq 17))" /f >/dev/null 2>&1
set +e; "$run" "$state" "$destination\uninst.exe" /S; code=$?; set -e
((code == 1)) || fail "App Paths key left: exit code $code"
[[ "$(listing)" == "$uninstaller_kept" ]] || fail "App Paths key left: left $(listing)"
key_exists || fail "App Paths key left: the Uninstall key was removed"
"$run" "$state" reg delete "$app_paths\SmokeApp.exe" /f >/dev/null 2>&1
expect_clean_second_run "App Paths key left"

# App Paths keys: one that still names the product's program goes; one that another program has
# taken over since stays, and so does one rewritten as an expandable text, as no installation
# writes it.
install apppaths
"$run" "$state" reg add "$app_paths\SmokeApp.exe" /ve /d "$destination\app.exe" /f >/dev/null 2>&1
"$run" "$state" reg add "$app_paths\SmokeTaken.exe" /ve /d 'C:\Other Vendor\SmokeTaken.exe' /f \
    >/dev/null 2>&1
"$run" "$state" reg add "$app_paths\SmokeExpanded.exe" /ve /t REG_EXPAND_SZ \
    /d '%ProgramFiles%\Other Vendor\SmokeExpanded.exe' /f >/dev/null 2>&1
set +e; "$run" "$state" "$destination\uninst.exe" /S; code=$?; set -e
wait_for_copy
((code == 0)) || fail "App Paths keys: exit code $code"
"$run" "$state" reg query "$app_paths\SmokeApp.exe" >/dev/null 2>&1 &&
    fail "App Paths keys: the product's own key was left"
"$run" "$state" reg query "$app_paths\SmokeTaken.exe" >/dev/null 2>&1 ||
    fail "App Paths keys: the key that another program took over was deleted"
"$run" "$state" reg query "$app_paths\SmokeExpanded.exe" >/dev/null 2>&1 ||
    fail "App Paths keys: the key rewritten as an expandable text was deleted"
for name in SmokeTaken SmokeExpanded; do
    "$run" "$state" reg delete "$app_paths\\$name.exe" /f >/dev/null 2>&1 || true
done

rm -rf "$work"
if ((failures)); then
    exit 1
fi
echo "uninstaller removal tests passed"
