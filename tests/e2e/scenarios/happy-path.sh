#!/usr/bin/env bash
# A whole installation on the sample machine: three releases found (2008 in both registry views,
# 2016, 2020), 2016 unticked, installed into C:\Velmar; then the registry and the files.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_begin happy-path
e2e_require_setup
e2e_fresh_prefix
e2e_seed sample
# A download folder with Chinese in its name: the package is found beside the program.
e2e_place_setup 'C:\下载\Velmar安装包'
e2e_start_setup

# Input layout.
check_eq "version label" "$(text 1013)" 'Velmar批打印软件 V2024.4.26 (64位版本)'
check_eq "folder text" "$(text 1000)" 'C:\Velmar'
check_eq "component prompt" "$(text 1016)" '请选择安装组件：'
check_eq "path prompt" "$(text 1017)" '请选择安装路径：'
check_eq "install button text" "$(text 1022)" '安  装'
check_eq "cancel button text" "$(text 2)" '取  消'
check_eq "browse button text" "$(text 1015)" '浏览...'
check_eq "2010 box (id 1027)" "$(text 1027)" 'For AutoCAD2010'
check_eq "2011 box (id 1026)" "$(text 1026)" 'For AutoCAD2011'
for i in "${!E2E_BOX_IDS[@]}"; do
  year=$((2007 + i))
  case $year in
    2008|2016|2020) want="enabled=1 visible=1 checked=1" ;;
    *) want="enabled=0 visible=1 checked=0" ;;
  esac
  check_eq "release $year at open" "$(state "${E2E_BOX_IDS[$i]}")" "$want"
done
check_eq "install button" "$(state 1022)" "enabled=1 visible=1 checked=0"
check_eq "finish button hidden" "$(state 1)" "enabled=1 visible=0 checked=0"
check_eq "progress bar hidden" "$(state 1014)" "enabled=1 visible=0 checked=0"
check_eq "completion text hidden" "$(state 1023)" "enabled=1 visible=0 checked=0"
check_eq "menu picture hidden" "$(state 1021)" "enabled=1 visible=0 checked=0"
e2e_shot 1-input

click 1032
check "2016 unticked" wait_state 1032 "enabled=1 visible=1 checked=0" 5
check_eq "install still enabled" "$(state 1022)" "enabled=1 visible=1 checked=0"
e2e_shot 2-input-2016-unticked

read -r wl wt wr wb <<<"$(drv rect "$E2E_MAIN_TITLE")"
read -r _ _ _ b1 <<<"$(drv rect "$E2E_MAIN_TITLE" 1)"
read -r _ _ _ b2 <<<"$(drv rect "$E2E_MAIN_TITLE" 2)"
read -r _ ch <<<"$(drv client "$E2E_MAIN_TITLE")"

click 1022
wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the completion layout did not appear"
sleep 0.5

# Completion layout.
check_eq "completion text" "$(text 1023)" '安装完成！重启CAD，CAD菜单尾会有以下子菜单：'
check_eq "completion text shown" "$(state 1023)" "enabled=1 visible=1 checked=0"
check_eq "menu picture shown" "$(state 1021)" "enabled=1 visible=1 checked=0"
check_eq "finish button text" "$(text 1)" '安装完成'
shown=""
for id in 1016 1014 1022 2 1017 1000 1015 "${E2E_BOX_IDS[@]}"; do
  [[ "$(state "$id")" == *"visible=0"* ]] || shown+="$id "
done
check_eq "input and progress controls hidden in the completion layout" "$shown" ""
read -r nl nt nr nb <<<"$(drv rect "$E2E_MAIN_TITLE")"
check_eq "left, top and right edges kept" "$nl $nt $nr" "$wl $wt $wr"
check_eq "shortened by the distance of the two buttons' bottoms" "$((wb - nb))" "$((b2 - b1))"
# 48 dialog units in pixels, from the client area's 283 units.
check "shortened by 48 dialog units ($((wb - nb)) px, client $ch px for 283 units)" \
      awk -v d=$((wb - nb)) -v h="$ch" 'BEGIN { e = 48 * h / 283; exit !(d >= e - 1.5 && d <= e + 1.5) }'
e2e_shot 3-completion

# Registry: auto-load keys of 2008 (both views) and 2020, nothing for 2016.
folder="C:\\Velmar\\$E2E_INSTALL_SUB"
for k in 'SOFTWARE\Autodesk\AutoCAD\R17.1\ACAD-6001:804' \
         'SOFTWARE\Wow6432Node\Autodesk\AutoCAD\R17.1\ACAD-6001:804'; do
  check_reg_dword HKLM "$k\\Applications\\VL_BatchPlot2008" LOADCTRLS 2
  check_reg_sz HKLM "$k\\Applications\\VL_BatchPlot2008" LOADER "$folder\\VL_BatchPlot2008.ARX"
  check_eq "only the two values under $k\\Applications\\VL_BatchPlot2008" \
           "$(drv reg HKLM "$k\\Applications\\VL_BatchPlot2008" | sort | tr '\n' ' ')" \
           "value LOADCTRLS value LOADER "
done
k2020='SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020'
check_reg_dword HKLM "$k2020" LOADCTRLS 2
check_reg_sz HKLM "$k2020" LOADER "$folder\\VL_BatchPlot2019.ARX"
check_eq "LOADER for 2020 is 47 bytes in code page 936" \
         "$(($(drv reg HKLM "$k2020" LOADER | cut -d' ' -f2 | tr -d '\n' | wc -c) / 2))" 47
check_no_key HKLM 'SOFTWARE\Autodesk\AutoCAD\R20.1\ACAD-F001:804\Applications\VL_BatchPlot2016'
check_eq "the host's own application key kept" \
         "$(drv reg HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\AcadVBA' LOADCTRLS)" \
         "REG_DWORD 14"

# Trusted paths of every profile.
check_reg_sz HKCU "$E2E_PROFILE_2020" TRUSTEDPATHS \
             "C:\\PROGRAM FILES\\AUTODESK\\AUTOCAD 2020\\SUPPORT;D:\\LISP\\批处理;C:\\VELMAR\\VELMAR批打印软件"
check_reg_sz HKCU "$E2E_PROFILE_2020_B" TRUSTEDPATHS "$folder"
check_reg_sz HKCU "$E2E_PROFILE_2008" TRUSTEDPATHS "$folder"

# Files: the install folder, the settings file, fonts and driver.
inst="$E2E_C/Velmar/$E2E_INSTALL_SUB"
# VelmarTrust.exe: the per-user program the installation leaves for every user's logon;
# Uninstall.exe and Uninstall.txt: the uninstaller and the record of what it removes;
# VelmarDefault.Ini: the settings every user gets at logon.
expected="$(printf '%s\n' ReadMe.txt PdfSharp.Charting.dll PdfSharp.dll VL_BatchPlot.cuix \
  VL_BatchPlotRes.dll Velmar.chm itextsharp.dll VL_BatchPlot{2008,2010,2013,2015,2017,2018,2019,2021,2025}.arx \
  VelmarTrust.exe Uninstall.exe Uninstall.txt VelmarDefault.Ini | sort)"
check_eq "install folder contents" "$(ls -A "$inst" 2>&1 | sort)" "$expected"
check "Velmar.prt7 became itextsharp.dll" cmp -s "$E2E_DATA/Velmar.prt7" "$inst/itextsharp.dll"
check "Velmar.prt8 became PdfSharp.Charting.dll" cmp -s "$E2E_DATA/Velmar.prt8" "$inst/PdfSharp.Charting.dll"
check "Velmar.prt9 became PdfSharp.dll" cmp -s "$E2E_DATA/Velmar.prt9" "$inst/PdfSharp.dll"
check "a module copied unchanged" cmp -s "$E2E_DATA/VL_BatchPlot2019.arx" "$inst/VL_BatchPlot2019.arx"
appdata="$(ls -d "$E2E_C"/users/*/AppData/Roaming | grep -v /Public/ | head -1)"
check "settings file in %APPDATA%\\Velmar" cmp -s "$E2E_DATA/Velmar.Ini" "$appdata/Velmar/Velmar.Ini"
check "and its default copy for every user" cmp -s "$E2E_DATA/Velmar.Ini" "$inst/VelmarDefault.Ini"
for loc in 'Program Files/AutoCAD 2008' 'Program Files (x86)/AutoCAD 2008' 'Program Files/Autodesk/AutoCAD 2020'; do
  check "Velmar_EN.shx in $loc/Fonts" cmp -s "$E2E_DATA/Velmar_EN.shx" "$E2E_C/$loc/Fonts/Velmar_EN.shx"
  check "Velmar_HZ.shx in $loc/Fonts" cmp -s "$E2E_DATA/Velmar_HZ.shx" "$E2E_C/$loc/Fonts/Velmar_HZ.shx"
done
for loc in 'Program Files/AutoCAD 2008' 'Program Files (x86)/AutoCAD 2008'; do
  check "plot driver in $loc/Drv" cmp -s "$E2E_DATA/Velmar.prt5" "$E2E_C/$loc/Drv/pdfplot9.hdi"
done
check_eq "nothing for the unticked 2016" "$(ls -A "$E2E_C/Program Files/Autodesk/AutoCAD 2016/Fonts")" ""
check "no Drv folder made for 2020" test ! -e "$E2E_C/Program Files/Autodesk/AutoCAD 2020/Drv"

click 1
check "安装完成 ends the program" e2e_setup_exits 15
e2e_end
