#!/usr/bin/env bash
# A destination file the copy cannot replace: the copy-failure message, Retry shows it again,
# Ignore goes on to a finished installation. In a second, fresh run Abort ends the program with
# nothing registered.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin copy-failure
e2e_require_setup

folder="C:\\Velmar\\$E2E_INSTALL_SUB"
message="拷贝文件 $folder\\PdfSharp.dll 失败，可能原因如下：\\n\\n1、AutoCAD未关闭\\n\\n2、系统权限未开放，请以管理者权限登陆系统"

# prepare SUFFIX: a fresh sample machine with an old, locked PdfSharp.dll in the install folder.
prepare() {
  e2e_fresh_prefix "$1"
  e2e_seed sample
  e2e_place_setup 'C:\Setup'
  locked="$E2E_C/Velmar/$E2E_INSTALL_SUB/PdfSharp.dll"
  mkdir -p "$(dirname "$locked")"
  echo "an older PdfSharp.dll" >"$locked"
  e2e_make_uncopyable "$locked"
  e2e_start_setup
}


# Retry, then Ignore.
prepare -ignore
click 1022
check_eq "the copy-failure message" "$(drv msgbox "$E2E_BOX_TITLE" 30)" "$message"
check "Abort button" drv text "$E2E_BOX_TITLE" 3
check "Retry button" drv text "$E2E_BOX_TITLE" 4
check "Ignore button" drv text "$E2E_BOX_TITLE" 5
check_eq "progress layout: progress bar shown" "$(state 1014)" "enabled=1 visible=1 checked=0"
check_eq "progress layout: folder box hidden" "$(state 1000)" "enabled=1 visible=0 checked=0"
check_eq "progress layout: browse hidden" "$(state 1015)" "enabled=1 visible=0 checked=0"
check_eq "progress layout: path prompt hidden" "$(state 1017)" "enabled=1 visible=0 checked=0"
check_eq "progress layout: release boxes still shown" "$(state 1019)" "enabled=1 visible=1 checked=1"
e2e_shot 1-progress-with-copy-failure
drv answer "$E2E_BOX_TITLE" 4 || e2e_die "cannot press Retry"
check_eq "Retry fails again and asks again" "$(drv msgbox "$E2E_BOX_TITLE" 30)" "$message"
drv answer "$E2E_BOX_TITLE" 5 || e2e_die "cannot press Ignore"
check "Ignore goes on to the completion layout" wait_state 1 "enabled=1 visible=1 checked=0" 60
e2e_shot 2-completion-after-ignore
check_eq "the locked file is left as it was" "$(cat "$locked")" "an older PdfSharp.dll"
check "the other files are copied" cmp -s "$E2E_DATA/Velmar.prt8" "$E2E_C/Velmar/$E2E_INSTALL_SUB/PdfSharp.Charting.dll"
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020' LOADER \
             "$folder\\VL_BatchPlot2019.ARX"
click 1
check "安装完成 ends the program" e2e_setup_exits 15

# Abort.
prepare -abort
click 1022
check_eq "the copy-failure message again" "$(drv msgbox "$E2E_BOX_TITLE" 30)" "$message"
drv answer "$E2E_BOX_TITLE" 3 || e2e_die "cannot press Abort"
check "Abort ends the program" e2e_setup_exits 15
check_nothing_registered
e2e_end
