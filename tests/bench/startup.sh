#!/usr/bin/env bash
# Start-up of SetUp.exe under Wine, from process creation to its dialog being visible, on a
# registry of 19 releases x 3 products and 10,000 unrelated keys; as a ratio to the start-up of
# the probe dialog (a minimal dialog program of the same tool chain) in the same run. Run by
# hand; the figure is reported, never asserted.
#
#   tests/bench/startup.sh [ROUNDS] [VARIANT] [OTHER]
#     default 7 rounds on the bench machine of scripts/seed-machine; builds into build/e2e-windows.
#     OTHER: a second SetUp.exe (an older build, say), timed in the same rounds on the same
#     machine, so that the two ratios can be compared.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
rounds="${1:-7}"
other="${3:-}"
[[ -z "$other" || -f "$other" ]] || { echo "startup.sh: no such file: $other" >&2; exit 2; }
[[ -z "$other" ]] || other="$(cd "$(dirname "$other")" && pwd)/$(basename "$other")"
build="$root/build/e2e-windows"

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target SetUp velmar_e2e_driver velmar_e2e_probe -j2 >/dev/null

export VELMAR_E2E_SOURCE="$root" VELMAR_E2E_WORK="$build/bench-startup"
export VELMAR_E2E_DRIVER="$build/tests/e2e/velmar_e2e_driver.exe"
export VELMAR_E2E_PROBE="$build/tests/e2e/velmar_e2e_probe.exe"
export VELMAR_E2E_SETUP
VELMAR_E2E_SETUP="$(find "$build" -name SetUp.exe -not -path '*/tests/*' -not -path '*/bench-startup/*' | head -1)"
source "$root/tests/e2e/lib.sh"
e2e_begin bench-startup
e2e_require_setup

"$root/scripts/wine-prefix" "$E2E_DIR/prefix" >/dev/null
e2e_use_prefix "$E2E_DIR/prefix"
e2e_seed "${2:-bench}"
echo "registry: $(drv reg HKLM 'SOFTWARE\Autodesk\AutoCAD' | grep -c '^key') release keys," \
     "$(drv reg HKLM 'SOFTWARE\Autodesk\AutoCAD\R23.1' | grep -c '^key') products in R23.1"
if [[ -n "$other" ]]; then VELMAR_E2E_SETUP="$other" e2e_place_setup 'C:\BenchOther'; fi
e2e_place_setup 'C:\Bench'
cp "$VELMAR_E2E_PROBE" "$E2E_C/Bench/probe.exe"

# one EXE TITLE EXENAME: milliseconds to a visible window, then the program is cancelled.
one() {
  # Into a file: the started program inherits the driver's output.
  drv time-to-window "$1" "$2" 60 >"$E2E_DIR/ms.txt" || e2e_die "$1 showed no window \"$2\""
  drv click "$2" 2 || e2e_die "cannot cancel $1"
  drv wait-exit "$3" 20 || e2e_die "$1 did not end"
  cat "$E2E_DIR/ms.txt"
}

setup_times=() probe_times=() other_times=()
one 'C:\Bench\SetUp.exe' "$E2E_MAIN_TITLE" SetUp.exe >/dev/null   # warm the file cache
one 'C:\Bench\probe.exe' 'Velmar驱动测试' probe.exe >/dev/null
[[ -z "$other" ]] || one 'C:\BenchOther\SetUp.exe' "$E2E_MAIN_TITLE" SetUp.exe >/dev/null
for ((i = 0; i < rounds; i++)); do
  setup_times+=("$(one 'C:\Bench\SetUp.exe' "$E2E_MAIN_TITLE" SetUp.exe)")
  probe_times+=("$(one 'C:\Bench\probe.exe' 'Velmar驱动测试' probe.exe)")
  [[ -z "$other" ]] || other_times+=("$(one 'C:\BenchOther\SetUp.exe' "$E2E_MAIN_TITLE" SetUp.exe)")
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
s="$(median "${setup_times[@]}")" p="$(median "${probe_times[@]}")"
echo "SetUp.exe  ms: ${setup_times[*]}"
echo "probe dlg  ms: ${probe_times[*]}"
awk -v s="$s" -v p="$p" 'BEGIN { printf "median: SetUp.exe %.1f ms, probe dialog %.1f ms, ratio %.2f (target <= 1.5)\n", s, p, s / p }'
if [[ -n "$other" ]]; then
  o="$(median "${other_times[@]}")"
  echo "other SetUp.exe ms: ${other_times[*]}"
  awk -v o="$o" -v p="$p" 'BEGIN { printf "median: other SetUp.exe %.1f ms, ratio %.2f\n", o, o / p }'
fi
e2e_end
