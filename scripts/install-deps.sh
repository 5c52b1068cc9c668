#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need that this machine lacks.
# Idempotent: it does nothing when every package is there. Needs root only to install.
set -euo pipefail

packages=(
    cmake make g++ pkg-config dpkg-dev file
    zlib1g-dev libdeflate-dev libtomlplusplus-dev libcli11-dev libgtest-dev libssl-dev
    g++-mingw-w64-i686
    wine wine32:i386 fonts-wine xvfb x11-apps imagemagick
    pev icoutils osslsigncode openssl liblnk-utils python3
    clang libclang-rt-14-dev
    nsis zopfli
)

# Installs what of its arguments is missing; wine32 needs the i386 architecture first.
install_missing() {
    local package status missing=()
    for package in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    if [[ $(id -u) -ne 0 ]]; then
        echo "Quillset needs these Debian packages: ${missing[*]}" >&2
        echo "Run this script as root (or with sudo) to install them; wine32 also needs" >&2
        echo "'dpkg --add-architecture i386'." >&2
        exit 1
    fi

    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    # A mirror caught mid-sync fails one index now and then; the others are still fresh, so
    # after a few tries the install goes on and fails on its own if a package really cannot be
    # found.
    local attempt
    for attempt in 1 2 3; do
        apt-get update -q && break
        echo "apt-get update failed (try $attempt of 3)" >&2
        [[ $attempt -lt 3 ]] && sleep 5
    done
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_missing "${packages[@]}"
# Where this machine's kernel starts no 32-bit programs, the tests run Wine in an emulated
# machine (scripts/run-in-guest): an emulator, busybox for its first program, mkfs for its disk.
if ! "$(dirname "$0")/runs-32-bit-x86" 2>/dev/null; then
    install_missing qemu-system-x86 busybox-static e2fsprogs
fi
