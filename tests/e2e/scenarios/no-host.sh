#!/usr/bin/env bash
# A machine without AutoCAD: every release box disabled and unticked, 安  装 disabled; cancel
# ends the program with nothing written.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin no-host
e2e_require_setup
e2e_fresh_prefix
e2e_seed none
e2e_place_setup 'C:\Setup'
e2e_start_setup

for i in "${!E2E_BOX_IDS[@]}"; do
  check_eq "release $((2007 + i)) disabled" "$(state "${E2E_BOX_IDS[$i]}")" "enabled=0 visible=1 checked=0"
done
check_eq "install button disabled" "$(state 1022)" "enabled=0 visible=1 checked=0"
check_eq "cancel button enabled" "$(state 2)" "enabled=1 visible=1 checked=0"
check_eq "browse button enabled" "$(state 1015)" "enabled=1 visible=1 checked=0"
e2e_shot 1-no-host
click 2
check "取  消 ends the program" e2e_setup_exits 15
check "no install folder" test ! -e "$E2E_C/Velmar"
check_reg_sz HKCU "$E2E_PROFILE_2020" TRUSTEDPATHS 'C:\Program Files\Autodesk\AutoCAD 2020\Support'
e2e_end
