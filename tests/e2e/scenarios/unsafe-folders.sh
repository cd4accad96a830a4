#!/usr/bin/env bash
# Folders someone else prepared. Wine answers a folder's owner and access list from its Unix
# mode (0777: everyone may delete and rename what lies in it) and reports a Unix symbolic link
# as a reparse point. /S refuses such an install folder, and a link as the install folder or
# its product sub-folder, with code 9 and a log line that names the folder and the reason,
# writing nothing; the dialog asks about the open folder (No returns to the folder) and
# refuses the link.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin unsafe-folders
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'

mkdir -p "$E2E_C/Shared" "$E2E_C/Elsewhere" "$E2E_C/Tools"
chmod 0777 "$E2E_C/Shared"
ln -s Elsewhere "$E2E_C/Linked"
printf 'a file, not a folder' >"$E2E_C/Plain"
ln -s ../Elsewhere "$E2E_C/Tools/$E2E_INSTALL_SUB"
printf 'not the log' >"$E2E_C/Elsewhere/target.txt"
ln -s ../Elsewhere/target.txt "$E2E_C/Shared/link.log"
ln "$E2E_C/Elsewhere/target.txt" "$E2E_C/Shared/second.log"
snapshot "$E2E_DIR/before.snap"

log="$E2E_DIR/run.log"
# refused ARGUMENTS FOLDER REASON: /S refuses with 9, without a window, and the log says why.
refused() {
  rm -f "$log"
  run_setup 60 "/S /LOG=$(winepath -w "$log") $1"
  check_silent "$1" 9
  check "$1: the log names the folder and why" grep -qF "the folder $2 is not safe: $3" "$log"
  check "$1: the log names the result" log_line 'result: exit code 9, ' "$log"
}
refused '/DIR=C:\Shared' 'C:\Shared' 'S-1-1-0, not an administrator, may delete or rename it'
refused '/DIR=C:\Linked' 'C:\Linked' 'it is a junction or symbolic link'
refused '/DIR=C:\Tools' "C:\\Tools\\$E2E_INSTALL_SUB" 'it is a junction or symbolic link'

# The log: never written through a link, nor into a second name of another file.
for log_name in link.log second.log; do
  run_setup 60 "/S /LOG=C:\\Shared\\$log_name"
  check_silent "/LOG=C:\\Shared\\$log_name" 1622
done
check_eq "the file the links lead to is as it was" "$(cat "$E2E_C/Elsewhere/target.txt")" 'not the log'
rm -f "$E2E_C"/users/*/Temp/Velmar*.log  # where those runs logged instead

drv run 120 "\"$E2E_SETUP_WIN\" /DIR=C:\\Shared" >"$E2E_DIR/dialog.out" 2>&1 &
E2E_SETUP_PID=$!
drv wait "$E2E_MAIN_TITLE" 60 >/dev/null || e2e_die "the setup dialog did not open"
# ask BUTTON EXPECTED-TEXT-START SHOT: Install, then the one message box, answered.
ask() {
  click 1022
  local shown
  shown="$(drv msgbox "$E2E_BOX_TITLE" 30)" || e2e_die "no message box for $3"
  check_eq "$3: the message" "${shown:0:${#2}}" "$2"
  e2e_shot "$3"
  drv answer "$E2E_BOX_TITLE" "$1" || e2e_die "cannot answer the message about $3"
  check_eq "$3: back at the folder" "$(state 1022)" "enabled=1 visible=1 checked=0"
}
ask 7 '非管理员用户（S-1-1-0）可以删除或重命名 C:\Shared 或其中的内容。' 1-open-folder
drv settext "$E2E_MAIN_TITLE" 1000 'C:\Linked' >/dev/null || e2e_die "cannot type the folder"
ask 1 'C:\Linked 是一个链接（连接点或符号链接），不能安装到这里。' 2-link
drv settext "$E2E_MAIN_TITLE" 1000 'C:\Plain\Velmar' >/dev/null || e2e_die "cannot type the folder"
ask 1 '无法创建文件夹 C:\Plain\Velmar' 3-not-made
click 2
e2e_setup_exits 30 || e2e_die "the dialog did not end"
check_eq "the dialog's run: exit code" "$(sed -n 's/^exit=//p' "$E2E_DIR/dialog.out")" 0

snapshot "$E2E_DIR/after.snap"
check_eq "nothing was written" "$(diff "$E2E_DIR/before.snap" "$E2E_DIR/after.snap")" ""
e2e_end
