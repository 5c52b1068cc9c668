#!/usr/bin/env bash
# Checks images made by the PE resource writer with other readers: readpe and wrestool list and
# extract every resource byte for byte, osslsigncode accepts the checksum, signs and verifies,
# and a signed stub embeds as its unsigned self.
#   pe_resources_tools.sh EMBED_TOOL FIXTURE_DIR WORK_DIR
set -euo pipefail

embed=${1:?usage: pe_resources_tools.sh EMBED_TOOL FIXTURE_DIR WORK_DIR}
fixtures=${2:?usage: pe_resources_tools.sh EMBED_TOOL FIXTURE_DIR WORK_DIR}
work=${3:?usage: pe_resources_tools.sh EMBED_TOOL FIXTURE_DIR WORK_DIR}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

require() {
    command -v "$1" >/dev/null || fail "$1 is missing: install the Debian package $2 (scripts/install-deps.sh)"
}
require readpe pev
require wrestool icoutils
require osslsigncode osslsigncode
require openssl openssl

embed=$(realpath "$embed")
fixtures=$(realpath "$fixtures")
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Text and binary, the same every run.
{
    seq 1 30000
    cat "$fixtures/rsrc_inner.exe"
} >package.bin
: >empty.bin
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Quillset test signer" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" 2>openssl.log || fail "openssl could not make a certificate: $(cat openssl.log)"

# The resource list without file offsets, which move.
list_resources() {
    wrestool -l "$1" | sed 's/offset=0x[0-9a-f]* //' | sort
}

check_image() {
    local stub=$1 package=$2 name=$3
    local out=$name.exe
    "$embed" "$stub" "$package" "$out" || fail "$name: embedding failed"

    readpe "$out" >"$name.readpe" 2>"$name.readpe.err" || fail "$name: readpe rejects it: $(cat "$name.readpe.err")"
    [[ ! -s $name.readpe.err ]] || fail "$name: readpe complains: $(cat "$name.readpe.err")"
    local rva
    rva=$(readpe -S "$out" | awk '/Name:/ {name=$2} /Virtual Address:/ {va=$3} END {print name, va}')
    [[ $rva == ".rsrc "* ]] || fail "$name: readpe does not show .rsrc as the last section ($rva)"
    grep -q "IMAGE_DIRECTORY_ENTRY_RESOURCE: *${rva#.rsrc } " "$name.readpe" ||
        fail "$name: readpe's resource directory is not the last section at ${rva#.rsrc }"

    local size expected
    size=$(stat -c %s "$package")
    expected=$({
        list_resources "$stub" | grep -v -e "^--type=10 --name=1 " || true
        echo "--type=10 --name=1 --language=0 [type=rcdata size=$size]"
    } | sort)
    [[ $(list_resources "$out") == "$expected" ]] ||
        fail "$name: wrestool lists"$'\n'"$(list_resources "$out")"$'\n'"instead of"$'\n'"$expected"

    rm -rf "$name.before" "$name.after"
    mkdir "$name.before" "$name.after"
    cp "$stub" "$name.before/image.exe"
    cp "$out" "$name.after/image.exe"
    (cd "$name.before" && wrestool -x --raw -o . image.exe && rm -f image.exe image.exe_10_1_*)
    (cd "$name.after" && wrestool -x --raw -o . image.exe && rm image.exe)
    if [[ -s $package ]]; then
        cmp "$package" "$name.after/image.exe_10_1_0" || fail "$name: wrestool extracts another package"
    fi
    rm -f "$name.after/image.exe_10_1_0"
    diff -r "$name.before" "$name.after" || fail "$name: other resources differ after embedding"

    # Unsigned, osslsigncode shows the checksum it agrees with, or warns.
    osslsigncode verify -in "$out" >"$name.checksum" 2>&1 || true
    grep -q "PE checksum" "$name.checksum" || fail "$name: osslsigncode shows no checksum: $(cat "$name.checksum")"
    if grep -q "invalid PE checksum" "$name.checksum"; then
        fail "$name: osslsigncode computes another checksum: $(cat "$name.checksum")"
    fi

    osslsigncode sign -certs cert.pem -key key.pem -n "Quillset test" -in "$out" -out "$name.signed.exe" \
        >"$name.sign" 2>&1 || fail "$name: osslsigncode cannot sign it: $(cat "$name.sign")"
    osslsigncode verify -CAfile cert.pem -in "$name.signed.exe" >"$name.verify" 2>&1 ||
        fail "$name: the signature does not verify: $(cat "$name.verify")"
    grep -q "Signature verification: ok" "$name.verify" || fail "$name: no verified signature: $(cat "$name.verify")"
    local current calculated
    current=$(awk -F': ' '/Current message digest/ {print $2}' "$name.verify")
    calculated=$(awk -F': ' '/Calculated message digest/ {print $2}' "$name.verify")
    [[ -n $current && $current == "$calculated" ]] || fail "$name: signed digest $current, image digest $calculated"

    # A signed stub is used as it was before signing, so it gives the unsigned stub's image; one
    # with bytes after its signature is refused, as they cannot be told from the stub's own.
    "$embed" "$name.signed.exe" "$package" "$name.resigned.exe" 2>"$name.resign" ||
        fail "$name: a signed stub was refused: $(cat "$name.resign")"
    cmp "$out" "$name.resigned.exe" || fail "$name: the signed stub gives another image than the unsigned one"
    { cat "$name.signed.exe"; printf 'tail'; } >"$name.appended.exe"
    if "$embed" "$name.appended.exe" "$package" "$name.reappended.exe" 2>"$name.refusal"; then
        fail "$name: a stub with bytes after its signature was accepted"
    fi
    grep -q "is signed, but .*4 bytes follow the certificate table" "$name.refusal" ||
        fail "$name: unclear refusal of a stub with bytes after its signature: $(cat "$name.refusal")"
    echo "ok: $name"
}

for stub in rsrc_last rsrc_inner no_rsrc; do
    check_image "$fixtures/$stub.exe" package.bin "$stub"
    check_image "$fixtures/$stub.exe" empty.bin "$stub-empty"
done
# Embedding into a built Setup.exe again: its own resource section is then the last.
check_image rsrc_inner.exe empty.bin rsrc_inner-again
