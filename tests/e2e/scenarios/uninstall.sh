#!/usr/bin/env bash
# Install, then uninstall, each variant in a fresh prefix of the sample machine: afterwards the
# AutoCAD keys of both registry views and of the user, and every folder and file outside the
# user's profile, are exactly what they were before the first installation. The host's own
# plot driver, an older font and a trusted entry code page 936 cannot hold come back whole.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninstall-steps.sh"
e2e_begin uninstall
e2e_require_setup

# Once into C:\Velmar; the entry read back through the wide calls; Uninstall.exe, answered Yes.
u_machine -once
before="$(u_state)"
u_install 'C:\Velmar'
entry="$(drv dump HKLM "$U_ENTRY")"
for line in '  DisplayName = "Velmar批打印软件"' '  DisplayVersion = "2024.4.26"' \
            '  Publisher = "Velmar"' "  InstallLocation = \"$U_C\"" \
            "  DisplayIcon = \"$U_C\\Uninstall.exe,0\"" \
            "  UninstallString = \"\"$U_C\\Uninstall.exe\"\"" \
            "  QuietUninstallString = \"\"$U_C\\Uninstall.exe\" /S\"" \
            '  NoModify = dword:1' '  NoRepair = dword:1'; do
  check "installed-programs entry: $line" grep -qxF -- "$line" <<<"$entry"
done
check "EstimatedSize in KB" grep -qE '^  EstimatedSize = dword:[1-9][0-9]*$' <<<"$entry"
check_eq "the record is plain text, its first line after the byte-order mark" \
         "$(head -1 "$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.txt" | tr -d '\r')" $'\xEF\xBB\xBFVelmar uninstall record 1'
check "the host's driver is kept" grep -rqs 'the host driver' "$E2E_C/Velmar/$E2E_INSTALL_SUB/Backup"
u_start "$U_C\\Uninstall.exe"
u_answer_yes
done_text="$U_MESSAGE"
e2e_shot 1-removed
check "the message says so" grep -qF 'Velmar批打印软件已卸载 !' <<<"$done_text"
check "and where the settings file stays" grep -qF '\AppData\Roaming\Velmar\Velmar.Ini' <<<"$done_text"
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the message"
check "the uninstaller and its helper end" u_finished 30
check_eq "exit code" "$U_CODE" 0
check_eq "the machine as before the installation" "$(diff <(echo "$before") <(u_state))" ""
check_no_key HKLM "$U_ENTRY"
appdata="$(ls -d "$E2E_C"/users/*/AppData/Roaming | grep -v /Public/ | head -1)"
check "the settings file stays" test -f "$appdata/Velmar/Velmar.Ini"

# Twice into C:\Velmar, then Uninstall.exe /S.
u_machine -twice
before="$(u_state)"
u_install 'C:\Velmar'
u_install 'C:\Velmar'
check_eq "one record, two installations" \
         "$(grep -c '^installation ' "$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.txt")" 2
u_start "$U_C\\Uninstall.exe" /S
check "Uninstall.exe /S ends without asking" u_finished 60
check_eq "exit code of /S" "$U_CODE" 0
check_eq "the machine as before both installations" "$(diff <(echo "$before") <(u_state))" ""

# C:\Velmar, then D:\Tools: the installation moves, whole; its uninstall restores the machine.
u_machine -two-folders
before="$(u_state)"
u_install 'C:\Velmar'
u_install 'D:\Tools' moved
check "the message names the move" grep -qF "Velmar批打印软件已从 $U_C 移到 $U_D。" <<<"$U_MESSAGE"
check "the earlier folder is emptied" test ! -e "$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.exe"
uninstall="$(drv dump HKLM "$U_ENTRY" | sed -n 's/^  UninstallString = "\(.*\)"$/\1/p')"
check_eq "the entry names the new folder" "$uninstall" "\"$U_D\\Uninstall.exe\""
u_start "${uninstall//\"/}"
u_answer_yes
e2e_shot 2-removed-moved
drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the message"
check "the uninstaller and its helper end" u_finished 30
check_eq "the machine as before both installations" "$(diff <(echo "$before") <(u_state))" ""
check_no_key HKLM "$U_ENTRY"
e2e_end
