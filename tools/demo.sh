#!/usr/bin/env bash
# Installs what is missing, builds korvel and runs it on the bundled examples.
# korvel writes its outputs beside its own executable, so the demo copies the
# binary into a scratch folder (build/demo) with the android/ and iphone/
# sub-folders the workbook-to-mobile conversion needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/release" -j "${KORVEL_JOBS:-2}" --target korvel $( [ -f "$root/tools/xlsdump.cpp" ] && echo xlsdump )

demo="$root/build/demo"
rm -rf "$demo"; mkdir -p "$demo/android" "$demo/iphone" "$demo/in"
cp "$root/build/release/korvel" "$demo/"
[ -x "$root/build/release/xlsdump" ] && cp "$root/build/release/xlsdump" "$demo/"
cp "$root/examples/"* "$demo/in/"

run() {  # shows the command, its messages and its exit code
  echo "\$ korvel $*"
  set +e; (cd "$demo" && ./korvel "$@"); local rc=$?; set -e
  echo "  (exit code $rc)"
}
dump() {
  if [ -x "$demo/xlsdump" ]; then "$demo/xlsdump" "$1" | head -n 12; fi
}

echo "== argument checks"
run
run in/notes.txt
run in/missing.xls

echo "== settings.dat -> list.xls"
run in/settings.dat
[ -f "$demo/list.xls" ] && { ls -l "$demo/list.xls"; dump "$demo/list.xls"; mv "$demo/list.xls" "$demo/list-from-settings.xls"; }

echo "== preferences file -> list.xls"
run in/com.velmorak.zKestra_preferences.xml
[ -f "$demo/list.xls" ] && { ls -l "$demo/list.xls"; dump "$demo/list.xls"; }

echo "== list.xls -> android preferences file and iphone settings.dat"
run in/list.xls
for f in "$demo/android/com.velmorak.zKestra_preferences.xml" "$demo/iphone/settings.dat"; do
  [ -f "$f" ] && ls -l "$f"
done
[ -f "$demo/android/com.velmorak.zKestra_preferences.xml" ] && { cat "$demo/android/com.velmorak.zKestra_preferences.xml"; echo; }
echo "Demo files are in $demo"
