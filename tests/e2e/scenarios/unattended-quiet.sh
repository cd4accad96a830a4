#!/usr/bin/env bash
# Command lines that once waited for a click nobody saw: with /S or another installer's quiet
# switch, each ends within seconds with its code, read whole on the Windows side, no window of
# the program ever exists, and a log is written (into the temporary folder when /LOG= names
# none). The quiet uninstall asks nothing.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin unattended-quiet
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'

# run_log ARGUMENTS: the one log in the temporary folder of the run with that command line.
run_log() {
  local found
  found="$(temp_logs | while read -r f; do grep -qF -- "SetUp.exe\" $1"$'\r' "$f" && echo "$f"; done)"
  [[ -n "$found" && "$(wc -l <<<"$found")" == 1 ]] || e2e_die "$1: not one log of it: '$found'"
  echo "$found"
}

# quiet_run CODE ARGUMENTS LOG-LINE: within 30 s, CODE, no window; its log in the temporary
# folder holds LOG-LINE after its time.
quiet_run() {
  run_setup 30 "$2"
  check_silent "$2" "$1"
  check "$2: the log says $3" log_line "$3" "$(run_log "$2")"
}

quiet_run 1639 '/S /?' 'command line error: /\? shows its text in a window'
check "the log holds the usage text" grep -qF '1618 AutoCAD或另一个安装程序正在运行' "$(run_log '/S /?')"
quiet_run 1639 '/s /BOGUS /LOG=' 'result: exit code 1639, invalid command line'
quiet_run 0 '/VERYSILENT' 'result: exit code 0, done'
check_reg_sz HKLM "${E2E_AUTOLOAD_KEYS[3]}" LOADER "C:\\Velmar\\$E2E_INSTALL_SUB\\VL_BatchPlot2019.ARX"

# -S with the colon form of /LOG: that file, appended to, and nothing in the temporary folder.
log="$E2E_DIR/quiet.log"
printf 'an earlier run\r\n' >"$log"
count="$(temp_logs | wc -l)"
run_setup 30 "-S /LOG:$(winepath -w "$log")"
check_silent "-S /LOG:" 0
check_eq "-S /LOG: writes no log of its own" "$(temp_logs | wc -l)" "$count"
check_eq "the earlier run stays first" "$(head -1 "$log")" $'an earlier run\r'
check "the run follows, after a blank line" log_line 'Velmar批打印软件 V2024.4.26' <(sed -n 3p "$log")
check "and ends with its result" log_line 'result: exit code 0, done' "$log"

# The quiet uninstall: its question answered and its last message noted, in the log only.
quiet_run 0 '/QN /UNINSTALL' 'message not shown, answered OK: Velmar批打印软件已卸载 !'
check_no_key HKLM "${E2E_AUTOLOAD_KEYS[3]}"
e2e_end
