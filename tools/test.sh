#!/usr/bin/env bash
# Builds korvel and runs every test twice: in the normal build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
#   KORVEL_JOBS=N            parallel jobs (default 2)
#   KORVEL_SKIP_SANITIZE=1   only the normal build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KORVEL_JOBS:-2}

"$root/tools/install-deps.sh"

# Node packages used as independent checkers (decryption, cross-reading),
# pinned by tests/tools/node/package-lock.json; skipped when npm is missing.
if command -v npm >/dev/null && [ ! -d "$root/build/node/node_modules" ]; then
  mkdir -p "$root/build/node"
  cp "$root/tests/tools/node/package.json" "$root/tests/tools/node/package-lock.json" "$root/build/node/"
  (cd "$root/build/node" && npm ci --silent --no-audit --no-fund >/dev/null 2>&1) || echo "npm ci failed: node checks will be skipped"
fi
[ -d "$root/build/node/node_modules" ] && export KORVEL_NODE_MODULES="$root/build/node/node_modules"

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
