#!/usr/bin/env bash
# The driver against a probe dialog of our own: finding windows and controls, reading texts and
# states, clicking, setting text, answering a message box opened by a click, rectangles, and
# waiting for a process to end.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin driver
[[ -f "${VELMAR_E2E_PROBE:-}" ]] || e2e_die "the probe dialog is not built"
e2e_fresh_prefix

title='Velmar驱动测试'
cp "$VELMAR_E2E_PROBE" "$E2E_C/probe.exe"
wine 'C:\probe.exe' >/dev/null 2>&1 &
E2E_SETUP_PID=$!
drv wait "$title" 60 >/dev/null || e2e_die "the probe dialog did not open"

check "a missing window is reported as missing" bash -c '! wine "$0" wait "no such window" 0.2 2>/dev/null' "$VELMAR_E2E_DRIVER"
check_eq "edit text" "$(drv text "$title" 1000)" 'C:\Velmar'
check_eq "button text with two blanks" "$(drv text "$title" 2)" '取  消'
check_eq "unticked box" "$(drv state "$title" 1001)" "enabled=1 visible=1 checked=0"
check_eq "disabled box" "$(drv state "$title" 1002)" "enabled=0 visible=1 checked=0"
check_eq "hidden text" "$(drv state "$title" 1003)" "enabled=1 visible=0 checked=0"
check "a missing control is reported" bash -c '! wine "$0" text "$1" 4242 2>/dev/null' "$VELMAR_E2E_DRIVER" "$title"

drv click "$title" 1001
sleep 0.3
check_eq "a posted click ticks the box" "$(drv state "$title" 1001)" "enabled=1 visible=1 checked=1"

drv settext "$title" 1000 'D:\绘图\输出'
check_eq "text set and read back" "$(drv text "$title" 1000)" 'D:\绘图\输出'

drv click "$title" 1004
check_eq "message box text" "$(drv msgbox '驱动测试消息' 10)" '第一行\n\n第二行 C:\Plot'
e2e_shot probe-with-message-box "$title" '驱动测试消息'
drv answer '驱动测试消息' 7
check "the box closed on the answer" drv gone '驱动测试消息' 1
sleep 0.3
check_eq "the handler saw the answer No" "$(drv text "$title" 1005)" '否'

read -r l t r b <<<"$(drv rect "$title")"
read -r w h <<<"$(drv client "$title")"
check "window rectangle holds the client area" test $((r - l)) -ge "$w" -a $((b - t)) -gt "$h" -a "$w" -gt 100

drv click "$title" 2
check "wait-exit sees the process end" drv wait-exit probe.exe 10
check "the probe dialog ended" e2e_setup_exits 10
e2e_end
