#!/usr/bin/env bash
# A comctl32.dll that someone else put beside SetUp.exe (a download folder, a USB stick, a
# share). comctl32 is not one of Windows' KnownDLLs, so the loader would look for it in the
# program's own folder first; Wine does the same with its load order set to native first. The
# program never loads it: not at start (the unattended run with a wrong argument), and not when
# the dialog's progress bar needs the common controls, which come from System32 only.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin dll-planting
e2e_require_setup
[[ -f "${VELMAR_E2E_PLANTED:-}" ]] || e2e_die "the planted DLL is not built"
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
cp "$VELMAR_E2E_PLANTED" "$E2E_C/Setup/comctl32.dll"
mark="$E2E_C/Setup/planted-ran.txt"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=n,b"

run_setup 60 '/S /NOSUCHSWITCH'
check_silent "/S with a wrong argument" 1639
check "the planted DLL did not run at start" test ! -e "$mark"

e2e_start_setup
click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
e2e_shot 1-completion
click 1
check "the program ends" e2e_setup_exits 15
check "the planted DLL did not run with the progress bar" test ! -e "$mark"
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020' LOADER \
             "C:\\Velmar\\$E2E_INSTALL_SUB\\VL_BatchPlot2019.ARX"
e2e_end
