#!/usr/bin/env bash
# The sample signed end to end: a throwaway code-signing certificate, a build with osslsigncode as
# the signing command, both programs verified against it, and the signed Setup.exe installed.
#   install_signed.sh STATE_DIR DRIVER TOOL SAMPLE_MANIFEST SHARE_DIR WORK_DIR
# (SAMPLE_PRODUCT in the environment, for installed_sample.py)
set -euo pipefail

usage="usage: install_signed.sh STATE_DIR DRIVER TOOL SAMPLE_MANIFEST SHARE_DIR WORK_DIR"
state=${1:?$usage} driver=${2:?$usage} tool=${3:?$usage} manifest=${4:?$usage} share=${5:?$usage}
work=${6:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
wizard_tests=$(dirname "$here")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for program in osslsigncode:osslsigncode openssl:openssl wrestool:icoutils; do
    command -v "${program%%:*}" >/dev/null ||
        fail "${program%%:*} is missing: install the Debian package ${program#*:} (scripts/install-deps.sh)"
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Quillset test signer" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" >openssl.log 2>&1 || fail "no certificate: $(cat openssl.log)"
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:secret >>openssl.log 2>&1 ||
    fail "no PKCS#12 file: $(cat openssl.log)"

# --sign runs in the current folder, where cert.p12 is.
signer="osslsigncode sign -pkcs12 cert.p12 -pass secret -n Inkwell -in {in} -out {out}"
"$tool" build "$manifest" -o Setup.exe --sign "$signer" >build.log 2>&1 || fail "the signed build failed: $(cat build.log)"

verify() {
    osslsigncode verify -CAfile cert.pem -in "$1" >"$1.verify" 2>&1 || fail "$1 does not verify: $(cat "$1.verify")"
    grep -q "Signature verification: ok" "$1.verify" || fail "$1: no verified signature: $(cat "$1.verify")"
}
verify Setup.exe
wrestool -x --raw --type=10 --name=1 Setup.exe >package.bin || fail "no package in Setup.exe"
"$here/packed_file.py" package.bin uninst.exe uninst.exe
verify uninst.exe
! cmp -s uninst.exe "$share/uninst.exe" || fail "the packed uninst.exe is the unsigned one"

"$tool" inspect Setup.exe >inspect.txt 2>&1 || fail "inspect finds faults: $(cat inspect.txt)"
for program in Setup.exe uninst.exe; do
    grep -Eq "^  $program +signed \(certificate table of [0-9,]+ bytes at 0x[0-9A-F]+\)$" inspect.txt ||
        fail "inspect does not call $program signed: $(sed -n '/^signatures:/,$p' inspect.txt)"
done

# A signer that adds bytes after the signature stops the build: verifiers would refuse it.
tamper=$(cat <<'COMMAND'
sh -c 'osslsigncode sign -pkcs12 cert.p12 -pass secret -in "$1" -out "$2" && printf XXXXXXXX >>"$2"' sh {in} {out}
COMMAND
)
if "$tool" build "$manifest" -o tampered.exe --sign "$tamper" >tamper.log 2>&1; then
    fail "a signature followed by bytes was accepted"
fi
grep -q "uninst.exe whose signature is unsound (signed, but 8 bytes follow the signature)" tamper.log ||
    fail "the tampered signature was refused otherwise: $(cat tamper.log)"
[[ ! -e tampered.exe ]] || fail "the refused build wrote tampered.exe"

# A signed stub gives the Setup.exe that the unsigned stub gives.
osslsigncode sign -pkcs12 cert.p12 -pass secret -in "$share/Setup.exe" -out signed-stub.exe >stub.log 2>&1 ||
    fail "cannot sign the stub: $(cat stub.log)"
"$tool" build "$manifest" -o from-signed-stub.exe --stub signed-stub.exe >stub.log 2>&1 ||
    fail "the signed stub was refused: $(cat stub.log)"
grep -q "signed-stub.exe is signed; its signature is taken off" stub.log || fail "no note of the stub's signature"
"$tool" build "$manifest" -o from-stub.exe >/dev/null
cmp from-stub.exe from-signed-stub.exe || fail "the signed stub gives another Setup.exe than the unsigned one"

# The installation, checked as the sample's, with the packed (signed) uninst.exe as the one to find.
export SAMPLE_UNINSTALLER=$work/uninst.exe SIGNING_CA=$work/cert.pem SAMPLE_CHOICES=every
"$wizard_tests/run_scenario.sh" "$state" "$driver" "$wizard_tests/scenarios/install_sample.txt" \
    SETUP_SAMPLE="$work/Setup.exe" --prepare="$wizard_tests/checks/clear_product_keys.sh" \
    --check="$here/installed_signed.sh"
