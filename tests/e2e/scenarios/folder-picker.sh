#!/usr/bin/env bash
# The folder picker behind 浏览...: it opens at the folder typed before, Cancel keeps that text, an invalid text is refused with
# the browser left open, No to the create question keeps it open and makes nothing, a tree node
# without a drive path empties the path box and disables OK, and a typed double-byte path whose
# three levels are missing is created on Yes and becomes the folder text.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin folder-picker
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
e2e_start_setup
P="$E2E_PICKER_TITLE"

# open_picker: press 浏览... and wait for the browser with its path box.
open_picker() {
  click 1015
  drv wait "$P" 30 >/dev/null || e2e_die "the folder browser did not open"
  local tries
  for ((tries = 0; tries < 50; tries++)); do
    drv text "$P" 14148 >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  e2e_die "the folder browser has no path box (id 14148)"
}

# The browser opens at the folder typed before browsing; Cancel keeps that text, whatever the
# path box held.
mkdir -p "$E2E_C/先前输入"
drv settext "$E2E_MAIN_TITLE" 1000 'C:\先前输入'
open_picker
e2e_shot 1-browser "$E2E_MAIN_TITLE" "$P"
check_eq "browser path box visible" "$(drv state "$P" 14148)" "enabled=1 visible=1 checked=0"
check_eq "the browser opens at the typed folder" "$(drv text "$P" 14148)" 'C:\先前输入'
drv settext "$P" 14148 'D:\别处'
drv click "$P" 2
check "Cancel closes the browser" drv gone "$P" 10
check_eq "Cancel keeps the typed folder" "$(text 1000)" 'C:\先前输入'

# An invalid text: the message, and the browser stays open.
open_picker
drv settext "$P" 14148 'C:\Plot\Out|x'
check_eq "OK enabled for a typed text" "$(drv state "$P" 1)" "enabled=1 visible=1 checked=0"
drv click "$P" 1
check_eq "the invalid-folder message" "$(drv msgbox SetUp 20)" \
         'The folder:\n\nC:\Plot\Out|x\n\nis invalid. Please reenter.'
e2e_shot 2-invalid "$E2E_MAIN_TITLE" "$P" SetUp
drv answer SetUp 1 || e2e_die "cannot close the message"
sleep 0.5
check "the browser stays open" drv wait "$P" 1
check "nothing created for the invalid text" test ! -e "$E2E_C/Plot"

# A missing folder three levels deep, with double-byte names (淺 ends in the byte of '\'),
# typed as a user's keyboard would deliver it: No keeps the browser open and makes nothing.
typed='C:\研發部\淺\新建'
question="The folder:\\n\\n$typed\\n\\ndoes not exist. Do you want the folder to be created?"
drv settext "$P" 14148 "$typed"
drv click "$P" 1
check_eq "the create-folder question" "$(drv msgbox SetUp 20)" "$question"
check "the question has Yes" drv text SetUp 6
check "the question has No" drv text SetUp 7
e2e_shot 3-create-question "$E2E_MAIN_TITLE" "$P" SetUp
drv answer SetUp 7 || e2e_die "cannot answer No"
sleep 0.5
check "No keeps the browser open" drv wait "$P" 1
check_eq "No keeps the typed text" "$(drv text "$P" 14148)" "$typed"
check "No creates nothing" test ! -e "$E2E_C/研發部"

# A tree node without a drive path empties the box and disables OK; typing enables it again.
drv tree "$P" '我的电脑' || e2e_die "cannot select the computer node"
end=$((SECONDS + 10))
while [[ -n "$(drv text "$P" 14148)" ]] && ((SECONDS < end)); do sleep 0.2; done
check_eq "a node without a drive path empties the box" "$(drv text "$P" 14148)" ""
check_eq "and disables OK" "$(drv state "$P" 1)" "enabled=0 visible=1 checked=0"
e2e_shot 4-virtual-node "$E2E_MAIN_TITLE" "$P"
drv settext "$P" 14148 "$typed"
check_eq "a typed text enables OK again" "$(drv state "$P" 1)" "enabled=1 visible=1 checked=0"

# Yes creates every level and the folder becomes the dialog's folder text.
drv click "$P" 1
check_eq "the question again" "$(drv msgbox SetUp 20)" "$question"
drv answer SetUp 6 || e2e_die "cannot answer Yes"
check "Yes closes the browser" drv gone "$P" 10
check "the three levels are created" test -d "$E2E_C/研發部/淺/新建"
check_eq "the chosen folder becomes the folder text" "$(text 1000)" "$typed"
check_eq "install button still enabled" "$(state 1022)" "enabled=1 visible=1 checked=0"
e2e_shot 5-input-after-browse

click 2
check "取  消 ends the program" e2e_setup_exits 15
check_nothing_registered
e2e_end
