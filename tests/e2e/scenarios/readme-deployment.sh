#!/usr/bin/env bash
# The README's deployment examples, read from the README itself and run as written, one after
# the other, on the sample machine (AutoCAD 2008, 2016 and 2020: no 2024): Intune's install and
# uninstall lines, Configuration Manager's line (2024 passed over, the installation moved to
# D:\CAD\Velmar), the Group Policy script's line from the "share", the Inno Setup and NSIS
# templates (the second moves the installation again), and the batch file that reads the exit
# code. Each ends with 0 and shows no window; at the end, one uninstall gives the machine back.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin readme-deployment
e2e_require_setup

readme="$VELMAR_E2E_SOURCE/README.md"
# The command lines of the first example block after "Examples:", comments left out.
mapfile -t lines < <(awk '/^Examples:/ { on = 1 } on && /^```bat/ { inside = 1; next }
                          inside && /^```/ { exit } inside && NF && !/^::/' "$readme")
((${#lines[@]} >= 6)) || e2e_die "the README's examples are not where this scenario reads them"

# The machine outside the user's profile and the Windows folder (the settings file, the
# temporary folder, the logs), but for the product folders the uninstall leaves, emptied.
state() {
  e2e_snapshot | grep -v -e '^file C:/users/' -e '^folder C:/users' |
    grep -v -E '^folder (C:/Velmar|D:/CAD( Tools)?(/Velmar)?)(/Velmar批打印软件)?$'
}

e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
E2E_D="$E2E_PREFIX/drive_d"
mkdir -p "$E2E_C/windows/Logs"
state >"$E2E_DIR/before.snap"

# as_written LINE: the line with the program's path and %WINDIR% as the tools would give them.
as_written() {
  local line="$1"
  line="${line//\"\\\\fileserver\\deploy\\Velmar\\SetUp.exe\"/\"$E2E_SETUP_WIN\"}"
  line="${line//%WINDIR%/C:\\windows}"
  [[ "$line" == SetUp.exe* ]] && line="\"$E2E_SETUP_WIN\"${line#SetUp.exe}"
  printf '%s' "$line"
}

for line in "${lines[@]}"; do
  command="$(as_written "$line")"
  out="$(drv run 180 "$command" 2>&1)" || e2e_die "$line did not end: $out"
  code="$(sed -n 's/^exit=//p' <<<"$out")"
  # The uninstaller's own file may wait for the restart when no helper could take it.
  [[ "$line" == *Uninstall.exe* && "$code" == 3010 ]] && code=0
  check_eq "$line: exit code" "$code" 0
  check_eq "$line: no window" "$(grep '^window ' <<<"$out" || true)" ""
  sleep 1  # the uninstall's helper ends right after its uninstaller
  case "$line" in
    *RELEASES=2020,2024*)
      check "2024, not installed, is passed over" \
            log_line 'passed over: release 2024, asked for and not installed' \
            "$E2E_C/windows/Logs/Velmar-setup.log"
      check "the installation lives in D:\\CAD\\Velmar" test -f "$E2E_D/CAD/Velmar/$E2E_INSTALL_SUB/Uninstall.exe"
      check "and not in C:\\Velmar any more" \
            test ! -e "$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.exe" ;;
    *"/D=D:\\CAD Tools\\Velmar"*)
      check "moved again: the earlier folder is emptied" \
            test ! -e "$E2E_D/CAD/Velmar/$E2E_INSTALL_SUB/Uninstall.exe"
      check "the log says so" grep -qF 'moved: the installation in D:\CAD\Velmar' "$(temp_logs | tail -1)" ;;
  esac
done
check "the Inno template's switches are noted" \
      grep -qF '"/NORESTART" changes nothing' "$E2E_C/windows/Logs/Velmar-setup.log"

# The batch file of the README, saved as its note says (code page 936 is not needed here).
awk '/^@echo off/ { on = 1 } on { print } on && /^exit \/b/ { exit }' "$readme" |
  sed "s|\"\\\\\\\\fileserver\\\\deploy\\\\Velmar\\\\SetUp.exe\"|\"C:\\\\Setup\\\\SetUp.exe\"|" |
  sed 's/$/\r/' >"$E2E_C/deploy.bat"
out="$(drv run 180 'cmd.exe /c C:\deploy.bat' 2>&1)" || e2e_die "the batch file did not end: $out"
check_eq "the README's batch file: exit code" "$(sed -n 's/^exit=//p' <<<"$out")" 0
rm -f "$E2E_C/deploy.bat"

# One uninstall gives the machine back (the settings file and the switched-off component aside).
out="$(drv run 180 "\"D:\\CAD Tools\\Velmar\\$E2E_INSTALL_SUB\\Uninstall.exe\" /S" 2>&1)" ||
  e2e_die "the uninstall did not end: $out"
sleep 2
state >"$E2E_DIR/after.snap"
check_eq "the machine as it was" "$(diff "$E2E_DIR/before.snap" "$E2E_DIR/after.snap")" ""
e2e_end
