#!/usr/bin/env bash
# Builds every libFuzzer target with clang-14 and runs each for a given time.
#   tools/run-fuzzers.sh [SECONDS] [TARGET...]
# Without SECONDS each target runs for its time in fuzz/durations.txt (60 s
# when it is not listed). Each target starts from its seed corpus
# fuzz/corpus/<target>/ (or the same name without a fuzz_ prefix or _fuzz suffix);
# new inputs go to a scratch copy, so the committed corpus stays as it is.
# Exits non-zero when any target finds a crash, leak or sanitizer report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=""
if [[ ${1:-} =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
build="$root/build/fuzz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DKORVEL_TESTS=OFF >/dev/null
cmake --build "$build" -j "${KORVEL_JOBS:-2}"

targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(grep -v '^$' "$build/fuzz-targets.txt" || true)

status=0
for t in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/$t"
  [ -d "$seeds" ] || seeds="$root/fuzz/corpus/${t#fuzz_}"
  [ -d "$seeds" ] || seeds="$root/fuzz/corpus/${t%_fuzz}"
  secs=$seconds
  [ -n "$secs" ] || secs=$(awk -v t="$t" '$1 == t { print $2 }' "$root/fuzz/durations.txt" 2>/dev/null)
  [ -n "$secs" ] || secs=60
  mkdir -p "$work/$t"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/$t/"
  echo "== $t for ${secs}s"
  if ! (cd "$work" && "$build/$t" -max_total_time="$secs" -rss_limit_mb=2048 \
        -print_final_stats=1 "$work/$t" 2>"$work/$t.log"); then
    echo "!! $t failed:"; tail -n 60 "$work/$t.log"; status=1
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$work/$t.log" | tail -n 2 || true
  fi
done
exit $status
