# Steps the uninstall scenarios share; sourced after lib.sh.

U_C='C:\Velmar\Velmar批打印软件'
U_D='D:\Tools\Velmar批打印软件'
U_ENTRY='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VelmarBatchPlot'
U_ASK='确定要卸载Velmar批打印软件吗 ?'
# The 2020 profile's trusted paths with an entry code page 936 cannot hold (U+4DAE), as
# AutoCAD writes them in UTF-16.
U_TRUSTED_2020='C:\Program Files\Autodesk\AutoCAD 2020\Support;d:\lisp\批处理;e:\䶮'

# u_state: the machine outside the user's profile, where the settings file and the temporary
# folder lie; but for the product folders and their holders, which the uninstall leaves.
u_state() {
  e2e_snapshot | grep -v -e '^file C:/users/' -e '^folder C:/users' |
    grep -v -E '^folder (C:/Velmar|D:/Tools)(/Velmar批打印软件)?$'
}

# u_reg_text ROOT KEY NAME TEXT: writes a REG_SZ in UTF-16 through regedit.
u_reg_text() {
  local file="$E2E_DIR/value.reg" escaped="${4//\\/\\\\}"
  {
    printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s\\%s]\r\n"%s"="%s"\r\n' \
           "$1" "$2" "$3" "$escaped" | iconv -f UTF-8 -t UTF-16LE
  } >"$file"
  wine regedit /S "$(winepath -w "$file")"
  rm -f "$file"
}

# u_machine SUFFIX: a fresh sample machine with SetUp.exe in C:\Setup, the host's own plot
# driver in the 2008 Drv folder, a font an installation without a record left in the 2020
# Fonts folder, and the trusted paths above.
u_machine() {
  e2e_fresh_prefix "${1:-}"
  e2e_seed sample
  e2e_place_setup 'C:\Setup'
  printf 'the host driver' >"$E2E_C/Program Files/AutoCAD 2008/Drv/pdfplot9.hdi"
  printf 'an older font' >"$E2E_C/Program Files/Autodesk/AutoCAD 2020/Fonts/Velmar_EN.shx"
  u_reg_text HKEY_CURRENT_USER "$E2E_PROFILE_2020" TRUSTEDPATHS "$U_TRUSTED_2020"
}

# u_install FOLDER [MOVED]: the dialog, every found release ticked, into FOLDER; 安装完成 ends it.
# With MOVED, the installation lived elsewhere before: the message naming the move is read into
# U_MESSAGE and answered on the way.
u_install() {
  e2e_start_setup
  drv settext "$E2E_MAIN_TITLE" 1000 "$1" || e2e_die "cannot type the folder $1"
  click 1022
  if (($# > 1)); then
    U_MESSAGE="$(drv msgbox "$E2E_BOX_TITLE" 60)" || e2e_die "no message names the move to $1"
    e2e_shot moved
    drv answer "$E2E_BOX_TITLE" 1 || e2e_die "cannot close the message of the move"
  fi
  wait_state 1 "enabled=1 visible=1 checked=0" 60 || e2e_die "the installation into $1 did not finish"
  click 1
  e2e_setup_exits 15 || e2e_die "SetUp.exe did not end after installing into $1"
}

# u_start PROGRAM [ARGS...]: the uninstaller in the background, as the user starts it, through
# the driver, which reads its whole exit code (a Unix exit status keeps only the low 8 bits).
u_start() {
  local line="\"$1\""
  shift
  (($#)) && line+=" $*"
  drv run 300 "$line" >"$E2E_DIR/uninstall.out" 2>&1 &
  E2E_SETUP_PID=$!
}

# u_finished SECONDS: the uninstaller has ended (its exit code in U_CODE), and the helper it
# left its own removal to as well.
u_finished() {
  local end=$((SECONDS + $1))
  while kill -0 "$E2E_SETUP_PID" 2>/dev/null; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
  wait "$E2E_SETUP_PID" || true
  E2E_SETUP_PID=
  U_CODE="$(sed -n 's/^exit=//p' "$E2E_DIR/uninstall.out")"
  drv wait-exit Uninstall.exe $((end > SECONDS ? end - SECONDS : 1)) >/dev/null
}

# u_answer_yes: the question, answered Yes; the message that then ends the uninstall is left
# in U_MESSAGE.
u_answer_yes() {
  check_eq "the uninstall asks first" "$(drv msgbox "$E2E_BOX_TITLE" 30)" "$U_ASK"
  drv answer "$E2E_BOX_TITLE" 6 || e2e_die "cannot answer Yes"
  U_MESSAGE="$(drv msgbox "$E2E_BOX_TITLE" 60)" || e2e_die "no message after the uninstall"
}
