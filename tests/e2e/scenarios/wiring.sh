#!/usr/bin/env bash
# The dialog's wiring under real keys, clicks and the mouse, on a machine with AutoCAD 2010 and
# 2011 (the releases whose boxes carry each other's id). Esc and the close box end the program
# with nothing written. Enter in the folder box or on a check box leaves the dialog open.
# Unticking every release disables 安  装 and ticking one enables it again. With 2010 unticked
# only 2011 is served, in a folder typed with a double-byte character. In the completion
# layout, Enter ends the program.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin wiring
e2e_require_setup
e2e_fresh_prefix
e2e_seed 2010-2011
e2e_place_setup 'C:\Setup'
T="$E2E_MAIN_TITLE"

k2010='SOFTWARE\Autodesk\AutoCAD\R18.0\ACAD-8001:804'
k2011='SOFTWARE\Autodesk\AutoCAD\R18.1\ACAD-9001:804'
profile='Profiles\<<未命名配置>>\Variables'
fonts2010="$E2E_C/Program Files/Autodesk/AutoCAD 2010/Fonts"
fonts2011="$E2E_C/Program Files/Autodesk/AutoCAD 2011/Fonts"

# nothing_written WHEN
nothing_written() {
  check_no_key HKLM "$k2010\\Applications\\VL_BatchPlot2010"
  check_no_key HKLM "$k2011\\Applications\\VL_BatchPlot2011"
  check_reg_sz HKCU "$k2011\\$profile" TRUSTEDPATHS 'C:\Program Files\Autodesk\AutoCAD 2011\Support'
  check_eq "$1: no install folder" "$(ls -A "$E2E_C" | grep -c -e Velmar -e 淺)" 0
  check_eq "$1: no fonts for 2011" "$(ls -A "$fonts2011")" ""
}

# Esc, then the close box, each in a run of its own.
e2e_start_setup
drv keys "$T" - esc || e2e_die "cannot press Esc"
check "Esc ends the program" e2e_setup_exits 15
nothing_written "after Esc"

e2e_start_setup
drv closebox "$T" || e2e_die "cannot click the close box"
check "the close box ends the program" e2e_setup_exits 15
nothing_written "after the close box"

e2e_start_setup
check_eq "2010 offered and ticked" "$(state 1027)" "enabled=1 visible=1 checked=1"
check_eq "2011 offered and ticked" "$(state 1026)" "enabled=1 visible=1 checked=1"
check_eq "2012 not offered" "$(state 1028)" "enabled=0 visible=1 checked=0"
check_eq "install button enabled at open" "$(state 1022)" "enabled=1 visible=1 checked=0"

# The focus puts the folder text in a selection, which the typed text replaces; what is typed
# after Enter shows that the dialog took Enter and stayed.
drv keys "$T" 1000 'C:\' enter '淺' || e2e_die "cannot type into the folder box"
end=$((SECONDS + 10))
while [[ "$(text 1000 2>/dev/null)" != 'C:\淺' ]] && ((SECONDS < end)); do sleep 0.2; done
check_eq "Enter in the folder box leaves the dialog open" "$(text 1000 2>&1)" 'C:\淺'
check_eq "and in the input layout: folder box" "$(state 1000 2>&1)" "enabled=1 visible=1 checked=0"

drv keys "$T" 1027 space || e2e_die "cannot press Space on the 2010 box"
check "Space on the 2010 box unticks it" wait_state 1027 "enabled=1 visible=1 checked=0" 10
drv keys "$T" - enter space || e2e_die "cannot press Enter on the 2010 box"
check "Enter on a check box leaves the dialog open" wait_state 1027 "enabled=1 visible=1 checked=1" 10
e2e_shot 1-input-after-enter
check "nothing made by Enter" test ! -e "$E2E_C/淺"

click 1027
check "2010 unticked" wait_state 1027 "enabled=1 visible=1 checked=0" 5
check_eq "install button enabled with 2011 ticked" "$(state 1022)" "enabled=1 visible=1 checked=0"
click 1026
check "every release unticked disables the install button" \
      wait_state 1022 "enabled=0 visible=1 checked=0" 5
e2e_shot 2-nothing-ticked
click 1026
check "ticking 2011 enables it again" wait_state 1022 "enabled=1 visible=1 checked=0" 5

click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
e2e_shot 3-completion
folder="C:\\淺\\$E2E_INSTALL_SUB"
check_reg_sz HKLM "$k2011\\Applications\\VL_BatchPlot2011" LOADER "$folder\\VL_BatchPlot2010.ARX"
check_reg_dword HKLM "$k2011\\Applications\\VL_BatchPlot2011" LOADCTRLS 2
check_no_key HKLM "$k2010\\Applications\\VL_BatchPlot2010"
check "fonts for 2011" test -f "$fonts2011/Velmar_HZ.shx"
check_eq "no fonts for the unticked 2010" "$(ls -A "$fonts2010")" ""
check "the package in the typed folder" test -f "$E2E_C/淺/$E2E_INSTALL_SUB/itextsharp.dll"

drv keys "$T" - enter || e2e_die "cannot press Enter in the completion layout"
check "Enter in the completion layout ends the program" e2e_setup_exits 15
e2e_end
