# Shared steps of the end-to-end scenarios; sourced by scenarios/*.sh, scripts/demo and the
# start-up benchmark.
#
# Environment (set by tests/e2e/CMakeLists.txt): VELMAR_E2E_SOURCE, VELMAR_E2E_WORK,
# VELMAR_E2E_DRIVER, VELMAR_E2E_SLEEPER, VELMAR_E2E_PROBE, VELMAR_E2E_SETUP.
#
# A scenario calls e2e_begin NAME, then works in its own fresh prefix ($E2E_PREFIX) with its own
# Xvfb display, wineserver and SetUp.exe; the exit trap ends each of them by its id.

E2E_MAIN_TITLE='Velmar批打印软件安装'
E2E_BOX_TITLE='Velmar软件安装'
E2E_PICKER_TITLE='请选择安装目录：'
E2E_INSTALL_SUB='Velmar批打印软件'
# Release check boxes in year order, 2007 first (2010 and 2011 have swapped ids).
E2E_BOX_IDS=(1018 1019 1020 1027 1026 1028 1029 1030 1031 1032 1033 1034 1035 1036 1037 1038 1039
             1040 1041)

e2e_failures=0
e2e_pids=()
E2E_SETUP_PID=
E2E_XVFB_PID=
E2E_WINESERVER_PID=

e2e_die() {
  echo "FATAL: $*" >&2
  if [[ -n "${E2E_PREFIX:-}" && -n "${DISPLAY:-}" && -n "$E2E_WINESERVER_PID" ]]; then
    echo "--- windows on the screen:" >&2
    drv list >&2 || true
    e2e_shot "failure" || true
  fi
  exit 1
}

ok()   { echo "ok   - $*"; }
bad()  { echo "FAIL - $*"; e2e_failures=$((e2e_failures + 1)); }

# check_eq WHAT ACTUAL EXPECTED
check_eq() {
  if [[ "$2" == "$3" ]]; then ok "$1"; else bad "$1"$'\n         got:      '"$2"$'\n         expected: '"$3"; fi
}
# check WHAT COMMAND...: passes when the command succeeds.
check() {
  local what="$1"; shift
  if "$@" >/dev/null; then ok "$what"; else bad "$what"; fi
}

e2e_require_tools() {
  local t
  for t in wine wineserver winepath Xvfb import convert iconv xxd; do
    command -v "$t" >/dev/null 2>&1 ||
      e2e_die "$t is not installed: run scripts/install-deps (as root) before the end-to-end tests"
  done
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' ||
    e2e_die "the zh_CN.UTF-8 locale is not generated: run scripts/install-deps"
  for t in VELMAR_E2E_SOURCE VELMAR_E2E_WORK VELMAR_E2E_DRIVER; do
    [[ -n "${!t:-}" ]] || e2e_die "$t is not set (run the scenarios through ctest)"
  done
  [[ -f "$VELMAR_E2E_DRIVER" ]] || e2e_die "the driver $VELMAR_E2E_DRIVER is not built"
}

e2e_require_setup() {
  [[ -n "${VELMAR_E2E_SETUP:-}" && -f "$VELMAR_E2E_SETUP" ]] ||
    e2e_die "SetUp.exe is not built (target SetUp; got '${VELMAR_E2E_SETUP:-}')"
}

# e2e_make_uncopyable UNIXFILE: a destination the copy cannot replace. The file is hidden,
# which Windows' copy refuses to overwrite; Wine 8 replaces hidden (and, for root, read-only)
# files all the same, so the file is also made immutable, or read-only where that is not allowed.
e2e_locked=()
e2e_make_uncopyable() {
  # attrib now and then fails at once in a prefix whose wineserver has just started; a second
  # try finds it ready.
  local tries out
  for tries in 1 2 3; do
    out="$(wine attrib +h "$(winepath -w "$1")" 2>&1)" && break
    ((tries < 3)) || e2e_die "attrib +h failed on $1: $out"
    sleep 1
  done
  if chattr +i "$1" 2>/dev/null; then
    e2e_locked+=("$1")
  else
    chmod a-w "$1"
  fi
}

e2e_cleanup() {
  local pid f
  for f in "${e2e_locked[@]}"; do chattr -i "$f" 2>/dev/null || true; done
  e2e_locked=()
  for pid in "$E2E_SETUP_PID" "${e2e_pids[@]}"; do
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  done
  if [[ -n "$E2E_WINESERVER_PID" ]]; then
    WINEPREFIX="$E2E_PREFIX" wineserver -k 2>/dev/null || true
    wait "$E2E_WINESERVER_PID" 2>/dev/null || true
  fi
  if [[ -n "$E2E_XVFB_PID" ]]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
  fi
  E2E_SETUP_PID= E2E_WINESERVER_PID= E2E_XVFB_PID=
  e2e_pids=()
}

# e2e_begin NAME: a work folder for this scenario, the trap, the tools.
e2e_begin() {
  E2E_NAME="$1"
  e2e_require_tools
  E2E_DIR="$VELMAR_E2E_WORK/$E2E_NAME"
  E2E_SHOTS="$VELMAR_E2E_WORK/screenshots/$E2E_NAME"
  mkdir -p "$E2E_DIR"
  rm -rf "$E2E_SHOTS"
  mkdir -p "$E2E_SHOTS"
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
  echo "# scenario $E2E_NAME"
  # Before any Wine process: the first one starts the prefix's desktop process, which picks the
  # graphics driver for every later window from DISPLAY as it is then.
  e2e_display
}

e2e_end() {
  e2e_cleanup
  # A passing run's prefixes go (each is a copy of the template); a failing run keeps them.
  ((e2e_failures > 0)) || rm -rf "$E2E_DIR"/prefix*
  echo "# screenshots: $E2E_SHOTS"
  if ((e2e_failures > 0)); then
    echo "# $E2E_NAME: $e2e_failures check(s) failed"
    exit 1
  fi
  echo "# $E2E_NAME: all checks passed"
}

# e2e_fresh_prefix [SUFFIX]: a copy of the freshly booted template prefix, with its own
# persistent wineserver so that each wine call starts in a fraction of a second.
e2e_fresh_prefix() {
  local template="$VELMAR_E2E_WORK/template-prefix"
  [[ -f "$template/system.reg" ]] ||
    e2e_die "no template prefix at $template (ctest runs e2e.prefix first)"
  if [[ -n "$E2E_SETUP_PID" ]]; then
    kill "$E2E_SETUP_PID" 2>/dev/null || true
    E2E_SETUP_PID=
  fi
  if [[ -n "$E2E_WINESERVER_PID" ]]; then
    WINEPREFIX="$E2E_PREFIX" wineserver -k 2>/dev/null || true
    wait "$E2E_WINESERVER_PID" 2>/dev/null || true
    E2E_WINESERVER_PID=
  fi
  rm -rf "$E2E_DIR/prefix${1:-}"
  cp -a "$template" "$E2E_DIR/prefix${1:-}"
  e2e_use_prefix "$E2E_DIR/prefix${1:-}"
}

# e2e_use_prefix DIR: work in that prefix, with a persistent wineserver of its own.
e2e_use_prefix() {
  E2E_PREFIX="$1"
  export WINEPREFIX="$E2E_PREFIX"
  # The work folder is a drive of its own, W:, so that a log named there is judged from that
  # drive's root as on Windows, and not from the Unix root (Wine's Z:), whose levels, such as a
  # /tmp the build may lie in, every user may change.
  ln -sfn "$E2E_DIR" "$E2E_PREFIX/dosdevices/w:"
  wineserver -f -p >/dev/null 2>&1 &
  E2E_WINESERVER_PID=$!
  E2E_C="$E2E_PREFIX/drive_c"
}

# e2e_display: an Xvfb display of this run's own (e2e_begin starts it).
e2e_display() {
  local started
  started="$("$VELMAR_E2E_SOURCE/scripts/start-xvfb" 1024x768x24)" || e2e_die "Xvfb did not start"
  read -r E2E_XVFB_PID DISPLAY <<<"$started"
  export DISPLAY
}

drv() { wine "$VELMAR_E2E_DRIVER" "$@"; }

# e2e_seed VARIANT
e2e_seed() {
  "$VELMAR_E2E_SOURCE/scripts/seed-machine" "$E2E_PREFIX" "$1" >/dev/null ||
    e2e_die "seeding the $1 machine failed"
}

# e2e_place_setup 'C:\windows\folder' [nodata]: SetUp.exe there, with a sample Data package
# beside it unless "nodata".
e2e_place_setup() {
  E2E_SETUP_WIN="$1\\SetUp.exe"
  local unix
  unix="$(winepath -u "$1")"
  mkdir -p "$unix"
  cp "$VELMAR_E2E_SETUP" "$unix/SetUp.exe"
  E2E_DATA="$unix/Data"
  if [[ "${2:-}" != nodata ]]; then
    "$VELMAR_E2E_SOURCE/scripts/make-sample-package" "$unix" >/dev/null ||
      e2e_die "scripts/make-sample-package failed"
  fi
}

e2e_start_setup() {
  wine "$E2E_SETUP_WIN" >"$E2E_DIR/setup.out" 2>&1 &
  E2E_SETUP_PID=$!
  drv wait "$E2E_MAIN_TITLE" 60 >/dev/null || e2e_die "the setup dialog did not open"
}

# e2e_start_host: a stand-in acad.exe running from AutoCAD 2020's folder, its pid in E2E_HOST_PID.
e2e_start_host() {
  mkdir -p "$E2E_C/Program Files/Autodesk/AutoCAD 2020"
  cp "$VELMAR_E2E_SLEEPER" "$E2E_C/Program Files/Autodesk/AutoCAD 2020/acad.exe"
  wine 'C:\Program Files\Autodesk\AutoCAD 2020\acad.exe' >/dev/null 2>&1 &
  E2E_HOST_PID=$!
  e2e_pids+=("$E2E_HOST_PID")
  drv wait-start acad.exe 30 || e2e_die "acad.exe did not start"
}

# e2e_setup_exits SECONDS: true when SetUp.exe has ended within that time.
e2e_setup_exits() {
  local end=$((SECONDS + $1))
  while kill -0 "$E2E_SETUP_PID" 2>/dev/null; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
  wait "$E2E_SETUP_PID" 2>/dev/null || true
  E2E_SETUP_PID=
  return 0
}

# state ID: "enabled=E visible=V checked=C" of a control of the setup dialog.
state() { drv state "$E2E_MAIN_TITLE" "$1"; }
text()  { drv text "$E2E_MAIN_TITLE" "$1"; }
click() { drv click "$E2E_MAIN_TITLE" "$1" || e2e_die "cannot click control $1"; }

# wait_state ID EXPECTED SECONDS
wait_state() {
  local end=$((SECONDS + $3))
  while [[ "$(state "$1" 2>/dev/null)" != "$2" ]]; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}

# e2e_shot NAME [TITLE...]: the screen area of the named windows (default: the setup dialog and
# any message box over it), written as NAME.png to this scenario's screenshot folder.
e2e_shot() {
  local name="$1"; shift
  local titles=("$@")
  ((${#titles[@]})) || titles=("$E2E_MAIN_TITLE" "$E2E_BOX_TITLE" "$E2E_PICKER_TITLE" "SetUp")
  local l=100000 t=100000 r=0 b=0 rect x1 y1 x2 y2 title
  for title in "${titles[@]}"; do
    rect="$(drv rect "$title" 2>/dev/null)" || continue
    read -r x1 y1 x2 y2 <<<"$rect"
    l=$((x1 < l ? x1 : l)) t=$((y1 < t ? y1 : t)) r=$((x2 > r ? x2 : r)) b=$((y2 > b ? y2 : b))
  done
  local full="$E2E_SHOTS/.full.png"
  import -display "$DISPLAY" -window root "$full" 2>/dev/null || { bad "screenshot $name"; return 0; }
  if ((r > l && b > t)); then
    l=$((l < 8 ? 0 : l - 8)) t=$((t < 8 ? 0 : t - 8))
    convert "$full" -crop "$((r - l + 8))x$((b - t + 8))+$l+$t" +repage "$E2E_SHOTS/$name.png"
  else
    cp "$full" "$E2E_SHOTS/$name.png"
  fi
  rm -f "$full"
}

# cp936_hex TEXT: the code page 936 bytes of a UTF-8 text, as hex.
cp936_hex() { printf '%s' "$1" | iconv -f UTF-8 -t CP936 | xxd -p | tr -d '\n'; }

# check_reg_sz ROOT KEY VALUE TEXT: the value holds exactly TEXT's code page 936 bytes.
check_reg_sz() {
  local got
  got="$(drv reg "$1" "$2" "$3" 2>&1)" || true
  check_eq "$1\\$2 $3 = $4" "$got" "REG_SZ $(cp936_hex "$4")"
}

check_reg_dword() {
  local got
  got="$(drv reg "$1" "$2" "$3" 2>&1)" || true
  check_eq "$1\\$2 $3 = dword $4" "$got" "REG_DWORD $4"
}

# check_no_key ROOT KEY
check_no_key() {
  if drv reg "$1" "$2" >/dev/null 2>&1; then bad "$1\\$2 must not exist"; else ok "no key $1\\$2"; fi
}

# The auto-load keys the sample machine may receive; none of them exist before an installation.
E2E_AUTOLOAD_KEYS=(
  'SOFTWARE\Autodesk\AutoCAD\R17.1\ACAD-6001:804\Applications\VL_BatchPlot2008'
  'SOFTWARE\Wow6432Node\Autodesk\AutoCAD\R17.1\ACAD-6001:804\Applications\VL_BatchPlot2008'
  'SOFTWARE\Autodesk\AutoCAD\R20.1\ACAD-F001:804\Applications\VL_BatchPlot2016'
  'SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\VL_BatchPlot2020'
)
E2E_PROFILE_2020='SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Profiles\<<未命名配置>>\Variables'
E2E_PROFILE_2020_B='SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Profiles\机械制图\Variables'
E2E_PROFILE_2008='SOFTWARE\Autodesk\AutoCAD\R17.1\ACAD-6001:804\Profiles\<<未命名配置>>\Variables'
E2E_TRUSTED_2020_SEEDED='C:\Program Files\Autodesk\AutoCAD 2020\Support;d:\lisp\批处理'

# e2e_snapshot: what an installation may change, one line each: every value of the AutoCAD
# keys (both registry views and the user's), read through the wide calls, each line with its
# key; every folder and file of drives C: (without windows) and D:, files with size and checksum.
e2e_snapshot() {
  { drv dump HKLM 'SOFTWARE\Autodesk'
    drv dump HKLM 'SOFTWARE\Wow6432Node\Autodesk'
    drv dump HKCU 'SOFTWARE\Autodesk'; } | awk '/^\[/ { key = $0; print; next } { print key $0 }'
  local drive root entry
  for drive in c d; do
    root="$E2E_PREFIX/drive_$drive"
    [[ -d "$root" ]] || continue
    (cd "$root" && find . -mindepth 1 -path ./windows -prune -o -print | LC_ALL=C sort |
       while read -r entry; do
         if [[ -d "$entry" ]]; then
           printf 'folder %s:%s\n' "${drive^}" "${entry#.}"
         else
           printf 'file %s:%s  %s bytes  %s\n' "${drive^}" "${entry#.}" "$(stat -c %s "$entry")" \
                  "$(md5sum <"$entry" | cut -c1-32)"
         fi
       done)
  done
}

# Nothing of an installation reached the registry of the sample machine.
check_nothing_registered() {
  local k
  for k in "${E2E_AUTOLOAD_KEYS[@]}"; do check_no_key HKLM "$k"; done
  check_reg_sz HKCU "$E2E_PROFILE_2020" TRUSTEDPATHS "$E2E_TRUSTED_2020_SEEDED"
  check_no_key HKCU "$E2E_PROFILE_2020_B"
  local fonts
  fonts="$(ls -A "$E2E_C/Program Files/Autodesk/AutoCAD 2020/Fonts" 2>&1)" || true
  check_eq "no fonts in the 2020 Fonts folder" "$fonts" ""
}
