#!/usr/bin/env bash
# A copy of the program in a folder every user may change (Wine answers 0777 as everyone's),
# beside a hand-over list someone put there that names the installation, run with /UNINSTALL:
# the list is refused, nothing is removed, and nothing waits for the next restart.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin planted-handover
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
e2e_place_setup 'C:\Setup'
run_setup 120 '/S'
check_silent "the installation" 0
product="C:\\Velmar\\$E2E_INSTALL_SUB"
mkdir -m 0777 "$E2E_C/Shared"
cp "$VELMAR_E2E_SETUP" "$E2E_C/Shared/SetUp.exe"
printf 'Velmar uninstall hand-over 1\r\nwait 1\r\ndelete %s\\Uninstall.exe\r\nremove %s\r\n' \
       "$product" "$product" | iconv -f UTF-8 -t CP936 >"$E2E_C/Shared/Uninstall-handover.txt"
chmod 0666 "$E2E_C/Shared/Uninstall-handover.txt"
session='System\CurrentControlSet\Control\Session Manager'

log="$E2E_DIR/helper.log"
E2E_SETUP_WIN='C:\Shared\SetUp.exe' run_setup 60 "/UNINSTALL /S /LOG=$(winepath -w "$log")"
check_silent "the planted helper" 0
check "the log says the list is refused" grep -qF 'the hand-over list is refused' "$log"
check "the uninstaller stays" test -f "$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.exe"
check_eq "nothing waits for the next restart" \
         "$(drv dump HKLM "$session" | grep -c PendingFileRenameOperations || true)" 0
e2e_end
