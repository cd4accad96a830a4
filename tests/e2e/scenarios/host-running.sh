#!/usr/bin/env bash
# AutoCAD runs (a process named acad.exe): the first click of 安  装 warns once and changes
# nothing; the second click installs without asking again.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin host-running
e2e_require_setup
[[ -f "${VELMAR_E2E_SLEEPER:-}" ]] || e2e_die "the acad.exe stand-in is not built"
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
e2e_start_host
e2e_start_setup

click 1022
check_eq "the running-host warning" "$(drv msgbox "$E2E_BOX_TITLE" 20)" '请关闭AutoCAD后再进行安装 !'
check "the warning has an OK button" drv text "$E2E_BOX_TITLE" 1
check "and no second button" bash -c '! wine "$0" text "$1" 2 >/dev/null 2>&1' "$VELMAR_E2E_DRIVER" "$E2E_BOX_TITLE"
e2e_shot 1-warning
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the warning"
sleep 0.5
check_eq "still the input layout: folder box" "$(state 1000)" "enabled=1 visible=1 checked=0"
check_eq "still the input layout: install button" "$(state 1022)" "enabled=1 visible=1 checked=0"
check "no install folder made" test ! -e "$E2E_C/Velmar"
check_nothing_registered

click 1022
# The second click goes straight on: a second warning would fail here.
end=$((SECONDS + 60))
while ! wait_state 1 "enabled=1 visible=1 checked=0" 0; do
  if drv msgbox "$E2E_BOX_TITLE" 0 >/dev/null 2>&1; then
    e2e_shot 2-second-warning
    bad "a second warning was shown: $(drv msgbox "$E2E_BOX_TITLE" 0)"
    drv answer "$E2E_BOX_TITLE" 1 || true
  fi
  ((SECONDS < end)) || e2e_die "the completion layout did not appear after the second click"
  sleep 0.3
done
ok "installed at the second click"
e2e_shot 2-completion
check "acad.exe still runs" drv wait-start acad.exe 1
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020' LOADER \
             "C:\\Velmar\\$E2E_INSTALL_SUB\\VL_BatchPlot2019.ARX"
check "package copied" test -f "$E2E_C/Velmar/$E2E_INSTALL_SUB/itextsharp.dll"
click 1
check "安装完成 ends the program" e2e_setup_exits 15
e2e_end
