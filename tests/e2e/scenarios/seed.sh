#!/usr/bin/env bash
# scripts/seed-machine: what a 64-bit process finds in both registry views and under HKCU, and
# the program folders on disk.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin seed
e2e_fresh_prefix
e2e_seed sample

zh=' - 简体中文 (Simplified Chinese)'
k2008='SOFTWARE\Autodesk\AutoCAD\R17.1\ACAD-6001:804'
check_reg_sz HKLM "$k2008" AcadLocation 'C:\Program Files\AutoCAD 2008'
check_reg_sz HKLM "$k2008" ProductName "AutoCAD 2008$zh"
check_reg_sz HKLM "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804" AcadLocation \
             'C:\Program Files (x86)\AutoCAD 2008'
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R20.1\ACAD-F001:804' ProductName "AutoCAD 2016$zh"
check_reg_sz HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804' AcadLocation \
             'C:\Program Files\Autodesk\AutoCAD 2020'
check_eq "release keys in the native view" "$(drv reg HKLM 'SOFTWARE\Autodesk\AutoCAD' | tr '\n' ' ')" \
         "key R17.1 key R20.1 key R23.1 "
check_eq "release keys in the 32-bit view" \
         "$(drv reg HKLM 'SOFTWARE\Wow6432Node\Autodesk\AutoCAD' | tr '\n' ' ')" "key R17.1 "
check_eq "2020 profiles" \
         "$(drv reg HKCU 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Profiles' | grep '^key' | tr '\n' ' ')" \
         "key <<未命名配置>> key 机械制图 "
check_reg_sz HKCU "$E2E_PROFILE_2020" TRUSTEDPATHS "$E2E_TRUSTED_2020_SEEDED"
check_no_key HKCU "$E2E_PROFILE_2020_B"
check_eq "2008 profile with an empty TRUSTEDPATHS" "$(drv reg HKCU "$E2E_PROFILE_2008" TRUSTEDPATHS)" "REG_SZ "
for d in 'Program Files/AutoCAD 2008/Fonts' 'Program Files/AutoCAD 2008/Drv' \
         'Program Files (x86)/AutoCAD 2008/Drv' 'Program Files/Autodesk/AutoCAD 2016/Fonts' \
         'Program Files/Autodesk/AutoCAD 2020/Fonts'; do
  check "folder C:/$d" test -d "$E2E_C/$d"
done
check "no Drv folder for 2020" test ! -e "$E2E_C/Program Files/Autodesk/AutoCAD 2020/Drv"
e2e_end
