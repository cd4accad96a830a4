#!/usr/bin/env bash
# Every exit code of SetUp.exe /S from a real run, read whole on the Windows side, none with a
# window of the program: an invalid command line (1639), nothing to serve (2), AutoCAD running
# or another run in progress (1618), no package (4), a log that cannot be written (1622) and
# nothing to uninstall (1605) change nothing; a file that cannot be copied (1603) stops the
# installation with nothing registered. The log names each code.
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
  check "$arguments: the log names exit code $code" log_line "result: exit code $code, " "$log"
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
  silent_run 1639 "$arguments"
done
check "the log says what is wrong" grep -q 'a quote is not closed' "$log"
silent_run 2 '/S /RELEASES=2010,2024'
check "the log names the release" grep -q 'no release asked for is installed: releases 2010, 2024' "$log"
unchanged "wrong command lines and a release that is not installed"

e2e_start_host
before
silent_run 1618 '/S'
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
silent_run 1603 '/S'
check_nothing_registered
check_no_key HKLM "$E2E_ACTIVE_SETUP_KEY"
check_eq "the locked file is left as it was" "$(cat "$locked")" "an older PdfSharp.dll"
check "the log tells the copy that failed and the answer given" \
      log_line "message not shown, answered Abort: 拷贝文件 C:.*PdfSharp.dll 失败" "$log"

# A machine without AutoCAD; nothing installed to uninstall there either; and a log that
# cannot be written, told in the log the run writes into the temporary folder instead.
e2e_fresh_prefix -none
e2e_seed none
e2e_place_setup 'C:\Setup'
before
silent_run 2 '/S'
silent_run 1605 '/UNINSTALL /S'
run_setup 60 '/S /LOG=C:\missing\v.log'
check_silent '/S /LOG=C:\missing\v.log' 1622
check "the temporary folder's log says why" \
      grep -qF 'the log file C:\missing\v.log is refused: its folder does not exist' \
      "$(temp_logs | tail -1)"
unchanged "no AutoCAD"

# While the dialog is open, a quiet run waits a little, then changes nothing and ends with
# 1618; the dialog's own installation then goes on as ever.
e2e_fresh_prefix -dialog-open
e2e_seed sample
e2e_place_setup 'C:\Setup'
e2e_start_setup
before
started=$SECONDS
silent_run 1618 '/S'
check "another run is named in the log" grep -qF 'another run of SetUp.exe or Uninstall.exe is in progress' "$log"
check "it waited no more than moments" test $((SECONDS - started)) -lt 30
unchanged "a quiet run while the dialog is open"
click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the dialog's installation did not finish"
click 1
e2e_setup_exits 15 || e2e_die "the dialog did not end"
check_reg_sz HKLM "${E2E_AUTOLOAD_KEYS[3]}" LOADER "C:\\Velmar\\$E2E_INSTALL_SUB\\VL_BatchPlot2019.ARX"
e2e_end
