# Steps shared by the scenarios of runs with a command line; sourced after lib.sh.

E2E_ACTIVE_SETUP_KEY='SOFTWARE\Microsoft\Active Setup\Installed Components\{08633EBA-6575-4BF8-8581-11239B9E7980}'

# run_setup SECONDS ARGUMENTS: SetUp.exe with that command line, started by the driver, which
# watches the program's windows until it ends. Sets RUN_EXIT and RUN_WINDOWS (one line a
# top-level window the program had).
run_setup() {
  local seconds="$1" out
  out="$(drv run "$seconds" "\"$E2E_SETUP_WIN\" $2" 2>&1)" || e2e_die "SetUp.exe $2 did not end: $out"
  RUN_EXIT="$(sed -n 's/^exit=//p' <<<"$out")"
  RUN_WINDOWS="$(grep '^window ' <<<"$out" || true)"
}

# Each log line starts with its local time and offset from UTC, then two blanks.
E2E_LOG_STAMP='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{2}:[0-9]{2}  '

# log_line REGEX FILE: a line of the log, after its time, starts with REGEX.
log_line() { grep -qE "^${E2E_LOG_STAMP}$1" "$2"; }

# temp_logs: the logs quiet runs wrote into the temporary folder, oldest first.
temp_logs() { ls -1tr "$E2E_C"/users/*/Temp/Velmar*.log 2>/dev/null || true; }

# check_silent WHAT CODE: the last run ended with CODE, and no window of it ever existed.
check_silent() {
  check_eq "$1: exit code" "$RUN_EXIT" "$2"
  check_eq "$1: no window of the program" "$RUN_WINDOWS" ""
}

# snapshot FILE: what an installation may change, in a form two prefixes can be compared in:
# the AutoCAD trees of both registry views and of the user,
# the Active Setup component and the mark of the user it was run for, and every folder and file
# (with its checksum) of drive C: outside the Windows folder.
snapshot() {
  {
    drv dump HKLM 'SOFTWARE\Autodesk'
    drv dump HKLM 'SOFTWARE\Wow6432Node\Autodesk'
    drv dump HKCU 'SOFTWARE\Autodesk'
    drv dump HKLM "$E2E_ACTIVE_SETUP_KEY"
    drv dump HKCU "$E2E_ACTIVE_SETUP_KEY"
    (cd "$E2E_C" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -type d -print |
       LC_ALL=C sort | sed 's/^/folder /')
    (cd "$E2E_C" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -type f -print0 |
       LC_ALL=C sort -z | xargs -0 -r md5sum | sed 's/^/file /')
  } >"$1"
}

# registry_values SNAPSHOT: "KEY<TAB>NAME = DATA" for each value of a snapshot's dumps.
registry_values() {
  awk '/^\[/ { key = substr($0, 2, length($0) - 2); next }
       /^  / { sub(/^  /, ""); print key "\t" $0 }' "$1"
}

# check_log_names_changes BEFORE AFTER LOG: every value and every file or folder that differs
# between the two snapshots is named in the log.
check_log_names_changes() {
  local before="$1" after="$2" log="$3" line key name path missing=""
  while IFS=$'\t' read -r key name; do
    name="${name%% = *}"
    [[ "$name" == "@" ]] && name="(default)"
    # "HKLM\SOFTWARE\..." in the dump is "HKLM ... view, key SOFTWARE\..., value NAME" in the log.
    grep -qiF "key ${key#*\\}, value $name," "$log" || missing+="value $key $name"$'\n'
  done < <(comm -13 <(registry_values "$before" | sort) <(registry_values "$after" | sort))
  while read -r line; do
    path="${line#folder }"; path="${path#file }"; [[ "$line" == file* ]] && path="${path#*  }"
    path="C:${path#.}"; path="${path//\//\\}"
    grep -qiF "$path" "$log" || missing+="$line"$'\n'
  done < <(comm -13 <(grep -E '^(folder|file) ' "$before" | sort) <(grep -E '^(folder|file) ' "$after" | sort))
  check_eq "the log names every change of the run" "$missing" ""
}

# reg_text ROOT KEY VALUE: a REG_SZ value's text in UTF-8.
reg_text() {
  drv reg "$1" "$2" "$3" | sed 's/^REG_SZ //' | xxd -r -p | iconv -f CP936 -t UTF-8
}
