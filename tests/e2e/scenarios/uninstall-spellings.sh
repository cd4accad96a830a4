#!/usr/bin/env bash
# A host whose AcadLocation ends in a backslash, with an old read-only font of its own in its
# Fonts folder: the installation records the fonts it copies there whatever the doubled
# backslash, saves the old font first, and the uninstall gives back the machine as it was,
# the old font read-only again.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninstall-steps.sh"
e2e_begin uninstall-spellings
e2e_require_setup

u_machine
u_reg_text HKEY_LOCAL_MACHINE 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804' AcadLocation \
           'C:\Program Files\Autodesk\AutoCAD 2020\'
font="$E2E_C/Program Files/Autodesk/AutoCAD 2020/Fonts/Velmar_EN.shx"
chmod a-w "$font"
before="$(u_state)"

u_install 'C:\Velmar'
record="$E2E_C/Velmar/$E2E_INSTALL_SUB/Uninstall.txt"
check "the old font is saved, under its path as Windows resolves it" \
      grep -qxF $'saved C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Velmar_EN.shx\r' "$record"
check "the fonts copied into that folder are recorded" \
      grep -qxF $'file C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Velmar_HZ.shx\r' "$record"
check "no path with a doubled backslash" bash -c "! grep -qF '\\\\\\\\' \"\$1\"" _ "$record"

u_start "$U_C\\Uninstall.exe" /S
check "Uninstall.exe /S ends" u_finished 60
check_eq "exit code" "$U_CODE" 0
check_eq "the machine as before the installation" "$(diff <(echo "$before") <(u_state))" ""
check_eq "the old font is back, read-only" \
         "$(cat "$font"; [[ "$(stat -c %A "$font")" == *w* ]] || echo ' read-only')" \
         'an older font read-only'
e2e_end
