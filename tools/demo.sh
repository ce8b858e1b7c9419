#!/usr/bin/env bash
# Installs what is missing, builds korvel and runs it on the bundled examples.
# korvel writes its outputs beside its own executable, so the demo copies the
# binary into a scratch folder (build/demo) with the android/ and iphone/
# sub-folders the workbook-to-mobile conversion needs.
#
# korvel treats device names and values as text of the system's 8-bit code
# page; here that is UTF-8, the encoding of the bundled examples.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/release" -j "${KORVEL_JOBS:-2}" --target korvel xlsdump

demo="$root/build/demo"
rm -rf "$demo"; mkdir -p "$demo/android" "$demo/iphone" "$demo/in"
cp "$root/build/release/korvel" "$root/build/release/xlsdump" "$demo/"
cp "$root/examples/"* "$demo/in/"
export LC_ALL=C.UTF-8

run() {  # shows the command, its messages and its exit code
  echo "\$ korvel $*"
  set +e; (cd "$demo" && ./korvel "$@"); local rc=$?; set -e
  echo "  (exit code $rc)"
}
dump() {  # the cells of a workbook, one JSON line each
  "$demo/xlsdump" "$1" | head -n 20
}

echo "== argument checks"
run
run in/notes.txt
run in/missing.xls

echo
echo "== settings.dat -> list.xls"
run in/settings.dat
ls -l "$demo/list.xls"
dump "$demo/list.xls"
mv "$demo/list.xls" "$demo/list-from-settings.xls"

echo
echo "== preferences file -> list.xls"
run in/com.velmorak.zKestra_preferences.xml
ls -l "$demo/list.xls"
dump "$demo/list.xls"

echo
echo "== list.xls -> android preferences file and iphone settings.dat"
run in/list.xls
ls -l "$demo/android/com.velmorak.zKestra_preferences.xml" "$demo/iphone/settings.dat"
cat "$demo/android/com.velmorak.zKestra_preferences.xml"; echo
echo "iphone/settings.dat: $(( $(stat -c %s "$demo/iphone/settings.dat") / 210 )) records of 210 bytes"

echo
echo "== a file that is no workbook"
printf 'name;user\n' > "$demo/in/text.xls"
run in/text.xls
echo "Demo files are in $demo"
