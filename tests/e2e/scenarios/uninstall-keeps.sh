#!/usr/bin/env bash
# The uninstall changes nothing when the user answers No or while AutoCAD runs; and what the
# user added after the installation, a file in the install folder and a trusted entry, stays.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninstall-steps.sh"
e2e_begin uninstall-keeps
e2e_require_setup
[[ -f "${VELMAR_E2E_SLEEPER:-}" ]] || e2e_die "the acad.exe stand-in is not built"

u_machine
u_install 'C:\Velmar'
inst="$E2E_C/Velmar/$E2E_INSTALL_SUB"
printf 'mine' >"$inst/我的笔记.txt"
installed_paths="$(drv dump HKCU "$E2E_PROFILE_2020" | sed -n 's/^  TRUSTEDPATHS = "\(.*\)"$/\1/p')"
u_reg_text HKEY_CURRENT_USER "$E2E_PROFILE_2020" TRUSTEDPATHS "$installed_paths;E:\\我的"
installed="$(u_state)"

u_start "$U_C\\Uninstall.exe"
check_eq "the question" "$(drv msgbox "$E2E_BOX_TITLE" 30)" "$U_ASK"
e2e_shot 1-question
drv answer "$E2E_BOX_TITLE" 7 || e2e_die "cannot answer No"
check "No ends the uninstaller" u_finished 20
check_eq "exit code after No" "$U_CODE" 1602
check_eq "No changes nothing" "$(diff <(echo "$installed") <(u_state))" ""

e2e_start_host
u_start "$U_C\\Uninstall.exe"
u_answer_yes
check_eq "the running-host warning" "$U_MESSAGE" '请关闭AutoCAD后再进行卸载 !'
e2e_shot 2-host-running
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the warning"
check "the uninstaller ends" u_finished 20
check_eq "exit code while AutoCAD runs" "$U_CODE" 1618
kill "$E2E_HOST_PID" 2>/dev/null || true
drv wait-exit acad.exe 20 || e2e_die "acad.exe did not end"
rm -f "$E2E_C/Program Files/Autodesk/AutoCAD 2020/acad.exe"
check_eq "a running AutoCAD changes nothing" "$(diff <(echo "$installed") <(u_state))" ""

u_start "$U_C\\Uninstall.exe"
u_answer_yes
e2e_shot 3-removed
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the message"
check "the uninstaller and its helper end" u_finished 30
check_eq "the user's file stays, alone in the install folder" "$(ls -A "$inst")" '我的笔记.txt'
check_eq "the user's trusted entry stays, the install folder's goes" \
         "$(drv dump HKCU "$E2E_PROFILE_2020" | sed -n 's/^  TRUSTEDPATHS = "\(.*\)"$/\1/p')" \
         "${installed_paths%;*};E:\\我的"
for k in "${E2E_AUTOLOAD_KEYS[@]}"; do check_no_key HKLM "$k"; done
check "the host's driver is back" grep -qx 'the host driver' "$E2E_C/Program Files/AutoCAD 2008/Drv/pdfplot9.hdi"
check_no_key HKLM "$U_ENTRY"
e2e_end
