#!/usr/bin/env bash
# The signed build and its check. Makes a throwaway code-signing certificate with openssl,
# builds in a folder of its own, signed with it, only SetUp.exe (and the VelmarTrust.exe it
# carries) and the tool that takes the carried program out; then checks with osslsigncode
# verify, trusting that certificate alone, that these are validly signed with SHA-256:
#   - SetUp.exe;
#   - the VelmarTrust.exe taken out of SetUp.exe's resource;
#   - the Uninstall.exe (and the VelmarTrust.exe) that SetUp.exe /S leaves in a fresh Wine
#     prefix of the sample machine;
# and that the same check refuses SetUp.exe with one byte changed, and finds no signature on
# the unsigned build's programs. As a release build it names its package, the sample one: it
# installs that package and refuses it with one file changed (code 7, nothing written).
#
#   tests/signing/signed-build.sh DIR UNSIGNED_BUILD
#
# DIR: the signed build's own folder (certificate, build, prefix); UNSIGNED_BUILD: the ordinary
# windows build. scripts/test runs it after the Windows tests. Exit code 0 when every check
# passes, 1 otherwise.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: tests/signing/signed-build.sh DIR UNSIGNED_BUILD" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mkdir -p "$1"
dir="$(cd "$1" && pwd)"
unsigned="$(cd "$2" && pwd)"

die() { echo "signed-build: $*" >&2; exit 1; }
for tool in openssl osslsigncode cmake wine wineserver Xvfb od cmp; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool is not installed: run scripts/install-deps"
done

failures=0
ok()  { echo "ok   - $*"; }
bad() { echo "FAIL - $*"; failures=$((failures + 1)); }

started=$SECONDS
certificate="$dir/certificate"
build="$dir/build"
prefix="$dir/prefix"
xvfb_pid=""
cleanup() {
  if [[ -f "$prefix/system.reg" ]]; then WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; fi
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -f "$certificate/key.pem"
}
trap cleanup EXIT

# A certificate only this run trusts, and a password only this run knows. The private key
# exists outside the PFX only for the moment it takes to make the PFX.
echo "== certificate"
rm -rf "$certificate"
mkdir -p "$certificate"
export VELMAR_SIGN_PASSWORD
VELMAR_SIGN_PASSWORD="$(openssl rand -hex 16)"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$certificate/key.pem" \
  -out "$certificate/certificate.pem" -subj "/O=Velmar/CN=Velmar throwaway test code signing" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  >"$certificate/openssl.log" 2>&1 || die "openssl req failed: $(cat "$certificate/openssl.log")"
openssl pkcs12 -export -inkey "$certificate/key.pem" -in "$certificate/certificate.pem" \
  -out "$certificate/test.pfx" -passout env:VELMAR_SIGN_PASSWORD \
  >"$certificate/openssl.log" 2>&1 || die "openssl pkcs12 failed: $(cat "$certificate/openssl.log")"
rm -f "$certificate/key.pem"
trusted="$certificate/certificate.pem"

echo "== signed build in $build"
build_started=$SECONDS
package="$dir/package"
"$root/scripts/make-sample-package" "$package" >/dev/null ||
  die "scripts/make-sample-package failed"
(cd "$root" && cmake --preset windows -B "$build" -DVELMAR_SIGN_PFX="$certificate/test.pfx" \
                     -DVELMAR_PACKAGE_LIST="$package/Data") \
  >"$dir/configure.log" 2>&1 || die "configuring the signed build failed: $(tail -20 "$dir/configure.log")"
nice cmake --build "$build" -j2 --target SetUp velmar_extract_carried >"$dir/build.log" 2>&1 ||
  die "the signed build failed: $(tail -30 "$dir/build.log")"
build_seconds=$((SECONDS - build_started))
setup="$build/ui/SetUp.exe"
extract="$build/tests/signing/velmar_extract_carried.exe"
[[ -f "$setup" && -f "$extract" ]] || die "the signed build made no $setup or $extract"

# signed WHAT FILE: FILE verifies against the throwaway certificate, its hash SHA-256.
signed() {
  local out
  if ! out="$(osslsigncode verify -CAfile "$trusted" -in "$2" 2>&1)"; then
    bad "$1 is validly signed"$'\n'"$(sed 's/^/         /' <<<"$out")"
  elif ! grep -Eq '^Message digest algorithm +: SHA256' <<<"$out"; then
    bad "$1 is signed with SHA-256"$'\n'"$(grep -i 'digest algorithm' <<<"$out")"
  else
    ok "$1 is validly signed, SHA-256"
  fi
}
# refused WHAT FILE: the same verification fails.
refused() {
  if osslsigncode verify -CAfile "$trusted" -in "$2" >/dev/null 2>&1; then
    bad "$1 must fail the verification"
  else
    ok "$1 fails the verification"
  fi
}
# no_signature WHAT FILE: FILE carries no signature at all.
no_signature() {
  if osslsigncode extract-signature -in "$2" -out "$dir/extracted.der" >/dev/null 2>&1; then
    bad "$1 must carry no signature"
  else
    ok "$1 carries no signature"
  fi
  rm -f "$dir/extracted.der"
}

echo "== verification"
signed "SetUp.exe" "$setup"

changed="$dir/SetUp-changed.exe"
cp "$setup" "$changed"
at=$(($(stat -c %s "$changed") / 2))
byte="$(od -An -tu1 -j "$at" -N 1 "$changed" | tr -d ' ')"
printf "\\x$(printf %02x $((byte ^ 0xff)))" | dd of="$changed" bs=1 seek="$at" conv=notrunc status=none
[[ "$(cmp -l "$setup" "$changed" | wc -l)" == 1 ]] || die "changing one byte of $changed failed"
refused "SetUp.exe with byte $at changed" "$changed"
rm -f "$changed"

no_signature "the unsigned build's SetUp.exe" "$unsigned/ui/SetUp.exe"
no_signature "the unsigned build's VelmarTrust.exe" "$unsigned/peruser/VelmarTrust.exe"

echo "== under Wine: the carried program, and an unattended installation"
wine_started=$SECONDS
# A copy of the freshly booted prefix the end-to-end tests copy (ctest makes it), else a prefix
# booted here.
template="$unsigned/tests/e2e/template-prefix"
rm -rf "$prefix"
if [[ -f "$template/system.reg" ]]; then
  cp -a "$template" "$prefix"
else
  "$root/scripts/wine-prefix" "$prefix" >"$dir/prefix.log" 2>&1 ||
    die "scripts/wine-prefix failed: $(cat "$dir/prefix.log")"
fi
prefix_seconds=$((SECONDS - wine_started))
export WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [[ -z "${DISPLAY:-}" ]]; then
  read -r xvfb_pid DISPLAY < <("$root/scripts/start-xvfb" 1024x768x24) || die "Xvfb did not start"
  export DISPLAY
fi
(setsid wineserver -p >/dev/null 2>&1 &)

windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }
carried="$dir/VelmarTrust-carried.exe"
rm -f "$carried"
wine "$extract" "$(windows_path "$setup")" "$(windows_path "$carried")" </dev/null ||
  die "velmar_extract_carried could not take the program out of $setup"
signed "the VelmarTrust.exe carried in SetUp.exe" "$carried"

"$root/scripts/seed-machine" "$prefix" sample >"$dir/seed.log" 2>&1 ||
  die "scripts/seed-machine failed: $(cat "$dir/seed.log")"
mkdir -p "$prefix/drive_c/Setup"
cp "$setup" "$prefix/drive_c/Setup/SetUp.exe"
"$root/scripts/make-sample-package" "$prefix/drive_c/Setup" >/dev/null ||
  die "scripts/make-sample-package failed"
code=0
wine 'C:\Setup\SetUp.exe' /S </dev/null >"$dir/install.log" 2>&1 || code=$?
[[ "$code" == 0 ]] || die "SetUp.exe /S ended with $code: $(cat "$dir/install.log")"
installed="$prefix/drive_c/Velmar/Velmar批打印软件"
signed "the Uninstall.exe an installation leaves" "$installed/Uninstall.exe"
signed "the VelmarTrust.exe an installation leaves" "$installed/VelmarTrust.exe"

# The same program beside its package with one file changed: refused before anything is written.
mkdir -p "$prefix/drive_c/Changed"
cp "$setup" "$prefix/drive_c/Changed/SetUp.exe"
cp -a "$prefix/drive_c/Setup/Data" "$prefix/drive_c/Changed/Data"
printf 'changed\r\n' >>"$prefix/drive_c/Changed/Data/VL_BatchPlot2019.arx"
code=0
wine 'C:\Changed\SetUp.exe' /S '/DIR=C:\Other' '/LOG=C:\changed.log' </dev/null >/dev/null 2>&1 ||
  code=$?
if [[ "$code" == 7 && ! -e "$prefix/drive_c/Other" ]] &&
   grep -q 'Data\\VL_BatchPlot2019.arx is not the file this program was built with' \
     "$prefix/drive_c/changed.log"; then
  ok "SetUp.exe refuses its package with one file changed (code 7), and writes nothing"
else
  bad "SetUp.exe with one package file changed ended with $code, expected 7 and nothing" \
      "written:"$'\n'"$(cat "$prefix/drive_c/changed.log" 2>/dev/null)"
fi
wine_seconds=$((SECONDS - wine_started))

echo "# seconds: signed build $build_seconds, under Wine $wine_seconds (of which the fresh prefix" \
     "$prefix_seconds), all $((SECONDS - started))"
if ((failures)); then
  echo "signed-build: $failures check(s) failed" >&2
  exit 1
fi
echo "signed-build: all checks passed"
