#!/bin/bash
# Times our readers and the peers' on the wide workbooks in one session, the
# way the peers' own figures are taken: every command as a whole process,
# one uncounted warm-up, then RUNS counted runs, median wall and peak RSS.
#
#   bench/compare-with-peers.sh PEER_BENCH_DIR OUR_BUILD_DIR [RUNS] [xls|xlsx]
#
# PEER_BENCH_DIR is the peers' benchmark folder (its lib/timeit.py and the
# inputs its gen-inputs.sh makes; npm ci done there). OUR_BUILD_DIR is a
# Release build with -DKORVEL_BENCH=ON. Per file the order is xlrd (or
# openpyxl), SheetJS, ours, so our warm-up follows SheetJS as in a suite run.
# The last argument limits the run to the binary or to the .xlsx files.
# Prints one line per command and a ratio table. The machine is shared:
# run it when nothing else is busy, and more than once.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 PEER_BENCH_DIR OUR_BUILD_DIR [RUNS] [xls|xlsx]" >&2
  exit 2
fi
PEERS=$(cd "$1" && pwd)
OURS=$(cd "$2" && pwd)
RUNS=${3:-7}
ONLY=${4:-}
PY=${PY:-/usr/bin/python3}
NODE=${NODE:-node}
IN="$PEERS/inputs"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

for tool in korvel_reader_bench korvel_xlsx_read_bench korvel_writer_bench; do
  [ -x "$OURS/$tool" ] || { echo "$OURS/$tool missing: build with -DKORVEL_BENCH=ON" >&2; exit 1; }
done
# The workbook our writer makes, read like the others.
KORVEL_XLS="$WORK/wide.korvel.xls"
"$OURS/korvel_writer_bench" wide "$KORVEL_XLS" >/dev/null

# time LABEL COMMAND...: appends "LABEL median-wall peak" to $WORK/figures.
time_it() {
  local label=$1
  shift
  local out
  out=$(cd "$PEERS" && "$PY" lib/timeit.py -n "$RUNS" --warmup 1 -- "$@")
  local wall peak
  wall=$(awk '$1 == "wall" { print $4 }' <<<"$out")
  peak=$(awk '$1 == "peak" { print $4 }' <<<"$out")
  printf '%-34s wall %7s s  peak %7s MiB\n' "$label" "$wall" "$peak" >&2
  echo "$label $wall $peak" >>"$WORK/figures"
}

BIFF_FILES=("$IN/wide.xls" "$IN/wide.libreoffice.xls" "$IN/wide.gnumeric.xls" "$IN/wide.sheetjs.xls" "$KORVEL_XLS")
PACKAGE_FILES=("$IN/wide.xlsx" "$IN/wide.sheetjs.xlsx")
[ "$ONLY" = xlsx ] && BIFF_FILES=()
[ "$ONLY" = xls ] && PACKAGE_FILES=()
# compare FILE PYTHON_PEER OUR_BENCH: the Python peer, SheetJS, then ours.
compare() {
  local name
  name=$(basename "$1")
  time_it "$2 $name" "$PY" "lib/read_$2.py" "$1"
  time_it "sheetjs $name" "$NODE" lib/sheetjs_read.js "$1"
  time_it "korvel $name" "$OURS/$3" "$1"
}
for f in "${BIFF_FILES[@]}"; do compare "$f" xlrd korvel_reader_bench; done
for f in "${PACKAGE_FILES[@]}"; do compare "$f" openpyxl korvel_xlsx_read_bench; done

# Ratio of each peer's median wall to ours; peak memory beside.
awk '
  { tool = $1; file = $2; wall[tool, file] = $3; peak[tool, file] = $4; if (!(file in seen)) { seen[file] = 1; order[n++] = file } }
  END {
    printf "\n%-22s %8s %8s %8s %10s %10s %12s\n", "file", "korvel s", "xlrd/opx", "sheetjs", "x xlrd/opx", "x sheetjs", "peak ours/py"
    for (i = 0; i < n; i++) {
      f = order[i]; py = ((("xlrd", f) in wall) ? "xlrd" : "openpyxl")
      k = wall["korvel", f]
      printf "%-22s %8.3f %8.3f %8.3f %9.1fx %9.1fx %5.1f/%5.1f\n", f, k, wall[py, f], wall["sheetjs", f], wall[py, f] / k, wall["sheetjs", f] / k, peak["korvel", f], peak[py, f]
    }
  }' "$WORK/figures"
