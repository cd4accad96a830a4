#!/usr/bin/env bash
# The folder picker behind 浏览...: Cancel keeps the folder text, an invalid text is refused with
# the browser left open, and a typed path whose two levels are missing is created on Yes and
# becomes the folder text.
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

# Cancel keeps what the user typed before browsing.
drv settext "$E2E_MAIN_TITLE" 1000 'D:\先前输入'
open_picker
e2e_shot 1-browser "$E2E_MAIN_TITLE" "$P"
check_eq "browser path box visible" "$(drv state "$P" 14148)" "enabled=1 visible=1 checked=0"
drv click "$P" 2
check "Cancel closes the browser" drv gone "$P" 10
check_eq "Cancel keeps the typed folder" "$(text 1000)" 'D:\先前输入'

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

# A missing folder two levels deep: the question, Yes creates both levels.
drv settext "$P" 14148 'C:\Plot\Out'
drv click "$P" 1
check_eq "the create-folder question" "$(drv msgbox SetUp 20)" \
         'The folder:\n\nC:\Plot\Out\n\ndoes not exist. Do you want the folder to be created?'
check "the question has Yes" drv text SetUp 6
check "the question has No" drv text SetUp 7
e2e_shot 3-create-question "$E2E_MAIN_TITLE" "$P" SetUp
drv answer SetUp 6 || e2e_die "cannot answer Yes"
check "Yes closes the browser" drv gone "$P" 10
check "C:\\Plot\\Out created" test -d "$E2E_C/Plot/Out"
check_eq "the chosen folder becomes the folder text" "$(text 1000)" 'C:\Plot\Out'
check_eq "install button still enabled" "$(state 1022)" "enabled=1 visible=1 checked=0"
e2e_shot 4-input-after-browse

click 2
check "取  消 ends the program" e2e_setup_exits 15
check_nothing_registered
e2e_end
