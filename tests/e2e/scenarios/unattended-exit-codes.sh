#!/usr/bin/env bash
# Every exit code of SetUp.exe /S from a real run, none with a window of the program: a wrong
# command line (1), nothing to serve (2), AutoCAD running (3), no package (4) change nothing;
# a file that cannot be copied (5) stops the installation with nothing registered. The log
# names each code.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin unattended-exit-codes
e2e_require_setup
[[ -f "${VELMAR_E2E_SLEEPER:-}" ]] || e2e_die "the acad.exe stand-in is not built"

log="$E2E_DIR/run.log"
# silent_run CODE ARGUMENTS: /S with a log; the code, no window, the log names the code.
silent_run() {
  local code="$1" arguments="$2"
  rm -f "$log"
  run_setup 120 "/LOG=$(winepath -w "$log") $arguments"
  check_silent "$arguments" "$code"
  check "$arguments: the log names exit code $code" grep -q "^result: exit code $code, " "$log"
}
# before, then unchanged WHAT: the machine is as it was at "before".
before() { snapshot "$E2E_DIR/before.snap"; }
unchanged() {
  snapshot "$E2E_DIR/after.snap"
  check_eq "$1: nothing changed" "$(diff "$E2E_DIR/before.snap" "$E2E_DIR/after.snap")" ""
}

e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'

before
for arguments in '/S /BOGUS' '/S /DIR=' '/S /DIR=Velmar' '/S /DIR=C:\a<b' '/S /S' \
                 '/S /RELEASES=2030' '/S /RELEASES=2008,,2020' '/S /DIR=D:\한글' \
                 '/S /DIR="C:\Program Files\Velmar'; do
  silent_run 1 "$arguments"
done
check "the log says what is wrong" grep -q 'a quote is not closed' "$log"
silent_run 2 '/S /RELEASES=2020,2010'
check "the log names the release" grep -q 'release 2010 was asked for and is not installed' "$log"
unchanged "wrong command lines and a release that is not installed"

e2e_start_host
before
silent_run 3 '/S'
unchanged "AutoCAD running"
kill "$E2E_HOST_PID" 2>/dev/null || true
drv wait-exit acad.exe 30 || e2e_die "acad.exe did not end"

mv "$E2E_DATA" "$E2E_DATA.away"
before
silent_run 4 '/S'
unchanged "no package"
mv "$E2E_DATA.away" "$E2E_DATA"

locked="$E2E_C/Velmar/$E2E_INSTALL_SUB/PdfSharp.dll"
mkdir -p "$(dirname "$locked")"
echo "an older PdfSharp.dll" >"$locked"
e2e_make_uncopyable "$locked"
silent_run 5 '/S'
check_nothing_registered
check_no_key HKLM "$E2E_ACTIVE_SETUP_KEY"
check_eq "the locked file is left as it was" "$(cat "$locked")" "an older PdfSharp.dll"
check "the log tells the copy that failed and the answer given" \
      grep -q "^message not shown, answered Abort: 拷贝文件 C:.*PdfSharp.dll 失败" "$log"

# A machine without AutoCAD.
e2e_fresh_prefix -none
e2e_seed none
e2e_place_setup 'C:\Setup'
before
silent_run 2 '/S'
unchanged "no AutoCAD"
e2e_end
