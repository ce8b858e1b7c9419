#!/usr/bin/env bash
# Opens workbooks written by korvel in LibreOffice (headless) and Gnumeric
# (ssconvert), converts them to CSV and compares every value with the
# benchmark generator's (an independent Python implementation of the content).
# Not part of CI: both suites are large (apt-get install libreoffice-calc-nogui gnumeric).
#
#   tools/check-with-office.sh [BUILD_DIR] [BENCH_LIB]
#     BUILD_DIR  a Release build with -DKORVEL_BENCH=ON holding korvel_writer_bench
#                (default: build-w-rel)
#     BENCH_LIB  folder holding the benchmark's data.py (default: /work/shared/bench/lib)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-w-rel}
lib=${2:-/work/shared/bench/lib}
writer=$build/korvel_writer_bench
for tool in soffice ssconvert /usr/bin/python3 "$writer"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
[ -f "$lib/data.py" ] || { echo "missing: $lib/data.py" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

check() {  # kind, format (biff8|biff5)
  local kind=$1 format=$2 xls=$work/$1-$2.xls
  "$writer" "$kind" "$xls" "$format" 2>/dev/null
  soffice "-env:UserInstallation=file://$work/lo-profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir "$work/lo" "$xls" >/dev/null 2>&1
  ssconvert "$xls" "$work/$kind-$format.gnumeric.csv" >/dev/null 2>&1
  for csv in "$work/lo/$kind-$format.csv" "$work/$kind-$format.gnumeric.csv"; do
    # Gnumeric (like xlrd) reads no row past 16,384 of a BIFF5 file, that
    # format's row limit in its original programs; compare what it shows.
    local limit=0
    case "$format-$csv" in biff5-*gnumeric.csv) limit=16384 ;; esac
    if /usr/bin/python3 - "$lib" "$kind" "$csv" "$limit" <<'PY'; then echo "ok    $kind $format $(basename "$csv")"; else echo "FAIL  $kind $format $(basename "$csv")"; status=1; fi
import csv, math, sys
sys.path.insert(0, sys.argv[1])
import data
kind, path = sys.argv[2], sys.argv[3]
with open(path, newline="", encoding="utf-8") as f:
    rows = list(csv.reader(f))
expected = list(data.rows(kind))
limit = int(sys.argv[4])
if limit and len(expected) > limit:
    print("note: %s shows the first %d rows" % (path.rsplit("/", 1)[-1], limit))
    expected = expected[:limit]
bad = 0
def same(value, text):
    if value is None:
        return text == ""
    if isinstance(value, bool):
        return text.upper() in (("TRUE", "1") if value else ("FALSE", "0"))
    if isinstance(value, str):
        return text == value
    # LibreOffice writes 15 significant digits, Gnumeric the shortest exact form.
    try:
        got = float(text)
    except ValueError:
        return False
    return got == value or math.isclose(got, value, rel_tol=1e-14)
if len(rows) != len(expected):
    print("rows: expected %d, got %d" % (len(expected), len(rows)))
    bad += 1
for r, (want, got) in enumerate(zip(expected, rows)):
    got = got + [""] * (len(want) - len(got))
    for c, value in enumerate(want):
        if not same(value, got[c]):
            bad += 1
            if bad <= 5:
                print("row %d col %d: expected %r, got %r" % (r + 1, c + 1, value, got[c]))
sys.exit(1 if bad else 0)
PY
  done
}

for kind in devices wide; do
  for format in biff8 biff5; do check "$kind" "$format"; done
done
exit $status
