#!/usr/bin/env bash
# SetUp.exe without a Data folder: the missing-package message, then the program ends and
# nothing is registered or copied.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin no-package
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup' nodata
e2e_start_setup

click 1022
check_eq "the missing-package message" "$(drv msgbox "$E2E_BOX_TITLE" 20)" \
         '未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !'
e2e_shot 1-missing-package
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the message"
check "the program ends" e2e_setup_exits 15
check_nothing_registered
check_eq "nothing copied into the install folder" "$(ls -A "$E2E_C/Velmar/$E2E_INSTALL_SUB" 2>/dev/null)" ""
check "no settings file" test ! -e "$(ls -d "$E2E_C"/users/*/AppData/Roaming | grep -v /Public/ | head -1)/Velmar/Velmar.Ini"
e2e_end
