#!/usr/bin/env bash
# Builds korvel and runs every test twice: in the normal build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
#   KORVEL_JOBS=N            parallel jobs (default 2)
#   KORVEL_SKIP_SANITIZE=1   only the normal build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KORVEL_JOBS:-2}

"$root/tools/install-deps.sh"

run_suite() {  # build-folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${KORVEL_SKIP_SANITIZE:-0}" != 1 ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_suite "$root/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_SANITIZE=ON
fi
