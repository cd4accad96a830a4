#!/usr/bin/env bash
# A whole SetUp.exe /S on the sample machine under Wine, each round on a fresh copy of the
# machine: the run's wall time and its flushes to disk, a pair from the same run. A flush is
# an fsync or fdatasync call of the program, counted with the time spent in it by strace -f
# (seccomp-filtered, so that no other call is stopped): Wine's FlushFileBuffers is an fsync in
# the calling process, and its copies and plain writes flush nothing. Each machine has its
# wineserver running and warm before its round, so a round is the program's own run (and
# Wine's start of one process). Run by hand; the figures are reported, never asserted.
#
#   tests/bench/silent-install.sh [ROUNDS] [SETUP.EXE]
#       ROUNDS rounds (default 5) of the SetUp.exe built in build/e2e-windows, or of SETUP.EXE
#   tests/bench/silent-install.sh prepare ROUNDS [SETUP.EXE]
#   tests/bench/silent-install.sh round        (once a round, under a timer of your own)
#   tests/bench/silent-install.sh finish       (the medians; the machines go)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="${VELMAR_BENCH_WORK:-$root/build/bench-silent}"  # one per build, for timing two in turn
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # a quiet run shows no window
die() { echo "silent-install.sh: $*" >&2; exit 2; }

prepare() {
  local rounds="$1" setup="${2:-}" n
  [[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a number"
  command -v strace >/dev/null || die "strace is not installed"
  if [[ -z "$setup" ]]; then
    cmake --preset windows -B "$root/build/e2e-windows" >/dev/null
    cmake --build "$root/build/e2e-windows" --target SetUp -j2 >/dev/null
    setup="$root/build/e2e-windows/ui/SetUp.exe"
  fi
  [[ -f "$setup" ]] || die "no such file: $setup"
  finish >/dev/null
  "$root/scripts/wine-prefix" "$work/seeded" >/dev/null
  "$root/scripts/seed-machine" "$work/seeded" sample >/dev/null
  mkdir -p "$work/seeded/drive_c/Setup"
  cp "$setup" "$work/seeded/drive_c/Setup/SetUp.exe"
  "$root/scripts/make-sample-package" "$work/seeded/drive_c/Setup" >/dev/null
  WINEPREFIX="$work/seeded" wineserver -w
  for ((n = 1; n <= rounds; n++)); do
    cp -a "$work/seeded" "$work/machine$n"
    WINEPREFIX="$work/machine$n" wineserver -p
    WINEPREFIX="$work/machine$n" wine cmd /c exit
  done
  echo 0 >"$work/next"
}

round() {
  local n machine start end code=0 trace flushes record
  [[ -f "$work/next" ]] || die "no machines: run prepare first"
  n=$(($(cat "$work/next") + 1))
  machine="$work/machine$n"
  [[ -d "$machine" ]] || die "all prepared machines are used"
  echo "$n" >"$work/next"
  trace="$machine/flushes.trace"
  start=$EPOCHREALTIME
  WINEPREFIX="$machine" strace --seccomp-bpf -f -T -y -e trace=fsync,fdatasync -o "$trace" \
    wine 'C:\Setup\SetUp.exe' /S || code=$?
  end=$EPOCHREALTIME
  flushes="$(grep -cE '(fsync|fdatasync)\(' "$trace" || true)"
  record="$(grep -cE '(fsync|fdatasync)\(.*Uninstall\.txt>' "$trace" || true)"
  awk -v n="$n" -v code="$code" -v s="$start" -v e="$end" -v f="$flushes" -v r="$record" \
    '/(fsync|fdatasync)\(/ { sub(/.*</, "", $NF); sub(/>$/, "", $NF); in_flush += $NF }
     END { printf "round %d: exit %d, %.3f s, %d flushes (%d of the record), %.3f s in them\n",
                  n, code, e - s, f, r, in_flush }' "$trace" | tee -a "$work/rounds.txt"
}

finish() {
  local machine
  median() { awk "{ print \$$1 }" "$work/rounds.txt" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  [[ ! -s "$work/rounds.txt" ]] ||
    echo "median of $(wc -l <"$work/rounds.txt") rounds: $(median 5) s, $(median 7) flushes, $(median 13) s in them"
  for machine in "$work"/machine* "$work/seeded"; do
    [[ -d "$machine" ]] && WINEPREFIX="$machine" wineserver -k 2>/dev/null || true
  done
  rm -rf "$work"
}

case "${1:-}" in
  prepare) shift; prepare "$@" ;;
  round) round ;;
  finish) finish ;;
  *)
    rounds="${1:-5}"
    prepare "$rounds" "${2:-}"
    for ((i = 0; i < rounds; i++)); do round; done
    finish
    ;;
esac
