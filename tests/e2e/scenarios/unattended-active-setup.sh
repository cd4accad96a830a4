#!/usr/bin/env bash
# Trust for every user: /S registers the Active Setup component, read back here. Its StubPath,
# run in a second machine as a user whose AutoCAD profiles trust nothing of ours, gives that
# user the trusted paths the installation gave the user who ran it, and the settings file
# the installation keeps for every user; a second run adds nothing and leaves the user's own
# settings, and a folder that is not there is not trusted.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../unattended.sh"
e2e_begin unattended-active-setup
e2e_require_setup

folder="C:\\Velmar\\$E2E_INSTALL_SUB"
program="$folder\\VelmarTrust.exe"
e2e_fresh_prefix -installed
e2e_seed sample
e2e_place_setup 'C:\Setup'
run_setup 120 '/S'
check_silent "/S" 0
check_reg_sz HKLM "$E2E_ACTIVE_SETUP_KEY" '' "$E2E_INSTALL_SUB"
check_reg_sz HKLM "$E2E_ACTIVE_SETUP_KEY" Version '2024,4,26'
check_reg_dword HKLM "$E2E_ACTIVE_SETUP_KEY" IsInstalled 1
check_reg_sz HKLM "$E2E_ACTIVE_SETUP_KEY" StubPath "\"$program\" \"$folder\""
check_reg_sz HKCU "$E2E_ACTIVE_SETUP_KEY" Version '2024,4,26'
check_eq "the component read through the wide calls" \
         "$(drv dump HKLM "$E2E_ACTIVE_SETUP_KEY" | tail -n +2 | LC_ALL=C sort | tr '\n' '|')" \
         "  @ = \"$E2E_INSTALL_SUB\"|  IsInstalled = dword:1|  StubPath = \"\"$program\" \"$folder\"\"|  Version = \"2024,4,26\"|"
unix_program="$E2E_C/Velmar/$E2E_INSTALL_SUB/VelmarTrust.exe"
check "the per-user program runs as the user who logs on" grep -qa 'level="asInvoker"' "$unix_program"
stub="$(reg_text HKLM "$E2E_ACTIVE_SETUP_KEY" StubPath)" || e2e_die "the StubPath could not be read"
drv dump HKCU 'SOFTWARE\Autodesk' >"$E2E_DIR/installed-user.dump" || e2e_die "no dump of the installing user"
cp "$unix_program" "$E2E_DIR/VelmarTrust.exe"
cp "$E2E_C/Velmar/$E2E_INSTALL_SUB/VelmarDefault.Ini" "$E2E_DIR/VelmarDefault.Ini" ||
  e2e_die "the installation kept no default settings file"

# Another user's machine: the same profiles, none of them trusting the install folder.
e2e_fresh_prefix -other-user
e2e_seed sample
mkdir -p "$E2E_C/Velmar/$E2E_INSTALL_SUB"
cp "$E2E_DIR/VelmarTrust.exe" "$E2E_DIR/VelmarDefault.Ini" "$E2E_C/Velmar/$E2E_INSTALL_SUB/"
other_appdata="$(ls -d "$E2E_C"/users/*/AppData/Roaming | grep -v /Public/ | head -1)"
drv dump HKCU 'SOFTWARE\Autodesk' >"$E2E_DIR/other-user-before.dump" || e2e_die "no dump of the other user"
out="$(drv run 60 "$stub")" || e2e_die "the StubPath did not end: $out"
check_eq "the StubPath ends with 0 and no window" "$out" "exit=0"
drv dump HKCU 'SOFTWARE\Autodesk' >"$E2E_DIR/other-user.dump" || e2e_die "no dump after the StubPath"
check_eq "the other user's profiles trust what the installing user's do" \
         "$(diff "$E2E_DIR/installed-user.dump" "$E2E_DIR/other-user.dump")" ""
check_reg_sz HKCU "$E2E_PROFILE_2020" TRUSTEDPATHS \
             "C:\\PROGRAM FILES\\AUTODESK\\AUTOCAD 2020\\SUPPORT;D:\\LISP\\批处理;C:\\VELMAR\\VELMAR批打印软件"
check_reg_sz HKCU "$E2E_PROFILE_2020_B" TRUSTEDPATHS "$folder"
check "the other user has the default settings" \
      cmp -s "$E2E_DIR/VelmarDefault.Ini" "$other_appdata/Velmar/Velmar.Ini"
printf '[mine]\r\n' >"$other_appdata/Velmar/Velmar.Ini"
out="$(drv run 60 "$stub")" || e2e_die "the second run did not end: $out"
check_eq "a second logon's run ends with 0" "$out" "exit=0"
# A kept value comes back upper-cased, as a second installation's does; no entry is added.
check_eq "and adds nothing" "$(drv dump HKCU 'SOFTWARE\Autodesk' | diff -i "$E2E_DIR/other-user.dump" -)" ""
check_eq "the user's own settings stay" "$(cat "$other_appdata/Velmar/Velmar.Ini")" $'[mine]\r'


# A folder that no longer exists is not trusted: anybody allowed to make it could fill it.
e2e_fresh_prefix -gone
e2e_seed sample
mkdir -p "$E2E_C/Elsewhere"
cp "$E2E_DIR/VelmarTrust.exe" "$E2E_C/Elsewhere/VelmarTrust.exe"
out="$(drv run 60 "\"C:\\Elsewhere\\VelmarTrust.exe\" \"$folder\"")" || e2e_die "the run did not end: $out"
check_eq "a missing install folder ends with 2" "$out" "exit=2"
check_eq "and trusts nothing" "$(drv dump HKCU 'SOFTWARE\Autodesk' | diff "$E2E_DIR/other-user-before.dump" -)" ""
e2e_end
