#!/usr/bin/env bash
# SetUp.exe /S ended from outside with TerminateProcess, as a deployment tool's time-out or
# Task Manager ends it, at a handful of points of its work, each in a fresh prefix of the
# sample machine; then uninstalled as the installed-programs entry says (QuietUninstallString),
# or first run again to its end. Afterwards the AutoCAD keys, the user's Active Setup marks and
# every folder and file outside the user's profile are what they were before, and the entry is
# gone. A run killed before there was anything to uninstall may leave no entry at all: then
# only empty folders of it may stay. A plug-in module and a font are made large, so that a kill
# during their copy finds them half-written.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
source "$(dirname "$0")/../uninstall-steps.sh"
e2e_begin killed-install
e2e_require_setup

K_RECORD="$U_C\\Uninstall.txt"
K_MODULE="$U_C\\VL_BatchPlot2025.arx"
K_FONT='C:\Program Files\Autodesk\AutoCAD 2020\Fonts\Velmar_HZ.shx'

k_machine() {
  u_machine "$1"
  local name
  for name in VL_BatchPlot2025.arx Velmar_HZ.shx; do
    head -c $((16 << 20)) /dev/zero | tr '\0' V >"$E2E_DATA/$name"
  done
}

k_state() {
  u_state
  drv dump HKCU 'SOFTWARE\Microsoft\Active Setup'
}

# k_uninstall NAME: the quiet uninstall the installed-programs entry names; K_ENTRY is empty
# when there was no entry, and so nothing to run.
k_uninstall() {
  K_ENTRY="$(drv dump HKLM "$U_ENTRY")"
  if [[ -z "$K_ENTRY" ]]; then
    echo "# $1: no installed-programs entry, nothing to uninstall"
    return 0
  fi
  local quiet
  quiet="$(sed -n 's/^  QuietUninstallString = "\(.*\)"$/\1/p' <<<"$K_ENTRY")"
  if [[ -z "$quiet" ]]; then
    bad "$1: the installed-programs entry names no uninstaller: ${K_ENTRY//$'\n'/ }"
    return 0
  fi
  drv run 120 "$quiet" >"$E2E_DIR/uninstall.out" 2>&1 &
  E2E_SETUP_PID=$!
  check "$1: the uninstall ends" u_finished 120
  check_eq "$1: the uninstall's exit code" "$U_CODE" 0
}

# k_compare NAME BEFORE: the machine as before; without an entry, empty folders aside.
k_compare() {
  local changes
  changes="$(diff <(echo "$2") <(k_state) | grep '^[<>]' || true)"
  [[ -n "$K_ENTRY" ]] || changes="$(grep -v '^> folder ' <<<"$changes" || true)"
  check_eq "$1: the machine as before" "$changes" ""
  check_no_key HKLM "$U_ENTRY"
}

# The whole run, undone: the control for the points below, and the record their lines come from.
k_machine -whole
before="$(k_state)"
run_setup 60 /S
check_eq "whole: exit code" "$RUN_EXIT" 0
record="$(winepath -u "$K_RECORD")"
line_of() { grep -n -m1 -F -- "$1" "$record" | cut -d: -f1; }
k_folder="$(line_of "made-folder $U_C")"
k_end="$(line_of 'made-key HKCU\SOFTWARE\Microsoft\Active Setup')"
[[ -n "$k_folder" && -n "$k_end" ]] || e2e_die "the record of the whole run lacks its folder or Active Setup entries"
echo "# whole: $(wc -l <"$record") lines; the folders in at line $k_folder, the user's Active Setup mark at $k_end"
k_uninstall whole
k_compare whole "$before"

# kill_point NAME WATCHED LINES THEN: killed once WATCHED has LINES lines (0: once it exists);
# THEN is "uninstall", or "rerun" for SetUp.exe /S again to its end first.
kill_point() {
  local name="$1" watched="$2" lines="$3" then="$4" out left
  k_machine "-$name"
  local before
  before="$(k_state)"
  out="$(drv kill-at 60 "$watched" "$lines" "\"$E2E_SETUP_WIN\" /S" 2>&1)" || e2e_die "$name: $out"
  left="$(LC_ALL=C stat -c '%F, %s bytes' "$(winepath -u "$watched")" 2>/dev/null || echo 'none')"
  echo "# $name: $out; left at $watched: $left; the record's last line:" \
       "$(tail -1 "$(winepath -u "$K_RECORD")" 2>/dev/null | tr -d '\r')"
  check "$name: killed before its end" grep -q '^killed ' <<<"$out"
  if [[ "$then" == rerun ]]; then
    run_setup 60 /S
    check_eq "$name: the run again, to its end" "$RUN_EXIT" 0
  fi
  k_uninstall "$name"
  k_compare "$name" "$before"
}

kill_point early 'C:\Velmar' 0 uninstall
kill_point folder "$K_RECORD" "$k_folder" rerun
kill_point module "$K_MODULE" 0 uninstall
kill_point font "$K_FONT" 0 rerun
kill_point end "$K_RECORD" "$k_end" uninstall
e2e_end
