#!/usr/bin/env bash
# The running SetUp.exe renamed aside and another program put under its name while the dialog
# waits: Windows refuses the rename while the program holds its file; the Unix layer below Wine
# renames it all the same, and the Uninstall.exe left is still the program that ran.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin program-replaced
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
e2e_start_setup

unix="$E2E_C/Setup"
ran="$(md5sum <"$unix/SetUp.exe")"
if wine cmd /c 'ren C:\Setup\SetUp.exe Aside.exe' >/dev/null 2>&1 &&
   [[ -e "$unix/Aside.exe" ]]; then
  bad "a Windows rename of the running program must be refused"
  mv "$unix/Aside.exe" "$unix/SetUp.exe"
else
  ok "a Windows rename of the running program is refused"
fi
mv "$unix/SetUp.exe" "$unix/Aside.exe"
cp "$VELMAR_E2E_SLEEPER" "$unix/SetUp.exe"
check "another program stands at the program's path" test "$(md5sum <"$unix/SetUp.exe")" != "$ran"

click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
e2e_shot 1-completion
check_eq "Uninstall.exe is the program that ran" \
         "$(md5sum <"$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.exe")" "$ran"
click 1
check "the program ends" e2e_setup_exits 15
e2e_end
