#!/usr/bin/env bash
# SetUp.exe with arguments but without /S: /DIR= and /RELEASES= preset the dialog and /LOG=
# logs its installation; /? shows the usage text, a wrong argument the usage error, a release
# that is not installed its own message, and another run in progress says so, each in a
# message box, and the run ends with its code.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin command-line-dialog
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'

# start_with ARGUMENTS: SetUp.exe through the driver's watch, in the background.
start_with() {
  drv run 120 "\"$E2E_SETUP_WIN\" $1" >"$E2E_DIR/run.out" 2>&1 &
  E2E_SETUP_PID=$!
}
# ended_with CODE WHAT: the run has ended with CODE, and it had windows (the watch sees them).
ended_with() {
  e2e_setup_exits 30 || e2e_die "$2: the program did not end; the watch so far: $(watch_so_far)"
  check_eq "$2: exit code" "$(sed -n 's/^exit=//p' "$E2E_DIR/run.out")" "$1"
  check "$2: the watch saw the program's window" grep -q '^window .*visible=1' "$E2E_DIR/run.out"
}
# watch_so_far: what the driver's watch has printed (windows, exit code), on one line.
watch_so_far() { tr '\n' '|' <"$E2E_DIR/run.out" 2>/dev/null || echo "nothing"; }

log="$E2E_DIR/dialog.log"
start_with "/DIR=\"D:\\工程 图纸\" /RELEASES=2020 /LOG=$(winepath -w "$log")"
drv wait "$E2E_MAIN_TITLE" 60 >/dev/null || e2e_die "the setup dialog did not open"
check_eq "/DIR= fills the folder box" "$(text 1000)" 'D:\工程 图纸'
check_eq "2020 asked for: ticked" "$(state 1036)" "enabled=1 visible=1 checked=1"
check_eq "2008 found, not asked for: unticked" "$(state 1019)" "enabled=1 visible=1 checked=0"
check_eq "2016 found, not asked for: unticked" "$(state 1032)" "enabled=1 visible=1 checked=0"
check_eq "2009 not found: disabled" "$(state 1020)" "enabled=0 visible=1 checked=0"
e2e_shot 1-preset
click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
click 1
ended_with 0 "the dialog's installation"
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020' LOADER \
             "D:\\工程 图纸\\$E2E_INSTALL_SUB\\VL_BatchPlot2019.ARX"
check_no_key HKLM 'SOFTWARE\Autodesk\AutoCAD\R17.1\ACAD-6001:804\Applications\VL_BatchPlot2008'
check "the log names the trusted path written" grep -qF "new \"D:\\工程 图纸\\$E2E_INSTALL_SUB\"" "$log"
check "the log names the result" log_line 'result: exit code 0, done' "$log"

# message_run CODE ARGUMENTS EXPECTED-TEXT-START: one message box, answered OK, then the end.
# The run before has ended in full (ended_with), so the box found is this run's.
message_run() {
  start_with "$2"
  local shown
  shown="$(drv msgbox "$E2E_BOX_TITLE" 60 2>&1)" ||
    e2e_die "$2: no message box ($shown); the program $(kill -0 "$E2E_SETUP_PID" 2>/dev/null &&
            echo 'still runs' || echo 'has ended'); the watch: $(watch_so_far)"
  check_eq "$2: the message" "${shown:0:${#3}}" "$3"
  e2e_shot "message-${1}"
  drv answer "$E2E_BOX_TITLE" 1 || e2e_die "$2: cannot close the message"
  ended_with "$1" "$2"
}
message_run 0 '/?' '用法：\nSetUp.exe [/S] [/DIR=目录]\n        [/RELEASES=年份,...] [/LOG=文件]'
message_run 1639 '/DIR=C:\Tools /BOGUS' '命令行参数有误 !\n\n无法识别的参数：/BOGUS\n\n用法：'
message_run 2 '/RELEASES=2010' '未找到所选的AutoCAD2010 !'

# While one dialog is open, a second start, with arguments or without, says so and ends.
e2e_start_setup
first_dialog=$E2E_SETUP_PID
message_run 1618 '/DIR=C:\Tools' '另一个Velmar批打印软件安装或卸载程序\n正在运行，请等它结束后再试 !'
E2E_SETUP_PID=$first_dialog
drv close "$E2E_MAIN_TITLE" || e2e_die "cannot close the first dialog"
e2e_setup_exits 30 || e2e_die "the first dialog did not end"
e2e_end
