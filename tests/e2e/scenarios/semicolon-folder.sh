#!/usr/bin/env bash
# A folder text holding ';' (which AutoCAD's trusted paths would split) is refused with a stop
# message before anything is made; the dialog stays in its input layout with the text as typed.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin semicolon-folder
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
e2e_start_setup

drv settext "$E2E_MAIN_TITLE" 1000 'C:\Velmar;D:\旧' || e2e_die "cannot type the folder"
click 1022
check_eq "the refusal" "$(drv msgbox "$E2E_BOX_TITLE" 20)" '安装路径中不能有分号(;)，请修改后再进行安装 !'
e2e_shot 1-refused
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the refusal"
drv gone "$E2E_BOX_TITLE" 10 || e2e_die "the refusal stays on the screen"
sleep 0.5  # room for a wrong layout switch to show
check_eq "still the input layout: folder box" "$(state 1000)" "enabled=1 visible=1 checked=0"
check_eq "the text as typed" "$(text 1000)" 'C:\Velmar;D:\旧'
check_eq "the install button still offered" "$(state 1022)" "enabled=1 visible=1 checked=0"
check_eq "no progress bar" "$(state 1014)" "enabled=1 visible=0 checked=0"
check "no folder made" test ! -e "$E2E_C/Velmar;D:" -a ! -e "$E2E_C/Velmar"
check_nothing_registered
e2e_end
