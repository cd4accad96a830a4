#!/usr/bin/env bash
# SetUp.exe /S on the sample machine leaves exactly what the dialog leaves for the same choices,
# shows no window, ends with 0, and its log names every change. Twice: every found release
# into the default folder, and two releases into a folder whose name has a blank.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin unattended-same-as-dialog
e2e_require_setup

# by_dialog SUFFIX FOLDER|'' [YEAR TO UNTICK...]: install through the dialog; snapshot after.
by_dialog() {
  local suffix="$1" folder="$2" year i
  shift 2
  e2e_fresh_prefix "$suffix-dialog"
  e2e_seed sample
  e2e_place_setup 'C:\Setup'
  e2e_start_setup
  if [[ -n "$folder" ]]; then drv settext "$E2E_MAIN_TITLE" 1000 "$folder" || e2e_die "cannot type the folder"; fi
  for year in "$@"; do
    i=$((year - 2007))
    click "${E2E_BOX_IDS[$i]}"
    wait_state "${E2E_BOX_IDS[$i]}" "enabled=1 visible=1 checked=0" 5 || e2e_die "$year did not untick"
  done
  click 1022
  wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
  click 1
  e2e_setup_exits 15 || e2e_die "the dialog did not end"
  snapshot "$E2E_DIR/$suffix-dialog.snap"
}

# by_command_line SUFFIX ARGUMENTS: the same machine, /S with a log; snapshots before and after.
by_command_line() {
  local suffix="$1" arguments="$2"
  e2e_fresh_prefix "$suffix-silent"
  e2e_seed sample
  e2e_place_setup 'C:\Setup'
  snapshot "$E2E_DIR/$suffix-before.snap"
  rm -f "$E2E_DIR/$suffix.log"
  run_setup 120 "/S $arguments /LOG=$(winepath -w "$E2E_DIR/$suffix.log")"
  check_silent "/S $arguments" 0
  snapshot "$E2E_DIR/$suffix-silent.snap"
}

by_dialog default ''
by_command_line default ''
check_eq "/S leaves what the dialog leaves" \
         "$(diff "$E2E_DIR/default-dialog.snap" "$E2E_DIR/default-silent.snap")" ""
check_log_names_changes "$E2E_DIR/default-before.snap" "$E2E_DIR/default-silent.snap" "$E2E_DIR/default.log"
check "the log is UTF-8" iconv -f UTF-8 -t UTF-8 "$E2E_DIR/default.log"
check "the log names the result" log_line 'result: exit code 0, done' "$E2E_DIR/default.log"
check "the log has the trusted path's old text" \
      grep -qF 'old "C:\Program Files\Autodesk\AutoCAD 2020\Support;d:\lisp\批处理"' "$E2E_DIR/default.log"

by_dialog chosen 'C:\Velmar Tools' 2016
by_command_line chosen '/DIR="C:\Velmar Tools" /RELEASES=2008,2020'
check_eq "/S /DIR= /RELEASES= leaves what the dialog leaves" \
         "$(diff "$E2E_DIR/chosen-dialog.snap" "$E2E_DIR/chosen-silent.snap")" ""
check_log_names_changes "$E2E_DIR/chosen-before.snap" "$E2E_DIR/chosen-silent.snap" "$E2E_DIR/chosen.log"
check "the log says why 2016 was left out" \
      log_line 'skipped: release 2016, found but not chosen' "$E2E_DIR/chosen.log"
e2e_end
